// --dump: reads psgc binaries back and prints a listing of each on
// standard output, whatever the quiet setting; a file that cannot be read
// or decoded is reported and the others are still listed.
#pragma once

#include <string>
#include <vector>

#include "common/diagnostics.h"

namespace psgc {

void DumpFiles(Diagnostics& diag, const std::vector<std::string>& names);

}  // namespace psgc

// The equates file of -sfx: the number and the priority of every sound
// effect as WLA-DX ".define" lines, written beside the SFX binary.
#pragma once

#include <string>

#include "common/diagnostics.h"
#include "sfx/instrument_table.h"

namespace psgc {

// The equates file's name: the output's with its extension replaced by
// .equ. False when no such name can be made.
bool EquatesFileName(const std::string& outputName, std::string& name);
// Writes the equates file beside the SFX binary `outputName`.
int WriteEquatesFile(const InstrumentTable& table, Diagnostics& diag, const std::string& outputName);

}  // namespace psgc

// Track pack: MUS binaries joined into one file behind a table of their
// positions.
#pragma once

#include "common/diagnostics.h"
#include "pack/pack_stream.h"

namespace psgc {

// Streams the pack into `output`, which the caller commits. False after
// reporting.
bool BuildTrackPack(Diagnostics& diag, OutputFile& output, const Sources& sources, PackWritten& pack);

}  // namespace psgc

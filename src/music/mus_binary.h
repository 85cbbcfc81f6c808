// The MUS binary laid out from a gathered song: the header with the six
// channel entries, every music block with its calls patched, then the
// instrument table of the instrument script.
#pragma once

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "music/song_data.h"
#include "sfx/instrument_table.h"

namespace psgc {

// Prints the instrument table's and the binary's sizes, and leaves the
// binary in `image`. The song has at least one channel script compiled
// (the command line takes no -mus without one). False after reporting
// (the size limit, a call of a label that no block has).
bool BuildMusBinary(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                   ByteBuffer& image);

}  // namespace psgc

// The song of one -mus run: the music blocks of all channel scripts, the
// call references between them, each channel's main block, and the
// operations that compile channel scripts and lay out the MUS binary.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "sfx/instrument_table.h"

namespace psgc {

struct SongData {};  // placeholder until the music compiler lands

// Compiles the next channel script (the first call is channel 0).
int ParseMusicScript(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                     std::string_view text, const std::string& fileName);
int BuildMusBinary(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                   ByteBuffer& image);
void FreeSongData(SongData& song);

}  // namespace psgc

// Whole-song warnings, once every channel script has compiled: blocks that
// no call names, called blocks that run on into the next one, instruments
// that no block selects. They read the song and never change it.
#pragma once

#include <string_view>

#include "common/diagnostics.h"
#include "music/song_data.h"
#include "sfx/instrument_table.h"

namespace psgc {

// Reports the unused and return warnings that are on: instruments first
// (located in `instrumentScript`), then blocks, each in definition order.
void CheckSong(const SongData& song, const InstrumentTable& instruments,
               std::string_view instrumentScript, Diagnostics& diag);

}  // namespace psgc

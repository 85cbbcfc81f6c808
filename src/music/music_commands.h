// The music commands: the keywords of a block body and their handlers.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/script_lines.h"
#include "music/music_script.h"

namespace psgc {

// A handler reads its operands from the line's tokens, after the keyword.
using MusicHandler = HandlerStatus (*)(MusicScript&, LineTokens&);

// The handler of the command whose long or short name is `keyword`, or
// nullptr: the line is then a note line.
MusicHandler FindMusicCommand(std::string_view keyword);

// Reads the next token as a duration (0 or more). Shared with note lines.
HandlerStatus ReadDuration(MusicScript& script, LineTokens& tokens, uint32_t& duration);

// The note event, 09 ii pp pp: instrument index and period, also made by
// `sfx` with a period given by number. Returns 0 or -1.
int EmitNoteEvent(SongData& song, Diagnostics& diag, uint32_t instrument, uint16_t period);

}  // namespace psgc

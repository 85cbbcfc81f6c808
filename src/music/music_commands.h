// The lines of a music block body: the command keywords with their
// handlers, and the note line that any other first token begins.
#pragma once

#include <string_view>

#include "common/script_parser.h"
#include "music/music_script.h"

namespace psgc {

// The row named `keyword`, or nullptr: the line is then a note line.
const CommandRow<MusicScript>* FindMusicCommand(std::string_view keyword);

// A note line, `note` being its first token: the note event, then the
// duration's wait.
HandlerStatus HandleNoteLine(MusicScript& script, LineTokens& tokens, std::string_view note);

}  // namespace psgc

// The lines of a music block body: the command keywords with their
// handlers, and the note line that any other first token begins.
#pragma once

#include <string_view>
#include <vector>

#include "common/script_lines.h"
#include "music/music_script.h"

namespace psgc {

// A handler reads its operands from the line's tokens, after the keyword.
using MusicHandler = HandlerStatus (*)(MusicScript&, LineTokens&);

// The handler of the command whose long or short name is `keyword`, or
// nullptr: the line is then a note line.
MusicHandler FindMusicCommand(std::string_view keyword);
// Every long name, then every short name: what a hint chooses from.
std::vector<std::string_view> MusicCommandNames();

// A note line, `note` being its first token: the note event, then the
// duration's wait.
HandlerStatus HandleNoteLine(MusicScript& script, LineTokens& tokens, std::string_view note);

}  // namespace psgc

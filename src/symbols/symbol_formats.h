// Symbol formats: the four dialects a game's toolchain reads (WLA-DX,
// PCEAS, ca65, C), which names each of them accepts, and how a symbol is
// named after a source file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostics.h"

namespace psgc {

enum class SymbolFormat { Wla, Pceas, Ca65, C };

// Where a directory part of a path ends, for a symbol file's default name
// (only a "." after them starts an extension) and for names after files.
inline constexpr std::string_view kPathSeparators = "<>/\\:";
// The last component of `path`, without its extension.
std::string_view FileStemOf(std::string_view path);

// One `--symbols FORMAT[=FILE]`.
struct SymbolRequest {
  SymbolFormat format = SymbolFormat::Wla;
  std::string file;  // empty: named after the output
};

// False when `name` is none of "wla", "pceas", "ca65", "c".
bool FindSymbolFormat(std::string_view name, SymbolFormat& format);
// The extension of a symbol file named after the output: ".equ", ".inc", ".h".
const char* SymbolFileExtension(SymbolFormat format);

// What every requested file accepts: the strictest of their rules.
struct SymbolRules {
  bool plainOnly = false;   // names only of A-Z a-z 0-9 _
  size_t maxLength = 0;     // 0: no limit
  SymbolFormat limitFormat = SymbolFormat::Wla;  // the format that sets maxLength
};
SymbolRules RulesFor(const std::vector<SymbolRequest>& requests);

bool IsPlainSymbol(std::string_view name);
// Index of the first character of `name` outside A-Z a-z 0-9 _, or npos.
size_t FindNonPlainCharacter(std::string_view name);

// Checks that a sound-effect label gives symbols (`SFX_` + label) that the
// requested files accept; reports at the label line otherwise.
bool CheckLabelSymbol(const SymbolRules& rules, Diagnostics& diag, std::string_view label,
                      const ScriptPos& at);
// Checks the length of a symbol that has no script line; reports otherwise.
bool CheckSymbolLength(const SymbolRules& rules, Diagnostics& diag, const std::string& symbol);

// `prefix` and the file name of `path` without directory and extension,
// each character outside A-Z a-z 0-9 _ replaced by "_":
// music/level-1.mus gives SONG_level_1.
std::string SymbolFromPath(std::string_view prefix, std::string_view path);

}  // namespace psgc

// The text of a symbol file: one writer per dialect over one list of
// (name, value) pairs, in groups that each file titles with a comment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "symbols/symbol_formats.h"

namespace psgc {

struct Symbol {
  std::string name;
  uint32_t value;
};

struct SymbolGroup {
  const char* title;  // "SOUND EFFECT IDs"
  std::vector<Symbol> symbols;
};

using SymbolList = std::vector<SymbolGroup>;

// The whole file. `outputName`: the binary as typed, named in the first
// line; `fileName`: the symbol file, whose name gives the include guard.
std::string SymbolFileText(SymbolFormat format, const SymbolList& list, const std::string& outputName,
                           const std::string& fileName);

}  // namespace psgc

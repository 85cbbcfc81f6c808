// Lists of symbols from the sound effects and from a pack's sources.
#include "driver/symbol_lists.h"

#include <unordered_set>

#include "common/messages.h"

namespace psgc {

SymbolList SfxSymbols(const InstrumentTable& table) {
  SymbolList list = {{"SOUND EFFECT IDs", {}}, {"SOUND EFFECT PRIORITIES", {}}};
  for (uint32_t i = 0; i < table.records.size(); ++i) {
    const Instrument& sfx = table.records[i];
    list[0].symbols.push_back({"SFX_" + sfx.name, i});
    list[1].symbols.push_back({"PRI_" + sfx.name, sfx.priority});
  }
  return list;
}

bool PackSymbols(const Sources& sources, const char* title, const char* prefix,
                 const SymbolRules& rules, Diagnostics& diag, SymbolList& list) {
  list = {{title, {}}};
  std::unordered_set<std::string> seen;
  for (uint32_t i = 0; i < sources.size(); ++i) {
    std::string symbol = SymbolFromPath(prefix, sources[i]->name());
    if (!CheckSymbolLength(rules, diag, symbol)) return false;
    if (!seen.insert(symbol).second) {
      diag.ErrorWith(msg::kSourcesShareSymbol, symbol);
      return false;
    }
    list[0].symbols.push_back({std::move(symbol), i});
  }
  return true;
}

}  // namespace psgc

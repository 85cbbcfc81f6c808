// What a run's symbol files name: the sound effects of -sfx, the songs of
// -pak, the streams of -pcm, as lists of (name, value).
#pragma once

#include "common/diagnostics.h"
#include "pack/pack_stream.h"
#include "sfx/instrument_table.h"
#include "symbols/symbol_text.h"

namespace psgc {

// SFX_<label> = the effect's number, PRI_<label> = its priority.
SymbolList SfxSymbols(const InstrumentTable& table);

// `prefix` + each source's file name = its index in the pack. False after
// reporting a symbol too long for `rules` or two sources giving one symbol.
bool PackSymbols(const Sources& sources, const char* title, const char* prefix,
                 const SymbolRules& rules, Diagnostics& diag, SymbolList& list);

}  // namespace psgc

// Instrument and sound-effect scripts: one language of labelled
// definitions, each one to six channels of event bytes. InstrumentScript is
// the state of one script in progress, which the parser hands to every
// command handler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/diagnostics.h"
#include "common/script_lines.h"
#include "common/script_parser.h"
#include "sfx/instrument_table.h"

namespace psgc {

struct SymbolRules;

struct InstrumentScript {
  Diagnostics& diag;
  InstrumentTable& table;
  std::string_view fileName;
  bool sfxMode;  // sound effects (-sfx) rather than instruments (-mus)
  uint32_t line = 0;
  Instrument record;  // the definition under construction
  const SymbolRules* labelRules = nullptr;  // labels must suit the symbol files
  LoopTracker loops;  // of the channel under construction

  ScriptPos at() const { return {fileName, line}; }
  // The channel under construction.
  InstrumentChannel& channel() { return record.channels[record.channelCount - 1]; }
};

// Compiles one script, read through `reader`, into the table, which it
// empties first. sfxMode: sound effects (-sfx) rather than instruments
// (-mus). labelRules: what the requested symbol files accept of a label
// (none: labels are taken as they are). False after reporting the first
// error (a read error as "Can't open source file").
bool ParseInstrumentScript(InstrumentTable& table, Diagnostics& diag, ScriptReader& reader,
                          const std::string& fileName, bool sfxMode,
                          const SymbolRules* labelRules = nullptr);

}  // namespace psgc

// Inside the instrument compiler: the script being compiled, as the parser
// and the command handlers share it, and the command table they meet at.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"
#include "common/script_lines.h"
#include "sfx/instrument_table.h"

namespace psgc {

// What a command handler returns: Malformed makes the caller add the syntax
// line; Reported means the failure has been printed in full.
enum class CommandStatus { Done = 0, Malformed = 1, Reported = -1 };

// One instrument or sound-effect script in progress.
struct InstrumentScript {
  Diagnostics& diag;
  InstrumentTable& table;
  std::string_view fileName;
  uint32_t line = 0;
  Instrument record;  // the definition under construction
  const SymbolRules* labelRules = nullptr;  // labels must suit the symbol files

  ScriptPos at() const { return {fileName, line}; }
};

// Handlers take their operands from `tokens`, which the parser has advanced
// past the keyword, and leave any further token for the end-of-line check.
struct InstrumentCommandRow {
  const char* longName;
  const char* shortName;
  bool flow;  // allowed only inside a channel body
  CommandStatus (*handler)(InstrumentScript&, InstrumentChannel&, LineTokens&);
};

// The row whose long, then short, name equals `token` (rows in order).
const InstrumentCommandRow* FindInstrumentCommand(std::string_view token);

// Appends one byte to the channel and advances the script's instrumentOffset.
// Returns 0, or -1 when the buffer cannot grow (already reported). Past the
// output limit the byte is only counted.
int EmitChannelByte(InstrumentScript& script, InstrumentChannel& channel, uint8_t byte);
// Appends the wait pairs of `duration` at once: a long wait is millions of
// bytes. Returns 0 or -1 (reported).
int EmitChannelWait(InstrumentScript& script, InstrumentChannel& channel, uint8_t code,
                    uint32_t duration);

// Handles a line of an open definition whose first token is `token`.
// Returns 0, positive for a malformed line, negative for another failure;
// every message, the syntax line included, has been printed.
int HandleInstrumentLine(InstrumentScript& script, std::string_view token, bool& bodyOpen,
                         LineTokens& tokens);

// Appends the finished record to the table and indexes its name.
int AddInstrument(InstrumentScript& script);

}  // namespace psgc

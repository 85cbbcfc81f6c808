// The twelve commands of instrument and sound-effect scripts, found by
// name, each with the handler that adds its event bytes to a channel.
#pragma once

#include <string_view>
#include <vector>

#include "common/script_lines.h"
#include "sfx/instrument_script.h"

namespace psgc {

// Handlers take their operands from `tokens`, which the parser has advanced
// past the keyword, and leave any further token for the end-of-line check.
struct InstrumentCommandRow {
  // Views, so that a lookup compares lengths before any character.
  std::string_view longName;
  std::string_view shortName;
  bool flow;  // allowed only inside a channel body
  HandlerStatus (*handler)(InstrumentScript&, InstrumentChannel&, LineTokens&);
};

// The row whose long, then short, name equals `token` (rows in order).
const InstrumentCommandRow* FindInstrumentCommand(std::string_view token);
// Every long name, then every short name: what a hint chooses from.
std::vector<std::string_view> InstrumentCommandNames();

}  // namespace psgc

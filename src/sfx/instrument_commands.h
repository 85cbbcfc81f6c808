// The twelve commands of instrument and sound-effect scripts, found by
// name, each with the handler that adds its event bytes to a channel.
#pragma once

#include <string_view>

#include "common/script_parser.h"
#include "sfx/instrument_script.h"

namespace psgc {

// The row named `token`, or nullptr. Its handler adds the event to the
// script's channel under construction.
const CommandRow<InstrumentScript>* FindInstrumentCommand(std::string_view token);

}  // namespace psgc

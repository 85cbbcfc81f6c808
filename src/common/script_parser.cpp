// The label priorities and loop pairing both script languages share.
#include "common/script_parser.h"

#include "common/numeric.h"

namespace psgc {

bool ReadLabelPriority(Diagnostics& diag, std::string_view token, const ScriptPos& at, const Message& notANumber,
                       const Message& outOfRange, uint8_t& priority) {
  size_t used = 0;
  switch (ReadPriority(token, priority, &used)) {
    case PriorityRead::NotANumber: diag.ErrorAt(notANumber, at, Detail().Value(token).Token(token)); return false;
    case PriorityRead::OutOfRange: diag.ErrorAt(outOfRange, at, Detail().Value(token).Token(token)); return false;
    case PriorityRead::Ok: break;
  }
  WarnIgnoredCharacters(diag, token, used, at);
  return true;
}

void LoopTracker::CloseLoop(Diagnostics& diag, const ScriptPos& at) {
  if (open == 0) {
    diag.WarnAt(Warning::Loop, msg::kWarnEndloopAlone, "", at);
  } else {
    --open;
  }
}

}  // namespace psgc

// The loop pairing both script languages share.
#include "common/script_parser.h"

namespace psgc {

void LoopTracker::Note(Diagnostics& diag, CommandRole role, bool emitted, const ScriptPos& at) {
  if (role == CommandRole::Loop) {
    ++open;
  } else if (role == CommandRole::EndLoop) {
    if (open == 0) {
      diag.WarnAt(Warning::Loop, msg::kWarnEndloopAlone, "", at);
    } else {
      --open;
    }
  }
  if (emitted) last = role;
}

}  // namespace psgc

// Command operands shared by both script languages.
#include "common/operands.h"

#include "common/messages.h"
#include "common/numeric.h"

namespace psgc {

HandlerStatus ReadIntegerIn(Diagnostics& diag, LineTokens& tokens, int32_t lowest, int32_t highest,
                            int32_t& value) {
  const std::string_view token = tokens.Next();
  if (token.empty() || ParseInteger(diag, token, value) != 0) return HandlerStatus::Malformed;
  if (value < lowest || value > highest) {
    diag.Error(msg::kValueOutOfRange);
    return HandlerStatus::Malformed;
  }
  return HandlerStatus::Done;
}

bool ReadFixedPair(Diagnostics& diag, LineTokens& tokens, uint32_t& first, uint32_t& second) {
  const std::string_view a = tokens.Next();
  const std::string_view b = tokens.Next();
  second = 0;
  if (a.empty() || ParseFixedPoint8(diag, first, a) != 0) return false;
  return b.empty() || ParseFixedPoint8(diag, second, b) == 0;
}

}  // namespace psgc

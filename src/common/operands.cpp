// Command operands shared by both script languages.
#include "common/operands.h"

#include <string>

#include "common/messages.h"
#include "common/numeric.h"

namespace psgc {

HandlerStatus ReadIntegerIn(Diagnostics& diag, LineTokens& tokens, int32_t lowest, int32_t highest,
                            int32_t& value, const ScriptPos& at) {
  const std::string_view token = tokens.Next();
  size_t used = 0;
  if (token.empty() || !ParseInteger(diag, token, value, &used)) return HandlerStatus::Malformed;
  WarnIgnoredCharacters(diag, token, used, at);
  if (value < lowest || value > highest) {
    std::string allowed = std::to_string(lowest);
    allowed += highest == INT32_MAX ? " or more" : " to " + std::to_string(highest);
    diag.Error(msg::kValueOutOfRange, Detail().Value(token).Value(allowed).At(at).Token(token));
    return HandlerStatus::Malformed;
  }
  return HandlerStatus::Done;
}

bool ReadFixedPair(Diagnostics& diag, LineTokens& tokens, uint32_t& first, uint32_t& second,
                   const ScriptPos& at) {
  const std::string_view a = tokens.Next();
  const std::string_view b = tokens.Next();
  second = 0;
  if (a.empty() || !ReadFixed8(diag, a, first, at)) return false;
  if (b.empty()) return true;
  if (!ReadFixed8(diag, b, second, at)) return false;
  // Only the second operand's fraction is stored.
  WarnShortFraction(diag, b, at);
  return true;
}

bool ReadFixed8(Diagnostics& diag, std::string_view token, uint32_t& value, const ScriptPos& at) {
  size_t used = 0;
  if (!ParseFixedPoint8(diag, value, token, &used)) return false;
  WarnIgnoredCharacters(diag, token, used, at);
  return true;
}

}  // namespace psgc

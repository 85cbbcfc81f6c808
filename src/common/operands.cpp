// Command operands shared by both script languages.
#include "common/operands.h"

#include <string>

#include "common/messages.h"
#include "common/numeric.h"

namespace psgc {
namespace {

// Nearly every operand is a few plain digits (a duration, a volume): such
// a token reads here at once, to the value the general reading gives it,
// with nothing left over to warn about.
bool ReadPlainDecimal(std::string_view token, int32_t& value) {
  if (token.empty() || token.size() > 9) return false;  // 9 digits stay below 2^31
  int32_t v = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

}  // namespace

HandlerStatus ReadIntegerIn(Diagnostics& diag, LineTokens& tokens, int32_t lowest, int32_t highest,
                            int32_t& value, const ScriptPos& at) {
  const std::string_view token = tokens.Next();
  if (!ReadPlainDecimal(token, value)) {
    size_t used = 0;
    if (token.empty() || !ParseInteger(diag, token, value, &used)) return HandlerStatus::Malformed;
    WarnIgnoredCharacters(diag, token, used, at);
  }
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

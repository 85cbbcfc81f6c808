// Command operands that both script languages read the same way from a
// line's tokens: a whole number within a range, a pair of fixed-point
// numbers whose second one may be left out.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"
#include "common/script_parser.h"

namespace psgc {

// The next token as a whole number from `lowest` to `highest`. A missing
// token is Malformed without a message; an unreadable one is Malformed
// after the number's message; one out of range is Malformed after
// "ERROR- Value out of range". Characters after the number are ignored,
// with the number warning at `at`.
HandlerStatus ReadIntegerIn(Diagnostics& diag, LineTokens& tokens, int32_t lowest, int32_t highest,
                            int32_t& value, const ScriptPos& at);

// Two fixed-point operands, the second defaulting to 0, each in the form
// of ParseFixedPoint8. Both tokens are taken before either is read. False
// when the first is missing or either cannot be read (reported). The
// second one's fraction, the only one stored, gets the fraction warning.
bool ReadFixedPair(Diagnostics& diag, LineTokens& tokens, uint32_t& first, uint32_t& second,
                   const ScriptPos& at);

// One fixed-point operand in the form of ParseFixedPoint8, with the number
// warning at `at`. False when it cannot be read (reported).
bool ReadFixed8(Diagnostics& diag, std::string_view token, uint32_t& value, const ScriptPos& at);

}  // namespace psgc

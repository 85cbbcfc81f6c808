// Numeric literals of both script languages: whole numbers (decimal, "$"
// hexadecimal, "%" binary) and fixed-point numbers with one fraction field.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"

namespace psgc {

// The fraction digits are a count, not decimal places: 1.5 has fraction 5.
// As one little-endian word the value is integer * 65536 + fraction.
struct FixedPoint {
  uint16_t fraction = 0;
  uint16_t integer = 0;  // 0..65535, or -32768..-1 in two's complement
};

// The readers stop at the first character that cannot continue the number
// and ignore the rest of the token; `used`, when given, receives how many
// characters they read.
bool ParseInteger(Diagnostics& diag, std::string_view text, int32_t& value, size_t* used = nullptr);
bool ParseFixedPoint(Diagnostics& diag, FixedPoint& fixed, std::string_view text,
                    size_t* used = nullptr);
// Integer field in bits 16-31, the fraction's low byte in bits 0-7.
bool ParseFixedPoint8(Diagnostics& diag, uint32_t& value, std::string_view text,
                     size_t* used = nullptr);

// Reads the start of `text` as a "%d" conversion does (leading white space,
// optional sign, decimal digits, the rest ignored). False when no digit can
// be read. Values beyond 32 bits are reported as overflow.
struct DecimalScan {
  bool ok = false;
  bool overflow = false;
  int64_t value = 0;
  size_t end = 0;  // index just past the digits
};
DecimalScan ScanDecimal(std::string_view text);

// A priority on a label line of either script language: read as "%d"
// reads it ("12abc" is 12; "$c" and "%1100" are no number), 0 to 255.
enum class PriorityRead { Ok, NotANumber, OutOfRange };
PriorityRead ReadPriority(std::string_view token, uint8_t& priority, size_t* used = nullptr);

// Reads the start of `text` as a "%lf" conversion does. False when no
// number can be read.
bool ScanReal(std::string_view text, double& value, size_t* used = nullptr);

// The number warning: the characters of `token` after the first `used`
// were ignored ("12abc read as 12"). Nothing when the token was read whole.
void WarnIgnoredCharacters(Diagnostics& diag, std::string_view token, size_t used,
                           const ScriptPos& at);

// The fraction warning: a decimal fixed-point token whose fraction has one
// or two digits, not all zero, which reads like decimal places but counts
// 256ths ("0.5 is 0 and 5/256").
void WarnShortFraction(Diagnostics& diag, std::string_view token, const ScriptPos& at);

}  // namespace psgc

// Numeric literals: the C library's "%d", "%x", "%d.%d" and "%x.%x" reading
// rules, made safe where the C conversions overflow silently.
#include "common/numeric.h"

#include <cstdlib>
#include <string>

#include "common/messages.h"

namespace psgc {
namespace {

constexpr uint64_t kMagnitudeCap = uint64_t{1} << 40;  // far beyond 32 bits

// White space as "%d" skips it in the "C" locale, which psgc never
// leaves; compared directly, without a locale call per character.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%x": white space, optional sign, optional 0x prefix, hexadecimal digits.
// The magnitude saturates at kMagnitudeCap so that overflow stays visible.
struct HexScan {
  bool ok = false;
  bool negative = false;
  uint64_t magnitude = 0;
  size_t end = 0;
};

HexScan ScanHex(std::string_view text) {
  HexScan r;
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      i + 2 < text.size() && HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  const size_t digits = i;
  for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
    r.magnitude = r.magnitude * 16 + static_cast<uint64_t>(HexDigit(text[i]));
    if (r.magnitude > kMagnitudeCap) r.magnitude = kMagnitudeCap;
  }
  r.ok = i > digits;
  r.end = i;
  return r;
}

// The 32-bit pattern that "%x" stores: the magnitude, negated for a "-".
uint32_t HexPattern(const HexScan& h) {
  const auto low = static_cast<uint32_t>(h.magnitude);
  return h.negative ? 0u - low : low;
}

// "Unable to parse numeric"; false.
bool NumericError(Diagnostics& diag, std::string_view text) {
  diag.ErrorWith(msg::kUnableToParseNumeric, text);
  return false;
}

// Clamps the integer part to the field and stores both fields; a negative
// number is stored as the two's complement of its magnitude.
void StoreFixed(FixedPoint& fixed, int64_t integer, int64_t fraction) {
  fixed.integer = static_cast<uint16_t>(integer > 65535 ? 65535 : integer < -32768 ? -32768 : integer);
  fixed.fraction = static_cast<uint16_t>(integer < 0 ? 65536 - fraction : fraction);
}

void Report(size_t* used, size_t count) {
  if (used != nullptr) *used = count;
}

// One digit group of a "%" fixed-point token: binary digits up to a "."
// or the end. False for an empty group, another character or more than 32
// digits.
bool ParseBinaryPart(std::string_view text, uint32_t& value) {
  uint32_t bits = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] != '.'; ++i) {
    if ((text[i] != '0' && text[i] != '1') || i == 32) return false;
    bits = (bits << 1) | static_cast<uint32_t>(text[i] - '0');
  }
  if (i == 0) return false;
  value = bits;
  return true;
}

}  // namespace

DecimalScan ScanDecimal(std::string_view text) {
  DecimalScan r;
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t digits = i;
  uint64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
  }
  if (i == digits) return r;
  r.ok = true;
  r.end = i;
  r.value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  r.overflow = r.value < INT32_MIN || r.value > INT32_MAX;
  return r;
}

PriorityRead ReadPriority(std::string_view token, uint8_t& priority, size_t* used) {
  const DecimalScan scan = ScanDecimal(token);
  if (!scan.ok) return PriorityRead::NotANumber;
  Report(used, scan.end);
  if (scan.overflow || scan.value < 0 || scan.value > 255) return PriorityRead::OutOfRange;
  priority = static_cast<uint8_t>(scan.value);
  return PriorityRead::Ok;
}

bool ScanReal(std::string_view text, double& value, size_t* used) {
  const std::string copy(text);  // strtod needs a terminated string
  char* end = nullptr;
  const double v = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str()) return false;
  value = v;
  Report(used, static_cast<size_t>(end - copy.c_str()));
  return true;
}

void WarnIgnoredCharacters(Diagnostics& diag, std::string_view token, size_t used,
                           const ScriptPos& at) {
  if (used >= token.size() || !diag.WarningOn(Warning::Number)) return;
  diag.WarnAt(Warning::Number, msg::kWarnIgnoredCharacters, Join({token, " read as ", token.substr(0, used)}), at,
              Detail().Value(token).Value(token.substr(0, used)).Token(token));
}

void WarnShortFraction(Diagnostics& diag, std::string_view token, const ScriptPos& at) {
  if (!diag.WarningOn(Warning::Fraction) || token.empty() || token[0] == '$' || token[0] == '%') return;
  const DecimalScan integer = ScanDecimal(token);
  if (!integer.ok || integer.end >= token.size() || token[integer.end] != '.') return;
  const size_t first = integer.end + 1;
  size_t end = first;
  while (end < token.size() && token[end] >= '0' && token[end] <= '9') ++end;
  const std::string_view digits = token.substr(first, end - first);
  if (digits.empty() || digits.size() > 2 || digits.find_first_not_of('0') == std::string_view::npos) return;
  // What was read, and how the decimal reading is written: .5 is 128/256;
  // .1 is 25.6/256, about .26.
  const std::string_view whole = token.substr(0, integer.end);
  const std::string_view number = token.substr(0, end);
  const int count = std::stoi(std::string(digits));
  const int scale = digits.size() == 1 ? 10 : 100;
  const std::string counted = std::to_string(count);
  const std::string decimal = std::string(whole) + "." + std::to_string((count * 256 + scale / 2) / scale);
  const bool exact = count * 256 % scale == 0;
  const std::string what = Join({number, " is ", whole, " and ", counted, "/256; ", number,
                                 exact ? " as a decimal is " : " as a decimal is about ", decimal});
  diag.WarnAt(Warning::Fraction, msg::kWarnShortFraction, what, at,
              Detail()
                  .Value(number)
                  .Value(whole)
                  .Value(counted)
                  .Value(decimal)
                  .Value(exact ? "" : "about ")
                  .Token(token));
}

bool ParseInteger(Diagnostics& diag, std::string_view text, int32_t& value, size_t* used) {
  if (text.empty()) {
    diag.Error(msg::kUnexpectedEndOfData);
    return false;
  }
  if (text[0] == '$') {
    const HexScan h = ScanHex(text.substr(1));
    if (!h.ok || h.magnitude > 0xFFFFFFFFu) {
      return NumericError(diag, text);
    }
    value = static_cast<int32_t>(HexPattern(h));
    Report(used, 1 + h.end);
    return true;
  }
  if (text[0] == '%') {
    const std::string_view digits = text.substr(1);
    if (digits.empty()) {
      diag.ErrorWith(msg::kInvalidBinary, text);
      return false;
    }
    // Only the first 32 digits are looked at; the rest is ignored unread.
    uint32_t bits = 0;
    for (size_t i = 0; i < digits.size() && i < 32; ++i) {
      if (digits[i] != '0' && digits[i] != '1') {
        diag.ErrorWith(msg::kInvalidBinary, text);
        return false;
      }
      bits = (bits << 1) | static_cast<uint32_t>(digits[i] - '0');
    }
    value = static_cast<int32_t>(bits);
    Report(used, 1 + (digits.size() < 32 ? digits.size() : 32));
    return true;
  }
  const DecimalScan d = ScanDecimal(text);
  if (!d.ok || d.overflow) {
    return NumericError(diag, text);
  }
  value = static_cast<int32_t>(d.value);
  Report(used, d.end);
  return true;
}

bool ParseFixedPoint(Diagnostics& diag, FixedPoint& fixed, std::string_view text, size_t* used) {
  if (text.empty()) {
    return NumericError(diag, text);
  }
  int64_t integer = 0;
  int64_t fraction = 0;
  size_t read = text.size();
  if (text[0] == '$') {
    const std::string_view rest = text.substr(1);
    if (!rest.empty()) {
      const HexScan i = ScanHex(rest);
      if (!i.ok) {
        return NumericError(diag, text);
      }
      // An integer part beyond 32 bits is clamped like any large value.
      integer = i.magnitude > 0xFFFFFFFFu ? INT64_MAX : static_cast<int32_t>(HexPattern(i));
      read = 1 + i.end;
      if (i.end < rest.size() && rest[i.end] == '.') {
        const HexScan f = ScanHex(rest.substr(i.end + 1));
        if (f.ok) {
          read = 1 + i.end + 1 + f.end;
          if (f.magnitude > 0xFFFFFFFFu) {
            return NumericError(diag, text);
          }
          fraction = static_cast<int32_t>(HexPattern(f));
        }
      }
    }
  } else if (text[0] == '%') {
    uint32_t i = 0;
    uint32_t f = 0;
    const size_t dot = text.find('.');
    if (!ParseBinaryPart(text.substr(1), i) ||
        (dot != std::string_view::npos && !text.substr(dot + 1).empty() &&
         !ParseBinaryPart(text.substr(dot + 1), f)) ||
        (dot != std::string_view::npos && text.find('.', dot + 1) != std::string_view::npos)) {
      return NumericError(diag, text);
    }
    integer = static_cast<int32_t>(i);
    fraction = static_cast<int32_t>(f);
  } else {
    const DecimalScan i = ScanDecimal(text);
    if (!i.ok) {
      return NumericError(diag, text);
    }
    integer = i.value;
    read = i.end;
    if (i.end < text.size() && text[i.end] == '.') {
      const DecimalScan f = ScanDecimal(text.substr(i.end + 1));
      if (f.ok) {
        read = i.end + 1 + f.end;
        if (f.overflow) {
          return NumericError(diag, text);
        }
        fraction = f.value;
        // -1.5 is stored as -2 + 0.5: the integer part is the floor.
        if (text[0] == '-' && fraction != 0) --integer;
      }
    }
  }
  if (fraction < 0) {
    return NumericError(diag, text);
  }
  StoreFixed(fixed, integer, fraction);
  Report(used, read);
  return true;
}

bool ParseFixedPoint8(Diagnostics& diag, uint32_t& value, std::string_view text, size_t* used) {
  FixedPoint fixed;
  if (!ParseFixedPoint(diag, fixed, text, used)) return false;
  value = (static_cast<uint32_t>(fixed.integer) << 16) | (fixed.fraction & 0xFFu);
  return true;
}

}  // namespace psgc

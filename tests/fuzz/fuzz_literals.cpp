// Fuzzes the readers every script line goes through: line pieces, tokens,
// numeric literals and file name derivation. Nothing may crash, hang or
// write a result after a refusal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/numeric.h"
#include "common/script_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace psgc;
  const std::string text(reinterpret_cast<const char*>(data), size);
  Diagnostics diag = Diagnostics::Capturing();
  ScriptReader reader(text);
  std::string_view line;
  while (reader.NextLine(line)) {
    if (line.size() > 511) __builtin_trap();
    LineTokens tokens(line);
    for (std::string_view token = tokens.Next(); !token.empty(); token = tokens.Next()) {
      int32_t integer = 0x5A5A5A5A;
      if (!ParseInteger(diag, token, integer) && integer != 0x5A5A5A5A) __builtin_trap();
      uint32_t fixed = 0;
      ParseFixedPoint8(diag, fixed, token);
      double real = 0;
      ScanReal(token, real);
      ScanDecimal(token);
    }
  }
  std::string result;
  ReplaceExtension(text, result, ".equ", "<>/\\:");
  return 0;
}

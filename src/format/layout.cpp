// Bank pointers read back into file offsets.
#include "format/layout.h"

namespace psgc::format {

bool DecodeBankPointer(const uint8_t* bytes, uint32_t& offset) {
  if ((bytes[1] & 0xE0) != 0 || (bytes[2] & 0xE0) != 0) return false;
  offset = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << kBankShift |
           uint32_t{bytes[3]} << 18;
  return true;
}

}  // namespace psgc::format

// Banked pointers and the output size limit.
#include "common/byte_buffer.h"

namespace psgc {

BankPointer EncodeBankPointer(uint32_t offset) {
  return {static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>((offset >> 8) & 0x1F),
          static_cast<uint8_t>((offset >> 13) & 0x1F), static_cast<uint8_t>((offset >> 18) & 0xFF)};
}

void PutBankPointer(uint8_t* at, uint32_t offset) {
  const BankPointer p = EncodeBankPointer(offset);
  at[0] = p[0];
  at[1] = p[1];
  at[2] = p[2];
  at[3] = p[3];
}

bool CheckOutputSize(Diagnostics& diag, uint64_t size) {
  if (size <= kMaxOutputSize) return true;
  diag.Error(msg::kOutputTooLarge);
  return false;
}

}  // namespace psgc

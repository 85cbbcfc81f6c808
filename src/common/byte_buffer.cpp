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

uint64_t WaitEncodingSize(uint32_t duration) { return 2 * ((uint64_t{duration} + 254) / 255); }

void AppendWaitEncoding(ByteBuffer& bytes, uint8_t code, uint32_t duration, uint64_t count) {
  const uint64_t lastPair = WaitEncodingSize(duration) - 2;
  const auto rest = static_cast<uint8_t>(duration - 255 * (lastPair / 2));
  const size_t start = bytes.size();
  bytes.resize(start + count, 0xFF);
  for (uint64_t i = 0; i < count; i += 2) bytes[start + i] = code;
  if (count > lastPair + 1) bytes[start + lastPair + 1] = rest;
}

bool CheckOutputSize(Diagnostics& diag, uint64_t size) {
  if (size <= kMaxOutputSize) return true;
  diag.Error(msg::kOutputTooLarge);
  return false;
}

}  // namespace psgc

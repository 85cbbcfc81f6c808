// Headers, entries and bank pointers written and read back.
#include "format/layout.h"

#include <cstring>

#include "common/messages.h"

namespace psgc::format {

void PutFileHeader(uint8_t* at, const char* mark, uint32_t count) {
  std::memcpy(at, mark, kMarkSize);
  at[kCountAt] = static_cast<uint8_t>(count);
}

BankPointer EncodeBankPointer(uint32_t offset) {
  return {static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>((offset >> 8) & 0x1F),
          static_cast<uint8_t>((offset >> kBankShift) & 0x1F), static_cast<uint8_t>((offset >> 18) & 0xFF)};
}

void PutBankPointer(uint8_t* at, uint32_t offset) {
  const BankPointer p = EncodeBankPointer(offset);
  std::memcpy(at, p.data(), kPointerSize);
}

bool DecodeBankPointer(const uint8_t* bytes, uint32_t& offset) {
  if ((bytes[1] & 0xE0) != 0 || (bytes[2] & 0xE0) != 0) return false;
  offset = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << kBankShift |
           uint32_t{bytes[3]} << 18;
  return true;
}

void PutMusTable(uint8_t* image, uint32_t count, uint32_t table) {
  image[kCountAt] = static_cast<uint8_t>(count);
  if (count > 0) {
    PutBankPointer(image + kTablePointerAt, table);
  } else {
    std::memcpy(image + kTablePointerAt, kNoTable, kPointerSize);
  }
}

void PutMusChannel(uint8_t* image, uint32_t channel, uint32_t mainBlock, uint8_t priority) {
  uint8_t* entry = image + kChannelEntriesAt + kChannelEntrySize * channel;
  entry[0] = kChannelEntryMark;
  PutBankPointer(entry + 1, mainBlock);
  entry[1 + kPointerSize] = priority;
}

void PutPcmEntry(uint8_t* entry, uint32_t offset, uint32_t length) {
  entry[0] = kPcmEntryMark;
  PutBankPointer(entry + 1, offset);
  entry[kPcmLengthAt] = static_cast<uint8_t>(length);
  entry[kPcmLengthAt + 1] = static_cast<uint8_t>(length >> 8);
  entry[kPcmLengthAt + 2] = static_cast<uint8_t>(length >> 16);
}

uint32_t PcmEntryLength(const uint8_t* entry) {
  const uint8_t* p = entry + kPcmLengthAt;
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
}

bool CheckOutputSize(Diagnostics& diag, uint64_t size) {
  if (size <= kMaxOutputSize) return true;
  diag.Error(msg::kOutputTooLarge);
  return false;
}

}  // namespace psgc::format

// The instrument table turned into bytes: the SFX binary of -sfx and the
// instrument table block of a MUS binary.
#include "sfx/sfx_binary.h"

#include <cstring>

#include "common/messages.h"

namespace psgc {
namespace {

constexpr char kSfxMark[] = {'S', 'F', 'X'};
constexpr uint64_t kSfxHeaderSize = 4;     // mark and count byte
constexpr uint64_t kPointerSize = 4;       // one BankPointer
constexpr uint64_t kSfxBlockHeader = 2;    // priority and channel count
constexpr uint64_t kChannelHeader = 5;     // noise byte and BankPointer
constexpr uint8_t kNoiseChannel = 0xFF;

bool Allocate(Diagnostics& diag, ByteBuffer& buffer, uint64_t size) {
  return TryAllocate(diag, [&] { buffer.assign(static_cast<size_t>(size), 0); });
}

uint64_t SfxBinarySize(const InstrumentTable& table) {
  uint64_t size = kSfxHeaderSize + kPointerSize * table.records.size() + BytesPastLimit(table);
  for (const Instrument& sfx : table.records) {
    size += kSfxBlockHeader;
    for (uint32_t c = 0; c < sfx.channelCount; ++c) {
      size += kChannelHeader + sfx.channels[c].bytes.size();
    }
  }
  return size;
}

// One sound effect's block at `at`: priority, channel count, the channel
// headers, then the channels' bytes in order. Returns the offset after it.
uint32_t PutSfxBlock(uint8_t* image, uint32_t at, const Instrument& sfx) {
  image[at] = static_cast<uint8_t>(sfx.priority);
  image[at + 1] = static_cast<uint8_t>(sfx.channelCount);
  uint32_t header = at + static_cast<uint32_t>(kSfxBlockHeader);
  uint32_t data = header + static_cast<uint32_t>(kChannelHeader) * sfx.channelCount;
  for (uint32_t c = 0; c < sfx.channelCount; ++c) {
    const ByteBuffer& bytes = sfx.channels[c].bytes;
    image[header] = sfx.channels[c].noise ? kNoiseChannel : 0;
    PutBankPointer(image + header + 1, data);
    if (!bytes.empty()) std::memcpy(image + data, bytes.data(), bytes.size());
    header += static_cast<uint32_t>(kChannelHeader);
    data += static_cast<uint32_t>(bytes.size());
  }
  return data;
}

}  // namespace

int BuildSfxBinary(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& image) {
  const auto count = static_cast<uint32_t>(table.records.size());
  const uint64_t size = SfxBinarySize(table);
  diag.PrintCount(msg::kSfxCountPrefix, count, msg::kSfxCountSuffix);
  diag.PrintSize(msg::kSfxSize, size);
  if (!CheckOutputSize(diag, size) || !Allocate(diag, image, size)) return -1;
  std::memcpy(image.data(), kSfxMark, sizeof kSfxMark);
  image[3] = static_cast<uint8_t>(count);
  auto at = static_cast<uint32_t>(kSfxHeaderSize + kPointerSize * count);
  for (uint32_t i = 0; i < count; ++i) {
    PutBankPointer(&image[kSfxHeaderSize + kPointerSize * i], at);
    at = PutSfxBlock(image.data(), at, table.records[i]);
  }
  return 0;
}

// Record i: the pointer to its note-off point, then its channel's bytes.
// An instrument without `noteoff` releases just past its own bytes.
int BuildInstrumentTable(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& block,
                         uint32_t& count) {
  block.clear();
  count = 0;
  const auto n = static_cast<uint32_t>(table.records.size());
  if (n == 0) {
    diag.Print(msg::kInstrumentTableEmpty);
    return 0;
  }
  uint64_t size = kPointerSize * n + BytesPastLimit(table);
  for (const Instrument& instrument : table.records) {
    size += kPointerSize + instrument.channels[0].bytes.size();
  }
  diag.PrintCount(msg::kSfxCountPrefix, n, msg::kInstrumentCountSuffix);
  diag.PrintSize(msg::kInstrumentTableSize, size);
  // A table that no binary could hold is refused before it is built.
  if (!CheckOutputSize(diag, size) || !Allocate(diag, block, size)) return -1;
  auto record = static_cast<uint32_t>(kPointerSize * n);
  uint32_t bytesBefore = 0;  // bytes of all earlier instruments
  for (uint32_t i = 0; i < n; ++i) {
    const Instrument& instrument = table.records[i];
    const ByteBuffer& bytes = instrument.channels[0].bytes;
    const auto length = static_cast<uint32_t>(bytes.size());
    const uint32_t noteOff = instrument.hasNoteOff ? instrument.noteOff : bytesBefore + length;
    PutBankPointer(&block[kPointerSize * i], record);
    PutBankPointer(&block[record], static_cast<uint32_t>(kPointerSize * (n + i + 1)) + noteOff);
    if (length > 0) std::memcpy(&block[record + kPointerSize], bytes.data(), length);
    record += static_cast<uint32_t>(kPointerSize) + length;
    bytesBefore += length;
  }
  count = n;
  return 0;
}

}  // namespace psgc

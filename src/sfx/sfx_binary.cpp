// The instrument table turned into bytes: the SFX binary of -sfx and the
// instrument table block of a MUS binary.
#include "sfx/sfx_binary.h"

#include "common/messages.h"
#include "format/layout.h"

namespace psgc {
namespace {

using format::AppendBankPointer;
constexpr uint64_t kPointerSize = format::kPointerSize;
constexpr uint64_t kSfxBlockHeader = format::kEffectHeaderSize;  // priority and channel count
constexpr uint64_t kChannelHeader = format::kChannelHeaderSize;  // noise byte and BankPointer

// Makes room for `size` more bytes; the binaries are appended, never
// zero-filled first.
bool Reserve(Diagnostics& diag, ByteBuffer& buffer, uint64_t size) {
  return TryAllocate(diag, [&] { buffer.reserve(buffer.size() + static_cast<size_t>(size)); });
}

uint64_t SfxBlockSize(const Instrument& sfx) {
  uint64_t size = kSfxBlockHeader;
  for (uint32_t c = 0; c < sfx.channelCount; ++c) size += kChannelHeader + sfx.channels[c].bytes.size();
  return size;
}

uint64_t SfxBinarySize(const InstrumentTable& table) {
  uint64_t size = format::HeaderSize(table.records.size(), format::kPointerSize) + BytesPastLimit(table);
  for (const Instrument& sfx : table.records) size += SfxBlockSize(sfx);
  return size;
}

// One sound effect's block, appended at offset `at` of the binary:
// priority, channel count, the channel headers, then the channels' bytes.
void AppendSfxBlock(ByteBuffer& image, uint32_t at, const Instrument& sfx) {
  image.push_back(static_cast<uint8_t>(sfx.priority));
  image.push_back(static_cast<uint8_t>(sfx.channelCount));
  uint32_t data = at + static_cast<uint32_t>(kSfxBlockHeader + kChannelHeader * sfx.channelCount);
  for (uint32_t c = 0; c < sfx.channelCount; ++c) {
    image.push_back(sfx.channels[c].noise ? format::kNoiseChannel : format::kToneChannel);
    AppendBankPointer(image, data);
    data += static_cast<uint32_t>(sfx.channels[c].bytes.size());
  }
  for (uint32_t c = 0; c < sfx.channelCount; ++c) {
    const ByteBuffer& bytes = sfx.channels[c].bytes;
    image.insert(image.end(), bytes.begin(), bytes.end());
  }
}

}  // namespace

bool BuildSfxBinary(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& image) {
  const auto count = static_cast<uint32_t>(table.records.size());
  const uint64_t size = SfxBinarySize(table);
  diag.Print(Join({msg::kSfxCountPrefix, std::to_string(count), msg::kSfxCountSuffix}));
  diag.PrintSize(msg::kSfxSize, size);
  image.clear();
  if (!format::CheckOutputSize(diag, size) || !Reserve(diag, image, size)) return false;
  image.resize(format::kFileHeaderSize);
  format::PutFileHeader(image.data(), format::kSfxMark, count);
  auto at = static_cast<uint32_t>(format::HeaderSize(count, format::kPointerSize));
  for (const Instrument& sfx : table.records) {
    AppendBankPointer(image, at);
    at += static_cast<uint32_t>(SfxBlockSize(sfx));
  }
  for (const Instrument& sfx : table.records) AppendSfxBlock(image, static_cast<uint32_t>(image.size()), sfx);
  return true;
}

// Record i: the pointer to its note-off point, then its channel's bytes.
// An instrument without `noteoff` releases just past its own bytes. The
// block is appended to `block`; its pointers count from its own start.
bool BuildInstrumentTable(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& block,
                         uint32_t& count) {
  count = 0;
  const auto n = static_cast<uint32_t>(table.records.size());
  if (n == 0) {
    diag.Print(msg::kInstrumentTableEmpty);
    return true;
  }
  uint64_t size = kPointerSize * n + BytesPastLimit(table);
  for (const Instrument& instrument : table.records) {
    size += kPointerSize + instrument.channels[0].bytes.size();
  }
  diag.Print(Join({msg::kSfxCountPrefix, std::to_string(n), msg::kInstrumentCountSuffix}));
  diag.PrintSize(msg::kInstrumentTableSize, size);
  // A table that no binary could hold is refused before it is built.
  if (!format::CheckOutputSize(diag, size) || !Reserve(diag, block, size)) return false;
  auto record = static_cast<uint32_t>(kPointerSize * n);
  for (const Instrument& instrument : table.records) {
    AppendBankPointer(block, record);
    record += static_cast<uint32_t>(kPointerSize + instrument.channels[0].bytes.size());
  }
  uint32_t bytesBefore = 0;  // bytes of all earlier instruments
  for (uint32_t i = 0; i < n; ++i) {
    const Instrument& instrument = table.records[i];
    const ByteBuffer& bytes = instrument.channels[0].bytes;
    const auto length = static_cast<uint32_t>(bytes.size());
    const uint32_t noteOff = instrument.hasNoteOff ? instrument.noteOff : bytesBefore + length;
    AppendBankPointer(block, static_cast<uint32_t>(kPointerSize * (n + i + 1)) + noteOff);
    block.insert(block.end(), bytes.begin(), bytes.end());
    bytesBefore += length;
  }
  count = n;
  return true;
}

}  // namespace psgc

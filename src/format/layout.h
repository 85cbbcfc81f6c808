// The binary formats as data: the marks, the header layouts, the limits
// and the bank pointer that every format uses for positions. The compilers
// and packers lay their outputs out with these; the dump reads them back
// with them.
#pragma once

#include <array>
#include <cstdint>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"

namespace psgc::format {

// Every binary opens with a three-letter mark and a count byte.
inline constexpr uint32_t kMarkSize = 3;
inline constexpr uint32_t kFileHeaderSize = 4;
inline constexpr uint32_t kCountAt = 3;
inline constexpr uint32_t kMaxCount = 255;  // what the count byte holds
inline constexpr char kSfxMark[] = "SFX";
inline constexpr char kMusMark[] = "MUS";
inline constexpr char kTrkMark[] = "TRK";
inline constexpr char kPcmMark[] = "PCM";

// A position: 13 bits of offset inside an 8 KiB bank, 5 bits of bank within
// a group of 32, 8 bits of group.
inline constexpr uint32_t kPointerSize = 4;
inline constexpr uint32_t kBankSize = 8192;
inline constexpr uint32_t kBankShift = 13;

// Bank pointers hold offsets below 2^26, so no output may be larger.
inline constexpr uint64_t kMaxOutputSize = 67108863;

// SFX binary: one pointer per effect after the header; an effect is its
// priority and channel count, then one header per channel (noise flag,
// pointer to the channel's events).
inline constexpr uint32_t kEffectHeaderSize = 2;
inline constexpr uint32_t kChannelHeaderSize = 5;
inline constexpr uint32_t kMaxEffectChannels = 6;
inline constexpr uint8_t kNoiseChannel = 0xFF;
inline constexpr uint8_t kToneChannel = 0x00;

// MUS binary: instrument count, the table's pointer (or "NONE"), six
// channel entries ("C", pointer to the main block, priority), the blocks.
inline constexpr uint32_t kTablePointerAt = 4;
inline constexpr char kNoTable[] = "NONE";
inline constexpr uint32_t kChannelEntriesAt = 8;
inline constexpr uint32_t kMusChannels = 6;
inline constexpr uint32_t kChannelEntrySize = 6;
inline constexpr uint8_t kChannelEntryMark = 'C';
inline constexpr uint32_t kMusHeaderSize = kChannelEntriesAt + kMusChannels * kChannelEntrySize;
// Instrument table: one pointer per record; a record is the pointer to its
// note-off point, then its events. Both count from the table's first byte.
inline constexpr uint32_t kInstrumentRecordHeaderSize = 4;

// Track pack: one pointer per song after the header, then the songs.
inline constexpr uint32_t kTrkEntrySize = kPointerSize;

// PCM pack: one entry per stream ("X", pointer, 3-byte length), then the
// samples, which the console plays at 6992 a second.
inline constexpr uint32_t kPcmEntrySize = 8;
inline constexpr uint8_t kPcmEntryMark = 'X';
inline constexpr uint32_t kPcmLengthAt = 1 + kPointerSize;  // within an entry
inline constexpr uint32_t kMaxPcmLength = 8388608;
inline constexpr uint32_t kPcmSamplesPerSecond = 6992;

// The PSG's input clock in hertz, from which tone and noise periods count.
inline constexpr double kPsgClock = 3579545.0;

// The size of a header with `count` entries of `entrySize` bytes.
constexpr uint64_t HeaderSize(uint64_t count, uint32_t entrySize) {
  return kFileHeaderSize + uint64_t{entrySize} * count;
}

// Writes the mark and the count byte.
void PutFileHeader(uint8_t* at, const char* mark, uint32_t count);

// A position in 4 bytes: the offset inside an 8 KiB bank (little-endian,
// 13 bits), the bank within a group of 32 banks, and the group.
using BankPointer = std::array<uint8_t, kPointerSize>;
BankPointer EncodeBankPointer(uint32_t offset);
void PutBankPointer(uint8_t* at, uint32_t offset);
// Appends the pointer (room must be reserved).
inline void AppendBankPointer(ByteBuffer& bytes, uint32_t offset) {
  const BankPointer p = EncodeBankPointer(offset);
  bytes.insert(bytes.end(), p.begin(), p.end());
}
// Reads a bank pointer. False when the bytes are no pointer psgc writes:
// an in-bank offset or a bank number with any of its top three bits set.
bool DecodeBankPointer(const uint8_t* bytes, uint32_t& offset);

// The MUS header's instrument count and table pointer; without a table
// (count 0) the count is 0 and the pointer "NONE".
void PutMusTable(uint8_t* image, uint32_t count, uint32_t table);
// Channel entry `channel` of the MUS header.
void PutMusChannel(uint8_t* image, uint32_t channel, uint32_t mainBlock, uint8_t priority);

// A PCM pack entry, and its length read back.
void PutPcmEntry(uint8_t* entry, uint32_t offset, uint32_t length);
uint32_t PcmEntryLength(const uint8_t* entry);

// Reports "ERROR- Output too large" and returns false above the limit.
bool CheckOutputSize(Diagnostics& diag, uint64_t size);

}  // namespace psgc::format

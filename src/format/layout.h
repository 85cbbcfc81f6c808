// The binary formats as data: the marks, the header layouts and the bank
// pointer that every format uses for positions. The compilers and packers
// lay their outputs out with these; the dump reads them back with them.
#pragma once

#include <cstdint>

namespace psgc::format {

// Every binary opens with a three-letter mark and a count byte.
inline constexpr uint32_t kMarkSize = 3;
inline constexpr uint32_t kFileHeaderSize = 4;
inline constexpr uint32_t kCountAt = 3;
inline constexpr char kSfxMark[] = "SFX";
inline constexpr char kMusMark[] = "MUS";
inline constexpr char kTrkMark[] = "TRK";
inline constexpr char kPcmMark[] = "PCM";

// A position: 13 bits of offset inside an 8 KiB bank, 5 bits of bank within
// a group of 32, 8 bits of group.
inline constexpr uint32_t kPointerSize = 4;
inline constexpr uint32_t kBankSize = 8192;
inline constexpr uint32_t kBankShift = 13;

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

// PCM pack: one entry per stream ("X", pointer, 3-byte length).
inline constexpr uint32_t kPcmEntrySize = 8;
inline constexpr uint8_t kPcmEntryMark = 'X';
inline constexpr uint32_t kPcmLengthSize = 3;
inline constexpr uint32_t kPcmSamplesPerSecond = 6992;

// Reads a bank pointer. False when the bytes are no pointer psgc writes:
// an in-bank offset or a bank number with any of its top three bits set.
bool DecodeBankPointer(const uint8_t* bytes, uint32_t& offset);

}  // namespace psgc::format

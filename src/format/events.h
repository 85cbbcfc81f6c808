// The event bytes of both stream languages as tables: for every event its
// script command, its opcode and its operand kinds. The compilers emit the
// opcodes named here, the dump decodes with the tables, and EncodeEvent
// turns a decoded event back into its bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_buffer.h"

namespace psgc::format {

// Instrument and sound-effect channel streams.
inline constexpr uint8_t kInstrumentEnd = 0x00;
inline constexpr uint8_t kInstrumentWait = 0x01;  // one step of a duration
inline constexpr uint8_t kInstrumentLoop = 0x02;
inline constexpr uint8_t kInstrumentEndLoop = 0x03;
inline constexpr uint8_t kInstrumentWave = 0x04;
inline constexpr uint8_t kInstrumentSample = 0x05;
inline constexpr uint8_t kInstrumentNoise = 0x06;
inline constexpr uint8_t kInstrumentFrequency = 0x07;
inline constexpr uint8_t kInstrumentVolume = 0x08;

// Music block streams. `end` is 00 00, the bytes of `priority` 0.
inline constexpr uint8_t kMusicPriority = 0x00;
inline constexpr uint8_t kMusicPan = 0x01;
inline constexpr uint8_t kMusicWait = 0x02;  // one step of a duration
inline constexpr uint8_t kMusicLoop = 0x03;
inline constexpr uint8_t kMusicEndLoop = 0x04;
inline constexpr uint8_t kMusicCall = 0x05;  // then the target's bank pointer
inline constexpr uint8_t kMusicReturn = 0x06;
inline constexpr uint8_t kMusicBreak = 0x07;
inline constexpr uint8_t kMusicPitch = 0x08;
inline constexpr uint8_t kMusicNote = 0x09;     // notes and `sfx`; a duration follows
inline constexpr uint8_t kMusicNoteOff = 0x0A;  // `rest` or `end` after a note
inline constexpr uint8_t kMusicSample = 0x0B;

inline constexpr uint32_t kWaveSamples = 32;

enum class Operand : uint8_t {
  None,
  Zero,        // one byte that must be 0
  Byte,        // unsigned 8 bits
  SignedByte,  // two's complement 8 bits
  Word,        // unsigned 16 bits
  SignedWord,  // two's complement 16 bits
  Fixed8,      // 8-bit integer part, then the fraction byte
  Fixed16,     // 16-bit integer part, then the fraction byte
  Samples,     // the 32 sample bytes of a waveform
  Pointer,     // a bank pointer
  Duration,    // a run of wait steps: (wait opcode, 1..255) pairs
};

inline constexpr size_t kMaxOperands = 3;

struct EventRow {
  const char* name;  // the script command that writes the event
  uint8_t opcode;
  Operand operands[kMaxOperands];
  // Operands from this index on are optional in the script (0 when left out).
  uint8_t optionalFrom;
};

struct EventLanguage {
  const char* name;
  const EventRow* rows;
  size_t rowCount;
  uint8_t waitOpcode;  // the row with this opcode is a bare duration
};

extern const EventLanguage kInstrumentLanguage;
extern const EventLanguage kMusicLanguage;

// The values of one event's operands, in row order. A fixed-point operand
// keeps its fraction byte beside its integer part; a pointer holds the
// file offset; a duration its total; a waveform points at its 32 samples.
struct EventOperands {
  int64_t value[kMaxOperands] = {};
  uint8_t fraction[kMaxOperands] = {};
  const uint8_t* samples = nullptr;
};

// The size in bytes of an operand of fixed size (0 for a duration).
uint32_t OperandSize(Operand kind);
// Appends the event's bytes: its opcode (a bare duration has none of its
// own), then every operand.
void EncodeEvent(const EventLanguage& language, const EventRow& row, const EventOperands& operands,
                 ByteBuffer& out);

}  // namespace psgc::format

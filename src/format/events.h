// The event bytes of both stream languages as rows: for every event its
// script command, its opcode and its operand kinds. The compilers encode
// their events through these rows and the dump decodes with the same
// tables, so the two directions cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/bounded_output.h"
#include "common/diagnostics.h"
#include "format/layout.h"

namespace psgc::format {

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
  Duration,    // a run of wait pairs
};

inline constexpr size_t kMaxOperands = 3;
inline constexpr uint32_t kWaveSamples = 32;

struct EventRow {
  const char* name;  // the script command that writes the event
  uint8_t opcode;
  Operand operands[kMaxOperands];
  // Operands from this index on are optional in the script (0 when left out).
  uint8_t optionalFrom;
};

using O = Operand;

// Instrument and sound-effect channel streams.
namespace instrument {
inline constexpr EventRow kEnd{"end", 0x00, {}, 0};
inline constexpr EventRow kWait{"wait", 0x01, {O::Duration}, 1};
inline constexpr EventRow kLoop{"loop", 0x02, {O::SignedByte}, 1};
inline constexpr EventRow kEndLoop{"endloop", 0x03, {}, 0};
inline constexpr EventRow kWave{"wave", 0x04, {O::Samples}, 1};
inline constexpr EventRow kSample{"sample", 0x05, {O::Byte}, 1};
inline constexpr EventRow kNoise{"noise", 0x06, {}, 0};
inline constexpr EventRow kFrequency{"frequency", 0x07, {O::Word, O::Fixed16}, 1};
inline constexpr EventRow kVolume{"volume", 0x08, {O::Byte, O::Fixed8}, 1};
}  // namespace instrument

// Music block streams. `end` is 00 00, the bytes of `priority` 0.
namespace music {
inline constexpr EventRow kEnd{"end", 0x00, {O::Zero}, 0};
inline constexpr EventRow kPriority{"priority", 0x00, {O::Byte}, 1};
inline constexpr EventRow kPan{"pan", 0x01, {O::Byte}, 1};
inline constexpr EventRow kWait{"wait", 0x02, {O::Duration}, 1};
inline constexpr EventRow kLoop{"loop", 0x03, {O::SignedByte}, 1};
inline constexpr EventRow kEndLoop{"endloop", 0x04, {}, 0};
inline constexpr EventRow kCall{"call", 0x05, {O::Pointer}, 1};
inline constexpr EventRow kReturn{"return", 0x06, {}, 0};
inline constexpr EventRow kBreak{"break", 0x07, {}, 0};
inline constexpr EventRow kPitch{"pitch", 0x08, {O::SignedWord, O::Fixed16}, 1};
// Notes and `sfx`: instrument index and period, then the duration.
inline constexpr EventRow kNote{"note", 0x09, {O::Byte, O::Word, O::Duration}, 3};
// The note-off of `rest` or `end` after a note; a wait may follow.
inline constexpr EventRow kRest{"rest", 0x0A, {O::Duration}, 1};
inline constexpr EventRow kSample{"sample", 0x0B, {O::Byte}, 1};
}  // namespace music

struct EventLanguage {
  const char* name;
  const EventRow* rows;  // searched in order by the decoder
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

// A duration is a run of wait pairs (wait opcode, n): n is 255 while more
// than 255 remain, then the rest; nothing at all for 0.
inline constexpr uint32_t kMaxWaitStep = 255;
constexpr uint64_t WaitPairsSize(uint32_t duration) {
  return 2 * ((uint64_t{duration} + kMaxWaitStep - 1) / kMaxWaitStep);
}
// Appends the pairs of any duration to a bounded output (see BoundedOutput).
bool AppendWait(Diagnostics& diag, const BoundedOutput& out, uint8_t waitOpcode, uint32_t duration);

// The longest event before its duration: a waveform.
inline constexpr size_t kMaxEventSize = 1 + kWaveSamples;

// The encoder is inline: every handler passes a constant row, so each call
// folds into the few stores of its own event (one call per script line).
namespace encoding {
inline uint8_t* Put16(uint8_t* out, int64_t value) {
  out[0] = static_cast<uint8_t>(value & 0xFF);
  out[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
  return out + 2;
}
// The pairs of a duration of at most one step (room for 2); their count.
inline size_t PutShortWait(uint8_t* out, uint8_t waitOpcode, uint32_t duration) {
  if (duration == 0) return 0;
  out[0] = waitOpcode;
  out[1] = static_cast<uint8_t>(duration);
  return 2;
}
}  // namespace encoding

// Writes the event's bytes before its duration into `out` (room for
// kMaxEventSize): its opcode (a bare duration has none of its own), then
// every operand up to a duration. Returns their count; a duration follows
// as wait pairs (AppendWait).
[[gnu::always_inline]] inline size_t EncodeEvent(const EventLanguage& language, const EventRow& row,
                          const EventOperands& operands, uint8_t* out) {
  uint8_t* p = out;
  if (row.opcode != language.waitOpcode) *p++ = row.opcode;
  // Writes operand i; false where the operands end. Called with constant
  // indices rather than in a loop, so that a constant row folds to its own
  // few stores.
  const auto put = [&](size_t i) __attribute__((always_inline)) {
    const int64_t value = operands.value[i];
    switch (row.operands[i]) {
      case O::Zero:
      case O::Byte:
      case O::SignedByte: *p++ = static_cast<uint8_t>(value & 0xFF); return true;
      case O::Word:
      case O::SignedWord: p = encoding::Put16(p, value); return true;
      case O::Fixed8:
        *p++ = static_cast<uint8_t>(value & 0xFF);
        *p++ = operands.fraction[i];
        return true;
      case O::Fixed16:
        p = encoding::Put16(p, value);
        *p++ = operands.fraction[i];
        return true;
      case O::Samples:
        // A waveform is its event's only operand: the room for an event
        // holds the opcode and one waveform.
        if (i != 0) return false;
        for (uint32_t s = 0; s < kWaveSamples; ++s) *p++ = operands.samples[s];
        return true;
      case O::Pointer:
        PutBankPointer(p, static_cast<uint32_t>(value));
        p += kPointerSize;
        return true;
      case O::Duration:
      case O::None: return false;
    }
    return false;
  };
  static_assert(kMaxOperands == 3, "one put per operand");
  if (put(0) && put(1)) put(2);
  return static_cast<size_t>(p - out);
}

// Appends an event through its row to a bounded output: its bytes, then
// the wait pairs of its duration, if it has one. This is how both
// compilers write every event.
[[gnu::always_inline]] inline bool AppendEvent(Diagnostics& diag, const BoundedOutput& out, const EventLanguage& language,
                        const EventRow& row, const EventOperands& operands) {
  uint64_t duration = 0;
  if (row.operands[0] == O::Duration) duration = static_cast<uint64_t>(operands.value[0]);
  if (row.operands[1] == O::Duration) duration = static_cast<uint64_t>(operands.value[1]);
  if (row.operands[2] == O::Duration) duration = static_cast<uint64_t>(operands.value[2]);
  uint8_t bytes[kMaxEventSize + 2];
  size_t size = EncodeEvent(language, row, operands, bytes);
  // Most events are short and most durations one pair: one append.
  if (duration <= kMaxWaitStep) {
    size += encoding::PutShortWait(bytes + size, language.waitOpcode, static_cast<uint32_t>(duration));
    return AppendBounded(diag, out, bytes, size);
  }
  return AppendBounded(diag, out, bytes, size) &&
         AppendWait(diag, out, language.waitOpcode, static_cast<uint32_t>(duration));
}

}  // namespace psgc::format

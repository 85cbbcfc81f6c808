// The event tables of the two stream languages, the encoder over them and
// the wait pairs of a duration.
#include "format/events.h"

#include "format/layout.h"

namespace psgc::format {
namespace {

// Searched in order by the decoder: `end` comes before `priority`, so 00 00
// reads as `end`.
constexpr EventRow kInstrumentRows[] = {
    instrument::kEnd,    instrument::kWait,  instrument::kLoop,      instrument::kEndLoop, instrument::kWave,
    instrument::kSample, instrument::kNoise, instrument::kFrequency, instrument::kVolume,
};

constexpr EventRow kMusicRows[] = {
    music::kEnd,    music::kPriority, music::kPan,   music::kWait, music::kLoop,
    music::kEndLoop, music::kCall,    music::kReturn, music::kBreak, music::kPitch,
    music::kNote,   music::kRest,     music::kSample,
};

uint8_t* Put16(uint8_t* out, int64_t value) {
  out[0] = static_cast<uint8_t>(value & 0xFF);
  out[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
  return out + 2;
}

// Writes the pairs of a duration of at most one step into `out` (room for
// 2); returns their count.
size_t PutShortWait(uint8_t* out, uint8_t waitOpcode, uint32_t duration) {
  if (duration == 0) return 0;
  out[0] = waitOpcode;
  out[1] = static_cast<uint8_t>(duration);
  return 2;
}

}  // namespace

const EventLanguage kInstrumentLanguage = {"instrument", kInstrumentRows,
                                           sizeof kInstrumentRows / sizeof kInstrumentRows[0],
                                           instrument::kWait.opcode};
const EventLanguage kMusicLanguage = {"music", kMusicRows, sizeof kMusicRows / sizeof kMusicRows[0],
                                      music::kWait.opcode};

uint32_t OperandSize(Operand kind) {
  switch (kind) {
    case O::Zero:
    case O::Byte:
    case O::SignedByte: return 1;
    case O::Word:
    case O::SignedWord:
    case O::Fixed8: return 2;
    case O::Fixed16: return 3;
    case O::Samples: return kWaveSamples;
    case O::Pointer: return kPointerSize;
    case O::None:
    case O::Duration: return 0;
  }
  return 0;
}

size_t EncodeEvent(const EventLanguage& language, const EventRow& row, const EventOperands& operands,
                   uint8_t* out) {
  uint8_t* p = out;
  if (row.opcode != language.waitOpcode) *p++ = row.opcode;
  for (size_t i = 0; i < kMaxOperands && row.operands[i] != O::None; ++i) {
    const int64_t value = operands.value[i];
    switch (row.operands[i]) {
      case O::Zero:
      case O::Byte:
      case O::SignedByte: *p++ = static_cast<uint8_t>(value & 0xFF); break;
      case O::Word:
      case O::SignedWord: p = Put16(p, value); break;
      case O::Fixed8:
        *p++ = static_cast<uint8_t>(value & 0xFF);
        *p++ = operands.fraction[i];
        break;
      case O::Fixed16:
        p = Put16(p, value);
        *p++ = operands.fraction[i];
        break;
      case O::Samples:
        for (uint32_t s = 0; s < kWaveSamples; ++s) *p++ = operands.samples[s];
        break;
      case O::Pointer:
        PutBankPointer(p, static_cast<uint32_t>(value));
        p += kPointerSize;
        break;
      case O::Duration: return static_cast<size_t>(p - out);
      case O::None: break;
    }
  }
  return static_cast<size_t>(p - out);
}

// The pairs are laid down at once: a long wait is millions of bytes.
bool AppendWait(Diagnostics& diag, const BoundedOutput& out, uint8_t waitOpcode, uint32_t duration) {
  if (duration <= kMaxWaitStep) {
    uint8_t pair[2];
    return AppendBounded(diag, out, pair, PutShortWait(pair, waitOpcode, duration));
  }
  const uint64_t size = WaitPairsSize(duration);
  const uint64_t kept = KeptBelow(out, size);
  if (kept > 0) {
    if (!GrowArray(diag, out.bytes, out.bytes.size() + kept)) return false;
    const uint64_t lastPair = size - 2;
    const auto rest = static_cast<uint8_t>(duration - kMaxWaitStep * (lastPair / 2));
    const size_t start = out.bytes.size();
    out.bytes.resize(start + kept, kMaxWaitStep);
    for (uint64_t i = 0; i < kept; i += 2) out.bytes[start + i] = waitOpcode;
    if (kept > lastPair + 1) out.bytes[start + lastPair + 1] = rest;
  }
  out.offset += size;
  return true;
}

bool AppendEvent(Diagnostics& diag, const BoundedOutput& out, const EventLanguage& language,
                 const EventRow& row, const EventOperands& operands) {
  uint64_t duration = 0;
  for (size_t i = 0; i < kMaxOperands; ++i) {
    if (row.operands[i] == O::Duration) duration = static_cast<uint64_t>(operands.value[i]);
  }
  uint8_t bytes[kMaxEventSize + 2];
  size_t size = EncodeEvent(language, row, operands, bytes);
  // Most events are short and most durations one pair: one append.
  if (duration <= kMaxWaitStep) {
    size += PutShortWait(bytes + size, language.waitOpcode, static_cast<uint32_t>(duration));
    return AppendBounded(diag, out, bytes, size);
  }
  return AppendBounded(diag, out, bytes, size) &&
         AppendWait(diag, out, language.waitOpcode, static_cast<uint32_t>(duration));
}

}  // namespace psgc::format

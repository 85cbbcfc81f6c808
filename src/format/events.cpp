// The event tables of the two stream languages, their operand sizes and
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

// The pairs are laid down at once: a long wait is millions of bytes.
bool AppendWait(Diagnostics& diag, const BoundedOutput& out, uint8_t waitOpcode, uint32_t duration) {
  if (duration <= kMaxWaitStep) {
    uint8_t pair[2];
    return AppendBounded(diag, out, pair, encoding::PutShortWait(pair, waitOpcode, duration));
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

}  // namespace psgc::format

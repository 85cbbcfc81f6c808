// The event tables of the two stream languages and the encoder over them.
#include "format/events.h"

namespace psgc::format {
namespace {

using O = Operand;

// Searched in order by the decoder: `end` comes before `priority`, so 00 00
// reads as `end`.
constexpr EventRow kInstrumentRows[] = {
    {"end", kInstrumentEnd, {}, 0},
    {"wait", kInstrumentWait, {O::Duration}, 1},
    {"loop", kInstrumentLoop, {O::SignedByte}, 1},
    {"endloop", kInstrumentEndLoop, {}, 0},
    {"wave", kInstrumentWave, {O::Samples}, 1},
    {"sample", kInstrumentSample, {O::Byte}, 1},
    {"noise", kInstrumentNoise, {}, 0},
    {"frequency", kInstrumentFrequency, {O::Word, O::Fixed16}, 1},
    {"volume", kInstrumentVolume, {O::Byte, O::Fixed8}, 1},
};

constexpr EventRow kMusicRows[] = {
    {"end", kMusicPriority, {O::Zero}, 0},
    {"priority", kMusicPriority, {O::Byte}, 1},
    {"pan", kMusicPan, {O::Byte}, 1},
    {"wait", kMusicWait, {O::Duration}, 1},
    {"loop", kMusicLoop, {O::SignedByte}, 1},
    {"endloop", kMusicEndLoop, {}, 0},
    {"call", kMusicCall, {O::Pointer}, 1},
    {"return", kMusicReturn, {}, 0},
    {"break", kMusicBreak, {}, 0},
    {"pitch", kMusicPitch, {O::SignedWord, O::Fixed16}, 1},
    {"note", kMusicNote, {O::Byte, O::Word, O::Duration}, 3},
    {"rest", kMusicNoteOff, {O::Duration}, 1},
    {"sample", kMusicSample, {O::Byte}, 1},
};

void Put16(ByteBuffer& out, int64_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// Pairs (wait opcode, 255) while more than 255 remain, then the rest;
// nothing for 0.
void PutDuration(ByteBuffer& out, uint8_t waitOpcode, int64_t total) {
  for (int64_t left = total; left > 0; left -= 255) {
    out.push_back(waitOpcode);
    out.push_back(static_cast<uint8_t>(left > 255 ? 255 : left));
  }
}

}  // namespace

const EventLanguage kInstrumentLanguage = {"instrument", kInstrumentRows,
                                           sizeof kInstrumentRows / sizeof kInstrumentRows[0],
                                           kInstrumentWait};
const EventLanguage kMusicLanguage = {"music", kMusicRows, sizeof kMusicRows / sizeof kMusicRows[0],
                                      kMusicWait};

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
    case O::Pointer: return 4;
    case O::None:
    case O::Duration: return 0;
  }
  return 0;
}

void EncodeEvent(const EventLanguage& language, const EventRow& row, const EventOperands& operands,
                 ByteBuffer& out) {
  if (row.opcode != language.waitOpcode) out.push_back(row.opcode);
  for (size_t i = 0; i < kMaxOperands && row.operands[i] != O::None; ++i) {
    const int64_t value = operands.value[i];
    switch (row.operands[i]) {
      case O::Zero:
      case O::Byte:
      case O::SignedByte: out.push_back(static_cast<uint8_t>(value & 0xFF)); break;
      case O::Word:
      case O::SignedWord: Put16(out, value); break;
      case O::Fixed8:
        out.push_back(static_cast<uint8_t>(value & 0xFF));
        out.push_back(operands.fraction[i]);
        break;
      case O::Fixed16:
        Put16(out, value);
        out.push_back(operands.fraction[i]);
        break;
      case O::Samples: out.insert(out.end(), operands.samples, operands.samples + kWaveSamples); break;
      case O::Pointer: {
        const BankPointer p = EncodeBankPointer(static_cast<uint32_t>(value));
        out.insert(out.end(), p.begin(), p.end());
        break;
      }
      case O::Duration: PutDuration(out, language.waitOpcode, value); break;
      case O::None: break;
    }
  }
}

}  // namespace psgc::format

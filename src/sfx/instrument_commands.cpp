// The twelve commands of instrument and sound-effect scripts: their
// operands, their checks and the event bytes they add to a channel.
#include "sfx/instrument_commands.h"

#include <cmath>
#include <string_view>

#include "common/messages.h"
#include "common/numeric.h"
#include "common/operands.h"
#include "format/events.h"

namespace psgc {
namespace {

// Every event is written through its row of the event tables that the
// dump decodes with.
namespace event = format::instrument;

constexpr uint32_t kMaxWaveSample = 32;  // 0 to 32 inclusive: 33 values

// The channel's bytes are kept below the output limit and counted past it;
// the script's instrumentOffset counts every byte of every channel.
BoundedOutput ChannelOutput(InstrumentScript& script) {
  return {script.channel().bytes, script.table.instrumentOffset, format::kMaxOutputSize};
}

// Inlined into each handler, whose constant row folds the encoder away.
[[gnu::always_inline]] inline HandlerStatus Emit(InstrumentScript& script, const format::EventRow& row,
                                                 const format::EventOperands& operands = {}) {
  return format::AppendEvent(script.diag, ChannelOutput(script), format::kInstrumentLanguage, row, operands)
             ? HandlerStatus::Done
             : HandlerStatus::Reported;
}

HandlerStatus OutOfRange(InstrumentScript& script, std::string_view token, std::string_view allowed) {
  script.diag.Error(msg::kValueOutOfRange, Detail().Value(token).Value(allowed).At(script.at()).Token(token));
  return HandlerStatus::Malformed;
}

// A fixed-point operand's integer field and fraction byte.
struct Fixed8 {
  uint16_t integer = 0;
  uint8_t fraction = 0;
};

Fixed8 SplitFixed(uint32_t raw) {
  return {static_cast<uint16_t>(raw >> 16), static_cast<uint8_t>(raw & 0xFF)};
}

HandlerStatus Wave(InstrumentScript& script, LineTokens& tokens) {
  uint8_t samples[format::kWaveSamples];
  for (uint32_t n = 0; n < format::kWaveSamples; ++n) {
    const std::string_view token = tokens.Next();
    if (token.empty()) {
      script.diag.ErrorTokenAt(msg::kWaveformShort, std::to_string(n), script.at());
      return HandlerStatus::Malformed;
    }
    uint32_t raw = 0;
    if (!ReadFixed8(script.diag, token, raw, script.at())) return HandlerStatus::Malformed;
    const Fixed8 sample = SplitFixed(raw);
    if (sample.fraction != 0 || sample.integer > kMaxWaveSample) {
      return OutOfRange(script, token, "a wave sample is a whole number from 0 to 32");
    }
    samples[n] = static_cast<uint8_t>(sample.integer);
  }
  format::EventOperands operands;
  operands.samples = samples;
  return Emit(script, event::kWave, operands);
}

HandlerStatus Noise(InstrumentScript& script, LineTokens&) {
  script.channel().noise = true;
  return Emit(script, event::kNoise);
}

// `sample`, `loop` and `wait` (a duration, which takes a wait pair per
// 255): one whole number.
template <const format::EventRow& kRow, int32_t kLowest, int32_t kHighest>
HandlerStatus IntegerEvent(InstrumentScript& script, LineTokens& tokens) {
  int32_t value = 0;
  const HandlerStatus status = ReadIntegerIn(script.diag, tokens, kLowest, kHighest, value, script.at());
  if (status != HandlerStatus::Done) return status;
  return Emit(script, kRow, {{value}});
}

// `frequency` and `volume`: A's integer part, B's integer part and fraction
// byte (of the integer parts, `volume` keeps only the low bytes).
template <const format::EventRow& kRow>
HandlerStatus FixedPairEvent(InstrumentScript& script, LineTokens& tokens) {
  uint32_t rawA = 0;
  uint32_t rawB = 0;
  if (!ReadFixedPair(script.diag, tokens, rawA, rawB, script.at())) return HandlerStatus::Malformed;
  const Fixed8 a = SplitFixed(rawA);
  const Fixed8 b = SplitFixed(rawB);
  return Emit(script, kRow, {{a.integer, b.integer}, {0, b.fraction}});
}

template <const format::EventRow& kRow>
HandlerStatus BareEvent(InstrumentScript& script, LineTokens&) {
  return Emit(script, kRow);
}

// The range is checked before the kind of script. An infinite or undefined
// tuning would make every period of the instrument meaningless.
HandlerStatus Tuning(InstrumentScript& script, LineTokens& tokens) {
  const std::string_view token = tokens.Next();
  double value = 0.0;
  size_t used = 0;
  if (token.empty() || !ScanReal(token, value, &used)) return HandlerStatus::Malformed;
  WarnIgnoredCharacters(script.diag, token, used, script.at());
  if (!(value >= 0.0) || !std::isfinite(value)) return OutOfRange(script, token, "a tuning is a number, 0 or more");
  if (script.sfxMode) {
    script.diag.ErrorTokenAt(msg::kTuningOnSfx, script.record.name, script.at());
    return HandlerStatus::Malformed;
  }
  script.record.tuning = value;
  return HandlerStatus::Done;
}

// The note-off point is the position of the next byte within the bytes of
// all instruments of the script, which the instrument table lays out in
// definition order.
HandlerStatus NoteOff(InstrumentScript& script, LineTokens&) {
  if (script.sfxMode) {
    script.diag.ErrorTokenAt(msg::kNoteOffOnSfx, script.record.name, script.at());
    return HandlerStatus::Malformed;
  }
  script.record.noteOff = static_cast<uint32_t>(script.table.instrumentOffset);
  script.record.hasNoteOff = true;
  return HandlerStatus::Done;
}

using Row = CommandRow<InstrumentScript>;
using R = CommandRole;
// The last six are flow commands, allowed only inside a channel body.
constexpr Row kInstrumentRows[] = {
    {"wave", "wv", Wave},
    {"noise", "no", Noise},
    {"sample", "s", IntegerEvent<event::kSample, 0, 255>},
    {"frequency", "f", FixedPairEvent<event::kFrequency>},
    {"volume", "v", FixedPairEvent<event::kVolume>},
    {"tuning", "t", Tuning},
    {"loop", "l", IntegerEvent<event::kLoop, -128, 127>, R::Loop, true},
    {"endloop", "el", BareEvent<event::kEndLoop>, R::EndLoop, true},
    {"wait", "w", IntegerEvent<event::kWait, 0, INT32_MAX>, R::Other, true},
    {"rest", "r", IntegerEvent<event::kWait, 0, INT32_MAX>, R::Other, true},
    {"noteoff", "n", NoteOff, R::Other, true},
    {"end", "e", BareEvent<event::kEnd>, R::End, true},
};
constexpr CommandTable kInstrumentCommands(kInstrumentRows);

}  // namespace

const CommandRow<InstrumentScript>* FindInstrumentCommand(std::string_view token) {
  return kInstrumentCommands.Find(token);
}

std::vector<std::string_view> InstrumentCommandNames() {
  std::vector<std::string_view> names;
  for (const Row& row : kInstrumentRows) names.push_back(row.longName);
  for (const Row& row : kInstrumentRows) names.push_back(row.shortName);
  return names;
}

}  // namespace psgc

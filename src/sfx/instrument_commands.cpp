// The twelve commands of instrument and sound-effect scripts: their
// operands, their checks and the event bytes they add to a channel.
#include <cmath>
#include <string_view>

#include "common/messages.h"
#include "common/numeric.h"
#include "sfx/instrument_script.h"

namespace psgc {
namespace {

// Event codes of a channel stream, as the sound driver reads them.
constexpr uint8_t kEventEnd = 0x00;
constexpr uint8_t kEventWait = 0x01;
constexpr uint8_t kEventLoop = 0x02;
constexpr uint8_t kEventEndLoop = 0x03;
constexpr uint8_t kEventWave = 0x04;
constexpr uint8_t kEventSample = 0x05;
constexpr uint8_t kEventNoise = 0x06;
constexpr uint8_t kEventFrequency = 0x07;
constexpr uint8_t kEventVolume = 0x08;

constexpr uint32_t kWaveSamples = 32;
constexpr uint32_t kMaxWaveSample = 32;  // 0 to 32 inclusive: 33 values

// Emits each byte in turn. After a failed byte (reported once, where it
// failed) the rest of the event is dropped and the handler still consumes
// its line.
class Emitter {
 public:
  Emitter(InstrumentScript& script, InstrumentChannel& channel)
      : script_(script), channel_(channel) {}
  void operator()(uint8_t byte) {
    if (!failed_ && EmitChannelByte(script_, channel_, byte) != 0) failed_ = true;
  }
  CommandStatus status() const { return failed_ ? CommandStatus::Reported : CommandStatus::Done; }

 private:
  InstrumentScript& script_;
  InstrumentChannel& channel_;
  bool failed_ = false;
};

CommandStatus OutOfRange(InstrumentScript& script) {
  script.diag.Error(msg::kValueOutOfRange);
  return CommandStatus::Malformed;
}

// A whole-number operand; a missing one is malformed without a message.
bool ReadInteger(InstrumentScript& script, LineTokens& tokens, int32_t& value) {
  const std::string_view token = tokens.Next();
  return !token.empty() && ParseInteger(script.diag, token, value) == 0;
}

// Fixed-point operand parts: integer field and fraction byte.
struct Fixed8 {
  uint16_t integer = 0;
  uint8_t fraction = 0;
};

bool ReadFixed(InstrumentScript& script, std::string_view token, Fixed8& value) {
  uint32_t raw = 0;
  if (ParseFixedPoint8(script.diag, raw, token) != 0) return false;
  value.integer = static_cast<uint16_t>(raw >> 16);
  value.fraction = static_cast<uint8_t>(raw & 0xFF);
  return true;
}

// The first operand, then an optional second one that defaults to 0.
bool ReadFixedPair(InstrumentScript& script, LineTokens& tokens, Fixed8& a, Fixed8& b) {
  const std::string_view first = tokens.Next();
  const std::string_view second = tokens.Next();
  if (first.empty() || !ReadFixed(script, first, a)) return false;
  return second.empty() || ReadFixed(script, second, b);
}

CommandStatus Wave(InstrumentScript& script, InstrumentChannel& channel, LineTokens& tokens) {
  Emitter emit(script, channel);
  emit(kEventWave);
  for (uint32_t n = 0; n < kWaveSamples; ++n) {
    const std::string_view token = tokens.Next();
    if (token.empty()) {
      script.diag.ErrorWaveform(n, script.at());
      return CommandStatus::Malformed;
    }
    Fixed8 sample;
    if (!ReadFixed(script, token, sample)) return CommandStatus::Malformed;
    if (sample.fraction != 0 || sample.integer > kMaxWaveSample) return OutOfRange(script);
    emit(static_cast<uint8_t>(sample.integer));
  }
  return emit.status();
}

CommandStatus Noise(InstrumentScript& script, InstrumentChannel& channel, LineTokens&) {
  channel.noise = true;
  Emitter emit(script, channel);
  emit(kEventNoise);
  return emit.status();
}

CommandStatus Sample(InstrumentScript& script, InstrumentChannel& channel, LineTokens& tokens) {
  int32_t value = 0;
  if (!ReadInteger(script, tokens, value)) return CommandStatus::Malformed;
  if (value < 0 || value > 255) return OutOfRange(script);
  Emitter emit(script, channel);
  emit(kEventSample);
  emit(static_cast<uint8_t>(value));
  return emit.status();
}

// A: 16-bit integer part; B: 16-bit integer part and its fraction byte.
CommandStatus Frequency(InstrumentScript& script, InstrumentChannel& channel, LineTokens& tokens) {
  Fixed8 a;
  Fixed8 b;
  if (!ReadFixedPair(script, tokens, a, b)) return CommandStatus::Malformed;
  Emitter emit(script, channel);
  emit(kEventFrequency);
  emit(static_cast<uint8_t>(a.integer & 0xFF));
  emit(static_cast<uint8_t>(a.integer >> 8));
  emit(static_cast<uint8_t>(b.integer & 0xFF));
  emit(static_cast<uint8_t>(b.integer >> 8));
  emit(b.fraction);
  return emit.status();
}

// As frequency, with only the low bytes of both integer parts.
CommandStatus Volume(InstrumentScript& script, InstrumentChannel& channel, LineTokens& tokens) {
  Fixed8 a;
  Fixed8 b;
  if (!ReadFixedPair(script, tokens, a, b)) return CommandStatus::Malformed;
  Emitter emit(script, channel);
  emit(kEventVolume);
  emit(static_cast<uint8_t>(a.integer & 0xFF));
  emit(static_cast<uint8_t>(b.integer & 0xFF));
  emit(b.fraction);
  return emit.status();
}

// The range is checked before the kind of script. An infinite or undefined
// tuning would make every period of the instrument meaningless.
CommandStatus Tuning(InstrumentScript& script, InstrumentChannel&, LineTokens& tokens) {
  const std::string_view token = tokens.Next();
  double value = 0.0;
  if (token.empty() || !ScanReal(token, value)) return CommandStatus::Malformed;
  if (!(value >= 0.0) || !std::isfinite(value)) return OutOfRange(script);
  if (!script.record.isInstrument) {
    script.diag.ErrorTokenAt(msg::kTuningOnSfx, script.record.name, script.at());
    return CommandStatus::Malformed;
  }
  script.record.tuning = value;
  return CommandStatus::Done;
}

CommandStatus Loop(InstrumentScript& script, InstrumentChannel& channel, LineTokens& tokens) {
  int32_t value = 0;
  if (!ReadInteger(script, tokens, value)) return CommandStatus::Malformed;
  if (value < -128 || value > 127) return OutOfRange(script);
  Emitter emit(script, channel);
  emit(kEventLoop);
  emit(static_cast<uint8_t>(value & 0xFF));
  return emit.status();
}

CommandStatus EndLoop(InstrumentScript& script, InstrumentChannel& channel, LineTokens&) {
  Emitter emit(script, channel);
  emit(kEventEndLoop);
  return emit.status();
}

// A wait event holds a duration of 1 to 255; longer ones take several.
CommandStatus Wait(InstrumentScript& script, InstrumentChannel& channel, LineTokens& tokens) {
  int32_t duration = 0;
  if (!ReadInteger(script, tokens, duration)) return CommandStatus::Malformed;
  if (duration < 0) return OutOfRange(script);
  return EmitChannelWait(script, channel, kEventWait, static_cast<uint32_t>(duration)) == 0
             ? CommandStatus::Done
             : CommandStatus::Reported;
}

// The note-off point is the position of the next byte within the bytes of
// all instruments of the script, which the instrument table lays out in
// definition order.
CommandStatus NoteOff(InstrumentScript& script, InstrumentChannel&, LineTokens&) {
  if (!script.record.isInstrument) {
    script.diag.ErrorTokenAt(msg::kNoteOffOnSfx, script.record.name, script.at());
    return CommandStatus::Malformed;
  }
  script.record.noteOff = static_cast<uint32_t>(script.table.instrumentOffset);
  script.record.hasNoteOff = true;
  return CommandStatus::Done;
}

CommandStatus End(InstrumentScript& script, InstrumentChannel& channel, LineTokens&) {
  Emitter emit(script, channel);
  emit(kEventEnd);
  return emit.status();
}

constexpr InstrumentCommandRow kInstrumentCommandTable[] = {
    {"wave", "wv", false, Wave},
    {"noise", "no", false, Noise},
    {"sample", "s", false, Sample},
    {"frequency", "f", false, Frequency},
    {"volume", "v", false, Volume},
    {"tuning", "t", false, Tuning},
    {"loop", "l", true, Loop},
    {"endloop", "el", true, EndLoop},
    {"wait", "w", true, Wait},
    {"rest", "r", true, Wait},
    {"noteoff", "n", true, NoteOff},
    {"end", "e", true, End},
};

}  // namespace

const InstrumentCommandRow* FindInstrumentCommand(std::string_view token) {
  for (const InstrumentCommandRow& row : kInstrumentCommandTable) {
    if (token == row.longName || token == row.shortName) return &row;
  }
  return nullptr;
}

}  // namespace psgc

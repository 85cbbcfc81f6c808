// The music commands of a block body: their operands, checks and the
// events they add to the song's byte stream.
#include "music/music_commands.h"

#include <string>
#include <vector>

#include "common/hints.h"
#include "common/messages.h"
#include "common/numeric.h"
#include "common/operands.h"
#include "format/events.h"
#include "music/notes.h"

namespace psgc {
namespace {

// Every event is written through its row of the event tables that the
// dump decodes with.
namespace event = format::music;

// Noise instruments play only on the last two PSG channels.
constexpr uint32_t kFirstNoiseChannel = 4;

// Inlined into each handler, whose constant row folds the encoder away.
[[gnu::always_inline]] inline HandlerStatus Emit(MusicScript& script, const format::EventRow& row,
                                                 const format::EventOperands& operands = {}) {
  return EmitMusic(script.song, script.diag, row, operands) ? HandlerStatus::Done : HandlerStatus::Reported;
}

// Notes and `sfx` play the block's instrument, which `using` selects.
bool RequireInstrument(MusicScript& script) {
  if (script.channel.instrumentSet) return true;
  script.diag.Error(msg::kInstrumentNotSet, Detail().At(script.at()));
  return false;
}

// A duration: a whole number of ticks, 0 or more.
HandlerStatus ReadDuration(MusicScript& script, LineTokens& tokens, uint32_t& duration) {
  int32_t value = 0;
  const HandlerStatus status = ReadIntegerIn(script.diag, tokens, 0, INT32_MAX, value, script.at());
  duration = static_cast<uint32_t>(value);
  return status;
}

// The note event (instrument index and period), then the duration's
// wait: what a note line and `sfx` play.
HandlerStatus PlayNote(MusicScript& script, uint16_t period, uint32_t duration) {
  return Emit(script, event::kNote, {{script.channel.instrument, period, duration}});
}

// A note whose exact period lies outside the channel's register sounds at
// the clamped one, not as written.
void WarnAboutClampedNote(MusicScript& script, std::string_view note, uint16_t period) {
  std::string what(note);
  what += " plays period ";
  what += std::to_string(period);
  script.diag.WarnAt(Warning::Range, msg::kWarnNoteOutOfRange, what, script.at(),
                     Detail().Value(note).Value(period).Token(note));
}

// Releases a sounding note before a rest or the end.
HandlerStatus ReleaseNote(MusicScript& script) {
  if (!script.channel.noteSounding) return HandlerStatus::Done;
  script.channel.noteSounding = false;
  return Emit(script, event::kRest);
}

HandlerStatus HandleUsing(MusicScript& script, LineTokens& tokens) {
  const std::string_view name = tokens.Next();
  if (name.empty()) return HandlerStatus::Malformed;
  const int index = FindInstrument(script.instruments, name);
  if (index < 0) {
    std::vector<std::string_view> known;
    for (const Instrument& record : script.instruments.records) known.push_back(record.name);
    script.diag.ErrorWith(msg::kInstrumentNotFound, name,
                          Detail().At(script.at()).Token(name).Hint(NearestName(name, known)));
    return HandlerStatus::Reported;
  }
  ChannelState& channel = script.channel;
  channel.instrument = static_cast<uint32_t>(index);
  const Instrument& record = script.instruments.records[channel.instrument];
  const bool noise = record.channels[0].noise;
  if (noise && channel.channel < kFirstNoiseChannel) {
    script.diag.ErrorNoiseChannel(name, channel.channel, script.at(), name);
    return HandlerStatus::Malformed;
  }
  // Nothing is emitted: every later note and `sfx` event names the index.
  std::vector<bool>& used = script.song.instrumentsUsed;
  if (used.size() <= channel.instrument) used.resize(channel.instrument + 1);
  used[channel.instrument] = true;
  channel.noise = noise;
  channel.tuning = record.tuning;
  channel.instrumentSet = true;
  return HandlerStatus::Done;
}

// `priority`, `pan`, `sample`, `loop` and `wait` (a duration, which takes
// a wait pair per 255): one whole number.
template <const format::EventRow& kRow, int32_t kLowest, int32_t kHighest>
HandlerStatus HandleIntegerCommand(MusicScript& script, LineTokens& tokens) {
  int32_t value = 0;
  const HandlerStatus status = ReadIntegerIn(script.diag, tokens, kLowest, kHighest, value, script.at());
  if (status != HandlerStatus::Done) return status;
  return Emit(script, kRow, {{value}});
}

template <const format::EventRow& kRow>
HandlerStatus HandleBareCommand(MusicScript& script, LineTokens&) {
  return Emit(script, kRow);
}

// A's integer part, B's integer part and fraction byte; A's fraction is
// dropped.
HandlerStatus HandlePitch(MusicScript& script, LineTokens& tokens) {
  uint32_t a = 0;
  uint32_t b = 0;
  if (!ReadFixedPair(script.diag, tokens, a, b, script.at())) return HandlerStatus::Malformed;
  return Emit(script, event::kPitch, {{a >> 16, b >> 16}, {0, static_cast<uint8_t>(b)}});
}

// The period goes out as given; the channel's register holds 12 bits for
// a tone and 5 for noise.
void WarnAboutSfxPeriod(MusicScript& script, uint16_t period, std::string_view token) {
  const uint16_t highest = script.channel.noise ? kMaxNoisePeriod : kMaxTonePeriod;
  if (period <= highest) return;
  std::string what = std::to_string(period);
  what += " (highest ";
  what += std::to_string(highest);
  what += ')';
  script.diag.WarnAt(Warning::Range, msg::kWarnSfxPeriodOutOfRange, what, script.at(),
                     Detail().Value(period).Value(highest).Token(token));
}

// A note event whose period is given by number: no tuning, no clamp.
HandlerStatus HandleSfx(MusicScript& script, LineTokens& tokens) {
  if (!RequireInstrument(script)) return HandlerStatus::Malformed;
  uint32_t duration = 0;
  const HandlerStatus status = ReadDuration(script, tokens, duration);
  if (status != HandlerStatus::Done) return status;
  const std::string_view token = tokens.Next();
  FixedPoint period;
  if (!token.empty()) {
    size_t used = 0;
    if (!ParseFixedPoint(script.diag, period, token, &used)) return HandlerStatus::Malformed;
    WarnIgnoredCharacters(script.diag, token, used, script.at());
    WarnAboutSfxPeriod(script, period.integer, token);
  }
  return PlayNote(script, period.integer, duration);
}

// The call's pointer is written as 0 and filled with the target block's
// position once every block is laid out.
HandlerStatus HandleCall(MusicScript& script, LineTokens& tokens) {
  const std::string_view label = tokens.Next();
  if (label.empty()) return HandlerStatus::Malformed;
  const auto pointerAt = static_cast<uint32_t>(script.song.musicOffset + 1);  // after the opcode
  if (!AddBlockReference(script.song, script.diag, label, pointerAt, script.channel.channel,
                         script.channel.line)) {
    return HandlerStatus::Reported;
  }
  return Emit(script, event::kCall);
}

HandlerStatus HandleRest(MusicScript& script, LineTokens& tokens) {
  if (ReleaseNote(script) != HandlerStatus::Done) return HandlerStatus::Reported;
  return HandleIntegerCommand<event::kWait, 0, INT32_MAX>(script, tokens);
}

// `end` does not close the block: lines up to "}" still compile.
HandlerStatus HandleEnd(MusicScript& script, LineTokens&) {
  if (ReleaseNote(script) != HandlerStatus::Done) return HandlerStatus::Reported;
  return Emit(script, event::kEnd);
}

using Row = CommandRow<MusicScript>;
using R = CommandRole;
constexpr Row kMusicRows[] = {
    {"using", "u", HandleUsing},
    {"priority", "pr", HandleIntegerCommand<event::kPriority, 0, 255>},
    {"pan", "p", HandleIntegerCommand<event::kPan, 0, 255>},
    {"pitch", "pt", HandlePitch},
    {"sample", "smp", HandleIntegerCommand<event::kSample, 0, 255>},
    {"sfx", "s", HandleSfx},
    {"loop", "l", HandleIntegerCommand<event::kLoop, -128, 127>, R::Loop},
    {"endloop", "el", HandleBareCommand<event::kEndLoop>, R::EndLoop},
    {"call", "c", HandleCall},
    {"return", "rt", HandleBareCommand<event::kReturn>, R::Return},
    {"break", "b", HandleBareCommand<event::kBreak>},
    {"wait", "w", HandleIntegerCommand<event::kWait, 0, INT32_MAX>},
    {"rest", "r", HandleRest},
    {"end", "e", HandleEnd, R::End},
};
constexpr CommandTable kMusicCommands(kMusicRows);

// A body line's first word that is neither a command nor a note. The
// classic form says only that it is no note; the GCC-style one tells a
// mistyped note (it has digits) from a mistyped command.
void ReportUnknownWord(MusicScript& script, std::string_view word) {
  Detail detail = Detail().At(script.at()).Token(word);
  const bool hasDigit = word.find_first_of("0123456789") != std::string_view::npos;
  const std::string_view command = hasDigit ? std::string_view() : NearestName(word, MusicCommandNames());
  if (hasDigit) {
    detail.Hint(SuggestNote(word));
  } else if (!command.empty()) {
    detail.Instead(msg::kInvalidCommand).Hint(command);
  } else {
    detail.Instead(msg::kUnknownCommandOrNote);
  }
  script.diag.ErrorWith(msg::kUnableToParseNote, word, detail);
}

}  // namespace

std::vector<std::string_view> MusicCommandNames() {
  std::vector<std::string_view> names;
  for (const Row& row : kMusicRows) names.push_back(row.longName);
  for (const Row& row : kMusicRows) names.push_back(row.shortName);
  return names;
}

const CommandRow<MusicScript>* FindMusicCommand(std::string_view keyword) {
  return kMusicCommands.Find(keyword);
}

// The note reader stops after the octave's digits: c.5x plays c.5.
void WarnIgnoredNoteCharacters(MusicScript& script, std::string_view note, size_t used) {
  if (used >= note.size() || !script.diag.WarningOn(Warning::Note)) return;
  std::string what(note);
  what += " plays ";
  what += note.substr(0, used);
  script.diag.WarnAt(Warning::Note, msg::kWarnNoteTrailing, what, script.at(),
                     Detail().Value(note).Value(note.substr(0, used)).Token(note));
}

// The event goes in only once the whole line has been read; a failed line
// fails the run, so no byte of it is ever written.
HandlerStatus HandleNoteLine(MusicScript& script, LineTokens& tokens, std::string_view note) {
  double frequency = 0.0;
  size_t used = 0;
  if (!NoteFrequency(note, frequency, &used)) {
    ReportUnknownWord(script, note);
    return HandlerStatus::Malformed;
  }
  WarnIgnoredNoteCharacters(script, note, used);
  ChannelState& channel = script.channel;
  if (!RequireInstrument(script)) return HandlerStatus::Malformed;
  uint32_t duration = 0;
  const HandlerStatus status = ReadDuration(script, tokens, duration);
  if (status != HandlerStatus::Done) return status;
  bool clamped = false;
  const uint16_t period = NotePeriod(frequency, channel.tuning, channel.noise, &clamped);
  if (clamped) WarnAboutClampedNote(script, note, period);
  if (PlayNote(script, period, duration) != HandlerStatus::Done) return HandlerStatus::Reported;
  channel.noteSounding = true;
  return HandlerStatus::Done;
}

}  // namespace psgc

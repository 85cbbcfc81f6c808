// Instrument and sound-effect scripts: labels, priorities, braced and
// unbraced definitions, channels, and the errors of the script's structure.
#include "sfx/instrument_script.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "common/hints.h"
#include "common/messages.h"
#include "common/script_lines.h"
#include "sfx/instrument_commands.h"
#include "symbols/symbol_formats.h"

namespace psgc {
namespace {

constexpr uint32_t kMaxNoiseChannels = 2;

// Where the parser stands between two lines.
struct ParserState {
  BlockState definition = BlockState::Outside;
  bool bodyOpen = false;  // the current channel's "{" has been read
  uint32_t carriedPriority = 0;
  OpenedLine opened;  // the label line of the open definition
};

// A channel starts with room for 1024 bytes.
bool BeginChannel(InstrumentScript& script, InstrumentChannel& channel) {
  channel = InstrumentChannel();
  script.loops = LoopTracker();
  return TryAllocate(script.diag, [&] { channel.bytes.reserve(kFirstByteCapacity); });
}

// A label line without a priority keeps the last one given in the script.
bool ReadLabelPriority(InstrumentScript& script, ParserState& state, std::string_view label,
                       std::string_view token) {
  uint8_t priority = 0;
  if (!ReadLabelPriority(script.diag, token, script.at(), msg::kInvalidSfxLabel, msg::kPriorityOutOfRange,
                         priority)) {
    return false;
  }
  if (!script.sfxMode) {
    script.diag.ErrorAt(msg::kPriorityOnInstrument, script.at(), Detail().Value(label).Token(token));
    return false;
  }
  state.carriedPriority = priority;
  return true;
}

// The symbol files define SFX_<label> and PRI_<label>: outside letters,
// digits and "_" an assembler reads something else ("//" starts a comment
// in WLA-DX, "-" makes an expression, ".b" is a size).
void WarnUnsafeLabel(InstrumentScript& script, std::string_view label) {
  const size_t at = FindNonPlainCharacter(label);
  if (at == std::string_view::npos) return;
  const auto c = static_cast<unsigned char>(label[at]);
  char shown[8];
  std::snprintf(shown, sizeof shown, c > 0x20 && c < 0x7F ? "'%c'" : "$%02X", c);
  script.diag.WarnAt(Warning::Symbol, msg::kWarnUnsafeCharacter, Join({shown, msg::kWarnUnsafeCharacterTail, label}),
                     script.at(), Detail().Value(label).Value(shown).Token(label));
}

// A sound effect whose label line has no priority takes the last one given
// in the script. Nothing is carried while no label has given one above 0,
// the priority an effect has without any.
void WarnCarriedPriority(InstrumentScript& script, std::string_view label, uint32_t carried) {
  if (carried == 0 || !script.diag.WarningOn(Warning::Priority)) return;
  const std::string what = Join({label, " takes priority ", std::to_string(carried), " from the effect before it"});
  script.diag.WarnAt(Warning::Priority, msg::kWarnPriorityCarried, what, script.at(),
                     Detail().Value(label).Value(static_cast<int64_t>(carried)).Token(label));
}

// A label line opens a definition. The count limit comes after the line's
// own checks: the SFX and MUS count bytes and the music events' instrument
// operand hold at most 255.
bool OpenDefinition(InstrumentScript& script, ParserState& state, std::string_view label,
                    LineTokens& tokens) {
  if (script.labelRules != nullptr &&
      !CheckLabelSymbol(*script.labelRules, script.diag, label, script.at())) {
    return false;
  }
  const std::string_view priority = tokens.Next();
  if (!priority.empty() && !ReadLabelPriority(script, state, label, priority)) return false;
  const int earlier = FindInstrument(script.table, label);
  if (earlier >= 0) {
    const Instrument& first = script.table.records[static_cast<size_t>(earlier)];
    script.diag.ErrorTokenAt(msg::kSfxAlreadyDefined, label, script.at(),
                             Detail().Note(MakeNote(msg::kNoteFirstDefined, {script.fileName, first.line}, {first.name})));
    return false;
  }
  if (script.table.records.size() >= kMaxInstruments) {
    script.diag.ErrorAt(msg::kTooManySfx, script.at(), Detail().Token(label));
    return false;
  }
  Instrument& record = script.record;
  record = Instrument();
  record.name.assign(label);
  record.priority = state.carriedPriority;
  record.line = script.line;
  if (!BeginChannel(script, record.channels[0])) return false;
  if (script.sfxMode) {
    WarnUnsafeLabel(script, label);
    if (priority.empty()) WarnCarriedPriority(script, label, state.carriedPriority);
  }
  if (script.diag.GccFormat()) state.opened.Keep(script.at(), label);
  state.definition = BlockState::AfterLabel;
  state.bodyOpen = false;
  return true;
}

// A channel is finished at its body's "}", or, if it has no body, at the
// definition's end. The driver plays it until an `end` event.
void WarnAboutFinishedChannel(InstrumentScript& script) {
  if (script.loops.open > 0) script.diag.WarnAt(Warning::Loop, msg::kWarnBodyLoopOpen, "", script.at());
  if (script.loops.last != CommandRole::End) script.diag.WarnAt(Warning::End, msg::kWarnBodyNoEnd, "", script.at());
}

bool CompleteDefinition(InstrumentScript& script, ParserState& state) {
  if (!script.channel().closed) WarnAboutFinishedChannel(script);
  if (!AddInstrument(script.table, script.diag, std::move(script.record))) return false;
  state.definition = BlockState::Outside;
  return true;
}

// The sound driver can give noise to two channels of a sound effect at most.
bool CheckNoiseChannels(InstrumentScript& script) {
  uint32_t noisy = 0;
  for (uint32_t c = 0; c < script.record.channelCount; ++c) {
    if (script.record.channels[c].noise) ++noisy;
  }
  if (noisy <= kMaxNoiseChannels) return true;
  script.diag.ErrorTokenAt(msg::kTooManyNoiseChannels, script.record.name, script.at(),
                           Detail().Value(noisy));
  return false;
}

// A closed channel followed by any line other than the definition's "}"
// begins the next channel, whatever that line holds.
bool BeginNextChannel(InstrumentScript& script) {
  Instrument& record = script.record;
  if (!script.sfxMode) {
    script.diag.ErrorAt(msg::kInstrumentMultiChannel, script.at(), Detail().Value(record.name));
    return false;
  }
  if (record.channelCount == kMaxChannels) {
    script.diag.ErrorAt(msg::kTooManyChannels, script.at(), Detail().Value(record.name).Value(kMaxChannels));
    return false;
  }
  if (!BeginChannel(script, record.channels[record.channelCount])) return false;
  ++record.channelCount;
  return true;
}

// After an error in a line of an open definition: when the line looks like
// the label line of the next definition (a word that is no command, and a
// next line that opens or sets up a definition), the error is better told
// as the "}" missing before it. Reads the next line to tell.
std::optional<Diagnostic> MissingBraceBefore(InstrumentScript& script, std::string_view line,
                                             std::string_view token, ScriptReader& reader) {
  if (!LooksLikeLabelLine(line) || FindInstrumentCommand(token) != nullptr ||
      !NearestName(token, InstrumentCommandNames()).empty()) {
    return std::nullopt;
  }
  Diagnostic better = MakeDiagnostic(Severity::Error, msg::kExpectedCloseBefore, script.at(),
                                     {std::string(token)}, token);
  std::string_view next;
  if (!reader.NextLine(next)) return std::nullopt;
  const std::string_view first = FirstToken(next);
  if (first != "{" && FindInstrumentCommand(first) == nullptr) return std::nullopt;
  return better;
}

// Handles a line of an open definition whose first token is `token`.
// False when the parse must stop; every message, the syntax line included,
// has been printed.
bool HandleInstrumentLine(InstrumentScript& script, std::string_view token, bool& bodyOpen,
                          LineTokens& tokens) {
  if (bodyOpen && token == "}") {
    script.channel().closed = true;
    bodyOpen = false;
    WarnAboutFinishedChannel(script);
    return true;
  }
  if (!bodyOpen) {
    if (script.channel().closed && !BeginNextChannel(script)) return false;
    if (token == "{") {
      bodyOpen = true;
      return true;
    }
  }
  // Inside a body "{" is looked up like any word, and is no command.
  const CommandRow<InstrumentScript>* row = FindInstrumentCommand(token);
  if (row == nullptr) {
    script.diag.ErrorTokenAt(msg::kInvalidCommand, token, script.at(),
                             Detail().Hint(NearestName(token, InstrumentCommandNames())));
    return false;
  }
  if (row->bodyOnly && !bodyOpen) {
    script.diag.ErrorTokenAt(msg::kFlowOutsideBody, token, script.at());
    return false;
  }
  const uint64_t offset = script.table.instrumentOffset;
  const HandlerStatus status = row->handler(script, tokens);
  if (status == HandlerStatus::Done) {
    script.loops.Note(script.diag, row->role, script.table.instrumentOffset != offset, script.at());
  }
  if (status == HandlerStatus::Malformed) {
    script.diag.ErrorAt(msg::kInvalidSyntax, script.at(), Detail().Value(token).Token(token).FollowUp());
  }
  return status == HandlerStatus::Done;
}

// One line with at least one token. False when the parse must stop.
bool HandleLine(InstrumentScript& script, ParserState& state, std::string_view token,
                LineTokens& tokens) {
  switch (state.definition) {
    case BlockState::Outside:
      return OpenDefinition(script, state, token, tokens);
    case BlockState::AfterLabel:
      if (token == "{") {
        state.definition = BlockState::InBraces;
        return true;
      }
      state.definition = BlockState::Unbraced;
      [[fallthrough]];
    case BlockState::Unbraced:
      // Unbraced, the definition ends with its one channel body.
      if (!HandleInstrumentLine(script, token, state.bodyOpen, tokens)) return false;
      if (script.record.channels[0].closed) return CompleteDefinition(script, state);
      return true;
    case BlockState::InBraces:
      if (!state.bodyOpen && token == "}") {
        return CheckNoiseChannels(script) && CompleteDefinition(script, state);
      }
      return HandleInstrumentLine(script, token, state.bodyOpen, tokens);
  }
  return false;
}

}  // namespace

bool ParseInstrumentScript(InstrumentTable& table, Diagnostics& diag, ScriptReader& reader,
                          const std::string& fileName, bool sfxMode, const SymbolRules* labelRules) {
  table = InstrumentTable();
  InstrumentScript script{diag, table, fileName, sfxMode, 0, {}, Instrument(), labelRules, {}};
  if (sfxMode) diag.Print(msg::kSfxMode);
  if (!TryAllocate(diag, [&] { table.records.reserve(kFirstRecordCapacity); })) return false;
  ParserState state;
  std::optional<Diagnostic> missingBrace;
  const ScriptStop stop = ReadScriptLines(
      reader, diag, fileName, script.line, script.text,
      [&](std::string_view first, LineTokens& tokens) { return HandleLine(script, state, first, tokens); },
      [&](std::string_view line, std::string_view first) {
        if (state.definition != BlockState::Outside && diag.GccFormat()) {
          missingBrace = MissingBraceBefore(script, line, first, reader);
        }
      });
  if (stop == ScriptStop::ReadError) return false;
  // Any stop inside a definition leaves it unfinished, at the same line.
  if (state.definition == BlockState::Outside) return stop == ScriptStop::AtEnd;
  const Diagnostic opened = MakeNote(msg::kNoteOpenedHere, state.opened.at(),
                                     {sfxMode ? "sound effect" : "instrument", script.record.name},
                                     state.opened.label());
  Detail detail = Detail().FollowUp().Note(opened);
  // At the end of the file, the last line is the place.
  if (stop == ScriptStop::AtEnd) detail.At({fileName, script.line - 1});
  diag.ErrorAt(msg::kUnexpectedEndOfSfx, script.at(), detail);
  if (script.record.name == "}") {
    diag.Explain(MakeDiagnostic(Severity::Error, msg::kStrayCloseBrace, state.opened.at(), {},
                                state.opened.label()));
  } else if (missingBrace) {
    missingBrace->notes.push_back(opened);
    diag.Explain(*missingBrace);
  }
  return false;
}

}  // namespace psgc

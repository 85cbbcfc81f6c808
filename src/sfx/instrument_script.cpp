// Instrument and sound-effect scripts: labels, priorities, braced and
// unbraced definitions, channels, and the errors of the script's structure.
#include "sfx/instrument_script.h"

#include <cstdio>
#include <string>
#include <string_view>

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
};

// A channel starts with room for 1024 bytes.
bool BeginChannel(InstrumentScript& script, InstrumentChannel& channel) {
  channel = InstrumentChannel();
  script.loops = LoopTracker();
  return TryAllocate(script.diag, [&] { channel.bytes.reserve(kFirstByteCapacity); });
}

// A label line without a priority keeps the last one given in the script.
bool ReadLabelPriority(InstrumentScript& script, ParserState& state, std::string_view token) {
  uint8_t priority = 0;
  if (!ReadLabelPriority(script.diag, token, script.at(), msg::kInvalidSfxLabel, msg::kPriorityOutOfRange,
                         priority)) {
    return false;
  }
  if (!script.sfxMode) {
    script.diag.ErrorAt(msg::kPriorityOnInstrument, script.at());
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
  if (c > 0x20 && c < 0x7F) {
    std::snprintf(shown, sizeof shown, "'%c'", c);
  } else {
    std::snprintf(shown, sizeof shown, "$%02X", c);
  }
  std::string text(msg::kWarnUnsafeCharacter);
  text += shown;
  text += msg::kWarnUnsafeCharacterTail;
  script.diag.WarnAt(Warning::Symbol, text, label, script.at());
}

// A sound effect whose label line has no priority takes the last one given
// in the script. Nothing is carried while no label has given one above 0,
// the priority an effect has without any.
void WarnCarriedPriority(InstrumentScript& script, std::string_view label, uint32_t carried) {
  if (carried == 0 || !script.diag.WarningOn(Warning::Priority)) return;
  std::string what(label);
  what += " takes priority ";
  what += std::to_string(carried);
  what += " from the effect before it";
  script.diag.WarnAt(Warning::Priority, msg::kWarnPriorityCarried, what, script.at());
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
  if (!priority.empty() && !ReadLabelPriority(script, state, priority)) return false;
  if (FindInstrument(script.table, label) >= 0) {
    script.diag.ErrorTokenAt(msg::kSfxAlreadyDefined, label, script.at());
    return false;
  }
  if (script.table.records.size() >= kMaxInstruments) {
    script.diag.ErrorAt(msg::kTooManySfx, script.at());
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
  script.diag.ErrorTokenAt(msg::kTooManyNoiseChannels, script.record.name, script.at());
  return false;
}

// A closed channel followed by any line other than the definition's "}"
// begins the next channel, whatever that line holds.
bool BeginNextChannel(InstrumentScript& script) {
  Instrument& record = script.record;
  if (!script.sfxMode) {
    script.diag.ErrorAt(msg::kInstrumentMultiChannel, script.at());
    return false;
  }
  if (record.channelCount == kMaxChannels) {
    script.diag.ErrorAt(msg::kTooManyChannels, script.at());
    return false;
  }
  if (!BeginChannel(script, record.channels[record.channelCount])) return false;
  ++record.channelCount;
  return true;
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
    script.diag.ErrorTokenAt(msg::kInvalidCommand, token, script.at());
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
  if (status == HandlerStatus::Malformed) script.diag.ErrorAt(msg::kInvalidSyntax, script.at());
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
  InstrumentScript script{diag, table, fileName, sfxMode, 0, Instrument(), labelRules, {}};
  if (sfxMode) diag.Print(msg::kSfxMode);
  if (!TryAllocate(diag, [&] { table.records.reserve(kFirstRecordCapacity); })) return false;
  ParserState state;
  const ScriptStop stop = ReadScriptLines(reader, diag, fileName, script.line,
                                          [&](std::string_view first, LineTokens& tokens) {
                                            return HandleLine(script, state, first, tokens);
                                          });
  if (stop == ScriptStop::ReadError) return false;
  // Any stop inside a definition leaves it unfinished, at the same line.
  const bool open = state.definition != BlockState::Outside;
  if (open) diag.ErrorAt(msg::kUnexpectedEndOfSfx, script.at());
  return stop == ScriptStop::AtEnd && !open ;
}

}  // namespace psgc

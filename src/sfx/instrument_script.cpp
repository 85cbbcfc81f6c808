// Instrument and sound-effect scripts: labels, priorities, braced and
// unbraced definitions, channels, and the errors of the script's structure.
#include "sfx/instrument_script.h"

#include <string>
#include <string_view>

#include "common/messages.h"
#include "common/numeric.h"
#include "common/script_lines.h"
#include "sfx/instrument_commands.h"
#include "symbols/symbol_formats.h"

namespace psgc {
namespace {

constexpr uint32_t kMaxNoiseChannels = 2;

// Where the parser stands between two lines.
struct ParserState {
  bool definitionOpen = false;
  bool braced = false;     // the definition's "{" has been read
  bool bodyOpen = false;   // the current channel's "{" has been read
  bool firstLine = false;  // no line with tokens since the label line
  uint32_t carriedPriority = 0;
};

// A channel starts with room for 1024 bytes.
bool BeginChannel(InstrumentScript& script, InstrumentChannel& channel) {
  channel = InstrumentChannel();
  return TryAllocate(script.diag, [&] { channel.bytes.reserve(kFirstByteCapacity); });
}

// A label line without a priority keeps the last one given in the script.
bool ReadLabelPriority(InstrumentScript& script, ParserState& state, std::string_view token) {
  uint8_t priority = 0;
  switch (ReadPriority(token, priority)) {
    case PriorityRead::NotANumber:
      script.diag.ErrorAt(msg::kInvalidSfxLabel, script.at());
      return false;
    case PriorityRead::OutOfRange:
      script.diag.ErrorAt(msg::kPriorityOutOfRange, script.at());
      return false;
    case PriorityRead::Ok:
      break;
  }
  if (!script.sfxMode) {
    script.diag.ErrorAt(msg::kPriorityOnInstrument, script.at());
    return false;
  }
  state.carriedPriority = priority;
  return true;
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
  if (!BeginChannel(script, record.channels[0])) return false;
  state.definitionOpen = true;
  state.firstLine = true;
  state.braced = false;
  state.bodyOpen = false;
  return true;
}

bool CompleteDefinition(InstrumentScript& script, ParserState& state) {
  if (AddInstrument(script.table, script.diag, std::move(script.record)) != 0) return false;
  state.definitionOpen = false;
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
int BeginNextChannel(InstrumentScript& script) {
  Instrument& record = script.record;
  if (!script.sfxMode) {
    script.diag.ErrorAt(msg::kInstrumentMultiChannel, script.at());
    return -1;
  }
  if (record.channelCount == kMaxChannels) {
    script.diag.ErrorAt(msg::kTooManyChannels, script.at());
    return -1;
  }
  if (!BeginChannel(script, record.channels[record.channelCount])) return -1;
  ++record.channelCount;
  return 0;
}

// Handles a line of an open definition whose first token is `token`.
// Returns 0, positive for a malformed line, negative for another failure;
// every message, the syntax line included, has been printed.
int HandleInstrumentLine(InstrumentScript& script, std::string_view token, bool& bodyOpen,
                         LineTokens& tokens) {
  Instrument& record = script.record;
  if (bodyOpen && token == "}") {
    record.channels[record.channelCount - 1].closed = true;
    bodyOpen = false;
    return 0;
  }
  if (!bodyOpen) {
    if (record.channels[record.channelCount - 1].closed && BeginNextChannel(script) != 0) return -1;
    if (token == "{") {
      bodyOpen = true;
      return 0;
    }
  }
  // Inside a body "{" is looked up like any word, and is no command.
  const InstrumentCommandRow* row = FindInstrumentCommand(token);
  if (row == nullptr) {
    script.diag.ErrorTokenAt(msg::kInvalidCommand, token, script.at());
    return -1;
  }
  if (row->flow && !bodyOpen) {
    script.diag.ErrorTokenAt(msg::kFlowOutsideBody, token, script.at());
    return -1;
  }
  const HandlerStatus status = row->handler(script, record.channels[record.channelCount - 1], tokens);
  if (status == HandlerStatus::Malformed) script.diag.ErrorAt(msg::kInvalidSyntax, script.at());
  return static_cast<int>(status);
}

// One line with at least one token. False when the parse must stop.
bool HandleLine(InstrumentScript& script, ParserState& state, std::string_view token,
                LineTokens& tokens) {
  if (!state.definitionOpen) return OpenDefinition(script, state, token, tokens);
  if (!state.braced) {
    // Unbraced, the definition ends with its one channel body.
    if (state.firstLine && token == "{") {
      state.braced = true;
    } else if (HandleInstrumentLine(script, token, state.bodyOpen, tokens) != 0) {
      return false;
    }
    state.firstLine = false;
    if (script.record.channels[0].closed) return CompleteDefinition(script, state);
    return true;
  }
  if (!state.bodyOpen && token == "}") {
    return CheckNoiseChannels(script) && CompleteDefinition(script, state);
  }
  return HandleInstrumentLine(script, token, state.bodyOpen, tokens) == 0;
}

}  // namespace

int ParseInstrumentScript(InstrumentTable& table, Diagnostics& diag, ScriptReader& reader,
                          const std::string& fileName, bool sfxMode, const SymbolRules* labelRules) {
  table = InstrumentTable();
  InstrumentScript script{diag, table, fileName, sfxMode, 0, Instrument(), labelRules};
  if (sfxMode) diag.Print(msg::kSfxMode);
  if (!TryAllocate(diag, [&] { table.records.reserve(kFirstRecordCapacity); })) return -1;
  ParserState state;
  std::string_view line;
  bool reachedEnd = true;
  for (script.line = 1; reader.NextLine(line); ++script.line) {
    LineTokens tokens(line);
    const std::string_view token = tokens.Next();
    if (!token.empty() && !HandleLine(script, state, token, tokens)) {
      reachedEnd = false;
      break;
    }
    if (!tokens.Next().empty()) {
      diag.ErrorAt(msg::kGarbageAtEnd, script.at());
      reachedEnd = false;
      break;
    }
  }
  if (reader.failed()) {
    diag.ErrorWith(msg::kCantOpenSource, fileName);
    return -1;
  }
  // Any stop inside a definition leaves it unfinished, at the same line.
  if (state.definitionOpen) diag.ErrorAt(msg::kUnexpectedEndOfSfx, script.at());
  return reachedEnd && !state.definitionOpen ? 0 : -1;
}

}  // namespace psgc

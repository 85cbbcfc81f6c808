// Music channel scripts: labelled blocks between "{" and "}" lines, one of
// which may be the channel's main block, compiled into the song.
#include "music/music_script.h"

#include <optional>

#include "common/hints.h"
#include "common/messages.h"
#include "common/numeric.h"
#include "common/output_file.h"
#include "common/script_lines.h"
#include "music/music_commands.h"

namespace psgc {
namespace {

// A label line opens a block; its "{" must stand alone on a later line.
enum class BlockState { Outside, AwaitingBrace, InBody };

struct BlockParser {
  MusicScript script;
  BlockState state = BlockState::Outside;
  MusicBlock block;  // the block under construction
  uint32_t openLoops = 0;
  OpenedLine opened;  // the label line of the open block
};

void ReportAt(MusicScript& script, const Message& message, Detail detail = {}) {
  script.diag.ErrorAt(message, script.Here(), std::move(detail));
}

// The priority of a label line makes its block the channel's main block.
// It reads as "%d" does (7th is 7); "$" and "%" literals are no number here.
bool DeclareMainBlock(MusicScript& script, std::string_view token) {
  uint8_t priority = 0;
  size_t used = 0;
  switch (ReadPriority(token, priority, &used)) {
    case PriorityRead::NotANumber:
      ReportAt(script, msg::kInvalidBlockLabel, Detail().Value(token).Token(token));
      return false;
    case PriorityRead::OutOfRange:
      ReportAt(script, msg::kBlockPriorityOutOfRange, Detail().Value(token).Token(token));
      return false;
    case PriorityRead::Ok:
      WarnIgnoredCharacters(script.diag, token, used, script.Here());
      break;
  }
  ChannelMain& main = script.song.mains[script.channel.channel];
  if (main.declared) {
    const uint32_t channel = script.channel.channel;
    ReportAt(script, msg::kSecondMainBlock,
             Detail().Value(channel).Value(ChannelScriptOrdinal(channel)).Token(token));
    return false;
  }
  main.declared = true;
  main.priority = priority;
  main.start = MusicPosition(script.song);
  return true;
}

// Outside a block the first token is a label, whatever its characters.
// Labels are shared by every channel script of the run.
bool OpenBlock(BlockParser& p, std::string_view label, LineTokens& tokens) {
  MusicScript& script = p.script;
  const std::string_view priority = tokens.Next();
  if (!priority.empty() && !DeclareMainBlock(script, priority)) return false;
  const int64_t earlier = FindMusicBlock(script.song, label);
  if (earlier >= 0) {
    const MusicBlock& first = script.song.blocks[static_cast<size_t>(earlier)];
    script.diag.ErrorTokenAt(msg::kBlockAlreadyDefined, label, script.Here(),
                             Detail().Note(MakeNote(msg::kNoteFirstDefined,
                                                    {script.song.scriptNames[first.script], first.line},
                                                    {std::string(label)})));
    return false;
  }
  if (CopyLabel(script.song, script.diag, label, p.block.label) != 0) return false;
  p.block.labelSize = static_cast<uint32_t>(label.size());
  p.block.start = MusicPosition(script.song);
  p.block.size = 0;
  p.block.script = static_cast<uint8_t>(script.channel.channel);
  p.block.line = script.channel.line;
  p.block.isMain = !priority.empty();
  p.block.ending = BlockEnding::Other;
  p.openLoops = 0;
  if (script.diag.GccFormat()) p.opened.Keep(script.Here(), label);
  p.state = BlockState::AwaitingBrace;
  script.channel.instrumentSet = false;
  script.channel.noteSounding = false;
  return true;
}

// Loops pair within one block; the last event that made bytes decides how
// the block finishes.
void NoteBlockEvent(BlockParser& p, MusicHandler handler, bool emitted) {
  static const MusicHandler kLoop = FindMusicCommand("loop");
  static const MusicHandler kEndLoop = FindMusicCommand("endloop");
  static const MusicHandler kEnd = FindMusicCommand("end");
  static const MusicHandler kReturn = FindMusicCommand("return");
  if (handler == kLoop) {
    ++p.openLoops;
  } else if (handler == kEndLoop) {
    if (p.openLoops == 0) {
      p.script.diag.WarnAt(Warning::Loop, msg::kWarnEndloopAlone, "", p.script.Here());
    } else {
      --p.openLoops;
    }
  }
  if (!emitted) return;
  if (handler == kEnd) {
    p.block.ending = BlockEnding::End;
  } else if (handler == kReturn) {
    p.block.ending = BlockEnding::Return;
  } else {
    p.block.ending = BlockEnding::Other;
  }
}

// A main block plays once, from the song's start: only `end` stops it.
void WarnAboutClosedBlock(BlockParser& p) {
  MusicScript& script = p.script;
  const std::string_view label = LabelText(script.song, p.block.label, p.block.labelSize);
  if (p.openLoops > 0) script.diag.WarnAt(Warning::Loop, msg::kWarnBlockLoopOpen, label, script.Here());
  if (p.block.isMain && p.block.ending != BlockEnding::End) {
    script.diag.WarnAt(Warning::Return, msg::kWarnMainBlockNoEnd, label, script.Here());
  }
}

// "}" closes the block, adding no byte of its own; any other line is a
// command, or else a note.
bool HandleBodyLine(BlockParser& p, std::string_view first, LineTokens& tokens) {
  MusicScript& script = p.script;
  if (first == "}") {
    p.block.closeLine = script.channel.line;
    WarnAboutClosedBlock(p);
    p.block.size = static_cast<uint32_t>(MusicPosition(script.song) - p.block.start);
    if (AddMusicBlock(script.song, script.diag, p.block) != 0) return false;
    p.state = BlockState::Outside;
    return true;
  }
  const MusicHandler handler = FindMusicCommand(first);
  const uint64_t offset = script.song.musicOffset;
  const HandlerStatus status =
      handler != nullptr ? handler(script, tokens) : HandleNoteLine(script, tokens, first);
  if (status == HandlerStatus::Done) NoteBlockEvent(p, handler, script.song.musicOffset != offset);
  if (status == HandlerStatus::Malformed) {
    ReportAt(script, msg::kInvalidSyntax, Detail().Value(first).Token(first).FollowUp());
  }
  return status == HandlerStatus::Done;
}

bool HandleLine(BlockParser& p, std::string_view first, LineTokens& tokens) {
  switch (p.state) {
    case BlockState::Outside:
      return OpenBlock(p, first, tokens);
    case BlockState::AwaitingBrace:
      if (first == "{") {
        p.state = BlockState::InBody;
        return true;
      }
      ReportAt(p.script, msg::kExpectingBrace, Detail().Value(p.opened.label()).Token(first));
      return false;
    case BlockState::InBody:
      return HandleBodyLine(p, first, tokens);
  }
  return false;
}

// After an error in a line of an open block: when the line looks like the
// label line of the next block (a word that is no command, and a next line
// that is "{"), the error is better told as the "}" missing before it.
// Reads the next line to tell.
std::optional<Diagnostic> MissingBraceBefore(BlockParser& p, std::string_view line, std::string_view first,
                                             ScriptReader& reader) {
  if (p.state != BlockState::InBody || !LooksLikeLabelLine(line) || FindMusicCommand(first) != nullptr ||
      !NearestName(first, MusicCommandNames()).empty()) {
    return std::nullopt;
  }
  Diagnostic better = MakeDiagnostic(Severity::Error, msg::kExpectedCloseBefore, p.script.Here(),
                                     {std::string(first)}, first);
  std::string_view next;
  if (!reader.NextLine(next) || FirstToken(next) != "{") return std::nullopt;
  return better;
}

// True when every line was read; false at the first error, reported.
bool ParseLines(BlockParser& p, ScriptReader& reader, std::optional<Diagnostic>& missingBrace) {
  std::string_view line;
  uint32_t& number = p.script.channel.line;
  for (number = 1; reader.NextLine(line); ++number) {
    p.script.channel.text = reader.piece();
    p.script.diag.SetLine(p.script.Here());
    LineTokens tokens(line);
    const std::string_view first = tokens.Next();
    if (!first.empty() && !HandleLine(p, first, tokens)) {
      if (p.script.diag.GccFormat()) missingBrace = MissingBraceBefore(p, line, first, reader);
      return false;
    }
    const std::string_view extra = tokens.Next();
    if (!extra.empty()) {
      ReportAt(p.script, msg::kGarbageAtEnd, Detail().Value(extra).Token(extra));
      return false;
    }
  }
  return true;
}

}  // namespace

int ParseMusicScript(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                     ScriptReader& reader, const std::string& fileName) {
  if (song.channelCount == 0) {
    diag.Print(msg::kMusMode);
    if (StartSongData(song, diag) != 0) return -1;
  }
  song.scriptNames.push_back(fileName);
  BlockParser p{MusicScript{diag, instruments, song, ChannelState{}}, BlockState::Outside, {}, 0, {}};
  p.script.channel.channel = song.channelCount;
  p.script.channel.fileName = fileName;
  std::optional<Diagnostic> missingBrace;
  const bool readAll = ParseLines(p, reader, missingBrace);
  p.script.channel.text = {};
  diag.ClearLine();
  ++song.channelCount;
  if (reader.failed()) {
    diag.ErrorWith(msg::kCantOpenSource, fileName, Detail().Value(SystemReason()));
    return -1;
  }
  // After any error inside a block, and at the end of the file in one.
  const bool blockOpen = p.state != BlockState::Outside;
  if (blockOpen) {
    const Diagnostic opened = MakeNote(msg::kNoteOpenedHere, p.opened.at(), {"music block", std::string(p.opened.label())},
                                       p.opened.label());
    Detail detail = Detail().FollowUp().Note(opened);
    // At the end of the file, the last line is the place.
    if (readAll) detail.At({fileName, p.script.channel.line - 1});
    ReportAt(p.script, msg::kUnexpectedEndOfBlock, detail);
    if (p.opened.label() == "}") {
      diag.Explain(MakeDiagnostic(Severity::Error, msg::kStrayCloseBrace, p.opened.at(), {}, p.opened.label()));
    } else if (missingBrace) {
      missingBrace->notes.push_back(opened);
      diag.Explain(*missingBrace);
    }
  }
  // Such a channel starts at the song's first byte, with priority 0.
  if (readAll && !blockOpen && !song.mains[p.script.channel.channel].declared) {
    diag.Warn(Warning::Main, msg::kWarnNoMainBlock, fileName, Detail().File(fileName));
  }
  return readAll && !blockOpen ? 0 : -1;
}

}  // namespace psgc

// Music channel scripts: labelled blocks between "{" and "}" lines, one of
// which may be the channel's main block, compiled into the song.
#include "music/music_script.h"

#include <optional>

#include "common/hints.h"
#include "common/messages.h"
#include "common/script_lines.h"
#include "music/music_commands.h"

namespace psgc {
namespace {

// A label line opens a block; its "{" must stand alone on a later line.
struct BlockParser {
  MusicScript script;
  BlockState state = BlockState::Outside;
  MusicBlock block;  // the block under construction
  LoopTracker loops;
  OpenedLine opened;  // the label line of the open block
};

void ReportAt(MusicScript& script, const Message& message, Detail detail = {}) {
  script.diag.ErrorAt(message, script.at(), std::move(detail));
}

// The priority of a label line makes its block the channel's main block.
bool DeclareMainBlock(MusicScript& script, std::string_view token) {
  uint8_t priority = 0;
  if (!ReadLabelPriority(script.diag, token, script.at(), msg::kInvalidBlockLabel, msg::kBlockPriorityOutOfRange,
                         priority)) {
    return false;
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
    script.diag.ErrorTokenAt(msg::kBlockAlreadyDefined, label, script.at(),
                             Detail().Note(MakeNote(msg::kNoteFirstDefined,
                                                    {script.song.scriptNames[first.script], first.line},
                                                    {std::string(label)})));
    return false;
  }
  if (!CopyLabel(script.song, script.diag, label, p.block.label)) return false;
  p.block.start = MusicPosition(script.song);
  p.block.script = static_cast<uint8_t>(script.channel.channel);
  p.block.line = script.channel.line;
  p.block.isMain = !priority.empty();
  p.block.ending = BlockEnding::Other;
  p.loops = LoopTracker();
  if (script.diag.GccFormat()) p.opened.Keep(script.at(), label);
  p.state = BlockState::AfterLabel;
  script.channel.instrumentSet = false;
  script.channel.noteSounding = false;
  return true;
}

// A main block plays once, from the song's start: only `end` stops it.
void WarnAboutClosedBlock(BlockParser& p) {
  MusicScript& script = p.script;
  const std::string_view label = LabelText(script.song, p.block.label);
  if (p.loops.open > 0) script.diag.WarnAt(Warning::Loop, msg::kWarnBlockLoopOpen, label, script.at());
  if (p.block.isMain && p.block.ending != BlockEnding::End) {
    script.diag.WarnAt(Warning::Return, msg::kWarnMainBlockNoEnd, label, script.at());
  }
}

// "}" closes the block, adding no byte of its own; any other line is a
// command, or else a note.
bool HandleBodyLine(BlockParser& p, std::string_view first, LineTokens& tokens) {
  MusicScript& script = p.script;
  if (first == "}") {
    p.block.closeLine = script.channel.line;
    p.block.ending = p.loops.last == CommandRole::End      ? BlockEnding::End
                     : p.loops.last == CommandRole::Return ? BlockEnding::Return
                                                           : BlockEnding::Other;
    WarnAboutClosedBlock(p);
    if (!AddMusicBlock(script.song, script.diag, p.block)) return false;
    p.state = BlockState::Outside;
    return true;
  }
  const CommandRow<MusicScript>* row = FindMusicCommand(first);
  const uint64_t offset = script.song.musicOffset;
  const HandlerStatus status =
      row != nullptr ? row->handler(script, tokens) : HandleNoteLine(script, tokens, first);
  if (status == HandlerStatus::Done) {
    p.loops.Note(script.diag, row != nullptr ? row->role : CommandRole::Other,
                 script.song.musicOffset != offset, script.at());
  }
  if (status == HandlerStatus::Malformed) {
    ReportAt(script, msg::kInvalidSyntax, Detail().Value(first).Token(first).FollowUp());
  }
  return status == HandlerStatus::Done;
}

bool HandleLine(BlockParser& p, std::string_view first, LineTokens& tokens) {
  switch (p.state) {
    case BlockState::Outside:
      return OpenBlock(p, first, tokens);
    case BlockState::AfterLabel:
      if (first == "{") {
        p.state = BlockState::InBraces;
        return true;
      }
      ReportAt(p.script, msg::kExpectingBrace, Detail().Value(p.opened.label()).Token(first));
      return false;
    case BlockState::Unbraced:  // no music block goes without braces
      return false;
    case BlockState::InBraces:
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
  if (p.state != BlockState::InBraces || !LooksLikeLabelLine(line) || FindMusicCommand(first) != nullptr ||
      !NearestName(first, MusicCommandNames()).empty()) {
    return std::nullopt;
  }
  Diagnostic better = MakeDiagnostic(Severity::Error, msg::kExpectedCloseBefore, p.script.at(),
                                     {std::string(first)}, first);
  std::string_view next;
  if (!reader.NextLine(next) || FirstToken(next) != "{") return std::nullopt;
  return better;
}

}  // namespace

bool ParseMusicScript(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                     ScriptReader& reader, const std::string& fileName) {
  if (song.channelCount == 0) {
    diag.Print(msg::kMusMode);
    if (!StartSongData(song, diag)) return false;
  }
  song.scriptNames.push_back(fileName);
  BlockParser p{MusicScript{diag, instruments, song, ChannelState{}}, BlockState::Outside, {}, {}, {}};
  p.script.channel.channel = song.channelCount;
  p.script.channel.fileName = fileName;
  std::optional<Diagnostic> missingBrace;
  const ScriptStop stop = ReadScriptLines(
      reader, diag, fileName, p.script.channel.line, p.script.channel.text,
      [&p](std::string_view first, LineTokens& tokens) { return HandleLine(p, first, tokens); },
      [&](std::string_view line, std::string_view first) {
        if (diag.GccFormat()) missingBrace = MissingBraceBefore(p, line, first, reader);
      });
  ++song.channelCount;
  if (stop == ScriptStop::ReadError) return false;
  const bool readAll = stop == ScriptStop::AtEnd;
  // After any error inside a block, and at the end of the file in one.
  const bool blockOpen = p.state != BlockState::Outside;
  if (blockOpen) {
    const Diagnostic opened = MakeNote(msg::kNoteOpenedHere, p.opened.at(),
                                       {"music block", std::string(p.opened.label())}, p.opened.label());
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
  return readAll && !blockOpen ;
}

}  // namespace psgc

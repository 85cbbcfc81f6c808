// Music channel scripts: labelled blocks between "{" and "}" lines, one of
// which may be the channel's main block, compiled into the song.
#include "music/music_script.h"

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
};

void ReportAt(MusicScript& script, const char* text) { script.diag.ErrorAt(text, script.at()); }

// The priority of a label line makes its block the channel's main block.
bool DeclareMainBlock(MusicScript& script, std::string_view token) {
  uint8_t priority = 0;
  if (!ReadLabelPriority(script.diag, token, script.at(), msg::kInvalidBlockLabel, msg::kBlockPriorityOutOfRange,
                         priority)) {
    return false;
  }
  ChannelMain& main = script.song.mains[script.channel.channel];
  if (main.declared) {
    ReportAt(script, msg::kSecondMainBlock);
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
  if (FindMusicBlock(script.song, label) >= 0) {
    script.diag.ErrorTokenAt(msg::kBlockAlreadyDefined, label, script.at());
    return false;
  }
  if (!CopyLabel(script.song, script.diag, label, p.block.label)) return false;
  p.block.labelSize = static_cast<uint32_t>(label.size());
  p.block.start = MusicPosition(script.song);
  p.block.size = 0;
  p.block.script = static_cast<uint8_t>(script.channel.channel);
  p.block.line = script.channel.line;
  p.block.isMain = !priority.empty();
  p.block.ending = BlockEnding::Other;
  p.loops = LoopTracker();
  p.state = BlockState::AfterLabel;
  script.channel.instrumentSet = false;
  script.channel.noteSounding = false;
  return true;
}

// A main block plays once, from the song's start: only `end` stops it.
void WarnAboutClosedBlock(BlockParser& p) {
  MusicScript& script = p.script;
  const std::string_view label = LabelText(script.song, p.block.label, p.block.labelSize);
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
    p.block.size = static_cast<uint32_t>(MusicPosition(script.song) - p.block.start);
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
  if (status == HandlerStatus::Malformed) ReportAt(script, msg::kInvalidSyntax);
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
      ReportAt(p.script, msg::kExpectingBrace);
      return false;
    case BlockState::Unbraced:  // no music block goes without braces
      return false;
    case BlockState::InBraces:
      return HandleBodyLine(p, first, tokens);
  }
  return false;
}

}  // namespace

bool ParseMusicScript(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                     ScriptReader& reader, const std::string& fileName) {
  if (song.channelCount == 0) {
    diag.Print(msg::kMusMode);
    if (!StartSongData(song, diag)) return false;
  }
  song.scriptNames.push_back(fileName);
  BlockParser p{MusicScript{diag, instruments, song, ChannelState{}}, BlockState::Outside, {}, {}};
  p.script.channel.channel = song.channelCount;
  p.script.channel.fileName = fileName;
  const ScriptStop stop = ReadScriptLines(reader, diag, fileName, p.script.channel.line,
                                          [&p](std::string_view first, LineTokens& tokens) {
                                            return HandleLine(p, first, tokens);
                                          });
  ++song.channelCount;
  if (stop == ScriptStop::ReadError) return false;
  const bool readAll = stop == ScriptStop::AtEnd;
  // After any error inside a block, and at the end of the file in one.
  const bool blockOpen = p.state != BlockState::Outside;
  if (blockOpen) ReportAt(p.script, msg::kUnexpectedEndOfBlock);
  // Such a channel starts at the song's first byte, with priority 0.
  if (readAll && !blockOpen && !song.mains[p.script.channel.channel].declared) {
    diag.Warn(Warning::Main, msg::kWarnNoMainBlock, fileName);
  }
  return readAll && !blockOpen ;
}

}  // namespace psgc

// Music channel scripts: labelled blocks between "{" and "}" lines, one of
// which may be the channel's main block, compiled into the song.
#include "music/music_script.h"

#include "common/messages.h"
#include "common/numeric.h"
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
};

void ReportAt(MusicScript& script, const char* text) { script.diag.ErrorAt(text, script.Here()); }

// The priority of a label line makes its block the channel's main block.
// It reads as "%d" does (7th is 7); "$" and "%" literals are no number here.
bool DeclareMainBlock(MusicScript& script, std::string_view token) {
  uint8_t priority = 0;
  size_t used = 0;
  switch (ReadPriority(token, priority, &used)) {
    case PriorityRead::NotANumber:
      ReportAt(script, msg::kInvalidBlockLabel);
      return false;
    case PriorityRead::OutOfRange:
      ReportAt(script, msg::kBlockPriorityOutOfRange);
      return false;
    case PriorityRead::Ok:
      WarnIgnoredCharacters(script.diag, token, used, script.Here());
      break;
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
    script.diag.ErrorTokenAt(msg::kBlockAlreadyDefined, label, script.Here());
    return false;
  }
  if (CopyLabel(script.song, script.diag, label, p.block.label) != 0) return false;
  p.block.labelSize = static_cast<uint32_t>(label.size());
  p.block.start = MusicPosition(script.song);
  p.block.size = 0;
  p.state = BlockState::AwaitingBrace;
  script.channel.instrumentSet = false;
  script.channel.noteSounding = false;
  return true;
}

// "}" closes the block, adding no byte of its own; any other line is a
// command, or else a note.
bool HandleBodyLine(BlockParser& p, std::string_view first, LineTokens& tokens) {
  MusicScript& script = p.script;
  if (first == "}") {
    p.block.size = static_cast<uint32_t>(MusicPosition(script.song) - p.block.start);
    if (AddMusicBlock(script.song, script.diag, p.block) != 0) return false;
    p.state = BlockState::Outside;
    return true;
  }
  const MusicHandler handler = FindMusicCommand(first);
  const HandlerStatus status =
      handler != nullptr ? handler(script, tokens) : HandleNoteLine(script, tokens, first);
  if (status == HandlerStatus::Malformed) ReportAt(script, msg::kInvalidSyntax);
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
      ReportAt(p.script, msg::kExpectingBrace);
      return false;
    case BlockState::InBody:
      return HandleBodyLine(p, first, tokens);
  }
  return false;
}

// True when every line was read; false at the first error, reported.
bool ParseLines(BlockParser& p, ScriptReader& reader) {
  std::string_view line;
  uint32_t& number = p.script.channel.line;
  for (number = 1; reader.NextLine(line); ++number) {
    LineTokens tokens(line);
    const std::string_view first = tokens.Next();
    if (!first.empty() && !HandleLine(p, first, tokens)) return false;
    if (!tokens.Next().empty()) {
      ReportAt(p.script, msg::kGarbageAtEnd);
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
  BlockParser p{MusicScript{diag, instruments, song, ChannelState{}}, BlockState::Outside, {}};
  p.script.channel.channel = song.channelCount;
  p.script.channel.fileName = fileName;
  const bool readAll = ParseLines(p, reader);
  ++song.channelCount;
  if (reader.failed()) {
    diag.ErrorWith(msg::kCantOpenSource, fileName);
    return -1;
  }
  // After any error inside a block, and at the end of the file in one.
  const bool blockOpen = p.state != BlockState::Outside;
  if (blockOpen) ReportAt(p.script, msg::kUnexpectedEndOfBlock);
  return readAll && !blockOpen ? 0 : -1;
}

}  // namespace psgc

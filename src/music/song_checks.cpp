// Whole-song warnings: which blocks the calls reach, which instruments the
// blocks use, and how called blocks finish.
#include "music/song_checks.h"

#include <vector>

#include "common/messages.h"
#include "music/song_data.h"

namespace psgc {
namespace {

void CheckInstruments(const SongData& song, const InstrumentTable& instruments,
                      std::string_view instrumentScript, Diagnostics& diag) {
  const std::vector<bool>& used = song.instrumentsUsed;
  std::string_view name;
  uint32_t line = 0;
  for (uint32_t i = 0; GetInstrumentLabel(instruments, i, name, line); ++i) {
    if (i < used.size() && used[i]) continue;
    diag.WarnAt(Warning::UnusedInstrument, msg::kWarnInstrumentNeverUsed, name, {instrumentScript, line});
  }
}

// Block numbers that some call names. A label that no block has is an
// error of the build, not a warning.
std::vector<bool> CalledBlocks(const SongData& song) {
  std::vector<bool> called(song.blocks.size(), false);
  for (const BlockReference& ref : song.references) {
    const int64_t target = FindMusicBlock(song, LabelText(song, ref.label, ref.labelSize));
    if (target >= 0) called[static_cast<size_t>(target)] = true;
  }
  return called;
}

// A called block goes back with `return` or stops with `end`; otherwise
// the driver plays on into the block laid out after it.
void CheckBlocks(const SongData& song, Diagnostics& diag) {
  const std::vector<bool> called = CalledBlocks(song);
  for (size_t i = 0; i < song.blocks.size(); ++i) {
    const MusicBlock& block = song.blocks[i];
    const std::string_view label = LabelText(song, block.label, block.labelSize);
    const std::string_view file = song.scriptNames[block.script];
    if (!called[i] && !block.isMain) {
      diag.WarnAt(Warning::UnusedBlock, msg::kWarnBlockNeverCalled, label, {file, block.line});
    }
    if (called[i] && block.ending == BlockEnding::Other) {
      diag.WarnAt(Warning::Return, msg::kWarnCalledBlockNoReturn, label, {file, block.closeLine});
    }
  }
}

}  // namespace

void CheckSong(const SongData& song, const InstrumentTable& instruments,
               std::string_view instrumentScript, Diagnostics& diag) {
  if (!diag.WarningOn(Warning::UnusedBlock) && !diag.WarningOn(Warning::UnusedInstrument) &&
      !diag.WarningOn(Warning::Return)) {
    return;
  }
  CheckInstruments(song, instruments, instrumentScript, diag);
  CheckBlocks(song, diag);
}

}  // namespace psgc

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

// A called block goes back with `return` or stops with `end`; otherwise
// the driver plays on into the block laid out after it.
void CheckBlocks(const SongData& song, Diagnostics& diag) {
  for (const MusicBlock& block : song.blocks) {
    const std::string_view label = LabelText(song, block.label);
    const std::string_view file = song.scriptNames[block.script];
    if (!block.called && !block.isMain) {
      diag.WarnAt(Warning::UnusedBlock, msg::kWarnBlockNeverCalled, label, {file, block.line});
    }
    if (block.called && block.ending == BlockEnding::Other) {
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

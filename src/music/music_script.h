// One channel script in progress: the state that the block parser, the
// command handlers and the note lines share.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"
#include "music/song_data.h"
#include "sfx/instrument_table.h"

namespace psgc {

// 32 samples per PSG waveform: the tuning of standard pitch.
inline constexpr double kStandardTuning = 32.0;

struct ChannelState {
  uint32_t channel = 0;  // position of the script among the channel scripts
  std::string_view fileName;
  uint32_t line = 0;
  uint32_t instrument = 0;  // index in the instrument table
  bool noise = false;
  double tuning = kStandardTuning;
  // Both flags are cleared at every block label, so that each block
  // selects its own instrument before its first note or `sfx`.
  bool instrumentSet = false;
  bool noteSounding = false;  // `rest` and `end` then release the note first
};

struct MusicScript {
  Diagnostics& diag;
  const InstrumentTable& instruments;
  SongData& song;
  ChannelState channel;

  ScriptPos Here() const { return {channel.fileName, channel.line}; }
};

// 0: done. Malformed: the parser reports the line's syntax. Reported: the
// failure has been reported; the parser adds nothing.
enum class HandlerStatus { Done = 0, Malformed = 1, Reported = -1 };

}  // namespace psgc

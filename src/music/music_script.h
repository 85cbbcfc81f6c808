// Music channel scripts: labelled blocks of commands and notes, compiled
// into the song. MusicScript is the state of one script in progress, which
// the block parser hands to every command handler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/diagnostics.h"
#include "common/script_lines.h"
#include "common/script_parser.h"
#include "music/notes.h"
#include "music/song_data.h"
#include "sfx/instrument_table.h"

namespace psgc {

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

  ScriptPos at() const { return {channel.fileName, channel.line}; }
};

// Compiles the next channel script, read through `reader`, into the song
// (the first call is channel 0; the driver passes at most six). False
// after reporting the first error (a read error as "Can't open source
// file").
bool ParseMusicScript(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                     ScriptReader& reader, const std::string& fileName);

}  // namespace psgc

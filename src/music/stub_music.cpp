// Placeholder until the music compiler lands.
#include "music/song_data.h"
namespace psgc {
int ParseMusicScript(SongData&, const InstrumentTable&, Diagnostics& d, std::string_view, const std::string&) { d.Error("not yet\n"); return -1; }
int BuildMusBinary(SongData&, const InstrumentTable&, Diagnostics&, ByteBuffer&) { return -1; }
void FreeSongData(SongData&) {}
}

// Placeholder until the channel script parser lands.
#include "music/song_data.h"
namespace psgc {
int ParseMusicScript(SongData&, const InstrumentTable&, Diagnostics& d, std::string_view, const std::string&) { d.Error("not yet\n"); return -1; }
}

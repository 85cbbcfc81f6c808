// The MUS binary laid out from the gathered song: header, music blocks,
// instrument table.
#include "music/mus_binary.h"

#include "common/hints.h"
#include "common/messages.h"
#include "format/layout.h"
#include "sfx/sfx_binary.h"

namespace psgc {
namespace {

// The first call of a label that no block has ends the build.
bool CheckCallsResolved(const SongData& song, Diagnostics& diag) {
  const BlockReference* ref = song.unresolved;
  if (ref == nullptr) return true;
  const std::string_view label = LabelText(song, ref->label);
  std::vector<std::string_view> labels;
  for (const MusicBlock& block : song.blocks) labels.push_back(LabelText(song, block.label));
  diag.ErrorTokenAt(msg::kUnresolvedReference, label, {song.scriptNames[ref->script], ref->line},
                    Detail().Hint(NearestName(label, labels)));
  return false;
}

// "MUS", the instrument count and table pointer, then six channel entries:
// "C", the main block's position and its priority. A channel without a main
// block points at the start of the music with priority 0.
void WriteHeader(const SongData& song, uint8_t* image, uint32_t count, size_t tableSize,
                 uint32_t musicEnd) {
  format::PutFileHeader(image, format::kMusMark, 0);
  format::PutMusTable(image, tableSize > 0 ? count : 0, musicEnd);
  for (uint32_t c = 0; c < format::kMusChannels; ++c) {
    format::PutMusChannel(image, c, format::kMusHeaderSize + song.mains[c].start, song.mains[c].priority);
  }
}

}  // namespace

// The song's stream already begins with room for the header and holds the
// music after it, its calls already filled (ResolveCalls): the instrument
// table is appended, the header is written in place, and the stream
// becomes the binary.
bool BuildMusBinary(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                   ByteBuffer& image) {
  ByteBuffer& bytes = song.stream;
  const uint64_t musicEnd = format::kMusHeaderSize + song.musicOffset;
  const size_t tableStart = bytes.size();
  uint32_t count = 0;
  if (!BuildInstrumentTable(instruments, diag, bytes, count)) return false;
  const uint64_t tableSize = bytes.size() - tableStart;
  const uint64_t total = musicEnd + tableSize;
  diag.PrintSize(msg::kMusSize, total);
  // Within the limit every music byte was kept (see kMaxMusicBytes), so
  // the table starts at musicEnd.
  if (!format::CheckOutputSize(diag, total) || !CheckCallsResolved(song, diag)) return false;
  WriteHeader(song, bytes.data(), count, tableSize, static_cast<uint32_t>(musicEnd));
  image.swap(bytes);
  return true;
}

}  // namespace psgc

// The song's gathering operations, used while channel scripts compile:
// emitting bytes, closing blocks, recording calls, finding labels.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"
#include "music/song_data.h"

namespace psgc {

inline constexpr uint32_t kMusHeaderSize = 44;
// The most music a MUS binary can hold. Bytes beyond it are counted but
// not kept: such a song is refused once its size is known.
inline constexpr uint64_t kMaxMusicBytes = kMaxOutputSize - kMusHeaderSize;

// Creates the lists on the first channel script. Returns 0 or -1.
int StartSongData(SongData& song, Diagnostics& diag);
int EmitMusicByte(SongData& song, Diagnostics& diag, uint8_t byte);
// The duration in (0x02, n) pairs of 1 to 255; nothing for 0.
int EmitWait(SongData& song, Diagnostics& diag, uint32_t duration);

// Keeps a copy of `label` in the song; `at` receives its position.
int CopyLabel(SongData& song, Diagnostics& diag, std::string_view label, uint32_t& at);
std::string_view LabelText(const SongData& song, uint32_t at, uint32_t size);
// Number of the block labelled exactly `label`, or -1.
int64_t FindMusicBlock(const SongData& song, std::string_view label);

// Appends a closed block and indexes its label. Returns 0 or -1.
int AddMusicBlock(SongData& song, Diagnostics& diag, const MusicBlock& block);
int AddBlockReference(SongData& song, Diagnostics& diag, std::string_view label,
                      uint32_t offset, uint32_t script, uint32_t line);

// Music offsets are kept in 32 bits; past kMaxMusicBytes they are never
// laid out.
inline uint32_t MusicPosition(const SongData& song) {
  return static_cast<uint32_t>(song.musicOffset);
}

}  // namespace psgc

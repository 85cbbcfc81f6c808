// The song of one -mus run, gathered while its channel scripts compile:
// the bytes of every music block, the blocks and their labels, the calls
// between them, and each channel's main block.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "format/events.h"
#include "format/layout.h"

namespace psgc {

// The most music a MUS binary can hold. Bytes beyond it are counted but
// not kept: such a song is refused once its size is known.
inline constexpr uint64_t kMaxMusicBytes = format::kMaxOutputSize - format::kMusHeaderSize;

// How a block's last event leaves it: the driver runs on past anything
// but `end` and `return`.
enum class BlockEnding : uint8_t { Other, End, Return };

// Blocks never nest and every byte is emitted inside one, so the blocks'
// bytes form one stream in musicOffset order; a block is a stretch of it.
// Kept small: songs have 100,000 blocks.
struct MusicBlock {
  uint32_t label = 0;  // position of the label in SongData::labels
  uint32_t start = 0;  // musicOffset of the block's first byte
  // For the whole-song warnings.
  uint32_t line = 0;       // of the label
  uint32_t closeLine = 0;  // of the "}"
  uint8_t script = 0;      // channel number of the script that defines it
  bool isMain = false;
  BlockEnding ending = BlockEnding::Other;
  bool called = false;  // named by a call, once the calls are resolved
};

// A `call` operand, patched with its target's position once every script
// has compiled, since a call may name a block defined later.
struct BlockReference {
  uint32_t label = 0;
  uint32_t offset = 0;  // musicOffset of the four operand bytes
  uint32_t line = 0;
  uint32_t script = 0;  // channel number of the script that holds the call
};

// The label index: hand-written open addressing over flat arrays, since
// std::unordered_map would allocate a node per block and chase pointers on
// every probe, and songs of 100,000 blocks look up a label per block and
// per call. Each slot has a tag byte (0: free; else 7 bits of the label's
// hash) in an array of its own, small enough to stay in the cache: a new
// label, which is what a block's label line looks up, is told absent from
// the tags alone. A slot keeps 32 bits of the hash, so the index grows
// without reading a block or a label again, and the block's number + 1.
struct LabelSlot {
  uint32_t hash = 0;
  uint32_t block = 0;
};

struct LabelIndex {
  std::vector<uint8_t> tags;
  std::vector<LabelSlot> slots;
};

struct ChannelMain {
  bool declared = false;
  uint8_t priority = 0;
  uint32_t start = 0;
};

struct SongData {
  ByteBuffer stream;       // the header's room, then every block's bytes
  uint64_t musicOffset = 0;  // bytes emitted so far, the next byte's offset
  // Every label of blocks and calls, each ending in a NUL byte, which no
  // token contains: positions alone then name labels.
  std::string labels;
  std::vector<MusicBlock> blocks;  // in definition order
  std::vector<BlockReference> references;
  LabelIndex labelIndex;
  std::array<ChannelMain, format::kMusChannels> mains{};
  std::vector<std::string> scriptNames;  // one per channel script
  std::vector<bool> instrumentsUsed;     // by index, set by `using`
  uint32_t channelCount = 0;             // channel scripts begun so far
  // Set by ResolveCalls: the first call whose label no block has, if any.
  const BlockReference* unresolved = nullptr;
};

// Reserves room from the total size of the channel scripts, so that the
// arrays of a large song are not copied into fresh pages again and again
// as they grow. Capacity never written costs address space only; a
// reservation that cannot be made is dropped and the arrays grow as needed.
void ReserveSongData(SongData& song, uint64_t scriptBytes);
// Creates the lists on the first channel script, and the stream with room
// for the MUS header before the music.
bool StartSongData(SongData& song, Diagnostics& diag);
// Appends a music event through its row; past kMaxMusicBytes its bytes
// are only counted. False when memory runs out (reported).
// Inline, so that each command's constant row folds the encoder away.
[[gnu::always_inline]] inline bool EmitMusic(SongData& song, Diagnostics& diag, const format::EventRow& row,
                                             const format::EventOperands& operands = {}) {
  return format::AppendEvent(diag, {song.stream, song.musicOffset, kMaxMusicBytes}, format::kMusicLanguage, row,
                             operands);
}

// Keeps a copy of `label` in the song; `at` receives its position.
bool CopyLabel(SongData& song, Diagnostics& diag, std::string_view label, uint32_t& at);
// The label kept at `at`.
std::string_view LabelText(const SongData& song, uint32_t at);
// Number of the block labelled exactly `label`, or -1.
int64_t FindMusicBlock(const SongData& song, std::string_view label);

// Appends a closed block and indexes its label.
bool AddMusicBlock(SongData& song, Diagnostics& diag, const MusicBlock& block);
bool AddBlockReference(SongData& song, Diagnostics& diag, std::string_view label,
                      uint32_t offset, uint32_t script, uint32_t line);
// Once every script has compiled: finds each call's block, marks it
// called and, while the stream holds every music byte, fills the call's
// operand with the block's position in the binary. A call of a label that
// no block has is left for the build to report (song.unresolved).
void ResolveCalls(SongData& song);

// Music offsets are kept in 32 bits; past kMaxMusicBytes they are never
// laid out.
inline uint32_t MusicPosition(const SongData& song) {
  return static_cast<uint32_t>(song.musicOffset);
}

}  // namespace psgc

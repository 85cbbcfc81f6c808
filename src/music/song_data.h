// The song of one -mus run: the music blocks of all channel scripts, the
// call references between them, each channel's main block, and the
// operations that compile channel scripts and lay out the MUS binary.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "sfx/instrument_table.h"

namespace psgc {

inline constexpr uint32_t kMusicChannels = 6;

// Blocks never nest and every byte is emitted inside one, so the blocks'
// bytes form one stream in musicOffset order; a block is a stretch of it.
struct MusicBlock {
  uint32_t label = 0;  // position of the label in SongData::labels
  uint32_t labelSize = 0;
  uint32_t start = 0;  // musicOffset of the block's first byte
  uint32_t size = 0;
};

// A `call` operand, patched with its target's position once every script
// has compiled, since a call may name a block defined later.
struct BlockReference {
  uint32_t label = 0;
  uint32_t labelSize = 0;
  uint32_t offset = 0;  // musicOffset of the four operand bytes
  uint32_t line = 0;
  uint32_t script = 0;  // channel number of the script that holds the call
};

struct ChannelMain {
  bool declared = false;
  uint8_t priority = 0;
  uint32_t start = 0;
};

struct SongData {
  ByteBuffer stream;       // every block's bytes, back to back
  uint64_t musicOffset = 0;  // bytes emitted so far, the next byte's offset
  std::string labels;      // every label of blocks and calls, back to back
  std::vector<MusicBlock> blocks;  // in definition order
  std::vector<BlockReference> references;
  std::vector<uint32_t> labelIndex;  // hash slots: block number + 1, 0 if free
  std::array<ChannelMain, kMusicChannels> mains{};
  std::vector<std::string> scriptNames;  // one per channel script
  uint32_t channelCount = 0;             // channel scripts begun so far
};

// Compiles the next channel script (the first call is channel 0; a run
// has at most six).
int ParseMusicScript(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                     std::string_view text, const std::string& fileName);
int BuildMusBinary(SongData& song, const InstrumentTable& instruments, Diagnostics& diag,
                   ByteBuffer& image);
void FreeSongData(SongData& song);

}  // namespace psgc

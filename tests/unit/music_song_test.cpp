#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "music/song_data.h"

namespace psgc {
namespace {

MusicBlock Block(SongData& song, Diagnostics& diag, const std::string& label) {
  MusicBlock block;
  EXPECT_TRUE(CopyLabel(song, diag, label, block.label));
  return block;
}

TEST(FindMusicBlock, ExactLabelsThroughManyBlocks) {
  Diagnostics diag = Diagnostics::Capturing();
  SongData song;
  ASSERT_TRUE(StartSongData(song, diag));
  EXPECT_EQ(FindMusicBlock(song, "b0"), -1);
  const uint32_t count = 100000;  // far past the index's first size
  for (uint32_t i = 0; i < count; ++i) {
    ASSERT_TRUE(AddMusicBlock(song, diag, Block(song, diag, "b" + std::to_string(i))));
  }
  for (uint32_t i = 0; i < count; i += 997) EXPECT_EQ(FindMusicBlock(song, "b" + std::to_string(i)), i);
  for (const char* absent : {"B1", "b1 ", "b", ""}) EXPECT_EQ(FindMusicBlock(song, absent), -1);
  EXPECT_TRUE(diag.captured_err().empty());
}

TEST(FindMusicBlock, TheFirstBlockOfALabelKeepsIt) {
  Diagnostics diag = Diagnostics::Capturing();
  SongData song;
  ASSERT_TRUE(StartSongData(song, diag));
  for (const char* label : {"x", "y", "x"}) ASSERT_TRUE(AddMusicBlock(song, diag, Block(song, diag, label)));
  EXPECT_EQ(FindMusicBlock(song, "x"), 0);
  EXPECT_EQ(FindMusicBlock(song, "y"), 1);
}

// Calls are resolved once for the warnings and the binary: each found
// block is marked and its position written into the operand; the first
// call of a missing label is kept for the error.
TEST(ResolveCalls, MarksTargetsFillsOperandsAndKeepsTheFirstMissing) {
  Diagnostics diag = Diagnostics::Capturing();
  SongData song;
  ASSERT_TRUE(StartSongData(song, diag));
  song.stream.resize(format::kMusHeaderSize + 30, 0);
  song.musicOffset = 30;
  MusicBlock a = Block(song, diag, "ab");
  a.start = 7;
  ASSERT_TRUE(AddMusicBlock(song, diag, a));
  ASSERT_TRUE(AddMusicBlock(song, diag, Block(song, diag, "abc")));
  ASSERT_TRUE(AddBlockReference(song, diag, "a", 0, 0, 1));
  ASSERT_TRUE(AddBlockReference(song, diag, "ab", 10, 0, 2));
  ASSERT_TRUE(AddBlockReference(song, diag, "zz", 20, 0, 3));
  ResolveCalls(song);
  EXPECT_TRUE(song.blocks[0].called);
  EXPECT_FALSE(song.blocks[1].called);
  ASSERT_NE(song.unresolved, nullptr);
  EXPECT_EQ(song.unresolved->line, 1u);
  EXPECT_EQ(LabelText(song, song.unresolved->label), "a");
  uint8_t expected[4];
  format::PutBankPointer(expected, format::kMusHeaderSize + 7);
  EXPECT_EQ(0, std::memcmp(&song.stream[format::kMusHeaderSize + 10], expected, 4));
}

}  // namespace
}  // namespace psgc

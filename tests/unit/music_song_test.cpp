#include <gtest/gtest.h>

#include <string>

#include "music/song_data.h"

namespace psgc {
namespace {

MusicBlock Block(SongData& song, Diagnostics& diag, const std::string& label) {
  MusicBlock block;
  EXPECT_TRUE(CopyLabel(song, diag, label, block.label));
  block.labelSize = static_cast<uint32_t>(label.size());
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

}  // namespace
}  // namespace psgc

#include <gtest/gtest.h>

#include "dump/decoder_parts.h"
#include "dump/stream_decoder.h"
#include "format/layout.h"

namespace psgc::dump {
namespace {

ByteBuffer MusHeader(uint32_t mainBlock) {
  ByteBuffer bytes = {'M', 'U', 'S', 0, 'N', 'O', 'N', 'E'};
  for (int c = 0; c < 6; ++c) {
    const format::BankPointer p = format::EncodeBankPointer(mainBlock);
    bytes.insert(bytes.end(), {'C', p[0], p[1], p[2], p[3], 0});
  }
  return bytes;
}

TEST(NearestNoteName, StandardPitchAtTuning32) {
  EXPECT_EQ(NearestNoteName(254), "a.4");
  EXPECT_EQ(NearestNoteName(427), "c.4");
  EXPECT_EQ(NearestNoteName(452), "b.3");
  EXPECT_EQ(NearestNoteName(4067), "a.0");
  EXPECT_EQ(NearestNoteName(13), "c.9");
  EXPECT_EQ(NearestNoteName(0), "");
}

TEST(DecodeStream, WaitRunsEndAtTheFirstStepBelow255) {
  const ByteBuffer bytes = {0x02, 0xFF, 0x02, 0xFF, 0x02, 0x5A, 0x02, 0x05, 0x02, 0xFF};
  const Stream s = DecodeStream(bytes.data(), 0, static_cast<uint32_t>(bytes.size()), format::kMusicLanguage);
  ASSERT_EQ(s.events.size(), 3u);
  EXPECT_EQ(s.events[0].operands.value[0], 600);
  EXPECT_EQ(s.events[0].pairs, 3u);
  EXPECT_EQ(s.events[1].operands.value[0], 5);
  EXPECT_EQ(s.events[2].operands.value[0], 255);  // a run may end the stream
}

TEST(DecodeStream, UnknownOrCutShortEventsTurnTheRestRaw) {
  const ByteBuffer bytes = {0x06, 0x0C, 0x06, 0x08, 0x01};
  const Stream unknown = DecodeStream(bytes.data(), 0, 3, format::kMusicLanguage);
  ASSERT_EQ(unknown.events.size(), 2u);
  EXPECT_EQ(unknown.events[1].offset, 1u);
  EXPECT_EQ(unknown.events[1].size, 2u);
  EXPECT_NE(unknown.events[1].fault, nullptr);
  const Stream cut = DecodeStream(bytes.data(), 2, 5, format::kMusicLanguage);
  ASSERT_EQ(cut.events.size(), 2u);
  EXPECT_EQ(cut.events[1].size, 2u);  // a pitch needs five operand bytes
  EXPECT_NE(cut.events[1].fault, nullptr);
}

TEST(DecodeBinary, ABlockOverABankBoundarySaysWhereItCrosses) {
  ByteBuffer bytes = MusHeader(44);
  for (int i = 0; i < 4100; ++i) bytes.insert(bytes.end(), {0x02, 0xFF});
  bytes.insert(bytes.end(), {0x00, 0x00});
  Decoded decoded;
  DumpFault fault;
  ASSERT_TRUE(DecodeBinary(bytes.data(), static_cast<uint32_t>(bytes.size()), decoded, fault));
  ASSERT_EQ(decoded.streams.size(), 1u);
  ASSERT_EQ(decoded.streams[0].events.size(), 2u);
  EXPECT_EQ(decoded.streams[0].events[0].operands.value[0], 4100 * 255);
  EXPECT_EQ(decoded.streams[0].events[0].pairs, 4100u);
  EXPECT_NE(decoded.items.back().heading.find("crosses into bank 01 at 2000"), std::string::npos)
      << decoded.items.back().heading;
  EXPECT_EQ(decoded.unreferencedBytes, 0u);
}

TEST(DecodeBinary, CallsAreListedNotFollowed) {
  // Three blocks calling round in a ring, and one calling itself.
  ByteBuffer bytes = MusHeader(44);
  const uint32_t blocks[] = {44, 50, 56, 62};
  const uint32_t targets[] = {50, 56, 44, 62};
  for (uint32_t t : targets) {
    const format::BankPointer p = format::EncodeBankPointer(t);
    bytes.insert(bytes.end(), {0x05, p[0], p[1], p[2], p[3], 0x06});
  }
  Decoded decoded;
  DumpFault fault;
  ASSERT_TRUE(DecodeBinary(bytes.data(), static_cast<uint32_t>(bytes.size()), decoded, fault));
  ASSERT_EQ(decoded.streams.size(), 4u);
  for (size_t b = 0; b < 4; ++b) {
    EXPECT_EQ(decoded.streams[b].start, blocks[b]);
    EXPECT_NE(decoded.streams[b].events[0].comment.find("cycle"), std::string::npos) << b;
  }
  EXPECT_NE(decoded.streams[3].events[0].comment.find("its own block"), std::string::npos);
}

}  // namespace
}  // namespace psgc::dump

#include <gtest/gtest.h>

#include "dump/decoder_parts.h"
#include "dump/listing.h"
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

std::string Listing(const ByteBuffer& bytes, const Decoded& decoded) {
  std::string text;
  WriteListing("song.mus", bytes.data(), decoded, [&text](const std::string& piece) { text += piece; });
  return text;
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
  const std::vector<Event> s =
      DecodeEvents(bytes.data(), 0, static_cast<uint32_t>(bytes.size()), format::kMusicLanguage);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].operands.value[0], 600);
  EXPECT_EQ(s[0].pairs, 3u);
  EXPECT_EQ(s[1].operands.value[0], 5);
  EXPECT_EQ(s[2].operands.value[0], 255);  // a run may end the stream
}

TEST(DecodeStream, UnknownOrCutShortEventsTurnTheRestRaw) {
  const ByteBuffer bytes = {0x06, 0x0C, 0x06, 0x08, 0x01};
  const std::vector<Event> unknown = DecodeEvents(bytes.data(), 0, 3, format::kMusicLanguage);
  ASSERT_EQ(unknown.size(), 2u);
  EXPECT_EQ(unknown[1].offset, 1u);
  EXPECT_EQ(unknown[1].size, 2u);
  EXPECT_NE(unknown[1].fault, nullptr);
  const std::vector<Event> cut = DecodeEvents(bytes.data(), 2, 5, format::kMusicLanguage);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[1].size, 2u);  // a pitch needs five operand bytes
  EXPECT_NE(cut[1].fault, nullptr);
}

TEST(DecodeBinary, ABlockOverABankBoundarySaysWhereItCrosses) {
  ByteBuffer bytes = MusHeader(44);
  for (int i = 0; i < 4100; ++i) bytes.insert(bytes.end(), {0x02, 0xFF});
  bytes.insert(bytes.end(), {0x00, 0x00});
  Decoded decoded;
  DumpFault fault;
  ASSERT_TRUE(DecodeBinary(bytes.data(), static_cast<uint32_t>(bytes.size()), decoded, fault));
  ASSERT_EQ(decoded.blocks.starts.size(), 1u);
  const std::vector<Event> events = DecodeEvents(bytes.data(), decoded.blocks.At(0).start,
                                                 decoded.blocks.At(0).end, format::kMusicLanguage);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].operands.value[0], 4100 * 255);
  EXPECT_EQ(events[0].pairs, 4100u);
  const std::string listing = Listing(bytes, decoded);
  EXPECT_NE(listing.find("crosses into bank 01 at 2000"), std::string::npos) << listing;
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
  ASSERT_EQ(decoded.blocks.starts.size(), 4u);
  for (size_t b = 0; b < 4; ++b) EXPECT_EQ(decoded.blocks.starts[b], blocks[b]);
  const std::string listing = Listing(bytes, decoded);
  for (const char* call : {"002C  05 32 00 00 00", "0032  05 38 00 00 00", "0038  05 2C 00 00 00"}) {
    const size_t at = listing.find(call);
    ASSERT_NE(at, std::string::npos) << call;
    const std::string line = listing.substr(at, listing.find('\n', at) - at);
    EXPECT_NE(line.find("a cycle of calls, not followed"), std::string::npos) << line;
  }
  EXPECT_NE(listing.find("calls its own block: a cycle, not followed"), std::string::npos);
}

TEST(DecodeBinary, CallsHiddenInOperandsOpenOneBlockPerRound) {
  // Each pitch event 08 05 p p p p reads as a call from its second byte,
  // to the next pitch event's second byte: every round of block finding
  // opens one more block, and after 64 rounds the last call found stays
  // unfollowed, inside another block's event.
  ByteBuffer bytes = MusHeader(44);
  const format::BankPointer first = format::EncodeBankPointer(51);
  bytes.insert(bytes.end(), {0x05, first[0], first[1], first[2], first[3], 0x07});
  for (uint32_t k = 0; k < 70; ++k) {
    const format::BankPointer p = format::EncodeBankPointer(static_cast<uint32_t>(bytes.size()) + 7);
    bytes.insert(bytes.end(), {0x08, 0x05, p[0], p[1], p[2], p[3]});
  }
  bytes.push_back(0x06);
  Decoded decoded;
  DumpFault fault;
  ASSERT_TRUE(DecodeBinary(bytes.data(), static_cast<uint32_t>(bytes.size()), decoded, fault));
  ASSERT_EQ(decoded.blocks.starts.size(), 64u);
  EXPECT_EQ(decoded.blocks.starts[1], 51u);
  EXPECT_EQ(decoded.blocks.starts[63], 51u + 62 * 6);
  const std::string listing = Listing(bytes, decoded);
  const size_t last = listing.find("01A7  05 AD 01 00 00");
  ASSERT_NE(last, std::string::npos) << listing;
  EXPECT_EQ(listing.compare(listing.find("; ", last + 20), 30, "; inside another block's event"), 0);
}

}  // namespace
}  // namespace psgc::dump

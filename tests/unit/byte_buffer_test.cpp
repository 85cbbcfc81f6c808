#include "common/byte_buffer.h"

#include <gtest/gtest.h>

#include "pack/packs.h"

namespace psgc {
namespace {

TEST(EncodeBankPointer, BankEdges) {
  const struct { uint32_t offset; BankPointer want; } cases[] = {
      {44, {0x2C, 0, 0, 0}},       {0x2345, {0x45, 0x03, 0x01, 0}}, {262144, {0, 0, 0, 1}},
      {0x1FFF, {0xFF, 0x1F, 0, 0}}, {0x2000, {0, 0, 1, 0}},         {0x2008, {0x08, 0, 1, 0}},
      {0x3FFFFFF, {0xFF, 0x1F, 0x1F, 0xFF}}};
  for (const auto& c : cases) EXPECT_EQ(EncodeBankPointer(c.offset), c.want) << c.offset;
}

TEST(GrowArray, DoublesOrJumpsToTheRequiredSize) {
  Diagnostics diag = Diagnostics::Capturing();
  ByteBuffer empty;
  ASSERT_EQ(GrowArray(diag, empty, 1), 0);
  EXPECT_EQ(empty.capacity(), 1u);  // twice 0 is not more than 1

  ByteBuffer full;
  full.reserve(1024);
  ASSERT_EQ(GrowArray(diag, full, 1025), 0);
  EXPECT_EQ(full.capacity(), 2048u);

  ByteBuffer jump;
  jump.reserve(1024);
  ASSERT_EQ(GrowArray(diag, jump, 5000), 0);
  EXPECT_EQ(jump.capacity(), 5000u);

  ByteBuffer exact;
  exact.reserve(1024);
  const uint8_t* before = exact.data();
  ASSERT_EQ(GrowArray(diag, exact, 1024), 0);
  EXPECT_EQ(exact.data(), before);
  EXPECT_EQ(diag.captured_err(), "");
}

TEST(GrowArray, FailureLeavesTheArrayAsItWas) {
  Diagnostics diag = Diagnostics::Capturing();
  ByteBuffer bytes = {1, 2, 3};
  const size_t capacity = bytes.capacity();
  EXPECT_EQ(GrowArray(diag, bytes, bytes.max_size() + 1), -1);
  EXPECT_EQ(diag.captured_err(), "ERROR- Out of Memory.\n");
  EXPECT_EQ(bytes, (ByteBuffer{1, 2, 3}));
  EXPECT_EQ(bytes.capacity(), capacity);
}

TEST(WaitEncoding, PairsOfAtMost255AndTruncatedPrefixes) {
  const struct { uint32_t duration; uint64_t count; ByteBuffer want; } cases[] = {
      {0, 0, {}},
      {1, 2, {0x02, 0x01}},
      {255, 2, {0x02, 0xFF}},
      {256, 4, {0x02, 0xFF, 0x02, 0x01}},
      {510, 4, {0x02, 0xFF, 0x02, 0xFF}},
      {600, 6, {0x02, 0xFF, 0x02, 0xFF, 0x02, 0x5A}},
      {600, 3, {0x02, 0xFF, 0x02}},  // the part that fits below the output limit
      {600, 5, {0x02, 0xFF, 0x02, 0xFF, 0x02}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WaitEncodingSize(c.duration), c.duration == 600 ? 6u : c.want.size());
    ByteBuffer bytes = {0xAA};
    AppendWaitEncoding(bytes, 0x02, c.duration, c.count);
    ByteBuffer want = {0xAA};
    want.insert(want.end(), c.want.begin(), c.want.end());
    EXPECT_EQ(bytes, want) << c.duration << " " << c.count;
  }
  EXPECT_EQ(WaitEncodingSize(2147483647), 16843010u);
}

TEST(ConvertPcmSample, FiveSignificantBitsWithSignCopied) {
  const struct { uint8_t in, want; } cases[] = {
      {0x00, 0x00}, {0x08, 0x01}, {0x7F, 0x0F}, {0x80, 0xF0}, {0xF8, 0xFF}, {0xFF, 0xFF}};
  for (const auto& c : cases) EXPECT_EQ(ConvertPcmSample(c.in), c.want) << int(c.in);
}

}  // namespace
}  // namespace psgc

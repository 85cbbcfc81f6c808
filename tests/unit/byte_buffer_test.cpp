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

TEST(GrowArray, FailureLeavesTheArrayAsItWas) {
  Diagnostics diag = Diagnostics::Capturing();
  ByteBuffer bytes = {1, 2, 3};
  const size_t capacity = bytes.capacity();
  EXPECT_FALSE(GrowArray(diag, bytes, bytes.max_size() + 1));
  EXPECT_EQ(diag.captured_err(), "ERROR- Out of Memory.\n");
  EXPECT_EQ(bytes, (ByteBuffer{1, 2, 3}));
  EXPECT_EQ(bytes.capacity(), capacity);
}

// A wait of `duration` appended at `offset` of an output limited to
// `limit` bytes: the pairs below the limit are kept, the rest only counted.
TEST(AppendWaitBounded, PairsOfAtMost255CutAtTheLimit) {
  const struct { uint32_t duration; uint64_t offset; ByteBuffer want; } cases[] = {
      {0, 1, {}},
      {1, 1, {0x02, 0x01}},
      {255, 1, {0x02, 0xFF}},
      {256, 1, {0x02, 0xFF, 0x02, 0x01}},
      {510, 1, {0x02, 0xFF, 0x02, 0xFF}},
      {600, 1, {0x02, 0xFF, 0x02, 0xFF, 0x02, 0x5A}},
      {600, 4, {0x02, 0xFF, 0x02}},  // three bytes below the limit of 7
      {600, 2, {0x02, 0xFF, 0x02, 0xFF, 0x02}},
      {600, 7, {}},
      {600, 9, {}},
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    ByteBuffer bytes = {0xAA};
    uint64_t offset = c.offset;
    ASSERT_TRUE(AppendWaitBounded(diag, {bytes, offset, 7}, 0x02, c.duration));
    ByteBuffer want = {0xAA};
    want.insert(want.end(), c.want.begin(), c.want.end());
    EXPECT_EQ(bytes, want) << c.duration << " at " << c.offset;
    EXPECT_EQ(offset, c.offset + WaitEncodingSize(c.duration)) << c.duration;
  }
  EXPECT_EQ(WaitEncodingSize(600), 6u);
  EXPECT_EQ(WaitEncodingSize(2147483647), 16843010u);
}

TEST(AppendBounded, KeepsBytesBelowTheLimitAndCountsTheRest) {
  Diagnostics diag = Diagnostics::Capturing();
  ByteBuffer bytes;
  uint64_t offset = 0;
  const uint8_t event[] = {1, 2, 3, 4};
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(AppendBounded(diag, {bytes, offset, 10}, event, 4));
  EXPECT_EQ(bytes, (ByteBuffer{1, 2, 3, 4, 1, 2, 3, 4, 1, 2}));
  EXPECT_EQ(offset, 12u);
  EXPECT_EQ(diag.captured_err(), "");
}

TEST(ConvertPcmSample, FiveSignificantBitsWithSignCopied) {
  const struct { uint8_t in, want; } cases[] = {
      {0x00, 0x00}, {0x08, 0x01}, {0x7F, 0x0F}, {0x80, 0xF0}, {0xF8, 0xFF}, {0xFF, 0xFF}};
  for (const auto& c : cases) EXPECT_EQ(ConvertPcmSample(c.in), c.want) << int(c.in);
}

}  // namespace
}  // namespace psgc

#include "common/byte_buffer.h"

#include <gtest/gtest.h>

#include "common/bounded_output.h"
#include "pack/pcm_pack.h"

namespace psgc {
namespace {

TEST(GrowArray, FailureLeavesTheArrayAsItWas) {
  Diagnostics diag = Diagnostics::Capturing();
  ByteBuffer bytes = {1, 2, 3};
  const size_t capacity = bytes.capacity();
  EXPECT_FALSE(GrowArray(diag, bytes, bytes.max_size() + 1));
  EXPECT_EQ(diag.captured_err(), "ERROR- Out of Memory.\n");
  EXPECT_EQ(bytes, (ByteBuffer{1, 2, 3}));
  EXPECT_EQ(bytes.capacity(), capacity);
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

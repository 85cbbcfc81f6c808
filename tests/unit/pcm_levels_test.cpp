// The shapes of raw PCM sources that the pcm-level warning names, at the
// edges of its thresholds.
#include <gtest/gtest.h>

#include <vector>

#include "pack/pcm_levels.h"

namespace psgc {
namespace {

// `outer` bytes of $00, `middle` bytes of $80 and `between` bytes of $50
// (neither near the ends nor in the middle).
PcmLevelShape ShapeOf(size_t outer, size_t middle, size_t between) {
  std::vector<uint8_t> samples;
  samples.insert(samples.end(), outer, 0x00);
  samples.insert(samples.end(), middle, 0x80);
  samples.insert(samples.end(), between, 0x50);
  PcmLevelCounts counts;
  // In two calls, as the pack reads a source in chunks.
  CountPcmLevels(samples.data(), samples.size() / 2, counts);
  CountPcmLevels(samples.data() + samples.size() / 2, samples.size() - samples.size() / 2, counts);
  return ClassifyPcmLevels(counts);
}

TEST(PcmLevels, SignedAtTheThresholds) {
  EXPECT_EQ(PcmLevelShape::Signed, ShapeOf(48, 4, 12));      // 3/4 outer, 1/16 middle
  EXPECT_EQ(PcmLevelShape::Plausible, ShapeOf(47, 4, 13));   // just under 3/4 outer
  EXPECT_EQ(PcmLevelShape::Plausible, ShapeOf(48, 5, 11));   // just over 1/16 middle
  EXPECT_EQ(PcmLevelShape::Signed, ShapeOf(10, 0, 0));       // signed silence: all $00
}

TEST(PcmLevels, SilentOnlyWhenEverySampleIsNearTheCentre) {
  const uint8_t centre[] = {0x78, 0x80, 0x87, 0x7F};
  const uint8_t oneOut[] = {0x78, 0x80, 0x88, 0x7F};
  PcmLevelCounts a;
  CountPcmLevels(centre, sizeof centre, a);
  EXPECT_EQ(PcmLevelShape::Silent, ClassifyPcmLevels(a));
  PcmLevelCounts b;
  CountPcmLevels(oneOut, sizeof oneOut, b);
  EXPECT_EQ(PcmLevelShape::Plausible, ClassifyPcmLevels(b));
  EXPECT_EQ(PcmLevelShape::Plausible, ClassifyPcmLevels(PcmLevelCounts()));
}

}  // namespace
}  // namespace psgc

#include "audio/audio_levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace psgc {
namespace {

// Each level stands for the middle of its step: rounding, not truncation
// toward zero, which would give level 16 twice the width of the others.
TEST(QuantizeToLevel, RoundsToTheNearestLevelMiddle) {
  const double step = 1.0 / 16;
  const struct {
    double x;
    int level;
  } cases[] = {{-1.0, 0},
               {-1.0 + step - 1e-9, 0},
               {-1.0 + step, 1},
               {-0.5 * step, 15},
               {-1e-6, 15},
               {0.0, 16},
               {1e-6, 16},
               {step - 1e-9, 16},
               {step, 17},
               {-step, 15},
               {1.0 - step, 31},
               {1.0 - 1e-9, 31},
               {1.0, 31},
               {1.5, 31},
               {-1.5, 0},
               {std::numeric_limits<double>::infinity(), 31},
               {-std::numeric_limits<double>::infinity(), 0},
               {std::nan(""), 16}};
  for (const auto& c : cases) EXPECT_EQ(QuantizeToLevel(c.x), c.level) << c.x;
}

// The 8-bit code b decodes to (b - 128) / 128 and must keep level b >> 3.
TEST(QuantizeToLevel, EightBitCodesKeepTheirTopFiveBits) {
  for (int b = 0; b < 256; ++b) {
    const float x = static_cast<float>((b - 128) / 128.0);
    EXPECT_EQ(QuantizeToLevel(x), b >> 3) << b;
    EXPECT_EQ(LevelByte(QuantizeToLevel(x)), b & 0xF8) << b;
  }
}

// The levels of a signal as bytes, the same whatever the blocks it comes
// in; clipping counts values beyond full scale and NaN, the peak is after
// the gain.
std::vector<uint8_t> Round(LevelRounder& rounder, const std::vector<float>& signal, size_t block = 3) {
  std::vector<uint8_t> bytes(signal.size());
  for (size_t at = 0; at < signal.size(); at += block) {
    rounder.Round(signal.data() + at, std::min(block, signal.size() - at), bytes.data() + at);
  }
  return bytes;
}

TEST(LevelRounder, CountsOnlyValuesBeyondFullScale) {
  const std::vector<float> signal = {-1.0f, 1.0f, 1.0001f, -1.25f, 0.5f, std::nanf("")};
  LevelRounder plain(1.0, false);
  EXPECT_EQ(Round(plain, signal), (std::vector<uint8_t>{0x00, 0xF8, 0xF8, 0x00, 0xC0, 0x80}));
  EXPECT_EQ(plain.clipped(), 3u);
  EXPECT_DOUBLE_EQ(plain.peak(), 1.25);
  // Dither near full scale may pass it; that is not counted.
  LevelRounder dithered(1.0, true);
  Round(dithered, std::vector<float>(1000, 0.999f), 7);
  EXPECT_EQ(dithered.clipped(), 0u);
}

TEST(NormalizingGain, TakesThePeakToFullScale) {
  const std::vector<float> signal = {0.1f, -0.25f, std::nanf(""), 0.2f};
  const double peak = PeakOf(signal.data(), signal.size(), 0);
  EXPECT_DOUBLE_EQ(peak, 0.25);
  LevelRounder rounder(NormalizingGain(peak), false);
  EXPECT_EQ(Round(rounder, signal), (std::vector<uint8_t>{0xB0, 0x00, 0x80, 0xE0}));
  EXPECT_DOUBLE_EQ(rounder.peak(), 1.0);
  EXPECT_EQ(rounder.clipped(), 1u);  // the NaN
  EXPECT_EQ(NormalizingGain(0), 1.0);
  EXPECT_EQ(NormalizingGain(std::numeric_limits<double>::infinity()), 1.0);
}

// Dither trades the fixed rounding error for noise: a value a quarter step
// above a level middle comes out as that level every time without it, and
// averages to the value itself with it, the same way on every run.
TEST(TriangularDither, AveragesToTheSignalAndRepeats) {
  const double x = (16.5 + 0.25) / 16 - 1;  // level 16's middle plus a quarter step
  std::vector<float> signal(20000, static_cast<float>(x));
  LevelRounder plainRounder(1.0, false);
  LevelRounder ditheredRounder(1.0, true);
  LevelRounder againRounder(1.0, true);
  const std::vector<uint8_t> plain = Round(plainRounder, signal);
  const std::vector<uint8_t> dithered = Round(ditheredRounder, signal, 1000);
  const std::vector<uint8_t> again = Round(againRounder, signal, 333);
  EXPECT_EQ(plain, std::vector<uint8_t>(signal.size(), 16 << 3));
  EXPECT_EQ(dithered, again);
  double sum = 0;
  for (uint8_t b : dithered) sum += (b >> 3) + 0.5;  // each level's middle, in steps
  EXPECT_NEAR(sum / dithered.size(), 16.75, 0.02);
  TriangularDither noise;
  for (int i = 0; i < 1000; ++i) EXPECT_LT(std::fabs(noise.Next()), 1.0 / 16);
}

}  // namespace
}  // namespace psgc

#include "audio/audio_levels.h"

#include <gtest/gtest.h>

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

TEST(QuantizeSignal, CountsOnlyValuesBeyondFullScale) {
  const std::vector<float> signal = {-1.0f, 1.0f, 1.0001f, -1.25f, 0.5f, std::nanf("")};
  std::vector<uint8_t> bytes;
  EXPECT_EQ(QuantizeSignal(signal, false, bytes), 3u);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xF8, 0xF8, 0x00, 0xC0, 0x80}));
  // Dither near full scale may pass it; that is not counted.
  std::vector<float> loud(1000, 0.999f);
  EXPECT_EQ(QuantizeSignal(loud, true, bytes), 0u);
}

TEST(NormalizePeak, ScalesTheLargestMagnitudeToFullScale) {
  std::vector<float> signal = {0.1f, -0.25f, 0.2f};
  NormalizePeak(signal);
  EXPECT_FLOAT_EQ(signal[0], 0.4f);
  EXPECT_FLOAT_EQ(signal[1], -1.0f);
  EXPECT_FLOAT_EQ(signal[2], 0.8f);
  std::vector<float> silence(4, 0.0f);
  NormalizePeak(silence);
  EXPECT_EQ(silence, std::vector<float>(4, 0.0f));
}

// Dither trades the fixed rounding error for noise: a value a quarter step
// above a level middle comes out as that level every time without it, and
// averages to the value itself with it, the same way on every run.
TEST(TriangularDither, AveragesToTheSignalAndRepeats) {
  const double x = (16.5 + 0.25) / 16 - 1;  // level 16's middle plus a quarter step
  std::vector<float> signal(20000, static_cast<float>(x));
  std::vector<uint8_t> plain;
  std::vector<uint8_t> dithered;
  std::vector<uint8_t> again;
  QuantizeSignal(signal, false, plain);
  QuantizeSignal(signal, true, dithered);
  QuantizeSignal(signal, true, again);
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

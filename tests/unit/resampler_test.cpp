#include "audio/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace psgc {
namespace {

// `seconds` of a sine at `hz` and `rate`, resampled to 6992 Hz a block at a
// time as a file is, with the filter's tail; the signal before any rounding.
std::vector<float> ResampledSine(double hz, int rate, double seconds, size_t block = 4096) {
  const size_t count = static_cast<size_t>(seconds * rate);
  std::vector<float> input(count);
  for (size_t i = 0; i < count; ++i) input[i] = static_cast<float>(0.5 * std::sin(2 * M_PI * hz * i / rate));
  Resampler resampler;
  std::string reason;
  EXPECT_TRUE(resampler.Start(rate, 6992, reason)) << reason;
  std::vector<float> output;
  std::vector<float> part;
  for (size_t at = 0; at < count; at += block) {
    EXPECT_TRUE(resampler.Convert(input.data() + at, std::min(block, count - at), part, reason)) << reason;
    output.insert(output.end(), part.begin(), part.end());
  }
  do {
    EXPECT_TRUE(resampler.Convert(nullptr, 0, part, reason)) << reason;
    output.insert(output.end(), part.begin(), part.end());
  } while (!part.empty());
  return output;
}

// The RMS level of the signal's middle, where the filter has settled.
double MiddleRms(const std::vector<float>& signal) {
  const size_t skip = signal.size() / 8;
  double sum = 0;
  for (size_t i = skip; i < signal.size() - skip; ++i) sum += static_cast<double>(signal[i]) * signal[i];
  return std::sqrt(sum / static_cast<double>(signal.size() - 2 * skip));
}

// The frequency from the first and last rising zero crossings of the
// middle, placed between samples by linear interpolation.
double RisingCrossingHz(const std::vector<float>& signal) {
  const size_t skip = signal.size() / 8;
  double first = -1;
  double last = -1;
  int crossings = 0;
  for (size_t i = skip + 1; i < signal.size() - skip; ++i) {
    const double a = signal[i - 1];
    const double b = signal[i];
    if (a < 0 && b >= 0) {
      const double at = static_cast<double>(i - 1) + a / (a - b);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  return (crossings - 1) * 6992.0 / (last - first);
}

double Decibels(double ratio) { return 20 * std::log10(ratio); }

// Very high quality: a tone in the pass band keeps its level within 0.1 dB
// and its frequency within 0.1 %; a tone above 3496 Hz, the highest 6992 Hz
// can hold, comes out at least 90 dB down instead of folding back as a
// lower one; the length is the input's at 6992 Hz, to one sample. From the
// common rates, and in blocks of any size.
TEST(Resampler, KeepsTonesRejectsAliasesAndKeepsLength) {
  const double inputRms = 0.5 / std::sqrt(2.0);
  for (const int rate : {44100, 48000, 22050, 8000}) {
    SCOPED_TRACE(rate);
    const std::vector<float> tone = ResampledSine(1000, rate, 1.0);
    EXPECT_NEAR(static_cast<double>(tone.size()), 6992.0, 1.0);
    EXPECT_NEAR(Decibels(MiddleRms(tone) / inputRms), 0.0, 0.1);
    EXPECT_NEAR(RisingCrossingHz(tone), 1000.0, 1.0);
    if (rate > 10000) {
      const std::vector<float> alias = ResampledSine(5000, rate, 1.0);
      EXPECT_LE(Decibels(MiddleRms(alias) / inputRms), -90.0);
    }
  }
  // Odd block sizes give the same length.
  EXPECT_NEAR(static_cast<double>(ResampledSine(1000, 44100, 0.5, 1).size()), 3496.0, 1.0);
  EXPECT_NEAR(static_cast<double>(ResampledSine(1000, 44100, 0.5, 997).size()), 3496.0, 1.0);
}

TEST(Resampler, SupportsRatiosUpTo256EitherWay) {
  EXPECT_TRUE(Resampler::Supports(44100, 6992));
  EXPECT_TRUE(Resampler::Supports(6992 * 256, 6992));
  EXPECT_FALSE(Resampler::Supports(6992 * 256 + 1, 6992));
  EXPECT_FALSE(Resampler::Supports(27, 6992));
  EXPECT_TRUE(Resampler::Supports(28, 6992));
  EXPECT_FALSE(Resampler::Supports(0, 6992));
}

}  // namespace
}  // namespace psgc

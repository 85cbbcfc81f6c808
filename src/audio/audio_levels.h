// The 5-bit levels a PCM pack plays: a mono signal in full scale -1 .. 1
// becomes bytes whose top five bits are the level, optionally normalized
// and dithered first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace psgc {

inline constexpr int kLevelCount = 32;

// The level nearest to `x`. The 32 levels divide full scale into equal
// steps and each stands for the middle of its step, just as the 8-bit code
// b stands for level b >> 3, so 8-bit samples keep their level. Values
// beyond full scale take the outermost level; a NaN takes the middle one.
int QuantizeToLevel(double x);

// The byte a raw 8-bit unsigned stream holds for `level`.
inline uint8_t LevelByte(int level) { return static_cast<uint8_t>(level << 3); }

// The largest magnitude among `count` samples, at least `peak`; NaN is
// passed over, infinity is kept.
double PeakOf(const float* signal, size_t count, double peak);
// The gain that takes a signal of this peak to full scale: 1 for silence
// and for an infinite peak, which no gain would bring back.
double NormalizingGain(double peak);

// Triangular dither of one level step peak, from a fixed seed, so that a
// source always converts to the same bytes.
class TriangularDither {
 public:
  double Next();  // in -1/16 .. 1/16, in full-scale units

 private:
  double Uniform();
  uint64_t state_ = 0x9E3779B97F4A7C15u;
};

// Rounds a signal to its levels as raw bytes, a block at a time, after a
// gain (1, or the normalizing one) and, with `dither`, the noise. Clipping
// is counted on the signal itself, so dither alone never counts as
// clipping; the peak is the largest magnitude after the gain.
class LevelRounder {
 public:
  LevelRounder(double gain, bool dither) : gain_(gain), dither_(dither) {}
  // Writes the levels of `count` samples to `bytes`.
  void Round(const float* signal, size_t count, uint8_t* bytes);
  uint64_t clipped() const { return clipped_; }
  double peak() const { return peak_; }

 private:
  double gain_;
  bool dither_;
  TriangularDither noise_;
  uint64_t clipped_ = 0;
  double peak_ = 0;
};

}  // namespace psgc

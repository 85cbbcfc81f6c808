// The 5-bit levels a PCM pack plays: a mono signal in full scale -1 .. 1
// becomes bytes whose top five bits are the level, optionally normalized
// and dithered first.
#pragma once

#include <cstdint>
#include <vector>

namespace psgc {

inline constexpr int kLevelCount = 32;

// The level nearest to `x`. The 32 levels divide full scale into equal
// steps and each stands for the middle of its step, just as the 8-bit code
// b stands for level b >> 3, so 8-bit samples keep their level. Values
// beyond full scale take the outermost level; a NaN takes the middle one.
int QuantizeToLevel(double x);

// The byte a raw 8-bit unsigned stream holds for `level`.
inline uint8_t LevelByte(int level) { return static_cast<uint8_t>(level << 3); }

// Scales `signal` so that its largest magnitude is 1; silence stays.
void NormalizePeak(std::vector<float>& signal);

// Triangular dither of one level step peak, from a fixed seed, so that a
// source always converts to the same bytes.
class TriangularDither {
 public:
  double Next();  // in -1/16 .. 1/16, in full-scale units

 private:
  double Uniform();
  uint64_t state_ = 0x9E3779B97F4A7C15u;
};

// The levels of `signal` as raw bytes; returns how many samples clipped.
// With `dither` the noise is added before rounding; clipping is counted on
// the signal itself, so dither alone never counts as clipping.
uint64_t QuantizeSignal(const std::vector<float>& signal, bool dither, std::vector<uint8_t>& bytes);

}  // namespace psgc

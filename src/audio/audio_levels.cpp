// Rounding a signal to the 5-bit levels, with the clipping it costs.
#include "audio/audio_levels.h"

#include <cmath>

namespace psgc {

int QuantizeToLevel(double x) {
  if (std::isnan(x)) return kLevelCount / 2;
  if (x <= -1.0) return 0;
  if (x >= 1.0) return kLevelCount - 1;  // 1.0 itself is half a step past the top level
  // Level L covers (L / 16 - 1) .. ((L + 1) / 16 - 1); its middle is nearest.
  const int level = static_cast<int>(std::floor((x + 1.0) * (kLevelCount / 2)));
  return level < kLevelCount ? level : kLevelCount - 1;
}

double PeakOf(const float* signal, size_t count, double peak) {
  for (size_t i = 0; i < count; ++i) peak = std::fmax(peak, std::fabs(static_cast<double>(signal[i])));
  return peak;
}

double NormalizingGain(double peak) { return peak > 0 && !std::isinf(peak) ? 1.0 / peak : 1.0; }

double TriangularDither::Uniform() {
  // splitmix64: small, fast and the same on every machine.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

double TriangularDither::Next() {
  constexpr double kStep = 2.0 / kLevelCount;
  return (Uniform() - Uniform()) * kStep;
}

void LevelRounder::Round(const float* signal, size_t count, uint8_t* bytes) {
  for (size_t i = 0; i < count; ++i) {
    // The gain is applied in single precision, as the signal is held.
    const double x = static_cast<float>(signal[i] * gain_);
    // Beyond full scale, or NaN: not played as it is.
    if (!(x >= -1.0 && x <= 1.0)) ++clipped_;
    peak_ = std::fmax(peak_, std::fabs(x));
    bytes[i] = LevelByte(QuantizeToLevel(dither_ ? x + noise_.Next() : x));
  }
}

}  // namespace psgc

// Rounding a signal to the 5-bit levels, with the clipping it costs.
#include "audio/audio_levels.h"

#include <cmath>

namespace psgc {

namespace {

// True for a value that cannot be played as it is: beyond full scale, NaN.
bool Clips(double x) { return !(x >= -1.0 && x <= 1.0); }

}  // namespace

int QuantizeToLevel(double x) {
  if (std::isnan(x)) return kLevelCount / 2;
  if (x <= -1.0) return 0;
  if (x >= 1.0) return kLevelCount - 1;  // 1.0 itself is half a step past the top level
  // Level L covers (L / 16 - 1) .. ((L + 1) / 16 - 1); its middle is nearest.
  const int level = static_cast<int>(std::floor((x + 1.0) * (kLevelCount / 2)));
  return level < kLevelCount ? level : kLevelCount - 1;
}

void NormalizePeak(std::vector<float>& signal) {
  float peak = 0;
  for (float v : signal) peak = std::fmax(peak, std::fabs(v));
  if (!(peak > 0) || std::isinf(peak)) return;
  const double gain = 1.0 / peak;
  for (float& v : signal) v = static_cast<float>(v * gain);
}

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

uint64_t QuantizeSignal(const std::vector<float>& signal, bool dither, std::vector<uint8_t>& bytes) {
  bytes.resize(signal.size());
  uint64_t clipped = 0;
  TriangularDither noise;
  for (size_t i = 0; i < signal.size(); ++i) {
    const double x = signal[i];
    if (Clips(x)) ++clipped;
    bytes[i] = LevelByte(QuantizeToLevel(dither ? x + noise.Next() : x));
  }
  return clipped;
}

}  // namespace psgc

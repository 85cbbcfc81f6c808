// Sample-rate conversion with libsoxr at its very-high-quality setting
// (28-bit precision, linear phase), fed a block at a time: the filter keeps
// its history between blocks, so only one block is held on either side.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "audio/audio_libraries.h"

namespace psgc {

class Resampler {
 public:
  Resampler() = default;
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;
  ~Resampler();

  // True when the ratio lies within 1/256 .. 256, the range psgc converts.
  static bool Supports(int fromRate, int toRate);
  // False with libsoxr's (or the loader's) `reason` when it cannot start.
  bool Start(int fromRate, int toRate, std::string& reason);
  // Converts `count` mono samples into `output` (replacing its contents).
  // A null `input` ends the signal: `output` then takes what the filter
  // still holds, and is empty once all of it came out.
  bool Convert(const float* input, size_t count, std::vector<float>& output, std::string& reason);

 private:
  const AudioLibraries* audio_ = nullptr;
  soxr_t state_ = nullptr;
  double ratio_ = 1;
};

}  // namespace psgc

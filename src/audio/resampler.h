// Sample-rate conversion with libsamplerate at its best sinc quality, fed a
// chunk at a time so that only the converted signal is held.
#pragma once

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

  // True when libsamplerate converts between these rates.
  static bool Supports(int fromRate, int toRate);
  // False with libsamplerate's (or the loader's) `reason` when it cannot start.
  bool Start(int fromRate, int toRate, std::string& reason);
  // Converts `input` (mono), appending to `output`. An empty `input` ends
  // the signal and flushes what the filter still holds.
  bool Convert(const std::vector<float>& input, std::vector<float>& output, std::string& reason);

 private:
  const AudioLibraries* audio_ = nullptr;
  SRC_STATE* state_ = nullptr;
  double ratio_ = 1;
  std::vector<float> chunk_;
};

}  // namespace psgc

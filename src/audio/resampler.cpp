// libsoxr's streaming interface: each call takes a block of input and gives
// what the filter can put out so far; a null input says the signal ended,
// and the calls that follow drain the filter's tail.
#include "audio/resampler.h"

namespace psgc {
namespace {

constexpr double kMaxRatio = 256;
// Output room asked for beyond a block's share, for the filter's tail.
constexpr size_t kTailRoom = 4096;

}  // namespace

Resampler::~Resampler() {
  if (state_ != nullptr) audio_->soxr_delete(state_);
}

bool Resampler::Supports(int fromRate, int toRate) {
  if (fromRate <= 0 || toRate <= 0) return false;
  const double ratio = static_cast<double>(toRate) / fromRate;
  return ratio >= 1 / kMaxRatio && ratio <= kMaxRatio;
}

bool Resampler::Start(int fromRate, int toRate, std::string& reason) {
  audio_ = LoadAudioLibraries(reason);
  if (audio_ == nullptr) return false;
  const soxr_io_spec_t io = audio_->soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = audio_->soxr_quality_spec(SOXR_VHQ, SOXR_LINEAR_PHASE);
  soxr_error_t error = nullptr;
  state_ = audio_->soxr_create(fromRate, toRate, 1, &error, &io, &quality, nullptr);
  if (state_ == nullptr || error != nullptr) {
    reason = error != nullptr ? error : "resampler failed to start";
    return false;
  }
  ratio_ = static_cast<double>(toRate) / fromRate;
  return true;
}

bool Resampler::Convert(const float* input, size_t count, std::vector<float>& output, std::string& reason) {
  output.resize(static_cast<size_t>(static_cast<double>(count) * ratio_) + kTailRoom);
  size_t made = 0;
  size_t used = 0;
  for (;;) {
    size_t took = 0;
    size_t gave = 0;
    const float* in = input != nullptr ? input + used : nullptr;
    const soxr_error_t error =
        audio_->soxr_process(state_, in, count - used, &took, output.data() + made, output.size() - made, &gave);
    if (error != nullptr) {
      reason = error;
      return false;
    }
    used += took;
    made += gave;
    // Room left over means the filter gave all it had for this input.
    if (made < output.size() && (input == nullptr || used == count)) break;
    if (made == output.size()) output.resize(output.size() * 2);
  }
  output.resize(made);
  return true;
}

}  // namespace psgc

// libsamplerate's full interface: the filter keeps its history between
// chunks, and the end of the input is said once so the tail comes out.
#include "audio/resampler.h"

namespace psgc {
namespace {

constexpr long kOutputChunk = 16384;

}  // namespace

Resampler::~Resampler() {
  if (state_ != nullptr) audio_->src_delete(state_);
}

// Asked once a reader has opened the file, so the libraries are loaded.
bool Resampler::Supports(int fromRate, int toRate) {
  std::string reason;
  const AudioLibraries* audio = LoadAudioLibraries(reason);
  return audio != nullptr && fromRate > 0 && toRate > 0 &&
         audio->src_is_valid_ratio(static_cast<double>(toRate) / fromRate);
}

bool Resampler::Start(int fromRate, int toRate, std::string& reason) {
  audio_ = LoadAudioLibraries(reason);
  if (audio_ == nullptr) return false;
  int error = 0;
  state_ = audio_->src_new(SRC_SINC_BEST_QUALITY, 1, &error);
  if (state_ == nullptr) {
    reason = audio_->src_strerror(error);
    return false;
  }
  ratio_ = static_cast<double>(toRate) / fromRate;
  chunk_.resize(kOutputChunk);
  return true;
}

bool Resampler::Convert(const std::vector<float>& input, std::vector<float>& output, std::string& reason) {
  static const float kNothing = 0;
  SRC_DATA data{};
  data.data_in = input.empty() ? &kNothing : input.data();
  data.input_frames = static_cast<long>(input.size());
  data.data_out = chunk_.data();
  data.output_frames = kOutputChunk;
  data.src_ratio = ratio_;
  data.end_of_input = input.empty() ? 1 : 0;
  for (;;) {
    const int error = audio_->src_process(state_, &data);
    if (error != 0) {
      reason = audio_->src_strerror(error);
      return false;
    }
    output.insert(output.end(), chunk_.begin(), chunk_.begin() + data.output_frames_gen);
    data.data_in += data.input_frames_used;
    data.input_frames -= data.input_frames_used;
    // Done when the input is used up and, at the end, the tail is out.
    if (data.input_frames == 0 && (data.end_of_input == 0 || data.output_frames_gen == 0)) return true;
  }
}

}  // namespace psgc

// libsamplerate's full interface: the filter keeps its history between
// chunks, and the end of the input is said once so the tail comes out.
#include "audio/resampler.h"

namespace psgc {
namespace {

constexpr long kOutputChunk = 16384;

}  // namespace

Resampler::~Resampler() {
  if (state_ != nullptr) src_delete(state_);
}

bool Resampler::Supports(int fromRate, int toRate) {
  return fromRate > 0 && toRate > 0 && src_is_valid_ratio(static_cast<double>(toRate) / fromRate);
}

bool Resampler::Start(int fromRate, int toRate, std::string& reason) {
  int error = 0;
  state_ = src_new(SRC_SINC_BEST_QUALITY, 1, &error);
  if (state_ == nullptr) {
    reason = src_strerror(error);
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
    const int error = src_process(state_, &data);
    if (error != 0) {
      reason = src_strerror(error);
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

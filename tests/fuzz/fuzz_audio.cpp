// Fuzzes the decoding of audio sources: the input is an audio file in
// memory. Its size picks --normalize (bit 0) and --dither (bit 1).
#include <cstddef>
#include <cstdint>

#include "audio/audio_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace psgc;
  // A small limit keeps long announced streams from slowing every run.
  constexpr uint64_t kLimit = 1 << 16;
  Diagnostics diag = Diagnostics::Capturing();
  ByteBuffer samples;
  const AudioSettings settings{(size & 1) != 0, (size & 2) != 0};
  const AudioStatus status = ConvertAudioBytes(diag, "fuzz.wav", data, size, settings, kLimit, samples);
  const bool printed = !diag.captured_out().empty();
  switch (status) {
    case AudioStatus::Converted:
      if (samples.size() > kLimit || diag.failed() || !printed) __builtin_trap();
      for (uint8_t s : samples) {
        if ((s & 7) != 0) __builtin_trap();  // five significant bits only
      }
      break;
    case AudioStatus::TooLong:  // reported with its length, no progress line
      if (!diag.failed() || printed) __builtin_trap();
      break;
    case AudioStatus::Failed:
      if (!diag.failed() || printed) __builtin_trap();
      break;
  }
  return 0;
}

// Audio files as -pcm sources: a source named like an audio file is decoded,
// mixed to mono, resampled to the console's PCM rate and rounded to the 5-bit
// levels, giving the raw 8-bit unsigned stream the PCM pack takes.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "common/source_file.h"
#include "format/layout.h"

namespace psgc {

// The console's playing rate.
inline constexpr int kPcmRate = format::kPcmSamplesPerSecond;

struct AudioSettings {
  bool normalize = false;  // --normalize: the peak of each source to full scale
  bool dither = false;     // --dither: triangular dither before rounding
};

enum class AudioStatus { Converted, TooLong, Failed };

// True for the names decoded as audio: .wav .wave .aif .aiff .aifc .flac
// .ogg .oga .opus .mp3 .caf, in any letter case.
bool IsAudioSourceName(std::string_view name);

// Decodes `source` into `samples` and prints its progress line. TooLong
// after saying how long the stream at 6992 Hz would be when it exceeds
// `maxSamples`; Failed after reporting why the file cannot be decoded.
// The file is read a block at a time and only the levels are kept (with
// --normalize it is read twice, the first time for its peak).
AudioStatus ConvertAudioSource(Diagnostics& diag, SourceFile& source, const AudioSettings& settings,
                               uint64_t maxSamples, ByteBuffer& samples);
// The same for audio bytes in memory, reported under `name`.
AudioStatus ConvertAudioBytes(Diagnostics& diag, std::string_view name, const uint8_t* data, size_t size,
                              const AudioSettings& settings, uint64_t maxSamples, ByteBuffer& samples);

}  // namespace psgc

// From an audio file to the raw stream of a PCM pack: decode and mix to
// mono, resample unless the file is at the PCM rate already, then round to the
// 5-bit levels. Raw sources never come here.
#include "audio/audio_source.h"

#include <cctype>
#include <string>
#include <vector>

#include "audio/audio_levels.h"
#include "audio/resampler.h"
#include "audio/sound_reader.h"
#include "common/messages.h"

namespace psgc {
namespace {

// An audio file that is not a regular file (a FIFO) is read into memory
// before it is decoded, up to this many bytes.
constexpr uint64_t kMaxHeldAudioBytes = uint64_t{1} << 30;

constexpr const char* kAudioExtensions[] = {".wav",  ".wave", ".aif", ".aiff", ".aifc",
                                            ".flac", ".ogg",  ".oga", ".opus"};

bool EndsWithIgnoringCase(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != suffix[i]) return false;
  }
  return true;
}

// The samples the announced frames will give, when the file announces them
// (a FLAC file may leave its length unknown: libsndfile's SF_COUNT_MAX).
double AnnouncedSamples(const SoundReader& reader) {
  if (reader.frames() <= 0 || reader.frames() == SF_COUNT_MAX) return 0;
  return static_cast<double>(reader.frames()) * kPcmRate / reader.rate();
}

// Reads the whole file as one mono signal at the PCM rate into `signal`; stops
// as soon as it holds more than `maxSamples`.
AudioStatus DecodeMono(SoundReader& reader, uint64_t maxSamples, std::vector<float>& signal, uint64_t& frames,
                       std::string& reason) {
  const bool resample = reader.rate() != kPcmRate;
  Resampler resampler;
  if (resample && !resampler.Start(reader.rate(), kPcmRate, reason)) return AudioStatus::Failed;
  const double announced = AnnouncedSamples(reader);
  signal.reserve(static_cast<size_t>(announced < maxSamples ? announced + 64 : maxSamples + 1));
  std::vector<float> mono;
  for (;;) {
    if (!reader.ReadMono(mono, reason)) return AudioStatus::Failed;
    frames += mono.size();
    if (resample) {
      if (!resampler.Convert(mono, signal, reason)) return AudioStatus::Failed;
    } else {
      signal.insert(signal.end(), mono.begin(), mono.end());
    }
    if (signal.size() > maxSamples) return AudioStatus::TooLong;
    if (mono.empty()) return AudioStatus::Converted;
  }
}

AudioStatus Convert(Diagnostics& diag, std::string_view name, SoundReader& reader,
                    const AudioSettings& settings, uint64_t maxSamples, ByteBuffer& samples) {
  const int rate = reader.rate();
  if (rate != kPcmRate && !Resampler::Supports(rate, kPcmRate)) {
    diag.ErrorWithReason(msg::kCantDecodeAudio, name, msg::kSampleRateOutOfRange);
    return AudioStatus::Failed;
  }
  // Refused before decoding: a file announcing an hour need not be read.
  if (AnnouncedSamples(reader) > static_cast<double>(maxSamples) + 1) return AudioStatus::TooLong;
  std::vector<float> signal;
  uint64_t frames = 0;
  std::string reason;
  AudioStatus status = AudioStatus::Failed;
  if (!TryAllocate(diag, [&] { status = DecodeMono(reader, maxSamples, signal, frames, reason); })) {
    return AudioStatus::Failed;
  }
  if (status == AudioStatus::Failed) diag.ErrorWithReason(msg::kCantDecodeAudio, name, reason);
  if (status != AudioStatus::Converted) return status;
  if (settings.normalize) NormalizePeak(signal);
  uint64_t clipped = 0;
  if (!TryAllocate(diag, [&] { clipped = QuantizeSignal(signal, settings.dither, samples); })) {
    return AudioStatus::Failed;
  }
  diag.PrintConversion(name, rate, reader.channels(), reader.Encoding(), static_cast<double>(frames) / rate,
                       samples.size(), clipped);
  return AudioStatus::Converted;
}

}  // namespace

bool IsAudioSourceName(std::string_view name) {
  for (const char* extension : kAudioExtensions) {
    if (EndsWithIgnoringCase(name, extension)) return true;
  }
  return false;
}

AudioStatus ConvertAudioSource(Diagnostics& diag, SourceFile& source, const AudioSettings& settings,
                               uint64_t maxSamples, ByteBuffer& samples) {
  uint64_t size = 0;
  if (!source.Measure(kMaxHeldAudioBytes, true, size)) {
    diag.ErrorWithReason(msg::kCantDecodeAudio, source.name(), msg::kAudioReadError);
    return AudioStatus::Failed;
  }
  // Only a stream stops at the limit; a regular file is read where it lies.
  if (size > kMaxHeldAudioBytes && !source.IsFile(source.name())) return AudioStatus::TooLong;
  SoundReader reader;
  std::string reason;
  if (!reader.Open(source, size, reason)) {
    diag.ErrorWithReason(msg::kCantDecodeAudio, source.name(), reason);
    return AudioStatus::Failed;
  }
  return Convert(diag, source.name(), reader, settings, maxSamples, samples);
}

AudioStatus ConvertAudioBytes(Diagnostics& diag, std::string_view name, const uint8_t* data, size_t size,
                              const AudioSettings& settings, uint64_t maxSamples, ByteBuffer& samples) {
  SoundReader reader;
  std::string reason;
  if (!reader.Open(data, size, reason)) {
    diag.ErrorWithReason(msg::kCantDecodeAudio, name, reason);
    return AudioStatus::Failed;
  }
  return Convert(diag, name, reader, settings, maxSamples, samples);
}

}  // namespace psgc

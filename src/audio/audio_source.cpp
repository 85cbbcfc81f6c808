// From an audio file to the raw stream of a PCM pack: decode and mix to
// mono, resample unless the file is at the PCM rate already, then round to the
// 5-bit levels. Raw sources never come here.
#include "audio/audio_source.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
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

constexpr const char* kAudioExtensions[] = {".wav", ".wave", ".aif",  ".aiff", ".aifc", ".flac",
                                            ".ogg", ".oga",  ".opus", ".mp3",  ".caf"};

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

// Takes the mono signal at 6992 Hz a block at a time.
using SignalBlock = std::function<void(const float* signal, size_t count)>;

// Decodes the whole file, mixed to mono and resampled unless it is at 6992
// Hz already, handing the signal to `take` a block at a time. Counts the
// decoded `frames`. False with `reason` after a decoding error.
bool ReadSignal(SoundReader& reader, const SignalBlock& take, uint64_t& frames, std::string& reason) {
  const bool resample = reader.rate() != kPcmRate;
  Resampler resampler;
  if (resample && !resampler.Start(reader.rate(), kPcmRate, reason)) return false;
  std::vector<float> mono;
  std::vector<float> resampled;
  for (;;) {
    if (!reader.ReadMono(mono, reason)) return false;
    frames += mono.size();
    if (mono.empty()) break;
    if (!resample) {
      take(mono.data(), mono.size());
      continue;
    }
    if (!resampler.Convert(mono.data(), mono.size(), resampled, reason)) return false;
    take(resampled.data(), resampled.size());
  }
  // The filter's tail: what it holds of the last samples.
  while (resample) {
    if (!resampler.Convert(nullptr, 0, resampled, reason)) return false;
    if (resampled.empty()) break;
    take(resampled.data(), resampled.size());
  }
  return true;
}

// "Can't decode audio file" with the reason; Failed.
AudioStatus CantDecode(Diagnostics& diag, std::string_view name, std::string_view reason) {
  diag.ErrorWithReason(msg::kCantDecodeAudio, name, reason);
  return AudioStatus::Failed;
}

void ReportTooLong(Diagnostics& diag, std::string_view name, uint64_t length, uint64_t maxSamples) {
  char detail[96];
  std::snprintf(detail, sizeof detail, msg::kAudioTooLongDetail, static_cast<unsigned long long>(length), kPcmRate,
                static_cast<unsigned long long>(maxSamples));
  diag.ErrorWithReason(msg::kAudioTooLong, name, detail);
}

// The progress line counts clipped samples, but -q leaves it out and a
// build log shows it among many: a clipped source also warns.
void WarnClipped(Diagnostics& diag, std::string_view name, const LevelRounder& rounder, uint64_t samples) {
  if (!diag.WarningOn(Warning::PcmClip)) return;
  char text[160];
  const double peak = rounder.peak();
  const double level = peak > 0 ? 20 * std::log10(peak) : 0.0;
  std::snprintf(text, sizeof text, msg::kWarnPcmClipDetail, static_cast<unsigned long long>(rounder.clipped()),
                static_cast<unsigned long long>(samples), peak, level);
  char peakText[32];
  char levelText[32];
  std::snprintf(peakText, sizeof peakText, "%.2f", peak);
  std::snprintf(levelText, sizeof levelText, "%+.1f", level);
  diag.Warn(Warning::PcmClip, msg::kWarnPcmClip, std::string(text) + std::string(name),
            Detail()
                .File(name)
                .Value(static_cast<int64_t>(rounder.clipped()))
                .Value(static_cast<int64_t>(samples))
                .Value(peakText)
                .Value(levelText));
}

// The peak of the signal, for --normalize: a pass of its own, so that the
// signal need not be held.
bool SignalPeak(SoundReader& reader, double& peak, std::string& reason) {
  uint64_t frames = 0;
  peak = 0;
  return ReadSignal(reader, [&](const float* signal, size_t count) { peak = PeakOf(signal, count, peak); },
                    frames, reason) &&
         reader.Restart(reason);
}

AudioStatus Convert(Diagnostics& diag, std::string_view name, SoundReader& reader,
                    const AudioSettings& settings, uint64_t maxSamples, ByteBuffer& samples) {
  const int rate = reader.rate();
  if (rate != kPcmRate && !Resampler::Supports(rate, kPcmRate)) {
    return CantDecode(diag, name, msg::kSampleRateOutOfRange);
  }
  // Refused before decoding: a file announcing an hour need not be read.
  const double announced = AnnouncedSamples(reader);
  if (announced > static_cast<double>(maxSamples) + 1) {
    ReportTooLong(diag, name, static_cast<uint64_t>(announced + 0.5), maxSamples);
    return AudioStatus::TooLong;
  }
  std::string reason;
  double peak = 0;
  if (settings.normalize && !SignalPeak(reader, peak, reason)) return CantDecode(diag, name, reason);
  LevelRounder rounder(settings.normalize ? NormalizingGain(peak) : 1.0, settings.dither);
  uint64_t length = 0;
  uint64_t frames = 0;
  bool decoded = false;
  samples.clear();
  // Only the levels are kept, a byte a sample; past the limit the samples
  // are only counted, so that the refusal can say how long the file is.
  const SignalBlock keep = [&](const float* signal, size_t count) {
    length += count;
    if (length > maxSamples) return;
    samples.resize(samples.size() + count);
    rounder.Round(signal, count, samples.data() + samples.size() - count);
  };
  if (!TryAllocate(diag, [&] {
        samples.reserve(static_cast<size_t>(announced < maxSamples ? announced + 64 : maxSamples + 1));
        decoded = ReadSignal(reader, keep, frames, reason);
      })) {
    return AudioStatus::Failed;
  }
  if (!decoded) return CantDecode(diag, name, reason);
  if (length > maxSamples) {
    samples = ByteBuffer();
    ReportTooLong(diag, name, length, maxSamples);
    return AudioStatus::TooLong;
  }
  diag.PrintConversion(name, rate, reader.channels(), reader.Encoding(), static_cast<double>(frames) / rate,
                       samples.size(), rounder.clipped());
  if (rounder.clipped() > 0) WarnClipped(diag, name, rounder, samples.size());
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
  if (!source.Measure(kMaxHeldAudioBytes, true, size)) return CantDecode(diag, source.name(), msg::kAudioReadError);
  // Only a stream stops at the limit (and keeps nothing then); a regular
  // file is read where it lies.
  uint64_t regularSize = 0;
  if (size > kMaxHeldAudioBytes && !source.IsRegular(regularSize)) {
    diag.ErrorLimit(msg::kPcmStreamTooLarge, static_cast<uint32_t>(maxSamples));
    return AudioStatus::TooLong;
  }
  AudioStatus status = AudioStatus::Failed;
  {
    SoundReader reader;
    std::string reason;
    status = reader.Open(source, size, reason) ? Convert(diag, source.name(), reader, settings, maxSamples, samples)
                                              : CantDecode(diag, source.name(), reason);
  }
  // The stream's bytes are done with once decoded: the next source's
  // bytes never join them.
  source.Release();
  return status;
}

AudioStatus ConvertAudioBytes(Diagnostics& diag, std::string_view name, const uint8_t* data, size_t size,
                              const AudioSettings& settings, uint64_t maxSamples, ByteBuffer& samples) {
  SoundReader reader;
  std::string reason;
  if (!reader.Open(data, size, reason)) return CantDecode(diag, name, reason);
  return Convert(diag, name, reader, settings, maxSamples, samples);
}

}  // namespace psgc

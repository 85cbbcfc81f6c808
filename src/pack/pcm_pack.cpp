// PCM pack: "PCM", the stream count, one 8-byte entry per stream ("X", the
// bank pointer of its first sample, its length in 3 bytes), then the
// converted samples of every stream back to back. An audio source is
// decoded into memory while the streams are measured; a raw one is copied
// from its source.
#include "pack/pcm_pack.h"

#include <cstring>

#include "audio/audio_containers.h"
#include "common/byte_buffer.h"
#include "common/messages.h"
#include "common/output_file.h"
#include "format/layout.h"
#include "pack/pcm_levels.h"

namespace psgc {
namespace {


// Eight samples per step in one 64-bit word: shift, keep each byte's own
// five bits, then copy bit 4 into bits 5-7 (bit 4 times 14 sets exactly
// bits 5, 6 and 7 of its byte, so no byte carries into the next). The
// byte order of the word does not matter. Megabytes of samples pass
// through here, eight times faster than a byte at a time.
void ConvertPcmSamples(uint8_t* samples, size_t count) {
  constexpr uint64_t kLowFive = 0x1F1F1F1F1F1F1F1Full;
  constexpr uint64_t kBitFour = 0x1010101010101010ull;
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t word;
    std::memcpy(&word, samples + i, 8);
    word = (word >> 3) & kLowFive;
    word |= (word & kBitFour) * 14;
    std::memcpy(samples + i, &word, 8);
  }
  for (; i < count; ++i) samples[i] = ConvertPcmSample(samples[i]);
}

// Decodes an audio source into `decoded` and gives its length. False after
// reporting.
bool DecodeStream(Diagnostics& diag, SourceFile& source, const AudioSettings& audio, ByteBuffer& decoded,
                  uint64_t& length) {
  const AudioStatus status = ConvertAudioSource(diag, source, audio, kMaxPcmStreamBytes, decoded);
  length = decoded.size();
  return status == AudioStatus::Converted;
}

// Reads the source once more, a chunk at a time; only asked for when the
// warning is on. A short source is reported when it is copied.
PcmLevelShape SourceLevelShape(SourceFile& source, uint64_t length) {
  constexpr uint64_t kChunk = 256 * 1024;
  ByteBuffer chunk(length < kChunk ? length : kChunk);
  PcmLevelCounts counts;
  for (uint64_t offset = 0; offset < length;) {
    const size_t want = static_cast<size_t>(length - offset < kChunk ? length - offset : kChunk);
    const size_t got = source.ReadAt(offset, chunk.data(), want);
    CountPcmLevels(chunk.data(), got, counts);
    if (got < want) break;
    offset += want;
  }
  return ClassifyPcmLevels(counts);
}

// A decoded audio source is looked at as it will be packed. Decoding has
// settled the sign, so outer levels there are loud audio, never signed.
PcmLevelShape DecodedLevelShape(const ByteBuffer& samples) {
  PcmLevelCounts counts;
  CountPcmLevels(samples.data(), samples.size(), counts);
  const PcmLevelShape shape = ClassifyPcmLevels(counts);
  return shape == PcmLevelShape::Signed ? PcmLevelShape::Plausible : shape;
}

// A raw source that starts like an audio container was most likely meant
// to be decoded: named so, it would be. Only its first bytes are read.
void WarnAboutContainers(Diagnostics& diag, const Sources& sources, const std::vector<bool>& isAudio) {
  if (!diag.WarningOn(Warning::PcmContainer)) return;
  uint8_t head[kContainerProbeBytes];
  for (size_t i = 0; i < sources.size(); ++i) {
    if (isAudio[i]) continue;
    const size_t got = sources[i]->ReadAt(0, head, sizeof head);
    if (const AudioContainer* container = RecognizeAudioContainer(head, got)) {
      const std::string what = std::string(container->what) + msg::kWarnPcmContainerRaw + container->extension +
                               msg::kWarnPcmContainerTail + sources[i]->name();
      diag.Warn(Warning::PcmContainer, msg::kWarnPcmContainer, what,
                Detail().File(sources[i]->name()).Value(container->what).Value(container->extension));
    }
  }
}

void WarnAboutLevels(Diagnostics& diag, const Sources& sources, const std::vector<uint64_t>& lengths,
                     const std::vector<bool>& isAudio, const std::vector<ByteBuffer>& decoded) {
  if (!diag.WarningOn(Warning::PcmLevel)) return;
  for (size_t i = 0; i < sources.size(); ++i) {
    switch (isAudio[i] ? DecodedLevelShape(decoded[i]) : SourceLevelShape(*sources[i], lengths[i])) {
      case PcmLevelShape::Silent:
        diag.Warn(Warning::PcmLevel, msg::kWarnPcmSilent, sources[i]->name(), Detail().File(sources[i]->name()));
        break;
      case PcmLevelShape::Signed:
        diag.Warn(Warning::PcmLevel, msg::kWarnPcmSigned, sources[i]->name(), Detail().File(sources[i]->name()));
        break;
      case PcmLevelShape::Plausible:
        break;
    }
  }
}

}  // namespace

bool BuildPcmPack(Diagnostics& diag, OutputFile& output, const Sources& sources, const AudioSettings& audio,
                  PackWritten& pack) {
  diag.Print(msg::kPcmMode);
  const uint64_t count = sources.size();
  if (count > kMaxPcmStreams) {
    diag.ErrorLimit(msg::kTooManyPcmStreams, kMaxPcmStreams, Detail().Value(static_cast<int64_t>(count)));
    return false;
  }
  std::vector<uint64_t> lengths(count);
  std::vector<bool> isAudio(count);
  std::vector<ByteBuffer> decoded(count);
  uint64_t total = format::HeaderSize(count, format::kPcmEntrySize);
  for (size_t i = 0; i < count; ++i) {
    isAudio[i] = IsAudioSourceName(sources[i]->name());
    if (isAudio[i]) {
      if (!DecodeStream(diag, *sources[i], audio, decoded[i], lengths[i])) return false;
      total += lengths[i];
      // Decoded streams are held until written: stop before they outgrow
      // the largest output.
      if (!format::CheckOutputSize(diag, total)) return false;
      continue;
    }
    // A stream's bytes are kept only while the pack can still be written;
    // later ones are read only to tell whether they are too large.
    const bool keep = total <= format::kMaxOutputSize;
    if (!sources[i]->Measure(kMaxPcmStreamBytes, keep, lengths[i]) || lengths[i] > kMaxPcmStreamBytes) {
      diag.ErrorLimit(msg::kPcmStreamTooLarge, kMaxPcmStreamBytes, Detail().File(sources[i]->name()));
      return false;
    }
    total += lengths[i];
  }
  if (!format::CheckOutputSize(diag, total)) return false;
  WarnAboutContainers(diag, sources, isAudio);
  WarnAboutLevels(diag, sources, lengths, isAudio, decoded);
  ByteBuffer header(format::HeaderSize(count, format::kPcmEntrySize));
  format::PutFileHeader(header.data(), format::kPcmMark, static_cast<uint32_t>(count));
  uint64_t offset = header.size();
  for (size_t i = 0; i < count; ++i) {
    const auto length = static_cast<uint32_t>(lengths[i]);
    format::PutPcmEntry(&header[format::HeaderSize(i, format::kPcmEntrySize)], static_cast<uint32_t>(offset), length);
    offset += length;
  }
  output.Reserve(total);
  bool& written = pack.written;
  written = output.Append(header.data(), header.size());
  ByteBuffer chunk;
  for (size_t i = 0; i < count; ++i) {
    if (isAudio[i]) {
      ConvertPcmSamples(decoded[i].data(), decoded[i].size());
      if (written) written = output.Append(decoded[i].data(), decoded[i].size());
      decoded[i] = ByteBuffer();
      continue;
    }
    if (!StreamSource(*sources[i], lengths[i], output, written, ConvertPcmSamples, chunk)) {
      diag.Error(msg::kUnexpectedEndOfInclude, Detail().File(sources[i]->name()));
      return false;
    }
  }
  pack.size = total;
  return true;
}

void PrintPcmSummary(Diagnostics& diag, uint64_t size) {
  constexpr double kSecondsPerSample = 1.0 / format::kPcmSamplesPerSecond;
  diag.PrintPcmSummary(static_cast<uint32_t>(size), static_cast<double>(size) * kSecondsPerSample);
}

}  // namespace psgc

// PCM pack: raw 8-bit unsigned PCM samples (or audio files) joined into one
// file behind a table of their positions and lengths.
#pragma once

#include <cstdint>

#include "audio/audio_source.h"
#include "common/diagnostics.h"
#include "format/layout.h"
#include "pack/pack_stream.h"

namespace psgc {

inline constexpr uint32_t kMaxPcmStreams = format::kMaxCount;
inline constexpr uint32_t kMaxPcmStreamBytes = format::kMaxPcmLength;

// Audio files among the sources are converted first (see audio_source.h)
// and then packed like raw streams. Streams the pack into `output`, which
// the caller commits. False after reporting.
bool BuildPcmPack(Diagnostics& diag, OutputFile& output, const Sources& sources, const AudioSettings& audio,
                  PackWritten& pack);
// The size line of a committed pack of `size` bytes, with its playing time.
void PrintPcmSummary(Diagnostics& diag, uint64_t size);

// A raw unsigned sample reduced to five significant bits: the signed byte
// shifted right by three, so bits 5-7 repeat bit 7 (0x80 becomes 0xF0).
inline uint8_t ConvertPcmSample(uint8_t sample) {
  return static_cast<uint8_t>(static_cast<int8_t>(sample) >> 3);
}

}  // namespace psgc

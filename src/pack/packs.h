// The two pack builders: MUS binaries joined into a track pack, and raw
// 8-bit unsigned PCM samples (or audio files) joined into a PCM pack. Each
// writes the output itself and is false after reporting.
#pragma once

#include <memory>
#include <vector>

#include "audio/audio_source.h"
#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "common/output_file.h"
#include "format/layout.h"

namespace psgc {

using Sources = std::vector<std::unique_ptr<SourceFile>>;

inline constexpr uint32_t kMaxPcmStreams = format::kMaxCount;
inline constexpr uint32_t kMaxPcmStreamBytes = format::kMaxPcmLength;

bool BuildTrackPack(Diagnostics& diag, OutputFile& output, const Sources& sources);
// Streams `length` bytes of `source` into `output` chunk by chunk, passing
// each chunk through `convert` (if any); without one the kernel copies
// where it can. `chunk` is the scratch buffer, kept from source to source.
// False when the source delivers fewer bytes. A failed write only clears
// `written`: reading goes on, so a short source is still the error reported.
bool StreamSource(SourceFile& source, uint64_t length, OutputFile& output, bool& written,
                  void (*convert)(uint8_t* data, size_t size), ByteBuffer& chunk);
// Audio files among the sources are converted first (see audio_source.h)
// and then packed like raw streams.
bool BuildPcmPack(Diagnostics& diag, OutputFile& output, const Sources& sources, const AudioSettings& audio);

// A raw unsigned sample reduced to five significant bits: the signed byte
// shifted right by three, so bits 5-7 repeat bit 7 (0x80 becomes 0xF0).
inline uint8_t ConvertPcmSample(uint8_t sample) {
  return static_cast<uint8_t>(static_cast<int8_t>(sample) >> 3);
}

}  // namespace psgc

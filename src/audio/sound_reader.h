// Audio files read through libsndfile, from an open source file or from
// bytes in memory, as mono frames: several channels are averaged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_libraries.h"
#include "common/source_file.h"

namespace psgc {

class SoundReader {
 public:
  SoundReader() = default;
  SoundReader(const SoundReader&) = delete;
  SoundReader& operator=(const SoundReader&) = delete;
  ~SoundReader();

  // False with libsndfile's `reason` when the data is no audio it can read,
  // or with the loader's when the audio libraries cannot be loaded.
  bool Open(const uint8_t* data, size_t size, std::string& reason);
  // `size` is what the source measured; its bytes come through ReadAt.
  bool Open(SourceFile& file, uint64_t size, std::string& reason);

  // Opens the same input again from its start, for a second pass.
  bool Restart(std::string& reason);

  int rate() const { return info_.samplerate; }
  int channels() const { return info_.channels; }
  // The frame count the file announces; it may be unknown (negative or huge).
  int64_t frames() const { return info_.frames; }
  // The sample encoding as the progress line names it ("16-bit", "Vorbis").
  std::string Encoding() const;

  // Replaces `mono` with the next frames (at most a chunk), mixed to mono.
  // Empty at the end. False with `reason` after a decoding error.
  bool ReadMono(std::vector<float>& mono, std::string& reason);

  // Where libsndfile reads from: a source file, or bytes in memory.
  struct Input {
    SourceFile* file = nullptr;
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int64_t position = 0;
  };

 private:
  bool OpenInput(std::string& reason);

  const AudioLibraries* audio_ = nullptr;
  Input input_;
  SF_INFO info_{};
  SNDFILE* file_ = nullptr;
  std::vector<float> interleaved_;
};

}  // namespace psgc

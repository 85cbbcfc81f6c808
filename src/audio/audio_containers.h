// Audio containers told by their first bytes. A -pcm source packed raw (by
// its name) that starts like one is almost surely audio handed over under
// the wrong name: packed as raw bytes it plays as noise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace psgc {

struct AudioContainer {
  const char* what;       // "a WAV file"
  const char* extension;  // the name that has it decoded: ".wav"
};

// How many first bytes RecognizeAudioContainer looks at, at most: enough
// for an MPEG audio frame and the header of the next one.
inline constexpr size_t kContainerProbeBytes = 4096;

// The container whose signature the `size` first bytes of a file carry,
// or null: RIFF/WAVE, FORM/AIFF or AIFC, fLaC, OggS, an ID3 tag, two MPEG
// audio frames in a row, caff.
const AudioContainer* RecognizeAudioContainer(const uint8_t* head, size_t size);

}  // namespace psgc

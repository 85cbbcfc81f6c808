// Notes and pitches: a note token becomes a frequency, a frequency and an
// instrument's tuning a PSG period.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/diagnostics.h"

namespace psgc {

// The frequency in hertz of a note token such as a.4, cs3 or bb-1.
// False after "Unable to parse note : " and the token. The octave's digits
// may be followed by other characters, which are ignored; `used`, when
// given, receives how many characters were read (3 for a.4x).
bool ParseNote(Diagnostics& diag, std::string_view token, double& frequency, size_t* used = nullptr);
// As ParseNote, without a message: false when `token` is no note.
bool NoteFrequency(std::string_view token, double& frequency, size_t* used = nullptr);
// The note a mistyped token may have meant ("c4", "C.4" and "c#4" give
// "c.4", "c.4", "cs4"), or empty when none is near.
std::string SuggestNote(std::string_view token);

// 32 samples per PSG waveform: the tuning of standard pitch.
inline constexpr double kStandardTuning = 32.0;

inline constexpr uint16_t kMaxTonePeriod = 4095;  // the 12-bit frequency register
inline constexpr uint16_t kMaxNoisePeriod = 31;   // the 5-bit noise frequency

// The PSG period of a frequency: 0 to 4095 for a tone, 0 to 31 for noise.
// `clamped`, when given, is set when the exact period lies outside 1 to
// the highest, so that the note cannot sound as written.
uint16_t NotePeriod(double frequency, double tuning, bool noise, bool* clamped = nullptr);

}  // namespace psgc

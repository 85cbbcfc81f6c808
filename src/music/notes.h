// Notes and pitches: a note line becomes a PSG period and a wait.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"
#include "common/script_lines.h"
#include "music/music_script.h"

namespace psgc {

// The frequency in hertz of a note token such as a.4, cs3 or bb-1.
// Returns 0, or -1 after "Unable to parse note : " and the token.
int ParseNote(Diagnostics& diag, std::string_view token, double& frequency);

// The PSG period of a frequency: 0 to 4095 for a tone, 0 to 31 for noise.
uint16_t NotePeriod(double frequency, double tuning, bool noise);

// A note line: the note event, then the duration's wait.
HandlerStatus HandleNoteLine(MusicScript& script, LineTokens& tokens, std::string_view note);

}  // namespace psgc

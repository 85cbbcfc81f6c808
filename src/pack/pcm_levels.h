// A look at the levels of a raw PCM source, for the pcm-level warning: the
// pack takes 8-bit unsigned samples, and a source that is silent or has
// the shape of signed samples was most likely exported wrongly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace psgc {

struct PcmLevelCounts {
  uint64_t samples = 0;
  uint64_t nearCentre = 0;  // 0x78..0x87: silence, or hiss below the 5 bits kept
  uint64_t nearEnds = 0;    // below 0x40 or from 0xC0: the outer quarters
  uint64_t middle = 0;      // 0x60..0x9F
};

enum class PcmLevelShape { Plausible, Silent, Signed };

void CountPcmLevels(const uint8_t* samples, size_t count, PcmLevelCounts& counts);

// Silent: every sample near the centre. Signed: three quarters or more in
// the outer quarters and at most one in sixteen in the middle, which is how
// quiet signed audio (values around 0x00 and 0xFF) reads as unsigned. An
// empty source is plausible.
PcmLevelShape ClassifyPcmLevels(const PcmLevelCounts& counts);

}  // namespace psgc

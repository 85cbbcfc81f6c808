// PCM levels: counting a source's samples by distance from the centre.
#include "pack/pcm_levels.h"

namespace psgc {

void CountPcmLevels(const uint8_t* samples, size_t count, PcmLevelCounts& counts) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t s = samples[i];
    counts.nearCentre += s >= 0x78 && s <= 0x87;
    counts.nearEnds += s < 0x40 || s >= 0xC0;
    counts.middle += s >= 0x60 && s <= 0x9F;
  }
  counts.samples += count;
}

PcmLevelShape ClassifyPcmLevels(const PcmLevelCounts& c) {
  if (c.samples == 0) return PcmLevelShape::Plausible;
  if (c.nearCentre == c.samples) return PcmLevelShape::Silent;
  if (c.nearEnds * 4 >= c.samples * 3 && c.middle * 16 <= c.samples) return PcmLevelShape::Signed;
  return PcmLevelShape::Plausible;
}

}  // namespace psgc

// Decoders of the SFX binary, the track pack and the PCM pack. Each reads
// the binary behind `reader` into `out`; false at the first fault.
#pragma once

#include "dump/decoder_parts.h"

namespace psgc::dump {

bool DecodeSfx(Reader& reader, Decoded& out);
bool DecodeTrk(Reader& reader, Decoded& out);
bool DecodePcm(Reader& reader, Decoded& out);

}  // namespace psgc::dump

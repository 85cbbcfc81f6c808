// Decoder of the MUS binary: reads the binary behind `reader` into `out`;
// false at the first fault.
#pragma once

#include "dump/decoder_parts.h"

namespace psgc::dump {

bool DecodeMus(Reader& reader, Decoded& out);

}  // namespace psgc::dump

// The instrument table turned into bytes: the SFX binary of -sfx, and the
// instrument table block that ends a MUS binary.
#pragma once

#include <cstdint>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "sfx/instrument_table.h"

namespace psgc {

// Prints the count and size lines and leaves the binary in `image`. False
// after reporting.
bool BuildSfxBinary(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& image);
// Prints the count and size lines. For an empty table: true with an empty
// block and count 0.
bool BuildInstrumentTable(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& block,
                         uint32_t& count);

}  // namespace psgc

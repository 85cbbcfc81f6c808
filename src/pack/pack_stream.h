// Copying a pack's sources into its output: in the kernel where nothing
// changes on the way, else a chunk at a time, so that a pack never holds
// more than one chunk of its samples or songs in memory.
#pragma once

#include <cstdint>

#include "common/byte_buffer.h"
#include "common/output_file.h"
#include "common/source_file.h"

namespace psgc {

// What a pack builder leaves for the driver, which commits the output.
struct PackWritten {
  bool written = true;  // every byte reached the output
  uint64_t size = 0;
};

// Streams `length` bytes of `source` into `output` chunk by chunk, passing
// each chunk through `convert` (if any); without one the kernel copies
// where it can. `chunk` is the scratch buffer, kept from source to source.
// False when the source delivers fewer bytes. A failed write only clears
// `written`: reading goes on, so a short source is still the error reported.
bool StreamSource(SourceFile& source, uint64_t length, OutputFile& output, bool& written,
                  void (*convert)(uint8_t* data, size_t size), ByteBuffer& chunk);

}  // namespace psgc

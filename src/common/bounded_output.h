// Outputs built by bounded appends: bytes below a limit are kept, those
// past it only counted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"

namespace psgc {

// An output whose size is limited (as every binary is) is built by appends
// at its `offset`, the count of bytes emitted so far. Bytes below `limit`
// are kept in `bytes`; those past it are only counted, so that a few huge
// waits cannot take gigabytes of memory before the output is refused by its
// size. Each append advances `offset` by its full size; it is false after
// "ERROR- Out of Memory.", with nothing appended.
struct BoundedOutput {
  ByteBuffer& bytes;
  uint64_t& offset;
  uint64_t limit;
};
bool AppendBoundedGrowing(Diagnostics& diag, const BoundedOutput& out, const uint8_t* data, size_t size);
inline bool AppendBounded(Diagnostics& diag, const BoundedOutput& out, const uint8_t* data, size_t size) {
  // Nearly every append is an event of a few bytes that fits below the
  // limit and in the capacity. Inserted as a range, not pushed a byte at a
  // time: each push stores the vector's end anew, and the next push must
  // wait to load it back.
  ByteBuffer& bytes = out.bytes;
  if (out.offset + size > out.limit || bytes.capacity() - bytes.size() < size) {
    return AppendBoundedGrowing(diag, out, data, size);
  }
  bytes.insert(bytes.end(), data, data + size);
  out.offset += size;
  return true;
}
// How many of `size` bytes appended now fall below the output's limit.
inline uint64_t KeptBelow(const BoundedOutput& out, uint64_t size) {
  const uint64_t room = out.offset < out.limit ? out.limit - out.offset : 0;
  return size < room ? size : room;
}

}  // namespace psgc

// Appends past the limit or the capacity.
#include "common/bounded_output.h"

#include <cstring>

namespace psgc {

bool AppendBoundedGrowing(Diagnostics& diag, const BoundedOutput& out, const uint8_t* data, size_t size) {
  const uint64_t kept = KeptBelow(out, size);
  if (kept > 0) {
    if (!GrowArray(diag, out.bytes, out.bytes.size() + kept)) return false;
    // Events are a few bytes: resizing and copying is much cheaper than
    // the general range insert.
    const size_t at = out.bytes.size();
    out.bytes.resize(at + kept);
    std::memcpy(out.bytes.data() + at, data, kept);
  }
  out.offset += size;
  return true;
}

}  // namespace psgc

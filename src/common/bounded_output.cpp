// Appends past the limit or the capacity.
#include "common/bounded_output.h"

namespace psgc {

bool AppendBoundedGrowing(Diagnostics& diag, const BoundedOutput& out, const uint8_t* data, size_t size) {
  const uint64_t kept = KeptBelow(out, size);
  if (kept > 0) {
    if (!GrowArray(diag, out.bytes, out.bytes.size() + kept)) return false;
    out.bytes.insert(out.bytes.end(), data, data + kept);
  }
  out.offset += size;
  return true;
}

}  // namespace psgc

// Array growth hints and bounded appends.
#include "common/byte_buffer.h"

#include <sys/mman.h>

#include <cstring>

namespace psgc {

void AdviseHugePages(const void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  constexpr uintptr_t kPage = 4096;
  if (bytes < kHugePage) return;
  const auto begin = reinterpret_cast<uintptr_t>(data) & ~(kPage - 1);
  const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
  ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

// Appends that reach the limit or the capacity.
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

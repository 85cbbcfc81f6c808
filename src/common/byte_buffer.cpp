// Array growth hints.
#include "common/byte_buffer.h"

#include <sys/mman.h>


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
}  // namespace psgc

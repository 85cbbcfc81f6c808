// Banked pointers, bounded appends and the output size limit.
#include "common/byte_buffer.h"

#include <sys/mman.h>

#include <cstring>

namespace psgc {

BankPointer EncodeBankPointer(uint32_t offset) {
  return {static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>((offset >> 8) & 0x1F),
          static_cast<uint8_t>((offset >> 13) & 0x1F), static_cast<uint8_t>((offset >> 18) & 0xFF)};
}

void PutBankPointer(uint8_t* at, uint32_t offset) {
  const BankPointer p = EncodeBankPointer(offset);
  at[0] = p[0];
  at[1] = p[1];
  at[2] = p[2];
  at[3] = p[3];
}

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

uint64_t WaitEncodingSize(uint32_t duration) { return 2 * ((uint64_t{duration} + 254) / 255); }

namespace {

// How many of `size` bytes appended at `offset` fall below `limit`.
uint64_t KeptBelow(uint64_t offset, uint64_t size, uint64_t limit) {
  const uint64_t room = offset < limit ? limit - offset : 0;
  return size < room ? size : room;
}

}  // namespace

// Appends that reach the limit or the capacity.
bool AppendBoundedGrowing(Diagnostics& diag, const BoundedOutput& out, const uint8_t* data, size_t size) {
  const uint64_t kept = KeptBelow(out.offset, size, out.limit);
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

// The pairs are laid down at once: a long wait is millions of bytes.
bool AppendWaitBounded(Diagnostics& diag, const BoundedOutput& out, uint8_t code, uint32_t duration) {
  if (duration >= 1 && duration <= 255) {
    const uint8_t pair[] = {code, static_cast<uint8_t>(duration)};
    return AppendBounded(diag, out, pair, sizeof pair);
  }
  const uint64_t size = WaitEncodingSize(duration);
  const uint64_t kept = KeptBelow(out.offset, size, out.limit);
  if (kept > 0) {
    if (!GrowArray(diag, out.bytes, out.bytes.size() + kept)) return false;
    const uint64_t lastPair = size - 2;
    const auto rest = static_cast<uint8_t>(duration - 255 * (lastPair / 2));
    const size_t start = out.bytes.size();
    out.bytes.resize(start + kept, 0xFF);
    for (uint64_t i = 0; i < kept; i += 2) out.bytes[start + i] = code;
    if (kept > lastPair + 1) out.bytes[start + lastPair + 1] = rest;
  }
  out.offset += size;
  return true;
}

bool CheckOutputSize(Diagnostics& diag, uint64_t size) {
  if (size <= kMaxOutputSize) return true;
  diag.Error(msg::kOutputTooLarge);
  return false;
}

}  // namespace psgc

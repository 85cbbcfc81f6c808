// The byte buffer and growable arrays: first allocations and growth that
// report running out of memory instead of ending the run.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/diagnostics.h"
#include "common/messages.h"

namespace psgc {

// Large buffers start on a page. The kernel copies a file's pages into
// and out of a buffer several times faster when the buffer's bytes lie at
// the same offsets within their pages as the file's do, and outputs and
// chunks are read and written whole. malloc puts large blocks 16 bytes
// past a page. Small buffers keep the plain allocation.
template <class T>
struct PageAlignedAllocator {
  using value_type = T;
  static constexpr size_t kPage = 4096;
  static constexpr size_t kLarge = 64 * 1024;

  PageAlignedAllocator() = default;
  template <class U>
  PageAlignedAllocator(const PageAlignedAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n * sizeof(T) < kLarge) return static_cast<T*>(::operator new(n * sizeof(T)));
    return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{kPage}));
  }
  void deallocate(T* p, size_t n) {
    if (n * sizeof(T) < kLarge) {
      ::operator delete(p);
    } else {
      ::operator delete(p, std::align_val_t{kPage});
    }
  }
  friend bool operator==(const PageAlignedAllocator&, const PageAlignedAllocator&) { return true; }
  friend bool operator!=(const PageAlignedAllocator&, const PageAlignedAllocator&) { return false; }
};

using ByteBuffer = std::vector<uint8_t, PageAlignedAllocator<uint8_t>>;

// First capacities of the growing arrays.
inline constexpr size_t kFirstByteCapacity = 1024;
inline constexpr size_t kFirstRecordCapacity = 64;

// Runs a first allocation (a buffer, a list, an image). Returns false after
// `message` when memory runs out.
template <class Allocation>
bool TryAllocate(Diagnostics& diag, Allocation&& allocation, const Message& message = msg::kOutOfMemory) {
  try {
    allocation();
    return true;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // a size past what the system can give: no memory either
  }
  diag.Error(message);
  return false;
}

// Makes room for `required` elements. A full array at least doubles, so
// appends cost amortised constant time; past kLargeArrayBytes it grows
// eightfold, since capacity never written costs address space only while
// each move copies the array into freshly faulted pages. A jump grows to
// `required` itself. False after "ERROR- Out of Memory.", with the array
// unchanged.
inline constexpr size_t kLargeArrayBytes = size_t{1} << 20;
template <class T, class Allocator>
bool GrowArray(Diagnostics& diag, std::vector<T, Allocator>& array, size_t required) {
  if (array.capacity() >= required) return true;
  const size_t factor = array.capacity() * sizeof(T) >= kLargeArrayBytes ? 8 : 2;
  const size_t grown = array.capacity() * factor;
  const size_t capacity = grown > required && grown <= array.max_size() ? grown : required;
  return TryAllocate(diag, [&] { array.reserve(capacity); }, msg::kOutOfMemoryGrow);
}

// Appends one element under the growth rule.
template <class T>
bool AppendElement(Diagnostics& diag, std::vector<T>& array, T&& element) {
  if (!GrowArray(diag, array, array.size() + 1)) return false;
  array.push_back(std::move(element));
  return true;
}

}  // namespace psgc

// Growable arrays, the byte buffer, and the banked pointers that every
// output format uses for positions.
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/diagnostics.h"
#include "common/messages.h"

namespace psgc {

using ByteBuffer = std::vector<uint8_t>;

// First capacities of the growing arrays.
inline constexpr size_t kFirstByteCapacity = 1024;
inline constexpr size_t kFirstRecordCapacity = 64;

// Runs a first allocation (a buffer, a list, an image). Returns false after
// `message` when memory runs out.
template <class Allocation>
bool TryAllocate(Diagnostics& diag, Allocation&& allocation, const char* message = msg::kOutOfMemory) {
  try {
    allocation();
  } catch (const std::bad_alloc&) {
    diag.Error(message);
    return false;
  } catch (const std::length_error&) {
    diag.Error(message);
    return false;
  }
  return true;
}

// Makes room for `required` elements. A full array at least doubles, so
// appends cost amortised constant time; past kLargeArrayBytes it grows
// eightfold, since capacity never written costs address space only while
// each move copies the array into freshly faulted pages. A jump grows to
// `required` itself. False after "ERROR- Out of Memory.", with the array
// unchanged.
inline constexpr size_t kLargeArrayBytes = size_t{1} << 20;
template <class T>
bool GrowArray(Diagnostics& diag, std::vector<T>& array, size_t required) {
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

// Asks the system to back a large buffer that is about to be written
// front to back with huge pages where it can: one fault per 2 MiB instead
// of one per 4 KiB page. Only a hint; it changes no content.
void AdviseHugePages(const void* data, size_t bytes);

// Both script languages encode a duration as pairs (code, n): n = 255 while
// more than 255 remain, then the rest; nothing at all for 0.
uint64_t WaitEncodingSize(uint32_t duration);

// An output whose size is limited (see kMaxOutputSize) is built by appends
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
  // limit and in the capacity: pushed a byte at a time, with no call.
  ByteBuffer& bytes = out.bytes;
  if (out.offset + size > out.limit || bytes.capacity() - bytes.size() < size) {
    return AppendBoundedGrowing(diag, out, data, size);
  }
  for (size_t i = 0; i < size; ++i) bytes.push_back(data[i]);
  out.offset += size;
  return true;
}
// Appends the wait pairs of `duration` with the pair code `code`.
bool AppendWaitBounded(Diagnostics& diag, const BoundedOutput& out, uint8_t code, uint32_t duration);

// A position in 4 bytes: the offset inside an 8 KiB bank (little-endian,
// 13 bits), the bank within a group of 32 banks, and the group.
using BankPointer = std::array<uint8_t, 4>;
BankPointer EncodeBankPointer(uint32_t offset);
void PutBankPointer(uint8_t* at, uint32_t offset);
// Appends the pointer (room must be reserved).
inline void AppendBankPointer(ByteBuffer& bytes, uint32_t offset) {
  const BankPointer p = EncodeBankPointer(offset);
  bytes.insert(bytes.end(), p.begin(), p.end());
}

// Bank pointers hold offsets below 2^26, so no output may be larger.
inline constexpr uint64_t kMaxOutputSize = 67108863;
// Reports "ERROR- Output too large" and returns false above the limit.
bool CheckOutputSize(Diagnostics& diag, uint64_t size);

}  // namespace psgc

// The dump's entry point, DecodeBinary, and the pieces the format decoders
// share: bounded reads that stop at the first fault, offsets written as
// the listing writes them, and the check that the listed items cover the
// file once.
#pragma once

#include <string>
#include <vector>

#include "dump/decoded.h"

namespace psgc::dump {

struct Reader {
  const uint8_t* data;
  uint32_t size;
  DumpFault& fault;
  const LetGo* letGo = nullptr;
  uint32_t sinceLetGo = 0;

  // Counts bytes read through; lets go of them every few megabytes.
  void ReadThrough(uint32_t bytes) {
    sinceLetGo += bytes;
    if (sinceLetGo >= kLetGoEvery && letGo != nullptr && *letGo) {
      (*letGo)();
      sinceLetGo = 0;
    }
  }
  static constexpr uint32_t kLetGoEvery = 2u << 20;

  bool Fail(uint32_t offset, const Message& message) {
    fault = {offset, &message};
    return false;
  }
  // The pointer whose four bytes stand at `at`, which must name an offset
  // in [lowest, highest] (and never past the end of the file).
  bool Pointer(uint32_t at, uint32_t lowest, uint32_t highest, uint32_t& target);
};

std::string Hex(uint32_t value, int digits);
// "1 byte", "2 bytes".
std::string Bytes(uint32_t count);
// "001C (00:001C)": the offset and the bank:offset-in-bank a pointer holds.
std::string Place(uint32_t offset);
// ", banks 00-01" or ", bank 00", for an item of `size` bytes at `offset`.
std::string BankSpan(uint32_t offset, uint32_t size);
// " -- crosses bank 01 at 2000" for each bank boundary inside the item.
std::string BankCrossing(uint32_t offset, uint32_t size);

// The first of the sorted `starts` after `start`, or `limit`.
uint32_t NextStart(const std::vector<uint32_t>& starts, uint32_t start, uint32_t limit);

// Event streams found through pointers: each distinct start runs to the
// next start of an item or stream (or `limit`) and becomes one listed item
// named after every owner that points at it. Returns the stream index per
// start.
struct StreamRef {
  uint32_t start;
  std::string owner;
};
std::vector<int> AddStreams(Decoded& out, const std::vector<StreamRef>& refs, uint32_t limit,
                            const format::EventLanguage& language);

// Sorts the items, refuses overlapping ones and lists the bytes that no
// item holds as unreferenced.
bool FinishItems(Reader& reader, Decoded& out);

// Decodes one binary, choosing the decoder by its mark. False with
// `fault` set when it cannot be decoded.
bool DecodeBinary(const uint8_t* data, uint32_t size, Decoded& out, DumpFault& fault,
                  const LetGo& letGo = LetGo());

}  // namespace psgc::dump

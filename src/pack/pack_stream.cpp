// Copying a pack's sources into its output a chunk at a time, so that a
// pack never holds more than one chunk of its samples or songs in memory.
#include <vector>

#include "pack/packs.h"

namespace psgc {

bool StreamSource(SourceFile& source, uint64_t length, OutputFile& output, bool& written,
                  void (*convert)(uint8_t* data, size_t size)) {
  constexpr uint64_t kChunk = 256 * 1024;
  std::vector<uint8_t> chunk(length < kChunk ? length : kChunk);
  for (uint64_t offset = 0; offset < length;) {
    const size_t want = static_cast<size_t>(length - offset < kChunk ? length - offset : kChunk);
    if (source.ReadAt(offset, chunk.data(), want) != want) return false;
    if (convert != nullptr) convert(chunk.data(), want);
    if (written) written = output.Append(chunk.data(), want);
    offset += want;
  }
  return true;
}

}  // namespace psgc

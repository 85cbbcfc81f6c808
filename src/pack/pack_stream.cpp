// A pack's sources copied into its output a chunk at a time.
#include "pack/pack_stream.h"

#include <memory>

namespace psgc {

bool StreamSource(SourceFile& source, uint64_t length, OutputFile& output, bool& written,
                  void (*convert)(uint8_t* data, size_t size)) {
  constexpr uint64_t kChunk = 256 * 1024;
  // Left uninitialised: every byte is read before it is used.
  const std::unique_ptr<uint8_t[]> chunk(new uint8_t[length < kChunk ? length : kChunk]);
  for (uint64_t offset = 0; offset < length;) {
    const size_t want = static_cast<size_t>(length - offset < kChunk ? length - offset : kChunk);
    if (source.ReadAt(offset, chunk.get(), want) != want) return false;
    if (convert != nullptr) convert(chunk.get(), want);
    if (written) written = output.Append(chunk.get(), want);
    offset += want;
  }
  return true;
}

}  // namespace psgc

// A pack's sources copied into its output: in the kernel where nothing
// changes on the way, else a chunk at a time, so that a pack never holds
// more than one chunk of its samples or songs in memory.
#include "pack/pack_stream.h"

#include <cstdint>

namespace psgc {

bool StreamSource(SourceFile& source, uint64_t length, OutputFile& output, bool& written,
                  void (*convert)(uint8_t* data, size_t size), ByteBuffer& chunk) {
  uint64_t offset = 0;
  // Bytes copied unchanged need not pass through this process at all.
  if (convert == nullptr && written) offset = output.AppendCopied(source, 0, length);
  if (offset == length) return true;
  // Large reads and writes, yet a chunk small enough to stay in the
  // processor's cache from the read through the conversion to the write:
  // a megabyte chunk costs a third more time than this.
  constexpr uint64_t kChunk = 256 * 1024;
  // The kernel copies into and out of the chunk fastest when it starts on
  // a page, as malloc's large blocks do not: the chunk is a page-aligned
  // window into the buffer.
  constexpr uintptr_t kPage = 4096;
  const uint64_t rest = length - offset;
  const size_t room = static_cast<size_t>(rest < kChunk ? rest : kChunk);
  if (chunk.size() < room + kPage) chunk.resize(room + kPage);
  uint8_t* const data = chunk.data() + (kPage - reinterpret_cast<uintptr_t>(chunk.data()) % kPage) % kPage;
  const uint64_t most = chunk.size() - static_cast<size_t>(data - chunk.data());
  while (offset < length) {
    const size_t want = static_cast<size_t>(length - offset < most ? length - offset : most);
    if (source.ReadAt(offset, data, want) != want) return false;
    if (convert != nullptr) convert(data, want);
    if (written) written = output.Append(data, want);
    offset += want;
  }
  return true;
}

}  // namespace psgc

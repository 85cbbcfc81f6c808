// A pack's sources copied into its output: in the kernel where nothing
// changes on the way, else a chunk at a time, so that a pack never holds
// more than one chunk of its samples or songs in memory.
#include "pack/pack_stream.h"

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
  const uint64_t rest = length - offset;
  if (chunk.size() < kChunk && chunk.size() < rest) chunk.resize(rest < kChunk ? rest : kChunk);
  while (offset < length) {
    const uint64_t most = chunk.size();
    const size_t want = static_cast<size_t>(length - offset < most ? length - offset : most);
    if (source.ReadAt(offset, chunk.data(), want) != want) return false;
    if (convert != nullptr) convert(chunk.data(), want);
    if (written) written = output.Append(chunk.data(), want);
    offset += want;
  }
  return true;
}

}  // namespace psgc

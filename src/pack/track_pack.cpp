// Track pack: "TRK", the song count, one bank pointer per song, then the
// songs back to back, unchanged and unexamined.
#include <new>

#include "common/byte_buffer.h"
#include "common/messages.h"
#include "pack/packs.h"

namespace psgc {

int BuildTrackPack(Diagnostics& diag, OutputFile& output, const Sources& sources) {
  const uint64_t count = sources.size();
  std::vector<uint64_t> sizes(count);
  uint64_t total = 4 + 4 * count;
  for (size_t i = 0; i < count; ++i) {
    if (!sources[i]->Measure(sizes[i])) {
      diag.Error(msg::kUnexpectedEndOfInclude);
      return -1;
    }
    total += sizes[i];
  }
  if (!CheckOutputSize(diag, total)) return -1;
  ByteBuffer pack;
  try {
    pack.resize(total);
  } catch (const std::bad_alloc&) {
    diag.Error(msg::kOutOfMemory);
    return -1;
  }
  pack[0] = 'T';
  pack[1] = 'R';
  pack[2] = 'K';
  pack[3] = static_cast<uint8_t>(count);
  uint64_t position = 4 + 4 * count;
  for (size_t i = 0; i < count; ++i) {
    PutBankPointer(&pack[4 + 4 * i], static_cast<uint32_t>(position));
    if (sources[i]->ReadFromStart(pack.data() + position, sizes[i]) != sizes[i]) {
      diag.Error(msg::kUnexpectedEndOfInclude);
      return -1;
    }
    position += sizes[i];
  }
  diag.PrintSize(msg::kPakSize, static_cast<uint32_t>(total));
  if (!output.WriteAndCommit(pack.data(), pack.size())) {
    diag.Error(msg::kCouldntWriteOutput);
    return -1;
  }
  return 0;
}

}  // namespace psgc

// PCM pack: "PCM", the stream count, one 8-byte entry per stream ("X", the
// bank pointer of its first sample, its length in 3 bytes), then the
// converted samples of every stream back to back.
#include <new>

#include "common/byte_buffer.h"
#include "common/messages.h"
#include "pack/packs.h"

namespace psgc {
namespace {

// The console plays 6992 samples a second.
constexpr double kSecondsPerSample = 1.0 / 6992;

}  // namespace

int BuildPcmPack(Diagnostics& diag, OutputFile& output, const Sources& sources) {
  diag.Print(msg::kPcmMode);
  const uint64_t count = sources.size();
  if (count > kMaxPcmStreams) {
    diag.ErrorLimit(msg::kTooManyPcmStreams, kMaxPcmStreams);
    return -1;
  }
  std::vector<uint64_t> lengths(count);
  uint64_t total = 4 + 8 * count;
  for (size_t i = 0; i < count; ++i) {
    if (!sources[i]->Measure(lengths[i]) || lengths[i] > kMaxPcmStreamBytes) {
      diag.ErrorLimit(msg::kPcmStreamTooLarge, kMaxPcmStreamBytes);
      return -1;
    }
    total += lengths[i];
  }
  if (!CheckOutputSize(diag, total)) return -1;
  ByteBuffer pack;
  try {
    pack.resize(total);
  } catch (const std::bad_alloc&) {
    diag.Error(msg::kOutOfMemory);
    return -1;
  }
  pack[0] = 'P';
  pack[1] = 'C';
  pack[2] = 'M';
  pack[3] = static_cast<uint8_t>(count);
  uint64_t offset = 4 + 8 * count;
  for (size_t i = 0; i < count; ++i) {
    uint8_t* entry = &pack[4 + 8 * i];
    const auto length = static_cast<uint32_t>(lengths[i]);
    entry[0] = 'X';
    PutBankPointer(entry + 1, static_cast<uint32_t>(offset));
    entry[5] = static_cast<uint8_t>(length);
    entry[6] = static_cast<uint8_t>(length >> 8);
    entry[7] = static_cast<uint8_t>(length >> 16);
    uint8_t* samples = pack.data() + offset;
    if (sources[i]->ReadFromStart(samples, length) != length) {
      diag.Error(msg::kUnexpectedEndOfInclude);
      return -1;
    }
    for (uint32_t s = 0; s < length; ++s) samples[s] = ConvertPcmSample(samples[s]);
    offset += length;
  }
  if (!output.WriteAndCommit(pack.data(), pack.size())) {
    diag.Error(msg::kCouldntWriteOutput);
    return -1;
  }
  diag.PrintPcmSummary(static_cast<uint32_t>(total), static_cast<double>(total) * kSecondsPerSample);
  return 0;
}

}  // namespace psgc

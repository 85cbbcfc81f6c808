// Fuzzes the dump with any bytes as a binary: it must never read outside
// them, never loop, and when it decodes, its items must cover every byte
// once and every stream's events must follow one another inside it.
#include <cstddef>
#include <cstdint>

#include "dump/decoder_parts.h"
#include "dump/listing.h"
#include "dump/stream_decoder.h"

namespace {

using namespace psgc::dump;

void CheckCoverage(const uint8_t* data, const Decoded& decoded) {
  uint32_t covered = 0;
  for (const Item& item : decoded.items) {
    if (item.offset != covered) __builtin_trap();
    covered += item.size;
    if (item.kind == ItemKind::Song) CheckCoverage(data + item.offset, decoded.songs[static_cast<size_t>(item.index)]);
  }
  if (covered != decoded.size) __builtin_trap();
  std::vector<Stream> streams = decoded.streams;
  for (size_t b = 0; b < decoded.blocks.starts.size(); ++b) streams.push_back(decoded.blocks.At(b));
  for (const Stream& stream : streams) {
    uint32_t at = stream.start;
    EventReader events(data, stream.start, stream.end, *stream.language);
    Event event;
    while (events.Next(event)) {
      if (event.offset != at || event.size == 0) __builtin_trap();
      at += event.size;
    }
    if (at != stream.end) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  Decoded decoded;
  DumpFault fault;
  if (!DecodeBinary(data, static_cast<uint32_t>(size), decoded, fault)) {
    if (fault.message == nullptr || fault.offset > size) __builtin_trap();
    return 0;
  }
  CheckCoverage(data, decoded);
  size_t written = 0;
  WriteListing("fuzz.bin", data, decoded, [&written](const std::string& text) { written += text.size(); });
  if (written == 0) __builtin_trap();
  return 0;
}

// The round-trip property of the dump over binaries that psgc made: each
// decodes, leaves no byte unreferenced, and the decoded events of every
// stream encode, through the event tables the compilers use, to exactly
// that stream's bytes.
//
//     roundtrip_check FILE...   (exit 1 when any file breaks the property)
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dump/decoder_parts.h"
#include "dump/stream_decoder.h"
#include "format/events.h"

namespace {

using psgc::dump::Decoded;

bool CheckStreams(const std::string& name, const uint8_t* data, const Decoded& decoded, size_t& events) {
  bool ok = true;
  if (decoded.unreferencedBytes != 0) {
    std::printf("FAIL %s: %u unreferenced bytes\n", name.c_str(), decoded.unreferencedBytes);
    ok = false;
  }
  std::vector<psgc::dump::Stream> streams = decoded.streams;
  for (size_t b = 0; b < decoded.blocks.starts.size(); ++b) streams.push_back(decoded.blocks.At(b));
  for (const psgc::dump::Stream& stream : streams) {
    psgc::ByteBuffer encoded;
    uint64_t offset = 0;
    psgc::Diagnostics diag = psgc::Diagnostics::Capturing();
    for (const psgc::dump::Event& event : psgc::dump::DecodeEvents(data, stream.start, stream.end, *stream.language)) {
      if (event.fault != nullptr) {
        std::printf("FAIL %s: raw bytes at %u (%s)\n", name.c_str(), event.offset, event.fault);
        ok = false;
      }
      if (event.row == nullptr) continue;
      psgc::format::AppendEvent(diag, {encoded, offset, UINT64_MAX}, *stream.language, *event.row,
                                event.operands);
      ++events;
    }
    const psgc::ByteBuffer original(data + stream.start, data + stream.end);
    if (encoded != original) {
      std::printf("FAIL %s: the %s stream at %u encodes to other bytes\n", name.c_str(),
                  stream.language->name, stream.start);
      ok = false;
    }
  }
  for (const psgc::dump::Item& item : decoded.items) {
    if (item.kind != psgc::dump::ItemKind::Song) continue;
    ok = CheckStreams(name + " song at " + std::to_string(item.offset), data + item.offset,
                      decoded.songs[static_cast<size_t>(item.index)], events) && ok;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Decoded decoded;
    psgc::dump::DumpFault fault;
    if (!psgc::dump::DecodeBinary(bytes.data(), static_cast<uint32_t>(bytes.size()), decoded, fault)) {
      std::printf("FAIL %s: %s at %u\n", argv[i], fault.text, fault.offset);
      ok = false;
      continue;
    }
    size_t events = 0;
    if (CheckStreams(argv[i], bytes.data(), decoded, events)) {
      std::printf("PASS %s: %s, %zu streams, %zu events\n", argv[i], decoded.format, decoded.streams.size(),
                  events);
    } else {
      ok = false;
    }
  }
  return ok ? 0 : 1;
}

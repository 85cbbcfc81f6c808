// Reading each named file and printing its listing or its fault. A regular
// file is mapped into memory rather than read: the listing reads it through
// a few times, and the pages read so far are let go every few megabytes, so
// a large file is never held whole.
#include "dump/dump.h"

#include <new>

#include "common/byte_buffer.h"
#include "common/messages.h"
#include "common/source_file.h"
#include "dump/decoder_parts.h"
#include "dump/listing.h"
#include "format/layout.h"

namespace psgc {
namespace {

enum class Loaded { Ok, Unreadable, TooLarge };

// Pointers reach no further than format::kMaxOutputSize; a larger file is no psgc
// binary and is not read. A pipe is read into memory to its end, or just
// past that size.
Loaded LoadFile(SourceFile& file, const std::string& name, ByteBuffer& bytes, const uint8_t*& data,
                uint32_t& size) {
  uint64_t measured = 0;
  if (!file.Open(name) || !file.Measure(format::kMaxOutputSize, true, measured)) return Loaded::Unreadable;
  if (measured > format::kMaxOutputSize) return Loaded::TooLarge;
  size = static_cast<uint32_t>(measured);
  data = file.Map(measured);
  if (data != nullptr) return Loaded::Ok;
  bytes.resize(measured);
  data = bytes.data();
  return file.ReadAt(0, bytes.data(), bytes.size()) == measured ? Loaded::Ok : Loaded::Unreadable;
}

// Listing text passed out between two lets-go of the mapped file: about
// what a few megabytes of events print.
constexpr size_t kListingPerLetGo = 8u << 20;

void DumpFile(Diagnostics& diag, const std::string& name, bool& first) {
  SourceFile file;
  ByteBuffer bytes;
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  const Loaded loaded = LoadFile(file, name, bytes, data, size);
  if (loaded == Loaded::Unreadable) {
    diag.ErrorForFile(msg::kCantOpenSource, name, file.fault());
    return;
  }
  if (loaded == Loaded::TooLarge) {
    diag.ErrorInFileAt(msg::kDumpTooLarge, name, format::kMaxOutputSize + 1);
    return;
  }
  const dump::LetGo letGo = [&file] { file.LetGoOfMapped(); };
  dump::Decoded decoded;
  dump::DumpFault fault;
  if (!dump::DecodeBinary(data, size, decoded, fault, letGo)) {
    diag.ErrorInFileAt(fault.text, name, fault.offset);
    return;
  }
  letGo();
  if (!first) diag.Listing("\n");
  first = false;
  size_t sinceLetGo = 0;
  dump::WriteListing(name, data, decoded, [&](const std::string& text) {
    diag.Listing(text);
    sinceLetGo += text.size();
    if (sinceLetGo >= kListingPerLetGo) {
      letGo();
      sinceLetGo = 0;
    }
  });
}

}  // namespace

void DumpFiles(Diagnostics& diag, const std::vector<std::string>& names) {
  bool first = true;
  for (const std::string& name : names) {
    // A hostile file may hold millions of blocks and calls: running out of
    // memory for them is reported, and the other files are still listed.
    if (!TryAllocate(diag, [&] { DumpFile(diag, name, first); })) continue;
  }
}

}  // namespace psgc

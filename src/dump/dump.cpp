// Reading each named file whole and printing its listing or its fault.
#include "dump/dump.h"

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
// binary and is not read into memory. A pipe is read to its end, or just
// past that size.
Loaded LoadFile(const std::string& name, ByteBuffer& bytes, FileFault& fault) {
  SourceFile file;
  uint64_t size = 0;
  if (!file.Open(name) || !file.Measure(format::kMaxOutputSize, true, size)) {
    fault = file.fault();
    return Loaded::Unreadable;
  }
  if (size > format::kMaxOutputSize) return Loaded::TooLarge;
  bytes.resize(size);
  return file.ReadAt(0, bytes.data(), bytes.size()) == size ? Loaded::Ok : Loaded::Unreadable;
}

}  // namespace

void DumpFiles(Diagnostics& diag, const std::vector<std::string>& names) {
  bool first = true;
  for (const std::string& name : names) {
    ByteBuffer bytes;
    FileFault unreadable;
    const Loaded loaded = LoadFile(name, bytes, unreadable);
    if (loaded == Loaded::Unreadable) {
      diag.ErrorForFile(msg::kCantOpenSource, name, unreadable);
      continue;
    }
    if (loaded == Loaded::TooLarge) {
      diag.ErrorInFileAt(msg::kDumpTooLarge, name, format::kMaxOutputSize + 1);
      continue;
    }
    dump::Decoded decoded;
    dump::DumpFault fault;
    if (!dump::DecodeBinary(bytes.data(), static_cast<uint32_t>(bytes.size()), decoded, fault)) {
      diag.ErrorInFileAt(fault.text, name, fault.offset);
      continue;
    }
    if (!first) diag.Listing("\n");
    first = false;
    dump::WriteListing(name, bytes.data(), decoded, [&diag](const std::string& text) { diag.Listing(text); });
  }
}

}  // namespace psgc

// Track pack: "TRK", the song count, one bank pointer per song, then the
// songs back to back, unchanged and unexamined.
#include "pack/track_pack.h"

#include <cstring>

#include "common/byte_buffer.h"
#include "common/messages.h"
#include "format/layout.h"

namespace psgc {
namespace {

// Every song of a pack is a MUS binary; the pack itself copies any file.
void WarnAboutNonSongs(Diagnostics& diag, const Sources& sources) {
  if (!diag.WarningOn(Warning::PakInput)) return;
  for (const auto& source : sources) {
    uint8_t mark[format::kMarkSize] = {};
    if (source->ReadAt(0, mark, sizeof mark) != sizeof mark ||
        std::memcmp(mark, format::kMusMark, format::kMarkSize) != 0) {
      diag.Warn(Warning::PakInput, msg::kWarnPakInput, source->name());
    }
  }
}

}  // namespace

bool BuildTrackPack(Diagnostics& diag, OutputFile& output, const Sources& sources, PackWritten& pack) {
  const uint64_t count = sources.size();
  std::vector<uint64_t> sizes(count);
  uint64_t total = format::HeaderSize(count, format::kTrkEntrySize);
  for (size_t i = 0; i < count; ++i) {
    // A stream is read no further than the room left in the pack: one
    // that passes it is refused like a file too large.
    const uint64_t room = format::kMaxOutputSize - total;
    if (!sources[i]->Measure(room, true, sizes[i])) {
      diag.Error(msg::kUnexpectedEndOfInclude);
      return false;
    }
    total += sizes[i];
    if (total > format::kMaxOutputSize) break;
  }
  if (!format::CheckOutputSize(diag, total)) return false;
  WarnAboutNonSongs(diag, sources);
  ByteBuffer header(format::HeaderSize(count, format::kTrkEntrySize));
  format::PutFileHeader(header.data(), format::kTrkMark, static_cast<uint32_t>(count));
  uint64_t position = header.size();
  for (size_t i = 0; i < count; ++i) {
    format::PutBankPointer(&header[format::HeaderSize(i, format::kTrkEntrySize)], static_cast<uint32_t>(position));
    position += sizes[i];
  }
  output.Reserve(total);
  pack.written = output.Append(header.data(), header.size());
  ByteBuffer chunk;
  for (size_t i = 0; i < count; ++i) {
    if (!StreamSource(*sources[i], sizes[i], output, pack.written, nullptr, chunk)) {
      diag.Error(msg::kUnexpectedEndOfInclude);
      return false;
    }
  }
  diag.PrintSize(msg::kPakSize, total);
  pack.size = total;
  return true;
}

}  // namespace psgc

// The song's blocks, labels and calls, gathered over all channel scripts.
#include "music/song_data.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "common/messages.h"
#include "format/events.h"

namespace psgc {
namespace {

// FNV-1a: labels are short, and every byte counts for telling them apart.
uint64_t HashLabel(std::string_view label) {
  uint64_t h = 14695981039346656037ull;
  for (char c : label) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// The slot of `slots` that holds the block labelled `label` (whose hash is
// `hash`), or the free slot where it belongs. The table is never more than
// half full. The tag spares most probes the loads of the block and its
// label.
size_t ProbeSlot(const SongData& song, const std::vector<LabelSlot>& slots,
                 std::string_view label, uint64_t hash) {
  const size_t mask = slots.size() - 1;
  const auto tag = static_cast<uint32_t>(hash >> 32);
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const LabelSlot& slot = slots[i];
    if (slot.block == 0) return i;
    if (slot.tag != tag) continue;
    const MusicBlock& block = song.blocks[slot.block - 1];
    if (LabelText(song, block.label, block.labelSize) == label) return i;
  }
}

// Makes room in the label index for one more block.
bool GrowLabelIndex(SongData& song, Diagnostics& diag) {
  const size_t needed = 2 * (song.blocks.size() + 1);
  if (song.labelIndex.size() >= needed) return true;
  std::vector<LabelSlot> slots;
  const size_t size = song.labelIndex.empty() ? 2 * kFirstRecordCapacity : 2 * song.labelIndex.size();
  if (!TryAllocate(diag, [&] { slots.assign(size, LabelSlot{}); }, msg::kOutOfMemoryGrow)) return false;
  for (uint32_t i = 0; i < song.blocks.size(); ++i) {
    const MusicBlock& block = song.blocks[i];
    const std::string_view label = LabelText(song, block.label, block.labelSize);
    const uint64_t hash = HashLabel(label);
    slots[ProbeSlot(song, slots, label, hash)] = {static_cast<uint32_t>(hash >> 32), i + 1};
  }
  song.labelIndex.swap(slots);
  return true;
}

}  // namespace

void ReserveSongData(SongData& song, uint64_t scriptBytes) {
  // Every music byte comes from a line of a few characters; only long
  // waits make more bytes than text, and those are rare. A block or a call
  // takes about a hundred characters of script or more, and its label about
  // a tenth of that.
  const uint64_t music = scriptBytes < kMaxMusicBytes ? scriptBytes : kMaxMusicBytes;
  const uint64_t records = scriptBytes / 64;
  try {
    song.stream.reserve(format::kMusHeaderSize + music);
    song.blocks.reserve(records);
    song.references.reserve(records);
    song.labels.reserve(scriptBytes / 8);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  AdviseHugePages(song.stream.data(), song.stream.capacity());
}

bool StartSongData(SongData& song, Diagnostics& diag) {
  const bool allocated = TryAllocate(diag, [&] {
    song.blocks.reserve(kFirstRecordCapacity);
    song.references.reserve(kFirstRecordCapacity);
    song.stream.reserve(kFirstByteCapacity);
    // The binary is laid out in the stream itself: header space first.
    song.stream.assign(format::kMusHeaderSize, 0);
    song.labelIndex.assign(2 * kFirstRecordCapacity, LabelSlot{});
  });
  if (!allocated) return false;
  song.mains = {};
  return true;
}

bool CopyLabel(SongData& song, Diagnostics& diag, std::string_view label, uint32_t& at) {
  // Label positions are 32-bit: a song with more label text cannot be held.
  if (song.labels.size() + label.size() > UINT32_MAX) {
    diag.Error(msg::kOutOfMemory);
    return false;
  }
  const size_t position = song.labels.size();
  if (!TryAllocate(diag, [&] { song.labels.append(label); })) return false;
  at = static_cast<uint32_t>(position);
  return true;
}

std::string_view LabelText(const SongData& song, uint32_t at, uint32_t size) {
  return std::string_view(song.labels).substr(at, size);
}

int64_t FindMusicBlock(const SongData& song, std::string_view label) {
  if (song.labelIndex.empty()) return -1;
  const uint32_t block = song.labelIndex[ProbeSlot(song, song.labelIndex, label, HashLabel(label))].block;
  return block == 0 ? -1 : int64_t{block} - 1;
}

bool AddMusicBlock(SongData& song, Diagnostics& diag, const MusicBlock& block) {
  if (!GrowLabelIndex(song, diag)) return false;
  if (!AppendElement(diag, song.blocks, MusicBlock(block))) return false;
  const std::string_view label = LabelText(song, block.label, block.labelSize);
  const uint64_t hash = HashLabel(label);
  LabelSlot& slot = song.labelIndex[ProbeSlot(song, song.labelIndex, label, hash)];
  // The first block of a label keeps it.
  if (slot.block == 0) slot = {static_cast<uint32_t>(hash >> 32), static_cast<uint32_t>(song.blocks.size())};
  return true;
}

bool AddBlockReference(SongData& song, Diagnostics& diag, std::string_view label,
                      uint32_t offset, uint32_t script, uint32_t line) {
  if (!GrowArray(diag, song.references, song.references.size() + 1)) return false;
  BlockReference ref;
  if (!CopyLabel(song, diag, label, ref.label)) return false;
  ref.labelSize = static_cast<uint32_t>(label.size());
  ref.offset = offset;
  ref.script = script;
  ref.line = line;
  song.references.push_back(ref);
  return true;
}

}  // namespace psgc

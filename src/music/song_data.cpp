// The song's blocks, labels and calls, gathered over all channel scripts.
#include "music/song_data.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "common/messages.h"
#include "format/events.h"

namespace psgc {
namespace {

// FNV-1a, whose every byte counts for telling short labels apart, folded
// by a final mix so that its low bits, which pick the slot, depend on the
// whole label.
uint32_t HashLabel(std::string_view label) {
  uint64_t h = 14695981039346656037ull;
  for (char c : label) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return static_cast<uint32_t>(h);
}

// The label at `text` (NUL-terminated) is `label`: strncmp stops at the
// kept label's NUL, which `label` never has, so it reads no further.
bool SameLabel(const char* text, std::string_view label) {
  return std::strncmp(text, label.data(), label.size()) == 0 && text[label.size()] == '\0';
}

// A used slot's tag: bits of the hash that do not pick the slot.
uint8_t TagOf(uint32_t hash) { return static_cast<uint8_t>((hash >> 24) | 0x80); }

// The slot that holds the block labelled `label` (whose hash is `hash`),
// or the free slot where it belongs. The index is never more than half
// full; a slot is read only when its tag matches.
size_t ProbeSlot(const SongData& song, std::string_view label, uint32_t hash) {
  const LabelIndex& index = song.labelIndex;
  const size_t mask = index.tags.size() - 1;
  const uint8_t tag = TagOf(hash);
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    if (index.tags[i] == 0) return i;
    if (index.tags[i] != tag) continue;
    const LabelSlot& slot = index.slots[i];
    if (slot.hash == hash && SameLabel(&song.labels[song.blocks[slot.block - 1].label], label)) return i;
  }
}

int64_t FindHashedBlock(const SongData& song, std::string_view label, uint32_t hash) {
  if (song.labelIndex.tags.empty()) return -1;
  const size_t i = ProbeSlot(song, label, hash);
  return song.labelIndex.tags[i] == 0 ? -1 : int64_t{song.labelIndex.slots[i].block} - 1;
}

// Makes room in the label index for one more block. The slots move in
// order into an index twice the size, where each lands at its slot or at
// that slot plus the old size: two runs of writes, no label read again.
bool GrowLabelIndex(SongData& song, Diagnostics& diag) {
  const LabelIndex& old = song.labelIndex;
  if (old.tags.size() >= 2 * (song.blocks.size() + 1)) return true;
  LabelIndex grown;
  const size_t size = old.tags.empty() ? 2 * kFirstRecordCapacity : 2 * old.tags.size();
  if (!TryAllocate(diag, [&] {
        grown.tags.assign(size, 0);
        grown.slots.resize(size);
      }, msg::kOutOfMemoryGrow)) {
    return false;
  }
  const size_t mask = size - 1;
  for (size_t from = 0; from < old.tags.size(); ++from) {
    if (old.tags[from] == 0) continue;
    size_t i = old.slots[from].hash & mask;
    while (grown.tags[i] != 0) i = (i + 1) & mask;
    grown.tags[i] = old.tags[from];
    grown.slots[i] = old.slots[from];
  }
  song.labelIndex = std::move(grown);
  return true;
}

}  // namespace

void ReserveSongData(SongData& song, uint64_t scriptBytes) {
  // Every music byte comes from a line of a few characters; only long
  // waits make more bytes than text, and those are rare. A block or a call
  // takes about a hundred characters of script or more. Each character of
  // a label, and its NUL, stands for a character of the script (the NUL
  // for the delimiter after it), so the label text never outgrows the
  // scripts: reserved that large, it is never copied as it grows.
  const uint64_t music = scriptBytes < kMaxMusicBytes ? scriptBytes : kMaxMusicBytes;
  const uint64_t records = scriptBytes / 64;
  const uint64_t labelBytes = scriptBytes < UINT32_MAX ? scriptBytes : UINT32_MAX;
  try {
    song.stream.reserve(format::kMusHeaderSize + music);
    song.blocks.reserve(records);
    song.references.reserve(records);
    song.labels.reserve(labelBytes);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

bool StartSongData(SongData& song, Diagnostics& diag) {
  const bool allocated = TryAllocate(diag, [&] {
    song.blocks.reserve(kFirstRecordCapacity);
    song.references.reserve(kFirstRecordCapacity);
    song.stream.reserve(kFirstByteCapacity);
    // The binary is laid out in the stream itself: header space first.
    song.stream.assign(format::kMusHeaderSize, 0);
    song.labelIndex.tags.assign(2 * kFirstRecordCapacity, 0);
    song.labelIndex.slots.resize(2 * kFirstRecordCapacity);
  });
  if (!allocated) return false;
  song.mains = {};
  return true;
}

bool CopyLabel(SongData& song, Diagnostics& diag, std::string_view label, uint32_t& at) {
  // Label positions are 32-bit: a song with more label text cannot be held.
  if (song.labels.size() + label.size() + 1 > UINT32_MAX) {
    diag.Error(msg::kOutOfMemory);
    return false;
  }
  const size_t position = song.labels.size();
  if (!TryAllocate(diag, [&] {
        song.labels.append(label);
        song.labels.push_back('\0');
      })) {
    return false;
  }
  at = static_cast<uint32_t>(position);
  return true;
}

std::string_view LabelText(const SongData& song, uint32_t at) {
  return std::string_view(&song.labels[at]);
}

int64_t FindMusicBlock(const SongData& song, std::string_view label) {
  return FindHashedBlock(song, label, HashLabel(label));
}

bool AddMusicBlock(SongData& song, Diagnostics& diag, const MusicBlock& block) {
  if (!GrowLabelIndex(song, diag)) return false;
  if (!AppendElement(diag, song.blocks, MusicBlock(block))) return false;
  const std::string_view label = LabelText(song, block.label);
  const uint32_t hash = HashLabel(label);
  const size_t i = ProbeSlot(song, label, hash);
  // The first block of a label keeps it.
  if (song.labelIndex.tags[i] != 0) return true;
  song.labelIndex.tags[i] = TagOf(hash);
  song.labelIndex.slots[i] = {hash, static_cast<uint32_t>(song.blocks.size())};
  return true;
}

bool AddBlockReference(SongData& song, Diagnostics& diag, std::string_view label,
                      uint32_t offset, uint32_t script, uint32_t line) {
  if (!GrowArray(diag, song.references, song.references.size() + 1)) return false;
  BlockReference ref;
  if (!CopyLabel(song, diag, label, ref.label)) return false;
  ref.offset = offset;
  ref.script = script;
  ref.line = line;
  song.references.push_back(ref);
  return true;
}

void ResolveCalls(SongData& song) {
  // Past kMaxMusicBytes the stream lacks bytes and the build fails on size.
  const bool complete = song.musicOffset <= kMaxMusicBytes;
  song.unresolved = nullptr;
  const std::vector<BlockReference>& refs = song.references;
  if (refs.empty() || song.labelIndex.tags.empty()) return;
  // Calls name blocks all over a large song, and each lookup would wait
  // for its slot, then the block, then the block's label to come from
  // memory. The loop runs kAhead calls apart on each of those steps, so
  // that what a later call needs is on its way while this one resolves.
  constexpr size_t kAhead = 8;
  constexpr size_t kRing = 32;  // at least 3 * kAhead + 1 hashes in flight
  uint32_t hashes[kRing];
  const LabelIndex& index = song.labelIndex;
  const size_t mask = index.tags.size() - 1;
  const auto homeBlock = [&](size_t r) -> const MusicBlock* {
    const size_t home = hashes[r % kRing] & mask;
    return index.tags[home] != 0 ? &song.blocks[index.slots[home].block - 1] : nullptr;
  };
  for (size_t i = 0; i < refs.size() + 3 * kAhead; ++i) {
    if (i < refs.size()) {
      hashes[i % kRing] = HashLabel(LabelText(song, refs[i].label));
      __builtin_prefetch(&index.slots[hashes[i % kRing] & mask]);
    }
    if (i >= kAhead && i - kAhead < refs.size()) {
      if (const MusicBlock* block = homeBlock(i - kAhead)) __builtin_prefetch(block);
    }
    if (i >= 2 * kAhead && i - 2 * kAhead < refs.size()) {
      if (const MusicBlock* block = homeBlock(i - 2 * kAhead)) __builtin_prefetch(&song.labels[block->label]);
    }
    if (i < 3 * kAhead || i - 3 * kAhead >= refs.size()) continue;
    const size_t r = i - 3 * kAhead;
    const BlockReference& ref = refs[r];
    const int64_t target = FindHashedBlock(song, LabelText(song, ref.label), hashes[r % kRing]);
    if (target < 0) {
      if (song.unresolved == nullptr) song.unresolved = &ref;
      continue;
    }
    MusicBlock& block = song.blocks[static_cast<size_t>(target)];
    block.called = true;
    if (complete) {
      format::PutBankPointer(&song.stream[format::kMusHeaderSize + ref.offset], format::kMusHeaderSize + block.start);
    }
  }
}

}  // namespace psgc

// Decoder of the MUS binary: the header and channel entries, the music
// blocks found through them and through calls, and the instrument table.
#include "dump/mus_decoder.h"

#include <algorithm>
#include <cstring>

#include "common/messages.h"
#include "dump/stream_decoder.h"
#include "format/layout.h"

namespace psgc::dump {
namespace {

// Calls may point into what was read as one block; each round of reading
// splits the blocks there. A psgc-made song needs two rounds; a file that
// needs more than this many keeps its later calls unfollowed.
constexpr int kMaxBlockRounds = 64;

struct Area {
  uint32_t start;
  uint32_t end;
};

bool IsRow(const Event& event, const char* name) {
  return event.row != nullptr && std::strcmp(event.row->name, name) == 0;
}

bool IsCall(const Event& event) { return event.row != nullptr && event.row->opcode == format::music::kCall.opcode; }

// Checks a call's pointer; a target inside the area that starts no block
// yet goes to `found`.
bool FollowCall(Reader& reader, const Event& call, Area area, const std::vector<uint32_t>& starts,
                std::vector<uint32_t>& found) {
  const int64_t target = call.operands.value[0];
  const uint32_t at = call.offset + 1;
  if (target < 0) return reader.Fail(at, msg::kDumpInvalidPointer);
  if (target > reader.size) return reader.Fail(at, msg::kDumpPointerPastEnd);
  const auto t = static_cast<uint32_t>(target);
  if (t < area.start || t > area.end) return reader.Fail(at, msg::kDumpPointerOutside);
  if (t < area.end && !std::binary_search(starts.begin(), starts.end(), t)) found.push_back(t);
  return true;
}

// Finds every block start. A block runs to the next known start: nothing
// in the bytes marks where a block ends (a block without `return` runs on
// into the next), so a block that nothing refers to is listed with the one
// before. Each round reads the blocks that the last round's calls opened,
// up to the next start known then, and every event is read at most once:
// `visited` marks where events were read, and a block that runs into them
// reads on exactly as they were read, so their calls are known already.
bool FindBlocks(Reader& reader, Area area, std::vector<uint32_t>& starts) {
  std::vector<bool> visited(area.end - area.start, false);
  std::vector<uint32_t> opened = starts;
  for (int round = 0; round < kMaxBlockRounds && !opened.empty(); ++round) {
    std::vector<uint32_t> found;
    for (uint32_t start : opened) {
      EventReader events(reader.data, start, NextStart(starts, start, area.end), format::kMusicLanguage);
      Event event;
      for (uint32_t at = start; !visited[at - area.start] && events.Next(event); at += event.size) {
        visited[at - area.start] = true;
        reader.ReadThrough(event.size);
        if (IsCall(event) && !FollowCall(reader, event, area, starts, found)) return false;
        if (event.offset + event.size >= area.end) break;
      }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (round + 1 == kMaxBlockRounds) break;
    std::vector<uint32_t> merged(starts.size() + found.size());
    std::merge(starts.begin(), starts.end(), found.begin(), found.end(), merged.begin());
    starts.swap(merged);
    opened.swap(found);
  }
  return true;
}

// Strongly connected blocks (Tarjan, without recursion) over the calls
// from block to block, given as edges [from[b], from[b + 1]) of `to`: a
// call between blocks of one component belongs to a cycle.
std::vector<uint32_t> Components(const std::vector<uint32_t>& from, const std::vector<uint32_t>& to) {
  const size_t n = from.size() - 1;
  constexpr uint32_t kNone = UINT32_MAX;
  std::vector<uint32_t> index(n, kNone), low(n, 0), component(n, kNone);
  std::vector<bool> onStack(n, false);
  std::vector<uint32_t> stack;
  struct Frame {
    uint32_t block;
    uint32_t next;
  };
  std::vector<Frame> frames;
  uint32_t counter = 0, components = 0;
  for (uint32_t root = 0; root < n; ++root) {
    if (index[root] != kNone) continue;
    frames.push_back({root, from[root]});
    index[root] = low[root] = counter++;
    stack.push_back(root);
    onStack[root] = true;
    while (!frames.empty()) {
      const uint32_t v = frames.back().block;
      if (frames.back().next < from[v + 1]) {
        const uint32_t w = to[frames.back().next++];
        if (index[w] == kNone) {
          index[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = true;
          frames.push_back({w, from[w]});
        } else if (onStack[w]) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      if (low[v] == index[v]) {
        uint32_t w = kNone;
        do {
          w = stack.back();
          stack.pop_back();
          onStack[w] = false;
          component[w] = components;
        } while (w != v);
        ++components;
      }
      frames.pop_back();
      if (!frames.empty()) {
        const uint32_t u = frames.back().block;
        low[u] = std::min(low[u], low[v]);
      }
    }
  }
  return component;
}

// The block that starts at `offset`, or -1.
int64_t BlockAt(const std::vector<uint32_t>& starts, int64_t offset) {
  const auto it = std::lower_bound(starts.begin(), starts.end(), offset,
                                   [](uint32_t s, int64_t o) { return s < o; });
  return it != starts.end() && *it == offset ? it - starts.begin() : -1;
}

// Reads the blocks once more to gather their calls: who calls each block
// (for its heading) and which calls close a cycle (for the listing, which
// names them and never follows a call).
void GatherCalls(Reader& reader, Area area, const std::vector<uint32_t>& starts, Blocks& blocks) {
  const size_t n = starts.size();
  std::vector<uint32_t> from(n + 1, 0), to;
  std::vector<uint32_t> counts(n + 1, 0);
  for (size_t b = 0; b < n; ++b) {
    from[b] = static_cast<uint32_t>(to.size());
    EventReader events(reader.data, starts[b], b + 1 < n ? starts[b + 1] : area.end, format::kMusicLanguage);
    Event event;
    while (events.Next(event)) {
      reader.ReadThrough(event.size);
      if (!IsCall(event)) continue;
      const int64_t target = BlockAt(starts, event.operands.value[0]);
      if (target < 0) continue;
      to.push_back(static_cast<uint32_t>(target));
      blocks.callers.push_back(event.offset);
      ++counts[static_cast<size_t>(target)];
    }
  }
  from[n] = static_cast<uint32_t>(to.size());
  blocks.component = Components(from, to);
  // The call offsets, grouped by the block they call, in file order.
  blocks.callersFrom.assign(n + 1, 0);
  for (size_t b = 0; b < n; ++b) blocks.callersFrom[b + 1] = blocks.callersFrom[b] + counts[b];
  std::vector<uint32_t> grouped(to.size());
  std::vector<uint32_t> next(blocks.callersFrom.begin(), blocks.callersFrom.end() - 1);
  for (size_t k = 0; k < to.size(); ++k) grouped[next[to[k]]++] = blocks.callers[k];
  blocks.callers.swap(grouped);
}

bool DecodeChannels(Reader& reader, Area area, Item& header, std::vector<uint32_t>& starts,
                    std::vector<MainEntry>& mains) {
  const uint8_t* d = reader.data;
  for (uint32_t c = 0; c < format::kMusChannels; ++c) {
    const uint32_t at = format::kChannelEntriesAt + format::kChannelEntrySize * c;
    if (d[at] != format::kChannelEntryMark) return reader.Fail(at, msg::kDumpEntryMark);
    uint32_t start = 0;
    if (!reader.Pointer(at + 1, area.start, area.end, start)) return false;
    const uint8_t priority = d[at + 1 + format::kPointerSize];
    std::string text = "channel " + std::to_string(c) + ": main block at " + Place(start) + ", priority " +
                       std::to_string(priority);
    if (start == area.end) text += " (no music blocks)";
    // A channel without a main block has its start 0 and priority 0.
    if (start == area.start && priority == 0) text += " (or no main block)";
    header.fields.push_back({at, format::kChannelEntrySize, text});
    if (start < area.end) starts.push_back(start);
    mains.push_back({start, c, priority});
  }
  return true;
}

bool DecodeInstrumentTable(Reader& reader, Decoded& out, uint32_t table, uint32_t count) {
  const uint8_t* d = reader.data;
  const uint32_t pointersEnd = table + format::kPointerSize * count;
  if (pointersEnd > reader.size) return reader.Fail(format::kCountAt, msg::kDumpCountTooLarge);
  Item pointers{ItemKind::Fields, table, pointersEnd - table,
                "instrument table at " + Place(table) + ", " + Bytes(reader.size - table) +
                    "; its pointers count from its first byte" + BankCrossing(table, reader.size - table),
                {}};
  std::vector<StreamRef> refs;
  std::vector<uint32_t> records, noteOffs;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = table + format::kPointerSize * i;
    uint32_t record = 0, noteOff = 0;
    if (!format::DecodeBankPointer(d + at, record)) return reader.Fail(at, msg::kDumpInvalidPointer);
    if (record > reader.size - table) return reader.Fail(at, msg::kDumpPointerPastEnd);
    const uint32_t abs = table + record;
    if (abs < pointersEnd || reader.size - abs < format::kInstrumentRecordHeaderSize) {
      return reader.Fail(at, msg::kDumpPointerOutside);
    }
    if (!format::DecodeBankPointer(d + abs, noteOff)) return reader.Fail(abs, msg::kDumpInvalidPointer);
    if (noteOff > reader.size - table) return reader.Fail(abs, msg::kDumpPointerPastEnd);
    pointers.fields.push_back({at, format::kPointerSize, "instrument " + std::to_string(i) + " at +" +
                                                             Place(record) + ", file " + Hex(abs, 4)});
    noteOffs.push_back(table + noteOff);
    refs.push_back({abs + format::kInstrumentRecordHeaderSize, "instrument " + std::to_string(i)});
    if (std::find(records.begin(), records.end(), abs) != records.end()) continue;
    records.push_back(abs);
    out.items.push_back({ItemKind::Fields, abs, format::kInstrumentRecordHeaderSize,
                         "instrument " + std::to_string(i) + " record at " + Place(abs),
                         {{abs, format::kInstrumentRecordHeaderSize,
                           "note-off point at +" + Place(noteOff) + ", file " + Hex(table + noteOff, 4)}}});
  }
  out.items.push_back(std::move(pointers));
  const std::vector<int> streams = AddStreams(out, refs, reader.size, format::kInstrumentLanguage);
  // Whether an instrument plays noise tells how the listing names the
  // periods of its notes, which come before the table: its stream is read
  // for that now, once however many instruments share it.
  out.noiseInstruments.assign(count, false);
  std::vector<int> noise(out.streams.size(), -1);
  for (uint32_t i = 0; i < count; ++i) {
    const auto index = static_cast<size_t>(streams[i]);
    const Stream& stream = out.streams[index];
    if (noise[index] < 0) {
      noise[index] = 0;
      EventReader events(reader.data, stream.start, stream.end, *stream.language);
      Event event;
      while (noise[index] == 0 && events.Next(event)) {
        reader.ReadThrough(event.size);
        noise[index] = IsRow(event, "noise");
      }
    }
    out.noiseInstruments[i] = noise[index] == 1;
    if (noteOffs[i] >= stream.start && noteOffs[i] <= stream.end) out.noteOffs.push_back({noteOffs[i], i, index});
  }
  return true;
}

}  // namespace

bool DecodeMus(Reader& reader, Decoded& out) {
  const uint8_t* d = reader.data;
  if (reader.size < format::kMusHeaderSize) return reader.Fail(reader.size, msg::kDumpTruncatedHeader);
  const uint32_t count = d[format::kCountAt];
  const bool hasTable = std::memcmp(d + format::kTablePointerAt, format::kNoTable, format::kPointerSize) != 0;
  uint32_t table = reader.size;
  if (hasTable && !reader.Pointer(format::kTablePointerAt, format::kMusHeaderSize, reader.size, table)) {
    return false;
  }
  if (!hasTable && count != 0) return reader.Fail(format::kCountAt, msg::kDumpCountTooLarge);
  Item header{ItemKind::Fields, 0, format::kMusHeaderSize, {}, {}};
  header.fields.push_back({0, format::kFileHeaderSize,
                           "\"MUS\", " + std::to_string(count) + (count == 1 ? " instrument" : " instruments")});
  header.fields.push_back({format::kTablePointerAt, format::kPointerSize,
                           hasTable ? "instrument table at " + Place(table) : "\"NONE\": no instrument table"});
  const Area area{format::kMusHeaderSize, table};
  std::vector<uint32_t> starts;
  std::vector<MainEntry> mains;
  if (!DecodeChannels(reader, area, header, starts, mains)) return false;
  out.items.push_back(std::move(header));
  if (area.start < area.end) starts.push_back(area.start);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  if (!FindBlocks(reader, area, starts)) return false;
  Blocks& blocks = out.blocks;
  blocks.areaEnd = area.end;
  blocks.mains = std::move(mains);
  GatherCalls(reader, area, starts, blocks);
  starts.shrink_to_fit();
  blocks.starts = std::move(starts);
  if (!blocks.starts.empty()) out.items.push_back({ItemKind::Blocks, area.start, area.end - area.start, {}, {}});
  return !hasTable || DecodeInstrumentTable(reader, out, table, count);
}

}  // namespace psgc::dump

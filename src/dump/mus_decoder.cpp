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

// Calls may point into what an earlier pass read as one block; every pass
// splits there and reads again. A psgc-made song needs two passes.
constexpr int kMaxBlockPasses = 64;
constexpr size_t kCallersNamed = 4;

struct MainEntry {
  uint32_t start;
  uint32_t channel;
  uint32_t priority;
};

struct Area {
  uint32_t start;
  uint32_t end;
};

bool IsRow(const Event& event, const char* name) {
  return event.row != nullptr && std::strcmp(event.row->name, name) == 0;
}

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

// Reads every block of the area until no call opens a block that is not
// yet known. A block runs to the next known start: nothing in the bytes
// marks where a block ends (a block without `return` runs on into the
// next), so a block that nothing refers to is listed with the one before.
bool ReadBlocks(Reader& reader, Area area, std::vector<uint32_t>& starts, std::vector<Stream>& blocks) {
  for (int pass = 0; pass < kMaxBlockPasses; ++pass) {
    std::vector<uint32_t> found;
    blocks.clear();
    for (uint32_t start : starts) {
      const uint32_t end = NextStart(starts, start, area.end);
      blocks.push_back(DecodeStream(reader.data, start, end, format::kMusicLanguage));
      for (const Event& event : blocks.back().events) {
        if (IsRow(event, "call") && !FollowCall(reader, event, area, starts, found)) return false;
      }
    }
    if (found.empty()) break;
    if (pass + 1 == kMaxBlockPasses) break;  // the blocks read match `starts`
    starts.insert(starts.end(), found.begin(), found.end());
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  }
  return true;
}

// Strongly connected blocks (Tarjan, without recursion): a call between
// blocks of one component belongs to a cycle.
std::vector<int> Components(const std::vector<std::vector<int>>& edges) {
  const size_t n = edges.size();
  std::vector<int> index(n, -1), low(n, 0), component(n, -1);
  std::vector<bool> onStack(n, false);
  std::vector<int> stack;
  struct Frame {
    int block;
    size_t next;
  };
  int counter = 0, components = 0;
  for (size_t root = 0; root < n; ++root) {
    if (index[root] >= 0) continue;
    std::vector<Frame> frames{{static_cast<int>(root), 0}};
    index[root] = low[root] = counter++;
    stack.push_back(static_cast<int>(root));
    onStack[root] = true;
    while (!frames.empty()) {
      const auto v = static_cast<size_t>(frames.back().block);
      if (frames.back().next < edges[v].size()) {
        const auto w = static_cast<size_t>(edges[v][frames.back().next++]);
        if (index[w] < 0) {
          index[w] = low[w] = counter++;
          stack.push_back(static_cast<int>(w));
          onStack[w] = true;
          frames.push_back({static_cast<int>(w), 0});
        } else if (onStack[w]) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      if (low[v] == index[v]) {
        int w = -1;
        do {
          w = stack.back();
          stack.pop_back();
          onStack[static_cast<size_t>(w)] = false;
          component[static_cast<size_t>(w)] = components;
        } while (w != static_cast<int>(v));
        ++components;
      }
      frames.pop_back();
      if (!frames.empty()) {
        const auto u = static_cast<size_t>(frames.back().block);
        low[u] = std::min(low[u], low[v]);
      }
    }
  }
  return component;
}

int BlockAt(const std::vector<Stream>& blocks, int64_t offset) {
  const auto it = std::lower_bound(blocks.begin(), blocks.end(), offset,
                                   [](const Stream& s, int64_t o) { return s.start < o; });
  return it != blocks.end() && it->start == offset ? static_cast<int>(it - blocks.begin()) : -1;
}

// Marks every call that closes a cycle; the listing names it and the dump
// never follows a call.
void MarkCycles(std::vector<Stream>& blocks, Area area) {
  std::vector<std::vector<int>> edges(blocks.size());
  for (size_t b = 0; b < blocks.size(); ++b) {
    for (const Event& event : blocks[b].events) {
      const int target = IsRow(event, "call") ? BlockAt(blocks, event.operands.value[0]) : -1;
      if (target >= 0) edges[b].push_back(target);
    }
  }
  const std::vector<int> component = Components(edges);
  for (size_t b = 0; b < blocks.size(); ++b) {
    for (Event& event : blocks[b].events) {
      if (!IsRow(event, "call")) continue;
      const int target = BlockAt(blocks, event.operands.value[0]);
      if (target == static_cast<int>(b)) {
        event.comment = "calls its own block: a cycle, not followed";
      } else if (target >= 0 && component[static_cast<size_t>(target)] == component[b]) {
        event.comment = "a cycle of calls, not followed";
      } else if (target < 0 && event.operands.value[0] == area.end) {
        event.comment = "an empty block at the end of the music";
      } else if (target < 0) {
        event.comment = "inside another block's event";
      }
    }
  }
}

// "main block of channel 0 (priority 5), channels 1, 2 (priority 0)".
std::string MainBlockOf(const std::vector<MainEntry>& mains) {
  std::string text;
  std::vector<bool> named(mains.size(), false);
  for (size_t i = 0; i < mains.size(); ++i) {
    if (named[i]) continue;
    std::string channels;
    size_t count = 0;
    for (size_t k = i; k < mains.size(); ++k) {
      if (named[k] || mains[k].priority != mains[i].priority) continue;
      named[k] = true;
      channels += (count++ ? ", " : "") + std::to_string(mains[k].channel);
    }
    text += (text.empty() ? "main block of " : ", ") + std::string(count == 1 ? "channel " : "channels ") +
            channels + " (priority " + std::to_string(mains[i].priority) + ")";
  }
  return text;
}

std::string BlockHeading(const Stream& block, const std::vector<MainEntry>& mains,
                         const std::vector<uint32_t>& callers) {
  std::string refs = MainBlockOf(mains);
  if (!callers.empty()) {
    refs += refs.empty() ? "called from " : "; called from ";
    for (size_t i = 0; i < callers.size() && i < kCallersNamed; ++i) {
      refs += (i ? ", " : "") + Hex(callers[i], 4);
    }
    if (callers.size() > kCallersNamed) refs += " and " + std::to_string(callers.size() - kCallersNamed) + " more";
  }
  if (refs.empty()) refs = "no channel or call refers to it";
  const uint32_t size = block.end - block.start;
  return "block at " + Place(block.start) + ", " + Bytes(size) + "; " + refs +
         BankCrossing(block.start, size);
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

void AddBlocks(Decoded& out, std::vector<Stream>& blocks,
               const std::vector<MainEntry>& mains) {
  // The calls of every block, gathered once: a hostile file may hold
  // hundreds of thousands of blocks.
  std::vector<std::vector<uint32_t>> callers(blocks.size());
  for (const Stream& block : blocks) {
    for (const Event& event : block.events) {
      const int target = IsRow(event, "call") ? BlockAt(blocks, event.operands.value[0]) : -1;
      if (target >= 0) callers[static_cast<size_t>(target)].push_back(event.offset);
    }
  }
  for (const Stream& block : blocks) {
    std::vector<MainEntry> names;
    for (const MainEntry& main : mains) {
      if (main.start == block.start) names.push_back(main);
    }
    Item item;
    item.kind = ItemKind::Events;
    item.offset = block.start;
    item.size = block.end - block.start;
    item.heading = BlockHeading(block, names, callers[static_cast<size_t>(&block - blocks.data())]);
    item.index = static_cast<int>(out.streams.size() + (&block - blocks.data()));
    out.items.push_back(std::move(item));
  }
  for (Stream& block : blocks) out.streams.push_back(std::move(block));
}

// Puts a zero-size marker at the note-off point among the events.
void MarkNoteOff(Stream& stream, uint32_t at, uint32_t instrument) {
  Event marker;
  marker.offset = at;
  marker.comment = "note-off point of instrument " + std::to_string(instrument);
  auto it = stream.events.begin();
  while (it != stream.events.end() && it->offset + it->size <= at && !(it->size == 0 && it->offset == at)) ++it;
  if (it != stream.events.end() && it->offset < at) {
    marker.comment += ", inside the event at " + Hex(it->offset, 4);
    ++it;
  }
  stream.events.insert(it, marker);
}

bool DecodeInstrumentTable(Reader& reader, Decoded& out, uint32_t table, uint32_t count) {
  const uint8_t* d = reader.data;
  const uint32_t pointersEnd = table + format::kPointerSize * count;
  if (pointersEnd > reader.size) return reader.Fail(format::kCountAt, msg::kDumpCountTooLarge);
  Item pointers;
  pointers.offset = table;
  pointers.size = pointersEnd - table;
  pointers.heading = "instrument table at " + Place(table) + ", " + Bytes(reader.size - table) +
                     "; its pointers count from its first byte" +
                     BankCrossing(table, reader.size - table);
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
    Item item;
    item.offset = abs;
    item.size = format::kInstrumentRecordHeaderSize;
    item.heading = "instrument " + std::to_string(i) + " record at " + Place(abs);
    item.fields.push_back({abs, format::kInstrumentRecordHeaderSize,
                           "note-off point at +" + Place(noteOff) + ", file " + Hex(table + noteOff, 4)});
    out.items.push_back(std::move(item));
  }
  out.items.push_back(std::move(pointers));
  std::vector<uint32_t> starts;
  for (const Item& item : out.items) {
    if (item.offset >= table) starts.push_back(item.offset);
  }
  for (const StreamRef& ref : refs) starts.push_back(ref.start);
  std::sort(starts.begin(), starts.end());
  const std::vector<int> streams = AddStreams(reader, out, refs, starts, reader.size, format::kInstrumentLanguage);
  out.noiseInstruments.assign(count, false);
  for (uint32_t i = 0; i < count; ++i) {
    Stream& stream = out.streams[static_cast<size_t>(streams[i])];
    for (const Event& event : stream.events) {
      if (IsRow(event, "noise")) out.noiseInstruments[i] = true;
    }
    if (noteOffs[i] >= stream.start && noteOffs[i] <= stream.end) MarkNoteOff(stream, noteOffs[i], i);
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
  Item header;
  header.size = format::kMusHeaderSize;
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
  std::vector<Stream> blocks;
  if (!ReadBlocks(reader, area, starts, blocks)) return false;
  MarkCycles(blocks, area);
  AddBlocks(out, blocks, mains);
  return !hasTable || DecodeInstrumentTable(reader, out, table, count);
}

}  // namespace psgc::dump

// Decoders of the SFX binary, the track pack and the PCM pack: their
// headers, their pointers and what the pointers reach.
#include "dump/format_decoders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/messages.h"
#include "dump/mus_decoder.h"
#include "format/layout.h"

namespace psgc::dump {
namespace {

std::string Plural(uint32_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The header, listed as its mark and count (of `one` or `many`), and the
// end of the pointer or entry table that follows it, checked against the
// file: the count byte must fit.
bool ReadHeader(Reader& reader, Decoded& out, const char* mark, uint32_t entrySize, const char* one,
                const char* many, uint32_t& count, uint32_t& tableEnd) {
  count = reader.data[format::kCountAt];
  tableEnd = format::kFileHeaderSize + entrySize * count;
  if (tableEnd > reader.size) return reader.Fail(format::kCountAt, msg::kDumpCountTooLarge);
  out.items.push_back({ItemKind::Fields, 0, tableEnd, {},
                       {{0, format::kFileHeaderSize, std::string("\"") + mark + "\", " + Plural(count, one, many)}}});
  return true;
}

struct Effect {
  size_t item;
  std::vector<size_t> refs;
};

bool DecodeEffect(Reader& reader, uint32_t at, uint32_t number, Decoded& out,
                  std::vector<StreamRef>& refs, std::vector<Effect>& effects) {
  const uint8_t* d = reader.data;
  if (reader.size - at < format::kEffectHeaderSize) return reader.Fail(at, msg::kDumpTruncatedHeader);
  const uint32_t channels = d[at + 1];
  if (channels == 0 || channels > format::kMaxEffectChannels) {
    return reader.Fail(at + 1, msg::kDumpChannelCount);
  }
  const uint32_t size = format::kEffectHeaderSize + format::kChannelHeaderSize * channels;
  if (reader.size - at < size) return reader.Fail(at + 1, msg::kDumpCountTooLarge);
  Item item{ItemKind::Fields, at, size, "effect " + std::to_string(number), {}};
  item.fields.push_back({at, format::kEffectHeaderSize, "priority " + std::to_string(d[at]) + ", " +
                                                            Plural(channels, "channel", "channels")});
  Effect effect{out.items.size(), {}};
  const uint32_t firstData = format::kFileHeaderSize;
  for (uint32_t j = 0; j < channels; ++j) {
    const uint32_t header = at + format::kEffectHeaderSize + format::kChannelHeaderSize * j;
    uint32_t events = 0;
    if (!reader.Pointer(header + 1, firstData, reader.size, events)) return false;
    const uint8_t flag = d[header];
    const std::string kind = flag == format::kNoiseChannel ? "noise"
                             : flag == format::kToneChannel ? "tone"
                                                            : "flag " + Hex(flag, 2);
    item.fields.push_back({header, format::kChannelHeaderSize,
                           "channel " + std::to_string(j) + ": " + kind + ", events at " + Place(events)});
    effect.refs.push_back(refs.size());
    refs.push_back({events, "effect " + std::to_string(number) + " channel " + std::to_string(j)});
  }
  out.items.push_back(std::move(item));
  effects.push_back(effect);
  return true;
}

// An effect's heading tells its whole extent: header and channel events.
void NameEffects(Decoded& out, const std::vector<Effect>& effects, const std::vector<int>& streams) {
  for (const Effect& effect : effects) {
    Item& item = out.items[effect.item];
    uint32_t end = item.offset + item.size;
    for (size_t r : effect.refs) {
      const Stream& s = out.streams[static_cast<size_t>(streams[r])];
      if (s.start >= item.offset) end = std::max(end, s.end);
    }
    item.heading += " at " + Place(item.offset) + ", " + Bytes(end - item.offset) +
                    BankCrossing(item.offset, end - item.offset);
  }
}

}  // namespace

bool DecodeSfx(Reader& reader, Decoded& out) {
  uint32_t n = 0;
  uint32_t tableEnd = 0;
  if (!ReadHeader(reader, out, format::kSfxMark, format::kPointerSize, "sound effect", "sound effects", n, tableEnd)) return false;
  std::vector<StreamRef> refs;
  std::vector<Effect> effects;
  std::vector<uint32_t> seen;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t at = format::kFileHeaderSize + format::kPointerSize * i;
    uint32_t effect = 0;
    if (!reader.Pointer(at, tableEnd, reader.size, effect)) return false;
    out.items[0].fields.push_back({at, format::kPointerSize,
                                   "effect " + std::to_string(i) + " at " + Place(effect)});
    const auto same = static_cast<uint32_t>(std::find(seen.begin(), seen.end(), effect) - seen.begin());
    seen.push_back(effect);
    if (same < i) {
      out.items[0].fields.back().text += ", as effect " + std::to_string(same);
    } else if (!DecodeEffect(reader, effect, i, out, refs, effects)) {
      return false;
    }
  }
  const std::vector<int> streams = AddStreams(out, refs, reader.size, format::kInstrumentLanguage);
  NameEffects(out, effects, streams);
  return true;
}

bool DecodeTrk(Reader& reader, Decoded& out) {
  uint32_t n = 0;
  uint32_t tableEnd = 0;
  if (!ReadHeader(reader, out, format::kTrkMark, format::kPointerSize, "song", "songs", n, tableEnd)) return false;
  std::vector<uint32_t> starts;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t at = format::kFileHeaderSize + format::kPointerSize * i;
    uint32_t song = 0;
    if (!reader.Pointer(at, tableEnd, reader.size, song)) return false;
    out.items[0].fields.push_back({at, format::kPointerSize, "song " + std::to_string(i) + " at " + Place(song)});
    starts.push_back(song);
  }
  std::vector<uint32_t> sorted = starts;
  std::sort(sorted.begin(), sorted.end());
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t start = starts[i];
    if (std::find(starts.begin(), starts.begin() + i, start) != starts.begin() + i) continue;
    const uint32_t size = NextStart(sorted, start, reader.size) - start;
    Item item{ItemKind::Fields, start, size, "song " + std::to_string(i), {}};
    for (uint32_t k = i + 1; k < n; ++k) {
      if (starts[k] == start) item.heading += ", song " + std::to_string(k);
    }
    item.heading += " at " + Place(start) + ", " + Bytes(size) + BankSpan(start, size) +
                    BankCrossing(start, size);
    const uint8_t* song = reader.data + start;
    if (size >= format::kMarkSize && std::memcmp(song, format::kMusMark, format::kMarkSize) == 0) {
      Decoded decoded;
      decoded.format = format::kMusMark;
      decoded.size = size;
      DumpFault inner;
      Reader sub{song, size, inner, reader.letGo};
      if (size < format::kFileHeaderSize) return reader.Fail(start + size, msg::kDumpTruncatedHeader);
      if (!DecodeMus(sub, decoded) || !FinishItems(sub, decoded)) {
        return reader.Fail(start + inner.offset, *inner.message);
      }
      item.kind = ItemKind::Song;
      item.index = static_cast<int>(out.songs.size());
      item.heading += "; its listing counts offsets from the song's first byte";
      out.songs.push_back(std::move(decoded));
    } else {
      item.heading += size == 0 ? "; empty" : "; no MUS mark, listed raw";
      item.raw = true;
    }
    out.items.push_back(std::move(item));
  }
  return true;
}

bool DecodePcm(Reader& reader, Decoded& out) {
  uint32_t n = 0;
  uint32_t tableEnd = 0;
  if (!ReadHeader(reader, out, format::kPcmMark, format::kPcmEntrySize, "stream", "streams", n, tableEnd)) return false;
  const uint8_t* d = reader.data;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t at = format::kFileHeaderSize + format::kPcmEntrySize * i;
    if (d[at] != format::kPcmEntryMark) return reader.Fail(at, msg::kDumpEntryMark);
    uint32_t start = 0;
    if (!reader.Pointer(at + 1, tableEnd, reader.size, start)) return false;
    const uint32_t lengthAt = at + format::kPcmLengthAt;
    const uint32_t length = format::PcmEntryLength(d + at);
    if (length > reader.size - start) return reader.Fail(lengthAt, msg::kDumpStreamPastEnd);
    out.items[0].fields.push_back({at, format::kPcmEntrySize, "stream " + std::to_string(i) + " at " +
                                                                  Place(start) + ", " +
                                                                  Bytes(length)});
    bool shared = false;
    for (Item& item : out.items) {
      if (item.kind == ItemKind::Samples && item.offset == start && item.size == length) {
        item.heading.insert(item.heading.find(" at "), ", stream " + std::to_string(i));
        shared = true;
      }
    }
    if (shared) continue;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(length) / format::kPcmSamplesPerSecond);
    Item item{ItemKind::Samples, start, length,
              "stream " + std::to_string(i) + " at " + Place(start) + ", " + Bytes(length) + BankSpan(start, length) +
                  ", " + seconds + " seconds at " + std::to_string(format::kPcmSamplesPerSecond) + " samples/s" +
                  BankCrossing(start, length),
              {}};
    if (length > 0) item.fields.push_back({start, length, Plural(length, "sample", "samples")});
    out.items.push_back(std::move(item));
  }
  return true;
}

}  // namespace psgc::dump

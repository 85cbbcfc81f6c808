// Listing lines: "OFFSET  BYTES  TEXT", offsets in hexadecimal, at most
// eight bytes shown per line, headings before every item. Events are read
// as they are printed, and lines go out in chunks: a listing of millions
// of lines holds one chunk of text and one event at a time.
#include "dump/listing.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "dump/decoder_parts.h"
#include "dump/stream_decoder.h"
#include "format/layout.h"

namespace psgc::dump {
namespace {

using format::Operand;

constexpr uint32_t kBytesShown = 8;
constexpr size_t kBytesColumn = kBytesShown * 3 - 1;
constexpr size_t kCallersNamed = 4;
constexpr size_t kChunk = 1 << 16;
constexpr char kDigits[] = "0123456789ABCDEF";

// The listing's text in the making: a buffer passed out in chunks. Lines
// are put together in place, a character at a time where that is what
// they are, since a listing may run to hundreds of megabytes.
class Text {
 public:
  explicit Text(const ListingSink& sink) : sink_(sink), buffer_(kChunk + kLongestPiece + kMargin) {}
  // Single characters and numbers go into the margin that every longer
  // piece leaves free.
  void Put(char c) { buffer_[used_++] = c; }
  void Put(const char* text, size_t size) {
    if (used_ + size > kChunk + kLongestPiece) Flush();
    if (size > kLongestPiece) {
      sink_(std::string(text, size));
      return;
    }
    std::memcpy(buffer_.data() + used_, text, size);
    used_ += size;
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }
  void Put(const std::string& text) { Put(text.data(), text.size()); }
  void Spaces(size_t n) {
    std::memset(buffer_.data() + used_, ' ', n);
    used_ += n;
  }
  void Number(int64_t value) {
    used_ = static_cast<size_t>(std::to_chars(buffer_.data() + used_, buffer_.data() + used_ + 24, value).ptr -
                                buffer_.data());
  }
  void Hex(uint32_t value, int digits) {
    char text[8];
    int n = 0;
    do {
      text[7 - n++] = kDigits[value & 0xF];
      value >>= 4;
    } while (value != 0);
    while (n < digits--) Put('0');
    Put(text + 8 - n, static_cast<size_t>(n));
  }
  // Ends a line; passes the text out once a chunk is full.
  void EndLine() {
    Put('\n');
    if (used_ >= kChunk) Flush();
  }
  void Flush() {
    if (used_ > 0) sink_(std::string(buffer_.data(), used_));
    used_ = 0;
  }

 private:
  static constexpr size_t kLongestPiece = 1 << 15;
  static constexpr size_t kMargin = 1024;
  const ListingSink& sink_;
  std::vector<char> buffer_;
  size_t used_ = 0;
};

struct Writer {
  const uint8_t* data;
  int digits;
  std::string prefix;  // a song inside a track pack is indented
  Text& out;

  void Heading(const std::string& text) {
    out.Put(prefix);
    out.Put("-- ", 3);
    out.Put(text);
    out.EndLine();
  }
  // Starts a line: the offset and up to eight of the `size` bytes there.
  // Its text, if any, follows in the text column; EndLine ends it.
  void BeginLine(uint32_t offset, uint32_t size, bool hasText) {
    out.Put(prefix);
    out.Hex(offset, digits);
    out.Put("  ", 2);
    const uint32_t shown = size > kBytesShown ? kBytesShown - 1 : size;
    for (uint32_t i = 0; i < shown; ++i) {
      if (i) out.Put(' ');
      out.Put(kDigits[data[offset + i] >> 4]);
      out.Put(kDigits[data[offset + i] & 0xF]);
    }
    size_t width = shown == 0 ? 0 : shown * 3 - 1;
    if (size > kBytesShown) {
      out.Put(" ..", 3);
      width += 3;
    }
    if (hasText) out.Spaces(kBytesColumn - width + 2);
  }
  void Line(uint32_t offset, uint32_t size, const std::string& text) {
    BeginLine(offset, size, !text.empty());
    out.Put(text);
    out.EndLine();
  }
  // Bytes listed as they are, eight a line; the first line may say why.
  void Raw(uint32_t offset, uint32_t size, const std::string& first) {
    for (uint32_t at = offset; at < offset + size; at += kBytesShown) {
      Line(at, std::min(kBytesShown, offset + size - at), at == offset ? first : std::string());
    }
  }
};

// A fixed-point value as the script writes it. The bytes hold a two's
// complement number of 256ths: FE 80 is -1.5, written -1.128, since the
// digits after the point count 256ths.
void AppendFixed(Text& out, int64_t integer, uint8_t fraction) {
  const int64_t total = integer * 256 + fraction;
  const int64_t magnitude = total < 0 ? -total : total;
  if (total < 0) out.Put('-');
  out.Number(magnitude / 256);
  if (magnitude % 256 != 0) {
    out.Put('.');
    out.Number(magnitude % 256);
  }
}

void AppendOperand(Text& out, const Event& event, size_t i, Operand kind) {
  const int64_t value = event.operands.value[i];
  switch (kind) {
    case Operand::Fixed8:
    case Operand::Fixed16: AppendFixed(out, value, event.operands.fraction[i]); break;
    case Operand::Samples:
      for (uint32_t k = 0; k < format::kWaveSamples; ++k) {
        if (k) out.Put(' ');
        out.Number(event.operands.samples[k]);
      }
      break;
    case Operand::Pointer: out.Put(Place(static_cast<uint32_t>(value))); break;
    default: out.Number(value);
  }
}

bool LeftOut(const Event& event, size_t i) {
  return i >= event.row->optionalFrom && event.operands.value[i] == 0 && event.operands.fraction[i] == 0;
}

// What the listing knows beside the events of the stream it prints.
struct StreamContext {
  const Decoded& decoded;
  const std::vector<uint32_t>* blockStarts = nullptr;  // music blocks: for what a call reaches
  size_t block = 0;                                    // the block being printed
};

// Why a call is not followed, or nothing.
const char* CallComment(const StreamContext& context, const Event& event) {
  if (context.blockStarts == nullptr) return nullptr;
  const Blocks& blocks = context.decoded.blocks;
  const std::vector<uint32_t>& starts = *context.blockStarts;
  const int64_t target = event.operands.value[0];
  const auto it = std::lower_bound(starts.begin(), starts.end(), target,
                                   [](uint32_t s, int64_t o) { return s < o; });
  if (it != starts.end() && *it == target) {
    const auto b = static_cast<size_t>(it - starts.begin());
    if (b == context.block) return "calls its own block: a cycle, not followed";
    if (blocks.component[b] == blocks.component[context.block]) return "a cycle of calls, not followed";
    return nullptr;
  }
  if (target == blocks.areaEnd) return "an empty block at the end of the music";
  return "inside another block's event";
}

// "near a.4 at tuning 32" for each tone period, worked out once per period.
const std::string& NearNote(uint32_t period) {
  static std::vector<std::string> names(65536);
  static std::vector<bool> known(65536, false);
  period &= 0xFFFF;
  if (!known[period]) {
    const std::string note = NearestNoteName(period);
    names[period] = note.empty() ? std::string() : "near " + note + " at tuning 32";
    known[period] = true;
  }
  return names[period];
}

void WriteEvent(Writer& w, const Event& event, const StreamContext& context) {
  const format::EventRow& row = *event.row;
  Text& out = w.out;
  w.BeginLine(event.offset, event.size, true);
  out.Put(row.name);
  for (size_t i = 0; i < format::kMaxOperands && row.operands[i] != Operand::None; ++i) {
    if (row.operands[i] == Operand::Zero || LeftOut(event, i)) continue;
    out.Put(' ');
    AppendOperand(out, event, i, row.operands[i]);
  }
  // Comments follow the event: "  ; " before the first, ", " between.
  const char* separator = "  ; ";
  const auto comment = [&] {
    out.Put(separator);
    separator = ", ";
  };
  if (row.opcode == format::music::kNote.opcode && std::strcmp(row.name, format::music::kNote.name) == 0) {
    const std::vector<bool>& noise = context.decoded.noiseInstruments;
    const auto instrument = static_cast<size_t>(event.operands.value[0]);
    if (instrument < noise.size() && noise[instrument]) {
      comment();
      out.Put("noise period");
    } else if (const std::string& note = NearNote(static_cast<uint32_t>(event.operands.value[1])); !note.empty()) {
      comment();
      out.Put(note);
    }
  }
  if (event.pairs > 1) {
    comment();
    out.Number(event.pairs);
    out.Put(" wait pairs");
  }
  if (const char* call = row.opcode == format::music::kCall.opcode ? CallComment(context, event) : nullptr) {
    comment();
    out.Put(call);
  }
  out.EndLine();
}

void WriteNoteOff(Writer& w, const NoteOff& noteOff, const Event* inside) {
  std::string text = "; note-off point of instrument " + std::to_string(noteOff.instrument);
  if (inside != nullptr) text += ", inside the event at " + Hex(inside->offset, 4);
  w.Line(noteOff.at, 0, text);
}

// The events of one stream, and the note-off points that fall in it: a
// point at an event's first byte comes before the event, one inside an
// event right after it; of several at one place, the last instrument's
// comes first.
void WriteEvents(Writer& w, const Stream& stream, const StreamContext& context, const size_t* index) {
  std::vector<NoteOff> points;
  for (const NoteOff& noteOff : context.decoded.noteOffs) {
    if (index != nullptr && noteOff.stream == *index) points.push_back(noteOff);
  }
  std::reverse(points.begin(), points.end());
  std::stable_sort(points.begin(), points.end(), [](const NoteOff& a, const NoteOff& b) { return a.at < b.at; });
  size_t next = 0;
  EventReader events(w.data, stream.start, stream.end, *stream.language);
  Event event;
  bool any = false;
  while (events.Next(event)) {
    any = true;
    for (; next < points.size() && points[next].at <= event.offset; ++next) WriteNoteOff(w, points[next], nullptr);
    if (event.fault != nullptr) {
      w.Raw(event.offset, event.size, std::string("?? ") + event.fault + ", listed raw");
    } else {
      WriteEvent(w, event, context);
    }
    // Points inside the event, the last instrument's first.
    std::vector<NoteOff> inside;
    for (; next < points.size() && points[next].at < event.offset + event.size; ++next) {
      inside.push_back(points[next]);
    }
    std::sort(inside.begin(), inside.end(),
              [](const NoteOff& a, const NoteOff& b) { return a.instrument > b.instrument; });
    for (const NoteOff& noteOff : inside) WriteNoteOff(w, noteOff, &event);
  }
  if (!any && points.empty()) w.Line(stream.start, 0, "; no events");
  for (; next < points.size(); ++next) WriteNoteOff(w, points[next], nullptr);
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

std::string BlockHeading(const Stream& block, const Blocks& blocks, size_t b) {
  std::vector<MainEntry> mains;
  for (const MainEntry& main : blocks.mains) {
    if (main.start == block.start) mains.push_back(main);
  }
  std::string refs = MainBlockOf(mains);
  const uint32_t first = blocks.callersFrom[b];
  const uint32_t callers = blocks.callersFrom[b + 1] - first;
  if (callers > 0) {
    refs += refs.empty() ? "called from " : "; called from ";
    for (uint32_t i = 0; i < callers && i < kCallersNamed; ++i) {
      refs += (i ? ", " : "") + Hex(blocks.callers[first + i], 4);
    }
    if (callers > kCallersNamed) refs += " and " + std::to_string(callers - kCallersNamed) + " more";
  }
  if (refs.empty()) refs = "no channel or call refers to it";
  const uint32_t size = block.end - block.start;
  return "block at " + Place(block.start) + ", " + Bytes(size) + "; " + refs + BankCrossing(block.start, size);
}

void WriteBlocks(Writer& w, const Decoded& decoded) {
  const Blocks& blocks = decoded.blocks;
  for (size_t b = 0; b < blocks.starts.size(); ++b) {
    const Stream block = blocks.At(b);
    w.Heading(BlockHeading(block, blocks, b));
    WriteEvents(w, block, StreamContext{decoded, &blocks.starts, b}, nullptr);
  }
}

void WriteItem(Writer& w, const Item& item, const Decoded& decoded) {
  if (!item.heading.empty()) w.Heading(item.heading);
  for (const Field& field : item.fields) w.Line(field.offset, field.size, field.text);
  if (item.raw) w.Raw(item.offset, item.size, std::string());
  if (item.kind == ItemKind::Events) {
    const auto index = static_cast<size_t>(item.index);
    WriteEvents(w, decoded.streams[index], StreamContext{decoded}, &index);
  } else if (item.kind == ItemKind::Blocks) {
    WriteBlocks(w, decoded);
  } else if (item.kind == ItemKind::Song) {
    const Decoded& song = decoded.songs[static_cast<size_t>(item.index)];
    Writer inner{w.data + item.offset, w.digits, w.prefix + "    ", w.out};
    for (const Item& songItem : song.items) WriteItem(inner, songItem, song);
  }
}

int OffsetDigits(uint32_t size) {
  int digits = 4;
  while (digits < 8 && (size >> (4 * digits)) != 0) ++digits;
  return digits;
}

}  // namespace

void WriteListing(const std::string& name, const uint8_t* data, const Decoded& decoded,
                  const ListingSink& sink) {
  const uint32_t banks = decoded.size == 0 ? 0 : ((decoded.size - 1) >> format::kBankShift) + 1;
  Text text(sink);
  Writer w{data, OffsetDigits(decoded.size), std::string(), text};
  text.Put("== " + name + ": " + decoded.format + ", " + Bytes(decoded.size) + " in " + std::to_string(banks) +
           (banks == 1 ? " bank" : " banks") + " of 8 KiB");
  text.EndLine();
  for (const Item& item : decoded.items) WriteItem(w, item, decoded);
  text.Flush();
}

}  // namespace psgc::dump

// Listing lines: "OFFSET  BYTES  TEXT", offsets in hexadecimal, at most
// eight bytes shown per line, headings before every item.
#include "dump/listing.h"

#include <algorithm>
#include <cstring>

#include "dump/decoder_parts.h"
#include "dump/stream_decoder.h"
#include "format/layout.h"

namespace psgc::dump {
namespace {

using format::Operand;

constexpr uint32_t kBytesShown = 8;
constexpr size_t kBytesColumn = kBytesShown * 3 - 1;

// Lines go out in chunks, so a listing of millions of lines is never held
// whole.
constexpr size_t kChunk = 1 << 16;

struct Writer {
  const uint8_t* data;
  int digits;
  std::string prefix;  // a song inside a track pack is indented
  const ListingSink& sink;
  std::string out;

  void Put(const std::string& line) {
    out += line;
    if (out.size() >= kChunk) Flush();
  }
  void Flush() {
    if (!out.empty()) sink(out);
    out.clear();
  }
  void Heading(const std::string& text) { Put(prefix + "-- " + text + "\n"); }

  void Line(uint32_t offset, uint32_t size, const std::string& text) {
    std::string bytes;
    const uint32_t shown = size > kBytesShown ? kBytesShown - 1 : size;
    for (uint32_t i = 0; i < shown; ++i) {
      bytes += (i ? " " : "") + Hex(data[offset + i], 2);
    }
    if (size > kBytesShown) bytes += " ..";
    std::string line = prefix + Hex(offset, digits) + "  " + bytes;
    if (!text.empty()) line += std::string(kBytesColumn - bytes.size() + 2, ' ') + text;
    Put(line + "\n");
  }
};

// A fixed-point value as the script writes it. The bytes hold a two's
// complement number of 256ths: FE 80 is -1.5, written -1.128, since the
// digits after the point count 256ths.
std::string FixedText(int64_t integer, uint8_t fraction) {
  const int64_t total = integer * 256 + fraction;
  const int64_t magnitude = total < 0 ? -total : total;
  std::string s = (total < 0 ? "-" : "") + std::to_string(magnitude / 256);
  if (magnitude % 256 != 0) s += "." + std::to_string(magnitude % 256);
  return s;
}

std::string OperandText(const Event& event, size_t i, Operand kind) {
  const int64_t value = event.operands.value[i];
  switch (kind) {
    case Operand::Fixed8:
    case Operand::Fixed16: return FixedText(value, event.operands.fraction[i]);
    case Operand::Samples: {
      std::string s;
      for (uint32_t k = 0; k < format::kWaveSamples; ++k) {
        s += (k ? " " : "") + std::to_string(event.operands.samples[k]);
      }
      return s;
    }
    case Operand::Pointer: return Place(static_cast<uint32_t>(value));
    default: return std::to_string(value);
  }
}

bool LeftOut(const Event& event, size_t i) {
  return i >= event.row->optionalFrom && event.operands.value[i] == 0 && event.operands.fraction[i] == 0;
}

std::string EventText(const Event& event, const Decoded& decoded) {
  const format::EventRow& row = *event.row;
  std::string text = row.name;
  std::string comment;
  for (size_t i = 0; i < format::kMaxOperands && row.operands[i] != Operand::None; ++i) {
    if (row.operands[i] == Operand::Zero || LeftOut(event, i)) continue;
    text += " " + OperandText(event, i, row.operands[i]);
  }
  if (row.opcode == format::music::kNote.opcode && std::strcmp(row.name, format::music::kNote.name) == 0) {
    const auto instrument = static_cast<size_t>(event.operands.value[0]);
    const bool noise = instrument < decoded.noiseInstruments.size() && decoded.noiseInstruments[instrument];
    const std::string note = NearestNoteName(static_cast<uint32_t>(event.operands.value[1]));
    comment = noise ? "noise period" : note.empty() ? "" : "near " + note + " at tuning 32";
  }
  if (event.pairs > 1) comment += (comment.empty() ? "" : ", ") + std::to_string(event.pairs) + " wait pairs";
  if (!event.comment.empty()) comment += (comment.empty() ? "" : ", ") + event.comment;
  return comment.empty() ? text : text + "  ; " + comment;
}

void WriteEvents(Writer& w, const Stream& stream, const Decoded& decoded) {
  if (stream.events.empty()) w.Line(stream.start, 0, "; no events");
  for (const Event& event : stream.events) {
    if (event.fault != nullptr) {
      for (uint32_t at = event.offset; at < event.offset + event.size; at += kBytesShown) {
        const uint32_t n = std::min(kBytesShown, event.offset + event.size - at);
        w.Line(at, n, at == event.offset ? std::string("?? ") + event.fault + ", listed raw" : std::string());
      }
    } else if (event.row == nullptr) {
      w.Line(event.offset, 0, "; " + event.comment);
    } else {
      w.Line(event.offset, event.size, EventText(event, decoded));
    }
  }
}

void WriteItems(Writer& w, const Decoded& decoded);

void WriteItem(Writer& w, const Item& item, const Decoded& decoded) {
  if (!item.heading.empty()) w.Heading(item.heading);
  for (const Field& field : item.fields) w.Line(field.offset, field.size, field.text);
  if (item.kind == ItemKind::Events) {
    WriteEvents(w, decoded.streams[static_cast<size_t>(item.index)], decoded);
  } else if (item.kind == ItemKind::Song) {
    const Decoded& song = decoded.songs[static_cast<size_t>(item.index)];
    w.Flush();
    Writer inner{w.data + item.offset, w.digits, w.prefix + "    ", w.sink, std::string()};
    WriteItems(inner, song);
    inner.Flush();
  }
}

void WriteItems(Writer& w, const Decoded& decoded) {
  for (const Item& item : decoded.items) WriteItem(w, item, decoded);
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
  Writer w{data, OffsetDigits(decoded.size), std::string(), sink, std::string()};
  w.out = "== " + name + ": " + decoded.format + ", " + Bytes(decoded.size) + " in " +
          std::to_string(banks) + (banks == 1 ? " bank" : " banks") + " of 8 KiB\n";
  WriteItems(w, decoded);
  w.Flush();
}

}  // namespace psgc::dump

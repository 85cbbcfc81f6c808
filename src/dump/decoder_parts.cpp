// The file-level checks shared by every format, and the choice of decoder
// by the file's mark.
#include "dump/decoder_parts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/messages.h"
#include "dump/format_decoders.h"
#include "dump/mus_decoder.h"
#include "format/layout.h"

namespace psgc::dump {

bool Reader::Pointer(uint32_t at, uint32_t lowest, uint32_t highest, uint32_t& target) {
  if (at > size || size - at < format::kPointerSize) return Fail(at, msg::kDumpTruncatedHeader);
  if (!format::DecodeBankPointer(data + at, target)) return Fail(at, msg::kDumpInvalidPointer);
  if (target > size) return Fail(at, msg::kDumpPointerPastEnd);
  if (target < lowest || target > highest) return Fail(at, msg::kDumpPointerOutside);
  return true;
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string Bytes(uint32_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

std::string Place(uint32_t offset) {
  return Hex(offset, 4) + " (" + Hex(offset >> format::kBankShift, 2) + ":" +
         Hex(offset & (format::kBankSize - 1), 4) + ")";
}

std::string BankSpan(uint32_t offset, uint32_t size) {
  const uint32_t first = offset >> format::kBankShift;
  const uint32_t last = size == 0 ? first : (offset + size - 1) >> format::kBankShift;
  if (first == last) return ", bank " + Hex(first, 2);
  return ", banks " + Hex(first, 2) + "-" + Hex(last, 2);
}

std::string BankCrossing(uint32_t offset, uint32_t size) {
  if (size == 0) return std::string();
  const uint32_t first = offset >> format::kBankShift;
  const uint32_t last = (offset + size - 1) >> format::kBankShift;
  if (first == last) return std::string();
  const uint32_t at = (first + 1) << format::kBankShift;
  if (last == first + 1) return " -- crosses into bank " + Hex(last, 2) + " at " + Hex(at, 4);
  return " -- crosses " + std::to_string(last - first) + " bank boundaries from " + Hex(at, 4);
}

uint32_t NextStart(const std::vector<uint32_t>& starts, uint32_t start, uint32_t limit) {
  const auto next = std::upper_bound(starts.begin(), starts.end(), start);
  return next == starts.end() || *next > limit ? limit : *next;
}

namespace {

Item Unreferenced(uint32_t offset, uint32_t size) {
  return {ItemKind::Unreferenced, offset, size,
          "unreferenced bytes " + Hex(offset, 4) + "-" + Hex(offset + size - 1, 4) + " (" + Bytes(size) +
              ", no pointer or header reaches them)",
          {}, -1, true};
}

}  // namespace

std::vector<int> AddStreams(Decoded& out, const std::vector<StreamRef>& refs, uint32_t limit,
                            const format::EventLanguage& language) {
  std::vector<int> index(refs.size(), -1);
  // A stream that starts where a header starts is empty: an instrument or
  // channel without events points at whatever follows it.
  std::vector<uint32_t> headers;
  for (const Item& item : out.items) headers.push_back(item.offset);
  std::sort(headers.begin(), headers.end());
  std::vector<uint32_t> starts = headers;
  for (const StreamRef& ref : refs) starts.push_back(ref.start);
  std::sort(starts.begin(), starts.end());
  for (size_t i = 0; i < refs.size(); ++i) {
    for (size_t k = 0; k < i && index[i] < 0; ++k) {
      if (refs[k].start == refs[i].start) index[i] = index[k];
    }
    if (index[i] >= 0) continue;
    const uint32_t start = refs[i].start;
    const uint32_t end = std::binary_search(headers.begin(), headers.end(), start)
                             ? start
                             : NextStart(starts, start, limit);
    index[i] = static_cast<int>(out.streams.size());
    out.streams.push_back({&language, start, end});
    std::string owners = refs[i].owner;
    for (size_t k = i + 1; k < refs.size(); ++k) {
      if (refs[k].start == start) owners += ", " + refs[k].owner;
    }
    out.items.push_back({ItemKind::Events, start, end - start,
                         owners + ": events at " + Hex(start, 4) + ", " + Bytes(end - start) +
                             BankCrossing(start, end - start),
                         {}, index[i]});
  }
  return index;
}

bool FinishItems(Reader& reader, Decoded& out) {
  std::stable_sort(out.items.begin(), out.items.end(), [](const Item& a, const Item& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.size < b.size;
  });
  std::vector<Item> items;
  uint32_t covered = 0;
  for (Item& item : out.items) {
    if (item.offset < covered) return reader.Fail(item.offset, msg::kDumpOverlap);
    if (item.offset > covered) {
      items.push_back(Unreferenced(covered, item.offset - covered));
      out.unreferencedBytes += item.offset - covered;
    }
    covered = item.offset + item.size;
    items.push_back(std::move(item));
  }
  if (covered < reader.size) {
    items.push_back(Unreferenced(covered, reader.size - covered));
    out.unreferencedBytes += reader.size - covered;
  }
  out.items = std::move(items);
  return true;
}

bool DecodeBinary(const uint8_t* data, uint32_t size, Decoded& out, DumpFault& fault, const LetGo& letGo) {
  Reader reader{data, size, fault, &letGo};
  out.size = size;
  if (size < format::kMarkSize) return reader.Fail(0, msg::kDumpUnknownMark);
  struct Kind {
    const char* mark;
    bool (*decode)(Reader&, Decoded&);
  };
  static const Kind kKinds[] = {{format::kSfxMark, DecodeSfx},
                                {format::kMusMark, DecodeMus},
                                {format::kTrkMark, DecodeTrk},
                                {format::kPcmMark, DecodePcm}};
  for (const Kind& kind : kKinds) {
    if (std::memcmp(data, kind.mark, format::kMarkSize) != 0) continue;
    out.format = kind.mark;
    if (size < format::kFileHeaderSize) return reader.Fail(size, msg::kDumpTruncatedHeader);
    return kind.decode(reader, out) && FinishItems(reader, out);
  }
  return reader.Fail(0, msg::kDumpUnknownMark);
}

}  // namespace psgc::dump

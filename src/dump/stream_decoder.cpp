// Reading events back with the tables that the compilers encode with.
#include "dump/stream_decoder.h"

#include <cmath>

#include "format/layout.h"

namespace psgc::dump {
namespace {

using format::Operand;

constexpr char kUnknownEvent[] = "no event of this stream";
constexpr char kCutShort[] = "an event cut short";

struct Cursor {
  const uint8_t* data;
  uint32_t at;
  uint32_t end;
  bool Has(uint32_t n) const { return end - at >= n; }
};

int64_t Read16(const uint8_t* p, bool isSigned) {
  const auto value = static_cast<uint16_t>(p[0] | p[1] << 8);
  return isSigned ? int64_t{static_cast<int16_t>(value)} : int64_t{value};
}

// A run of wait steps at the cursor. A bare `wait` takes at least one step
// (and may be a lone 0 step, which no script writes); a duration after a
// note or rest takes none or more, never a 0 step.
void ReadDuration(Cursor& c, uint8_t waitOpcode, bool bare, int64_t& total, uint32_t& pairs) {
  total = 0;
  pairs = 0;
  while (c.Has(2) && c.data[c.at] == waitOpcode) {
    const uint8_t step = c.data[c.at + 1];
    if (step == 0 && !(bare && pairs == 0)) break;
    total += step;
    ++pairs;
    c.at += 2;
    if (step != format::kMaxWaitStep) break;
  }
}

enum class Read { Ok, NoMatch, Short };

Read ReadOperand(Cursor& c, Operand kind, size_t i, const format::EventLanguage& language,
                 bool bare, Event& event) {
  if (kind == Operand::Duration) {
    ReadDuration(c, language.waitOpcode, bare, event.operands.value[i], event.pairs);
    return bare && event.pairs == 0 ? Read::Short : Read::Ok;
  }
  const uint32_t size = format::OperandSize(kind);
  if (!c.Has(size)) return Read::Short;
  const uint8_t* p = c.data + c.at;
  int64_t& value = event.operands.value[i];
  switch (kind) {
    case Operand::Zero:
      if (p[0] != 0) return Read::NoMatch;
      value = 0;
      break;
    case Operand::Byte: value = p[0]; break;
    case Operand::SignedByte: value = static_cast<int8_t>(p[0]); break;
    case Operand::Word: value = Read16(p, false); break;
    case Operand::SignedWord: value = Read16(p, true); break;
    case Operand::Fixed8:
      value = static_cast<int8_t>(p[0]);
      event.operands.fraction[i] = p[1];
      break;
    case Operand::Fixed16:
      value = Read16(p, true);
      event.operands.fraction[i] = p[2];
      break;
    case Operand::Samples: event.operands.samples = p; break;
    case Operand::Pointer: {
      uint32_t target = 0;
      value = format::DecodeBankPointer(p, target) ? int64_t{target} : -1;
      break;
    }
    case Operand::None:
    case Operand::Duration: break;
  }
  c.at += size;
  return Read::Ok;
}

// Tries the rows of the opcode at the cursor in table order.
Read ReadEvent(const uint8_t* data, uint32_t at, uint32_t end, const format::EventLanguage& language,
               Event& event) {
  Read result = Read::NoMatch;
  for (size_t r = 0; r < language.rowCount; ++r) {
    const format::EventRow& row = language.rows[r];
    if (row.opcode != data[at]) continue;
    const bool bare = row.opcode == language.waitOpcode;
    Cursor c{data, bare ? at : at + 1, end};
    Event candidate;
    candidate.offset = at;
    candidate.row = &row;
    Read read = Read::Ok;
    for (size_t i = 0; i < format::kMaxOperands && row.operands[i] != Operand::None; ++i) {
      read = ReadOperand(c, row.operands[i], i, language, bare, candidate);
      if (read != Read::Ok) break;
    }
    if (read == Read::Ok) {
      candidate.size = c.at - at;
      event = candidate;
      return Read::Ok;
    }
    if (read == Read::Short) result = Read::Short;
  }
  return result;
}

}  // namespace

bool EventReader::Next(Event& event) {
  if (at_ >= end_) return false;
  const Read read = ReadEvent(data_, at_, end_, *language_, event);
  if (read != Read::Ok) {
    event = Event();
    event.offset = at_;
    event.size = end_ - at_;
    event.fault = read == Read::Short ? kCutShort : kUnknownEvent;
  }
  at_ += event.size;
  return true;
}

std::vector<Event> DecodeEvents(const uint8_t* data, uint32_t start, uint32_t end,
                                const format::EventLanguage& language) {
  std::vector<Event> events;
  EventReader reader(data, start, end, language);
  Event event;
  while (reader.Next(event)) events.push_back(event);
  return events;
}

std::string NearestNoteName(uint32_t period) {
  static const char* const kNames[] = {"c.", "cs", "d.", "ds", "e.", "f.",
                                       "fs", "g.", "gs", "a.", "as", "b."};
  if (period == 0) return std::string();
  // The period formula at tuning 32 solved for the frequency, then the
  // nearest semitone from a.4 (440 Hz).
  const double frequency = format::kPsgClock / (32.0 * period);
  const long n = std::lround(12.0 * std::log2(frequency / 440.0)) + 57;
  const long octave = n >= 0 ? n / 12 : -((11 - n) / 12);
  const long semitone = n - 12 * octave;
  return kNames[semitone] + std::to_string(octave);
}

}  // namespace psgc::dump

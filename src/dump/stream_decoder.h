// Events of one stream read with the event tables of its language, one at
// a time, so that no stream is ever held decoded whole.
#pragma once

#include <string>
#include <vector>

#include "dump/decoded.h"

namespace psgc::dump {

// Reads data[start, end) as events. A run of wait steps reads as one
// duration as long as every step but its last is 255, as a script's `wait`
// writes it. A byte that starts no event, or an event cut short by `end`,
// turns the rest of the stream into raw bytes with the fault named: one
// last event of that size.
class EventReader {
 public:
  EventReader(const uint8_t* data, uint32_t start, uint32_t end, const format::EventLanguage& language)
      : data_(data), at_(start), end_(end), language_(&language) {}
  // The next event; false at the end of the stream.
  bool Next(Event& event);

 private:
  const uint8_t* data_;
  uint32_t at_;
  uint32_t end_;
  const format::EventLanguage* language_;
};

// Every event of data[start, end), for tests and checks of small streams.
std::vector<Event> DecodeEvents(const uint8_t* data, uint32_t start, uint32_t end,
                                const format::EventLanguage& language);

// The nearest note at standard pitch (tuning 32) to a tone period:
// 254 gives "a.4". Empty for period 0.
std::string NearestNoteName(uint32_t period);

}  // namespace psgc::dump

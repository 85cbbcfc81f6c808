// Events of one stream read with the event tables of its language.
#pragma once

#include "dump/decoded.h"

namespace psgc::dump {

// Decodes data[start, end) into events. A run of wait steps reads as one
// duration as long as every step but its last is 255, as a script's `wait`
// writes it. A byte that starts no event, or an event cut short by `end`,
// turns the rest of the stream into raw bytes with the fault named.
Stream DecodeStream(const uint8_t* data, uint32_t start, uint32_t end,
                    const format::EventLanguage& language);

// The nearest note at standard pitch (tuning 32) to a tone period:
// 254 gives "a.4". Empty for period 0.
std::string NearestNoteName(uint32_t period);

}  // namespace psgc::dump

// The instrument table: the records of one instrument or sound-effect
// script in definition order (a record's index is its number in every
// output), and the lookups through which the music compiler reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "format/layout.h"

namespace psgc {

struct SymbolRules;

inline constexpr uint32_t kMaxChannels = format::kMaxEffectChannels;
inline constexpr uint32_t kMaxInstruments = format::kMaxCount;  // the count byte of SFX and MUS

struct InstrumentChannel {
  bool closed = false;
  bool noise = false;
  ByteBuffer bytes;
};

struct Instrument {
  std::string name;
  uint32_t line = 0;          // of the label, for warnings
  bool hasNoteOff = false;
  uint32_t noteOff = 0;       // instrumentOffset at the last `noteoff`
  double tuning = -1.0;       // negative: no `tuning` command
  uint32_t priority = 0;
  uint32_t channelCount = 1;
  std::array<InstrumentChannel, kMaxChannels> channels;
};

struct InstrumentTable {
  std::vector<Instrument> records;
  std::unordered_map<std::string, uint32_t> index;  // name -> first record
  // Bytes emitted so far by the whole script. Those past what a binary can
  // address (format::kMaxOutputSize) are counted but not kept: the script is
  // refused once its size is known, without gigabytes in memory.
  uint64_t instrumentOffset = 0;
};

// Appends a finished record; the first record of a name is the one that
// lookups find. False when memory runs out (reported).
bool AddInstrument(InstrumentTable& table, Diagnostics& diag, Instrument&& record);
// Index of the first record named exactly `name`, or -1.
int FindInstrument(const InstrumentTable& table, std::string_view name);
// The label of record `index` and the line it stands on; false past the
// last record.
bool GetInstrumentLabel(const InstrumentTable& table, uint32_t index, std::string_view& name,
                       uint32_t& line);
// How many of the script's bytes lie past the limit and were not kept.
uint64_t BytesPastLimit(const InstrumentTable& table);

}  // namespace psgc

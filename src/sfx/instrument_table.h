// The instrument table: the records of one instrument or sound-effect
// script in definition order (a record's index is its number in every
// output), and the operations through which the rest of psgc reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"

namespace psgc {

struct SymbolRules;

inline constexpr uint32_t kMaxChannels = 6;
inline constexpr uint32_t kMaxInstruments = 255;  // the count byte of SFX and MUS

struct InstrumentChannel {
  bool closed = false;
  bool noise = false;
  ByteBuffer bytes;
};

struct Instrument {
  std::string name;
  bool isInstrument = false;  // an instrument script's record, not a sound effect
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
  uint64_t instrumentOffset = 0;  // bytes emitted so far by the whole script
  // Bytes past what a binary can address are counted but not kept: the
  // script is refused once its size is known, without gigabytes in memory.
  uint64_t bytesPastLimit = 0;
};

// Compiles one script into the table. sfxMode: sound effects (-sfx) rather
// than instruments (-mus). labelRules: what the requested symbol files
// accept of a label (none: labels are taken as they are). Returns 0, or
// non-zero after reporting.
int ParseInstrumentScript(InstrumentTable& table, Diagnostics& diag, std::string_view text,
                          const std::string& fileName, bool sfxMode,
                          const SymbolRules* labelRules = nullptr);

int BuildSfxBinary(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& image);
// For an empty table: 0 with an empty block and count 0.
int BuildInstrumentTable(const InstrumentTable& table, Diagnostics& diag, ByteBuffer& block,
                         uint32_t& count);
// Index of the first record named exactly `name`, or -1.
int FindInstrument(const InstrumentTable& table, std::string_view name);
int GetInstrumentInfo(const InstrumentTable& table, uint32_t index, bool& noise, double& tuning);
void FreeInstrumentTable(InstrumentTable& table);

}  // namespace psgc

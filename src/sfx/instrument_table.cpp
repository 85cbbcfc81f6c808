// The instrument table's records and the lookups into them.
#include "sfx/instrument_table.h"

namespace psgc {

int AddInstrument(InstrumentTable& table, Diagnostics& diag, Instrument&& record) {
  const auto index = static_cast<uint32_t>(table.records.size());
  std::string name = record.name;
  if (AppendElement(diag, table.records, std::move(record)) != 0) return -1;
  table.index.emplace(std::move(name), index);
  return 0;
}

int FindInstrument(const InstrumentTable& table, std::string_view name) {
  const auto found = table.index.find(std::string(name));
  return found == table.index.end() ? -1 : static_cast<int>(found->second);
}

int GetInstrumentInfo(const InstrumentTable& table, uint32_t index, bool& noise, double& tuning) {
  if (index >= table.records.size()) return -1;
  noise = table.records[index].channels[0].noise;
  tuning = table.records[index].tuning;
  return 0;
}

int GetInstrumentLabel(const InstrumentTable& table, uint32_t index, std::string_view& name,
                       uint32_t& line) {
  if (index >= table.records.size()) return -1;
  name = table.records[index].name;
  line = table.records[index].line;
  return 0;
}

uint64_t BytesPastLimit(const InstrumentTable& table) {
  return table.instrumentOffset > kMaxOutputSize ? table.instrumentOffset - kMaxOutputSize : 0;
}

}  // namespace psgc

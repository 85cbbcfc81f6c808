// The instrument table's records and the lookups into them.
#include "sfx/instrument_table.h"

namespace psgc {

bool AddInstrument(InstrumentTable& table, Diagnostics& diag, Instrument&& record) {
  const auto index = static_cast<uint32_t>(table.records.size());
  std::string name = record.name;
  if (!AppendElement(diag, table.records, std::move(record))) return false;
  table.index.emplace(std::move(name), index);
  return true;
}

int FindInstrument(const InstrumentTable& table, std::string_view name) {
  const auto found = table.index.find(std::string(name));
  return found == table.index.end() ? -1 : static_cast<int>(found->second);
}

bool GetInstrumentLabel(const InstrumentTable& table, uint32_t index, std::string_view& name,
                       uint32_t& line) {
  if (index >= table.records.size()) return false;
  name = table.records[index].name;
  line = table.records[index].line;
  return true;
}

uint64_t BytesPastLimit(const InstrumentTable& table) {
  return table.instrumentOffset > format::kMaxOutputSize ? table.instrumentOffset - format::kMaxOutputSize : 0;
}

}  // namespace psgc

// Placeholder until the instrument compiler lands.
#include "sfx/instrument_table.h"
namespace psgc {
int ParseInstrumentScript(InstrumentTable&, Diagnostics& d, std::string_view, const std::string&, bool) { d.Error("not yet\n"); return -1; }
int BuildSfxBinary(const InstrumentTable&, Diagnostics&, ByteBuffer&) { return -1; }
int BuildInstrumentTable(const InstrumentTable&, Diagnostics&, ByteBuffer&, uint32_t&) { return -1; }
int FindInstrument(const InstrumentTable&, std::string_view) { return -1; }
int GetInstrumentInfo(const InstrumentTable&, uint32_t, bool&, double&) { return -1; }
void FreeInstrumentTable(InstrumentTable& t) { t = InstrumentTable(); }
int WriteEquatesFile(const InstrumentTable&, Diagnostics&, const std::string&) { return -1; }
}

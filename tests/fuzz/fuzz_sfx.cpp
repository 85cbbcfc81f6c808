// Fuzzes the sound-effect compiler with one script: parse, lay out the SFX
// binary, and check that its size line matches the bytes laid out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sfx/instrument_script.h"
#include "sfx/sfx_binary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace psgc;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool sfxMode : {true, false}) {
    Diagnostics diag = Diagnostics::Capturing();
    InstrumentTable table;
    ScriptReader reader(text);
    if (!ParseInstrumentScript(table, diag, reader, "fuzz.txt", sfxMode)) {
      if (!diag.failed()) __builtin_trap();  // a failure is always reported
      continue;
    }
    ByteBuffer image;
    uint32_t count = 0;
    if (sfxMode ? BuildSfxBinary(table, diag, image) : BuildInstrumentTable(table, diag, image, count)) {
      continue;
    }
    if (table.records.size() > 255) __builtin_trap();
    if (sfxMode && (image.size() < 4 || image[3] != table.records.size())) __builtin_trap();
  }
  return 0;
}

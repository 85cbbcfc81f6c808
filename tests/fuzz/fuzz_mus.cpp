// Fuzzes the music compiler: the input is an instrument script and one to
// six channel scripts, parted by lines "@@". Every accepted song must lay
// out, and every refusal must have been reported.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "music/mus_binary.h"
#include "music/music_script.h"
#include "sfx/instrument_script.h"

namespace {

std::vector<std::string_view> SplitScripts(std::string_view input) {
  constexpr std::string_view kSeparator = "@@\n";
  std::vector<std::string_view> parts;
  while (parts.size() < 6) {
    const size_t at = input.find(kSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(input.substr(0, at));
    input.remove_prefix(at + kSeparator.size());
  }
  parts.push_back(input);
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace psgc;
  const std::vector<std::string_view> scripts =
      SplitScripts(std::string_view(reinterpret_cast<const char*>(data), size));
  if (scripts.size() < 2) return 0;
  Diagnostics diag = Diagnostics::Capturing();
  InstrumentTable instruments;
  SongData song;
  ScriptReader instrumentScript(scripts[0]);
  bool ok = ParseInstrumentScript(instruments, diag, instrumentScript, "inst.txt", false);
  for (size_t i = 1; ok && i < scripts.size(); ++i) {
    ScriptReader channel(scripts[i]);
    ok = ParseMusicScript(song, instruments, diag, channel, "ch" + std::to_string(i) + ".txt");
  }
  ByteBuffer image;
  if (ok) ok = BuildMusBinary(song, instruments, diag, image);
  if (ok == diag.failed()) __builtin_trap();  // success exactly when nothing was reported
  if (ok && (image.size() < 44 || image[0] != 'M')) __builtin_trap();
  return 0;
}

// Fuzzes both pack builders with one to eight sources cut from the input at
// each "|" byte, written to real files as the command line would open them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "pack/packs.h"

namespace {

std::string WorkDir() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/psgc-fuzz-packs-XXXXXX";
    dir = ::mkdtemp(pattern);
  }
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace psgc;
  const std::string dir = WorkDir();
  Sources sources;
  size_t start = 0;
  for (int i = 0; i < 8 && start <= size; ++i) {
    size_t end = start;
    while (end < size && data[end] != '|') ++end;
    const std::string name = dir + "/s" + std::to_string(i);
    std::FILE* f = std::fopen(name.c_str(), "wb");
    std::fwrite(data + start, 1, end - start, f);
    std::fclose(f);
    sources.push_back(std::make_unique<SourceFile>());
    if (!sources.back()->Open(name)) __builtin_trap();
    start = end + 1;
  }
  for (int pcm = 0; pcm < 2; ++pcm) {
    Diagnostics diag = Diagnostics::Capturing();
    OutputFile output;
    if (!output.Open(dir + "/out")) __builtin_trap();
    const int status =
        pcm ? BuildPcmPack(diag, output, sources, AudioSettings{}) : BuildTrackPack(diag, output, sources);
    if (status != 0) __builtin_trap();  // every source here is valid
  }
  return 0;
}

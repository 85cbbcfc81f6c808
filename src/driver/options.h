// psgc's own options: a fixed set of exact spellings, recognised wherever
// they stand on the command line until `--` (`psgc -pcm -q drums.pcm
// kick.wav`). Every other argument is positional (the mode switch, the
// output, the sources) exactly as it always was.
#pragma once

#include <string>
#include <vector>

#include "audio/audio_source.h"
#include "common/diagnostics.h"
#include "symbols/symbol_formats.h"

namespace psgc {

struct Options {
  bool help = false;     // -h, --help: the usage text and this set, on standard output
  bool version = false;  // --version
  bool quiet = false;    // -q, --quiet: no progress lines
  AudioSettings audio;   // --normalize, --dither: how -pcm converts audio sources
  WarningSet warnings;   // -Wall, -W<name>, -Wno-<name>, -Werror, applied in order
  std::vector<std::string> dumpFiles;  // --dump FILE...: every later argument (never empty)
  std::vector<SymbolRequest> symbols;  // --symbols FORMAT[=FILE], in order
  std::vector<std::string> positional;  // the mode switch, the output, the sources
};

// Sorts argv into options and positional arguments. False when an option
// is malformed; the fault has been reported.
bool ParseOptions(int argc, char** argv, Diagnostics& diag, Options& options);

}  // namespace psgc

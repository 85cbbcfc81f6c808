// psgc's command line: the mode switch, the output and the sources, the
// stages of each mode, the saving lines and the exit status.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "common/messages.h"
#include "common/output_file.h"
#include "driver/options.h"
#include "music/song_data.h"
#include "pack/packs.h"
#include "sfx/instrument_table.h"

namespace psgc {
namespace {

enum class OperatingMode : uint32_t { Sfx = 0, Mus = 1, Pak = 2, Pcm = 3 };

struct ModeRow {
  const char* switchText;
  OperatingMode mode;
};
constexpr ModeRow kModeTable[] = {
    {"-sfx", OperatingMode::Sfx},
    {"-mus", OperatingMode::Mus},
    {"-pak", OperatingMode::Pak},
    {"-pcm", OperatingMode::Pcm},
};

constexpr size_t kMaxMusSources = 7;  // the instrument script and six channels
constexpr size_t kMaxSongs = 255;

// Everything one run owns; the destructors release it after any outcome.
struct Run {
  Diagnostics diag;
  OutputFile output;
  Sources sources;
  InstrumentTable instruments;
  SongData song;
  std::string outputName;
  Options options;
};

// Reads a script; an unreadable one is reported like an unopenable one.
bool ReadScript(Run& run, size_t i, std::string& text) {
  if (run.sources[i]->ReadAll(text)) return true;
  run.diag.ErrorWith(msg::kCantOpenSource, run.sources[i]->name());
  return false;
}

// -sfx compiles its first script; the others were opened and are ignored.
void WarnExtraSfxScripts(Run& run) {
  for (size_t i = 1; i < run.sources.size(); ++i) {
    run.diag.Warn(Warning::SfxExtra, msg::kWarnSfxExtra, run.sources[i]->name());
  }
}

void RunSfx(Run& run) {
  WarnExtraSfxScripts(run);
  std::string text;
  if (!ReadScript(run, 0, text)) return;
  if (ParseInstrumentScript(run.instruments, run.diag, text, run.sources[0]->name(), true) != 0) return;
  ByteBuffer image;
  if (BuildSfxBinary(run.instruments, run.diag, image) != 0) return;
  // Under -Werror a warning fails the run here: nothing is written.
  if (run.diag.failed()) return;
  run.diag.PrintWith(msg::kSavingSfx, run.outputName);
  if (!run.output.WriteAndCommit(image.data(), image.size())) {
    // No equates file that would not match the binary beside it.
    run.diag.ErrorWith(msg::kCantWriteDestination, run.outputName);
    return;
  }
  WriteEquatesFile(run.instruments, run.diag, run.outputName);
}

void RunMus(Run& run) {
  const size_t n = run.sources.size();
  if (n > kMaxMusSources) {
    run.diag.Error(msg::kTooManySources);
    return;
  }
  if (n < 2) {
    run.diag.Error(msg::kMusNeedsScripts);
    return;
  }
  std::string text;
  if (!ReadScript(run, 0, text)) return;
  if (ParseInstrumentScript(run.instruments, run.diag, text, run.sources[0]->name(), false) != 0) return;
  for (size_t i = 1; i < n; ++i) {
    if (!ReadScript(run, i, text)) return;
    if (ParseMusicScript(run.song, run.instruments, run.diag, text, run.sources[i]->name()) != 0) return;
  }
  text = std::string();
  ByteBuffer image;
  if (BuildMusBinary(run.song, run.instruments, run.diag, image) != 0) return;
  if (run.diag.failed()) return;
  run.diag.PrintWith(msg::kSavingMusic, run.outputName);
  if (!run.output.WriteAndCommit(image.data(), image.size())) {
    run.diag.ErrorWith(msg::kCantWriteDestination, run.outputName);
  }
}

void RunPak(Run& run) {
  if (run.sources.size() > kMaxSongs) {
    run.diag.Error(msg::kTooManySources);
    return;
  }
  if (BuildTrackPack(run.diag, run.output, run.sources) == 0) {
    run.diag.PrintWith(msg::kSavingTrack, run.outputName);
  }
}

void RunPcm(Run& run) {
  // The builder checks the stream count itself.
  if (BuildPcmPack(run.diag, run.output, run.sources) == 0) {
    run.diag.PrintWith(msg::kSavingPcm, run.outputName);
  }
}

const ModeRow* FindMode(const char* text) {
  for (const ModeRow& row : kModeTable) {
    if (std::strcmp(row.switchText, text) == 0) return &row;
  }
  return nullptr;
}

// Opens every source before any is read and before the mode's count checks.
bool OpenSources(Run& run, int first, int argc, char** argv) {
  run.sources.reserve(static_cast<size_t>(argc - first));
  for (int i = first; i < argc; ++i) {
    run.sources.push_back(std::make_unique<SourceFile>());
    if (!run.sources.back()->Open(argv[i])) {
      run.diag.ErrorWith(msg::kCantOpenSource, argv[i]);
      return false;
    }
  }
  return true;
}

// The names a mode will write besides its output (the -sfx equates file).
std::vector<std::string> CompanionFiles(const Run& run, OperatingMode mode) {
  std::vector<std::string> names;
  std::string equates;
  if (mode == OperatingMode::Sfx && EquatesFileName(run.outputName, equates)) {
    names.push_back(equates);
  }
  return names;
}

// A file the run would replace must not be one of its sources, under any
// spelling (./x, a link, a path through ..): compared by device and inode.
bool RefuseOutputThatIsASource(Run& run, OperatingMode mode) {
  std::vector<std::string> written = CompanionFiles(run, mode);
  written.insert(written.begin(), run.outputName);
  for (const std::string& name : written) {
    for (const auto& source : run.sources) {
      if (source->IsFile(name)) {
        run.diag.ErrorWith(msg::kOutputIsSource, name);
        return true;
      }
    }
  }
  return false;
}

void PrintHelp(Run& run) {
  run.diag.Listing(msg::kUsage);
  run.diag.Listing(msg::kOptionsHelp);
}

void Execute(Run& run, int argc, char** argv) {
  Options& options = run.options;
  if (!ParseLeadingOptions(argc, argv, run.diag, options)) return;
  if (options.help) {
    PrintHelp(run);
    return;
  }
  if (options.version) {
    run.diag.Listing("psgc " PSGC_VERSION "\n");
    return;
  }
  run.diag.SetQuiet(options.quiet);
  run.diag.SetWarnings(options.warnings);
  const int m = options.modeIndex;
  if (argc - m < 3) {
    run.diag.Error(msg::kUsage);
    return;
  }
  const ModeRow* row = FindMode(argv[m]);
  if (row == nullptr) {
    run.diag.ErrorWith(msg::kInvalidMode, argv[m]);
    return;
  }
  run.outputName = argv[m + 1];
  // An empty name can never be written; refuse it before any work.
  if (run.outputName.empty() || !run.output.Open(run.outputName)) {
    run.diag.ErrorWith(msg::kCantWriteDestination, run.outputName);
    return;
  }
  if (!OpenSources(run, m + 2, argc, argv)) return;
  if (RefuseOutputThatIsASource(run, row->mode)) return;
  switch (row->mode) {
    case OperatingMode::Sfx: RunSfx(run); break;
    case OperatingMode::Mus: RunMus(run); break;
    case OperatingMode::Pak: RunPak(run); break;
    case OperatingMode::Pcm: RunPcm(run); break;
  }
}

}  // namespace
}  // namespace psgc

int main(int argc, char** argv) {
  psgc::Run run;
  psgc::Execute(run, argc, argv);
  run.diag.Flush();
  psgc::FreeInstrumentTable(run.instruments);
  psgc::FreeSongData(run.song);
  return run.diag.failed() ? 1 : 0;
}

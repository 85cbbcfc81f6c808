// psgc's command line: the mode switch, the output and the sources, the
// stages of each mode, the saving lines and the exit status.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/byte_buffer.h"
#include "common/diagnostics.h"
#include "common/hints.h"
#include "common/messages.h"
#include "common/output_file.h"
#include "common/source_file.h"
#include "common/script_lines.h"
#include "driver/options.h"
#include "dump/dump.h"
#include "format/layout.h"
#include "music/mus_binary.h"
#include "music/music_script.h"
#include "music/song_checks.h"
#include "pack/pcm_pack.h"
#include "pack/track_pack.h"
#include "sfx/instrument_script.h"
#include "sfx/sfx_binary.h"
#include "symbols/symbol_files.h"

namespace psgc {
namespace {

enum class OperatingMode : uint32_t { Sfx = 0, Mus = 1, Pak = 2, Pcm = 3 };

struct ModeRow {
  const char* switchText;
  OperatingMode mode;
  const char* savingLine;  // before the output's name
};
constexpr ModeRow kModeTable[] = {
    {"-sfx", OperatingMode::Sfx, msg::kSavingSfx},
    {"-mus", OperatingMode::Mus, msg::kSavingMusic},
    {"-pak", OperatingMode::Pak, msg::kSavingTrack},
    {"-pcm", OperatingMode::Pcm, msg::kSavingPcm},
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
  std::vector<SymbolFile> symbolFiles;  // written after the binary
  SymbolRules symbolRules;              // what their names must be
  std::vector<char> scriptBuffer;       // every script is read through it in turn
  const ModeRow* mode = nullptr;
};

bool SymbolsRequested(const Run& run) { return !run.options.symbols.empty(); }

// Source i read as a script, a chunk at a time.
ScriptReader ReadScript(Run& run, size_t i) {
  SourceFile& source = *run.sources[i];
  return ScriptReader([&source](char* data, size_t size) { return source.ReadNext(data, size); },
                      run.scriptBuffer);
}

// A psgc binary where a script belongs, as when the output and the source
// were swapped on the command line: after its error, the GCC-style format
// adds a note that says so. Binaries start with their mark or hold NUL
// bytes early; scripts do neither.
void NoteBinaryScript(Run& run, size_t i, const char* mode) {
  SourceFile& source = *run.sources[i];
  uint64_t size = 0;
  if (!run.diag.GccFormat() || !source.IsRegular(size)) return;
  uint8_t head[4096];
  const size_t n = source.ReadAt(0, head, size < sizeof head ? static_cast<size_t>(size) : sizeof head);
  const bool marked = n >= format::kMarkSize && (std::memcmp(head, format::kSfxMark, format::kMarkSize) == 0 ||
                                                 std::memcmp(head, format::kMusMark, format::kMarkSize) == 0);
  if (!marked && std::memchr(head, 0, n) == nullptr) return;
  run.diag.AddNote(MakeNote(msg::kNoteBinarySource, {source.name(), 0}, {source.name(), mode, run.outputName}));
}

// -sfx compiles its first script; the others were opened and are ignored.
void WarnExtraSfxScripts(Run& run) {
  for (size_t i = 1; i < run.sources.size(); ++i) {
    run.diag.Warn(Warning::SfxExtra, msg::kWarnSfxExtra, run.sources[i]->name(),
                  Detail().File(run.sources[i]->name()));
  }
}

// SFX_<label> = the effect's number, PRI_<label> = its priority.
SymbolList SfxSymbols(const InstrumentTable& table) {
  SymbolList list = {{"SOUND EFFECT IDs", {}}, {"SOUND EFFECT PRIORITIES", {}}};
  for (uint32_t i = 0; i < table.records.size(); ++i) {
    list[0].symbols.push_back({"SFX_" + table.records[i].name, i});
    list[1].symbols.push_back({"PRI_" + table.records[i].name, table.records[i].priority});
  }
  return list;
}

// `prefix` + each source's file name = its index in the pack. False after
// reporting a symbol too long for the symbol files or two sources giving
// one symbol.
bool PackSymbols(Run& run, const char* title, const char* prefix, SymbolList& list) {
  list = {{title, {}}};
  std::unordered_set<std::string> seen;
  for (uint32_t i = 0; i < run.sources.size(); ++i) {
    std::string symbol = SymbolFromPath(prefix, run.sources[i]->name());
    if (!CheckSymbolLength(run.symbolRules, run.diag, symbol)) return false;
    if (!seen.insert(symbol).second) {
      run.diag.ErrorWith(msg::kSourcesShareSymbol, symbol);
      return false;
    }
    list[0].symbols.push_back({std::move(symbol), i});
  }
  return true;
}

// What a mode hands over to be saved: a binary built in memory, not yet
// written, or a pack streamed into the output as it was built.
struct Built {
  const ByteBuffer* image = nullptr;
  PackWritten pack;
  SymbolList symbols;
};

// The one place where every mode saves its output. Under -Werror a warning
// fails the run here, before anything is written. A binary built in memory
// is announced, then written and committed, and a failure names the
// destination; a pack is committed, then announced after the PCM pack's
// summary. The symbol files follow the output, never without it, so that
// none describes a binary that is not there.
void SaveOutput(Run& run, const Built& built) {
  if (run.diag.failed()) return;
  const bool streamed = built.image == nullptr;
  if (!streamed) run.diag.PrintWith(run.mode->savingLine, run.outputName);
  const bool written = streamed ? built.pack.written : run.output.Append(built.image->data(), built.image->size());
  if (!written || !run.output.Commit()) {
    if (streamed) {
      run.diag.Error(msg::kCouldntWriteOutput, Detail().Value(SystemReason()));
    } else {
      run.diag.ErrorWith(msg::kCantWriteDestination, run.outputName, Detail().Value(SystemReason()));
    }
    return;
  }
  if (streamed) {
    if (run.mode->mode == OperatingMode::Pcm) PrintPcmSummary(run.diag, built.pack.size);
    run.diag.PrintWith(run.mode->savingLine, run.outputName);
  }
  WriteSymbolFiles(run.symbolFiles, built.symbols, run.outputName, run.mode->mode == OperatingMode::Sfx,
                   run.diag);
}

void RunSfx(Run& run) {
  WarnExtraSfxScripts(run);
  ScriptReader reader = ReadScript(run, 0);
  const SymbolRules* labelRules = SymbolsRequested(run) ? &run.symbolRules : nullptr;
  if (!ParseInstrumentScript(run.instruments, run.diag, reader, run.sources[0]->name(), true,
                             labelRules)) {
    NoteBinaryScript(run, 0, "-sfx");
    return;
  }
  ByteBuffer image;
  if (!BuildSfxBinary(run.instruments, run.diag, image)) return;
  SaveOutput(run, {&image, {}, SfxSymbols(run.instruments)});
}

void RunMus(Run& run) {
  const size_t n = run.sources.size();
  if (n > kMaxMusSources) {
    run.diag.Error(msg::kTooManySources, Detail().Value(static_cast<int64_t>(n)).Value(kMaxMusSources));
    return;
  }
  if (n < 2) {
    run.diag.Error(msg::kMusNeedsScripts);
    return;
  }
  ScriptReader instruments = ReadScript(run, 0);
  if (!ParseInstrumentScript(run.instruments, run.diag, instruments, run.sources[0]->name(), false)) {
    NoteBinaryScript(run, 0, "-mus");
    return;
  }
  uint64_t scriptBytes = 0;
  for (size_t i = 1; i < n; ++i) {
    uint64_t size = 0;
    if (run.sources[i]->IsRegular(size)) scriptBytes += size;
  }
  ReserveSongData(run.song, scriptBytes);
  for (size_t i = 1; i < n; ++i) {
    ScriptReader channel = ReadScript(run, i);
    if (!ParseMusicScript(run.song, run.instruments, run.diag, channel, run.sources[i]->name())) {
      NoteBinaryScript(run, i, "-mus");
      return;
    }
  }
  std::vector<char>().swap(run.scriptBuffer);
  ResolveCalls(run.song);
  CheckSong(run.song, run.instruments, run.sources[0]->name(), run.diag);
  ByteBuffer image;
  if (!BuildMusBinary(run.song, run.instruments, run.diag, image)) return;
  SaveOutput(run, {&image, {}, {}});
}

// -pak and -pcm: the symbol lists, then the pack streamed into the output.
// The PCM builder checks the stream count itself.
void RunPack(Run& run) {
  const bool pcm = run.mode->mode == OperatingMode::Pcm;
  if (!pcm && run.sources.size() > kMaxSongs) {
    run.diag.Error(msg::kTooManySources,
                   Detail().Value(static_cast<int64_t>(run.sources.size())).Value(kMaxSongs));
    return;
  }
  Built built;
  if (SymbolsRequested(run) &&
      !PackSymbols(run, pcm ? "PCM STREAM IDs" : "SONG IDs", pcm ? "PCM_" : "SONG_", built.symbols)) {
    return;
  }
  if (pcm ? BuildPcmPack(run.diag, run.output, run.sources, run.options.audio, built.pack)
          : BuildTrackPack(run.diag, run.output, run.sources, built.pack)) {
    SaveOutput(run, built);
  }
}

const ModeRow* FindMode(const char* text) {
  for (const ModeRow& row : kModeTable) {
    if (std::strcmp(row.switchText, text) == 0) return &row;
  }
  return nullptr;
}

// Opens every source (the positional arguments from `first` on) before any
// is read and before the mode's count checks.
bool OpenSources(Run& run, const std::vector<std::string>& args, size_t first) {
  run.sources.reserve(args.size() - first);
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& name = args[i];
    run.sources.push_back(std::make_unique<SourceFile>());
    if (!run.sources.back()->Open(name.c_str())) {
      run.diag.ErrorForFile(msg::kCantOpenSource, name, run.sources.back()->fault());
      return false;
    }
  }
  return true;
}

// The symbol files a run writes: those requested, or else the equates
// file of -sfx. Requested ones are refused before any source is read when
// two would be one file or one would be the output; -mus has no symbols.
bool PlanSymbolOutputs(Run& run, const ModeRow& row) {
  if (!SymbolsRequested(run)) {
    return row.mode != OperatingMode::Sfx || PlanEquatesFile(run.outputName, run.diag, run.symbolFiles);
  }
  if (row.mode == OperatingMode::Mus) {
    run.diag.ErrorWith(msg::kNoSymbolsInMode, row.switchText);
    return false;
  }
  run.symbolRules = RulesFor(run.options.symbols);
  return PlanSymbolFiles(run.options.symbols, run.outputName, row.mode == OperatingMode::Sfx, run.diag,
                         run.symbolFiles);
}

// A file the run would replace (the output, then its symbol files) must not
// be one of its sources, under any spelling (./x, a link, a path through
// ..): compared by device and inode.
bool RefuseOutputThatIsASource(Run& run) {
  std::vector<const std::string*> outputs{&run.outputName};
  for (const SymbolFile& file : run.symbolFiles) outputs.push_back(&file.name);
  for (const std::string* output : outputs) {
    for (const auto& source : run.sources) {
      if (!source->IsFile(*output)) continue;
      run.diag.ErrorWith(msg::kOutputIsSource, *output);
      return true;
    }
  }
  return false;
}

void Execute(Run& run, int argc, char** argv) {
  Options& options = run.options;
  if (!ReadDiagnosticOptions(argc, argv, run.diag, options)) return;
  if (!ParseOptions(argc, argv, run.diag, options)) return;
  // The options stop at help or the version, whichever comes first.
  if (options.help || options.version) {
    run.diag.Listing(options.help ? Join({msg::kHelpUsageLine, msg::kUsageModes, msg::kHelpPcmAndDump,
                                          msg::kOptionsHelp})
                                  : "psgc " PSGC_VERSION "\n");
    run.diag.FinishListing();
    return;
  }
  run.diag.SetQuiet(options.quiet);
  run.diag.SetWarnings(options.warnings);
  const std::vector<std::string>& args = options.positional;
  if (!options.dumpFiles.empty()) {
    // --dump takes the rest of the command line; nothing to compile may
    // stand before it.
    if (!args.empty()) {
      run.diag.ErrorWith(msg::kDumpAfterArguments, args[0]);
      return;
    }
    DumpFiles(run.diag, options.dumpFiles);
    // A listing that did not arrive whole is a failure like any output's.
    run.diag.FinishListing();
    return;
  }
  if (args.size() < 3) {
    const std::string usage = std::string(msg::kUsageLine) + msg::kUsageModes + msg::kUsageRawPcm;
    run.diag.ErrorText(msg::kMissingArguments, usage);
    return;
  }
  const ModeRow* row = FindMode(args[0].c_str());
  if (row == nullptr) {
    std::vector<std::string_view> modes;
    for (const ModeRow& mode : kModeTable) modes.push_back(mode.switchText);
    run.diag.ErrorWith(msg::kInvalidMode, args[0], Detail().Hint(NearestName(args[0], modes)));
    return;
  }
  run.mode = row;
  run.outputName = args[1];
  // An empty name can never be written; refuse it before any work.
  if (run.outputName.empty()) {
    run.diag.ErrorWith(msg::kCantWriteDestination, run.outputName, Detail().Value("the name is empty"));
    return;
  }
  if (!PlanSymbolOutputs(run, *row)) return;
  if (!run.output.Open(run.outputName)) {
    run.diag.ErrorForFile(msg::kCantWriteDestination, run.outputName, run.output.fault());
    return;
  }
  if (!OpenSources(run, args, 2)) return;
  if (RefuseOutputThatIsASource(run)) return;
  switch (row->mode) {
    case OperatingMode::Sfx: RunSfx(run); break;
    case OperatingMode::Mus: RunMus(run); break;
    case OperatingMode::Pak:
    case OperatingMode::Pcm: RunPack(run); break;
  }
}

// A standard descriptor that was closed when psgc started would be taken by
// the next file opened, and progress lines would land in the output: each
// closed one is opened on /dev/null first. False when that is impossible.
bool ReserveStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd) return false;
  }
  return true;
}

}  // namespace
}  // namespace psgc

int main(int argc, char** argv) {
  if (!psgc::ReserveStandardDescriptors()) return 1;
  psgc::RemoveTemporariesOnSignals();
  psgc::Run run;
  psgc::Execute(run, argc, argv);
  run.diag.ReportWarningsAsErrors();
  run.diag.Flush();
  return run.diag.failed() ? 1 : 0;
}

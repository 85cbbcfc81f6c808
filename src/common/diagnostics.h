// Diagnostics: the one place that writes psgc's progress lines (standard
// output), error and warning lines (standard error), and counts the
// failures that decide the exit status.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace psgc {

// A place in a script, as messages print it: "file,line".
struct ScriptPos {
  std::string_view file;
  uint32_t line;
};

// Why a file could not be opened, read or written: the system's error
// number (0 when none applies), or a refusal of psgc's own (a text of
// messages.h), which takes precedence.
struct FileFault {
  int error = 0;
  const char* refusal = nullptr;
};

// Warnings are opt-in but one: each names a mistake that compiles without
// an error into wrong sound. A warning never changes a byte of any output.
enum class Warning : uint8_t {
  Loop, End, Symbol, SfxExtra, Return, Main, UnusedBlock, UnusedInstrument, Range, Number,
  PakInput, PcmLevel, PcmContainer, PcmClip, Fraction, Note, Priority,
};
inline constexpr size_t kWarningCount = 17;
using WarningBits = std::bitset<kWarningCount>;

// The one warning on by default: audio packed as raw bytes plays as noise
// whatever else is right, so it is said unless asked not to be.
inline constexpr unsigned long long kWarningsOnByDefault = 1ull << static_cast<size_t>(Warning::PcmContainer);

// Which warnings are on, and whether they fail the run (-Werror).
struct WarningSet {
  WarningBits on{kWarningsOnByDefault};
  bool asErrors = false;
};

// The warnings that the name after -W turns on or off: one ("pak-input"),
// or a group ("unused": unused-block and unused-instrument). False when no
// warning has that name.
bool FindWarnings(std::string_view name, WarningBits& warnings);
// The option that a warning line ends with: its own name, or "unused" for
// both unused warnings, whose lines have always named -Wunused.
std::string_view WarningName(Warning warning);
// What -Wall turns on: every warning but those that also flag spellings
// often meant as written (fraction, priority).
WarningBits WallWarnings();

class Diagnostics {
 public:
  Diagnostics() = default;
  // Keeps every line in memory instead of writing it (for tests).
  static Diagnostics Capturing();

  // Standard error. Each call is one reported failure.
  void Error(std::string_view text);                                      // "%s"
  void ErrorWith(std::string_view text, std::string_view arg);            // "%s%s\n"
  void ErrorAt(std::string_view text, const ScriptPos& at);               // "%s%s,%u\n"
  void ErrorTokenAt(std::string_view text, std::string_view token,
                    const ScriptPos& at);                                 // "%s%s in : %s,%u\n"
  void ErrorLimit(std::string_view text, uint32_t limit);                 // "%s%u)\n"
  void ErrorWithReason(std::string_view text, std::string_view arg,
                       std::string_view reason);                          // "%s%s (%s)\n"
  // "%s%s\n", or "%s%s (%s)\n" with the reason: a refusal of psgc's own,
  // or the system's when the text alone does not tell it (no such file,
  // permission denied and the like go without; too many open files, an
  // I/O error, a full disk are named).
  void ErrorForFile(std::string_view text, std::string_view file, const FileFault& fault);
  void ErrorWaveform(uint32_t samples, const ScriptPos& at);              // "%s%u in : %s,%u\n"
  void ErrorNoiseChannel(std::string_view instrument, uint32_t channel);  // two lines
  void ErrorInFileAt(std::string_view text, std::string_view file,
                     uint32_t offset);                                    // "%s%s at offset 0x%04X\n"

  // Standard error, only for a warning that is on. Compilation goes on;
  // under -Werror the run fails at its end, after every warning.
  void SetWarnings(const WarningSet& warnings) { warnings_ = warnings; }
  bool WarningOn(Warning w) const { return warnings_.on[static_cast<size_t>(w)]; }
  void WarnAt(Warning w, std::string_view text, std::string_view arg,
              const ScriptPos& at);                                       // "%s%s in : %s,%u [-W%s]\n"
  void Warn(Warning w, std::string_view text, std::string_view arg);      // "%s%s [-W%s]\n"

  // Standard output: progress lines, which a quiet run leaves out.
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  void Print(std::string_view text);                                      // "%s"
  void PrintWith(std::string_view text, std::string_view arg);            // "%s%s\n"
  void PrintSize(std::string_view text, uint64_t bytes);                  // "%s%u bytes\n"
  void PrintCount(std::string_view prefix, uint32_t count, std::string_view suffix);
  void PrintPcmSummary(uint32_t bytes, double seconds);                   // "%s%u bytes / %lf seconds\n"
  // "Converted NAME : R Hz, C channels, ENCODING, S s -> N samples[, K clipped]"
  void PrintConversion(std::string_view name, int rate, int channels, std::string_view encoding,
                       double seconds, uint64_t samples, uint64_t clipped);

  // Standard output: what the user asked for (help, the version), even
  // when quiet.
  void Listing(std::string_view text);
  // Flushes what Listing wrote. A listing that did not reach standard
  // output (a full disk, a closed pipe) is a failure, reported once with
  // the system's reason; false then.
  bool FinishListing();

  void Flush();
  bool failed() const { return errors_ > 0 || (warnings_.asErrors && warned_ > 0); }
  // Under -Werror, a run that failed on warnings alone says so once at its
  // end, so that a build log shows why the step failed.
  void ReportWarningsAsErrors();
  const std::string& captured_out() const { return out_; }
  const std::string& captured_err() const { return err_; }

 private:
  void WriteOut(const std::string& line);
  void WriteErr(const std::string& line);
  void WriteWarning(Warning w, std::string line);
  void WriteErrLine(const std::string& line);

  bool capturing_ = false;
  int listingError_ = 0;  // the first write error of standard output
  bool quiet_ = false;
  unsigned errors_ = 0;
  unsigned warned_ = 0;
  WarningSet warnings_;
  std::string out_;
  std::string err_;
};

}  // namespace psgc

// Diagnostics: the one place that writes psgc's progress lines (standard
// output), error, warning and note lines (standard error), and counts the
// failures that decide the exit status. A fault is described once, as a
// Diagnostic; the classic format and the GCC-style format are two
// renderings of it.
#pragma once

#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace psgc {

// A place in a script, as messages print it: "file,line". `text` is the
// line as read, when the reporting code has it: the GCC-style rendering
// quotes it and finds the column of a token in it.
struct ScriptPos {
  std::string_view file;
  uint32_t line;
  std::string_view text = {};
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
// Every name that -W takes, for hints.
std::vector<std::string_view> WarningNames();

// A message of messages.def: its classic text and its sentence.
struct Message {
  std::string_view id;        // the constant's name, for tests
  std::string_view classic;   // empty: printed only in the GCC-style format
  std::string_view sentence;  // {0}, {1}, ... stand for values
};

enum class Severity : uint8_t { Error, Warning, Note };
enum class DiagnosticFormat : uint8_t { Classic, Gcc };

// One fault, described once.
struct Diagnostic {
  Severity severity = Severity::Error;
  Warning warning = Warning::Loop;  // the -W option of a warning
  std::string classic;              // the classic text as printed, warning option aside
  std::string file;                 // empty: the command line
  uint32_t line = 0;                // 0: the whole file
  uint32_t column = 0;              // 1-based byte column; 0: the whole line
  uint32_t width = 0;               // bytes of the token at fault
  std::string source;               // the line, for the quote and the caret
  std::string message;              // the sentence: what is wrong, the value, what is allowed
  std::string hint;                 // "did you mean 'wait'?", or empty
  std::vector<Diagnostic> notes;    // places that explain the fault
};

// Channels count from 0, as the command line counts the channel scripts:
// channel 3 is "the 4th channel script".
std::string ChannelScriptOrdinal(uint32_t channel);

// The pieces of a line joined into one string.
inline std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string joined;
  for (std::string_view piece : pieces) joined += piece;
  return joined;
}

// {0}, {1}, ... of `sentence` replaced by `values`; other braces kept.
std::string FormatSentence(std::string_view sentence, const std::vector<std::string>& values);

// A diagnostic at `at` (its line; the token's column when `token` lies in
// the line's text) with the sentence of `message`, for the GCC-style
// format only: a note, or an error that explains another one.
Diagnostic MakeDiagnostic(Severity severity, const Message& message, const ScriptPos& at,
                          std::vector<std::string> values, std::string_view token = {});
inline Diagnostic MakeNote(const Message& message, const ScriptPos& at, std::vector<std::string> values,
                           std::string_view token = {}) {
  return MakeDiagnostic(Severity::Note, message, at, std::move(values), token);
}

// What the GCC-style rendering adds to a message's classic form. Values
// follow the value that the classic form prints (if any) as {1}, {2}, ...
struct Detail {
  std::vector<std::string> values;
  std::string_view token;                 // the token at fault, in the text of the place
  std::optional<ScriptPos> at;            // a place the classic form does not print
  std::string file;                       // the file a whole-file fault is about
  std::string hint;                       // the nearest known name
  std::vector<Diagnostic> notes;
  const Message* instead = nullptr;       // a sentence that explains the fault better
  bool followUp = false;                  // repeats the error just reported

  Detail& Value(std::string_view value) { values.emplace_back(value); return *this; }
  Detail& Value(int64_t value) { values.push_back(std::to_string(value)); return *this; }
  Detail& Token(std::string_view t) { token = t; return *this; }
  Detail& At(const ScriptPos& place) { at = place; return *this; }
  Detail& File(std::string_view name) { file.assign(name); return *this; }
  Detail& Hint(std::string_view name) { hint.assign(name); return *this; }
  Detail& Note(Diagnostic note) { notes.push_back(std::move(note)); return *this; }
  Detail& Instead(const Message& message) { instead = &message; return *this; }
  // A follow-up line of the classic format (the syntax line after a value's
  // error, "Unexpected end of ..." after any error inside a definition):
  // in the GCC-style format its notes join the error just reported, and
  // it is printed as an error of its own only when there is none.
  Detail& FollowUp() { followUp = true; return *this; }
};

class Diagnostics {
 public:
  Diagnostics() = default;
  // Keeps every line in memory instead of writing it (for tests).
  static Diagnostics Capturing();

  // Standard error. Each call is one reported failure.
  // The comment of each gives the classic form.
  void Error(const Message& m, Detail d = {});                            // "%s"
  void ErrorWith(const Message& m, std::string_view arg, Detail d = {});  // "%s%s\n"
  // The classic form is `classic`, a text composed of several (the usage).
  void ErrorText(const Message& m, std::string classic, Detail d = {});
  void ErrorAt(const Message& m, const ScriptPos& at, Detail d = {});     // "%s%s,%u\n"
  void ErrorTokenAt(const Message& m, std::string_view token, const ScriptPos& at,
                    Detail d = {});                                       // "%s%s in : %s,%u\n"
  void ErrorLimit(const Message& m, uint32_t limit, Detail d = {});       // "%s%u)\n"
  void ErrorWithReason(const Message& m, std::string_view arg,
                       std::string_view reason);                          // "%s%s (%s)\n"
  // "%s%s\n", or "%s%s (%s)\n" with the reason: a refusal of psgc's own,
  // or the system's when the text alone does not tell it (no such file,
  // permission denied and the like go without; too many open files, an
  // I/O error, a full disk are named).
  void ErrorForFile(const Message& m, std::string_view file, const FileFault& fault);
  void ErrorNoiseChannel(std::string_view instrument, uint32_t channel,
                         const ScriptPos& at, std::string_view token);    // two lines
  void ErrorInFileAt(const Message& m, std::string_view file,
                     uint32_t offset);                                    // "%s%s at offset 0x%04X\n"

  // The GCC-style format: how faults are printed, and in colour or not.
  void SetFormat(DiagnosticFormat format, bool colour);
  bool GccFormat() const { return format_ == DiagnosticFormat::Gcc; }
  // A note for the error just reported (the GCC-style format only).
  void AddNote(Diagnostic note);
  // Replaces the error just reported by one that explains it better (the
  // GCC-style format only): a stray "}" read as a label explains the
  // errors that follow it.
  void Explain(Diagnostic better);
  unsigned errors() const { return errors_; }
  // The script line being compiled: the GCC-style place of a message whose
  // classic form has none ("Value out of range", "Unable to parse numeric"),
  // and the line its token is found in. Cleared after the script.
  void SetLine(const ScriptPos& at) { line_ = at; }
  void ClearLine() { line_ = ScriptPos{{}, 0}; }

  // Standard error, only for a warning that is on. Compilation goes on;
  // under -Werror the run fails at its end, after every warning.
  void SetWarnings(const WarningSet& warnings) { warnings_ = warnings; }
  bool WarningOn(Warning w) const { return warnings_.on[static_cast<size_t>(w)]; }
  void WarnAt(Warning w, const Message& m, std::string_view arg, const ScriptPos& at,
              Detail d = {});                                             // "%s%s in : %s,%u [-W%s]\n"
  void Warn(Warning w, const Message& m, std::string_view arg,
            Detail d = {});                                               // "%s%s [-W%s]\n"

  // Standard output: progress lines, which a quiet run leaves out.
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  void Print(std::string_view text);                                      // "%s"
  void PrintWith(std::string_view text, std::string_view arg);            // "%s%s\n"
  void PrintSize(std::string_view text, uint64_t bytes);                  // "%s%u bytes\n"
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
  // Builds the diagnostic of a message from its classic text, the values
  // of its sentence and the place, then reports it.
  void Describe(const Message& m, std::string classic, std::vector<std::string> values, const ScriptPos* at,
                Detail d, Severity severity = Severity::Error, Warning w = Warning::Loop);
  void Report(Diagnostic d, bool followUp);
  void PrintPending();
  void WriteErrLine(const std::string& line);

  bool capturing_ = false;
  int listingError_ = 0;  // the first write error of standard output
  bool quiet_ = false;
  unsigned errors_ = 0;
  unsigned warned_ = 0;
  WarningSet warnings_;
  DiagnosticFormat format_ = DiagnosticFormat::Classic;
  bool colour_ = false;
  // The GCC-style format holds an error until its follow-ups are known.
  std::optional<Diagnostic> pending_;
  ScriptPos line_{{}, 0};
  std::string out_;
  std::string err_;
};

}  // namespace psgc

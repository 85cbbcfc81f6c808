// Diagnostics: the classic form of every message shape, the diagnostic
// each message becomes, and where the lines go.
#include "common/diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/diagnostic_render.h"
#include "common/messages.h"

namespace psgc {
namespace {

constexpr uint32_t Bit(Warning w) { return uint32_t{1} << static_cast<unsigned>(w); }

// The names after -W, and the warnings each one turns on or off.
struct WarningOption {
  std::string_view name;
  uint32_t warnings;
};
constexpr WarningOption kWarningOptions[] = {
    {"loop", Bit(Warning::Loop)},
    {"end", Bit(Warning::End)},
    {"symbol", Bit(Warning::Symbol)},
    {"sfx-extra", Bit(Warning::SfxExtra)},
    {"return", Bit(Warning::Return)},
    {"main", Bit(Warning::Main)},
    {"unused", Bit(Warning::UnusedBlock) | Bit(Warning::UnusedInstrument)},
    {"unused-block", Bit(Warning::UnusedBlock)},
    {"unused-instrument", Bit(Warning::UnusedInstrument)},
    {"range", Bit(Warning::Range)},
    {"number", Bit(Warning::Number)},
    {"pak-input", Bit(Warning::PakInput)},
    {"pcm-level", Bit(Warning::PcmLevel)},
    {"pcm-container", Bit(Warning::PcmContainer)},
    {"pcm-clip", Bit(Warning::PcmClip)},
    {"fraction", Bit(Warning::Fraction)},
    {"note", Bit(Warning::Note)},
    {"priority", Bit(Warning::Priority)},
};

// Two warnings also flag spellings that scripts use as meant: a fraction
// of two digits counting 256ths (-0.16 is how a listing writes -16/256),
// and a label line that leaves out its priority to repeat the one before.
// -Wall leaves them to be asked for by name, so that scripts written that
// way still build under -Wall -Werror.
constexpr uint32_t kNotInWall = Bit(Warning::Fraction) | Bit(Warning::Priority);

std::string Place(const ScriptPos& at) {
  std::string s(at.file);
  s += ',';
  s += std::to_string(at.line);
  return s;
}

// Errors that the classic texts ("Can't open source file", "Can't write
// to destination file") have always stood for: the name says enough.
bool TextTellsTheError(int error) {
  switch (error) {
    case 0: case ENOENT: case EACCES: case EPERM: case EISDIR: case ENOTDIR: case ELOOP:
    case ENAMETOOLONG: case EROFS: case ENXIO: case ETXTBSY: case EEXIST:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool FindWarnings(std::string_view name, WarningBits& warnings) {
  for (const WarningOption& option : kWarningOptions) {
    if (option.name == name) {
      warnings = WarningBits(option.warnings);
      return true;
    }
  }
  return false;
}

WarningBits WallWarnings() { return ~WarningBits(kNotInWall); }

// The first option that names the warning: "unused" for both unused ones.
std::string_view WarningName(Warning warning) {
  for (const WarningOption& option : kWarningOptions) {
    if ((option.warnings & Bit(warning)) != 0) return option.name;
  }
  return {};
}

std::string ChannelScriptOrdinal(uint32_t channel) {
  const uint32_t n = channel + 1;
  const char* suffix = n == 1 ? "st" : n == 2 ? "nd" : n == 3 ? "rd" : "th";
  return "the " + std::to_string(n) + suffix + " channel script";
}

std::vector<std::string_view> WarningNames() {
  std::vector<std::string_view> names;
  for (const WarningOption& option : kWarningOptions) names.push_back(option.name);
  return names;
}

std::string FormatSentence(std::string_view sentence, const std::vector<std::string>& values) {
  std::string out;
  for (size_t i = 0; i < sentence.size(); ++i) {
    const char c = sentence[i];
    if (c == '{' && i + 2 < sentence.size() && sentence[i + 1] >= '0' && sentence[i + 1] <= '9' &&
        sentence[i + 2] == '}') {
      const auto n = static_cast<size_t>(sentence[i + 1] - '0');
      if (n < values.size()) {
        out += values[n];
        i += 2;
        continue;
      }
    }
    out += c;
  }
  return out;
}

namespace {

// The line as the GCC-style format quotes it: up to its first NUL byte,
// as the compiler read it.
std::string QuotedLine(std::string_view text) {
  const size_t nul = text.find('\0');
  return std::string(text.substr(0, nul));
}

void Locate(Diagnostic& d, const ScriptPos& at, std::string_view token) {
  d.file.assign(at.file);
  d.line = at.line;
  d.source = QuotedLine(at.text);
  const char* begin = at.text.data();
  // A fault of the line as a whole points at its first word.
  if (token.empty() || begin == nullptr || token.data() < begin ||
      token.data() + token.size() > begin + at.text.size()) {
    const size_t first = at.text.find_first_not_of(" ,\t\n\r");
    if (first == std::string_view::npos || first >= d.source.size()) return;
    token = at.text.substr(first, at.text.find_first_of(" ,\t\n\r;", first) - first);
  }
  const auto offset = static_cast<uint32_t>(token.data() - begin);
  if (offset < d.source.size()) {
    d.column = offset + 1;
    d.width = static_cast<uint32_t>(token.size());
  }
}

}  // namespace

Diagnostic MakeDiagnostic(Severity severity, const Message& message, const ScriptPos& at,
                          std::vector<std::string> values, std::string_view token) {
  Diagnostic note;
  note.severity = severity;
  note.message = FormatSentence(message.sentence, values);
  Locate(note, at, token);
  return note;
}

Diagnostics Diagnostics::Capturing() {
  Diagnostics d;
  d.capturing_ = true;
  return d;
}

void Diagnostics::SetFormat(DiagnosticFormat format, bool colour) {
  format_ = format;
  colour_ = colour;
}

void Diagnostics::Listing(std::string_view line) {
  PrintPending();
  if (capturing_) {
    out_ += line;
  } else if (listingError_ == 0 && std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) {
    listingError_ = errno != 0 ? errno : EIO;
  }
}

bool Diagnostics::FinishListing() {
  if (capturing_) return true;
  errno = 0;
  if (listingError_ == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    listingError_ = errno != 0 ? errno : EIO;
  }
  if (listingError_ == 0) return true;
  ErrorWithReason(msg::kCantWriteListing, "", std::strerror(listingError_));
  return false;
}

void Diagnostics::WriteErrLine(const std::string& line) {
  if (capturing_) {
    err_ += line;
  } else {
    // Progress lines that precede an error must reach a shared log first.
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
}

void Diagnostics::Describe(const Message& m, std::string classic, std::vector<std::string> values,
                           const ScriptPos* at, Detail detail, Severity severity, Warning w) {
  Diagnostic d;
  d.severity = severity;
  d.warning = w;
  d.classic = std::move(classic);
  for (std::string& value : detail.values) values.push_back(std::move(value));
  d.message = FormatSentence((detail.instead != nullptr ? *detail.instead : m).sentence, values);
  if (detail.at) at = &*detail.at;
  if (at == nullptr && detail.file.empty() && line_.line != 0) {
    at = &line_;
  }
  if (at != nullptr) {
    Locate(d, *at, detail.token);
  } else {
    d.file = std::move(detail.file);
  }
  if (!detail.hint.empty()) d.hint = FormatSentence(msg::kHint.sentence, {detail.hint});
  d.notes = std::move(detail.notes);
  Report(std::move(d), detail.followUp);
}

// Each error counts, in both formats, whether it is printed or folded
// into the one before it.
void Diagnostics::Report(Diagnostic d, bool followUp) {
  if (d.severity == Severity::Error) ++errors_;
  if (d.severity == Severity::Warning) ++warned_;
  if (format_ == DiagnosticFormat::Classic) {
    WriteErrLine(RenderClassic(d, colour_));
    return;
  }
  if (followUp && errors_ > 1) {
    if (pending_) {
      for (Diagnostic& note : d.notes) pending_->notes.push_back(std::move(note));
    }
    return;
  }
  PrintPending();
  if (d.severity == Severity::Error) {
    pending_ = std::move(d);
  } else {
    WriteErrLine(RenderGcc(d, colour_));
  }
}

void Diagnostics::PrintPending() {
  if (!pending_) return;
  const std::string text = RenderGcc(*pending_, colour_);
  pending_.reset();
  WriteErrLine(text);
}

void Diagnostics::AddNote(Diagnostic note) {
  if (format_ != DiagnosticFormat::Gcc) return;
  if (pending_) {
    pending_->notes.push_back(std::move(note));
  } else {
    WriteErrLine(RenderGcc(note, colour_));
  }
}

void Diagnostics::Explain(Diagnostic better) {
  if (format_ != DiagnosticFormat::Gcc || !pending_) return;
  pending_ = std::move(better);
}

void Diagnostics::Error(const Message& m, Detail d) {
  Describe(m, std::string(m.classic), {}, nullptr, std::move(d));
}

void Diagnostics::ErrorWith(const Message& m, std::string_view arg, Detail d) {
  // The value is the token at fault when it is one of the line's.
  if (d.token.empty()) d.token = arg;
  Describe(m, Join({m.classic, arg, "\n"}), {std::string(arg)}, nullptr, std::move(d));
}

void Diagnostics::ErrorText(const Message& m, std::string classic, Detail d) {
  Describe(m, std::move(classic), {}, nullptr, std::move(d));
}

void Diagnostics::ErrorAt(const Message& m, const ScriptPos& at, Detail d) {
  Describe(m, Join({m.classic, Place(at), "\n"}), {}, &at, std::move(d));
}

void Diagnostics::ErrorTokenAt(const Message& m, std::string_view token, const ScriptPos& at, Detail d) {
  if (d.token.empty()) d.token = token;
  Describe(m, Join({m.classic, token, " in : ", Place(at), "\n"}), {std::string(token)}, &at, std::move(d));
}

void Diagnostics::ErrorLimit(const Message& m, uint32_t limit, Detail d) {
  const std::string value = std::to_string(limit);
  Describe(m, Join({m.classic, value, ")\n"}), {value}, nullptr, std::move(d));
}

// A whole-file fault: the GCC-style format names the file first.
void Diagnostics::ErrorWithReason(const Message& m, std::string_view arg, std::string_view reason) {
  Describe(m, Join({m.classic, arg, " (", reason, ")\n"}),
           {std::string(arg), std::string(reason)}, nullptr, Detail().File(arg));
}

// The classic form gives the reason only where its text does not tell it;
// the GCC-style sentence always does.
void Diagnostics::ErrorForFile(const Message& m, std::string_view file, const FileFault& fault) {
  std::string reason = fault.refusal != nullptr ? fault.refusal
                       : fault.error != 0      ? std::strerror(fault.error)
                                               : "cut short, without a reason from the system";
  const bool told = fault.refusal == nullptr && TextTellsTheError(fault.error);
  std::string s = told ? Join({m.classic, file, "\n"}) : Join({m.classic, file, " (", reason, ")\n"});
  Describe(m, std::move(s), {std::string(file), std::move(reason)}, nullptr, Detail());
}

// The classic form counts channels from 0 in its first line and from 1 in
// its fixed second one; the GCC-style format says both ways at once.
void Diagnostics::ErrorNoiseChannel(std::string_view instrument, uint32_t channel, const ScriptPos& at,
                                    std::string_view token) {
  const std::string number = std::to_string(channel);
  std::string s = Join({msg::kNoiseInstrument.classic, instrument, msg::kNoiseInstrumentMiddle, number, "\n"});
  if (format_ == DiagnosticFormat::Classic) s += msg::kNoiseChannelsOnly;
  Describe(msg::kNoiseInstrument, std::move(s),
           {std::string(instrument), number, ChannelScriptOrdinal(channel)}, &at, Detail().Token(token));
}

void Diagnostics::WarnAt(Warning w, const Message& m, std::string_view arg, const ScriptPos& at, Detail d) {
  if (!WarningOn(w)) return;
  Describe(m, Join({m.classic, arg, " in : ", Place(at)}), {std::string(arg)}, &at, std::move(d),
           Severity::Warning, w);
}

void Diagnostics::Warn(Warning w, const Message& m, std::string_view arg, Detail d) {
  if (!WarningOn(w)) return;
  Describe(m, Join({m.classic, arg}), {std::string(arg)}, nullptr, std::move(d), Severity::Warning, w);
}

// A fault of a binary being listed: the GCC-style format names the file
// first.
void Diagnostics::ErrorInFileAt(const Message& m, std::string_view file, uint32_t offset) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04X", offset);
  Describe(m, Join({m.classic, file, " at offset ", hex, "\n"}),
           {std::string(file), hex}, nullptr, Detail().File(file));
}

void Diagnostics::Print(std::string_view text) {
  if (!quiet_) Listing(text);
}

void Diagnostics::PrintWith(std::string_view text, std::string_view arg) { Print(Join({text, arg, "\n"})); }

void Diagnostics::PrintSize(std::string_view text, uint64_t bytes) {
  Print(Join({text, std::to_string(bytes), " bytes\n"}));
}

void Diagnostics::PrintPcmSummary(uint32_t bytes, double seconds) {
  char tail[64];
  std::snprintf(tail, sizeof tail, " bytes / %f seconds\n", seconds);
  Print(Join({msg::kPcmSize, std::to_string(bytes), tail}));
}

void Diagnostics::PrintConversion(std::string_view name, int rate, int channels, std::string_view encoding,
                                  double seconds, uint64_t samples, uint64_t clipped) {
  char format[96];
  char length[96];
  char clips[96] = "";
  std::snprintf(format, sizeof format, msg::kConvertedFormat, rate, channels,
                channels == 1 ? msg::kChannel : msg::kChannels);
  std::snprintf(length, sizeof length, msg::kConvertedLength, seconds, static_cast<unsigned long long>(samples));
  if (clipped > 0) {
    std::snprintf(clips, sizeof clips, msg::kConvertedClipped, static_cast<unsigned long long>(clipped));
  }
  Print(Join({msg::kConverted, name, format, encoding, length, clips, "\n"}));
}

void Diagnostics::ReportWarningsAsErrors() {
  if (errors_ == 0 && warnings_.asErrors && warned_ > 0) Error(msg::kWarningsAreErrors);
}

void Diagnostics::Flush() {
  PrintPending();
  if (!capturing_) {
    std::fflush(stdout);
    std::fflush(stderr);
  }
}

}  // namespace psgc

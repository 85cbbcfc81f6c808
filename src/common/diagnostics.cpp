// Diagnostics: formatting of every message shape, and where the lines go.
#include "common/diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

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

// The option each warning's line ends with, in the order of enum Warning.
constexpr std::string_view kWarningNames[kWarningCount] = {
    "loop",  "end",    "symbol",    "sfx-extra", "return",   "main",     "unused",   "unused",
    "range", "number", "pak-input", "pcm-level", "pcm-container", "pcm-clip", "fraction", "note",
    "priority",
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

std::string_view WarningName(Warning warning) { return kWarningNames[static_cast<size_t>(warning)]; }

Diagnostics Diagnostics::Capturing() {
  Diagnostics d;
  d.capturing_ = true;
  return d;
}

void Diagnostics::WriteOut(const std::string& line) {
  if (quiet_) return;
  Listing(line);
}

void Diagnostics::Listing(std::string_view line) {
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

void Diagnostics::WriteErr(const std::string& line) {
  ++errors_;
  WriteErrLine(line);
}

// Every warning line ends with the option that turns it off.
void Diagnostics::WriteWarning(Warning w, std::string line) {
  ++warned_;
  line += " [-W";
  line += WarningName(w);
  line += "]\n";
  WriteErrLine(line);
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

void Diagnostics::Error(std::string_view text) { WriteErr(std::string(text)); }

void Diagnostics::ErrorWith(std::string_view text, std::string_view arg) {
  std::string s(text);
  s += arg;
  s += '\n';
  WriteErr(s);
}

void Diagnostics::ErrorAt(std::string_view text, const ScriptPos& at) {
  std::string s(text);
  s += Place(at);
  s += '\n';
  WriteErr(s);
}

void Diagnostics::ErrorTokenAt(std::string_view text, std::string_view token,
                               const ScriptPos& at) {
  std::string s(text);
  s += token;
  s += " in : ";
  s += Place(at);
  s += '\n';
  WriteErr(s);
}

void Diagnostics::ErrorLimit(std::string_view text, uint32_t limit) {
  std::string s(text);
  s += std::to_string(limit);
  s += ")\n";
  WriteErr(s);
}

void Diagnostics::ErrorWithReason(std::string_view text, std::string_view arg, std::string_view reason) {
  std::string s(text);
  s += arg;
  s += " (";
  s += reason;
  s += ")\n";
  WriteErr(s);
}

void Diagnostics::ErrorForFile(std::string_view text, std::string_view file, const FileFault& fault) {
  if (fault.refusal != nullptr) {
    ErrorWithReason(text, file, fault.refusal);
  } else if (TextTellsTheError(fault.error)) {
    ErrorWith(text, file);
  } else {
    ErrorWithReason(text, file, std::strerror(fault.error));
  }
}

void Diagnostics::ErrorWaveform(uint32_t samples, const ScriptPos& at) {
  ErrorTokenAt(msg::kWaveformShort, std::to_string(samples), at);
}

// Channels count from 0 in the first line and from 1 in the fixed second one.
void Diagnostics::ErrorNoiseChannel(std::string_view instrument, uint32_t channel) {
  std::string s(msg::kNoiseInstrumentPrefix);
  s += instrument;
  s += msg::kNoiseInstrumentMiddle;
  s += std::to_string(channel);
  s += '\n';
  WriteErr(s);
  WriteErr(msg::kNoiseChannelsOnly);
}

void Diagnostics::WarnAt(Warning w, std::string_view text, std::string_view arg,
                         const ScriptPos& at) {
  if (!WarningOn(w)) return;
  std::string s(text);
  s += arg;
  s += " in : ";
  s += Place(at);
  WriteWarning(w, std::move(s));
}

void Diagnostics::Warn(Warning w, std::string_view text, std::string_view arg) {
  if (!WarningOn(w)) return;
  std::string s(text);
  s += arg;
  WriteWarning(w, std::move(s));
}

void Diagnostics::ErrorInFileAt(std::string_view text, std::string_view file, uint32_t offset) {
  char place[32];
  std::snprintf(place, sizeof place, " at offset 0x%04X\n", offset);
  std::string s(text);
  s += file;
  s += place;
  WriteErr(s);
}

void Diagnostics::Print(std::string_view text) { WriteOut(std::string(text)); }

void Diagnostics::PrintWith(std::string_view text, std::string_view arg) {
  std::string s(text);
  s += arg;
  s += '\n';
  WriteOut(s);
}

void Diagnostics::PrintSize(std::string_view text, uint64_t bytes) {
  std::string s(text);
  s += std::to_string(bytes);
  s += " bytes\n";
  WriteOut(s);
}

void Diagnostics::PrintCount(std::string_view prefix, uint32_t count, std::string_view suffix) {
  std::string s(prefix);
  s += std::to_string(count);
  s += suffix;
  WriteOut(s);
}

void Diagnostics::PrintPcmSummary(uint32_t bytes, double seconds) {
  char tail[64];
  std::snprintf(tail, sizeof tail, " bytes / %f seconds\n", seconds);
  std::string s(msg::kPcmSize);
  s += std::to_string(bytes);
  s += tail;
  WriteOut(s);
}

void Diagnostics::PrintConversion(std::string_view name, int rate, int channels, std::string_view encoding,
                                  double seconds, uint64_t samples, uint64_t clipped) {
  char facts[96];
  std::string s(msg::kConverted);
  s += name;
  std::snprintf(facts, sizeof facts, msg::kConvertedFormat, rate, channels,
                channels == 1 ? msg::kChannel : msg::kChannels);
  s += facts;
  s += encoding;
  std::snprintf(facts, sizeof facts, msg::kConvertedLength, seconds, static_cast<unsigned long long>(samples));
  s += facts;
  if (clipped > 0) {
    std::snprintf(facts, sizeof facts, msg::kConvertedClipped, static_cast<unsigned long long>(clipped));
    s += facts;
  }
  s += '\n';
  WriteOut(s);
}

void Diagnostics::ReportWarningsAsErrors() {
  if (errors_ == 0 && warnings_.asErrors && warned_ > 0) Error(msg::kWarningsAreErrors);
}

void Diagnostics::Flush() {
  if (!capturing_) {
    std::fflush(stdout);
    std::fflush(stderr);
  }
}

}  // namespace psgc

// Leading options, taken one at a time from the front of the command line.
#include "driver/options.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/hints.h"
#include "common/messages.h"

namespace psgc {
namespace {

enum class Taken { NotAnOption, Yes, Failed };

constexpr char kDiagnosticsOption[] = "--diagnostics=";
constexpr char kColourOption[] = "--color=";
constexpr char kDiagnosticsVariable[] = "PSGC_DIAGNOSTICS";

bool ReadFormat(std::string_view value, DiagnosticFormat& format) {
  if (value == "classic") {
    format = DiagnosticFormat::Classic;
  } else if (value == "gcc") {
    format = DiagnosticFormat::Gcc;
  } else {
    return false;
  }
  return true;
}

bool ReadColour(std::string_view value, ColourSetting& colour) {
  if (value == "auto") {
    colour = ColourSetting::Auto;
  } else if (value == "always") {
    colour = ColourSetting::Always;
  } else if (value == "never") {
    colour = ColourSetting::Never;
  } else {
    return false;
  }
  return true;
}

// Colour as GCC decides it: only on a terminal that is not "dumb", and
// never when NO_COLOR is set.
bool TerminalTakesColour() {
  const char* term = std::getenv("TERM");
  return ::isatty(STDERR_FILENO) == 1 && term != nullptr && std::strcmp(term, "dumb") != 0 &&
         std::getenv("NO_COLOR") == nullptr;
}

bool UseColour(const Options& options) {
  switch (options.colour) {
    case ColourSetting::Always: return true;
    case ColourSetting::Never: return false;
    case ColourSetting::Auto: return TerminalTakesColour();
    case ColourSetting::Default: return options.diagnostics == DiagnosticFormat::Gcc && TerminalTakesColour();
  }
  return false;
}

bool Is(const char* arg, const char* name) { return std::strcmp(arg, name) == 0; }

// -Wall, -Werror, -W<name> and -Wno-<name>; a later one overrides an
// earlier one, so -Wall -Wno-unused is every warning but one.
Taken TakeWarningOption(std::string_view arg, Diagnostics& diag, WarningSet& warnings) {
  std::string_view name = arg.substr(2);
  if (name == "all") {
    warnings.on.set();
    return Taken::Yes;
  }
  if (name == "error") {
    warnings.asErrors = true;
    return Taken::Yes;
  }
  const bool on = name.substr(0, 3) != "no-";
  if (!on) name.remove_prefix(3);
  Warning warning;
  if (!FindWarning(name, warning)) {
    const std::string_view nearest = NearestName(name, WarningNames());
    diag.ErrorWith(msg::kUnknownWarning, name,
                   Detail().Hint(nearest.empty() ? std::string() : "-W" + std::string(nearest)));
    return Taken::Failed;
  }
  warnings.on.set(static_cast<size_t>(warning), on);
  return Taken::Yes;
}

// FORMAT or FORMAT=FILE.
Taken TakeSymbols(const char* value, Diagnostics& diag, Options& options) {
  const std::string_view text(value);
  const size_t equals = text.find('=');
  SymbolRequest request;
  if (!FindSymbolFormat(text.substr(0, equals), request.format)) {
    diag.ErrorWith(msg::kUnknownSymbolFormat, text.substr(0, equals));
    return Taken::Failed;
  }
  if (equals != std::string_view::npos) {
    request.file.assign(text.substr(equals + 1));
    if (request.file.empty()) {
      diag.ErrorWith(msg::kEmptySymbolFileName, text);
      return Taken::Failed;
    }
  }
  options.symbols.push_back(std::move(request));
  return Taken::Yes;
}

// Looks at argv[i]; an option that takes a value advances `i` past it.
Taken TakeOption(int argc, char** argv, int& i, Diagnostics& diag, Options& options) {
  const char* arg = argv[i];
  if (Is(arg, "-h") || Is(arg, "--help")) {
    options.help = true;
  } else if (Is(arg, "--version")) {
    options.version = true;
  } else if (Is(arg, "-q") || Is(arg, "--quiet")) {
    options.quiet = true;
  } else if (Is(arg, "--normalize")) {
    options.audio.normalize = true;
  } else if (Is(arg, "--dither")) {
    options.audio.dither = true;
  } else if (std::strncmp(arg, kDiagnosticsOption, std::strlen(kDiagnosticsOption)) == 0 ||
             std::strncmp(arg, kColourOption, std::strlen(kColourOption)) == 0) {
    // Read before every other option.
  } else if (std::strncmp(arg, "-W", 2) == 0) {
    return TakeWarningOption(arg, diag, options.warnings);
  } else if (Is(arg, "--symbols")) {
    if (i + 1 >= argc) {
      diag.ErrorWith(msg::kMissingOptionValue, arg);
      return Taken::Failed;
    }
    return TakeSymbols(argv[++i], diag, options);
  } else if (Is(arg, "--dump")) {
    // Takes the rest of the command line: file names may look like options.
    if (i + 1 >= argc) {
      diag.ErrorWith(msg::kMissingOptionValue, arg);
      return Taken::Failed;
    }
    options.dumpFiles.assign(argv + i + 1, argv + argc);
    i = argc - 1;
  } else {
    return Taken::NotAnOption;
  }
  return Taken::Yes;
}

}  // namespace

bool ReadDiagnosticOptions(int argc, char** argv, Diagnostics& diag, Options& options) {
  bool formatGiven = false;
  const char* badFormat = nullptr;
  const char* badColour = nullptr;
  for (int i = 1; i < argc && !Is(argv[i], "--") && !Is(argv[i], "--dump"); ++i) {
    const char* arg = argv[i];
    if (std::strncmp(arg, kDiagnosticsOption, std::strlen(kDiagnosticsOption)) == 0) {
      formatGiven = true;
      if (!ReadFormat(arg + std::strlen(kDiagnosticsOption), options.diagnostics) && badFormat == nullptr) {
        badFormat = arg + std::strlen(kDiagnosticsOption);
      }
    } else if (std::strncmp(arg, kColourOption, std::strlen(kColourOption)) == 0) {
      if (!ReadColour(arg + std::strlen(kColourOption), options.colour) && badColour == nullptr) {
        badColour = arg + std::strlen(kColourOption);
      }
    }
  }
  // The option wins over the variable; an empty variable is no setting.
  std::string badVariable;
  const char* variable = std::getenv(kDiagnosticsVariable);
  if (!formatGiven && variable != nullptr && *variable != '\0' && !ReadFormat(variable, options.diagnostics)) {
    badVariable = std::string(kDiagnosticsVariable) + "=" + variable;
  }
  diag.SetFormat(options.diagnostics, UseColour(options));
  if (badFormat != nullptr) {
    diag.ErrorWith(msg::kUnknownDiagnosticsFormat, badFormat);
  } else if (!badVariable.empty()) {
    diag.ErrorWith(msg::kUnknownDiagnosticsFormat, badVariable);
  } else if (badColour != nullptr) {
    diag.ErrorWith(msg::kUnknownColorSetting, badColour);
  }
  return badFormat == nullptr && badVariable.empty() && badColour == nullptr;
}

bool ParseLeadingOptions(int argc, char** argv, Diagnostics& diag, Options& options) {
  int i = 1;
  // Help, the version and a dump end the options: what follows them is
  // not read as an option.
  while (i < argc && !options.help && !options.version && options.dumpFiles.empty()) {
    const Taken taken = TakeOption(argc, argv, i, diag, options);
    if (taken == Taken::Failed) return false;
    if (taken == Taken::NotAnOption) break;
    ++i;
  }
  options.modeIndex = i;
  return true;
}

}  // namespace psgc

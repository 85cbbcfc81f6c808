// psgc's own options, taken from anywhere on the command line by their
// exact spellings; the rest, in order, are the positional arguments.
#include "driver/options.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "common/hints.h"
#include "common/messages.h"

namespace psgc {
namespace {

enum class Taken { NotAnOption, Yes, Failed };

constexpr char kDiagnosticsOption[] = "--diagnostics=";
constexpr char kColourOption[] = "--color=";
constexpr char kDiagnosticsVariable[] = "PSGC_DIAGNOSTICS";

// A value of --diagnostics= or --color=, by its spellings. False for
// any other.
template <class Setting>
bool ReadSetting(std::string_view value, std::initializer_list<std::pair<std::string_view, Setting>> names,
                 Setting& setting) {
  for (const auto& [name, named] : names) {
    if (value == name) {
      setting = named;
      return true;
    }
  }
  return false;
}

bool ReadFormat(std::string_view value, DiagnosticFormat& format) {
  return ReadSetting(value, {{"classic", DiagnosticFormat::Classic}, {"gcc", DiagnosticFormat::Gcc}}, format);
}

bool ReadColour(std::string_view value, ColourSetting& colour) {
  return ReadSetting(value, {{"auto", ColourSetting::Auto}, {"always", ColourSetting::Always},
                             {"never", ColourSetting::Never}}, colour);
}

// The value after `prefix` when `arg` starts with it, else nullptr.
const char* ValueAfter(const char* arg, const char* prefix) {
  const size_t length = std::strlen(prefix);
  return std::strncmp(arg, prefix, length) == 0 ? arg + length : nullptr;
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

// What an option's handler sees: the run's options, where to report, and
// whether the argument stands where only options stood before (ahead of
// the mode switch), where a misspelt -W<name> has always been an error.
struct OptionContext {
  Diagnostics& diag;
  Options& options;
  bool leading;
};

// How an option takes its value.
enum class ValueForm {
  None,    // -q
  Next,    // --symbols FORMAT: the next argument, whatever it is
  Joined,  // -W<name>: the rest of this argument
  Rest,    // --dump FILE...: every later argument
};

struct OptionRow {
  const char* spelling;  // exact; for a joined value, the part before it
  ValueForm form;
  Taken (*take)(OptionContext& context, const char* value);
};

Taken TakeHelp(OptionContext& c, const char*) { c.options.help = true; return Taken::Yes; }
Taken TakeVersion(OptionContext& c, const char*) { c.options.version = true; return Taken::Yes; }
Taken TakeQuiet(OptionContext& c, const char*) { c.options.quiet = true; return Taken::Yes; }
Taken TakeNormalize(OptionContext& c, const char*) { c.options.audio.normalize = true; return Taken::Yes; }
Taken TakeDither(OptionContext& c, const char*) { c.options.audio.dither = true; return Taken::Yes; }

// all, error, <name> and no-<name>; a later one overrides an earlier one,
// so -Wall -Wno-unused is every warning of -Wall but the unused ones. Another name is refused
// ahead of the mode switch, as it always was, and elsewhere is no option
// at all: a file may be named -Wx.
Taken TakeWarning(OptionContext& c, const char* value) {
  std::string_view name(value);
  WarningSet& warnings = c.options.warnings;
  if (name == "all") {
    warnings.on |= WallWarnings();
    return Taken::Yes;
  }
  if (name == "error") {
    warnings.asErrors = true;
    return Taken::Yes;
  }
  const bool on = name.substr(0, 3) != "no-";
  if (!on) name.remove_prefix(3);
  WarningBits named;
  if (!FindWarnings(name, named)) {
    if (!c.leading) return Taken::NotAnOption;
    const std::string_view nearest = NearestName(name, WarningNames());
    c.diag.ErrorWith(msg::kUnknownWarning, name,
                     Detail().Hint(nearest.empty() ? std::string() : "-W" + std::string(nearest)));
    return Taken::Failed;
  }
  warnings.on = on ? warnings.on | named : warnings.on & ~named;
  return Taken::Yes;
}

// FORMAT or FORMAT=FILE.
Taken TakeSymbols(OptionContext& c, const char* value) {
  const std::string_view text(value);
  const size_t equals = text.find('=');
  SymbolRequest request;
  if (!FindSymbolFormat(text.substr(0, equals), request.format)) {
    c.diag.ErrorWith(msg::kUnknownSymbolFormat, text.substr(0, equals));
    return Taken::Failed;
  }
  if (equals != std::string_view::npos) {
    request.file.assign(text.substr(equals + 1));
    if (request.file.empty()) {
      c.diag.ErrorWith(msg::kEmptySymbolFileName, text);
      return Taken::Failed;
    }
  }
  c.options.symbols.push_back(std::move(request));
  return Taken::Yes;
}

// Filled by the caller from the rest of the command line.
Taken TakeDump(OptionContext&, const char*) { return Taken::Yes; }
// Read before every other option, by ReadDiagnosticOptions.
Taken TakeDiagnosticOption(OptionContext&, const char*) { return Taken::Yes; }

constexpr OptionRow kOptionTable[] = {
    {"-h", ValueForm::None, TakeHelp},
    {"--help", ValueForm::None, TakeHelp},
    {"--version", ValueForm::None, TakeVersion},
    {"-q", ValueForm::None, TakeQuiet},
    {"--quiet", ValueForm::None, TakeQuiet},
    {"--normalize", ValueForm::None, TakeNormalize},
    {"--dither", ValueForm::None, TakeDither},
    {"-W", ValueForm::Joined, TakeWarning},
    {"--symbols", ValueForm::Next, TakeSymbols},
    {kDiagnosticsOption, ValueForm::Joined, TakeDiagnosticOption},
    {kColourOption, ValueForm::Joined, TakeDiagnosticOption},
    // Takes the rest of the command line: the files to list may look like
    // options, as they always could.
    {"--dump", ValueForm::Rest, TakeDump},
};

const OptionRow* FindOption(const char* arg) {
  for (const OptionRow& row : kOptionTable) {
    const bool matches = row.form == ValueForm::Joined ? ValueAfter(arg, row.spelling) != nullptr
                                                       : std::strcmp(arg, row.spelling) == 0;
    if (matches) return &row;
  }
  return nullptr;
}

// Looks at argv[i]; an option that takes later arguments advances `i` to
// the last of them.
Taken TakeOption(int argc, char** argv, int& i, OptionContext& context) {
  const char* arg = argv[i];
  const OptionRow* row = FindOption(arg);
  if (row == nullptr) return Taken::NotAnOption;
  switch (row->form) {
    case ValueForm::None:
      return row->take(context, nullptr);
    case ValueForm::Joined:
      return row->take(context, ValueAfter(arg, row->spelling));
    case ValueForm::Next:
    case ValueForm::Rest:
      if (i + 1 >= argc) {
        context.diag.ErrorWith(msg::kMissingOptionValue, arg);
        return Taken::Failed;
      }
      if (row->form == ValueForm::Next) return row->take(context, argv[++i]);
      context.options.dumpFiles.assign(argv + i + 1, argv + argc);
      i = argc - 1;
      return row->take(context, nullptr);
  }
  return Taken::NotAnOption;
}

}  // namespace

bool ReadDiagnosticOptions(int argc, char** argv, Diagnostics& diag, Options& options) {
  bool formatGiven = false;
  const char* badFormat = nullptr;
  const char* badColour = nullptr;
  for (int i = 1; i < argc && !Is(argv[i], "--") && !Is(argv[i], "--dump"); ++i) {
    if (const char* format = ValueAfter(argv[i], kDiagnosticsOption)) {
      formatGiven = true;
      if (!ReadFormat(format, options.diagnostics) && badFormat == nullptr) badFormat = format;
    } else if (const char* colour = ValueAfter(argv[i], kColourOption)) {
      if (!ReadColour(colour, options.colour) && badColour == nullptr) badColour = colour;
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

bool ParseOptions(int argc, char** argv, Diagnostics& diag, Options& options) {
  OptionContext context{diag, options, true};
  // Help, the version and a dump end the command line: nothing after them
  // is read.
  for (int i = 1; i < argc && !options.help && !options.version && options.dumpFiles.empty(); ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      options.positional.insert(options.positional.end(), argv + i + 1, argv + argc);
      break;
    }
    const Taken taken = TakeOption(argc, argv, i, context);
    if (taken == Taken::Failed) return false;
    if (taken == Taken::NotAnOption) {
      options.positional.emplace_back(argv[i]);
      context.leading = false;
    }
  }
  return true;
}

}  // namespace psgc

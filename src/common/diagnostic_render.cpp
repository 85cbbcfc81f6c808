// Renderings of a diagnostic. The GCC-style one follows GCC's own layout,
// so that editors' error patterns read it: the place, the severity, the
// sentence, then the line with a margin of its number and a caret line
// with "~" under the rest of the token.
#include "common/diagnostic_render.h"

#include <cstdio>

namespace psgc {
namespace {

// GCC's default colours (GCC_COLORS="error=01;31:warning=01;35:note=01;36:
// caret=01;32:locus=01"), each ended by the same reset.
constexpr const char* kLocus = "\33[01m\33[K";
constexpr const char* kErrorColour = "\33[01;31m\33[K";
constexpr const char* kWarningColour = "\33[01;35m\33[K";
constexpr const char* kNoteColour = "\33[01;36m\33[K";
constexpr const char* kCaretColour = "\33[01;32m\33[K";
constexpr const char* kReset = "\33[m\33[K";

constexpr unsigned kTabStop = 8;

void Painted(std::string& out, const char* colour, std::string_view text, bool on) {
  if (on) out += colour;
  out += text;
  if (on) out += kReset;
}

// The word and colour of each severity, in the order of enum Severity.
struct SeverityLook {
  const char* word;
  const char* colour;
};
constexpr SeverityLook kSeverities[] = {{"error", kErrorColour}, {"warning", kWarningColour}, {"note", kNoteColour}};

const SeverityLook& Look(Severity s) { return kSeverities[static_cast<size_t>(s)]; }

// The quoted line as a terminal shows it: tabs expanded, other control
// bytes as spaces, so that the caret line below lines up. `displayColumn`
// receives, for each byte, the column it starts at (0-based).
std::string DisplayLine(std::string_view text, std::vector<size_t>& displayColumn) {
  std::string shown;
  displayColumn.clear();
  for (char c : text) {
    displayColumn.push_back(shown.size());
    if (c == '\t') {
      do shown += ' '; while (shown.size() % kTabStop != 0);
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      shown += ' ';
    } else {
      shown += c;
    }
  }
  displayColumn.push_back(shown.size());
  return shown;
}

void AppendQuote(std::string& out, const Diagnostic& d, bool colour) {
  std::vector<size_t> at;
  std::string shown = DisplayLine(d.source, at);
  while (!shown.empty() && shown.back() == ' ') shown.pop_back();
  char number[16];
  std::snprintf(number, sizeof number, "%4u", d.line);
  out += Join({" ", number, " | ", shown, "\n ", std::string(std::string_view(number).size(), ' '), " | "});
  const size_t first = d.column == 0 ? 0 : d.column - 1;
  const size_t start = at[first < at.size() ? first : at.size() - 1];
  const size_t lastByte = first + (d.width > 0 ? d.width : 1);
  const size_t end = at[lastByte < at.size() ? lastByte : at.size() - 1];
  std::string marks = "^";
  if (end > start + 1) marks.append(end - start - 1, '~');
  out.append(start, ' ');
  Painted(out, kCaretColour, marks, colour);
  out += '\n';
}

void AppendGcc(std::string& out, const Diagnostic& d, bool colour) {
  std::string place = d.file.empty() ? std::string("psgc") : d.file;
  if (!d.file.empty() && d.line > 0) {
    place += ':' + std::to_string(d.line) + ':' + std::to_string(d.column == 0 ? 1 : d.column);
  }
  place += ':';
  Painted(out, kLocus, place, colour);
  out += ' ';
  Painted(out, Look(d.severity).colour, std::string(Look(d.severity).word) + ':', colour);
  out += Join({" ", d.message, d.hint.empty() ? "" : "; ", d.hint});
  if (d.severity == Severity::Warning) {
    out += " [";
    Painted(out, kWarningColour, "-W" + std::string(WarningName(d.warning)), colour);
    out += ']';
  }
  out += '\n';
  if (d.line > 0 && !d.source.empty()) AppendQuote(out, d, colour);
  for (const Diagnostic& note : d.notes) AppendGcc(out, note, colour);
}

}  // namespace

std::string RenderClassic(const Diagnostic& d, bool colour) {
  if (d.severity == Severity::Note) return std::string();
  std::string out;
  std::string_view text = d.classic;
  const std::string_view word = d.severity == Severity::Error ? "ERROR" : "WARNING";
  if (colour && text.substr(0, word.size() + 1) == std::string(word) + '-') {
    Painted(out, Look(d.severity).colour, word, true);
    text.remove_prefix(word.size());
  }
  out += text;
  if (d.severity == Severity::Warning) out += Join({" [-W", WarningName(d.warning), "]\n"});
  return out;
}

std::string RenderGcc(const Diagnostic& d, bool colour) {
  std::string out;
  AppendGcc(out, d, colour);
  return out;
}

}  // namespace psgc

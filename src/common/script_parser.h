// The skeleton both script languages share: one line loop (line numbers,
// tokens, the end-of-line check), the label and brace states of a
// definition, command rows found by name, and the pairing of loops. Each
// language brings only its rows and handlers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/diagnostics.h"
#include "common/messages.h"
#include "common/output_file.h"
#include "common/script_lines.h"

namespace psgc {

// What a command handler returns. Malformed: the parser adds the line's
// syntax message. Reported: the failure has been printed in full.
enum class HandlerStatus { Done = 0, Malformed = 1, Reported = -1 };

// Where a parse stands between two lines. A label line opens a definition;
// "{" alone on the next line with tokens opens its braces. Only instrument
// definitions may go on without braces: one channel, up to its "}".
enum class BlockState { Outside, AfterLabel, Unbraced, InBraces };

// What a command does to the flow of its channel or block, for the loop
// and ending checks.
enum class CommandRole : uint8_t { Other, Loop, EndLoop, End, Return };

// One command of a script language. A handler takes its operands from
// `tokens`, which the parser has advanced past the keyword, and leaves any
// further token for the end-of-line check.
template <class Script>
struct CommandRow {
  std::string_view longName;
  std::string_view shortName;
  HandlerStatus (*handler)(Script&, LineTokens&) = nullptr;
  CommandRole role = CommandRole::Other;
  bool bodyOnly = false;  // allowed only inside a channel body
};

// A language's rows, found by long or short name, rows in order. For each
// first letter and length the table keeps the rows with a name of that
// letter and length, so a lookup compares at most a name or two: most
// music lines are notes, for which it usually finds no row at all.
template <class Script, size_t kRows>
class CommandTable {
 public:
  using Row = CommandRow<Script>;
  static_assert(kRows <= 32, "one bit per row");
  static constexpr size_t kLongestName = 15;

  constexpr explicit CommandTable(const CommandRow<Script> (&rows)[kRows]) {
    for (size_t r = 0; r < kRows; ++r) {
      rows_[r] = rows[r];
      for (std::string_view name : {rows[r].longName, rows[r].shortName}) {
        if (name.size() > kLongestName) throw "a command name longer than the table holds";
        byLetterAndSize_[static_cast<unsigned char>(name[0])][name.size()] |= uint32_t{1} << r;
      }
    }
  }

  // The row named `token` (never empty), or nullptr.
  const Row* Find(std::string_view token) const {
    if (token.size() > kLongestName) return nullptr;
    for (uint32_t rows = byLetterAndSize_[static_cast<unsigned char>(token[0])][token.size()]; rows != 0;
         rows &= rows - 1) {
      const Row& row = rows_[__builtin_ctz(rows)];
      if (token == row.longName || token == row.shortName) return &row;
    }
    return nullptr;
  }

 private:
  Row rows_[kRows] = {};
  uint32_t byLetterAndSize_[256][kLongestName + 1] = {};
};

// Loops pair within one channel or block; the last event that made bytes
// decides how it finishes.
struct LoopTracker {
  uint32_t open = 0;
  CommandRole last = CommandRole::Other;  // of the last event that made bytes

  // After a handled line: warns about an `endloop` with no loop open.
  // Inline, since every line passes here and nearly all are no loop.
  void Note(Diagnostics& diag, CommandRole role, bool emitted, const ScriptPos& at) {
    if (role == CommandRole::Loop) ++open;
    if (role == CommandRole::EndLoop) CloseLoop(diag, at);
    if (emitted) last = role;
  }

 private:
  void CloseLoop(Diagnostics& diag, const ScriptPos& at);
};

// The priority token of a label line, read as "%d" reads it (7th is 7;
// "$" and "%" literals are no number here), with `notANumber` or
// `outOfRange` reported at `at`.
bool ReadLabelPriority(Diagnostics& diag, std::string_view token, const ScriptPos& at, const Message& notANumber,
                       const Message& outOfRange, uint8_t& priority);

// Why the line loop stopped.
enum class ScriptStop { AtEnd, AtFailure, ReadError };

// Reads every line of `reader`, numbering them from 1 in `line`, with the
// line as read in `text` (for the GCC-style messages, which also get it as
// the current line). The first token of a line with tokens goes to
// `handleLine(first, tokens)`, which handles the line or reports why not
// and returns false; `afterFailure(line, first)` then looks at the line
// that stopped the parse, still at hand. A token left after a handled
// line is "Garbage at end of line". A read error is reported as "Can't
// open source file". On a stop, `line` is the line that stopped the parse.
template <class HandleLine, class AfterFailure>
ScriptStop ReadScriptLines(ScriptReader& reader, Diagnostics& diag, std::string_view fileName,
                           uint32_t& line, std::string_view& text, HandleLine&& handleLine,
                           AfterFailure&& afterFailure) {
  ScriptStop stop = ScriptStop::AtEnd;
  std::string_view content;
  for (line = 1; reader.NextLine(content); ++line) {
    text = reader.piece();
    diag.SetLine({fileName, line, text});
    LineTokens tokens(content);
    const std::string_view first = tokens.Next();
    if (!first.empty() && !handleLine(first, tokens)) {
      afterFailure(content, first);
      stop = ScriptStop::AtFailure;
      break;
    }
    const std::string_view extra = tokens.Next();
    if (!extra.empty()) {
      diag.ErrorAt(msg::kGarbageAtEnd, {fileName, line, text}, Detail().Value(extra).Token(extra));
      stop = ScriptStop::AtFailure;
      break;
    }
  }
  // The line may be gone once the reader has moved on.
  text = {};
  diag.ClearLine();
  if (!reader.failed()) return stop;
  diag.ErrorWith(msg::kCantOpenSource, fileName, Detail().Value(SystemReason()));
  return ScriptStop::ReadError;
}

}  // namespace psgc

// Script lines and tokens: how both script languages cut a file into lines
// (pieces of at most 511 characters, as fgets reads them into a 512-byte
// buffer), cut comments, and split a line into tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/diagnostics.h"

namespace psgc {

inline constexpr std::string_view kTokenDelimiters = " ,\t\n";
inline constexpr size_t kLineBufferSize = 512;

// Reads a script text line by line. Each line is what the 512-byte line
// buffer would hold after the comment is cut: a piece of at most 511
// characters, ending at its first NUL byte or ";".
class ScriptReader {
 public:
  explicit ScriptReader(std::string_view text) : text_(text) {}
  // False at the end of the text. The view points into the text.
  bool NextLine(std::string_view& line);

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// strtok over one line with kTokenDelimiters: the parser takes the first
// token and the command handlers continue from the same position.
class LineTokens {
 public:
  explicit LineTokens(std::string_view line) : rest_(line) {}
  // The next token, or an empty view when the line has no more.
  std::string_view Next();

 private:
  std::string_view rest_;
};

// What a command handler of either script language returns. Malformed: the
// parser adds the line's syntax message. Reported: the failure has been
// printed in full.
enum class HandlerStatus { Done = 0, Malformed = 1, Reported = -1 };

// `path` with the extension of its last component replaced by `extension`
// (or `extension` appended when there is none). A "." counts only after the
// last of `stopCharacters` and never as the first character of the path.
// Returns 0, or -1 for an empty path.
int ReplaceExtension(std::string_view path, std::string& result, std::string_view extension,
                     std::string_view stopCharacters);

}  // namespace psgc

// Script lines and tokens: how both script languages cut a file into lines
// (pieces of at most 511 characters, as fgets reads them into a 512-byte
// buffer), cut comments, and split a line into tokens.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostics.h"

namespace psgc {

inline constexpr std::string_view kTokenDelimiters = " ,\t\n";
inline constexpr size_t kLineBufferSize = 512;

// Reads a script line by line. Each line is what the 512-byte line buffer
// would hold after the comment is cut: a piece of at most 511 characters,
// ending at its first NUL byte or ";".
//
// A script from a file is read in chunks into a buffer that one run reuses
// for all its scripts, so memory does not grow with the script's length:
// a script of gigabytes of comments, or one read from a pipe, costs the
// buffer and what the script produces.
class ScriptReader {
 public:
  // Reads the next bytes into `data`: how many arrived, 0 at the end, -1
  // on a read error.
  using ReadChunk = std::function<long(char* data, size_t size)>;
  // The chunk size: many lines per read call.
  static constexpr size_t kChunkSize = 256 * 1024;

  // A whole text in memory.
  explicit ScriptReader(std::string_view text) : text_(text) {}
  // A text read through `read` into `buffer`.
  ScriptReader(ReadChunk read, std::vector<char>& buffer);

  // False at the end of the text or after a read error. The view stays
  // valid until the next call.
  bool NextLine(std::string_view& line);
  // The last line as read, before its NUL byte or comment cut it: what
  // the GCC-style messages quote. Valid as long as the last line is.
  std::string_view piece() const { return piece_; }
  bool failed() const { return failed_; }

 private:
  // Keeps the unread bytes and reads until a whole piece is in the buffer
  // or the text has ended.
  void Refill();

  std::string_view text_;  // the bytes at hand; pos_ is the first unread
  std::string_view piece_;
  size_t pos_ = 0;
  ReadChunk read_;
  std::vector<char>* buffer_ = nullptr;
  bool ended_ = true;  // nothing more to read
  bool failed_ = false;
};

// A set of characters as a table: one lookup per character keeps
// tokenizing and line scanning linear and cheap.
struct CharacterSet {
  bool is[256] = {};
  constexpr explicit CharacterSet(std::string_view characters) {
    for (char c : characters) is[static_cast<unsigned char>(c)] = true;
  }
  bool operator()(char c) const { return is[static_cast<unsigned char>(c)]; }
};
inline constexpr CharacterSet kIsDelimiter(kTokenDelimiters);

// strtok over one line with kTokenDelimiters: the parser takes the first
// token and the command handlers continue from the same position. Every
// line takes a few tokens, so Next is inline.
class LineTokens {
 public:
  explicit LineTokens(std::string_view line) : rest_(line.data()), end_(line.data() + line.size()) {}
  // The next token, or an empty view when the line has no more.
  std::string_view Next() {
    const char* p = rest_;
    while (p != end_ && kIsDelimiter(*p)) ++p;
    const char* const start = p;
    while (p != end_ && !kIsDelimiter(*p)) ++p;
    // strtok consumes the delimiter that ends a token.
    rest_ = p != end_ ? p + 1 : p;
    return std::string_view(start, static_cast<size_t>(p - start));
  }

 private:
  const char* rest_;
  const char* end_;
};

// A copy of the label line of an open block or definition, so that a note
// can quote it after later lines have taken its place.
struct OpenedLine {
  std::string file;
  uint32_t line = 0;
  std::string text;
  size_t labelAt = 0;
  size_t labelSize = 0;

  // `label` is a token of at.text.
  void Keep(const ScriptPos& at, std::string_view label) {
    file.assign(at.file);
    line = at.line;
    text.assign(at.text);
    labelAt = static_cast<size_t>(label.data() - at.text.data());
    labelSize = label.size();
  }
  ScriptPos at() const { return {file, line, text}; }
  std::string_view label() const { return std::string_view(text).substr(labelAt, labelSize); }
};

// A line that looks like a label line: a word other than a brace, perhaps
// followed by a priority (digits). The GCC-style messages take such a line,
// met where a block should have been closed, for the label of the next.
bool LooksLikeLabelLine(std::string_view line);
// The first token of a line, or an empty view.
inline std::string_view FirstToken(std::string_view line) { return LineTokens(line).Next(); }

// `path` with the extension of its last component replaced by `extension`
// (or `extension` appended when there is none). A "." counts only after the
// last of `stopCharacters` and never as the first character of the path.
// False for an empty path.
bool ReplaceExtension(std::string_view path, std::string& result, std::string_view extension,
                     std::string_view stopCharacters);

}  // namespace psgc

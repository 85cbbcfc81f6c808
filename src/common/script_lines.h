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
  bool failed() const { return failed_; }

 private:
  // Keeps the unread bytes and reads until a whole piece is in the buffer
  // or the text has ended.
  void Refill();

  std::string_view text_;  // the bytes at hand; pos_ is the first unread
  size_t pos_ = 0;
  ReadChunk read_;
  std::vector<char>* buffer_ = nullptr;
  bool ended_ = true;  // nothing more to read
  bool failed_ = false;
};

// One table lookup per character keeps tokenizing linear and cheap.
struct DelimiterSet {
  bool is[256] = {};
  constexpr DelimiterSet() {
    for (char c : kTokenDelimiters) is[static_cast<unsigned char>(c)] = true;
  }
  bool operator()(char c) const { return is[static_cast<unsigned char>(c)]; }
};
inline constexpr DelimiterSet kIsDelimiter;

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

// `path` with the extension of its last component replaced by `extension`
// (or `extension` appended when there is none). A "." counts only after the
// last of `stopCharacters` and never as the first character of the path.
// False for an empty path.
bool ReplaceExtension(std::string_view path, std::string& result, std::string_view extension,
                     std::string_view stopCharacters);

}  // namespace psgc

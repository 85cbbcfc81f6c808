// Script lines and tokens: line pieces, CR LF, comments, tokens, file names.
#include "common/script_lines.h"

#include <cstring>
#include <utility>

namespace psgc {

ScriptReader::ScriptReader(ReadChunk read, std::vector<char>& buffer)
    : read_(std::move(read)), buffer_(&buffer), ended_(false) {
  buffer.resize(kChunkSize);
}

void ScriptReader::Refill() {
  std::vector<char>& buffer = *buffer_;
  const size_t kept = text_.size() - pos_;
  if (kept > 0 && pos_ > 0) std::memmove(buffer.data(), buffer.data() + pos_, kept);
  size_t filled = kept;
  // A pipe may deliver less than asked: read on until a whole piece (its
  // CR LF included) is at hand.
  while (filled < kLineBufferSize) {
    const long n = read_(buffer.data() + filled, buffer.size() - filled);
    if (n <= 0) {
      ended_ = true;
      failed_ = n < 0;
      break;
    }
    filled += static_cast<size_t>(n);
  }
  text_ = std::string_view(buffer.data(), filled);
  pos_ = 0;
}

bool ScriptReader::NextLine(std::string_view& line) {
  if (!ended_ && text_.size() - pos_ < kLineBufferSize) Refill();
  if (failed_) return false;
  const size_t remaining = text_.size() - pos_;
  if (remaining == 0) return false;
  const char* start = text_.data() + pos_;
  // A CR LF pair is one newline, as a text-mode stream delivers it, so a
  // piece may span 512 raw bytes when it ends in CR LF.
  const size_t window = remaining < kLineBufferSize ? remaining : kLineBufferSize;
  const void* nl = std::memchr(start, '\n', window);
  size_t take = 0;     // raw bytes consumed
  size_t content = 0;  // bytes before the line end
  if (nl != nullptr) {
    const size_t at = static_cast<const char*>(nl) - start;
    const bool crlf = at > 0 && start[at - 1] == '\r';
    if (at + 1 - (crlf ? 1 : 0) <= kLineBufferSize - 1) {
      take = at + 1;
      content = crlf ? at - 1 : at;
    }
  }
  if (take == 0) {
    // No line end within 511 characters: the piece is the next 511, and
    // a line of exactly 511 characters is followed by an empty piece.
    take = remaining < kLineBufferSize - 1 ? remaining : kLineBufferSize - 1;
    content = take;
  }
  pos_ += take;
  // The line buffer is a C string: it ends at its first NUL byte. Cutting
  // the comment (";" collapsed to NUL) then ends it at its first ";".
  line = std::string_view(start, content);
  const void* nul = std::memchr(start, '\0', content);
  if (nul != nullptr) line = line.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - start));
  const size_t comment = line.find(';');
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  return true;
}

bool ReplaceExtension(std::string_view path, std::string& result, std::string_view extension,
                     std::string_view stopCharacters) {
  if (path.empty()) return false;
  size_t stem = path.size();
  for (size_t i = path.size() - 1; i >= 1; --i) {
    if (path[i] == '.') {
      stem = i;
      break;
    }
    if (stopCharacters.find(path[i]) != std::string_view::npos) break;
  }
  result.assign(path.substr(0, stem));
  result += extension;
  return true;
}

}  // namespace psgc

// Script lines and tokens: line pieces, CR LF, comments, tokens, file names.
#include "common/script_lines.h"

#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace psgc {
namespace {

// The characters a line scan stops at: its end, and the two that cut its
// text short (NUL and ";").
constexpr CharacterSet kEndsLineText(std::string_view("\n;\0", 3));

// The first of the `size` bytes at `text` that ends a line's text, or
// `size`. Sixteen bytes at a time where the processor compares them at
// once: nearly every line ends within its first sixteen, so the loop
// leaves by the same branch line after line instead of at a different
// character each time.
size_t FindLineStop(const char* text, size_t size) {
  size_t i = 0;
#ifdef __SSE2__
  const __m128i newline = _mm_set1_epi8('\n');
  const __m128i semicolon = _mm_set1_epi8(';');
  const __m128i nul = _mm_setzero_si128();
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, newline), _mm_cmpeq_epi8(bytes, semicolon)),
                                       _mm_cmpeq_epi8(bytes, nul));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(stops));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < size; ++i) {
    if (kEndsLineText(text[i])) return i;
  }
  return size;
}

}  // namespace

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
  // One pass finds the newline and the first NUL or ";" before it: most
  // lines are a few characters with neither, and a library search per
  // character class would cost more than the line.
  size_t at = window;   // of the newline; window when there is none
  size_t cut = window;  // of the first NUL or ";"
  const size_t stop = FindLineStop(start, window);
  if (stop < window && start[stop] == '\n') {
    at = stop;
  } else if (stop < window) {
    cut = stop;
    const void* nl = std::memchr(start + stop + 1, '\n', window - stop - 1);
    if (nl != nullptr) at = static_cast<size_t>(static_cast<const char*>(nl) - start);
  }
  size_t take = 0;     // raw bytes consumed
  size_t content = 0;  // bytes before the line end
  if (at < window) {
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
  // Built in locals: read back through `line`, the view just stored
  // would stall the load that copies it.
  piece_ = std::string_view(start, content);
  line = std::string_view(start, cut < content ? cut : content);
  return true;
}

bool LooksLikeLabelLine(std::string_view line) {
  LineTokens tokens(line);
  const std::string_view label = tokens.Next();
  if (label.empty() || label == "{" || label == "}") return false;
  const std::string_view priority = tokens.Next();
  for (char c : priority) {
    if (c < '0' || c > '9') return false;
  }
  return tokens.Next().empty();
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

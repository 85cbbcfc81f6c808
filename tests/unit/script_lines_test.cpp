#include "common/script_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace psgc {
namespace {

std::vector<std::string> Drain(ScriptReader& reader) {
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.NextLine(line)) lines.emplace_back(line);
  return lines;
}

// `text` read as a file delivering at most `piece` bytes per read call.
std::vector<std::string> ChunkedLines(const std::string& text, size_t piece) {
  std::vector<char> buffer;
  size_t at = 0;
  ScriptReader reader(
      [&](char* data, size_t size) {
        const size_t n = std::min({piece, size, text.size() - at});
        std::memcpy(data, text.data() + at, n);
        at += n;
        return static_cast<long>(n);
      },
      buffer);
  std::vector<std::string> lines = Drain(reader);
  EXPECT_FALSE(reader.failed());
  return lines;
}

// The lines of `text`, which must be the same however the text arrives.
std::vector<std::string> Lines(const std::string& text) {
  ScriptReader reader(text);
  const std::vector<std::string> lines = Drain(reader);
  for (size_t piece : {size_t{1}, size_t{7}, size_t{511}, size_t{512}, size_t{513}, ScriptReader::kChunkSize}) {
    EXPECT_EQ(ChunkedLines(text, piece), lines) << "read " << piece << " bytes at a time";
  }
  return lines;
}

std::vector<std::string> Tokens(const std::string& line) {
  LineTokens tokens(line);
  std::vector<std::string> out;
  for (std::string_view t = tokens.Next(); !t.empty(); t = tokens.Next()) out.emplace_back(t);
  return out;
}

using V = std::vector<std::string>;

TEST(ScriptReader, PiecesOfAtMost511Characters) {
  const std::string a511(511, 'a');
  const std::string b600(600, 'b');
  EXPECT_EQ(Lines(a511 + "\nx\n"), (V{a511, "", "x"}));  // the newline is a piece of its own
  EXPECT_EQ(Lines(std::string(510, 'a') + "\nx\n"), (V{std::string(510, 'a'), "x"}));
  EXPECT_EQ(Lines(b600 + "\n"), (V{std::string(511, 'b'), std::string(89, 'b')}));
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("no newline at end"), V{"no newline at end"});
  EXPECT_EQ(Lines("\n\n"), (V{"", ""}));
}

TEST(ScriptReader, CrLfIsOneNewlineAndOtherCrIsText) {
  EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\rb\n"), V{"a\rb"});
  EXPECT_EQ(Lines("a\r"), V{"a\r"});
  // CR LF counts as one character: 510 characters and CR LF fill one piece.
  const std::string a510(510, 'a');
  EXPECT_EQ(Lines(a510 + "\r\nx"), (V{a510, "x"}));
  EXPECT_EQ(Lines(std::string(511, 'a') + "\r\nx"), (V{std::string(511, 'a'), "", "x"}));
}

TEST(ScriptReader, CommentsAndNulEndTheLine) {
  EXPECT_EQ(Lines("wait 10 ; rest\n"), V{"wait 10 "});
  EXPECT_EQ(Lines("10;x\n;only\n"), (V{"10", ""}));
  EXPECT_EQ(Lines(std::string("pan\0 3\nend\n", 11)), (V{"pan", "end"}));
  EXPECT_EQ(Lines(std::string("a\0b;c\r\nd;e\0\r\n", 13)), (V{"a", "d"}));
  // A NUL or ";" past a piece's 511 characters cuts the next piece only.
  const std::string a511(511, 'a');
  EXPECT_EQ(Lines(a511 + ";b\n"), (V{a511, ""}));
  EXPECT_EQ(Lines(a511 + "bc;d\n"), (V{a511, "bc"}));
  EXPECT_EQ(Lines(std::string(510, 'a') + ";\r\nx\n"), (V{std::string(510, 'a'), "", "x"}));
  ScriptReader reader("wait 1 ; held\n");
  std::string_view line;
  ASSERT_TRUE(reader.NextLine(line));
  EXPECT_EQ(reader.piece(), "wait 1 ; held");
}

// Pieces, CR LF pairs and comments that straddle the reader's chunks read
// as they do in a whole text, however the chunks fall.
TEST(ScriptReader, ChunksDoNotChangeTheLines) {
  std::string text;
  for (size_t n = 0; text.size() < 3 * ScriptReader::kChunkSize; ++n) {
    text += std::string(n % 1031, 'a' + n % 26);
    text += n % 3 == 0 ? "\r\n" : n % 3 == 1 ? ";c\n" : "\n";
  }
  ScriptReader whole(text);
  const std::vector<std::string> want = Drain(whole);
  for (size_t piece : {size_t{509}, size_t{4096}, ScriptReader::kChunkSize}) {
    EXPECT_TRUE(ChunkedLines(text, piece) == want) << piece;
  }
}

TEST(ScriptReader, ReadErrorEndsTheText) {
  std::vector<char> buffer;
  int calls = 0;
  ScriptReader reader(
      [&](char* data, size_t size) -> long {
        if (calls++ > 0) return -1;
        const std::string first = "a\nb";
        std::memcpy(data, first.data(), std::min(size, first.size()));
        return static_cast<long>(first.size());
      },
      buffer);
  std::string_view line;
  EXPECT_FALSE(reader.NextLine(line));
  EXPECT_TRUE(reader.failed());
}

TEST(LineTokens, DelimitersAndContinuation) {
  EXPECT_EQ(Tokens("pan,3"), (V{"pan", "3"}));
  EXPECT_EQ(Tokens(" pan , , 3 \t"), (V{"pan", "3"}));
  EXPECT_EQ(Tokens("  \t "), V{});
  EXPECT_EQ(Tokens("a\rb"), V{"a\rb"});  // CR is no delimiter
  LineTokens tokens("wave 1 2");
  EXPECT_EQ(tokens.Next(), "wave");
  EXPECT_EQ(tokens.Next(), "1");  // a handler continues where the parser stopped
  EXPECT_EQ(tokens.Next(), "2");
  EXPECT_EQ(tokens.Next(), "");
  EXPECT_EQ(tokens.Next(), "");
}

TEST(ReplaceExtension, OnlyTheLastComponentCounts) {
  const struct { const char* path; const char* want; } cases[] = {
      {"out.sfx", "out.equ"},       {"data/sfx/out.bin", "data/sfx/out.equ"},
      {"out", "out.equ"},           {"dir.old/out", "dir.old/out.equ"},
      {"a.b.c", "a.b.equ"},         {".sfx", ".sfx.equ"},
      {"out.", "out.equ"},          {"data\\fx.new.bin", "data\\fx.new.equ"},
      {"dir.d\\sounds", "dir.d\\sounds.equ"}, {"c:x", "c:x.equ"}};
  for (const auto& c : cases) {
    std::string result;
    EXPECT_TRUE(ReplaceExtension(c.path, result, ".equ", "<>/\\:"));
    EXPECT_EQ(result, c.want) << c.path;
  }
  std::string untouched = "keep";
  EXPECT_FALSE(ReplaceExtension("", untouched, ".equ", "/"));
  EXPECT_EQ(untouched, "keep");
}

}  // namespace
}  // namespace psgc

// Diagnostics: every message of the table in the GCC-style format, the two
// renderings, one message per fault, and the hints.
#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <string>
#include <vector>

#include "common/diagnostic_render.h"
#include "common/diagnostics.h"
#include "common/hints.h"
#include "common/messages.h"
#include "music/notes.h"

namespace psgc {
namespace {

// The pattern of VS Code's $gcc problem matcher.
const std::regex kVsCodeGcc(R"(^(.*?):(\d+):(\d*)?:?\s+(?:fatal\s+)?(warning|error):\s+(.*)$)");

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// The table of messages is the input: each is reported through the
// Diagnostics of a run in the GCC-style format, at a place in a line, with
// a value for every {n} of its sentence.
TEST(Messages, EveryMessageHasAGccSentence) {
  const std::regex placeholder(R"(\{[0-9]\})");
  for (const Message* m : msg::kAllMessages) {
    SCOPED_TRACE(std::string(m->id));
    Diagnostics diag = Diagnostics::Capturing();
    diag.SetFormat(DiagnosticFormat::Gcc, false);
    const std::string line = "  wiat 5";
    const ScriptPos at{"fx.txt", 4, line};
    Detail detail;
    for (int i = 0; i < 10; ++i) detail.Value("v" + std::to_string(i));
    diag.ErrorAt(*m, at, detail.Token(std::string_view(line).substr(2, 4)));
    diag.Flush();
    const std::string err = diag.captured_err();
    const std::string first = FirstLine(err);
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(first, parts, kVsCodeGcc)) << first;
    EXPECT_EQ("fx.txt", parts[1].str());
    EXPECT_EQ("4", parts[2].str());
    EXPECT_EQ("3", parts[3].str());
    EXPECT_EQ("error", parts[4].str());
    const std::string sentence = parts[5].str();
    // A sentence as GCC writes one: no capital (but for a name in capitals
    // such as PCM), no full stop, no classic prefix, every value filled in.
    ASSERT_FALSE(sentence.empty());
    EXPECT_TRUE(!std::isupper(static_cast<unsigned char>(sentence[0])) ||
                std::isupper(static_cast<unsigned char>(sentence[1])))
        << sentence;
    EXPECT_NE('.', sentence.back()) << sentence;
    EXPECT_EQ(std::string::npos, sentence.find("ERROR")) << sentence;
    EXPECT_FALSE(std::regex_search(sentence, placeholder)) << sentence;
    EXPECT_EQ(first + "\n    4 |   wiat 5\n      |   ^~~~\n", err);
  }
}

// The classic form of a message is its text, as it has always been: the
// table keeps every classic text once.
TEST(Messages, ClassicTextsAreOneEach) {
  for (size_t i = 0; i < msg::kMessageCount; ++i) {
    for (size_t j = i + 1; j < msg::kMessageCount; ++j) {
      const Message& a = *msg::kAllMessages[i];
      const Message& b = *msg::kAllMessages[j];
      EXPECT_TRUE(a.classic.empty() || a.classic != b.classic) << a.id << " " << b.id;
      EXPECT_NE(a.id, b.id);
    }
  }
}

Diagnostic Located(Severity severity, std::string source, uint32_t column, uint32_t width) {
  Diagnostic d;
  d.severity = severity;
  d.file = "fx.txt";
  d.line = 12;
  d.column = column;
  d.width = width;
  d.source = std::move(source);
  d.message = "what is wrong";
  return d;
}

TEST(RenderGcc, PlacesAndQuotes) {
  const struct {
    Diagnostic d;
    const char* want;
  } cases[] = {
      // Tabs are shown to the next multiple of 8; the column stays the byte's.
      {Located(Severity::Error, "\tvolume\t31", 9, 2),
       "fx.txt:12:9: error: what is wrong\n   12 |         volume  31\n      |                 ^~\n"},
      // A fault of the line: no token, the caret at its start.
      {Located(Severity::Note, "}", 0, 0), "fx.txt:12:1: note: what is wrong\n   12 | }\n      | ^\n"},
      // No quote without the line.
      {Located(Severity::Error, "", 0, 0), "fx.txt:12:1: error: what is wrong\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, RenderGcc(c.d, false));

  Diagnostic wide = Located(Severity::Error, "x", 1, 1);
  wide.line = 123456;
  EXPECT_EQ("fx.txt:123456:1: error: what is wrong\n 123456 | x\n        | ^\n", RenderGcc(wide, false));

  Diagnostic whole;
  whole.file = "kick.wav";
  whole.message = "cannot decode";
  EXPECT_EQ("kick.wav: error: cannot decode\n", RenderGcc(whole, false));
  whole.file.clear();
  EXPECT_EQ("psgc: error: cannot decode\n", RenderGcc(whole, false));
}

TEST(RenderGcc, HintNotesAndWarningOption) {
  Diagnostic d = Located(Severity::Warning, "", 0, 0);
  d.warning = Warning::Range;
  d.hint = "did you mean 'wait'?";
  d.notes.push_back(Located(Severity::Note, "", 0, 0));
  EXPECT_EQ("fx.txt:12:1: warning: what is wrong; did you mean 'wait'? [-Wrange]\n"
            "fx.txt:12:1: note: what is wrong\n",
            RenderGcc(d, false));
}

TEST(Render, ColoursAsGccDoes) {
  Diagnostic d = Located(Severity::Error, "wiat 5", 1, 4);
  EXPECT_EQ("\33[01m\33[Kfx.txt:12:1:\33[m\33[K \33[01;31m\33[Kerror:\33[m\33[K what is wrong\n"
            "   12 | wiat 5\n"
            "      | \33[01;32m\33[K^~~~\33[m\33[K\n",
            RenderGcc(d, true));
  d.classic = "ERROR- Invalid command : wiat in : fx.txt,12\n";
  EXPECT_EQ("\33[01;31m\33[KERROR\33[m\33[K- Invalid command : wiat in : fx.txt,12\n", RenderClassic(d, true));
  EXPECT_EQ(d.classic, RenderClassic(d, false));
  d.severity = Severity::Note;
  EXPECT_EQ("", RenderClassic(d, true));
}

// The classic format prints every line of a fault; the GCC-style format
// folds the follow-ups into the error as their notes.
TEST(Diagnostics, OneMessagePerFault) {
  const std::string line = "    wait -5";
  const ScriptPos at{"fx.txt", 5, line};
  const ScriptPos label{"fx.txt", 1, "jump 20"};
  auto report = [&](Diagnostics& diag) {
    diag.Error(msg::kValueOutOfRange, Detail().Value("-5").Value("0 or more").At(at).Token(std::string_view(line).substr(9)));
    diag.ErrorAt(msg::kInvalidSyntax, at, Detail().Value("wait").FollowUp());
    diag.ErrorAt(msg::kUnexpectedEndOfSfx, at,
                 Detail().FollowUp().Note(MakeNote(msg::kNoteOpenedHere, label, {"sound effect", "jump"})));
    diag.Flush();
  };
  Diagnostics classic = Diagnostics::Capturing();
  report(classic);
  EXPECT_EQ("ERROR- Value out of range\n"
            "ERROR- Invalid command syntax in : fx.txt,5\n"
            "ERROR- Unexpected end of instrument/sfx in : fx.txt,5\n",
            classic.captured_err());
  Diagnostics gcc = Diagnostics::Capturing();
  gcc.SetFormat(DiagnosticFormat::Gcc, false);
  report(gcc);
  EXPECT_EQ("fx.txt:5:10: error: value -5 is out of range (0 or more)\n"
            "    5 |     wait -5\n"
            "      |          ^~\n"
            "fx.txt:1:1: note: in the sound effect 'jump' opened here\n"
            "    1 | jump 20\n"
            "      | ^~~~\n",
            gcc.captured_err());
  EXPECT_TRUE(gcc.failed());

  // A follow-up with no error before it is the error.
  Diagnostics alone = Diagnostics::Capturing();
  alone.SetFormat(DiagnosticFormat::Gcc, false);
  alone.ErrorAt(msg::kInvalidSyntax, {"fx.txt", 3, "  wait"}, Detail().Value("wait").FollowUp());
  alone.Flush();
  EXPECT_EQ("fx.txt:3:3: error: 'wait' is missing an operand or has one that cannot be read\n"
            "    3 |   wait\n"
            "      |   ^~~~\n",
            alone.captured_err());
}

// A message whose classic form has no place takes the line being compiled.
TEST(Diagnostics, PlacelessMessagesTakeTheCurrentLine) {
  Diagnostics diag = Diagnostics::Capturing();
  diag.SetFormat(DiagnosticFormat::Gcc, false);
  const std::string line = "  pan $zz";
  diag.SetLine({"ch0.txt", 7, line});
  diag.ErrorWith(msg::kUnableToParseNumeric, std::string_view(line).substr(6));
  diag.ClearLine();
  diag.ErrorWith(msg::kCantOpenSource, "x.txt", Detail().Value("No such file or directory"));
  diag.Flush();
  EXPECT_EQ(0u, diag.captured_err().find("ch0.txt:7:7: error: '$zz' is not a number"));
  EXPECT_NE(std::string::npos, diag.captured_err().find("psgc: error: cannot open 'x.txt': No such file or directory\n"));
}

TEST(Hints, EditDistance) {
  const struct {
    const char* a;
    const char* b;
    size_t want;
  } cases[] = {
      {"wait", "wait", 0}, {"wiat", "wait", 1}, {"wat", "wait", 1}, {"waiit", "wait", 1},
      {"leed", "lead", 1}, {"unsued", "unused", 1}, {"fill", "Fill", 1}, {"abc", "xyz", 3},
      {"", "end", 3},      {"frequency", "f", 4},  // past the limit: limit + 1
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, EditDistance(c.a, c.b, 2 + 1)) << c.a << " " << c.b;
}

TEST(Hints, NearestName) {
  const std::vector<std::string_view> names = {"wait", "wave", "end", "e", "loop", "endloop"};
  const struct {
    const char* word;
    const char* want;
  } cases[] = {
      {"wiat", "wait"},     // a swap is one edit
      {"wav", "wave"},      // the nearest
      {"ed", "end"},        // ties: the first of the table
      {"edn", "end"},       {"endlop", "endloop"},
      {"x", ""},            // one letter is no word to correct
      {"wait", ""},         // a known name needs no hint
      {"frobnicate", ""},   // nothing within two edits
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, NearestName(c.word, names)) << c.word;
}

TEST(Hints, SuggestNote) {
  const struct {
    const char* token;
    const char* want;
  } cases[] = {
      {"c4", "c.4"}, {"C.4", "c.4"}, {"c#4", "cs4"}, {"a-1", "a.-1"}, {"h.4", "c.4"},
      {"c.4", ""},   // already a note
      {"c", ""},     {"xyz", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, SuggestNote(c.token)) << c.token;
}

TEST(Diagnostics, ChannelScriptOrdinals) {
  EXPECT_EQ("the 1st channel script", ChannelScriptOrdinal(0));
  EXPECT_EQ("the 2nd channel script", ChannelScriptOrdinal(1));
  EXPECT_EQ("the 3rd channel script", ChannelScriptOrdinal(2));
  EXPECT_EQ("the 4th channel script", ChannelScriptOrdinal(3));
  EXPECT_EQ("the 6th channel script", ChannelScriptOrdinal(5));
}

}  // namespace
}  // namespace psgc

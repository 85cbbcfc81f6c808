// Symbol names from file names, the rules of several formats at once, and
// the corners of the file texts that golden cases cannot name (control
// characters in an output name, long guards).
#include <gtest/gtest.h>

#include <string>

#include "symbols/symbol_formats.h"
#include "symbols/symbol_text.h"

namespace psgc {
namespace {

TEST(SymbolFromPath, DirectoryExtensionAndCharacters) {
  const struct {
    const char* path;
    const char* want;
  } cases[] = {
      {"music/level-1.mus", "SONG_level_1"},
      {"title screen.v2.mus", "SONG_title_screen_v2"},
      {"data\\fx.mus", "SONG_fx"},
      {"dir.d/noext", "SONG_noext"},
      {".hidden.mus", "SONG__hidden"},
      {"../10.mus", "SONG_10"},
      {"caf\xC3\xA9.mus", "SONG_caf__"},  // each byte of a UTF-8 letter
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, SymbolFromPath("SONG_", c.path)) << c.path;
}

TEST(SymbolRules, StrictestOfTheRequestedFormats) {
  const struct {
    std::vector<SymbolRequest> requests;
    bool plainOnly;
    size_t maxLength;
    SymbolFormat limitFormat;
  } cases[] = {
      {{}, false, 0, SymbolFormat::Wla},
      {{{SymbolFormat::Wla, ""}}, false, 0, SymbolFormat::Wla},
      {{{SymbolFormat::Ca65, ""}}, true, 0, SymbolFormat::Wla},
      {{{SymbolFormat::Pceas, ""}}, true, 126, SymbolFormat::Pceas},
      {{{SymbolFormat::Pceas, ""}, {SymbolFormat::C, ""}}, true, 63, SymbolFormat::C},
      {{{SymbolFormat::C, ""}, {SymbolFormat::Wla, ""}, {SymbolFormat::Pceas, ""}}, true, 63,
       SymbolFormat::C},
  };
  for (const auto& c : cases) {
    const SymbolRules rules = RulesFor(c.requests);
    EXPECT_EQ(c.plainOnly, rules.plainOnly);
    EXPECT_EQ(c.maxLength, rules.maxLength);
    if (c.maxLength != 0) {
      EXPECT_EQ(c.limitFormat, rules.limitFormat);
    }
  }
}

TEST(SymbolFileText, OutputNameCannotBreakTheComment) {
  const SymbolList list = {{"SONG IDs", {{"SONG_a", 0}}}};
  EXPECT_EQ(
      "; psgc symbols for a?b?.trk\n\n; SONG IDs\nSONG_a .equ 0\n",
      SymbolFileText(SymbolFormat::Pceas, list, "a\nb\t.trk", "s.inc"));
  const std::string c = SymbolFileText(SymbolFormat::C, list, "x*/y\r.trk", "s.h");
  EXPECT_EQ("/* psgc symbols for x*?y?.trk */\n", c.substr(0, c.find('\n') + 1));
}

TEST(SymbolFileText, GuardFromTheFileName) {
  const SymbolList list;
  EXPECT_EQ("/* psgc symbols for o */\n#ifndef PSGC_MY_SONGS_H\n#define PSGC_MY_SONGS_H\n\n#endif\n",
            SymbolFileText(SymbolFormat::C, list, "o", "inc.d/my-songs.h"));
  // A C compiler need not tell longer guards apart.
  const std::string name(100, 'x');
  const std::string text = SymbolFileText(SymbolFormat::C, list, "o", name + ".h");
  EXPECT_EQ("#ifndef PSGC_" + std::string(58, 'X') + "\n", text.substr(text.find('\n') + 1, 72));
}

}  // namespace
}  // namespace psgc

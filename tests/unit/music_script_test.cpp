// Music channel scripts that fail, with the exact lines they print on
// standard error, in order.
#include <gtest/gtest.h>

#include <string>

#include "common/script_lines.h"
#include "music/music_script.h"
#include "sfx/instrument_script.h"

namespace psgc {
namespace {

// Compiles `text` as the channel script of PSG channel `channel` (the
// scripts before it are empty) against an instrument script of a tone
// instrument "lead" and a noise instrument "kick".
std::string ErrorsOf(const std::string& text, uint32_t channel = 0) {
  Diagnostics diag = Diagnostics::Capturing();
  InstrumentTable instruments;
  ScriptReader instrumentScript("lead\ntuning 32\n{\n}\nkick\nnoise\n{\n}\n");
  EXPECT_TRUE(ParseInstrumentScript(instruments, diag, instrumentScript, "i.txt", false));
  SongData song;
  for (uint32_t c = 0; c < channel; ++c) {
    ScriptReader empty("");
    EXPECT_TRUE(ParseMusicScript(song, instruments, diag, empty, "e.txt"));
  }
  ScriptReader reader(text);
  EXPECT_FALSE(ParseMusicScript(song, instruments, diag, reader, "c.txt")) << text;
  return diag.captured_err();
}

const std::string kEnd = "ERROR- Unexpected end of music block in : c.txt,";

// Each line stands alone in a block body after `using lead`, as line 4.
TEST(MusicScript, RefusedCommands) {
  const std::string syntax = "ERROR- Invalid command syntax in : c.txt,4\n";
  const std::string range = "ERROR- Value out of range\n" + syntax;
  const std::string garbage = "ERROR- Garbage at end of line in : c.txt,4\n";
  const struct {
    std::string line;
    std::string want;  // before the unexpected-end line
  } cases[] = {
      {"pan", syntax},
      {"pan 256", range},
      {"p -1", range},
      {"pan $FFFFFFFF", range},
      {"pan 1 2", garbage},
      {"priority 256", range},
      {"pr x", "ERROR- Unable to parse numeric : x\n" + syntax},
      {"sample 256", range},
      {"loop 128", range},
      {"l -129", range},
      {"wait", syntax},
      {"wait -1", range},
      {"wait 2147483648", "ERROR- Unable to parse numeric : 2147483648\n" + syntax},
      {"w $100000000", "ERROR- Unable to parse numeric : $100000000\n" + syntax},
      {"rest -1", range},
      {"pitch", syntax},
      {"pt 1 .5", "ERROR- Unable to parse numeric : .5\n" + syntax},
      {"sfx", syntax},
      {"s 1 x", "ERROR- Unable to parse numeric : x\n" + syntax},
      {"call", syntax},
      {"return 1", garbage},
      {"using", syntax},
      {"using Lead", "ERROR- Instrument not found : Lead\n"},
      {"u kick",
       "ERROR- Instrument kick not compatible with channel 0\n"
       "ERROR- Instruments using noise can only be on channels 5 or 6\n" + syntax},
      {"a.4", syntax},
      {"a.4 -1", range},
      {"a.4 1 2", garbage},
      {"a.178956971 1", "Unable to parse note : a.178956971\n" + syntax},
      {"wiat 5", "Unable to parse note : wiat\n" + syntax},
      {"Pan 3", "Unable to parse note : Pan\n" + syntax},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.want + kEnd + "4\n", ErrorsOf("b\n{\nusing lead\n" + c.line + "\n}\n")) << c.line;
  }
}

// Noise instruments are refused on channels 0 to 3 only; channels count
// from 0 in the first line and from 1 in the second.
TEST(MusicScript, NoiseOnlyOnTheLastTwoChannels) {
  EXPECT_EQ("ERROR- Instrument kick not compatible with channel 3\n"
            "ERROR- Instruments using noise can only be on channels 5 or 6\n"
            "ERROR- Invalid command syntax in : c.txt,3\n" + kEnd + "3\n",
            ErrorsOf("b\n{\nusing kick\n}\n", 3));
  Diagnostics diag = Diagnostics::Capturing();
  InstrumentTable instruments;
  ScriptReader instrumentScript("kick\nnoise\n{\n}\n");
  ASSERT_TRUE(ParseInstrumentScript(instruments, diag, instrumentScript, "i.txt", false));
  SongData song;
  for (uint32_t c = 0; c < 6; ++c) {
    const std::string text = c >= 4 ? "b" + std::to_string(c) + "\n{\nusing kick\nc.4 1\n}\n" : "";
    ScriptReader reader(text);
    ASSERT_TRUE(ParseMusicScript(song, instruments, diag, reader, "c.txt")) << c;
  }
  EXPECT_EQ("", diag.captured_err());
}

// Label lines and braces: the first error stops the script.
TEST(MusicScript, RefusedStructure) {
  const struct {
    std::string text;
    std::string want;
  } cases[] = {
      {"intro 10 {\nwait 1\n}\n", "ERROR- Garbage at end of line in : c.txt,1\n" + kEnd + "1\n"},
      {"song\n\n; no brace\nwait 1\n}\n", "ERROR- Expecting '{' at block start : c.txt,4\n" + kEnd + "4\n"},
      {"song\n{\nwait 1\n} wait 2\n", "ERROR- Garbage at end of line in : c.txt,4\n"},
      {"song $5\n", "ERROR- Invalid music block label in : c.txt,1\n"},
      {"song 256\n", "ERROR- Music block priority out of range in : c.txt,1\n"},
      {"a 1\n{\n}\nb 2\n", "ERROR- Second main block declaration in : c.txt,4\n"},
      {"a\n{\n}\na\n", "ERROR- Block already defined with label : a in : c.txt,4\n"},
      {"a\n{\nwait 1\n", kEnd + "4\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, ErrorsOf(c.text)) << c.text;
}

}  // namespace
}  // namespace psgc

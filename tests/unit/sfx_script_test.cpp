// Instrument and sound-effect scripts that fail, with the exact lines they
// print on standard error, in order.
#include <gtest/gtest.h>

#include <string>

#include "sfx/instrument_script.h"

namespace psgc {
namespace {

std::string ErrorsOf(const std::string& text, bool sfxMode) {
  Diagnostics diag = Diagnostics::Capturing();
  InstrumentTable table;
  ScriptReader reader(text);
  EXPECT_FALSE(ParseInstrumentScript(table, diag, reader, "t.txt", sfxMode)) << text;
  return diag.captured_err();
}

const std::string kEnd = "ERROR- Unexpected end of instrument/sfx in : t.txt,";

TEST(InstrumentScript, RefusedStructure) {
  const struct {
    bool sfxMode;
    const char* text;
    std::string want;
  } cases[] = {
      {true, "a 1\n{\n}\nb $5\n", "ERROR- Invalid instrument/sfx label in : t.txt,4\n"},
      {true, "a 255\n{\n}\nb 256\n", "ERROR- Priority out of range in : t.txt,4\n"},
      {false, "a 300\n", "ERROR- Priority out of range in : t.txt,1\n"},
      {false, "a 10\n", "ERROR- Priority assigned to instrument in : t.txt,1\n"},
      {true, "a 1 2\n", "ERROR- Garbage at end of line in : t.txt,1\n" + kEnd + "1\n"},
      {true, "a\n{\n}\nA\n{\n}\na\n",
       "ERROR- Instrument/sfx already defined with label : a in : t.txt,7\n"},
      {true, "a\n\n}\n", "ERROR- Invalid command : } in : t.txt,3\n" + kEnd + "3\n"},
      {true, "a\n{\n{\n}\n", kEnd + "5\n"},
      {true, "a\n{\n}\n}\n", kEnd + "5\n"},  // "}" labels a new definition
      {true, "a\n{\nnoise\nwait 2\n",
       "ERROR- Flow command outside of script header : wait in : t.txt,4\n" + kEnd + "4\n"},
      {true, "a\n{\n{\n}\n{\n}\n{\n}\n{\n}\n{\n}\n{\n}\nvolume 1\n",
       "ERROR- Sound effect has too many channels in : t.txt,15\n" + kEnd + "15\n"},
      {true, "a\n{\nnoise\n{\n}\nno\n{\n}\nnoise\n}\n",
       "ERROR- Sound effect has more than two noise channels : a in : t.txt,10\n" + kEnd + "10\n"},
      {false, "a\n{\n{\n}\n{\n",
       "ERROR- Instrument uses more than one channel in : t.txt,5\n" + kEnd + "5\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, ErrorsOf(c.text, c.sfxMode)) << c.text;
}

// Each line stands alone in a channel body, as line 4 of its script.
TEST(InstrumentScript, RefusedCommands) {
  const std::string syntax = "ERROR- Invalid command syntax in : t.txt,4\n";
  const std::string range = "ERROR- Value out of range\n" + syntax;
  const std::string zeros31 = " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
  const struct {
    bool sfxMode;
    std::string line;
    std::string want;  // before the unexpected-end line
  } cases[] = {
      {true, "sample", syntax},
      {true, "sample 256", range},
      {true, "s -1", range},
      {true, "sample x12", "ERROR- Unable to parse numeric : x12\n" + syntax},
      {true, "loop 128", range},
      {true, "l -129", range},
      {true, "wait -1", range},
      {true, "frequency 1 .5", "ERROR- Unable to parse numeric : .5\n" + syntax},
      {true, "wave" + zeros31, "ERROR- Waveform has less than 32 samples, saw 31 in : t.txt,4\n" + syntax},
      {true, "wave" + zeros31 + " 33", range},
      {true, "wave" + zeros31 + " 1.5", range},
      {true, "wave" + zeros31 + " 0 0", "ERROR- Garbage at end of line in : t.txt,4\n"},
      {true, "tuning -2", range},
      {false, "tuning -2", range},
      {true, "tuning 2", "ERROR- Tuning assigned for sound effect : x in : t.txt,4\n" + syntax},
      {false, "t abc", syntax},
      {false, "tuning 1e999", range},
      {false, "tuning nan", range},
      {true, "noteoff", "ERROR- Note off assigned for sound effect : x in : t.txt,4\n" + syntax},
      {true, "Wave", "ERROR- Invalid command : Wave in : t.txt,4\n"},
      {true, "{", "ERROR- Invalid command : { in : t.txt,4\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.want + kEnd + "4\n", ErrorsOf("x\n{\n{\n" + c.line + "\n}\n}\n", c.sfxMode))
        << c.line;
  }
}

// The 256th label line is checked like any other before the count.
TEST(InstrumentScript, CountLimitAfterLabelChecks) {
  std::string full;
  for (int i = 0; i < 255; ++i) full += "s" + std::to_string(i) + "\n{\n}\n";
  const std::string tooMany = "ERROR- Too many instruments/sfx (max is 255) in : t.txt,766\n";
  EXPECT_EQ(tooMany, ErrorsOf(full + "x\n", false));
  EXPECT_EQ(tooMany, ErrorsOf(full + "x 1\n", true));
  EXPECT_EQ("ERROR- Priority out of range in : t.txt,766\n", ErrorsOf(full + "x 256\n", true));
  EXPECT_EQ("ERROR- Instrument/sfx already defined with label : s7 in : t.txt,766\n",
            ErrorsOf(full + "s7\n", true));
}

}  // namespace
}  // namespace psgc

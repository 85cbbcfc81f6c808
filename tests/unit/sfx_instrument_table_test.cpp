// The instrument table block of a MUS binary, and the lookups that the
// music compiler makes in an instrument script's table.
#include <gtest/gtest.h>

#include <string>

#include "sfx/instrument_script.h"
#include "sfx/sfx_binary.h"

namespace psgc {
namespace {

struct Compiled {
  Diagnostics diag = Diagnostics::Capturing();
  InstrumentTable table;
  ByteBuffer block;
  uint32_t count = 99;
};

void Compile(Compiled& c, const std::string& text) {
  ScriptReader reader(text);
  ASSERT_TRUE(ParseInstrumentScript(c.table, c.diag, reader, "i.txt", false));
  ASSERT_TRUE(BuildInstrumentTable(c.table, c.diag, c.block, c.count));
}

// A note-off pointer is the block offset of the byte played on release;
// without `noteoff` it points just past the instrument's bytes.
TEST(InstrumentTable, NoteOffPointsIntoTheBlock) {
  Compiled c;
  Compile(c, "a\nvolume 31\n{\nwait 5\nnoteoff\nend\n}\nb\n{\n{\nn\ne\n}\n}\nc\n{\n{\nend\n}\n}\n");
  EXPECT_EQ(ByteBuffer({0x0C, 0, 0, 0, 0x17, 0, 0, 0, 0x1C, 0, 0, 0,              // records
                        0x16, 0, 0, 0, 0x08, 0x1F, 0, 0, 0x01, 0x05, 0x00,     // a
                        0x1B, 0, 0, 0, 0x00,                                   // b
                        0x21, 0, 0, 0, 0x00}),                                 // c
            c.block);
  EXPECT_EQ(3u, c.count);
  EXPECT_EQ("A total of 3 instruments were found\nThe current instrument table is : 33 bytes\n",
            c.diag.captured_out());
}

TEST(InstrumentTable, EmptyScript) {
  Compiled c;
  Compile(c, "; no instruments\n");
  EXPECT_TRUE(c.block.empty());
  EXPECT_EQ(0u, c.count);
  EXPECT_EQ("The current instrument table is empty\n", c.diag.captured_out());
}

TEST(InstrumentTable, Lookups) {
  Compiled c;
  Compile(c, "hiss\n{\n{\nnoise\n}\n}\nbell\ntuning 64\n{\n}\n");
  EXPECT_EQ(0, FindInstrument(c.table, "hiss"));
  EXPECT_EQ(1, FindInstrument(c.table, "bell"));
  EXPECT_EQ(-1, FindInstrument(c.table, "Bell"));
  ASSERT_EQ(2u, c.table.records.size());
  EXPECT_TRUE(c.table.records[0].channels[0].noise);
  EXPECT_EQ(-1.0, c.table.records[0].tuning);
  EXPECT_FALSE(c.table.records[1].channels[0].noise);
  EXPECT_EQ(64.0, c.table.records[1].tuning);
}

}  // namespace
}  // namespace psgc

#include "format/events.h"

#include <gtest/gtest.h>

#include <cstring>

#include "format/layout.h"

namespace psgc::format {
namespace {

const EventRow& Row(const EventLanguage& language, const char* name) {
  for (size_t i = 0; i < language.rowCount; ++i) {
    if (std::strcmp(language.rows[i].name, name) == 0) return language.rows[i];
  }
  ADD_FAILURE() << name;
  return language.rows[0];
}

struct Case {
  const EventLanguage* language;
  const char* name;
  int64_t values[kMaxOperands];
  uint8_t fractions[kMaxOperands];
  ByteBuffer want;
};

TEST(AppendEvent, TheBytesTheCompilersWrite) {
  const Case cases[] = {
      {&kInstrumentLanguage, "frequency", {0x1AB, 1}, {0, 5}, {0x07, 0xAB, 0x01, 0x01, 0x00, 0x05}},
      {&kInstrumentLanguage, "volume", {300, -2}, {0, 0x80}, {0x08, 0x2C, 0xFE, 0x80}},
      {&kInstrumentLanguage, "loop", {-1}, {}, {0x02, 0xFF}},
      {&kInstrumentLanguage, "wait", {600}, {}, {0x01, 0xFF, 0x01, 0xFF, 0x01, 0x5A}},
      {&kInstrumentLanguage, "end", {}, {}, {0x00}},
      {&kMusicLanguage, "end", {}, {}, {0x00, 0x00}},
      {&kMusicLanguage, "priority", {0}, {}, {0x00, 0x00}},
      {&kMusicLanguage, "pitch", {-3}, {}, {0x08, 0xFD, 0xFF, 0x00, 0x00, 0x00}},
      {&kMusicLanguage, "note", {3, 0x1AB, 300}, {}, {0x09, 0x03, 0xAB, 0x01, 0x02, 0xFF, 0x02, 0x2D}},
      {&kMusicLanguage, "note", {3, 0, 0}, {}, {0x09, 0x03, 0x00, 0x00}},
      {&kMusicLanguage, "rest", {0}, {}, {0x0A}},
      {&kMusicLanguage, "rest", {10}, {}, {0x0A, 0x02, 0x0A}},
      {&kMusicLanguage, "wait", {256}, {}, {0x02, 0xFF, 0x02, 0x01}},
      {&kMusicLanguage, "call", {0x2345}, {}, {0x05, 0x45, 0x03, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    EventOperands operands;
    for (size_t i = 0; i < kMaxOperands; ++i) {
      operands.value[i] = c.values[i];
      operands.fraction[i] = c.fractions[i];
    }
    Diagnostics diag = Diagnostics::Capturing();
    ByteBuffer out;
    uint64_t offset = 0;
    ASSERT_TRUE(AppendEvent(diag, {out, offset, kMaxOutputSize}, *c.language, Row(*c.language, c.name), operands));
    EXPECT_EQ(out, c.want) << c.name;
    EXPECT_EQ(offset, c.want.size()) << c.name;
  }
}

TEST(EncodeEvent, WaveCarriesItsThirtyTwoSamples) {
  uint8_t samples[kWaveSamples];
  for (uint8_t i = 0; i < kWaveSamples; ++i) samples[i] = i;
  EventOperands operands;
  operands.samples = samples;
  uint8_t out[kMaxEventSize];
  ASSERT_EQ(EncodeEvent(kInstrumentLanguage, Row(kInstrumentLanguage, "wave"), operands, out), 33u);
  EXPECT_EQ(out[0], 0x04);
  EXPECT_EQ(out[32], 31);
}

TEST(EncodeBankPointer, BankEdges) {
  const struct { uint32_t offset; BankPointer want; } cases[] = {
      {44, {0x2C, 0, 0, 0}},       {0x2345, {0x45, 0x03, 0x01, 0}}, {262144, {0, 0, 0, 1}},
      {0x1FFF, {0xFF, 0x1F, 0, 0}}, {0x2000, {0, 0, 1, 0}},         {0x2008, {0x08, 0, 1, 0}},
      {0x3FFFFFF, {0xFF, 0x1F, 0x1F, 0xFF}}};
  for (const auto& c : cases) EXPECT_EQ(EncodeBankPointer(c.offset), c.want) << c.offset;
}

// A wait of `duration` appended at `offset` of an output limited to
// `limit` bytes: the pairs below the limit are kept, the rest only counted.
TEST(AppendWait, PairsOfAtMost255CutAtTheLimit) {
  const struct { uint32_t duration; uint64_t offset; ByteBuffer want; } cases[] = {
      {0, 1, {}},
      {1, 1, {0x02, 0x01}},
      {255, 1, {0x02, 0xFF}},
      {256, 1, {0x02, 0xFF, 0x02, 0x01}},
      {510, 1, {0x02, 0xFF, 0x02, 0xFF}},
      {600, 1, {0x02, 0xFF, 0x02, 0xFF, 0x02, 0x5A}},
      {600, 4, {0x02, 0xFF, 0x02}},  // three bytes below the limit of 7
      {600, 2, {0x02, 0xFF, 0x02, 0xFF, 0x02}},
      {600, 7, {}},
      {600, 9, {}},
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    ByteBuffer bytes = {0xAA};
    uint64_t offset = c.offset;
    ASSERT_TRUE(AppendWait(diag, {bytes, offset, 7}, 0x02, c.duration));
    ByteBuffer want = {0xAA};
    want.insert(want.end(), c.want.begin(), c.want.end());
    EXPECT_EQ(bytes, want) << c.duration << " at " << c.offset;
    EXPECT_EQ(offset, c.offset + WaitPairsSize(c.duration)) << c.duration;
  }
  EXPECT_EQ(WaitPairsSize(600), 6u);
  EXPECT_EQ(WaitPairsSize(2147483647), 16843010u);
}

TEST(DecodeBankPointer, ReadsWhatEncodeBankPointerWritesAndRefusesTheRest) {
  for (uint32_t offset : {0u, 44u, 0x1FFFu, 0x2000u, 0x2345u, 262144u, 0x3FFFFFFu}) {
    const BankPointer p = EncodeBankPointer(offset);
    uint32_t back = 0;
    ASSERT_TRUE(DecodeBankPointer(p.data(), back));
    EXPECT_EQ(back, offset);
  }
  uint32_t offset = 0;
  const uint8_t highOffset[] = {0x00, 0x20, 0x00, 0x00};  // in-bank offsets have 13 bits
  const uint8_t highBank[] = {0x00, 0x00, 0x20, 0x00};    // and 32 banks make a group
  EXPECT_FALSE(DecodeBankPointer(highOffset, offset));
  EXPECT_FALSE(DecodeBankPointer(highBank, offset));
}

// The message names the limit in its text; the limit itself is a format fact.
TEST(CheckOutputSize, RefusesOneByteOverTheLimitTheMessageNames) {
  Diagnostics diag = Diagnostics::Capturing();
  EXPECT_TRUE(CheckOutputSize(diag, kMaxOutputSize));
  EXPECT_FALSE(CheckOutputSize(diag, kMaxOutputSize + 1));
  EXPECT_EQ(diag.captured_err(), "ERROR- Output too large (max is " + std::to_string(kMaxOutputSize) + " bytes)\n");
}

}  // namespace
}  // namespace psgc::format

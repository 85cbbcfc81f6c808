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

TEST(EncodeEvent, TheBytesTheCompilersWrite) {
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
    ByteBuffer out;
    EncodeEvent(*c.language, Row(*c.language, c.name), operands, out);
    EXPECT_EQ(out, c.want) << c.name;
  }
}

TEST(EncodeEvent, WaveCarriesItsThirtyTwoSamples) {
  uint8_t samples[kWaveSamples];
  for (uint8_t i = 0; i < kWaveSamples; ++i) samples[i] = i;
  EventOperands operands;
  operands.samples = samples;
  ByteBuffer out;
  EncodeEvent(kInstrumentLanguage, Row(kInstrumentLanguage, "wave"), operands, out);
  ASSERT_EQ(out.size(), 33u);
  EXPECT_EQ(out[0], 0x04);
  EXPECT_EQ(out[32], 31);
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

}  // namespace
}  // namespace psgc::format

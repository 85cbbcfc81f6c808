#include "common/numeric.h"

#include <gtest/gtest.h>

#include <string>

namespace psgc {
namespace {

TEST(ParseInteger, AcceptedForms) {
  const struct { const char* text; int32_t want; } cases[] = {
      {"255", 255},          {"$FF", 255},          {"$ff", 255},
      {"%11111111", 255},    {"-1", -1},            {"12abc", 12},
      {"$1G", 1},            {"+7", 7},             {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1}, {"$-1", -1},
      {"%1111111111111111111111111111111111111111", -1},
      {"%11111111111111111111111111111111xxxxxxxx", -1},  // digits past 32 unread
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    int32_t value = 12345;
    EXPECT_TRUE(ParseInteger(diag, c.text, value)) << c.text;
    EXPECT_EQ(value, c.want) << c.text;
    EXPECT_EQ(diag.captured_err(), "") << c.text;
  }
}

TEST(ParseInteger, RefusedFormsAndTheirMessages) {
  const struct { const char* text; const char* message; } cases[] = {
      {"x12", "ERROR- Unable to parse numeric : x12\n"},
      {"$", "ERROR- Unable to parse numeric : $\n"},
      {"-", "ERROR- Unable to parse numeric : -\n"},
      {"%", "ERROR- Invalid binary value : %\n"},
      {"%102", "ERROR- Invalid binary value : %102\n"},
      {"2147483648", "ERROR- Unable to parse numeric : 2147483648\n"},
      {"-2147483649", "ERROR- Unable to parse numeric : -2147483649\n"},
      {"99999999999999999999999", "ERROR- Unable to parse numeric : 99999999999999999999999\n"},
      {"$100000000", "ERROR- Unable to parse numeric : $100000000\n"},
      {"", "ERROR- Unexpected end of source data.\n"},
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    int32_t value = 12345;
    EXPECT_FALSE(ParseInteger(diag, c.text, value)) << c.text;
    EXPECT_EQ(value, 12345) << "written on failure: " << c.text;
    EXPECT_EQ(diag.captured_err(), c.message);
    EXPECT_TRUE(diag.failed());
  }
}

TEST(ParseFixedPoint8, IntegerFieldAndFractionByte) {
  const struct { const char* text; uint16_t integer; uint8_t fraction; } cases[] = {
      {"1.128", 0x0001, 0x80},  {"2", 0x0002, 0x00},      {"1.5", 0x0001, 0x05},
      {"-1.128", 0xFFFE, 0x80}, {"-0.128", 0xFFFF, 0x80}, {"-1", 0xFFFF, 0x00},
      {"-1.0", 0xFFFF, 0x00},   {"$1.80", 0x0001, 0x80},  {"65536", 0xFFFF, 0x00},
      {"-32769", 0x8000, 0x00}, {"$", 0x0000, 0x00},      {"1.300", 0x0001, 0x2C},
      {"99999999999", 0xFFFF, 0x00},  // beyond 32 bits: clamped like any large value
      {"%11", 0x0003, 0x00},    {"%1.10000000", 0x0001, 0x80}, {"%1.1", 0x0001, 0x01},
      {"%1.", 0x0001, 0x00},    {"1.", 0x0001, 0x00},     {"3x", 0x0003, 0x00},
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    uint32_t value = 0;
    ASSERT_TRUE(ParseFixedPoint8(diag, value, c.text)) << c.text << diag.captured_err();
    EXPECT_EQ(value >> 16, c.integer) << c.text;
    EXPECT_EQ(value & 0xFFFF, c.fraction) << c.text;
  }
}

TEST(ParseFixedPoint, FullFractionAndRefusals) {
  Diagnostics diag = Diagnostics::Capturing();
  FixedPoint fixed;
  ASSERT_TRUE(ParseFixedPoint(diag, fixed, "1.300"));
  EXPECT_EQ(fixed.integer, 1);
  EXPECT_EQ(fixed.fraction, 300);
  for (const char* bad : {"1.-5", ".5", "", "x", "$.", "%.1", "%12", "%1.2", "%1.1.1",
                          "1.99999999999", "%111111111111111111111111111111111"}) {
    Diagnostics d = Diagnostics::Capturing();
    FixedPoint untouched{7, 7};
    EXPECT_FALSE(ParseFixedPoint(d, untouched, bad)) << bad;
    EXPECT_EQ(d.captured_err(), std::string("ERROR- Unable to parse numeric : ") + bad + "\n");
    EXPECT_EQ(untouched.integer, 7);
  }
}

TEST(ScanDecimal, ReadsLikePercentD) {
  EXPECT_EQ(ScanDecimal("12abc").value, 12);
  EXPECT_EQ(ScanDecimal("0x10").value, 0);
  EXPECT_EQ(ScanDecimal("\r7").value, 7);  // leading white space is skipped
  EXPECT_FALSE(ScanDecimal("$5").ok);
  EXPECT_FALSE(ScanDecimal("-").ok);
  EXPECT_TRUE(ScanDecimal("4294967296").overflow);
  double real = 0;
  EXPECT_TRUE(ScanReal("31.5x", real));
  EXPECT_DOUBLE_EQ(real, 31.5);
  EXPECT_FALSE(ScanReal("$20", real));
}

// What the number warning sees: how many characters each reader used; the
// rest of the token was ignored.
TEST(NumericReaders, CharactersUsed) {
  const struct { const char* text; size_t integer; size_t fixed; } cases[] = {
      {"12", 2, 2},        {"12abc", 2, 2},     {"$1Fz", 3, 3},     {"$1F.8g", 3, 5},
      {"-1.128", 2, 6},    {"1.", 1, 1},        {"1.5x", 1, 3},     {"$0x1F", 5, 5},
      {"%101", 4, 4},      {"+7th", 2, 2},
      {"%11111111111111111111111111111111xx", 33, 0},  // fixed refuses it
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    int32_t value = 0;
    size_t used = 99;
    ASSERT_TRUE(ParseInteger(diag, c.text, value, &used)) << c.text;
    EXPECT_EQ(used, c.integer) << c.text;
    if (c.fixed == 0) continue;
    FixedPoint fixed;
    used = 99;
    ASSERT_TRUE(ParseFixedPoint(diag, fixed, c.text, &used)) << c.text;
    EXPECT_EQ(used, c.fixed) << c.text;
  }
  uint8_t priority = 0;
  size_t used = 0;
  EXPECT_EQ(ReadPriority("7x", priority, &used), PriorityRead::Ok);
  EXPECT_EQ(used, 1u);
  double real = 0;
  EXPECT_TRUE(ScanReal("32.5e1x", real, &used));
  EXPECT_EQ(used, 6u);
}

TEST(NumericReaders, WarningNamesWhatWasRead) {
  Diagnostics diag = Diagnostics::Capturing();
  WarningSet set;
  set.on.set(static_cast<size_t>(Warning::Number));
  diag.SetWarnings(set);
  WarnIgnoredCharacters(diag, "12", 2, {"a.txt", 1});
  WarnIgnoredCharacters(diag, "$FFx", 3, {"a.txt", 2});
  EXPECT_EQ(diag.captured_err(),
            "WARNING- Trailing characters ignored : $FFx read as $FF in : a.txt,2 [-Wnumber]\n");
}

// Only decimal fractions of one or two digits, not all zero, are flagged;
// the text says what was read and how the decimal reading is written.
TEST(NumericReaders, ShortFractionWarning) {
  const struct { const char* token; const char* what; } cases[] = {
      {"0.5", "0.5 is 0 and 5/256; 0.5 as a decimal is 0.128"},
      {"31.25", "31.25 is 31 and 25/256; 31.25 as a decimal is 31.64"},
      {"-1.75x", "-1.75 is -1 and 75/256; -1.75 as a decimal is -1.192"},
      {"0.05", "0.05 is 0 and 5/256; 0.05 as a decimal is about 0.13"},
      {"2.99", "2.99 is 2 and 99/256; 2.99 as a decimal is about 2.253"},
      {"0.128", nullptr}, {"0.016", nullptr}, {"1.0", nullptr}, {"1.00", nullptr},
      {"7", nullptr},     {"7.", nullptr},    {"$1.8", nullptr}, {"%1.1", nullptr},
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    WarningSet set;
    set.on.set(static_cast<size_t>(Warning::Fraction));
    diag.SetWarnings(set);
    WarnShortFraction(diag, c.token, {"fx.txt", 4});
    const std::string want = c.what == nullptr ? "" : std::string("WARNING- Fraction counts 256ths : ") + c.what +
                                                          " in : fx.txt,4 [-Wfraction]\n";
    EXPECT_EQ(want, diag.captured_err()) << c.token;
  }
}

}  // namespace
}  // namespace psgc

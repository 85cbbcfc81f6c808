#include "music/notes.h"

#include <gtest/gtest.h>

#include <limits>

namespace psgc {
namespace {

uint16_t Period(const char* token, double tuning, bool noise) {
  Diagnostics diag = Diagnostics::Capturing();
  double frequency = 0.0;
  EXPECT_TRUE(ParseNote(diag, token, frequency)) << token;
  return NotePeriod(frequency, tuning, noise);
}

TEST(NotePeriod, ToneAtStandardTuning) {
  const struct { const char* token; uint16_t want; } cases[] = {
      {"a.4", 254},  {"c.4", 427},  {"bs3", 427},   {"cb4", 452},  {"cs4", 403}, {"db4", 403},
      {"e.4", 339},  {"fb4", 339},  {"es4", 320},   {"f.4", 320},  {"a.3", 508}, {"a.0", 4067},
      {"gs0", 4095}, {"a.-1", 4095}, {"c.9", 13},   {"b.9", 7},    {"a.4x", 254}, {"a.+4", 254},
      {"c.-9", 4095}, {"a.178956970", 0}};
  for (const auto& c : cases) EXPECT_EQ(Period(c.token, 32.0, false), c.want) << c.token;
}

TEST(NotePeriod, NoiseClampsAt31) {
  const struct { const char* token; uint16_t want; } cases[] = {
      {"a.4", 3}, {"a.1", 31}, {"g.1", 31}, {"as1", 29}, {"a.0", 31}, {"c.9", 0}};
  for (const auto& c : cases) EXPECT_EQ(Period(c.token, 32.0, true), c.want) << c.token;
}

TEST(NotePeriod, TuningScalesThePeriod) {
  EXPECT_EQ(Period("a.4", 64.0, false), 127);
  EXPECT_EQ(Period("a.4", 16.0, false), 508);
  // Tuning 0 divides by zero: the longest period.
  EXPECT_EQ(Period("a.4", 0.0, false), 4095);
  EXPECT_EQ(Period("a.4", 0.0, true), 31);
  // A negative tuning is an unset one: standard pitch, not silence.
  EXPECT_EQ(Period("a.4", -1.0, false), 254);
  EXPECT_EQ(Period("a.4", -1.0, true), 3);
  EXPECT_EQ(NotePeriod(440.0, std::numeric_limits<double>::quiet_NaN(), false), 0);
  EXPECT_EQ(NotePeriod(std::numeric_limits<double>::infinity(), 32.0, false), 0);
}

// The last four leave 32 bits in 12 x (octave + adjustment) or before.
TEST(ParseNote, RefusesWhatIsNoNote) {
  const char* const tokens[] = {"a4",          "A.4",         "h.4",          "a.x",
                                "a.",          "a",           "as",           "a.-",
                                "a.178956971", "bs178956970", "cb-178956970", "a.99999999999"};
  for (const char* token : tokens) {
    Diagnostics diag = Diagnostics::Capturing();
    double frequency = 1.0;
    EXPECT_FALSE(ParseNote(diag, token, frequency)) << token;
    EXPECT_EQ(diag.captured_err(), std::string("Unable to parse note : ") + token + "\n");
  }
}

// The reader stops after the octave's digits; what it read is what the
// note warning shows as played.
TEST(ParseNote, CountsWhatItRead) {
  const struct { const char* token; size_t used; } cases[] = {
      {"c.5", 3}, {"c.5x", 3}, {"bs4abc", 3}, {"a.-1", 4}, {"a.-1.5", 4}, {"cs10,", 4}, {"g.+3", 4},
  };
  for (const auto& c : cases) {
    Diagnostics diag = Diagnostics::Capturing();
    double frequency = 0.0;
    size_t used = 0;
    EXPECT_TRUE(ParseNote(diag, c.token, frequency, &used)) << c.token;
    EXPECT_EQ(c.used, used) << c.token;
  }
}

}  // namespace
}  // namespace psgc

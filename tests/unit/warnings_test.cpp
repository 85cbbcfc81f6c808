// Warning lines: the two shapes, the names, and what -Werror does to the
// run's outcome.
#include <gtest/gtest.h>

#include <vector>

#include "common/diagnostics.h"
#include "common/messages.h"

namespace psgc {
namespace {

TEST(Warnings, OnlyWarningsThatAreOnArePrinted) {
  Diagnostics diag = Diagnostics::Capturing();
  WarningSet set;
  set.on.set(static_cast<size_t>(Warning::PakInput));
  diag.SetWarnings(set);
  diag.Warn(Warning::PakInput, msg::kWarnPakInput, "a.txt");
  diag.WarnAt(Warning::Loop, msg::kWarnEndloopAlone, "", {"fx.txt", 3});
  EXPECT_EQ("WARNING- Pack source has no MUS mark : a.txt [-Wpak-input]\n", diag.captured_err());
  EXPECT_FALSE(diag.failed());
}

TEST(Warnings, LocatedLineAndWerror) {
  Diagnostics diag = Diagnostics::Capturing();
  WarningSet set;
  set.on.set();
  set.asErrors = true;
  diag.SetWarnings(set);
  EXPECT_FALSE(diag.failed());
  diag.WarnAt(Warning::Loop, msg::kWarnEndloopAlone, "", {"fx.txt", 3});
  EXPECT_EQ("WARNING- endloop without an open loop in : fx.txt,3 [-Wloop]\n", diag.captured_err());
  EXPECT_TRUE(diag.failed());
}

// Each -W name turns on exactly the warnings whose lines end with it;
// -Wunused is the group of both unused warnings, and so their lines' name.
TEST(Warnings, NamesAndGroups) {
  for (size_t i = 0; i < kWarningCount; ++i) {
    const Warning w = static_cast<Warning>(i);
    WarningBits named;
    ASSERT_TRUE(FindWarnings(WarningName(w), named)) << WarningName(w);
    EXPECT_TRUE(named[i]) << WarningName(w);
  }
  const struct { const char* name; std::vector<Warning> want; } cases[] = {
      {"unused", {Warning::UnusedBlock, Warning::UnusedInstrument}},
      {"unused-block", {Warning::UnusedBlock}},
      {"unused-instrument", {Warning::UnusedInstrument}},
      {"pcm-level", {Warning::PcmLevel}},
      {"fraction", {Warning::Fraction}},
  };
  for (const auto& c : cases) {
    WarningBits want;
    for (Warning w : c.want) want.set(static_cast<size_t>(w));
    WarningBits named;
    ASSERT_TRUE(FindWarnings(c.name, named)) << c.name;
    EXPECT_EQ(want, named) << c.name;
  }
  WarningBits named;
  EXPECT_FALSE(FindWarnings("all", named));
  EXPECT_FALSE(FindWarnings("", named));
  EXPECT_FALSE(FindWarnings("unused-", named));
}

// -Wall is every warning but fraction and priority, which also flag
// spellings that scripts use as meant.
TEST(Warnings, WallLeavesOutFractionAndPriority) {
  const WarningBits wall = WallWarnings();
  EXPECT_EQ(kWarningCount - 2, wall.count());
  EXPECT_FALSE(wall[static_cast<size_t>(Warning::Fraction)]);
  EXPECT_FALSE(wall[static_cast<size_t>(Warning::Priority)]);
  EXPECT_TRUE(wall[static_cast<size_t>(Warning::Note)]);
  EXPECT_TRUE(wall[static_cast<size_t>(Warning::UnusedInstrument)]);
}

}  // namespace
}  // namespace psgc

// Warning lines: the two shapes, the names, and what -Werror does to the
// run's outcome.
#include <gtest/gtest.h>

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

TEST(Warnings, NamesRoundTrip) {
  for (size_t i = 0; i < kWarningCount; ++i) {
    Warning w;
    ASSERT_TRUE(FindWarning(WarningName(static_cast<Warning>(i)), w));
    EXPECT_EQ(i, static_cast<size_t>(w));
  }
  Warning w;
  EXPECT_FALSE(FindWarning("all", w));
  EXPECT_FALSE(FindWarning("", w));
  EXPECT_TRUE(FindWarning("pcm-level", w));
  EXPECT_EQ(Warning::PcmLevel, w);
}

}  // namespace
}  // namespace psgc

#include "core/services/ProgressPacer.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Action = ProgressPacer::Action;

TEST(ProgressPacer, AppearsOnlyAfterHalfASecond) {
  const auto t0 = ProgressPacer::Clock::time_point{};
  ProgressPacer pacer(t0);
  EXPECT_EQ(pacer.StepIt(t0 + 100ms), Action::None);
  EXPECT_EQ(pacer.StepIt(t0 + 500ms), Action::None);
  EXPECT_FALSE(pacer.Shown());
  EXPECT_EQ(pacer.StepIt(t0 + 501ms), Action::Show);
  EXPECT_TRUE(pacer.Shown());
  EXPECT_EQ(pacer.Position(), 3);
}

TEST(ProgressPacer, RefreshesAtMostEvery150Milliseconds) {
  const auto t0 = ProgressPacer::Clock::time_point{};
  ProgressPacer pacer(t0);
  ASSERT_EQ(pacer.SetPos(10, t0 + 600ms), Action::Show);
  EXPECT_EQ(pacer.SetPos(11, t0 + 700ms), Action::None);
  EXPECT_EQ(pacer.SetPos(12, t0 + 750ms), Action::None);
  EXPECT_EQ(pacer.SetPos(13, t0 + 751ms), Action::Refresh);
  EXPECT_EQ(pacer.SetPos(14, t0 + 800ms), Action::None);
  EXPECT_EQ(pacer.SetPos(15, t0 + 902ms), Action::Refresh);
}

TEST(ProgressPacer, PercentTextOfTheRange) {
  ProgressPacer pacer(ProgressPacer::Clock::time_point{});
  EXPECT_EQ(pacer.PercentText(), "0%");
  pacer.SetRange(0, 480);
  (void)pacer.SetPos(240, {});
  EXPECT_EQ(pacer.PercentText(), "50%");
  (void)pacer.SetPos(480, {});
  EXPECT_EQ(pacer.PercentText(), "100%");
  (void)pacer.SetPos(960, {});
  EXPECT_EQ(pacer.PercentText(), "0%") << "values other than 100 wrap";
  pacer.SetRange(5, 5);
  EXPECT_EQ(pacer.PercentText(), "0%") << "an empty range divides by nothing";
}

}  // namespace
}  // namespace quillon

// Tick spacing of the camera dialog's track bars: round multiples of the
// property's step, never more than the asked number of gaps.
#include "widgets/sliderticks.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(SliderTicks, SpacingIsARoundMultipleOfTheStepWithFewGaps) {
  struct Case {
    int Minimum, Maximum, Step, Interval;
  };
  const Case cases[] = {
      {-64, 64, 1, 20},   // 129 values: a mark every twentieth
      {0, 100, 2, 10},    // exactly 10 gaps
      {3, 2047, 1, 500},  // an exposure time
      {2800, 6500, 10, 500},
      {5, 5, 1, 1},     // no range at all
      {0, 100, 0, 10},  // a step of 0 counts as 1
      {INT_MIN, INT_MAX, 1, 500000000},
  };
  for (const Case& c : cases) {
    const int interval = ReadableTickInterval(c.Minimum, c.Maximum, c.Step);
    EXPECT_EQ(interval, c.Interval) << c.Minimum << ".." << c.Maximum << " by " << c.Step;
    const long long gaps = (static_cast<long long>(c.Maximum) - c.Minimum) / interval;
    EXPECT_LE(gaps, 10) << c.Minimum << ".." << c.Maximum;
  }
  EXPECT_EQ(ReadableTickInterval(0, 128, 1, 4), 50);
}

}  // namespace

#include <gtest/gtest.h>

#include <limits>

#include "editing/PointEditing.h"

using namespace dv;

namespace {
TuArray Telemetry(std::initializer_list<float> times) {
  TuArray a;
  for (float t : times) a.Add(TuPoint{t, -20, 50, false, false, false});
  return a;
}
TSelectedRange Rows(int start, int end) { return {1, 2, start, end}; }
}  // namespace

TEST(ToggleTelemetry, FlipsEachFlagOnItsOwnAndTwiceRestores) {
  TuArray a = Telemetry({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  a[11].TExcluded = true;  // mixed states flip point by point
  a[12].T = -99.9f;        // flagged on reading: the temperature stays excluded
  a[12].TExcluded = a[12].UExcluded = true;
  a[13].U = 100;
  ASSERT_TRUE(ToggleTelemetry(a, Rows(10, 13)));
  EXPECT_TRUE(a[10].TExcluded && a[10].UExcluded);
  EXPECT_FALSE(a[11].TExcluded);
  EXPECT_TRUE(a[11].UExcluded);
  EXPECT_TRUE(a[12].TExcluded);
  EXPECT_FALSE(a[12].UExcluded);
  EXPECT_TRUE(a[13].TExcluded);
  EXPECT_FALSE(a[13].UExcluded);  // humidity 100 cannot be toggled
  ToggleTelemetry(a, Rows(10, 13));
  EXPECT_FALSE(a[10].TExcluded || a[10].UExcluded);
  EXPECT_TRUE(a[11].TExcluded && !a[11].UExcluded);
  EXPECT_TRUE(a[12].TExcluded && a[12].UExcluded);

  // A reversed range changes nothing but still counts as given; row 0 does not.
  EXPECT_TRUE(ToggleTelemetry(a, Rows(5, 4)));
  EXPECT_FALSE(a[4].TExcluded || a[5].TExcluded);
  EXPECT_FALSE(ToggleTelemetry(a, Rows(0, 3)));
  EXPECT_FALSE(ToggleTelemetry(a, TSelectedRange{}));
}

TEST(ToggleCoordinates, NoValueTest) {
  CrdArray c;
  for (int i = 0; i < 5; ++i) c.Add(CrdPoint{double(i), -999, -999, -999, false, i == 3});
  EXPECT_FALSE(ToggleCoordinates(c, Rows(0, 2)));
  ASSERT_TRUE(ToggleCoordinates(c, Rows(2, 3)));
  EXPECT_TRUE(c[2].Excluded);
  EXPECT_FALSE(c[3].Excluded);
  // A reversed range down to the launch point is usable (the file is marked) but
  // flips nothing.
  EXPECT_TRUE(ToggleCoordinates(c, Rows(2, 0)));
  EXPECT_TRUE(c[2].Excluded);
  EXPECT_FALSE(ToggleCoordinates(c, Rows(2, -1)));
}

TEST(TimeFailure, TheWorkedExample) {
  // Rows 1-5: 100, 101, 102, 101.5, 102.5.
  TuArray a = Telemetry({0, 100, 101, 102, 101.5f, 102.5f});
  const auto f = FindTimeFailure(a, 4);
  ASSERT_TRUE(f);
  EXPECT_DOUBLE_EQ(f->step, 1.0);
  EXPECT_DOUBLE_EQ(f->proposed, 103.0);
  TuArray accepted = Telemetry({0, 100, 101, 102, 101.5f, 102.5f});
  ShiftTimesFrom(accepted, 4, f->proposed - f->current);
  EXPECT_FLOAT_EQ(accepted[4].Time, 103.0f);
  EXPECT_FLOAT_EQ(accepted[5].Time, 104.0f);
  EXPECT_TRUE(accepted[4].TimeCorrected && accepted[5].TimeCorrected);
  EXPECT_FALSE(accepted[3].TimeCorrected);
  // Cancel moves the tail by the previous interval.
  ShiftTimesFrom(a, 4, f->step);
  EXPECT_FLOAT_EQ(a[4].Time, 102.5f);
  EXPECT_FLOAT_EQ(a[5].Time, 103.5f);

  TuArray b = Telemetry({0, 100, 101, 102, 101.5f, 102.5f});
  EXPECT_FALSE(FindTimeFailure(b, 3));  // the time at row 3 does advance
  EXPECT_FALSE(FindTimeFailure(b, 2));  // too early
  EXPECT_FALSE(FindTimeFailure(b, 99));
  TuArray equal = Telemetry({0, 100, 102, 102});
  EXPECT_TRUE(FindTimeFailure(equal, 3));  // a time that stands still is a failure too
  TuArray back = Telemetry({0, 100, 99, 98});
  EXPECT_FALSE(FindTimeFailure(back, 3));  // the previous interval runs backwards
}

TEST(TimeFailure, ShiftsThatDoNotFitThePointAreTold) {
  TuArray tu = Telemetry({0, 100, 101, 3e38f});
  EXPECT_TRUE(ShiftFits(tu, 1, 300));
  EXPECT_FALSE(ShiftFits(tu, 1, 1e38));          // 4e38 is beyond a float
  EXPECT_TRUE(ShiftFits(tu, 1, -1e38));
  EXPECT_TRUE(ShiftFits(tu, 4, 1e300));          // nothing from row 4 on
  EXPECT_FALSE(ShiftFits(tu, 0, std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(ShiftFits(tu, 0, std::numeric_limits<double>::quiet_NaN()));
  CrdArray crd;
  crd.Add(CrdPoint{0, 150, 0, 0, false, false});
  crd.Add(CrdPoint{1e308, 150, 0, 0, false, false});
  EXPECT_TRUE(ShiftFits(crd, 0, 1e307));
  EXPECT_FALSE(ShiftFits(crd, 0, 1e308));         // infinite
  EXPECT_TRUE(ShiftFits(crd, 0, 1e38));           // a double holds what a float does not
}

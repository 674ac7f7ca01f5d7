#include "wind/Wind.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>

#include "SampleAscent.h"
#include "charts/Derived.h"
#include "flight/PointFiles.h"

namespace {

constexpr double kDeg = 180.0 / std::numbers::pi;

// The radar's view of a balloon at east x, north y and height z (m) from the
// radar, inverting the charts' formulas exactly.
dv::CrdPoint SeenAt(double t, double x, double y, double z) {
  const double across = std::hypot(x, y);
  const double up = z - across * across * dv::kHeightCurvature;
  dv::CrdPoint p;
  p.Time = t;
  p.SR = std::hypot(across, up);
  p.El = std::atan2(up, across) * kDeg;
  p.Az = std::fmod(std::atan2(x, y) * kDeg + 360.0, 360.0);
  return p;
}

double AngleBetween(double a, double b) {
  const double d = std::fabs(a - b);
  return std::min(d, 360 - d);
}

dv::CrdArray Track(int n, double u, double v, double w) {
  dv::CrdArray crd(n);
  for (int i = 0; i < n; ++i) crd.Add(SeenAt(i, 2000 + u * i, 1000 + v * i, 50 + w * i));
  return crd;
}

TEST(WindTest, HandWorkedDirectionsAndSpeeds) {
  struct Case {
    double u, v, from;
  };
  // Drifting east means a wind from the west, and so on round.
  for (const Case c : {Case{10, 0, 270}, Case{0, 10, 180}, Case{-10, 0, 90}, Case{0, -10, 0}, Case{7, 7, 225}}) {
    const auto wind = dv::ComputeWind(Track(301, c.u, c.v, 5), {});
    ASSERT_FALSE(wind.empty());
    for (const dv::WindPoint& p : wind) {
      EXPECT_NEAR(p.u, c.u, 1e-6);
      EXPECT_NEAR(p.v, c.v, 1e-6);
      EXPECT_NEAR(p.w, 5, 1e-6);
      EXPECT_NEAR(p.speed, std::hypot(c.u, c.v), 1e-6);
      EXPECT_NEAR(AngleBetween(p.direction, c.from), 0, 1e-6) << c.u << " " << c.v;
    }
  }
  EXPECT_EQ(dv::WindFrom(0, 0), 0);
  EXPECT_NEAR(dv::WindFrom(1e-9, -1), 360, 1e-6);  // a hair west of north
  EXPECT_LT(dv::WindFrom(1e-9, -1), 360);
  EXPECT_GE(dv::WindFrom(-1e-9, -1), 0);
}

TEST(WindTest, TheWindowNeedsPointsOnBothSidesAndNoGap) {
  // Only points with 3 others on each side within 30 s get a value.
  const auto wind = dv::ComputeWind(Track(301, 10, 0, 5), {});
  ASSERT_EQ(wind.size(), 301u - 6);
  EXPECT_EQ(wind.front().row, 3);
  EXPECT_EQ(wind.back().row, 297);
  EXPECT_TRUE(dv::ComputeWind(Track(6, 10, 0, 5), {}).empty());  // too few points
  // A 46-s gap (rows 100..144 excluded): no window holds it, and the points
  // next to it lack 3 neighbours on one side; the curve has a gap there.
  dv::CrdArray crd = Track(301, 10, 0, 5);
  for (int i = 100; i < 145; ++i) crd[i].Excluded = true;
  std::vector<int> rows;
  for (const dv::WindPoint& p : dv::ComputeWind(crd, {})) rows.push_back(p.row);
  for (int row : rows) EXPECT_TRUE(row <= 96 || row >= 148) << row;
  EXPECT_NE(std::find(rows.begin(), rows.end(), 96), rows.end());
  EXPECT_NE(std::find(rows.begin(), rows.end(), 148), rows.end());
  // A narrower window bridges less: with 100 s the gap is within half of it.
  EXPECT_GT(dv::ComputeWind(crd, {100}).size(), rows.size());
  // Marks and times that do not advance take no part.
  crd = Track(301, 10, 0, 5);
  crd[150].SR = -999;
  crd[152].Time = crd[151].Time;
  for (const dv::WindPoint& p : dv::ComputeWind(crd, {})) {
    EXPECT_NE(p.row, 150);
    EXPECT_NE(p.row, 152);
    EXPECT_NEAR(p.u, 10, 1e-6);
  }
}

TEST(WindTest, ASingleBadPointMakesASpikeThatExclusionTakesAway) {
  dv::CrdArray crd = Track(301, 10, 0, 5);
  crd[150].SR += 1000;  // a range 1 km off, as a radar that loses lock gives
  double worst = 0;
  for (const dv::WindPoint& p : dv::ComputeWind(crd, {})) worst = std::max(worst, std::fabs(p.speed - 10));
  EXPECT_GT(worst, 0.5);
  crd[150].Excluded = true;
  for (const dv::WindPoint& p : dv::ComputeWind(crd, {})) EXPECT_NEAR(p.speed, 10, 1e-6);
}

TEST(WindTest, TheSampleFlightGivesTheWindItWasMadeWith) {
  // The main sample as the generator made it: its settings and its file.
  dvtools::AscentSettings s;
  s.seed = 20251014;
  s.points = 7201;
  const auto truth = dvtools::SimulateAscent(s);
  dv::CrdArray crd(7201);
  dv::ReadCrd(std::string(DEVIRARAV_EXAMPLES) + "/20251014-1130.crd", crd);
  ASSERT_EQ(crd.Count(), 7201);
  const dv::WindSettings settings;
  double speed2 = 0, dir2 = 0;
  int n = 0;
  for (const dv::WindPoint& p : dv::ComputeWind(crd, settings)) {
    if (p.height < 1000) continue;
    // The wind of the steps inside the window, averaged: what a track can show.
    double u = 0, v = 0;
    int k = 0;
    for (const auto& a : truth)
      if (a.time > p.time - settings.window / 2 && a.time <= p.time + settings.window / 2) {
        u += a.windEast, v += a.windNorth, ++k;
      }
    u /= k, v /= k;
    const double speed = std::hypot(u, v);
    if (speed <= 5) continue;
    speed2 += (p.speed - speed) * (p.speed - speed);
    const double d = AngleBetween(p.direction, dv::WindFrom(u, v));
    dir2 += d * d;
    ++n;
  }
  ASSERT_GT(n, 5000);
  const double speedRms = std::sqrt(speed2 / n), dirRms = std::sqrt(dir2 / n);
  RecordProperty("speed_rms", std::to_string(speedRms));
  RecordProperty("direction_rms", std::to_string(dirRms));
  EXPECT_LT(speedRms, 0.5);
  EXPECT_LT(dirRms, 5.0);
}

TEST(WindTest, WindowFromTheSettingsFile) {
  const std::string file = testing::TempDir() + "wind.CNF";
  const auto windowOf = [&](const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    return dv::ReadWindSettings(file).window;
  };
  EXPECT_EQ(windowOf("[WIND]\r\nWindow=90\r\n"), 90);
  EXPECT_EQ(windowOf("[wind]\r\nwindow = 120.5\r\n"), 120.5);
  EXPECT_EQ(windowOf("[WIND]\r\nWindow=5\r\n"), 60);  // too short to fit a line
  EXPECT_EQ(windowOf("[WIND]\r\nWindow=abc\r\n"), 60);
  EXPECT_EQ(windowOf(""), 60);
  EXPECT_EQ(dv::ReadWindSettings(testing::TempDir() + "none.CNF").window, 60);
}

}  // namespace

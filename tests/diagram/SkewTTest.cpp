#include "diagram/SkewT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "TestSupport.h"
#include "thermo/Thermo.h"

using namespace dv;
using namespace dv::diagram;

namespace {

// A plot 675 x 600 px: the default view spans −45…45 °C at 1050 hPa, isotherms at 45°.
const Rect kRect{10, 20, 675, 600};

// The temperature of a background line at pressure p, linear in ln p between its samples.
double LineAt(LineKind kind, double value, double p) {
  for (const BackgroundLine& l : BackgroundLines()) {
    if (l.kind != kind || l.value != value) continue;
    for (std::size_t i = 1; i < l.points.size(); ++i) {
      const LinePoint a = l.points[i - 1], b = l.points[i];
      if (a.p >= p && p >= b.p) return a.t + (b.t - a.t) * std::log(p / a.p) / std::log(b.p / a.p);
    }
  }
  return NAN;
}

}  // namespace

TEST(SkewT, PointsLandOnTheirPixelsAndIsothermsRiseAt45Degrees) {
  const View v = DefaultView(675, 600);
  EXPECT_NEAR(v.xMin, -45, 1e-9);
  EXPECT_NEAR(v.xMax, 45, 1e-9);
  // Pixels worked out by hand: x along the skewed scale, y along ln p.
  const double lnSpan = std::log(1050.0 / 10.0);
  struct Case {
    double t, p, x, y;
  } cases[] = {
      {0, 1050, 347.5, 620},
      {-50, 10, 10 + 75.0 / 90 * 675, 20},
      {20, 500, 10 + (20 + 80 * std::log(1050.0 / 500) / lnSpan + 45) / 90 * 675, 20 + 600 * std::log(50.0) / lnSpan},
  };
  for (const Case& c : cases) {
    const Pixel px = ToPixel(c.t, c.p, v, kRect);
    EXPECT_NEAR(px.x, c.x, 1e-6) << c.t << " " << c.p;
    EXPECT_NEAR(px.y, c.y, 1e-6) << c.t << " " << c.p;
    EXPECT_NEAR(PressureAtPixel(px.y, v, kRect), c.p, 1e-9 * c.p);
    EXPECT_NEAR(TemperatureAtPixel(px.x, px.y, v, kRect), c.t, 1e-9);
  }
  // An isotherm goes as far right as it goes up on any plot wide enough; a
  // narrower one keeps the whole temperature range and steepens it.
  for (double w : {675.0, 900.0, 1800.0}) {
    const View wide = DefaultView(w, 600);
    const Rect r{0, 0, w, 600};
    const Pixel low = ToPixel(-10, 900, wide, r), high = ToPixel(-10, 200, wide, r);
    EXPECT_NEAR(high.x - low.x, low.y - high.y, 1e-6) << w;
  }
  const View narrow = DefaultView(300, 600);
  EXPECT_NEAR(narrow.xMin, -45, 1e-9);
  EXPECT_NEAR(narrow.xMax, 45, 1e-9);
}

TEST(SkewT, BackgroundLinesFollowTheirPhysics) {
  const View v = DefaultView(675, 600);
  const auto x = [&](double t, double p) { return ToPixel(t, p, v, kRect).x; };
  // The dry adiabat through 20 °C at 1000 hPa: θ = 293.15 K kept, T = θ·(p/1000)^(Rd/cp).
  const double reference = 293.15 * std::pow(0.4, 287.05 / 1004.6) - 273.15;
  EXPECT_NEAR(reference, -47.5, 0.3);
  EXPECT_NEAR(x(LineAt(LineKind::DryAdiabat, 20, 400), 400), x(reference, 400), 1.0);

  // The pseudo-adiabats against Euler steps of 0.01 hPa of the same lapse rate, written out here.
  const auto fine = [](double thetaW, double to) {
    double t = thetaW + 273.15;
    const double dp = to < 1000 ? -0.01 : 0.01;
    for (double p = 1000; (dp < 0) ? p > to + 1e-9 : p < to - 1e-9; p += dp) {
      const double es = 6.112 * std::exp(17.62 * (t - 273.15) / (243.12 + t - 273.15));
      const double rs = 0.62198 * es / (p - es);
      const double lapse =
          (287.05 * t + 2.501e6 * rs) / (p * (1004.6 + 2.501e6 * 2.501e6 * rs * 0.62198 / (287.05 * t * t)));
      t += lapse * dp;
    }
    return t - 273.15;
  };
  for (double thetaW : {-8.0, 12.0, 24.0}) {
    for (double p : {1050.0, 700.0, 500.0, 250.0}) {
      const double ref = fine(thetaW, p);
      EXPECT_NEAR(PseudoAdiabat(thetaW, p), ref, 0.05) << thetaW << " " << p;
      if (p >= 200) {
        EXPECT_NEAR(x(LineAt(LineKind::MoistAdiabat, thetaW, p), p), x(ref, p), 1.0) << thetaW << " " << p;
      }
    }
  }
  // Every curve from the diagram's foot; the pseudo-adiabats up to 200 hPa.
  for (const BackgroundLine& l : BackgroundLines()) {
    if (l.kind == LineKind::Isobar) continue;
    EXPECT_FLOAT_EQ(l.points.front().p, kPressureBottom) << l.value;
    if (l.kind == LineKind::MoistAdiabat) {
      EXPECT_FLOAT_EQ(l.points.back().p, 200) << l.value;
    }
  }
  // Saturated air cools slower than dry: 20 °C at 1000 hPa ends warmer at 500 hPa.
  EXPECT_GT(PseudoAdiabat(20, 500), (20 + 273.15) * std::pow(0.5, thermo::kKappa) - 273.15 + 20);

  // A mixing-ratio line holds its g/kg at saturation; the lines are dashed ones from 1050 to 400 hPa.
  for (double r : {0.4, 5.0, 20.0})
    for (double p : {1000.0, 600.0, 400.0})
      EXPECT_NEAR(thermo::MixingRatio(thermo::SaturationPressure(LineAt(LineKind::MixingRatio, r, p)), p), r,
                  0.01 * r)
          << r << " " << p;
  EXPECT_TRUE(std::isnan(LineAt(LineKind::MixingRatio, 5.0, 300)));
}

TEST(SkewT, BarbsCountPennantsFullAndHalfBarbs) {
  constexpr double kKnot = 1852.0 / 3600.0;
  struct Case {
    double speed;
    WindUnit unit;
    int pennants, full, half;
    bool calm;
  } cases[] = {
      {65 * kKnot, WindUnit::Knots, 1, 1, 1, false},
      {2 * kKnot, WindUnit::Knots, 0, 0, 0, true},
      {5 * kKnot, WindUnit::Knots, 0, 0, 1, false},
      {47 * kKnot, WindUnit::Knots, 0, 4, 1, false},
      {50 * kKnot, WindUnit::Knots, 1, 0, 0, false},
      {103 * kKnot, WindUnit::Knots, 2, 0, 1, false},
      {12.5, WindUnit::MetresPerSecond, 0, 2, 1, false},
      {31, WindUnit::MetresPerSecond, 1, 1, 0, false},
      {NAN, WindUnit::Knots, 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    const Barb b = BarbOf(c.speed, c.unit);
    EXPECT_EQ(b.pennants, c.pennants) << c.speed;
    EXPECT_EQ(b.full, c.full) << c.speed;
    EXPECT_EQ(b.half, c.half) << c.speed;
    EXPECT_EQ(b.calm, c.calm) << c.speed;
  }
  // The standard levels and every 50 hPa, once each, from the bottom up.
  const auto& levels = BarbPressures();
  EXPECT_EQ(levels.front(), 1000);
  EXPECT_EQ(levels.back(), 10);
  EXPECT_EQ(std::count(levels.begin(), levels.end(), 925.0), 1);
  EXPECT_EQ(std::count(levels.begin(), levels.end(), 500.0), 1);
  EXPECT_EQ(std::count(levels.begin(), levels.end(), 450.0), 1);
  EXPECT_TRUE(std::is_sorted(levels.rbegin(), levels.rend()));

  // The wind unit from the settings file.
  dvtest::TempDir dir;
  const std::string cnf = dir.file("d.CNF");
  EXPECT_EQ(ReadWindUnit(cnf), WindUnit::Knots);
  std::ofstream(cnf) << "[DIAGRAM]\r\nWindUnit=m/s\r\n";
  EXPECT_EQ(ReadWindUnit(cnf), WindUnit::MetresPerSecond);
  std::ofstream(cnf) << "[DIAGRAM]\nWindUnit=kn\n";
  EXPECT_EQ(ReadWindUnit(cnf), WindUnit::Knots);
}

TEST(SkewT, TheSoundingIsPlacedReadAndItsWindInterpolated) {
  // Points every 10 s, the pressure falling 1 % a point, a west wind growing 1 m/s a point.
  Profile profile;
  profile.pressureKnown = true;
  for (int i = 0; i < 200; ++i) {
    ProfilePoint q;
    q.row = i;
    q.time = static_cast<float>(10 * i);
    q.p = static_cast<float>(1000 * std::pow(0.99, i));
    q.H = static_cast<float>(80 * i);
    q.T = static_cast<float>(15 - 0.5 * i);
    q.windU = i == 50 ? kNoValue : static_cast<float>(i);  // a point without a wind
    q.windV = 0;
    profile.points.push_back(q);
  }
  // A 400 s gap in the radar from point 150: no pressure there.
  for (std::size_t i = 150; i < profile.points.size(); ++i) profile.points[i].time += 400;

  TuArray tu;
  for (float t : {0.0f, 5.0f, 20.0f, 1495.0f, 2300.0f, 2500.0f}) tu.Add(TuPoint{t, 0, 50, false, false, false});
  const std::vector<float> p = PressuresAtTimes(profile, tu, 1005);
  ASSERT_EQ(p.size(), 6u);
  EXPECT_FLOAT_EQ(p[0], 1005);  // the surface observation at P0
  EXPECT_NEAR(p[1], std::sqrt(1000.0 * 990.0), 0.01);  // halfway in time: halfway in ln p
  EXPECT_NEAR(p[2], 1000 * std::pow(0.99, 2), 0.01);
  EXPECT_TRUE(std::isnan(p[3]));  // in the gap
  EXPECT_NEAR(p[4], 1000 * std::pow(0.99, 190), 0.01);
  EXPECT_TRUE(std::isnan(p[5]));  // after the last point
  // Unknown P0: nothing.
  Profile none;
  for (float q : PressuresAtTimes(none, tu, NAN)) EXPECT_TRUE(std::isnan(q));

  const std::vector<BarbLevel> barbs = WindBarbs(profile);
  ASSERT_FALSE(barbs.empty());
  EXPECT_EQ(barbs.front().p, 1000);
  for (const BarbLevel& b : barbs) {
    // Interpolated in ln p: u at pressure p is ln(p/1000)/ln 0.99.
    EXPECT_NEAR(b.speed, std::log(b.p / 1000) / std::log(0.99), 1e-3) << b.p;
    if (b.speed > 0.5) {
      EXPECT_NEAR(b.direction, 270, 1e-6) << b.p;  // calm at the ground
    }
  }
  // 1000·0.99^199 ≈ 135 hPa is the top: no barb above it, every level below it has one.
  EXPECT_EQ(barbs.back().p, 150);
  EXPECT_EQ(barbs.size(), 19u);

  const Readout r = ReadoutAt(profile, 700);
  ASSERT_TRUE(r.found);
  const double f = std::log(0.7) / std::log(0.99);  // points from the ground
  EXPECT_NEAR(r.H, 80 * f, 0.01);
  EXPECT_NEAR(r.T, 15 - 0.5 * f, 1e-3);
  EXPECT_NEAR(r.speed, f, 1e-3);
  EXPECT_EQ(r.row, static_cast<int>(std::lround(f)));
  EXPECT_FALSE(ReadoutAt(profile, 1010).found);
  EXPECT_FALSE(ReadoutAt(profile, 100).found);
}

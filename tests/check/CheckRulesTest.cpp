#include "check/CheckRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <set>

#include "app/ProfileFile.h"
#include "check/CheckSettings.h"

namespace {

using dv::CheckRule;

constexpr double kDeg = 180.0 / std::numbers::pi;

// A smooth hand-made ascent, one record a second: temperature falling with
// height, humidity drying slowly, a balloon rising 5 m/s and drifting 10 m/s.
dv::TuArray CleanTu(int n) {
  dv::TuArray tu(n);
  for (int i = 0; i < n; ++i) {
    const double t = i;
    dv::TuPoint p;
    p.Time = static_cast<float>(t);
    p.T = static_cast<float>(15 - 0.0325 * t + 0.002 * std::sin(t));
    p.U = static_cast<float>(60 - 0.01 * t + 0.05 * std::sin(0.7 * t));
    tu.Add(p);
  }
  return tu;
}

dv::CrdPoint Seen(double t, double height, double across, double az) {
  dv::CrdPoint p;
  p.Time = t;
  p.SR = std::hypot(across, height);
  p.El = std::atan2(height, across) * kDeg;
  p.Az = az;
  return p;
}

dv::CrdArray CleanCrd(int n, const std::function<double(double)>& height = [](double t) { return 5 * t; }) {
  dv::CrdArray crd(n);
  for (int i = 0; i < n; ++i) crd.Add(Seen(i, height(i), 200 + 10.0 * i, 90 + 0.02 * i));
  return crd;
}

std::multiset<CheckRule> RulesOf(const std::vector<dv::Finding>& findings) {
  std::multiset<CheckRule> rules;
  for (const dv::Finding& f : findings) rules.insert(f.rule);
  return rules;
}

// The one finding of the rule; nothing when there is none or more than one.
std::optional<dv::Finding> Only(const std::vector<dv::Finding>& findings, CheckRule rule) {
  std::optional<dv::Finding> found;
  for (const dv::Finding& f : findings) {
    if (f.rule != rule) continue;
    if (found) return std::nullopt;
    found = f;
  }
  return found;
}

std::vector<dv::Finding> Check(const dv::TuArray& tu, const dv::CrdArray& crd,
                               const dv::CheckThresholds& limits = {}) {
  return dv::RunChecks(tu, crd, limits);
}

TEST(CheckRulesTest, ACleanAscentHasNoFinding) {
  EXPECT_TRUE(Check(CleanTu(1801), CleanCrd(1801)).empty());
  // Nothing to look at is no finding either, and no crash.
  EXPECT_TRUE(Check(dv::TuArray(1), dv::CrdArray(1)).empty());
  EXPECT_TRUE(Check(CleanTu(3), CleanCrd(2)).empty());
}

TEST(CheckRulesTest, TelemetrySpikesJustOverTheThresholdAndNotJustUnder) {
  const dv::CrdArray crd = CleanCrd(601);
  // A spike under its own threshold is still two steps over the jump's: the
  // jumps are kept out of this.
  dv::CheckThresholds limits;
  limits.tJump = 100;
  for (const double size : {2.05, -2.05, 1.95}) {
    dv::TuArray tu = CleanTu(601);
    tu[300].T += static_cast<float>(size);
    const auto findings = Check(tu, crd, limits);
    if (std::fabs(size) < 2) {
      EXPECT_TRUE(findings.empty()) << size;
      continue;
    }
    ASSERT_EQ(findings.size(), 1u) << size;  // the two steps of a spike are no jumps
    const dv::Finding& f = findings[0];
    EXPECT_EQ(f.rule, CheckRule::TSpike);
    EXPECT_EQ(f.file, dv::CheckFile::Tu);
    EXPECT_EQ(f.firstRow, 300);
    EXPECT_EQ(f.lastRow, 300);
    EXPECT_DOUBLE_EQ(f.firstTime, 300);
    // The median of the 11 holds the spike too, so it moves one step of the trend.
    EXPECT_NEAR(f.value, size, 0.05);
    EXPECT_EQ(f.threshold, 2.0);
  }
  // A run of three humidity points, 10.5 % off: one finding over the three rows.
  dv::TuArray tu = CleanTu(601);
  for (int i = 200; i <= 202; ++i) tu[i].U += 10.5f;
  auto findings = Check(tu, crd);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].rule, CheckRule::USpike);
  EXPECT_EQ(findings[0].firstRow, 200);
  EXPECT_EQ(findings[0].lastRow, 202);
  for (int i = 200; i <= 202; ++i) tu[i].U -= 1.0f;  // 9.5 % off
  EXPECT_TRUE(Check(tu, crd).empty());
  // A spike at the very first or last point is found too.
  tu = CleanTu(601);
  tu[1].T += 3;
  tu[600].U -= 12;
  EXPECT_EQ(RulesOf(Check(tu, crd)), (std::multiset{CheckRule::TSpike, CheckRule::USpike}));
}

TEST(CheckRulesTest, ALevelStepIsAJumpNotASpike) {
  const dv::CrdArray crd = CleanCrd(601);
  for (const double step : {1.6, 1.4}) {
    dv::TuArray tu = CleanTu(601);
    for (int i = 300; i < 601; ++i) tu[i].T += static_cast<float>(step);
    const auto findings = Check(tu, crd);
    if (step < 1.5) {
      EXPECT_TRUE(findings.empty());
      continue;
    }
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].rule, CheckRule::TJump);
    EXPECT_EQ(findings[0].firstRow, 299);
    EXPECT_EQ(findings[0].lastRow, 300);
    EXPECT_NEAR(findings[0].value, 1.6 - 0.0325, 0.01);
  }
  // Across a gap the allowed step grows with the time: 20 % in 2 s passes.
  dv::TuArray tu = CleanTu(601);
  for (int i = 300; i < 601; ++i) {
    tu[i].Time += 1;
    tu[i].U -= 20;
  }
  EXPECT_TRUE(Check(tu, crd).empty());
  for (int i = 300; i < 601; ++i) tu[i].U -= 20.5;  // 40.5 % in 2 s does not
  EXPECT_EQ(RulesOf(Check(tu, crd)), std::multiset{CheckRule::UJump});
}

TEST(CheckRulesTest, TemperatureOutsideWhatAirHolds) {
  dv::TuArray tu = CleanTu(601);
  for (int i = 0; i < 601; ++i) tu[i].T = static_cast<float>(49.0 + 0.001 * i);
  tu[100].T = 50.2f;  // over 50 °C, yet only 1.1 off its neighbours
  tu[101].T = 50.3f;
  tu[400].T = 49.9f;
  const auto findings = Check(tu, CleanCrd(601));
  const auto f = Only(findings, CheckRule::TRange);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->firstRow, 100);
  EXPECT_EQ(f->lastRow, 101);
  EXPECT_NEAR(f->value, 50.3, 1e-5);
  EXPECT_EQ(f->threshold, 50.0);
  EXPECT_EQ(RulesOf(findings), std::multiset{CheckRule::TRange});
  tu[100].T = -95.5f;  // the cold side names its own bound
  tu[101].T = 49.1f;
  const auto cold = Only(Check(tu, CleanCrd(601)), CheckRule::TRange);
  ASSERT_TRUE(cold);
  EXPECT_EQ(cold->threshold, -95.0);
  // A dead channel's ±99 is an impossible value too, even with bounds that take it in.
  dv::CheckThresholds wide;
  wide.tMin = -120, wide.tMax = 120;
  tu = CleanTu(601);
  tu[200].T = 99.0f;
  tu[300].T = -99.0f;
  const auto dead = Check(tu, CleanCrd(601), wide);
  EXPECT_EQ(RulesOf(dead), (std::multiset{CheckRule::TRange, CheckRule::TRange}));
  // Humidity beyond saturation by more than 5 %, or below zero by as much, is
  // impossible; 104.9 % is a reading near saturation like any other.
  tu = CleanTu(601);
  tu[200].U = 110.0f;
  tu[201].U = 112.0f;
  tu[300].U = 104.9f;
  tu[301].U = 104.9f;
  tu[302].U = 104.9f;
  tu[400].U = -5.5f;
  dv::CheckThresholds noSpikes;
  noSpikes.uSpike = noSpikes.uJump = 1000;
  const auto wet = Check(tu, CleanCrd(601), noSpikes);
  ASSERT_EQ(wet.size(), 2u);
  EXPECT_EQ(wet[0].rule, CheckRule::URange);
  EXPECT_EQ(wet[0].firstRow, 200);
  EXPECT_EQ(wet[0].lastRow, 201);
  EXPECT_NEAR(wet[0].value, 112, 1e-5);
  EXPECT_EQ(wet[0].threshold, 105.0);
  EXPECT_EQ(wet[1].firstRow, 400);
  EXPECT_EQ(wet[1].threshold, -5.0);
  EXPECT_EQ(dv::RemovableRows(wet[0]), (std::vector<std::pair<int, int>>{{200, 201}}));
  // Values the reader flagged (and -999 marks) stay out.
  tu[200].TExcluded = tu[200].UExcluded = tu[201].TExcluded = tu[201].UExcluded = true;
  tu[200].U = 120.0f;
  EXPECT_EQ(RulesOf(Check(tu, CleanCrd(601), noSpikes)), std::multiset{CheckRule::URange});
}

TEST(CheckRulesTest, AValueStuckWhileTheSondeRises) {
  const auto stuckFrom = [](int first, int last) {
    dv::TuArray tu = CleanTu(601);
    for (int i = first; i <= last; ++i) tu[i].T = tu[first].T;
    return tu;
  };
  // 60 s of one value (rows 100..160), 300 m of rise: stuck.
  auto findings = Check(stuckFrom(100, 160), CleanCrd(601));
  const auto f = Only(findings, CheckRule::TStuck);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->firstRow, 100);
  EXPECT_EQ(f->lastRow, 160);
  EXPECT_EQ(f->value, 60.0);
  EXPECT_FALSE(Only(Check(stuckFrom(100, 159), CleanCrd(601)), CheckRule::TStuck));  // 59 s
  // The same minute while the radar sees the sonde hold its height is no fault.
  const dv::CrdArray level = CleanCrd(601, [](double t) { return t < 100 ? 5 * t : t < 160 ? 500 + 0.5 * (t - 100) : 530 + 5 * (t - 160); });
  EXPECT_FALSE(Only(Check(stuckFrom(100, 160), level), CheckRule::TStuck));
  // A stretch from the very first point on counts the same.
  EXPECT_TRUE(Only(Check(stuckFrom(1, 61), CleanCrd(601)), CheckRule::TStuck));  // just 60 s
  // Without coordinates the time alone decides.
  EXPECT_TRUE(Only(Check(stuckFrom(100, 160), dv::CrdArray(1)), CheckRule::TStuck));
  // Humidity resting at 0 % in dry air is not stuck; at 59 % it is, and so it is
  // at exactly 100 %: a wetted or iced sensor, stepping there from 51 %.
  dv::TuArray tu = CleanTu(601);
  for (int i = 100; i <= 200; ++i) tu[i].U = 0;
  EXPECT_FALSE(Only(Check(tu, CleanCrd(601)), CheckRule::UStuck));
  for (int i = 100; i <= 200; ++i) tu[i].U = 59;
  EXPECT_TRUE(Only(Check(tu, CleanCrd(601)), CheckRule::UStuck));
  tu = CleanTu(601);
  tu[99].U = 51.0f;
  for (int i = 100; i < 601; ++i) tu[i].U = 100.0f;
  EXPECT_EQ(RulesOf(Check(tu, CleanCrd(601))), (std::multiset{CheckRule::UJump, CheckRule::UStuck}));
}

// A balloon at a steady 5 km from the radar, rising as the elevation grows.
dv::CrdArray SteadyRange(int n) {
  dv::CrdArray crd(n);
  for (int i = 0; i < n; ++i) {
    dv::CrdPoint p;
    p.Time = i;
    p.SR = 5000;
    p.El = 10 + 0.05 * i;
    p.Az = 90 + 0.02 * i;
    crd.Add(p);
  }
  return crd;
}

TEST(CheckRulesTest, SlantRangeSpikesAndJumps) {
  const dv::TuArray tu = CleanTu(601);
  EXPECT_TRUE(Check(tu, SteadyRange(601)).empty());
  for (const double size : {151.0, 149.0}) {
    dv::CrdArray crd = SteadyRange(601);
    crd[250].SR += size;
    const auto findings = Check(tu, crd);
    if (size < 150) {
      EXPECT_TRUE(findings.empty());
      continue;
    }
    // The height leaves the spike out, so nothing else is found there.
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].rule, CheckRule::SRSpike);
    EXPECT_EQ(findings[0].file, dv::CheckFile::Crd);
    EXPECT_EQ(findings[0].firstRow, 250);
    EXPECT_NEAR(findings[0].value, 151, 1e-6);
  }
  // A range growing a steady 20 m/s with radar dropouts of 30 to 266 s: the
  // change across each is a rate over its time, and no neighbour of a point
  // across a dropout takes part in its median. A temperature falling across a
  // telemetry dropout likewise.
  {
    dv::CrdArray crd = SteadyRange(1201);
    dv::TuArray tu = CleanTu(1201);
    for (int i = 0; i < 1201; ++i) crd[i].SR = 2000 + 20.0 * i, crd[i].El = 14;  // rising 4.8 m/s
    for (auto [from, to] : {std::pair{100, 130}, std::pair{300, 566}, std::pair{700, 760}, std::pair{770, 800}})
      for (int i = from; i < to; ++i) {
        crd[i].SR = crd[i].Az = crd[i].El = -999;
        crd[i].Excluded = crd[i].AzAsRead = crd[i].ElAsRead = true;
      }
    for (int i = 500; i < 530; ++i) tu.Delete(500);
    for (int i = 500; i < tu.Count(); ++i) tu[i].T -= 3;
    const auto findings = Check(tu, crd);
    for (const dv::Finding& f : findings)
      EXPECT_TRUE(f.rule == CheckRule::CrdGap || f.rule == CheckRule::TuGap)
          << dv::InfoOf(f.rule).name << " " << f.firstRow << "-" << f.lastRow << " " << f.value;
    // A spike right after a dropout is still one, held against the points after it.
    crd[566].SR += 400;
    EXPECT_TRUE(Only(Check(tu, crd), CheckRule::SRSpike));
  }
  for (const double step : {151.0, 149.0}) {
    dv::CrdArray crd = SteadyRange(601);
    for (int i = 300; i < 601; ++i) crd[i].SR += step;
    const auto f = Only(Check(tu, crd), CheckRule::SRJump);
    if (step < 150) {
      EXPECT_FALSE(f);
      continue;
    }
    ASSERT_TRUE(f);
    EXPECT_EQ(f->firstRow, 299);
    EXPECT_EQ(f->lastRow, 300);
    EXPECT_EQ(f->threshold, 150.0);
  }
}

// A sonde far out: the range growing 20 m/s from `range`, the elevation
// falling slowly, the azimuth turning, with a deterministic jitter of `jitter`
// degrees on the elevation.
dv::CrdArray FarOut(int n, double range, double jitter = 0) {
  dv::CrdArray crd(n);
  for (int i = 0; i < n; ++i) {
    dv::CrdPoint p;
    p.Time = i;
    p.SR = range + 20.0 * i;
    p.El = 12 - 0.002 * i + jitter * std::sin(i * 12.9898) * std::cos(i * 78.233);
    p.Az = 240 + 0.01 * i;
    crd.Add(p);
  }
  return crd;
}

TEST(CheckRulesTest, AngleSpikesByHowFarTheyMoveTheSonde) {
  const dv::TuArray tu = CleanTu(601);
  // At 300 s the sonde is 3,200 m out horizontally: an azimuth spike moving it
  // 105 m across the line of sight is one, 95 m is not.
  for (const double metres : {105.0, 95.0}) {
    dv::CrdArray crd = CleanCrd(601);
    const double across = crd[300].SR * std::cos(crd[300].El / kDeg);
    crd[300].Az += metres / across * kDeg;
    const auto f = Only(Check(tu, crd), CheckRule::AzSpike);
    EXPECT_EQ(f.has_value(), metres > 100) << metres;
    if (!f) continue;
    EXPECT_EQ(f->firstRow, 300);
    EXPECT_EQ(f->lastRow, 300);
    EXPECT_NEAR(f->value, metres, 1);
    EXPECT_EQ(f->threshold, 100.0);
  }
  // Two side by side make one finding.
  dv::CrdArray crd = CleanCrd(601);
  for (int i : {300, 301}) crd[i].El -= 120 / crd[i].SR * kDeg;
  auto f = Only(Check(tu, crd), CheckRule::ElSpike);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->firstRow, 300);
  EXPECT_EQ(f->lastRow, 301);
  // 0.44° at 72 km moves the sonde 550 m: found. The same angle at 1.5 km, or
  // a jitter of 8 m there, is no spike.
  crd = FarOut(601, 66000);
  crd[300].El += 0.44;
  f = Only(Check(tu, crd), CheckRule::ElSpike);
  ASSERT_TRUE(f);
  EXPECT_NEAR(f->value, 0.44 / kDeg * 72000, 25);
  crd = FarOut(601, 100);  // 1.5 km at 70 s
  crd[70].El += 0.44;
  for (int i = 80; i < 85; ++i) crd[i].El += (i % 2 ? 8 : -8) / crd[i].SR * kDeg;
  EXPECT_TRUE(Check(tu, crd).empty());
  // Far out, a track whose jitter is a few tens of metres is no string of
  // spikes: the bound rises with it, and a real spike still stands out.
  crd = FarOut(601, 60000, 0.03);
  EXPECT_TRUE(Check(tu, crd).empty());
  crd[300].El += 1.0;
  EXPECT_EQ(RulesOf(Check(tu, crd)), std::multiset{CheckRule::ElSpike});
  // An azimuth through north is no spike; a spike in the first minute is left alone.
  crd = CleanCrd(601);
  for (int i = 0; i < 601; ++i) crd[i].Az = std::fmod(357.0 + 0.02 * i, 360.0);  // north at 150 s
  crd[30].Az += 5;
  EXPECT_TRUE(Check(tu, crd).empty());
  crd[300].Az += 3;  // a spike after the turn through north is still one
  EXPECT_EQ(RulesOf(Check(tu, crd)), std::multiset{CheckRule::AzSpike});
}

TEST(CheckRulesTest, AscentRateOutsideItsBoundsAndTheHeightFalling) {
  const dv::TuArray tu = CleanTu(1201);
  const auto rated = [](double rate) {
    return [rate](double t) { return t < 400 ? 5 * t : t < 520 ? 2000 + rate * (t - 400) : 2000 + rate * 120 + 5 * (t - 520); };
  };
  for (const double rate : {12.5, 11.5, 0.9, 1.1}) {
    const auto findings = Check(tu, CleanCrd(1201, rated(rate)));
    const auto f = Only(findings, CheckRule::AscentRate);
    const bool out = rate > 12 || rate < 1;
    EXPECT_EQ(f.has_value(), out) << rate;
    if (!f) continue;
    EXPECT_EQ(f->threshold, rate > 12 ? 12.0 : 1.0);
    EXPECT_NEAR(f->value, rate, 0.1);
    // The rows named are those whose window breaks the bound, inside the stretch.
    EXPECT_GE(f->firstTime, 400);
    EXPECT_LE(f->lastTime, 520);
    EXPECT_GT(f->lastTime - f->firstTime, 40);
    EXPECT_EQ(RulesOf(findings), std::multiset{CheckRule::AscentRate});
  }
  // A range 2.6 km long for 65 rows: the shifted rows are one range finding,
  // and the false height there is no highest point for the rows after it.
  dv::CrdArray shifted = CleanCrd(1201);
  for (int i = 500; i < 565; ++i) shifted[i].SR += 2600;
  const auto findings = Check(tu, shifted);
  EXPECT_EQ(RulesOf(findings), std::multiset{CheckRule::SRJump});
  const auto jump = Only(findings, CheckRule::SRJump);
  ASSERT_TRUE(jump);
  EXPECT_EQ(jump->firstRow, 500);
  EXPECT_EQ(jump->lastRow, 564);
  EXPECT_EQ(dv::RemovableRows(*jump), (std::vector<std::pair<int, int>>{{500, 564}}));
  // An elevation spike that lifts one point 300 m is no highest point either,
  // whatever else was found before it in the file.
  dv::CrdArray lifted = CleanCrd(1201);
  lifted[300].El += 300 / lifted[300].SR * kDeg;
  lifted[400].SR += 1000;
  EXPECT_EQ(RulesOf(Check(tu, lifted)), (std::multiset{CheckRule::ElSpike, CheckRule::SRSpike}));
  // A dip 160 m below the highest height before the burst; 140 m is within.
  for (const double depth : {160.0, 140.0}) {
    // Height held, then a fall to `depth` below it, then the climb again.
    const auto fall = [depth](double t) {
      if (t < 600) return 5 * t;
      if (t < 660) return 3000 - depth * (t - 600) / 60;
      return 3000 - depth + 5 * (t - 660);
    };
    const auto f = Only(Check(tu, CleanCrd(1201, fall)), CheckRule::HeightFall);
    EXPECT_EQ(f.has_value(), depth > 150) << depth;
    if (f) {
      EXPECT_NEAR(f->value, depth, 5);
    }
  }
  // After the highest point the balloon falls: no finding.
  const auto burst = [](double t) { return t < 900 ? 5 * t : 4500 - 10 * (t - 900); };
  EXPECT_TRUE(Check(tu, CleanCrd(1201, burst)).empty());
}

TEST(CheckRulesTest, ElevationBelowTheHorizonAfterTheFirstMinute) {
  const dv::TuArray tu = CleanTu(601);
  dv::CrdArray crd = CleanCrd(601, [](double t) { return t < 100 ? -1 + 0.02 * t : 5 * t; });
  // Below the horizon up to 50 s (first minute) and again at 300 s.
  crd[300].El = -0.5;
  const auto findings = Check(tu, crd);
  const auto f = Only(findings, CheckRule::BelowHorizon);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->firstRow, 300);
  EXPECT_NEAR(f->value, -0.5, 1e-9);
}

TEST(CheckRulesTest, GapsRepeatsAndClocksParting) {
  // A gap of 10.5 s in the telemetry, 9.5 s in the coordinates (not one).
  dv::TuArray tu = CleanTu(601);
  dv::CrdArray crd = CleanCrd(601);
  for (int i = 300; i < 601; ++i) tu[i].Time += 9.5f;
  for (int i = 300; i < 601; ++i) crd[i].Time += 8.5;
  auto findings = Check(tu, crd);
  const auto gap = Only(findings, CheckRule::TuGap);
  ASSERT_TRUE(gap);
  EXPECT_EQ(gap->firstRow, 299);
  EXPECT_EQ(gap->lastRow, 300);
  EXPECT_NEAR(gap->value, 10.5, 1e-6);
  EXPECT_FALSE(Only(findings, CheckRule::CrdGap));
  EXPECT_TRUE(dv::RemovableRows(*gap).empty());  // a gap has no point to remove
  EXPECT_EQ(gap->missing, 10);  // 10.5 s at the nominal 1 s
  EXPECT_EQ(gap->expected, 12);

  // Gaps that start within a minute of the one before are told as one, with
  // the records missing over the whole stretch; the observer's exclusions are
  // no gap at all.
  tu = CleanTu(1201);
  crd = CleanCrd(1201);
  for (int i = 0; i < 20; ++i) crd.Delete(400);  // 400..419 missing
  for (int i = 0; i < 30; ++i) crd.Delete(450);  // 470..499 missing: 30 s after the first ended
  for (int i = 0; i < 15; ++i) crd.Delete(600);  // 550..564 missing, 70 s after: apart
  for (int i = 100; i < 200; ++i) tu[i].TExcluded = tu[i].UExcluded = true;
  findings = Check(tu, crd);
  EXPECT_EQ(RulesOf(findings), (std::multiset{CheckRule::CrdGap, CheckRule::CrdGap}));
  const auto merged = findings[0].firstTime < findings[1].firstTime ? findings[0] : findings[1];
  EXPECT_EQ(merged.firstRow, 399);
  EXPECT_DOUBLE_EQ(merged.lastTime, 500);
  EXPECT_EQ(merged.missing, 50);
  EXPECT_EQ(merged.expected, 102);
  EXPECT_EQ(dv::ColumnsOf(merged).value, "нет 50 из 102");
  EXPECT_EQ(dv::ColumnsOf(merged).times, "399.0–500.0");
  // Exactly a minute apart is still within it; the count is at the file's own step.
  crd = CleanCrd(1201);
  for (int i = 0; i < 1201; ++i) crd[i].Time = 2.0 * i;
  for (int i = 0; i < 10; ++i) crd.Delete(200);  // 400..418 s missing
  for (int i = 0; i < 10; ++i) crd.Delete(220);  // 20 s later...
  findings = Check(CleanTu(3), crd);
  ASSERT_EQ(RulesOf(findings), std::multiset{CheckRule::CrdGap});
  EXPECT_EQ(findings[0].missing, 20);  // not 61, as at a 1-s step
  crd = CleanCrd(1201);
  for (int i = 0; i < 20; ++i) crd.Delete(400);  // 400..419 s missing
  for (int i = 0; i < 20; ++i) crd.Delete(461);  // the next after 480 s, 60 s after 420
  findings = Check(CleanTu(3), crd);
  ASSERT_EQ(RulesOf(findings), std::multiset{CheckRule::CrdGap});
  EXPECT_EQ(findings[0].missing, 40);

  // The first time that runs back is a finding at its row, where a time
  // correction starts: 101.5 after 102.0.
  tu = CleanTu(601);
  for (int i = 1; i <= 5; ++i) tu[i].Time = static_cast<float>(std::vector{0.0, 100.0, 101.0, 102.0, 101.5, 102.5}[i]);
  const auto failure = Only(Check(tu, dv::CrdArray(1)), CheckRule::TuTimeFailure);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->firstRow, 4);
  EXPECT_EQ(failure->lastRow, 4);
  EXPECT_EQ(failure->value, 101.5);
  EXPECT_EQ(failure->threshold, 102.0);
  EXPECT_TRUE(dv::RemovableRows(*failure).empty());

  // Row 200's time given again by rows 201 and 202.
  crd = CleanCrd(601);
  crd[201].Time = crd[202].Time = 200;
  findings = Check(CleanTu(601), crd);
  const auto repeat = Only(findings, CheckRule::CrdRepeat);
  ASSERT_TRUE(repeat);
  EXPECT_EQ(repeat->firstRow, 200);
  EXPECT_EQ(repeat->lastRow, 202);
  EXPECT_EQ(repeat->value, 3);
  EXPECT_EQ(dv::RemovableRows(*repeat), (std::vector<std::pair<int, int>>{{201, 202}}));

  // The telemetry clock 1.1 s fast per 600 s from row 100 on; 0.9 s is within.
  for (const double parted : {1.1, 0.9}) {
    tu = CleanTu(1801);
    for (int i = 100; i < 1801; ++i) tu[i].Time = static_cast<float>(100 + (i - 100) * (1 + parted / 600));
    const auto f = Only(Check(tu, CleanCrd(1801)), CheckRule::TimeDrift);
    EXPECT_EQ(f.has_value(), parted > 1) << parted;
    if (f) {
      EXPECT_NEAR(f->value, parted, 0.05);
    }
  }
}

TEST(CheckRulesTest, ExcludedPointsAndMarksTakePartInNoRule) {
  dv::TuArray tu = CleanTu(601);
  dv::CrdArray crd = CleanCrd(601);
  tu[300].T += 10;
  tu[300].TExcluded = true;
  tu[310].U = -999;  // as read: flagged by the reader
  tu[310].UExcluded = true;
  crd[200].SR += 5000;
  crd[200].Excluded = true;
  crd[400].SR = crd[400].Az = crd[400].El = -999;
  EXPECT_TRUE(Check(tu, crd).empty());
  // The excluded spike's humidity is still looked at.
  tu[300].U += 30;
  EXPECT_EQ(RulesOf(Check(tu, crd)), std::multiset{CheckRule::USpike});
}

TEST(CheckRulesTest, FindingsSortedByTimeAndShownInColumns) {
  dv::TuArray tu = CleanTu(601);
  dv::CrdArray crd = CleanCrd(601);
  tu[400].T += 5;
  crd[100].SR += 1000;
  tu[100].U += 20;
  const auto findings = Check(tu, crd);
  ASSERT_EQ(findings.size(), 3u);
  EXPECT_EQ(findings[0].rule, CheckRule::USpike);  // 100 s, the telemetry rule first
  EXPECT_EQ(findings[1].rule, CheckRule::SRSpike);
  EXPECT_EQ(findings[2].rule, CheckRule::TSpike);
  // Every rule names points to remove but the gaps and the clocks.
  for (int r = 0; r < dv::kRuleCount; ++r) {
    const auto rule = static_cast<CheckRule>(r);
    const dv::Finding f{rule, dv::InfoOf(rule).file, 10, 12, 10, 12, 1, 1};
    // A time failure is mended by a time correction, not by taking points out.
    const bool none = rule == CheckRule::TuGap || rule == CheckRule::CrdGap || rule == CheckRule::TimeDrift ||
                      rule == CheckRule::TuTimeFailure || rule == CheckRule::CrdTimeFailure;
    EXPECT_EQ(dv::RemovableRows(f).empty(), none) << dv::InfoOf(rule).name;
  }
  dv::Finding one{CheckRule::TSpike, dv::CheckFile::Tu, 400, 400, 400, 400, 4.966, 2};
  const dv::FindingColumns c = dv::ColumnsOf(one);
  EXPECT_EQ(c.rule, "Выброс T");
  EXPECT_EQ(c.rows, "400");
  EXPECT_EQ(c.times, "400.0");
  EXPECT_EQ(c.value, "4.97 °C");
  EXPECT_EQ(c.threshold, "2.00 °C");
  const dv::Finding run{CheckRule::CrdRepeat, dv::CheckFile::Crd, 100, 102, 99.5, 99.5, 3, 1};
  EXPECT_EQ(dv::ColumnsOf(run).rows, "100–102");
  EXPECT_EQ(dv::ColumnsOf(run).times, "99.5–99.5");
  EXPECT_EQ(dv::ColumnsOf(run).value, "3");  // a count has no unit
}

TEST(CheckRulesTest, ThresholdsFromTheSettingsSection) {
  const dv::ProfileFile profile(
      "[OPTIONS]\r\nPath=C:\\flights\\\r\n[check]\r\ntspike = 3.5\r\nGap=\r\nRateMax=fast\r\nDrift=inf\r\n"
      "ElSpikeM=0.75\r\n");
  const dv::CheckThresholds l = dv::ReadCheckThresholds(profile);
  EXPECT_EQ(l.tSpike, 3.5);    // names match whatever their case
  EXPECT_EQ(l.elSpike, 0.75);
  EXPECT_EQ(l.gap, 10.0);      // empty: the default
  EXPECT_EQ(l.rateMax, 12.0);  // not a number: the default
  EXPECT_EQ(l.drift, 1.0);     // not finite: the default
  EXPECT_EQ(l.uSpike, dv::CheckThresholds{}.uSpike);
  // Every threshold has a key of its own.
  std::set<std::string> keys;
  for (const dv::ThresholdKey& k : dv::ThresholdKeys()) keys.insert(k.key);
  EXPECT_EQ(keys.size(), dv::ThresholdKeys().size());
  EXPECT_EQ(keys.size() * sizeof(double), sizeof(dv::CheckThresholds));
  // A lowered threshold finds smaller spikes.
  dv::CheckThresholds fine;
  fine.tSpike = 0.5;
  fine.tJump = 100;
  dv::TuArray small = CleanTu(601);
  small[300].T += 0.6f;
  EXPECT_TRUE(Only(dv::RunChecks(small, CleanCrd(601), fine), CheckRule::TSpike));
  EXPECT_FALSE(Only(dv::RunChecks(small, CleanCrd(601), {}), CheckRule::TSpike));
  // A raised threshold silences the rule.
  dv::TuArray tu = CleanTu(601);
  tu[300].T += 3;
  EXPECT_TRUE(Only(dv::RunChecks(tu, CleanCrd(601), {}), CheckRule::TSpike));
  EXPECT_FALSE(Only(dv::RunChecks(tu, CleanCrd(601), l), CheckRule::TSpike));
}

}  // namespace

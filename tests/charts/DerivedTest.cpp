// Derived position and height, trajectory labels, and the points each chart
// series gets from the four arrays, worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "charts/Derived.h"

namespace {

using dv::ChartLabel;
using dv::ChartPoint;
using dv::SeriesId;
namespace xc = dv::excluded_colour;

dv::CrdPoint Crd(double time, double sr, double az, double el, bool excluded = false) {
  dv::CrdPoint p;
  p.Time = time;
  p.SR = sr;
  p.Az = az;
  p.El = el;
  p.Excluded = excluded;
  return p;
}

dv::TuPoint Tu(float time, float t, float u, bool tEx = false, bool uEx = false) {
  dv::TuPoint p;
  p.Time = time;
  p.T = t;
  p.U = u;
  p.TExcluded = tEx;
  p.UExcluded = uEx;
  return p;
}

TEST(DerivedTest, StraightUpHasNoHorizontalRange) {
  const dv::CrdDerived d = dv::DeriveCrd(1234.0, 77.0, 90.0);
  EXPECT_NEAR(d.L, 0.0, 1e-9);
  EXPECT_NEAR(d.X, 0.0, 1e-9);
  EXPECT_NEAR(d.Y, 0.0, 1e-9);
  EXPECT_NEAR(d.Z, 1234.0, 1e-9);
}

TEST(DerivedTest, AzimuthZeroPointsNorthAndNinetyEast) {
  // Level sight at 10 km: L = SR, Z is the curvature term alone, 1e8 * 5.887e-8.
  const dv::CrdDerived north = dv::DeriveCrd(10000.0, 0.0, 0.0);
  EXPECT_DOUBLE_EQ(north.L, 10000.0);
  EXPECT_NEAR(north.X, 0.0, 1e-9);
  EXPECT_DOUBLE_EQ(north.Y, 10000.0);
  EXPECT_NEAR(north.Z, 5.887, 1e-12);
  const dv::CrdDerived east = dv::DeriveCrd(10000.0, 90.0, 0.0);
  EXPECT_DOUBLE_EQ(east.X, 10000.0);
  EXPECT_NEAR(east.Y, 0.0, 1e-9);
}

TEST(DerivedTest, CurvatureIsAddedWhateverTheSign) {
  // El -30: SR sin(El) = -1000, L = 1732.05..., L^2 * 5.887e-8 = 0.17661.
  const dv::CrdDerived d = dv::DeriveCrd(2000.0, 180.0, -30.0);
  EXPECT_NEAR(d.L, 1732.0508, 1e-4);
  EXPECT_NEAR(d.Y, -1732.0508, 1e-4);
  EXPECT_NEAR(d.Z, -1000.0 + 3.0e6 * 5.887e-8, 1e-9);
}

TEST(DerivedTest, LabelIsTheRoundedTimeWithATabWhenExcluded) {
  EXPECT_EQ(dv::TrajectoryLabel(12.6, false), "13");
  EXPECT_EQ(dv::TrajectoryLabel(12.6, true), "13\t");
  EXPECT_EQ(dv::TrajectoryLabel(12.4, false), "12");
  // Half a second goes away from zero.
  EXPECT_EQ(dv::TrajectoryLabel(12.5, false), "13");
  EXPECT_EQ(dv::TrajectoryLabel(99.5, false), "100");
  EXPECT_EQ(dv::TrajectoryLabel(-0.4, false), "0");  // no "-0", no blanks
  EXPECT_EQ(dv::TrajectoryLabel(7200.0, false), "7200");
}

TEST(DerivedTest, TelemetryLimitsAndPlaceholders) {
  dv::FlightPoints f;
  f.TuPoints.Add(Tu(0, 99.0f, 50));       // T exactly 99: placeholder
  f.TuPoints.Add(Tu(1, 98.99f, 99.0f));   // T plotted; U 99 never plotted
  f.TuPoints.Add(Tu(2, -99.0f, 98.0f));   // -99 is a placeholder too
  f.TuPoints.Add(Tu(3, 5.0f, 60.0f, true, true));
  f.TuOrgPoints.Add(Tu(0, 99.0f, 99.0f));  // the originals skip, not hold
  f.TuOrgPoints.Add(Tu(1, 5.0f, 60.0f, true, true));
  const dv::FillPlan plan = dv::MakeFillPlan(f);

  const auto& t = plan[SeriesId::T];
  ASSERT_EQ(t.size(), 4u);
  EXPECT_TRUE(t[0].placeholder());
  EXPECT_FALSE(t[1].placeholder());
  EXPECT_NEAR(t[1].y, 98.99, 1e-5);
  EXPECT_TRUE(t[2].placeholder());
  EXPECT_EQ(t[1].colour, dv::kSeriesColour);
  EXPECT_EQ(t[3].colour, xc::kT);

  const auto& u = plan[SeriesId::U];
  ASSERT_EQ(u.size(), 4u);
  EXPECT_TRUE(u[1].placeholder());
  EXPECT_DOUBLE_EQ(u[2].y, 98.0);
  EXPECT_EQ(u[3].colour, xc::kU);

  // Originals: nothing for the out-of-range record; flags give no colour.
  ASSERT_EQ(plan[SeriesId::TOrg].size(), 1u);
  ASSERT_EQ(plan[SeriesId::UOrg].size(), 1u);
  EXPECT_DOUBLE_EQ(plan[SeriesId::TOrg][0].x, 1.0);
  EXPECT_EQ(plan[SeriesId::TOrg][0].colour, dv::kSeriesColour);
  EXPECT_TRUE(plan[SeriesId::SR].empty());  // no coordinates, no coordinate points
}

TEST(DerivedTest, MinusNinetyNineIsAPlaceholderButStillDerived) {
  dv::FlightPoints f;
  f.CrdPoints.Add(Crd(5.0, -99.0, 0.0, 0.0));
  f.CrdPoints.Add(Crd(6.0, 1000.0, -99.0, 10.0));
  f.CrdPoints.Add(Crd(7.0, 300.0, 10.0, -99.0));  // Z = 300 sin(-99) = -296 m
  f.CrdPoints.Add(Crd(8.0, 1000.0, 10.0, -999.0));  // a missing-value mark
  const dv::FillPlan plan = dv::MakeFillPlan(f);
  for (SeriesId id : {SeriesId::SR, SeriesId::Az, SeriesId::El, SeriesId::XY, SeriesId::Z}) {
    ASSERT_EQ(plan[id].size(), 4u) << static_cast<int>(id);  // the index invariant
  }
  EXPECT_TRUE(plan[SeriesId::SR][0].placeholder());
  EXPECT_TRUE(plan[SeriesId::Az][1].placeholder());
  EXPECT_TRUE(plan[SeriesId::El][2].placeholder());
  // SR -99 at Az 0, El 0: X 0, Y -0.099 km, Z = -99 * 0 + 99^2 * 5.887e-8 m.
  const ChartPoint& xy0 = plan[SeriesId::XY][0];
  ASSERT_FALSE(xy0.placeholder());
  EXPECT_NEAR(xy0.x, 0.0, 1e-12);
  EXPECT_FLOAT_EQ(xy0.y, -0.099);  // chart points hold single precision
  EXPECT_FLOAT_EQ(plan[SeriesId::Z][0].y, 99.0 * 99.0 * 5.887e-8 / 1000.0);
  EXPECT_FALSE(plan[SeriesId::XY][1].placeholder());
  EXPECT_FALSE(plan[SeriesId::Z][2].placeholder());
  // Below -99 nothing is derived.
  EXPECT_TRUE(plan[SeriesId::XY][3].placeholder());
  EXPECT_TRUE(plan[SeriesId::Z][3].placeholder());
  EXPECT_FALSE(plan.labels(SeriesId::XY)[3].has());
  EXPECT_FALSE(plan[SeriesId::SR][3].placeholder());
}

TEST(DerivedTest, HeightBoundsGiveAPlaceholderButKeepTheTrajectory) {
  dv::FlightPoints f;
  f.CrdPoints.Add(Crd(1.0, 45000.0, 0.0, 90.0));   // Z = 45000 exactly
  f.CrdPoints.Add(Crd(2.0, 500.0, 0.0, -90.0));    // Z = -500 exactly
  f.CrdPoints.Add(Crd(3.0, 44999.0, 0.0, 90.0));   // inside
  const dv::FillPlan plan = dv::MakeFillPlan(f);
  const auto& z = plan[SeriesId::Z];
  ASSERT_EQ(z.size(), 3u);
  EXPECT_TRUE(z[0].placeholder());
  EXPECT_TRUE(z[1].placeholder());
  EXPECT_FLOAT_EQ(z[2].y, 44.999);
  ASSERT_EQ(plan[SeriesId::XY].size(), 3u);
  EXPECT_FALSE(plan[SeriesId::XY][0].placeholder());
  EXPECT_FALSE(plan[SeriesId::XY][1].placeholder());
}

TEST(DerivedTest, ExcludedRecordInAllFiveSeriesWithItsColours) {
  dv::FlightPoints f;
  f.CrdPoints.Add(Crd(0.0, 150.0, 215.0, -0.5));
  f.CrdPoints.Add(Crd(12.6, 2000.0, 45.0, 30.0, true));
  const dv::FillPlan plan = dv::MakeFillPlan(f);
  EXPECT_EQ(plan[SeriesId::SR][1].colour, xc::kSR);
  EXPECT_EQ(plan[SeriesId::Az][1].colour, xc::kAz);
  EXPECT_EQ(plan[SeriesId::El][1].colour, xc::kEl);
  EXPECT_EQ(plan[SeriesId::Z][1].colour, xc::kZ);
  EXPECT_EQ(plan[SeriesId::XY][1].colour, xc::kXY);
  EXPECT_EQ(dv::LabelText(plan.labels(SeriesId::XY)[1]), "13\t");
  EXPECT_EQ(dv::LabelText(plan.labels(SeriesId::XY)[0]), "0");
  EXPECT_EQ(plan[SeriesId::SR][0].colour, dv::kSeriesColour);
  EXPECT_DOUBLE_EQ(plan[SeriesId::SR][1].y, 2.0);  // km
  EXPECT_DOUBLE_EQ(plan[SeriesId::Az][1].y, 45.0);
}

TEST(DerivedTest, OriginalsGetNoPlaceholdersSoIndicesShift) {
  dv::FlightPoints f;
  f.CrdOrgPoints.Add(Crd(0.0, 100.0, 10.0, 10.0));
  f.CrdOrgPoints.Add(Crd(1.0, -999.0, 10.0, 10.0));
  f.CrdOrgPoints.Add(Crd(2.0, 300.0, 10.0, 10.0, true));  // flags are not shown here
  f.CrdOrgPoints.Add(Crd(3.0, 400.0, 10.0, 90.0));        // Z = 400 m
  const dv::FillPlan plan = dv::MakeFillPlan(f);
  const auto& sr = plan[SeriesId::SROrg];
  ASSERT_EQ(sr.size(), 3u);
  EXPECT_DOUBLE_EQ(sr[1].x, 2.0);  // record 2 sits at index 1
  EXPECT_EQ(sr[1].colour, dv::kSeriesColour);
  EXPECT_EQ(plan[SeriesId::AzOrg].size(), 4u);
  EXPECT_EQ(plan[SeriesId::XYOrg].size(), 3u);
  EXPECT_EQ(plan[SeriesId::ZOrg].size(), 3u);
  EXPECT_EQ(dv::LabelText(plan.labels(SeriesId::XYOrg)[1]), "2");  // never a tab
  EXPECT_FLOAT_EQ(plan[SeriesId::ZOrg][2].y, 0.4);
  EXPECT_TRUE(plan[SeriesId::SR].empty());
}

TEST(DerivedTest, FillAppendsAndEmptyArraysAddNothing) {
  dv::FlightPoints f;
  dv::FillPlan plan = dv::MakeFillPlan(f);
  for (const auto& s : plan.series) EXPECT_TRUE(s.empty());
  f.TuPoints.Add(Tu(0, 10, 50));
  dv::AppendFillPlan(f, plan);
  dv::AppendFillPlan(f, plan);
  EXPECT_EQ(plan[SeriesId::T].size(), 2u);
}

// Colours are kept as codes: the fixed palette, then colours callers set, then
// a colour per point once the codes run out; every one reads back exactly.
TEST(DerivedTest, EveryColourSetComesBackExactly) {
  dv::ChartPoints s;
  for (int i = 0; i < 600; ++i) s.push_back(static_cast<float>(i), 1.0f);
  EXPECT_EQ(s.codes(), nullptr);  // all in the series colour: no codes kept
  s.setColour(0, dv::kSeriesColour);
  EXPECT_EQ(s.codes(), nullptr);
  const auto colourOf = [](int i) { return 0x100000u + 7u * static_cast<std::uint32_t>(i); };
  for (int i = 0; i < 600; ++i) s.setColour(static_cast<std::size_t>(i), colourOf(i));
  ASSERT_NE(s.codes(), nullptr);
  for (int i = 0; i < 600; ++i) ASSERT_EQ(s[static_cast<std::size_t>(i)].colour, colourOf(i)) << i;
  EXPECT_EQ(s.code(599), dv::ChartPoints::kOverflowCode);
  EXPECT_EQ(s.codeCount(), int{dv::ChartPoints::kOverflowCode});
  // A point past the codes back to a coded colour, and to one of the fixed palette.
  s.setColour(599, colourOf(3));
  EXPECT_EQ(s.colour(599), colourOf(3));
  EXPECT_EQ(s.code(599), s.code(3));
  s.setColour(598, xc::kZ);
  EXPECT_EQ(s.code(598), dv::kCodeOf<xc::kZ>);
  EXPECT_EQ(s.colour(598), xc::kZ);
  s.setColour(597, 0xFFFFFF);  // white is not the series colour
  EXPECT_EQ(s.colour(597), 0xFFFFFFu);
  s.setColour(596, dv::kSeriesColour);
  EXPECT_EQ(s.code(596), dv::kSeriesCode);
  // A swap carries the colours; a clear forgets them.
  dv::ChartPoints other;
  other.swap(s);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(other.colour(597), 0xFFFFFFu);
  EXPECT_EQ(other.colour(595), colourOf(595));
  EXPECT_FLOAT_EQ(other.x(595), 595.0f);
  EXPECT_FLOAT_EQ(other.y(595), 1.0f);
  other.clear();
  other.push_back(1.0f, 2.0f);
  EXPECT_EQ(other.colour(0), dv::kSeriesColour);
  EXPECT_EQ(other.codes(), nullptr);
  EXPECT_EQ(other.codeCount(), dv::kFixedColourCount);
  // A point given whole keeps its colour; beyond the points nothing changes.
  other.push_back(ChartPoint{3.0f, 4.0f, 0xABCDEF});
  EXPECT_EQ(other[1].colour, 0xABCDEFu);
  const int codes = other.codeCount();
  other.setColour(2, 0x123456);
  other.setCode(2, dv::kCodeOf<xc::kT>);
  EXPECT_EQ(other.size(), 2u);
  EXPECT_EQ(other.codeCount(), codes);  // no code made for a point that is not there
  dv::ChartPoints plain;
  plain.push_back(1.0f, 1.0f);
  plain.setCode(1, dv::kCodeOf<xc::kT>);
  plain.setColour(1, 0x123456);
  EXPECT_EQ(plain.codes(), nullptr);
  EXPECT_THROW(other.at(2), std::out_of_range);
  EXPECT_EQ(other.at(1).colour, 0xABCDEFu);
}

TEST(DerivedTest, TheFixedPaletteHoldsTheColoursOfTheFillAndTheHighlight) {
  for (std::uint32_t c : {xc::kT, xc::kU, xc::kSR, xc::kAz, xc::kEl, xc::kZ, xc::kXY,
                          dv::highlight_colour::kInside, dv::highlight_colour::kExcluded,
                          dv::highlight_colour::kOther}) {
    const int code = dv::FixedColourCode(c);
    ASSERT_GT(code, 0) << c;
    EXPECT_EQ(dv::kFixedColours[static_cast<std::size_t>(code)], c);
  }
  EXPECT_EQ(dv::FixedColourCode(dv::kSeriesColour), 0);
  EXPECT_EQ(dv::FixedColourCode(0x123456), -1);
  // setCode takes the fixed palette only.
  dv::ChartPoints s;
  s.push_back(0.0f, 0.0f);
  s.setCode(0, static_cast<dv::ColourCode>(dv::kFixedColourCount));
  EXPECT_EQ(s.code(0), dv::kSeriesCode);
  EXPECT_EQ(s.colour(0), dv::kSeriesColour);
  s.setCode(0, dv::kCodeOf<dv::highlight_colour::kInside>);
  EXPECT_EQ(s.colour(0), dv::highlight_colour::kInside);
}

// The series of a pass plotted against time share one column of times; a
// series whose points stop matching it keeps its own x from then on.
TEST(DerivedTest, SeriesOfAPassShareTheirTimes) {
  dv::FlightPoints f;
  f.TuPoints.Add(Tu(0.5f, 10, 50));
  f.TuPoints.Add(Tu(1.5f, 150, 60));  // T out of range: a placeholder that keeps its index
  f.TuPoints.Add(Tu(2.5f, 12, 70));
  f.TuOrgPoints.Assign(f.TuPoints);
  f.CrdPoints.Add(Crd(1.0, 100, 10, 10));
  f.CrdPoints.Add(Crd(2.0, -999, 10, 10));
  f.CrdPoints.Add(Crd(3.0, 200, 10, 10));
  f.CrdOrgPoints.Assign(f.CrdPoints);
  const dv::FillPlan plan = dv::MakeFillPlan(f);
  const auto& t = plan[SeriesId::T];
  const auto& u = plan[SeriesId::U];
  EXPECT_TRUE(t.sharesX());
  EXPECT_EQ(t.xData(), u.xData());
  EXPECT_TRUE(t[1].placeholder());
  EXPECT_TRUE(t.placeholder(1));
  EXPECT_FLOAT_EQ(t[2].x, 2.5f);
  EXPECT_FLOAT_EQ(u[1].x, 1.5f);
  // The originals leave out T of record 1: from there T keeps x of its own.
  const auto& tOrg = plan[SeriesId::TOrg];
  EXPECT_FALSE(tOrg.sharesX());
  ASSERT_EQ(tOrg.size(), 2u);
  EXPECT_FLOAT_EQ(tOrg[0].x, 0.5f);
  EXPECT_FLOAT_EQ(tOrg[1].x, 2.5f);
  EXPECT_TRUE(plan[SeriesId::UOrg].sharesX());
  for (SeriesId id : {SeriesId::SR, SeriesId::Az, SeriesId::El, SeriesId::Z})
    EXPECT_EQ(plan[id].xData(), plan[SeriesId::SR].xData()) << static_cast<int>(id);
  EXPECT_FALSE(plan[SeriesId::XY].sharesX());  // x there is a distance
  EXPECT_FLOAT_EQ(plan[SeriesId::Az][1].x, 2.0f);
  EXPECT_TRUE(plan[SeriesId::SR][1].placeholder());
  // The originals leave out record 1 where SR is missing; AzOrg has every record.
  const auto& srOrg = plan[SeriesId::SROrg];
  EXPECT_FALSE(srOrg.sharesX());
  ASSERT_EQ(srOrg.size(), 2u);
  EXPECT_FLOAT_EQ(srOrg[1].x, 3.0f);
  EXPECT_FALSE(plan[SeriesId::ZOrg].sharesX());
  EXPECT_EQ(plan[SeriesId::AzOrg].xData(), plan[SeriesId::ElOrg].xData());
}

TEST(DerivedTest, ASharedColumnGivesWayToEveryOtherX) {
  auto column = std::make_shared<const dv::ChartPoints::Column>(dv::ChartPoints::Column{0.0f, 1.0f, 2.0f});
  dv::ChartPoints s;
  s.shareX(column);
  s.push_back(0.0f, 5.0f);
  s.push_back(1.0f, 6.0f);
  EXPECT_TRUE(s.sharesX());
  s.push_back(-0.0f, 7.0f);  // -0 is not 2: the series takes x of its own
  EXPECT_FALSE(s.sharesX());
  ASSERT_EQ(s.size(), 3u);
  EXPECT_FLOAT_EQ(s.x(1), 1.0f);
  EXPECT_TRUE(std::signbit(s.x(2)));
  EXPECT_FLOAT_EQ(s.y(2), 7.0f);
  // Past the end of the column, and -0 against 0.
  dv::ChartPoints t;
  t.shareX(column);
  t.push_back(-0.0f, 1.0f);
  EXPECT_FALSE(t.sharesX());
  EXPECT_TRUE(std::signbit(t.x(0)));
  dv::ChartPoints u;
  u.shareX(column);
  for (float x : {0.0f, 1.0f, 2.0f}) u.push_back(x, x);
  u.addPlaceholder();  // the column has no fourth time
  EXPECT_FALSE(u.sharesX());
  EXPECT_TRUE(u.placeholder(3));
  EXPECT_FLOAT_EQ(u.x(2), 2.0f);
  // A series that has points does not take a column.
  u.shareX(column);
  EXPECT_FALSE(u.sharesX());
  u.clear();
  EXPECT_TRUE(u.empty());
  u.push_back(0.0f, 1.0f);  // a cleared series keeps x of its own until it shares again
  EXPECT_FALSE(u.sharesX());
  u.clear();
  u.shareX(column);
  u.addPlaceholder();
  EXPECT_TRUE(u.sharesX());
  EXPECT_TRUE(u.placeholder(0));
  // A swap carries the column.
  dv::ChartPoints v;
  v.swap(u);
  EXPECT_TRUE(v.sharesX());
  EXPECT_FALSE(u.sharesX());
  EXPECT_EQ(v.xData(), column->data());
}

// Labels are kept in four bytes for times within 2^30 s either side of zero,
// and whole beside them otherwise: the text is the same for every time.
TEST(DerivedTest, LabelsOfLargeAndNegativeTimesKeepTheirText) {
  const double kInf = std::numeric_limits<double>::infinity();
  const std::vector<double> times = {0.0, 12.0, -1.0, -12.0, 16777216.0, 16777217.0, 1073741823.0,
                                     -1073741823.0, 1073741824.0, -1073741824.0, 2147483648.0,
                                     1.0e15, -1.0e15, 12.5, kInf, -kInf};
  dv::ChartLabels labels;
  for (double s : times) {
    labels.push_back(ChartLabel{s, false});
    labels.push_back(ChartLabel{s, true});
  }
  ASSERT_EQ(labels.size(), 2 * times.size());
  for (std::size_t k = 0; k < times.size(); ++k) {
    const ChartLabel plain = labels[2 * k], tab = labels[2 * k + 1];
    EXPECT_EQ(plain.seconds, times[k]) << k;
    EXPECT_FALSE(plain.tab) << k;
    EXPECT_EQ(tab.seconds, times[k]) << k;
    EXPECT_TRUE(tab.tab) << k;
  }
  EXPECT_EQ(dv::LabelText(labels[8]), "16777216");
  EXPECT_EQ(dv::LabelText(labels[10]), "16777217");  // no longer a float's whole number
  EXPECT_EQ(dv::LabelText(labels[13]), "1073741823\t");
  EXPECT_EQ(dv::LabelText(labels[15]), "-1073741823\t");
  EXPECT_EQ(dv::LabelText(labels[20]), "2147483648");
  EXPECT_EQ(dv::LabelText(labels[16]), "1073741824");
  EXPECT_EQ(dv::LabelText(labels[19]), "-1073741824\t");
  EXPECT_EQ(dv::LabelText(labels[22]), "1000000000000000");
  EXPECT_EQ(dv::LabelText(labels[24]), "-1000000000000000");
  EXPECT_EQ(dv::LabelText(labels[7]), "-12\t");
  // A trajectory of a long flight, through the fill.
  dv::FlightPoints f;
  f.CrdPoints.Add(Crd(-3.6, 100, 10, 10, true));
  f.CrdPoints.Add(Crd(1.0e9 + 0.5, 100, 10, 10));
  f.CrdPoints.Add(Crd(5.0e12, 100, 10, 10, true));
  const dv::FillPlan plan = dv::MakeFillPlan(f);
  EXPECT_EQ(dv::LabelText(plan.labels(SeriesId::XY)[0]), "-4\t");
  EXPECT_EQ(dv::LabelText(plan.labels(SeriesId::XY)[1]), "1000000001");
  EXPECT_EQ(dv::LabelText(plan.labels(SeriesId::XY)[2]), "5000000000000\t");
}

TEST(DerivedTest, ALabelsTabChangesAloneWhereverTheLabelIsKept) {
  dv::ChartLabels labels;
  labels.push_back(ChartLabel{7.0, false});
  labels.push_back(ChartLabel{3.0e12, false});
  labels.emplace_back();  // no label
  labels.push_back(ChartLabel{std::numeric_limits<double>::quiet_NaN(), true});  // no label, a tab
  for (std::size_t i = 0; i < 4; ++i) labels.setTab(i, i != 3);
  EXPECT_EQ(labels[0].seconds, 7.0);
  EXPECT_TRUE(labels[0].tab);
  EXPECT_EQ(labels[1].seconds, 3.0e12);
  EXPECT_TRUE(labels[1].tab);
  EXPECT_FALSE(labels[2].has());
  EXPECT_TRUE(labels[2].tab);  // the coloured point keeps its tab though it has no label
  EXPECT_EQ(dv::LabelText(labels[2]), "");
  EXPECT_FALSE(labels[3].has());
  EXPECT_FALSE(labels[3].tab);
  labels.setTab(1, false);
  EXPECT_FALSE(labels[1].tab);
  EXPECT_EQ(labels[1].seconds, 3.0e12);
  labels.setTab(9, true);  // beyond the labels: nothing
  EXPECT_EQ(labels.size(), 4u);
  dv::ChartLabels other;
  other.swap(labels);
  EXPECT_EQ(other[1].seconds, 3.0e12);
  EXPECT_TRUE(labels.empty());
  other.clear();
  EXPECT_TRUE(other.empty());
}

// A recolouring takes each value through the same tests as a fill: SR, Az and
// El of exactly -99 stay placeholders in the series colour, XY and Z are derived.
TEST(DerivedTest, RecolouringGivesWhatAFreshFillGivesAtMinusNinetyNine) {
  dv::FlightPoints f;
  f.CrdPoints.Add(Crd(1.0, -99.0, -99.0, -99.0));
  f.CrdPoints.Add(Crd(2.0, 100.0, -99.0, 10.0));
  dv::FillPlan plan = dv::MakeFillPlan(f);
  dv::FlightPoints excluded;
  excluded.CrdPoints.Add(Crd(1.0, -99.0, -99.0, -99.0, true));
  excluded.CrdPoints.Add(Crd(2.0, 100.0, -99.0, 10.0, true));
  dv::RecolourCoordinates(excluded.CrdPoints, 0, 1, plan);
  const dv::FillPlan fresh = dv::MakeFillPlan(excluded);
  for (SeriesId id : {SeriesId::SR, SeriesId::Az, SeriesId::El, SeriesId::XY, SeriesId::Z}) {
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(plan[id].colour(k), fresh[id].colour(k)) << static_cast<int>(id) << " " << k;
      EXPECT_EQ(plan[id].code(k), fresh[id].code(k)) << static_cast<int>(id) << " " << k;
    }
  }
  EXPECT_EQ(plan[SeriesId::Az].colour(0), dv::kSeriesColour);
  EXPECT_EQ(plan[SeriesId::XY].colour(0), xc::kXY);
  EXPECT_EQ(plan[SeriesId::SR].colour(1), xc::kSR);
  EXPECT_TRUE(plan.labels(SeriesId::XY)[1].tab);
}

}  // namespace

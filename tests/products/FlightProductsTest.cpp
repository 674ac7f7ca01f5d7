#include "products/FlightProducts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "open/FlightLoad.h"

using namespace dv;

namespace {
bool SameWind(const std::vector<WindPoint>& a, const std::vector<WindPoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].row != b[i].row || a[i].u != b[i].u || a[i].v != b[i].v || a[i].w != b[i].w) return false;
  return true;
}
}  // namespace

// Each product is made when asked and again only after an input it depends on
// changed; what it gives is what the rules, the wind and the track give alone.
TEST(FlightProducts, MadeWhenAskedAndAgainOnlyAfterWhatTheyDependOnChanged) {
  Flight f;
  ASSERT_FALSE(LoadFlightFiles(dvtest::ExampleFile("20251014-1130.info"), f).stopped);
  FlightPoints& p = f.Points;
  FlightProducts products(p, f.Info);
  const CheckThresholds limits;
  products.SetThresholds(limits);
  products.Changed(FlightChange::Opened());
  EXPECT_EQ(products.Findings().size(), RunChecks(p, limits).size());
  EXPECT_TRUE(SameWind(products.EditedWind(), ComputeWind(p.CrdPoints, {})));
  EXPECT_EQ(products.Track().size(), BuildTrack(p, f.Info, ComputeWind(p.CrdPoints, {})).size());

  // A change the products are not told of is not seen: nothing is recomputed unasked.
  const std::size_t before = products.Findings().size();
  p.TuPoints[3000].T += 30;  // a spike
  EXPECT_EQ(products.Findings().size(), before);
  const std::uint64_t edited = products.EditedWindStamp(), original = products.OriginalWindStamp();
  FlightChange tu;
  tu.TouchTu(3000, 3000);
  products.Changed(tu);
  EXPECT_EQ(products.Findings().size(), RunChecks(p, limits).size());
  EXPECT_GT(products.Findings().size(), before);
  EXPECT_EQ(products.Counts().tuOutOfRange, 0);
  p.TuPoints[5].UExcluded = true;
  products.Changed(tu);
  EXPECT_EQ(products.Counts().tuOutOfRange, 1);
  // The telemetry is not the radar's: its wind stands.
  EXPECT_EQ(products.EditedWindStamp(), edited);
  EXPECT_EQ(products.OriginalWindStamp(), original);

  // Nor is the radar's part of the rules made again for a telemetry edit.
  p.CrdPoints[2000].SR += 3000;
  products.Changed(tu);
  const auto spikes = [&products] {
    int n = 0;
    for (const Finding& found : products.Findings()) n += found.file == CheckFile::Crd && found.firstRow == 2000;
    return n;
  };
  EXPECT_EQ(spikes(), 0);
  FlightChange crd;
  crd.TouchCrd(2000, 2000);
  products.Changed(crd);
  EXPECT_GT(spikes(), 0);
  EXPECT_EQ(products.Findings().size(), RunChecks(p, limits).size());
  p.CrdPoints[2000].SR -= 3000;  // a range no edit here changes: the wind's positions stand
  p.CrdPoints[100].Excluded = true;
  crd.TouchCrd(100, 100);
  products.Changed(crd);
  EXPECT_NE(products.EditedWindStamp(), edited);
  EXPECT_EQ(products.OriginalWindStamp(), original);
  EXPECT_TRUE(SameWind(products.EditedWind(), ComputeWind(p.CrdPoints, {})));
  products.SetWindSettings({120.0});
  EXPECT_NE(products.OriginalWindStamp(), original);
  EXPECT_TRUE(SameWind(products.EditedWind(), ComputeWind(p.CrdPoints, {120.0})));
}

// After any edit the profile taken on from what stood is, to the bit, a fresh one.
TEST(FlightProducts, TheProfileAfterEditsIsAFreshOne) {
  Flight f;
  ASSERT_FALSE(LoadFlightFiles(dvtest::ExampleFile("20251014-1130.info"), f).stopped);
  f.Info.OnGroundPressure = 996.3;
  FlightPoints& p = f.Points;
  FlightProducts products(p, f.Info);
  products.Changed(FlightChange::Opened());
  const auto same = [&](const char* step) {
    FlightProducts again(p, f.Info);
    again.SetWindSettings(products.windSettings());
    const Profile& fresh = again.Sounding();
    const Profile& kept = products.Sounding();
    ASSERT_EQ(kept.points.size(), fresh.points.size()) << step;
    for (std::size_t k = 0; k < fresh.points.size(); ++k) {
      const ProfilePoint &a = kept.points[k], &b = fresh.points[k];
      const auto equal = [](float x, float y) { return x == y || (std::isnan(x) && std::isnan(y)); };
      ASSERT_TRUE(a.row == b.row && a.p == b.p && a.H == b.H && equal(a.T, b.T) && equal(a.Td, b.Td) &&
                  equal(a.windU, b.windU) && equal(a.windV, b.windV))
          << step << " point " << k;
    }
  };
  same("open");
  for (const int row : {5000, 300, 6500}) {  // further up, then below, then up again
    for (int r = row; r < row + 40; ++r) p.CrdPoints[r].Excluded = !p.CrdPoints[r].Excluded;
    FlightChange crd;
    crd.TouchCrd(row, row + 39);
    products.Changed(crd);
    same("coordinates");
    for (int r = row; r < row + 40; ++r) p.TuPoints[r].TExcluded = !p.TuPoints[r].TExcluded;
    FlightChange tu;
    tu.TouchTu(row, row + 39);
    products.Changed(tu);
    same("telemetry");
  }
  // Edits that straddle a checkpoint of the integration: radar rows from before
  // it to well after it, and telemetry that a gap before the checkpoint reads
  // across (T is interpolated over up to 60 s).
  const auto& marks = products.Sounding().checkpoints;
  const auto mark = std::find_if(marks.begin(), marks.end(), [](const ProfileCheckpoint& m) { return m.nextRow > 3000; });
  ASSERT_NE(mark, marks.end());
  const int at = mark->nextRow;
  const double t0 = mark->lastTime;
  // (the checkpoints are made anew with the profile: nothing of them is held beyond here)
  FlightChange crd;
  for (int r = at - 20; r <= at + 150; ++r) p.CrdPoints[r].Excluded = !p.CrdPoints[r].Excluded;
  crd.TouchCrd(at - 20, at + 150);
  products.Changed(crd);
  same("coordinates across a checkpoint");
  for (int r = at - 20; r <= at + 150; ++r) p.CrdPoints[r].Excluded = !p.CrdPoints[r].Excluded;
  products.Changed(crd);
  same("coordinates back");
  const auto tAt = [&products](double t) {
    for (const ProfilePoint& q : products.Sounding().points)
      if (q.time == static_cast<float>(t)) return q.T;
    return -1000.0f;
  };
  const auto exclude = [&p](double from, double to) {
    FlightChange change;
    for (int r = 0; r < p.TuPoints.Count(); ++r)
      if (p.TuPoints[r].Time >= from && p.TuPoints[r].Time < to) p.TuPoints[r].TExcluded = true, change.TouchTu(r, r);
    return change;
  };
  products.Changed(exclude(t0 - 20, t0 + 30));
  same("a telemetry gap");
  ASSERT_FALSE(std::isnan(tAt(t0 - 10)));  // read across the 51-s gap
  products.Changed(exclude(t0 + 30, t0 + 70));  // the gap grows beyond 60 s, back to before the checkpoint
  same("the telemetry after the gap");
  ASSERT_TRUE(std::isnan(tAt(t0 - 10)));
  products.SetWindSettings({120.0});
  same("wind window");
  // The radar's own heights, single precision, against the charts' formula: within centimetres.
  const Profile direct = ComputeProfile(p.TuPoints, p.CrdPoints, f.Info, {});
  EXPECT_NEAR(direct.points.back().p, products.Sounding().points.back().p, 1e-3);
}

TEST(FlightProducts, WhatEachStepChanges) {
  EditStep toggle;
  toggle.kind = EditStep::Kind::ToggleTelemetry;
  toggle.range.StartRow = 10;
  toggle.range.EndRow = 12;
  FlightChange c = ChangeOf(toggle);
  EXPECT_TRUE(c.tu && !c.crd && c.tuFirst == 10 && c.tuLast == 12);
  EditStep flags;
  flags.kind = EditStep::Kind::SetFlags;
  flags.flags = {{40, true}, {7, false}, {3, true}, {9, false}};
  c = ChangeOf(flags);
  EXPECT_TRUE(c.tu && c.crd);
  EXPECT_EQ(std::make_pair(c.tuFirst, c.tuLast), std::make_pair(7, 9));
  EXPECT_EQ(std::make_pair(c.crdFirst, c.crdLast), std::make_pair(3, 40));
  // Times move the whole file; a field touches no point.
  EditStep shift;
  shift.kind = EditStep::Kind::TimeShift;
  c = ChangeOf(shift);
  EXPECT_TRUE(c.tu && c.crd && c.tuFirst < 0 && c.crdFirst < 0);
  c = ChangeOf(EditStep{});
  EXPECT_TRUE(c.info && !c.tu && !c.crd);
}

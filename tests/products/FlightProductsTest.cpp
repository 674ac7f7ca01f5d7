#include "products/FlightProducts.h"

#include <gtest/gtest.h>

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

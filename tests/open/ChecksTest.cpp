#include <gtest/gtest.h>

#include "open/Checks.h"

using namespace dv;

namespace {
TuArray Times(std::initializer_list<float> times) {
  TuArray a;
  for (float t : times) a.Add(TuPoint{t, 0, 50, false, false, false});
  return a;
}
}  // namespace

TEST(CheckTimeOrder, ReportsTheLastTimeInOrderBeforeTheFirstStepBack) {
  EXPECT_EQ(FirstTimeFailure(Times({0, 1, 2, 2, 3})), std::nullopt);  // equal times pass
  // Point 0 is not part of the sequence; the step back at point 3 reports 2.
  EXPECT_EQ(FirstTimeFailure(Times({5, 1, 2, 1.5f, 3})), 2.0);
  // Point 1 is compared with 0: a negative time fails at once.
  EXPECT_EQ(FirstTimeFailure(Times({0, -1, 2})), 0.0);
  EXPECT_EQ(FirstTimeFailure(Times({0})), std::nullopt);
  // Only the first failure counts.
  EXPECT_EQ(FirstTimeFailure(Times({0, 10, 9, 20, 3})), 10.0);

  CrdArray crd;
  for (double t : {0.0, 148.0, 149.0, 150.0, 149.0, 150.0}) crd.Add(CrdPoint{t, 100, 0, 0, false, false});
  EXPECT_EQ(FirstTimeFailure(crd), 150.0);
}

TEST(CheckTimeOrder, FlaggedTelemetryAfterTheSurfacePoint) {
  TuArray a = Times({0, 1, 2});
  a[0].TExcluded = a[0].UExcluded = true;  // the surface point does not count
  EXPECT_FALSE(HasFlaggedTelemetry(a));
  a[2].UExcluded = true;
  EXPECT_TRUE(HasFlaggedTelemetry(a));
}

TEST(HighlightChangedFields, NamesTheFieldsThatDiffer) {
  InitialData info;
  info.StartYear = 2025;
  info.StartMinute = 30;
  InitialData org = info;
  EXPECT_TRUE(ChangedInfoFields(info, org).empty());
  org.StartMinute = 31;
  EXPECT_EQ(ChangedInfoFields(info, org), std::vector<std::string>{"edtMin"});
  org = info;
  org.NebulosityCode = "8////";
  org.OnGroundPressure = 1003.2;
  org.RadarAboveStationExeeding = 5;  // not compared
  EXPECT_EQ(ChangedInfoFields(info, org), (std::vector<std::string>{"edtP0", "edtClouds"}));
}

// Each compared field on its own names exactly its edit field.
TEST(HighlightChangedFields, EveryComparedFieldOnItsOwn) {
  InitialData info;
  info.StartYear = 2025;
  const std::pair<void (*)(InitialData&), const char*> cases[] = {
      {[](InitialData& d) { d.StationSynopticIndex = 1; }, "edtStation"},
      {[](InitialData& d) { d.StationLongitude = 1; }, "edtLong"},
      {[](InitialData& d) { d.StationLattitude = 1; }, "edtLat"},
      {[](InitialData& d) { d.StationHeightAboveSeaLevel = 1; }, "edtH0"},
      {[](InitialData& d) { d.OnGroundPressure = 1; }, "edtP0"},
      {[](InitialData& d) { d.OnGroundWindDirection = 1; }, "edtD0"},
      {[](InitialData& d) { d.OnGroundWindVelocity = 1; }, "edtV0"},
      {[](InitialData& d) { d.StartYear = 2024; }, "edtYear"},
      {[](InitialData& d) { d.StartMonth = 1; }, "edtMonth"},
      {[](InitialData& d) { d.StartDay = 1; }, "edtDay"},
      {[](InitialData& d) { d.StartHour = 1; }, "edtHour"},
      {[](InitialData& d) { d.StartMinute = 1; }, "edtMin"},
      {[](InitialData& d) { d.NebulosityCode = "1////"; }, "edtClouds"},
      {[](InitialData& d) { d.RadioZondType = 1; }, "edtRaRa"},
      {[](InitialData& d) { d.OnGroundTemperatureError = 1; }, "edtDt0"},
      {[](InitialData& d) { d.OnGroundHumidityError = 1; }, "edtDu0"},
  };
  for (const auto& [change, field] : cases) {
    InitialData org = info;
    change(org);
    EXPECT_EQ(ChangedInfoFields(info, org), std::vector<std::string>{field}) << field;
  }
}

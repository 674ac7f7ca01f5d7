#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "flight/PointFiles.h"
#include "open/Checks.h"
#include "open/FlightLoad.h"

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

namespace {
// The sample flight with originals, copied into `dir`; its base path.
std::string CopyFlight(const dvtest::TempDir& dir) {
  for (const char* ext : {".info", ".tu", ".crd", ".org.info", ".org.tu", ".org.crd"})
    dvtest::WriteAll(dir.file(std::string("f") + ext), dvtest::ReadAll(dvtest::ExampleFile(std::string("20251017-2330") + ext)));
  return dir.file("f");
}
}  // namespace

// One reading for the window, the checker and the report: each file's outcome,
// where it stops, the originals and what the reading found.
TEST(LoadFlightFiles, EachFileItsOutcomeAndTheFirstFailureEndsTheReading) {
  dvtest::TempDir dir;
  const std::string base = CopyFlight(dir);
  Flight f;
  LoadOptions listing;
  listing.keepBytes = true;
  FlightLoad load = LoadFlightFiles(base + ".info", f, listing);
  EXPECT_FALSE(load.stopped);
  for (const FileState* s : {&load.info, &load.orgInfo, &load.tu, &load.crd, &load.orgCrd, &load.orgTu})
    EXPECT_TRUE(s->exists && s->regular && s->read) << s->path;
  EXPECT_EQ(f.Points.TuPoints.Count(), 296);
  EXPECT_EQ(f.Points.TuOrgPoints.Count(), 300);
  EXPECT_EQ(load.tuBytes, dvtest::ReadAll(base + ".tu"));  // for the listing, read once
  EXPECT_EQ(f.InfoAsOpened, dvtest::ReadAll(base + ".info"));
  EXPECT_FALSE(load.viewOnly());

  // An original shorter than its file, an empty one included, leaves the flight for viewing.
  dvtest::WriteAll(base + ".org.tu", "");
  load = LoadFlightFiles(base + ".info", f);
  EXPECT_TRUE(load.tuShorter && load.viewOnly() && !load.crdShorter);
  EXPECT_EQ(f.Points.TuOrgPoints.Count(), 296);  // the working points stand in for it
  std::filesystem::remove(dvtest::PathOf(base + ".org.tu"));

  // A malformed .tu ends an open there; the checker reads on and names every file.
  dvtest::WriteAll(base + ".tu", "0.00\t6.10\t85.00\r\n1.00\tx\t83.96\r\n");
  load = LoadFlightFiles(base + ".info", f);
  EXPECT_TRUE(load.stopped && load.tu.failed() && !load.tu.error.empty());
  EXPECT_FALSE(load.crd.exists || load.crd.read);
  LoadOptions checker;
  checker.readOnAfterError = true;
  load = LoadFlightFiles(base + ".info", f, checker);
  EXPECT_TRUE(load.tu.failed() && load.crd.read && !load.stopped);
  std::filesystem::remove(dvtest::PathOf(base + ".tu"));
  load = LoadFlightFiles(base + ".info", f);
  EXPECT_TRUE(!load.tu.exists && !load.tu.failed() && load.crd.read && !load.stopped);
  // Nothing of the flight read before stays: no points, no originals of them.
  EXPECT_TRUE(f.Points.TuPoints.empty() && f.Points.TuOrgPoints.empty());

  // Fields the original lacks: from the .info, or as the window's previous original had them.
  dvtest::WriteAll(base + ".org.info", "StationSynopticIndex:\t27612\r\n");
  f.OrgInfo.OnGroundPressure = 990;
  load = LoadFlightFiles(base + ".info", f);
  EXPECT_EQ(f.OrgInfo.OnGroundPressure, 1004.0);
  f.OrgInfo.OnGroundPressure = 990;
  LoadOptions window;
  window.orgInfoOverPrevious = true;
  load = LoadFlightFiles(base + ".info", f, window);
  EXPECT_EQ(f.OrgInfo.OnGroundPressure, 990.0);

  // A .info that cannot be read ends the reading with its reader's message.
  std::filesystem::remove(dvtest::PathOf(base + ".info"));
  std::filesystem::create_directory(dvtest::PathOf(base + ".info"));
  load = LoadFlightFiles(base + ".info", f);
  EXPECT_TRUE(load.stopped && !load.info.read && !load.info.regular);
  EXPECT_EQ(load.infoRead.messages, std::vector<std::string>{kInfoFileError});
  EXPECT_TRUE(f.Points.CrdPoints.empty());
}

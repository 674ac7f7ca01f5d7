// The sample flights in examples/ (made by tools/make_sample_flights.cpp) load
// with the counts and flags they were made with, and the writers give their
// bytes back.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "common/DateTime.h"
#include "common/Helpers.h"
#include "flight/FlightName.h"
#include "flight/PointFiles.h"

namespace {

using dvtest::ExampleFile;
using dvtest::ReadAll;

const char* const kMain = "20251014-1130";
const char* const kTimeFailure = "15.10.2025-5.30";
const char* const kOutOfRange = "20251016-1130";
const char* const kOriginals = "20251017-2330";

dv::TuArray LoadTu(const std::string& name) {
  dv::TuArray a;
  dv::ReadTu(ExampleFile(name), a);
  return a;
}

dv::CrdArray LoadCrd(const std::string& name) {
  dv::CrdArray a;
  dv::ReadCrd(ExampleFile(name), a);
  return a;
}

// The lines of `bytes`, each with its CR LF.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(start, end - start));
    start = end;
  }
  return lines;
}

// Line i of a point file is point i; only included points are written back.
template <typename Array, typename IsExcluded>
std::string IncludedLines(const std::string& bytes, const Array& points, IsExcluded excluded) {
  const std::vector<std::string> lines = Lines(bytes);
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(points.Count()));
  std::string out;
  for (int i = 0; i < points.Count() && i < static_cast<int>(lines.size()); ++i)
    if (!excluded(points[i])) out += lines[static_cast<std::size_t>(i)];
  return out;
}

bool TuExcluded(const dv::TuPoint& p) { return p.TExcluded || p.UExcluded; }
bool CrdExcluded(const dv::CrdPoint& p) { return p.Excluded; }

std::set<int> ExcludedTu(const dv::TuArray& a) {
  std::set<int> s;
  for (int i = 0; i < a.Count(); ++i)
    if (TuExcluded(a[i])) s.insert(i);
  return s;
}

std::set<int> ExcludedCrd(const dv::CrdArray& a) {
  std::set<int> s;
  for (int i = 0; i < a.Count(); ++i)
    if (a[i].Excluded) s.insert(i);
  return s;
}

std::set<int> Range(int from, int to) {
  std::set<int> s;
  for (int i = from; i < to; ++i) s.insert(i);
  return s;
}

std::vector<std::pair<std::string, std::string>> InfoEntries(const std::string& bytes) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& line : Lines(bytes)) {
    EXPECT_TRUE(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) << line;
    const auto sep = line.find(":\t");
    EXPECT_NE(sep, std::string::npos) << line;
    if (sep == std::string::npos) continue;
    entries.emplace_back(line.substr(0, sep), line.substr(sep + 2, line.size() - sep - 4));
  }
  return entries;
}

std::string InfoValue(const std::vector<std::pair<std::string, std::string>>& entries,
                      const std::string& key) {
  for (const auto& [k, v] : entries)
    if (k == key) return v;
  ADD_FAILURE() << "no " << key;
  return {};
}

int InfoInt(const std::vector<std::pair<std::string, std::string>>& entries,
            const std::string& key) {
  const auto v = dv::TextToInt(InfoValue(entries, key), 0, 1'000'000);
  EXPECT_TRUE(v.has_value()) << key;
  return v ? static_cast<int>(*v) : -1;
}

// Height above the station of a radar point of the main sample: the radar
// stands 150 m from the launch point, seeing it 0.5° below the horizon, and the
// generator's geometry is a sphere of 4/3 the earth's radius.
double MainSampleHeight(const dv::CrdPoint& p) {
  const double re = 4.0 / 3.0 * 6371000.0;
  const double radarUp = 150.0 * std::sin(0.5 * dv::kDegToRad);
  const double el = p.El * dv::kDegToRad;
  return std::hypot(p.SR * std::cos(el), re + radarUp + p.SR * std::sin(el)) - re;
}

struct PointFileCase {
  std::string name;
  int lines;
};

TEST(ExamplesTest, PointFilesLoadWithTheirLineCounts) {
  const std::vector<PointFileCase> tu = {
      {"20251014-1130.tu", 7201},     {"15.10.2025-5.30.tu", 240}, {"20251016-1130.tu", 120},
      {"20251017-2330.tu", 296},      {"20251017-2330.org.tu", 300}};
  const std::vector<PointFileCase> crd = {
      {"20251014-1130.crd", 7201},    {"15.10.2025-5.30.crd", 240}, {"20251016-1130.crd", 120},
      {"20251017-2330.crd", 300},     {"20251017-2330.org.crd", 300}};
  for (const auto& c : tu) EXPECT_EQ(LoadTu(c.name).Count(), c.lines) << c.name;
  for (const auto& c : crd) EXPECT_EQ(LoadCrd(c.name).Count(), c.lines) << c.name;
}

// Golden round trip: formatting what was read gives the file's own bytes, less
// the lines of excluded points (which the writer never writes).
TEST(ExamplesTest, WritersGiveTheFilesBack) {
  for (const std::string& name : {std::string(kMain), std::string(kTimeFailure),
                                  std::string(kOutOfRange), std::string(kOriginals),
                                  std::string(kOriginals) + ".org"}) {
    const std::string tuBytes = ReadAll(ExampleFile(name + ".tu"));
    const dv::TuArray tu = LoadTu(name + ".tu");
    EXPECT_EQ(dv::FormatTuLines(tu), IncludedLines(tuBytes, tu, TuExcluded)) << name;
    if (ExcludedTu(tu).empty()) {
      EXPECT_EQ(dv::FormatTuLines(tu), tuBytes) << name;
    }

    const std::string crdBytes = ReadAll(ExampleFile(name + ".crd"));
    const dv::CrdArray crd = LoadCrd(name + ".crd");
    EXPECT_EQ(dv::FormatCrdLines(crd), IncludedLines(crdBytes, crd, CrdExcluded)) << name;
    if (ExcludedCrd(crd).empty()) {
      EXPECT_EQ(dv::FormatCrdLines(crd), crdBytes) << name;
    }
  }
}

TEST(ExamplesTest, InfoFilesHaveTheNewFileKeysAndTheNamesLaunchTime) {
  const std::vector<std::string> keys = {
      "StationSynopticIndex",       "StationLongitude",      "StationLattitude",
      "StationHeightAboveSeaLevel", "OnGroundPressure",      "OnGroundWindDirection",
      "OnGroundWindVelocity",       "OnGroundHumidityError", "OnGroundTemperatureError",
      "StartYear",                  "StartMonth",            "StartDay",
      "StartHour",                  "StartMinute",           "NebulosityCode",
      "RadioZondType",              "RadarAboveStationExeeding"};
  for (const std::string name : {"20251014-1130.info", "15.10.2025-5.30.info",
                                 "20251016-1130.info", "20251017-2330.info",
                                 "20251017-2330.org.info"}) {
    SCOPED_TRACE(name);
    const auto entries = InfoEntries(ReadAll(ExampleFile(name)));
    // The radar height is the optional last key; the dotted sample goes without it.
    const std::size_t expectedKeys = name == "15.10.2025-5.30.info" ? keys.size() - 1 : keys.size();
    ASSERT_EQ(entries.size(), expectedKeys);
    for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].first, keys[i]);

    EXPECT_EQ(InfoValue(entries, "NebulosityCode").size(), 5u);
    const auto pressure = dv::TextToReal(InfoValue(entries, "OnGroundPressure"));
    ASSERT_TRUE(pressure.has_value());
    EXPECT_GE(*pressure, 850.0);
    EXPECT_LE(*pressure, 1100.0);

    const auto start = dv::EncodeDateTime(InfoInt(entries, "StartYear"), InfoInt(entries, "StartMonth"),
                                          InfoInt(entries, "StartDay"), InfoInt(entries, "StartHour"),
                                          InfoInt(entries, "StartMinute"));
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(dv::FlightTimeFromName(name), *start);
  }
}

TEST(ExamplesTest, MainSampleIsATwoHourAscentWithOneRadarDropout) {
  const dv::TuArray tu = LoadTu(std::string(kMain) + ".tu");
  const dv::CrdArray crd = LoadCrd(std::string(kMain) + ".crd");
  ASSERT_EQ(tu.Count(), 7201);
  ASSERT_EQ(crd.Count(), 7201);

  // One point a second in both files, on the same clock.
  for (int i = 0; i < tu.Count(); ++i) {
    ASSERT_EQ(tu[i].Time, static_cast<float>(i));
    ASSERT_EQ(crd[i].Time, static_cast<double>(i));
  }
  EXPECT_TRUE(ExcludedTu(tu).empty());
  for (int i = 0; i < tu.Count(); ++i) {
    EXPECT_GE(tu[i].U, 0.0f) << i;
    EXPECT_LE(tu[i].U, 100.0f) << i;
  }

  // The dropout minute and three single missing values.
  std::set<int> marks = Range(4200, 4260);
  marks.insert({1500, 2750, 5600});
  EXPECT_EQ(ExcludedCrd(crd), marks);
  EXPECT_EQ(crd[1500].SR, -999.0);
  EXPECT_EQ(crd[2750].Az, -999.0);
  EXPECT_EQ(crd[5600].El, -999.0);

  // The surface observation and the launch point.
  EXPECT_FLOAT_EQ(tu[0].T, 11.6f);
  EXPECT_FLOAT_EQ(tu[0].U, 80.0f);
  EXPECT_EQ(crd[0].SR, 150.0);
  EXPECT_NEAR(crd[0].Az, 215.0, 1e-3);
  EXPECT_NEAR(crd[0].El, -0.5, 1e-3);
  EXPECT_NEAR(MainSampleHeight(crd[0]), 0.0, 0.01);

  // The balloon rises minute by minute at about 5 m/s and drifts far away.
  double last = -1.0;
  for (int i = 60; i < crd.Count(); i += 60) {
    if (crd[i].Excluded) continue;
    const double h = MainSampleHeight(crd[i]);
    EXPECT_GT(h, last) << i;
    last = h;
  }
  const double top = MainSampleHeight(crd[7200]);
  EXPECT_GT(top / 7200.0, 4.5);
  EXPECT_LT(top / 7200.0, 5.5);
  EXPECT_GT(crd[7200].SR, 60000.0);
  EXPECT_LT(crd[7200].SR, 100000.0);

  // About 6.5 °C/km from 1 to 9 km; the coldest point is at the tropopause (11.4 km).
  int at1 = -1;
  int at9 = -1;
  for (int i = 0; i < crd.Count() && at9 < 0; ++i) {
    if (crd[i].Excluded) continue;
    const double h = MainSampleHeight(crd[i]);
    if (at1 < 0 && h >= 1000.0) at1 = i;
    if (h >= 9000.0) at9 = i;
  }
  ASSERT_GE(at1, 0);
  ASSERT_GE(at9, 0);
  const double lapse = (tu[at1].T - tu[at9].T) /
                       ((MainSampleHeight(crd[at9]) - MainSampleHeight(crd[at1])) / 1000.0);
  EXPECT_NEAR(lapse, 6.5, 0.5);

  int coldest = 0;
  for (int i = 1; i < tu.Count(); ++i)
    if (tu[i].T < tu[coldest].T) coldest = i;
  EXPECT_LT(tu[coldest].T, -55.0f);
  ASSERT_FALSE(crd[coldest].Excluded);
  EXPECT_NEAR(MainSampleHeight(crd[coldest]), 11400.0, 1000.0);

  // Moist near the ground, dry in the stratosphere.
  EXPECT_LT(tu[7200].U, 10.0f);
}

TEST(ExamplesTest, TimeFailureSampleClocksRunBackOnce) {
  const dv::TuArray tu = LoadTu(std::string(kTimeFailure) + ".tu");
  const dv::CrdArray crd = LoadCrd(std::string(kTimeFailure) + ".crd");
  EXPECT_TRUE(ExcludedTu(tu).empty());
  EXPECT_TRUE(ExcludedCrd(crd).empty());

  // Telemetry: ..., 101, 102, 101.5, 102.5, ...
  EXPECT_EQ(tu[102].Time, 102.0f);
  EXPECT_EQ(tu[103].Time, 101.5f);
  for (int i = 1; i < tu.Count(); ++i) {
    if (i == 103) continue;
    EXPECT_EQ(tu[i].Time - tu[i - 1].Time, 1.0f) << i;
  }
  // Coordinates: ..., 149, 150, 149, 150, ...
  EXPECT_EQ(crd[150].Time, 150.0);
  EXPECT_EQ(crd[151].Time, 149.0);
  for (int i = 1; i < crd.Count(); ++i) {
    if (i == 151) continue;
    EXPECT_EQ(crd[i].Time - crd[i - 1].Time, 1.0) << i;
  }
}

TEST(ExamplesTest, OutOfRangeSampleHasExactlyTheDesignedFlags) {
  const dv::TuArray tu = LoadTu(std::string(kOutOfRange) + ".tu");
  const dv::CrdArray crd = LoadCrd(std::string(kOutOfRange) + ".crd");

  EXPECT_EQ(ExcludedTu(tu), (std::set<int>{20, 40, 80}));
  for (int i : {20, 40, 80}) {
    EXPECT_TRUE(tu[i].TExcluded) << i;
    EXPECT_TRUE(tu[i].UExcluded) << i;
  }
  EXPECT_EQ(tu[20].T, 150.0f);
  EXPECT_EQ(tu[40].U, -20.0f);
  EXPECT_EQ(tu[80].U, -15.0f);
  // The limits themselves are accepted.
  EXPECT_EQ(tu[60].U, 115.0f);
  EXPECT_EQ(tu[100].T, -99.0f);

  std::set<int> marks = Range(70, 75);
  marks.insert({30, 31, 32});
  EXPECT_EQ(ExcludedCrd(crd), marks);
  // Marks stay as read; the other values of a marked line are converted as usual.
  EXPECT_EQ(crd[30].SR, -999.0);
  EXPECT_GT(crd[30].Az, 0.0);
  EXPECT_LT(crd[30].Az, 360.0);
  EXPECT_EQ(crd[31].Az, -999.0);
  EXPECT_GT(crd[31].SR, 0.0);
  EXPECT_EQ(crd[32].El, -999.0);
  for (int i = 70; i < 75; ++i) {
    EXPECT_EQ(crd[i].SR, -999.0);
    EXPECT_EQ(crd[i].Az, -999.0);
    EXPECT_EQ(crd[i].El, -999.0);
  }
}

TEST(ExamplesTest, OriginalsSampleWorkingFilesDifferAsReviewed) {
  const std::string base = kOriginals;
  const dv::TuArray org = LoadTu(base + ".org.tu");
  const dv::TuArray work = LoadTu(base + ".tu");
  ASSERT_EQ(org.Count(), 300);
  ASSERT_EQ(work.Count(), 296);

  // The working .tu is the original less four spikes.
  const std::set<int> removed = {57, 140, 201, 233};
  const std::vector<std::string> orgLines = Lines(ReadAll(ExampleFile(base + ".org.tu")));
  std::string expected;
  for (std::size_t i = 0; i < orgLines.size(); ++i)
    if (!removed.count(static_cast<int>(i))) expected += orgLines[i];
  EXPECT_EQ(ReadAll(ExampleFile(base + ".tu")), expected);
  for (int i : removed) EXPECT_EQ(org[i].Time, static_cast<float>(i));

  EXPECT_EQ(ReadAll(ExampleFile(base + ".crd")), ReadAll(ExampleFile(base + ".org.crd")));

  // Only the ground pressure was edited.
  const auto orgInfo = InfoEntries(ReadAll(ExampleFile(base + ".org.info")));
  const auto workInfo = InfoEntries(ReadAll(ExampleFile(base + ".info")));
  ASSERT_EQ(orgInfo.size(), workInfo.size());
  for (std::size_t i = 0; i < orgInfo.size(); ++i) {
    EXPECT_EQ(orgInfo[i].first, workInfo[i].first);
    if (orgInfo[i].first == "OnGroundPressure") {
      EXPECT_EQ(orgInfo[i].second, "1003.2");
      EXPECT_EQ(workInfo[i].second, "1004.0");
    } else {
      EXPECT_EQ(orgInfo[i].second, workInfo[i].second) << orgInfo[i].first;
    }
  }
}

}  // namespace

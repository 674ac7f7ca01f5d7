#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "TestSupport.h"
#include "flight/InfoFile.h"

using namespace dv;
using dvtest::DataFile;
using dvtest::ReadAll;

namespace {

InitialData ReadOk(const std::string& name, InfoReadResult* out = nullptr) {
  InitialData d;
  InfoReadResult r = ReadInfo(DataFile(name), true, d);
  EXPECT_TRUE(r.ok) << name;
  if (out) *out = r;
  return d;
}

std::string FieldText(const InfoReadResult& r, const std::string& key) {
  std::string text = "<absent>";
  for (const auto& [k, v] : r.fieldTexts)
    if (k == key) text = v;
  return text;
}

}  // namespace

TEST(ReadInfo, ReadsEntriesAndKeepsUnknownLinesWhole) {
  InfoReadResult r;
  const InitialData d = ReadOk("20100305-0907.info", &r);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(d.StationSynopticIndex, 27612);
  EXPECT_FLOAT_EQ(d.StationLongitude, 37.567f);
  EXPECT_FLOAT_EQ(d.StationLattitude, 55.833f);
  EXPECT_FLOAT_EQ(d.StationHeightAboveSeaLevel, 147.0f);
  EXPECT_DOUBLE_EQ(d.OnGroundPressure, 1003.4);  // written key, a tab and no colon
  EXPECT_DOUBLE_EQ(d.OnGroundWindDirection, 270);
  EXPECT_DOUBLE_EQ(d.OnGroundWindVelocity, 4);
  EXPECT_DOUBLE_EQ(d.OnGroundHumidityError, 1.5);
  EXPECT_DOUBLE_EQ(d.OnGroundTemperatureError, -0.25);
  EXPECT_EQ(d.NebulosityCode, "8/6//");
  EXPECT_EQ(d.RadioZondType, 90);
  EXPECT_FLOAT_EQ(d.RadarAboveStationExeeding, 12.0f);
  EXPECT_EQ(d.StartYear, 2010);
  EXPECT_EQ(d.StartMinute, 7);
  EXPECT_DOUBLE_EQ(d.T0, kUnknown);  // no key fills the surface point
  // A line without a tab whole, an unknown entry whole (its CP1251 bytes as they
  // are); an unknown key with an empty value, too; empty lines are dropped.
  ASSERT_EQ(d.ExtraLines.size(), 3u);
  EXPECT_EQ(d.ExtraLines[0], "\xcf\xf0\xe8\xec\xe5\xf7\xe0\xed\xe8\xe5 \xed\xe0\xe1\xeb\xfe\xe4\xe0\xf2\xe5\xeb\xff");
  EXPECT_EQ(d.ExtraLines[1], "Observer:\t\xc8\xe2\xe0\xed\xee\xe2");
  EXPECT_EQ(d.ExtraLines[2], "Empty:\t");
  // The edit fields get the texts as they stand.
  EXPECT_EQ(FieldText(r, "OnGroundPressure"), "1003.4");
  EXPECT_EQ(FieldText(r, "StationLongitude"), "37.567");
  EXPECT_EQ(FieldText(r, "StartMonth"), "03");
}

TEST(ReadInfo, NameTimeLaterThanTheStartIsReported) {
  // The file starts at 12:30 on 5 October 2006.
  dvtest::TempDir dir;
  const std::string body = ReadAll(DataFile("start_1230.info"));
  auto check = [&](const std::string& name, bool warned) {
    dvtest::WriteAll(dir.file(name), body);
    InitialData d;
    const InfoReadResult r = ReadInfo(dir.file(name), true, d);
    EXPECT_TRUE(r.ok) << name;
    EXPECT_EQ(!r.messages.empty() && r.messages[0] == kInfoNameMismatch, warned) << name;
  };
  check("20061005-1230.info", false);
  check("20061005-1231.info", false);
  check("20061005-1232.info", true);
  check("20061005-1228.info", false);
  check("20061005-1232.org.info", true);
  check("5.10.2006-14.0.info", true);
  check("station.info", false);  // no date in the name: never reported
}

TEST(ReadInfo, FailuresShowTheErrorText) {
  // A name that has a dash but does not read.
  dvtest::TempDir dir;
  dvtest::WriteAll(dir.file("2006-bad.info"), ReadAll(DataFile("start_1230.info")));
  InitialData d;
  InfoReadResult r = ReadInfo(dir.file("2006-bad.info"), true, d);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, std::vector<std::string>{kInfoFileError});
  EXPECT_EQ(d.StationSynopticIndex, 27612);  // read before the failure: kept

  // No file at all.
  r = ReadInfo(dir.file("missing.info"), true, d);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, std::vector<std::string>{kInfoFileError});

  // Without start keys, in a fresh run: no date can be formed.
  InitialData fresh;
  r = ReadInfo(DataFile("no_start_keys.info"), true, fresh);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, std::vector<std::string>{kInfoFileError});
  // The same file after a flight was read: the start fields carry over.
  ReadOk("start_1230.info");
  InitialData carried = ReadOk("start_1230.info");
  EXPECT_TRUE(ReadInfo(DataFile("no_start_keys.info"), true, carried).ok);
}

TEST(ReadInfo, ResetOrKeep) {
  InitialData d = ReadOk("20100305-0907.info");
  // With reset, fields missing from the file go back to "not known".
  ASSERT_TRUE(ReadInfo(DataFile("no_start_keys.info"), true, d).ok);
  EXPECT_DOUBLE_EQ(d.OnGroundWindVelocity, kUnknown);
  EXPECT_EQ(d.NebulosityCode, "/////");
  EXPECT_EQ(d.ExtraLines.size(), 0u);
  // Without reset, they keep what they had and unknown lines are added.
  InitialData o = ReadOk("20100305-0907.info");
  ASSERT_TRUE(ReadInfo(DataFile("no_start_keys.info"), false, o).ok);
  EXPECT_DOUBLE_EQ(o.OnGroundWindVelocity, 4);
  EXPECT_EQ(o.ExtraLines.size(), 3u);
}

TEST(ReadInfo, MalformedValuesAreNotReported) {
  InitialData d;
  const InfoReadResult r = ReadInfo(DataFile("malformed_values.info"), true, d);
  EXPECT_TRUE(r.ok);
  EXPECT_DOUBLE_EQ(d.OnGroundPressure, kUnknown);  // "1003,4"
  EXPECT_EQ(d.NebulosityCode, "8/6//");            // cut to five characters
  EXPECT_EQ(FieldText(r, "OnGroundPressure"), "1003,4");
  EXPECT_EQ(FieldText(r, "NebulosityCode"), "8/6//12");
}

TEST(TakeInfoFields, ChecksInOrderAndStoresBeforeRefusing) {
  InitialData d;
  InfoFieldTexts f{"1000", "0", "0", "/////", ""};
  EXPECT_EQ(TakeInfoFields(f, d), std::nullopt);
  f.D0 = "360";
  f.V0 = "33";
  EXPECT_EQ(TakeInfoFields(f, d), std::nullopt);

  for (const char* p : {"850", "1100", "abc", ""}) {
    f.P0 = p;
    EXPECT_EQ(TakeInfoFields(f, d), "edtP0") << p;
  }
  f.P0 = "1100";
  TakeInfoFields(f, d);
  EXPECT_DOUBLE_EQ(d.OnGroundPressure, 1100);  // the refused value stays
  f.P0 = "850.1";
  f.D0 = "360.5";
  EXPECT_EQ(TakeInfoFields(f, d), "edtD0");
  f.D0 = "-1";
  EXPECT_EQ(TakeInfoFields(f, d), "edtD0");
  f.D0 = "10";
  f.V0 = "33.01";
  EXPECT_EQ(TakeInfoFields(f, d), "edtV0");
  f.V0 = "5";
  f.Clouds = "8/6/";
  EXPECT_EQ(TakeInfoFields(f, d), "edtClouds");
  f.Clouds = "8/6//";
  f.RaRa = "9";
  EXPECT_EQ(TakeInfoFields(f, d), "edtRaRa");
  d.RadioZondType = 90;
  f.RaRa = "";
  EXPECT_EQ(TakeInfoFields(f, d), std::nullopt);
  EXPECT_EQ(d.RadioZondType, 90);  // an empty type keeps the stored one
  f.RaRa = "23";
  EXPECT_EQ(TakeInfoFields(f, d), std::nullopt);
  EXPECT_EQ(d.RadioZondType, 23);
}

// A byte below 0x20 is refused in every field: a line break in the cloud code
// would split its line in the file.
TEST(TakeInfoFields, ControlBytesAreRefused) {
  InitialData d;
  const InfoFieldTexts good{"1000", "10", "5", "8/6//", "23"};
  const char* const refused[] = {"edtP0", "edtD0", "edtV0", "edtClouds", "edtRaRa"};
  for (int i = 0; i < 5; ++i) {
    InfoFieldTexts f = good;
    std::string* text[] = {&f.P0, &f.D0, &f.V0, &f.Clouds, &f.RaRa};
    // Numbers would pass once trimmed; the cloud code keeps its five characters.
    if (i < 3) *text[i] += '\r';
    else (*text[i])[i == 3 ? 2 : 1] = i == 3 ? '\n' : '\t';
    EXPECT_EQ(TakeInfoFields(f, d), refused[i]);
  }
}

TEST(InfoWriter, NewFileLayout) {
  InitialData d = ReadOk("20100305-0907.info");
  EXPECT_EQ(FormatNewInfo(d, 0), ReadAll(DataFile("20100305-0907.new.golden")));
  // Unknown and never-read fields are written with their key's decimals.
  InitialData empty;
  empty.StartYear = 2010;
  empty.StartMonth = empty.StartDay = 1;
  const std::string text = FormatNewInfo(empty, 0);
  EXPECT_NE(text.find("StationLattitude:\t-999.000\r\n"), std::string::npos);
  EXPECT_NE(text.find("OnGroundPressure:\t-999.0\r\n"), std::string::npos);
  EXPECT_EQ(text.find("RadioZondType"), std::string::npos);
  EXPECT_EQ(text.find("RadarAboveStationExeeding"), std::string::npos);
}

TEST(InfoWriter, TypeZeroStillKeepsUnknownLinesAndRadarHeight) {
  InitialData d = ReadOk("20100305-0907.info");
  d.RadioZondType = 0;
  const std::string text = FormatNewInfo(d, 0);
  EXPECT_EQ(text.find("RadioZondType"), std::string::npos);
  EXPECT_NE(text.find("Observer:\t\xc8\xe2\xe0\xed\xee\xe2\r\n"), std::string::npos);
  EXPECT_NE(text.find("RadarAboveStationExeeding:\t12\r\n"), std::string::npos);
}

TEST(InfoWriter, ZoneHoursShiftTheStartAndNegateTheLongitude) {
  InitialData d = ReadOk("20100305-0907.info");
  d.StartYear = 2011;
  d.StartMonth = 1;
  d.StartDay = 1;
  d.StartHour = 1;
  d.StartMinute = 30;
  const std::string text = FormatNewInfo(d, 3);
  EXPECT_NE(text.find("StartYear:\t2010\r\nStartMonth:\t12\r\nStartDay:\t31\r\nStartHour:\t22\r\nStartMinute:\t30\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("StationLongitude:\t-37.567\r\n"), std::string::npos);
  EXPECT_EQ(d.StartYear, 2011);  // the record itself is not changed
  EXPECT_NE(FormatNewInfo(d, 0).find("StationLongitude:\t37.567\r\n"), std::string::npos);
}

TEST(InfoWriter, UpdateReplacesKnownLinesAndKeepsTheRest) {
  InitialData d = ReadOk("20100305-0907.info");
  d.OnGroundPressure = 1010.06;
  d.NebulosityCode = "/////";
  const std::string updated = UpdateInfoBytes(ReadAll(DataFile("20100305-0907.info")), d, 0);
  EXPECT_EQ(updated, ReadAll(DataFile("20100305-0907.updated.golden")));

  // A missing key is not added; a type of 0 leaves its line alone.
  InitialData z = d;
  z.RadioZondType = 0;
  z.RadarAboveStationExeeding = -999;
  const std::string text = UpdateInfoBytes("RadioZondType:\t77\r\nRadarAboveStationExeeding:\t5\r\nx\r\n", z, 0);
  EXPECT_EQ(text, "RadioZondType:\t77\r\nRadarAboveStationExeeding:\t5\r\nx\r\n");
}

TEST(InfoWriter, UpdateTakesTheLaterKeyOfALineHoldingTwo) {
  InitialData d = ReadOk("20100305-0907.info");
  // Each key is tested against the line as it stood, so the later key of the
  // writing order decides, wherever the two stand on the line.
  EXPECT_EQ(UpdateInfoBytes("StationSynopticIndex StartYear:\t1999\r\n", d, 0), "StartYear:\t2010\r\n");
  EXPECT_EQ(UpdateInfoBytes("StartYear StationSynopticIndex:\t1\r\n", d, 0), "StartYear:\t2010\r\n");
  EXPECT_EQ(UpdateInfoBytes("StationLongitude RadioZondType:\t77\r\n", d, 0), "RadioZondType:\t90\r\n");

  // A key whose line is not written does not count: the last key that is written decides.
  InitialData z = d;
  z.RadioZondType = 0;
  z.RadarAboveStationExeeding = -999;
  EXPECT_EQ(UpdateInfoBytes("StationLongitude RadioZondType:\t77\r\n", z, 0),
            "StationLongitude:\t37.567\r\n");
  EXPECT_EQ(UpdateInfoBytes("StationLongitude RadioZondType RadarAboveStationExeeding\r\n", z, 0),
            "StationLongitude:\t37.567\r\n");
  z.RadioZondType = 90;
  EXPECT_EQ(UpdateInfoBytes("RadioZondType RadarAboveStationExeeding:\t5\r\n", z, 0),
            "RadioZondType:\t90\r\n");
  z.RadioZondType = 0;
  EXPECT_EQ(UpdateInfoBytes("RadioZondType RadarAboveStationExeeding:\t5\r\n", z, 0),
            "RadioZondType RadarAboveStationExeeding:\t5\r\n");
}

TEST(InfoWriter, UpdateOrderDecidesBetweenEveryTwoNeighbouringKeys) {
  // The update order, pair by pair: a line naming both keys of a pair is written
  // as the later key of the order, whichever of the two stands first on the line.
  // Each expected text is that key's value in the fixture (the radar height and
  // the type are written, as both are known).
  InitialData d = ReadOk("20100305-0907.info");
  ASSERT_GT(d.RadioZondType, 0);
  ASSERT_GT(d.RadarAboveStationExeeding, -99.0f);
  struct Pair {
    const char* earlier;
    const char* later;
    const char* written;
  };
  const Pair pairs[] = {
      {"StationSynopticIndex", "StationLongitude", "StationLongitude:\t37.567"},
      {"StationLongitude", "StationLattitude", "StationLattitude:\t55.833"},
      {"StationLattitude", "OnGroundWindDirection", "OnGroundWindDirection:\t270"},
      {"OnGroundWindDirection", "StationHeightAboveSeaLevel", "StationHeightAboveSeaLevel:\t147"},
      {"StationHeightAboveSeaLevel", "OnGroundPressure", "OnGroundPressure:\t1003.4"},
      {"OnGroundPressure", "OnGroundWindVelocity", "OnGroundWindVelocity:\t4"},
      {"OnGroundWindVelocity", "OnGroundHumidityError", "OnGroundHumidityError:\t1.5"},
      {"OnGroundHumidityError", "OnGroundTemperatureError", "OnGroundTemperatureError:\t-0.25"},
      {"OnGroundTemperatureError", "StartYear", "StartYear:\t2010"},
      {"StartYear", "StartMonth", "StartMonth:\t3"},
      {"StartMonth", "StartDay", "StartDay:\t5"},
      {"StartDay", "StartHour", "StartHour:\t9"},
      {"StartHour", "StartMinute", "StartMinute:\t7"},
      {"StartMinute", "NebulosityCode", "NebulosityCode:\t8/6//"},
      {"NebulosityCode", "RadioZondType", "RadioZondType:\t90"},
      {"RadioZondType", "RadarAboveStationExeeding", "RadarAboveStationExeeding:\t12"},
  };
  for (const Pair& p : pairs) {
    const std::string expected = std::string(p.written) + "\r\n";
    const std::string a(p.earlier);
    const std::string b(p.later);
    EXPECT_EQ(UpdateInfoBytes(a + " " + b + ":\t0\r\n", d, 0), expected) << a << " / " << b;
    EXPECT_EQ(UpdateInfoBytes(b + " " + a + ":\t0\r\n", d, 0), expected) << b << " / " << a;
  }
}

TEST(SplitLines, EachLineEndCountsOnceAndEndsNoEmptyLastLine) {
  using Lines = std::vector<std::string_view>;
  EXPECT_EQ(SplitLines(""), Lines{});
  // A lone CR as the very last byte ends the last line and starts no other.
  EXPECT_EQ(SplitLines("a\r"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("\r"), (Lines{""}));
  // CR LF is one line end, at the end, in the middle and at the very start.
  EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("\r\na"), (Lines{"", "a"}));
  EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
  // Two CRs, or LF then CR, are two line ends.
  EXPECT_EQ(SplitLines("a\r\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\rb\nc\r\nd\r"), (Lines{"a", "b", "c", "d"}));
  // A view ending in a CR ends there, whatever byte follows it in memory.
  const std::string buffer = "a\r\nb";
  EXPECT_EQ(SplitLines(std::string_view(buffer.data(), 2)), (Lines{"a"}));
}

TEST(ReadInfo, AnyMixOfLineEndsReadsTheSameEntries) {
  const char* const texts[] = {
      // every line ended by a lone CR, the last byte included
      "StationSynopticIndex:\t27612\rStartYear:\t2010\rStartMonth:\t3\rStartDay:\t5\r"
      "StartHour:\t9\rStartMinute:\t7\rRadioZondType:\t90\r",
      // CR LF throughout, the last line too
      "StationSynopticIndex:\t27612\r\nStartYear:\t2010\r\nStartMonth:\t3\r\nStartDay:\t5\r\n"
      "StartHour:\t9\r\nStartMinute:\t7\r\nRadioZondType:\t90\r\n",
      // CR LF, CR and LF mixed in the middle, a CR LF first and a lone CR last
      "\r\nStationSynopticIndex:\t27612\r\nStartYear:\t2010\rStartMonth:\t3\nStartDay:\t5\r\n\r\n"
      "StartHour:\t9\n\rStartMinute:\t7\r\nRadioZondType:\t90\r",
  };
  for (const char* text : texts) {
    InitialData d;
    const InfoReadResult r = ParseInfo(text, "station.info", true, d);
    EXPECT_TRUE(r.ok) << text;
    EXPECT_EQ(d.StationSynopticIndex, 27612) << text;
    EXPECT_EQ(d.StartYear, 2010) << text;
    EXPECT_EQ(d.StartDay, 5) << text;
    EXPECT_EQ(d.StartMinute, 7) << text;
    EXPECT_EQ(d.RadioZondType, 90) << text;  // a line end is never part of a value
    EXPECT_TRUE(d.ExtraLines.empty()) << text;
  }
}

TEST(InfoWriter, UpdateWritesEachLineOnceWithCrLfWhateverItsEnd) {
  InitialData d = ReadOk("20100305-0907.info");
  // Every line, empty ones included, comes back once with CR LF; a lone CR at the
  // very end makes no extra line.
  EXPECT_EQ(UpdateInfoBytes("StartYear:\t1999\r", d, 0), "StartYear:\t2010\r\n");
  EXPECT_EQ(UpdateInfoBytes("StartYear:\t1999\r\n", d, 0), "StartYear:\t2010\r\n");
  EXPECT_EQ(UpdateInfoBytes("\r\nStartYear:\t1999\r\nx\r", d, 0), "\r\nStartYear:\t2010\r\nx\r\n");
  EXPECT_EQ(UpdateInfoBytes("x\r\n\r\nStartDay:\t1\ry\n", d, 0), "x\r\n\r\nStartDay:\t5\r\ny\r\n");
}

TEST(TakeInfoFields, AnyTwoCharacterIntegerTypeIsStored) {
  // A type of -1 as read from a file comes back in its edit field as "-1"; the
  // flight must still be savable with it.
  InfoReadResult r;
  InitialData d = ReadOk("radiosonde_type_minus_one.info", &r);
  EXPECT_EQ(d.RadioZondType, -1);
  const std::string typeText = FieldText(r, "RadioZondType");
  EXPECT_EQ(typeText, "-1");
  InfoFieldTexts f{"1003.4", "270", "4", "8/6//", typeText};
  d.RadioZondType = 90;
  EXPECT_EQ(TakeInfoFields(f, d), std::nullopt);
  EXPECT_EQ(d.RadioZondType, -1);
  f.RaRa = "07";
  EXPECT_EQ(TakeInfoFields(f, d), std::nullopt);
  EXPECT_EQ(d.RadioZondType, 7);
  for (const char* bad : {"-", "a1", "1a", "--", "1.", "-1x"}) {
    f.RaRa = bad;
    EXPECT_EQ(TakeInfoFields(f, d), "edtRaRa") << bad;
    EXPECT_EQ(d.RadioZondType, 7) << bad;
  }
}

TEST(ReadInfo, NameWithoutDateIsNeverComparedEvenWithAnEarlyStart) {
  // The "no date" name time is 30 December 1899; a start before it must still
  // not be taken for a name later than the start.
  dvtest::TempDir dir;
  const std::string body = ReadAll(DataFile("start_before_1899.info"));
  for (const char* name : {"station.info", "station.org.info", "30.12.1899-0.0.info"}) {
    dvtest::WriteAll(dir.file(name), body);
    InitialData d;
    const InfoReadResult r = ReadInfo(dir.file(name), true, d);
    EXPECT_TRUE(r.ok) << name;
    EXPECT_TRUE(r.messages.empty()) << name;
    EXPECT_EQ(d.StartYear, 1850);
  }
  // A dated name is still compared with the same start.
  dvtest::WriteAll(dir.file("1.6.1850-12.32.info"), body);
  InitialData d;
  EXPECT_EQ(ReadInfo(dir.file("1.6.1850-12.32.info"), true, d).messages,
            std::vector<std::string>{kInfoNameMismatch});
}

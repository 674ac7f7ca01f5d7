// "Экспорт траектории" in the real window: the three formats, the zone for
// GPX, and the names the processing program would take refused.

#include <QAction>
#include <QTest>
#include <filesystem>

#include "WindowFixture.h"
#include "geo/TrackExport.h"

namespace {

class TrackExportWindowTest : public WindowFixture {
 protected:
  std::string Export(const std::string& file) {
    dialogs.files.push_back(PathToQt(file));
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    return std::filesystem::exists(file) ? dvtest::ReadAll(file) : std::string();
  }
};

TEST_F(TrackExportWindowTest, KmlGpxAndCsvOfTheOpenFlight) {
  TfmMainFrm& w = Create();
  const std::string base = CopyExample("20251014-1130");
  ASSERT_TRUE(Open(base));
  // The dialog suggests a name beside the flight that is not NAME.*.
  dialogs.files.push_back(std::nullopt);
  w.idExportTrack->trigger();
  EXPECT_EQ(dialogs.calls.back().kind, QStringLiteral("save"));
  EXPECT_EQ(dialogs.calls.back().text, PathToQt(base + "-track.kml"));

  const std::string kml = Export(dir.file("out.kml"));
  EXPECT_NE(kml.find("<kml xmlns=\"http://www.opengis.net/kml/2.2\">"), std::string::npos);
  EXPECT_NE(kml.find("<name>20251014-1130</name>"), std::string::npos);
  const std::string csv = Export(dir.file("out.csv"));
  EXPECT_EQ(csv.rfind("time,T,U,slant_range,", 0), 0u);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7202);  // the header and a row per time
  // GPX asks for the zone: 3 hours east of UTC puts 11:30 at 08:30Z.
  dialogs.inputs.push_back(QStringLiteral("3"));
  const std::string gpx = Export(dir.file("out.gpx"));
  EXPECT_NE(gpx.find("<time>2025-10-14T08:30:00Z</time>"), std::string::npos);
  // Cancelling the zone writes nothing.
  dialogs.inputs.push_back(std::nullopt);
  EXPECT_EQ(Export(dir.file("cancelled.gpx")), "");
}

TEST_F(TrackExportWindowTest, NamesTheProcessingProgramWouldTakeAreRefused) {
  TfmMainFrm& w = Create();
  const std::string base = CopyExample("20251014-1130");
  ASSERT_TRUE(Open(base));
  for (const std::string& name : {base + ".kml", base + ".track.csv", dir.file("20251014-1130.GPX")}) {
    dialogs.calls.clear();
    EXPECT_EQ(Export(name), "") << name;
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls.back().text, QString::fromUtf8(dv::kTakenAsFlight) + PathToQt(name));
  }
  EXPECT_TRUE(dv::WouldBeTakenAsFlight(base + ".x", base));
  EXPECT_FALSE(dv::WouldBeTakenAsFlight(base + "-track.kml", base));
  EXPECT_FALSE(dv::WouldBeTakenAsFlight((std::filesystem::temp_directory_path() / "20251014-1130.kml").string(), base));
  (void)w;
}

TEST_F(TrackExportWindowTest, WithoutTheStationPositionOnlyTheCsv) {
  TfmMainFrm& w = Create();
  const std::string base = CopyExample("20251014-1130");
  // The station's coordinates unknown.
  std::string info = dvtest::ReadAll(base + ".info");
  for (const char* key : {"StationLongitude", "StationLattitude"}) {
    const std::size_t at = info.find(key);
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = info.find("\r\n", at);
    info.replace(at, end - at, std::string(key) + ":\t-999");
  }
  dvtest::WriteAll(base + ".info", info);
  ASSERT_TRUE(Open(base));
  dialogs.calls.clear();
  EXPECT_EQ(Export(dir.file("out.kml")), "");
  EXPECT_EQ(dialogs.calls.back().text, QString::fromUtf8(dv::kNoStationPosition));
  const std::string csv = Export(dir.file("out.csv"));
  EXPECT_NE(csv.find("\r\n1.00,"), std::string::npos);
  (void)w;
}

}  // namespace

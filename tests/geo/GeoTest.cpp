#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "TestSupport.h"
#include "charts/Derived.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/PointFiles.h"
#include "geo/Geodesy.h"
#include "geo/TrackExport.h"
#include "products/FlightProducts.h"
#include "thermo/Profile.h"
#include "wind/Wind.h"

namespace {

TEST(GeodesyTest, HandWorkedDistancesOnTheEllipsoid) {
  // One degree of longitude on the equator is a * pi / 180.
  const dv::GeoPoint east = dv::DirectGeodesic({0, 0}, 90, dv::kWgs84A * std::numbers::pi / 180);
  EXPECT_NEAR(east.latitude, 0, 1e-12);
  EXPECT_NEAR(east.longitude, 1, 1e-9);
  // One degree of latitude from the equator: the meridian arc of WGS-84, 110,574.389 m.
  const dv::GeoPoint north = dv::DirectGeodesic({0, 0}, 0, 110574.3886);
  EXPECT_NEAR(north.latitude, 1, 1e-6);
  EXPECT_NEAR(north.longitude, 0, 1e-12);
  // Across the date line the longitude wraps.
  EXPECT_NEAR(dv::DirectGeodesic({0, 179.5}, 90, 111319.4908).longitude, -179.5, 1e-6);
  EXPECT_EQ(dv::PositionFromStation({55.9, 37.5}, 0, 0).latitude, 55.9);
}

TEST(GeodesyTest, APointNinetyKilometresOutComesBackByTheInverseSolution) {
  const dv::GeoPoint station{55.933, 37.517};
  for (double azimuth : {0.0, 45.0, 120.0, 215.0, 300.0}) {
    const double east = 90000 * std::sin(azimuth * std::numbers::pi / 180);
    const double north = 90000 * std::cos(azimuth * std::numbers::pi / 180);
    const dv::GeoPoint p = dv::PositionFromStation(station, east, north);
    const auto back = dv::InverseGeodesic(station, p);
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->distance, 90000, 1e-4) << azimuth;
    const double off = std::fabs(back->azimuth - azimuth);
    EXPECT_NEAR(std::min(off, 360 - off), 0, 1e-8) << azimuth;
  }
  // The plane of the station would be off by a kilometre here: east 90 km at 56°N
  // is not on the station's parallel.
  const dv::GeoPoint p = dv::PositionFromStation(station, 90000, 0);
  EXPECT_LT(p.latitude, station.latitude - 0.005);
}

dv::FlightPoints SmallFlight() {
  dv::FlightPoints p;
  for (int i = 0; i < 5; ++i) {
    dv::TuPoint t;
    t.Time = static_cast<float>(i);
    t.T = static_cast<float>(10 - i);
    t.U = 50;
    p.TuPoints.Add(t);
  }
  for (int i : {0, 1, 3, 4, 5}) {  // the radar lacks 2 s and goes on to 5 s
    dv::CrdPoint c;
    c.Time = i;
    c.SR = 1000 + 10 * i;
    c.Az = 90;
    c.El = 10;
    p.CrdPoints.Add(c);
  }
  p.TuPoints[1].TExcluded = true;
  p.CrdPoints[3].Excluded = true;  // 4 s
  p.CrdPoints[4].Az = -999;        // 5 s, a mark
  return p;
}

dv::InitialData Station() {
  dv::InitialData info;
  info.StationLattitude = 55.933f;
  info.StationLongitude = 37.517f;
  info.StationHeightAboveSeaLevel = 187;
  return info;
}

// The same geometry worked on the refracting sphere itself: the radar on a
// sphere of 4/3 the earth's radius, rays straight, the sonde at SR and El; the
// ground distance is the arc under it.
TEST(GeodesyTest, GroundDistanceUnderTheSondeAsOnTheSphere) {
  const double ka = 1.0 / (2.0 * dv::kHeightCurvature);
  for (const auto& [sr, el] : {std::pair{100000.0, 10.0}, std::pair{92000.0, 11.0}, std::pair{20000.0, 45.0},
                               std::pair{150000.0, 4.0}, std::pair{500.0, 80.0}}) {
    const double e = el * std::numbers::pi / 180;
    const double phi = std::atan2(sr * std::cos(e), ka + sr * std::sin(e));
    const dv::CrdDerived d = dv::DeriveCrd(sr, 0, el);
    EXPECT_NEAR(dv::GroundDistance(d.L, d.Z), ka * phi, 1.0) << sr << " " << el;
  }
  // At 90 km out and 18 km up the plane is some 200 m longer than the ground.
  const dv::CrdDerived far = dv::DeriveCrd(std::hypot(90000.0, 18000.0), 0, std::atan2(18000.0, 90000.0) * 180 / std::numbers::pi);
  EXPECT_GT(far.L - dv::GroundDistance(far.L, far.Z), 150);
  EXPECT_LT(far.L - dv::GroundDistance(far.L, far.Z), 300);
}

// Stations west of 99° W, near the date line and beyond it, have positions;
// the tracks cross the date line as they should.
TEST(TrackExportTest, StationsAnywhereOnEarthAndTracksOverTheDateLine) {
  const dv::FlightPoints p = SmallFlight();  // the sonde goes east, 1 km out
  for (const auto& [lon, east] : {std::pair{-101.371f, -101.36}, std::pair{177.5f, 177.51}, std::pair{-170.0f, -169.99},
                                  std::pair{179.995f, -179.995}, std::pair{350.0f, -9.99}}) {
    dv::InitialData info = Station();
    info.StationLongitude = lon;
    EXPECT_TRUE(dv::StationKnown(info)) << lon;
    const auto track = dv::BuildTrack(p, info, {});
    ASSERT_EQ(dv::PositionCount(track), 3) << lon;
    EXPECT_NEAR(*track[1].longitude, east, 0.01) << lon;
    EXPECT_LE(std::fabs(*track[1].longitude), 180) << lon;
    EXPECT_NE(dv::FormatTrackKml(track, "x").find("<coordinates>"), std::string::npos);
  }
  // Only the mark is no place: a latitude below -90 or a longitude below -360.
  dv::InitialData info = Station();
  for (const float lon : {-999.0f, -361.0f}) {
    info.StationLongitude = lon;
    EXPECT_FALSE(dv::StationKnown(info)) << lon;
  }
  info = Station();
  info.StationLattitude = -90.5f;
  EXPECT_FALSE(dv::StationKnown(info));
  info.StationLattitude = -89.5f;
  EXPECT_TRUE(dv::StationKnown(info));
}

TEST(TrackExportTest, RecordsMergedByTimeWithWhatIsExcludedLeftEmpty) {
  const dv::FlightPoints p = SmallFlight();
  const auto track = dv::BuildTrack(p, Station(), {});
  ASSERT_EQ(track.size(), 6u);  // 0..4 s from both files, 5 s from the radar only
  EXPECT_EQ(track[1].time, 1);
  EXPECT_FALSE(track[1].T);  // excluded
  EXPECT_TRUE(track[1].U);
  EXPECT_TRUE(track[2].T);
  EXPECT_FALSE(track[2].SR);  // no radar record at 2 s
  EXPECT_FALSE(track[4].SR);  // excluded
  EXPECT_TRUE(track[5].SR);
  EXPECT_FALSE(track[5].Az);  // a mark
  EXPECT_FALSE(track[5].latitude);
  EXPECT_FALSE(track[5].T);
  // Altitude is the station height plus the derived height.
  const dv::CrdDerived d = dv::DeriveCrd(p.CrdPoints[1]);
  ASSERT_TRUE(track[1].altitude);
  EXPECT_NEAR(*track[1].altitude, 187 + d.Z, 1e-9);
  const auto back = dv::InverseGeodesic({55.933f, 37.517f}, {*track[1].latitude, *track[1].longitude});
  EXPECT_NEAR(back->distance, dv::GroundDistance(d.L, d.Z), 1e-4);  // along the ground, not the plane
  EXPECT_NEAR(back->azimuth, 90, 1e-6);
  EXPECT_EQ(dv::PositionCount(track), 3);
  // Without the station's coordinates there is no position.
  EXPECT_EQ(dv::PositionCount(dv::BuildTrack(p, dv::InitialData{}, {})), 0);
  EXPECT_FALSE(dv::StationKnown(dv::InitialData{}));
}

TEST(TrackExportTest, CsvKmlAndGpxText) {
  const auto track = dv::BuildTrack(SmallFlight(), Station(), {});
  const std::string csv = dv::FormatTrackCsv(track);
  std::istringstream lines(csv);
  std::string header, first, second;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(header,
            "time,T,U,slant_range,azimuth,elevation,X,Y,Z,latitude,longitude,altitude,wind_speed,wind_direction,"
            "ascent_rate,pressure,geopotential_height,dew_point\r");
  EXPECT_EQ(second.substr(0, 21), "1.00,,50.0,1010.00,90");  // the excluded T empty
  EXPECT_EQ(second.substr(second.size() - 4), ",,,\r");   // no profile given: no pressure
  // With the profile: its pressure and height at the record's time, between its
  // points in ln p; the dew point only where the record has T and U.
  auto profiled = track;
  dv::Profile profile;
  profile.pressureKnown = true;
  profile.points = {{0, 0.0f, 0, 0, 1000.0f}, {0, 2.0f, 0, 20, 990.0f}};
  dv::AddProfile(profiled, profile);
  ASSERT_GE(profiled.size(), 3u);
  EXPECT_NEAR(*profiled[1].pressure, std::sqrt(1000.0 * 990.0), 1e-3);
  EXPECT_NEAR(*profiled[1].geopotentialHeight, 10, 1e-6);
  EXPECT_FALSE(profiled[1].dewPoint);  // its T is excluded
  ASSERT_TRUE(profiled[0].dewPoint);
  EXPECT_NEAR(*profiled[0].dewPoint, 0.04, 0.01);  // 10 °C at 50 %
  const std::string kml = dv::FormatTrackKml(track, "20251014-1130 <27612>");
  EXPECT_NE(kml.find("<name>20251014-1130 &lt;27612&gt;</name>"), std::string::npos);
  EXPECT_NE(kml.find("<name>Выпуск</name>"), std::string::npos);
  EXPECT_NE(kml.find("<name>Наивысшая точка</name>"), std::string::npos);
  // The line holds the records with a position, in time order, and nothing else;
  // the launch mark is the first of them.
  const std::size_t from = kml.find("<coordinates>\n") + 14;
  const std::string coordinates = kml.substr(from, kml.find("</coordinates>", from) - from);
  ASSERT_GE(dv::PositionCount(track), 2);
  EXPECT_EQ(std::count(coordinates.begin(), coordinates.end(), '\n'), dv::PositionCount(track));
  const auto placed = std::find_if(track.begin(), track.end(), [](const dv::TrackRecord& r) { return r.latitude && r.longitude && r.altitude; });
  const std::string launchText = dv::FormatFixed(*placed->longitude, 0, 7) + ',' + dv::FormatFixed(*placed->latitude, 0, 7) +
                                 ',' + dv::FormatFixed(*placed->altitude, 0, 1);
  EXPECT_EQ(coordinates.substr(0, launchText.size()), launchText);
  EXPECT_NE(kml.find("<name>Выпуск</name><Point><altitudeMode>absolute</altitudeMode><coordinates>" + launchText),
            std::string::npos);
  const auto launch = dv::EncodeDateTime(2025, 10, 14, 8, 30);
  const std::string gpx = dv::FormatTrackGpx(track, "x", *launch);
  EXPECT_NE(gpx.find("<time>2025-10-14T08:30:00Z</time>"), std::string::npos);
  EXPECT_NE(gpx.find("<time>2025-10-14T08:30:03Z</time>"), std::string::npos);
  EXPECT_EQ(dv::TrackFileName("/data/20251014-1130", "kml"), "/data/20251014-1130-track.kml");
}

// The real clients read the files back: gpsbabel the KML and GPX, pandas the CSV.
class ClientsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dv::CrdArray crd(7201);
    dv::TuArray tu(7201);
    const std::string base = std::string(DEVIRARAV_EXAMPLES) + "/20251014-1130";
    dv::ReadTu(base + ".tu", tu);
    dv::ReadCrd(base + ".crd", crd);
    dv::FlightPoints p;
    p.TuPoints.Assign(tu);
    p.CrdPoints.Assign(crd);
    dv::InitialData info = Station();
    info.OnGroundPressure = 996.3;
    dv::FlightProducts products(p, info);
    track_ = products.Track();  // with the profile's pressure, height and dew point
    levels_ = products.Levels();
    dir_ = std::filesystem::temp_directory_path() / ("devirarav-geo-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(dv::WriteFileAtomic(path, bytes));
    return path;
  }
  static std::string Run(const std::string& command) { return dvtest::CommandOutput(command); }
  static bool Have(const std::string& program) { return dvtest::HaveProgram(program); }

  // Every position gpsbabel read back, in order: latitude and longitude.
  std::vector<std::pair<double, double>> ReadBack(const std::string& format, const std::string& file) {
    // -t: the tracks (a GPX or KML line), not only the waypoints.
    const std::string out = Run("gpsbabel -t -i " + format + " -f " + file + " -o unicsv -F - 2>/dev/null");
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);  // header: No,Latitude,Longitude,...
    std::vector<std::pair<double, double>> points;
    while (std::getline(lines, line)) {
      std::istringstream cells(line);
      std::string no, lat, lon;
      std::getline(cells, no, ',');
      std::getline(cells, lat, ',');
      std::getline(cells, lon, ',');
      points.emplace_back(std::stod(lat), std::stod(lon));
    }
    return points;
  }
  void ExpectSamePositions(const std::vector<std::pair<double, double>>& read) {
    std::vector<std::pair<double, double>> ours;
    for (const dv::TrackRecord& r : track_)
      if (r.latitude && r.longitude && r.altitude) ours.emplace_back(*r.latitude, *r.longitude);
    ASSERT_EQ(read.size(), ours.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
      ASSERT_NEAR(read[i].first, ours[i].first, 1e-6) << i;
      ASSERT_NEAR(read[i].second, ours[i].second, 1e-6) << i;
    }
  }

  std::vector<dv::TrackRecord> track_;
  std::vector<dv::Level> levels_;
  std::filesystem::path dir_;
};

TEST_F(ClientsTest, GpsbabelReadsTheGpxAndTheKmlBack) {
#ifdef _WIN32
  GTEST_SKIP() << "gpsbabel is the Linux program here, which a Windows test program cannot start";
#endif
  if (!Have("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed (scripts/install-deps.sh installs it)";
  ASSERT_GT(dv::PositionCount(track_), 7000);
  const std::string gpx = Write("flight-track.gpx", dv::FormatTrackGpx(track_, "20251014-1130", *dv::EncodeDateTime(2025, 10, 14, 8, 30)));
  ExpectSamePositions(ReadBack("gpx", gpx));
  const std::string kml = Write("flight-track.kml", dv::FormatTrackKml(track_, "20251014-1130"));
  // With -t gpsbabel reads the line; the two placemarks are waypoints.
  ExpectSamePositions(ReadBack("kml", kml));
}

// The GPX 1.1 schema's structure, checked on the parsed file: the namespace,
// the root's attributes, each element's children in the schema's order and
// at most as often as it allows, the point attributes' ranges and the types
// of elevation and time. A name with "<" and "&" must come through as text.
TEST_F(ClientsTest, TheGpxHasTheStructureOfItsSchema) {
#ifdef _WIN32
  GTEST_SKIP() << "the structure is checked by the Linux python here, which a Windows test program cannot start";
#endif
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  if (std::system((python + " -c 'import xml.etree.ElementTree' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "python3 is not installed";
  const std::string gpx =
      Write("schema.gpx", dv::FormatTrackGpx(track_, "27612 <A&B>", *dv::EncodeDateTime(2025, 10, 14, 8, 30)));
  const std::string script = Write("schema.py", R"PY(
import re, sys, xml.etree.ElementTree as ET
NS = '{http://www.topografix.com/GPX/1/1}'
# Each type's children in order, with the most times each may appear (None: unbounded).
WPT = [('ele', 1), ('time', 1), ('magvar', 1), ('geoidheight', 1), ('name', 1), ('cmt', 1), ('desc', 1),
       ('src', 1), ('link', None), ('sym', 1), ('type', 1), ('fix', 1), ('sat', 1), ('hdop', 1), ('vdop', 1),
       ('pdop', 1), ('ageofdgpsdata', 1), ('dgpsid', 1), ('extensions', 1)]
TYPES = {
  'gpx': [('metadata', 1), ('wpt', None), ('rte', None), ('trk', None), ('extensions', 1)],
  'trk': [('name', 1), ('cmt', 1), ('desc', 1), ('src', 1), ('link', None), ('number', 1), ('type', 1),
          ('extensions', 1), ('trkseg', None)],
  'trkseg': [('trkpt', None), ('extensions', 1)],
  'trkpt': WPT, 'wpt': WPT,
}
DATETIME = re.compile(r'^-?\d{4,}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?(Z|[+-]\d\d:\d\d)?$')
DECIMAL = re.compile(r'^[+-]?(\d+(\.\d*)?|\.\d+)$')
errors = []
def check(el, kind):
    order = TYPES.get(kind)
    if order is None:
        return
    names = [n for n, _ in order]
    at, seen = 0, {}
    for child in el:
        if not child.tag.startswith(NS):
            errors.append('foreign element %s in %s' % (child.tag, kind)); continue
        tag = child.tag[len(NS):]
        if tag not in names:
            errors.append('%s not allowed in %s' % (tag, kind)); continue
        i = names.index(tag)
        if i < at:
            errors.append('%s out of order in %s' % (tag, kind))
        at = i
        seen[tag] = seen.get(tag, 0) + 1
        most = dict(order)[tag]
        if most is not None and seen[tag] > most:
            errors.append('%s more than %d times in %s' % (tag, most, kind))
        check(child, tag)
    if kind in ('trkpt', 'wpt'):
        if set(el.attrib) != {'lat', 'lon'}:
            errors.append('point attributes %s' % sorted(el.attrib))
        lat, lon = el.get('lat', ''), el.get('lon', '')
        if not (DECIMAL.match(lat) and -90 <= float(lat) <= 90): errors.append('lat ' + lat)
        if not (DECIMAL.match(lon) and -180 <= float(lon) < 180): errors.append('lon ' + lon)
        for e in el.findall(NS + 'ele'):
            if not DECIMAL.match(e.text or ''): errors.append('ele ' + str(e.text))
        for t in el.findall(NS + 'time'):
            if not DATETIME.match(t.text or ''): errors.append('time ' + str(t.text))
root = ET.parse(sys.argv[1]).getroot()
if root.tag != NS + 'gpx': errors.append('root ' + root.tag)
if root.get('version') != '1.1': errors.append('version %s' % root.get('version'))
if not root.get('creator'): errors.append('no creator')
if set(root.attrib) - {'version', 'creator', '{http://www.w3.org/2001/XMLSchema-instance}schemaLocation'}:
    errors.append('root attributes %s' % sorted(root.attrib))
check(root, 'gpx')
print(len(root.findall('.//' + NS + 'trkpt')), root.find(NS + 'trk/' + NS + 'name').text)
print('\n'.join(errors[:10]) if errors else 'valid')
)PY");
  const std::string out = Run(python + " " + script + " " + gpx + " 2>&1");
  EXPECT_EQ(out, std::to_string(dv::PositionCount(track_)) + " 27612 <A&B>\nvalid\n");
}

TEST_F(ClientsTest, PandasReadsTheCsvWithItsTypesAndValues) {
#ifdef _WIN32
  GTEST_SKIP() << "pandas runs in the Linux python here, which a Windows test program cannot start";
#endif
  // Debian's own python, which python3-pandas serves.
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  if (std::system((python + " -c 'import pandas' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "python3-pandas is not installed";
  const std::string csv = Write("flight.csv", dv::FormatTrackCsv(track_));
  const std::string levels = Write("flight-levels.csv", dv::FormatLevelsCsv(levels_));
  const std::string script = Write("check.py",
      "import sys, pandas\n"
      "d = pandas.read_csv(sys.argv[1])\n"
      "print(len(d), all(str(t) == 'float64' for t in d.dtypes))\n"
      "print('%.7f %.7f %.2f %.1f' % (d.latitude.iloc[100], d.longitude.iloc[100], d['T'].iloc[100], d.altitude.iloc[100]))\n"
      "print(int(d.slant_range.isna().sum()), int(d.wind_speed.notna().sum()))\n"
      "print('%.2f %.1f %.2f' % (d.pressure.iloc[100], d.geopotential_height.iloc[100], d.dew_point.iloc[100]))\n"
      "l = pandas.read_csv(sys.argv[2])\n"
      "print(list(l.columns), str(l.kind.dtype), all(t.kind in 'if' for t in l.dtypes[1:]))\n"
      "s = l[(l.kind == 'standard') & (l.pressure == 500)]\n"
      "print(len(s), '%.0f' % s.geopotential_height.iloc[0])\n");
  const std::string out = Run(python + " " + script + " " + csv + " " + levels);
  const dv::TrackRecord& r = track_[100];
  char expected[300];
  std::snprintf(expected, sizeof expected, "%zu True\n%.7f %.7f %.2f %.1f\n", track_.size(), *r.latitude, *r.longitude,
                *r.T, *r.altitude);
  int noRange = 0, withWind = 0;
  for (const dv::TrackRecord& t : track_) noRange += !t.SR, withWind += t.windSpeed.has_value();
  char profiled[300];
  std::snprintf(profiled, sizeof profiled, "%.2f %.1f %.2f\n", *r.pressure, *r.geopotentialHeight, *r.dewPoint);
  double h500 = 0;
  for (const dv::Level& l : levels_)
    if (l.kind == dv::LevelKind::Standard && l.p == 500) h500 = l.H;
  EXPECT_EQ(out, std::string(expected) + std::to_string(noRange) + " " + std::to_string(withWind) + "\n" + profiled +
                     "['kind', 'pressure', 'geopotential_height', 'T', 'dew_point', 'U', 'wind_direction', "
                     "'wind_speed'] object True\n1 " + dv::FormatFixed(h500, 0, 0) + "\n");
}

}  // namespace

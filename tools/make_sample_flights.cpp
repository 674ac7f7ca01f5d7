// Writes the sample flights of examples/ into the folder given as the argument:
//   20251014-1130     a two-hour ascent with a one-minute radar dropout
//   15.10.2025-5.30   telemetry and coordinate clocks that run back once
//   20251016-1130     out-of-range telemetry and missing-value marks
//   20251017-2330     a flight with read-only originals (.org.*) and edited working files
// The output is the same on every platform, byte for byte, so the committed
// files can be checked by running this again and comparing.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "SampleAscent.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"
#include "flight/Points.h"

namespace fs = std::filesystem;
using dvtools::AscentPoint;
using dvtools::AscentSettings;

namespace {

constexpr double kMissing = -999.0;

struct InfoFields {
  int stationIndex = 27612;
  double longitude = 37.517;
  double latitude = 55.933;
  double stationHeight = 187.0;
  double groundPressure = 996.3;
  double groundWindFrom = 250.0;
  double groundWindSpeed = 4.0;
  double humidityError = 1.5;
  double temperatureError = 0.12;
  int year = 2025, month = 10, day = 14, hour = 11, minute = 30;
  std::string nebulosity = "8/6//";
  int sondeType = 90;
  bool hasRadarHeight = true;
  double radarHeight = 1.0;
};

// The .info as the program itself writes a new one.
std::string FormatInfo(const InfoFields& f) {
  dv::InitialData d;
  d.StationSynopticIndex = f.stationIndex;
  d.StationLongitude = static_cast<float>(f.longitude);
  d.StationLattitude = static_cast<float>(f.latitude);
  d.StationHeightAboveSeaLevel = static_cast<float>(f.stationHeight);
  d.OnGroundPressure = f.groundPressure;
  d.OnGroundWindDirection = f.groundWindFrom;
  d.OnGroundWindVelocity = f.groundWindSpeed;
  d.OnGroundHumidityError = f.humidityError;
  d.OnGroundTemperatureError = f.temperatureError;
  d.StartYear = static_cast<std::uint16_t>(f.year);
  d.StartMonth = static_cast<std::uint16_t>(f.month);
  d.StartDay = static_cast<std::uint16_t>(f.day);
  d.StartHour = static_cast<std::uint16_t>(f.hour);
  d.StartMinute = static_cast<std::uint16_t>(f.minute);
  d.NebulosityCode = f.nebulosity;
  d.RadioZondType = f.sondeType;
  d.RadarAboveStationExeeding = f.hasRadarHeight ? static_cast<float>(f.radarHeight) : -999.0f;
  return dv::FormatNewInfo(d, 0);
}

dv::TuArray ToTu(const std::vector<AscentPoint>& ascent) {
  dv::TuArray tu(static_cast<int>(ascent.size()));
  for (const AscentPoint& a : ascent) {
    dv::TuPoint p;
    p.Time = static_cast<float>(a.time);
    p.T = static_cast<float>(a.T);
    p.U = static_cast<float>(a.U);
    tu.Add(p);
  }
  return tu;
}

dv::CrdArray ToCrd(const std::vector<AscentPoint>& ascent) {
  dv::CrdArray crd(static_cast<int>(ascent.size()));
  for (const AscentPoint& a : ascent) {
    dv::CrdPoint p;
    p.Time = a.time;
    p.SR = a.SR;
    p.Az = a.Az * dv::kRadToDeg;  // degrees in memory
    p.El = a.El * dv::kRadToDeg;
    crd.Add(p);
  }
  return crd;
}

// Missing-value marks put in place of measured values of one .crd line.
struct CrdMark {
  int index;
  bool range;
  bool azimuth;
  bool elevation;
};

std::vector<std::string> SplitCrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The writer cannot produce a mark (a marked point is excluded and so never
// written), so the writer's lines are taken and the marked fields replaced.
std::string CrdTextWithMarks(const dv::CrdArray& crd, const std::vector<CrdMark>& marks) {
  std::vector<std::string> lines = SplitCrLfLines(dv::FormatCrdLines(crd));
  for (const CrdMark& m : marks) {
    std::string& line = lines.at(static_cast<std::size_t>(m.index));
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    if (m.range) fields.at(1) = dv::FormatFixed(kMissing, 0, 2);
    if (m.azimuth) fields.at(2) = dv::FormatFixed(kMissing, 0, 6);
    if (m.elevation) fields.at(3) = dv::FormatFixed(kMissing, 0, 6);
    line = fields[0] + '\t' + fields[1] + '\t' + fields[2] + '\t' + fields[3];
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class Writer {
 public:
  explicit Writer(fs::path folder) : folder_(std::move(folder)) {}

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  void Info(const std::string& name, const InfoFields& f) { Bytes(name, FormatInfo(f)); }
  void Tu(const std::string& name, const dv::TuArray& tu) {
    Prepare(name);
    Check(dv::WriteTuFile(Path(name), tu), name);
  }
  void Crd(const std::string& name, const dv::CrdArray& crd) {
    Prepare(name);
    Check(dv::WriteCrdFile(Path(name), crd), name);
  }
  void Bytes(const std::string& name, const std::string& bytes) {
    Prepare(name);
    Check(dv::WriteFileAtomic(Path(name), bytes), name);
  }
  void ReadOnly(const std::string& name) { Check(dv::SetReadOnly(Path(name)), name); }

 private:
  // A read-only original from an earlier run would refuse the rewrite.
  void Prepare(const std::string& name) {
    std::error_code ec;
    fs::remove(folder_ / name, ec);
  }
  static void Check(const dv::IoResult& r, const std::string& name) {
    if (!r) {
      std::fprintf(stderr, "cannot write %s: %s\n", name.c_str(), r.error.c_str());
      std::exit(1);
    }
  }

  fs::path folder_;
};

// The main sample: a two-hour ascent at 1 s. The radar loses the balloon for
// one minute and drops three single values.
void MainFlight(Writer& w) {
  AscentSettings s;
  s.seed = 20251014;
  s.points = 7201;
  const auto ascent = SimulateAscent(s);

  std::vector<CrdMark> marks;
  marks.push_back({1500, true, false, false});
  marks.push_back({2750, false, true, false});
  for (int i = 4200; i < 4260; ++i) marks.push_back({i, true, true, true});
  marks.push_back({5600, false, false, true});

  const std::string name = "20251014-1130";
  InfoFields f;
  w.Info(name + ".info", f);
  w.Tu(name + ".tu", ToTu(ascent));
  w.Bytes(name + ".crd", CrdTextWithMarks(ToCrd(ascent), marks));
}

// A telemetry clock that runs back: ..., 101, 102, 101.5, 102.5, ...; later the
// radar clock runs back too: ..., 149, 150, 149, 150, ...
void TimeFailureFlight(Writer& w) {
  AscentSettings s;
  s.seed = 20251015;
  s.points = 240;
  s.surfaceT = 4.2;
  s.surfaceU = 92.0;
  s.surfaceWindFrom = 300.0;
  s.surfaceWindSpeed = 2.0;
  s.launchAzimuthDeg = 160.0;
  s.launchRange = 220.0;
  s.launchElevationDeg = -0.3;
  const auto ascent = SimulateAscent(s);

  dv::TuArray tu = ToTu(ascent);
  for (int i = 103; i < tu.Count(); ++i) tu[i].Time = static_cast<float>(i - 1.5);
  dv::CrdArray crd = ToCrd(ascent);
  for (int i = 151; i < crd.Count(); ++i) crd[i].Time = i - 2.0;

  const std::string name = "15.10.2025-5.30";
  InfoFields f;
  f.groundPressure = 1001.7;
  f.groundWindFrom = 300.0;
  f.groundWindSpeed = 2.0;
  f.humidityError = 0.8;
  f.temperatureError = 0.05;
  f.day = 15;
  f.hour = 5;
  f.minute = 30;
  f.nebulosity = "/////";
  f.hasRadarHeight = false;
  w.Info(name + ".info", f);
  w.Tu(name + ".tu", tu);
  w.Crd(name + ".crd", crd);
}

// Telemetry outside the accepted ranges (and values just inside them), and
// radar lines with missing-value marks.
void OutOfRangeFlight(Writer& w) {
  AscentSettings s;
  s.seed = 20251016;
  s.points = 120;
  s.surfaceT = 9.8;
  s.surfaceU = 76.0;
  const auto ascent = SimulateAscent(s);

  dv::TuArray tu = ToTu(ascent);
  tu[20].T = 150.0f;   // |T| > 99: excluded
  tu[40].U = -20.0f;   // below -15: excluded
  tu[60].U = 115.0f;   // the upper limit itself: kept
  tu[80].U = -15.0f;   // the lower limit itself: excluded
  tu[100].T = -99.0f;  // the temperature limit itself: kept

  std::vector<CrdMark> marks = {{30, true, false, false}, {31, false, true, false},
                                {32, false, false, true}};
  for (int i = 70; i < 75; ++i) marks.push_back({i, true, true, true});

  const std::string name = "20251016-1130";
  InfoFields f;
  f.groundPressure = 993.8;
  f.groundWindSpeed = 5.0;
  f.day = 16;
  f.nebulosity = "7/5//";
  w.Info(name + ".info", f);
  // The bad values are the writer's own formatting; the range flags are only
  // set when the file is read back.
  w.Tu(name + ".tu", tu);
  w.Bytes(name + ".crd", CrdTextWithMarks(ToCrd(ascent), marks));
}

// Originals as the receiving station left them (read-only) and working files
// after an observer's review: four telemetry spikes removed and the ground
// pressure corrected.
void OriginalsFlight(Writer& w) {
  AscentSettings s;
  s.seed = 20251017;
  s.points = 300;
  s.surfaceT = 6.1;
  s.surfaceU = 85.0;
  s.surfaceWindFrom = 230.0;
  s.surfaceWindSpeed = 6.0;
  const auto ascent = SimulateAscent(s);

  dv::TuArray org = ToTu(ascent);
  org[57].T += 7.5f;
  org[140].T -= 6.0f;
  org[201].U = std::min(org[201].U + 22.0f, 100.0f);
  org[233].T += 5.0f;
  org[233].U = std::max(org[233].U - 20.0f, 0.0f);
  dv::TuArray work(org.Count());
  work.Assign(org);
  for (int i : {57, 140, 201, 233}) work[i].TExcluded = work[i].UExcluded = true;
  const dv::CrdArray crd = ToCrd(ascent);

  const std::string name = "20251017-2330";
  InfoFields f;
  f.groundPressure = 1003.2;
  f.groundWindFrom = 230.0;
  f.groundWindSpeed = 6.0;
  f.day = 17;
  f.hour = 23;
  f.minute = 30;
  f.nebulosity = "0////";
  w.Info(name + ".org.info", f);
  w.Tu(name + ".org.tu", org);
  w.Crd(name + ".org.crd", crd);
  for (const char* ext : {".org.info", ".org.tu", ".org.crd"}) w.ReadOnly(name + ext);

  f.groundPressure = 1004.0;
  w.Info(name + ".info", f);
  w.Tu(name + ".tu", work);
  w.Crd(name + ".crd", crd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argc > 0 ? argv[0] : "devirarav_samplegen");
    return 2;
  }
  const fs::path folder = argv[1];
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder)) {
    std::fprintf(stderr, "cannot make the folder %s\n", argv[1]);
    return 1;
  }
  Writer w(folder);
  MainFlight(w);
  TimeFailureFlight(w);
  OutOfRangeFlight(w);
  OriginalsFlight(w);
  std::printf("sample flights written to %s\n", folder.string().c_str());
  return 0;
}

#include "geo/TrackExport.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "charts/Derived.h"
#include "common/Helpers.h"
#include "geo/Geodesy.h"
#include "thermo/Profile.h"
#include "thermo/Thermo.h"

namespace dv {

namespace {

std::string Cell(const std::optional<double>& v, int decimals) {
  return v && std::isfinite(*v) ? FormatFixed(*v, 0, decimals) : std::string();
}

std::string XmlText(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

bool HasPosition(const TrackRecord& r) { return r.latitude && r.longitude && r.altitude; }

std::string Iso(DateTime launch, double seconds) {
  const double whole = std::floor(seconds);
  const DateTimeParts p = DecodeDateTime(AddSeconds(launch, static_cast<std::int64_t>(whole)));
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
  std::string out = text;
  const double fraction = seconds - whole;
  // Whole seconds as they are; parts of a second to the hundredth.
  if (fraction > 0.005 && fraction < 0.995) out += FormatFixed(fraction, 0, 2).substr(1);
  return out + "Z";
}

}  // namespace

bool StationKnown(const InitialData& info) {
  // A station west of 99° W is as real as any: only the mark is unknown.
  return KnownLatitude(info.StationLattitude) && KnownLongitude(info.StationLongitude);
}

std::vector<TrackRecord> BuildTrack(const TuArray& tu, const CrdArray& crd, const InitialData& info,
                                    const std::vector<WindPoint>& wind) {
  const bool station = StationKnown(info);
  const GeoPoint origin{info.StationLattitude, info.StationLongitude};
  const double groundHeight = info.StationHeightAboveSeaLevel > kCrdMissingLimit ? info.StationHeightAboveSeaLevel : 0.0;
  std::vector<TrackRecord> out;
  out.reserve(static_cast<std::size_t>(std::max(tu.Count(), crd.Count())));
  auto w = wind.begin();
  const auto addTu = [&](TrackRecord& r, const TuPoint& p) {
    if (!p.TExcluded && std::fabs(p.T) < kTlmPlotLimit) r.T = p.T;
    if (!p.UExcluded && std::fabs(p.U) < kTlmPlotLimit) r.U = p.U;
  };
  const auto addCrd = [&](TrackRecord& r, const CrdPoint& p, int row) {
    if (p.Excluded) return;
    if (p.SR > kCrdMissingLimit) r.SR = p.SR;
    if (p.Az > kCrdMissingLimit && !p.AzAsRead) r.Az = p.Az;
    if (p.El > kCrdMissingLimit && !p.ElAsRead) r.El = p.El;
    if (r.SR && r.Az && r.El) {
      const CrdDerived d = DeriveCrd(p);
      r.X = d.X, r.Y = d.Y, r.Z = d.Z;
      if (station && std::isfinite(d.X) && std::isfinite(d.Y) && std::isfinite(d.Z)) {
        // Along the ground under the sonde, not along the radar's plane.
        const double scale = d.L > 0 ? GroundDistance(d.L, d.Z) / d.L : 1.0;
        const GeoPoint g = PositionFromStation(origin, d.X * scale, d.Y * scale);
        r.latitude = g.latitude, r.longitude = g.longitude, r.altitude = groundHeight + d.Z;
      }
    }
    while (w != wind.end() && w->row < row) ++w;
    if (w != wind.end() && w->row == row) {
      r.windSpeed = w->speed, r.windDirection = w->direction, r.ascentRate = w->w;
    }
  };
  int i = 0, k = 0;
  // Merged by time; a file whose time runs back simply goes on in its order.
  while (i < tu.Count() || k < crd.Count()) {
    TrackRecord r;
    const bool takeTu = i < tu.Count() && (k >= crd.Count() || !(crd[k].Time < tu[i].Time));
    const bool takeCrd = k < crd.Count() && (i >= tu.Count() || !(tu[i].Time < crd[k].Time));
    if (takeTu && takeCrd) {
      r.time = crd[k].Time;
      addTu(r, tu[i++]);
      addCrd(r, crd[k], k);
      ++k;
    } else if (takeCrd) {
      r.time = crd[k].Time;
      addCrd(r, crd[k], k);
      ++k;
    } else {
      r.time = tu[i].Time;
      addTu(r, tu[i++]);
    }
    out.push_back(r);
  }
  return out;
}

std::string FormatTrackCsv(const std::vector<TrackRecord>& track) {
  std::string out =
      "time,T,U,slant_range,azimuth,elevation,X,Y,Z,latitude,longitude,altitude,wind_speed,wind_direction,"
      "ascent_rate,pressure,geopotential_height,dew_point\r\n";
  out.reserve(out.size() + track.size() * 150);
  for (const TrackRecord& r : track) {
    out += FormatFixed(r.time, 0, 2) + ',' + Cell(r.T, 2) + ',' + Cell(r.U, 1) + ',' + Cell(r.SR, 2) + ',' +
           Cell(r.Az, 6) + ',' + Cell(r.El, 6) + ',' + Cell(r.X, 1) + ',' + Cell(r.Y, 1) + ',' + Cell(r.Z, 1) + ',' +
           Cell(r.latitude, 7) + ',' + Cell(r.longitude, 7) + ',' + Cell(r.altitude, 1) + ',' + Cell(r.windSpeed, 2) +
           ',' + Cell(r.windDirection, 1) + ',' + Cell(r.ascentRate, 2) + ',' + Cell(r.pressure, 2) + ',' +
           Cell(r.geopotentialHeight, 1) + ',' + Cell(r.dewPoint, 2) + "\r\n";
  }
  return out;
}

void AddProfile(std::vector<TrackRecord>& track, const Profile& profile) {
  const auto& pts = profile.points;
  std::size_t k = 0;
  for (TrackRecord& r : track) {
    while (k < pts.size() && pts[k].time < r.time) ++k;
    const ProfilePoint* b = k < pts.size() ? &pts[k] : nullptr;
    if (!b) break;
    if (b->time == r.time) {
      r.pressure = b->p, r.geopotentialHeight = b->H;
    } else if (k > 0) {
      const ProfilePoint& a = pts[k - 1];
      const double f = (r.time - a.time) / (b->time - a.time);
      r.pressure = std::exp(std::log(a.p) + f * (std::log(b->p) - std::log(a.p)));
      r.geopotentialHeight = a.H + f * (b->H - a.H);
    }
    if (r.pressure && r.T && r.U && *r.U > 0) r.dewPoint = thermo::DewPoint(*r.T, std::min(*r.U, 100.0));
  }
}

int PositionCount(const std::vector<TrackRecord>& track) {
  return static_cast<int>(std::count_if(track.begin(), track.end(), HasPosition));
}

std::string FormatTrackKml(const std::vector<TrackRecord>& track, const std::string& name) {
  const TrackRecord* launch = nullptr;
  const TrackRecord* top = nullptr;
  std::string line;
  for (const TrackRecord& r : track) {
    if (!HasPosition(r)) continue;
    if (!launch) launch = &r;
    if (!top || *r.altitude > *top->altitude) top = &r;
    line += FormatFixed(*r.longitude, 0, 7) + ',' + FormatFixed(*r.latitude, 0, 7) + ',' +
            FormatFixed(*r.altitude, 0, 1) + '\n';
  }
  const auto placemark = [](const std::string& title, const TrackRecord& r) {
    return "  <Placemark><name>" + XmlText(title) + "</name><Point><altitudeMode>absolute</altitudeMode><coordinates>" +
           FormatFixed(*r.longitude, 0, 7) + ',' + FormatFixed(*r.latitude, 0, 7) + ',' + FormatFixed(*r.altitude, 0, 1) +
           "</coordinates></Point></Placemark>\n";
  };
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n"
                    "  <name>" + XmlText(name) + "</name>\n"
                    "  <Placemark><name>Траектория</name><LineString><altitudeMode>absolute</altitudeMode><coordinates>\n" +
                    line + "</coordinates></LineString></Placemark>\n";
  if (launch) out += placemark("Выпуск", *launch);
  if (top) out += placemark("Наивысшая точка", *top);
  return out + "</Document>\n</kml>\n";
}

std::string FormatTrackGpx(const std::vector<TrackRecord>& track, const std::string& name, DateTime launchUtc) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"Devirarav\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      "  <trk>\n    <name>" + XmlText(name) + "</name>\n    <trkseg>\n";
  for (const TrackRecord& r : track) {
    if (!HasPosition(r)) continue;
    out += "      <trkpt lat=\"" + FormatFixed(*r.latitude, 0, 7) + "\" lon=\"" + FormatFixed(*r.longitude, 0, 7) +
           "\"><ele>" + FormatFixed(*r.altitude, 0, 1) + "</ele><time>" + Iso(launchUtc, r.time) + "</time></trkpt>\n";
  }
  return out + "    </trkseg>\n  </trk>\n</gpx>\n";
}

bool WouldBeTakenAsFlight(const std::string& file, const std::string& flightBase) {
  namespace fs = std::filesystem;
  if (flightBase.empty()) return false;
  const fs::path f(file), b(flightBase);
  std::error_code ec;
  const fs::path folder = fs::weakly_canonical(f.parent_path().empty() ? fs::path(".") : f.parent_path(), ec);
  const fs::path flightFolder = fs::weakly_canonical(b.parent_path().empty() ? fs::path(".") : b.parent_path(), ec);
  if (folder != flightFolder) return false;
  const std::string name = f.filename().string(), base = b.filename().string() + ".";
  if (name.size() < base.size()) return false;
  // Names on Windows match whatever their case.
  for (std::size_t i = 0; i < base.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(base[i]))) return false;
  return true;
}

std::string TrackFileName(const std::string& flightBase, const std::string& extension) {
  return flightBase + "-track." + extension;
}

}  // namespace dv

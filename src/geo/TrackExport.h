#pragma once
// The flight for other programs: one record per time with the telemetry, the
// radar's values, the derived position on the earth and the wind; written as
// CSV, and the track as KML and GPX.

#include <optional>
#include <string>
#include <vector>

#include "common/DateTime.h"
#include "flight/InfoFile.h"
#include "flight/Points.h"
#include "wind/Wind.h"

namespace dv {

struct TrackRecord {
  double time = 0;  // s from launch
  std::optional<double> T, U;                // °C, %; empty when excluded
  std::optional<double> SR, Az, El;          // m, degrees; empty when excluded or a mark
  std::optional<double> X, Y, Z;             // m east, north and up from the radar
  std::optional<double> latitude, longitude, altitude;  // degrees, m above sea level
  std::optional<double> windSpeed, windDirection, ascentRate;
  std::optional<double> pressure, geopotentialHeight, dewPoint;  // hPa, gpm, °C: the derived profile
};

// The station's position is known when its latitude and longitude are.
bool StationKnown(const InitialData& info);

// The telemetry and coordinate records merged by time (a time both files hold
// makes one record), with `wind` (the wind page's values) where given.
std::vector<TrackRecord> BuildTrack(const TuArray& tu, const CrdArray& crd, const InitialData& info,
                                    const std::vector<WindPoint>& wind);
inline std::vector<TrackRecord> BuildTrack(const FlightPoints& points, const InitialData& info,
                                           const std::vector<WindPoint>& wind) {
  return BuildTrack(points.TuPoints, points.CrdPoints, info, wind);
}

// The profile's pressure and geopotential height at each record's time
// (interpolated in time between its points, not beyond them), and the dew point
// of the record's own temperature and humidity where the profile has a pressure.
struct Profile;
void AddProfile(std::vector<TrackRecord>& track, const Profile& profile);

std::string FormatTrackCsv(const std::vector<TrackRecord>& track);
// The track's positions only; nothing to write when no record has one.
std::string FormatTrackKml(const std::vector<TrackRecord>& track, const std::string& name);
std::string FormatTrackGpx(const std::vector<TrackRecord>& track, const std::string& name, DateTime launchUtc);
// Records with a position.
int PositionCount(const std::vector<TrackRecord>& track);

// The export's file beside the flight: "NAME-track.kml" and so on, never
// "NAME." followed by anything, which the processing program would take.
std::string TrackFileName(const std::string& flightBase, const std::string& extension);

// Whether `file` would be taken for one of the flight's own files: in the
// flight's folder and named "NAME." followed by anything.
bool WouldBeTakenAsFlight(const std::string& file, const std::string& flightBase);

inline constexpr const char* kTakenAsFlight = "Это имя возьмет программа обработки: ";
inline constexpr const char* kNoStationPosition = "Координаты станции не заданы!";
inline constexpr const char* kNoTrackPositions = "Нет точек траектории!";

}  // namespace dv

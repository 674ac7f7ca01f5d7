#pragma once
// The sounding the edits make: pressure, geopotential height and dew point of
// every radar point, the standard levels, the tropopause and the maximum wind.
// An estimate for checking the edits; the processing program stays the authority.

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "flight/InfoFile.h"
#include "flight/Points.h"
#include "wind/Wind.h"

namespace dv {

inline constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// One coordinate point with a height (excluded points and marks left out).
// Single precision: a centimetre at 40 km, a thousandth of a hectopascal.
struct ProfilePoint {
  int row = 0;            // the coordinate row
  float time = 0;         // s
  float z = 0;            // m above sea level
  float H = 0;            // gpm
  float p = 0;            // hPa
  float T = kNoValue;     // °C, from the telemetry at most 60 s apart; NaN without
  float U = kNoValue;     // %
  float Td = kNoValue;    // °C
  float windU = kNoValue, windV = kNoValue;  // m/s east and north, the radar wind
};

// The integration's state after every kProfileCheckpointStep-th point, from
// which an edit further up takes it on.
struct ProfileCheckpoint {
  double lnp, p, H, tv, lastTime, lastZ;
  int nextRow;         // the coordinate row to go on from
  std::size_t points;  // the points before it
};
inline constexpr std::size_t kProfileCheckpointStep = 128;

struct Profile {
  // Without a known P0 there is none.
  bool pressureKnown = false;
  std::vector<ProfilePoint> points;  // in row order, times increasing
  std::vector<ProfileCheckpoint> checkpoints;
};

// The telemetry may stand at most this far apart to be interpolated, and a
// radar gap this long is bridged by a height interpolated in time (s).
inline constexpr double kProfileTuGap = 60.0;
inline constexpr double kProfileCrdGap = 300.0;

// One telemetry channel as the profile reads it: its valid samples in time
// order (point 0, the surface observation, included), linear between samples
// at most kProfileTuGap apart. The times asked for mostly grow: each search
// starts where the last one ended.
class TelemetryChannel {
 public:
  template <typename Get>
  TelemetryChannel(const TuArray& tu, Get get);
  double at(double time) const;  // NaN where the telemetry has no value
  // The samples strictly between times a and b.
  std::pair<std::size_t, std::size_t> between(double a, double b) const;
  double timeAt(std::size_t k) const { return t_[k]; }

 private:
  std::size_t seek(std::size_t from, double time) const;  // the first sample at or after `time`
  std::vector<double> t_, v_;
  mutable std::size_t cursor_ = 0, from_ = 0;
};

// The temperature and humidity channels, kept while only the radar changes.
struct ProfileTelemetry {
  explicit ProfileTelemetry(const TuArray& tu);
  TelemetryChannel T, U;
};

// `wind`: the radar wind of the same coordinates, in row order; `track`, when
// given, the positions of the rows of `crd` taken already.
Profile ComputeProfile(const TuArray& tu, const CrdArray& crd, const InitialData& info,
                       const std::vector<WindPoint>& wind, const WindTrack* track = nullptr);
Profile ComputeProfile(const ProfileTelemetry& telemetry, const CrdArray& crd, const InitialData& info,
                       const std::vector<WindPoint>& wind, const WindTrack* track = nullptr);
// The same after an edit that changed nothing the profile reads before the time
// `unchangedBefore` (s) and the coordinate row `unchangedRowsBefore`: the points
// before both are taken from `previous` (which is left empty) as they stand.
Profile ComputeProfile(const ProfileTelemetry& telemetry, const CrdArray& crd, const InitialData& info,
                       const std::vector<WindPoint>& wind, const WindTrack* track, Profile* previous,
                       double unchangedBefore, int unchangedRowsBefore);

// The radar wind of a row onto its profile point; `cursor` starts at 0 and goes
// along with the rows, which come in order.
void AttachWind(Profile& profile, const WindPoint& wind, std::size_t& cursor);

enum class LevelKind { Surface, Standard, Tropopause, MaxWind };
const char* LevelKindName(LevelKind kind);  // "surface", "standard", "tropopause", "max_wind"

struct Level {
  LevelKind kind = LevelKind::Standard;
  double p = NAN, H = NAN, T = NAN, Td = NAN, U = NAN;  // hPa, gpm, °C, °C, %
  double direction = NAN, speed = NAN;                  // °, m/s
  double time = NAN;  // s, where the sounding met it (for the listings)
};

inline constexpr double kStandardLevels[] = {1000, 925, 850, 700, 500, 400, 300, 250,
                                             200,  150, 100, 70,  50,  30,  20,  10};

// The surface, the standard levels reached, the first and second tropopause
// (the WMO lapse-rate definition on the full profile), and the maximum wind
// above 500 hPa when over 30 m/s.
std::vector<Level> ComputeLevels(const Profile& profile, const TuArray& tu, const InitialData& info);

// The levels as "DIR/NAME-levels.csv" holds them: kind,pressure,geopotential_height,
// T,dew_point,U,wind_direction,wind_speed; "." decimals, empty where unknown.
std::string FormatLevelsCsv(const std::vector<Level>& levels);
std::string LevelsFileName(const std::string& base);  // BASE-levels.csv

}  // namespace dv

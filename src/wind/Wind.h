#pragma once
// The wind and the ascent rate that the radar track gives: the slopes of the
// derived X (east), Y (north) and Z (height) over a centred window of time.

#include <functional>
#include <string>
#include <vector>

#include "flight/Points.h"

namespace dv {

struct WindSettings {
  double window = 60.0;  // s, centred on each point
};
inline constexpr const char* kWindSection = "WIND";
inline constexpr const char* kWindWindowKey = "Window";
inline constexpr double kWindWindowMin = 10.0, kWindWindowMax = 600.0;

// One point's wind: u east and v north (m/s), w the ascent rate (m/s), the
// speed, and the direction the wind blows from (degrees 0-360, north 0, east 90).
struct WindPoint {
  int row = 0;
  double time = 0;    // s
  double height = 0;  // m, the derived Z of the point
  double u = 0, v = 0, w = 0;
  double speed = 0, direction = 0;
};

// The direction a wind of (u, v) comes from, in [0, 360); 0 for no wind.
double WindFrom(double u, double v);

// A value for each included coordinate point (not excluded, range and angles
// no marks, its time later than the previous such point's) whose window holds
// at least 3 other such points on each side (so no step longer than half the
// window); the rest give no value, so that a gap stays a gap. Straight lines are
// fitted: on a centred window their slope is the one a quadratic gives, with
// less noise at the window's ends.
std::vector<WindPoint> ComputeWind(const CrdArray& crd, const WindSettings& settings);

// The same for a window that refills after every edit: the derived position of
// each row is taken once (range and angles never change while a flight is
// open, only flags and times), the window's sums slide along the track, and
// each value goes straight to `emit`, so that a flight keeps 16 bytes a row.
class WindTrack {
 public:
  // The positions of every row of `crd`; again after the flight was opened anew.
  void Derive(const CrdArray& crd);
  bool DerivedFor(const CrdArray& crd) const { return static_cast<int>(positions_.size()) == crd.Count() && derived_; }
  // The wind from the current flags and times of `crd` (the flight Derive was
  // given), in row order.
  void Compute(const CrdArray& crd, const WindSettings& settings, const std::function<void(const WindPoint&)>& emit);
  std::size_t MemoryBytes() const { return positions_.capacity() * sizeof(Position); }
  // The derived height of a row (m), NaN when it has no position.
  float HeightOf(int row) const { return positions_[static_cast<std::size_t>(row)].z; }

 private:
  // Single precision: a millimetre at 100 km, far below the radar's own spread.
  struct Position {
    float x, y, z;  // NaN x: range or angles a mark, or no finite position
  };
  std::vector<Position> positions_;
  bool derived_ = false;
};

// The window as the settings file gives it ("[WIND]", "Window"); a value that is
// not a number between 10 and 600 s keeps the default.
WindSettings ReadWindSettings(const std::string& configFile);

}  // namespace dv

#pragma once
// A synthetic radiosonde ascent for sample flights and benchmarks: a balloon
// rising about 5 m/s, drifting with a westerly wind profile, seen by a radar
// near the launch point. Output depends only on the settings, on every platform.

#include <cstdint>
#include <random>
#include <vector>

namespace dvtools {

// std::mt19937 is fixed by the standard; the library distributions are not,
// so the two used here are our own. Normal() sums twelve uniforms: only
// additions, no libm, hence bit-identical everywhere.
class SampleRandom {
 public:
  explicit SampleRandom(std::uint32_t seed) : gen_(seed) {}
  // In (0, 1).
  double Uniform() { return (static_cast<double>(gen_()) + 0.5) / 4294967296.0; }
  // Approximately standard normal (mean 0, variance 1, tails cut at ±6).
  double Normal() {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i) sum += Uniform();
    return sum - 6.0;
  }

 private:
  std::mt19937 gen_;
};

// Effective earth radius (4/3 of the real one, the usual allowance for radio
// refraction) used for the radar geometry.
inline constexpr double kEffectiveEarthRadius = 4.0 / 3.0 * 6371000.0;

struct AscentSettings {
  std::uint32_t seed = 1;
  int points = 7201;            // including point 0 (the ground point)
  double step = 1.0;            // s between points
  double surfaceT = 11.6;       // °C
  double surfaceU = 80.0;       // %
  double lapseRate = 6.5e-3;    // °C/m below the tropopause
  double tropopause = 11400.0;  // m above the station
  double ascentRate = 5.0;      // m/s, mean
  double surfaceWindFrom = 250.0;  // degrees
  double surfaceWindSpeed = 4.0;   // m/s
  // Where the radar sees the launch point (the first .crd line).
  double launchRange = 150.0;         // m
  double launchAzimuthDeg = 215.0;
  double launchElevationDeg = -0.5;
};

// One moment of the ascent. Angles in radians, as in the .crd file.
struct AscentPoint {
  double time = 0;    // s from launch
  double height = 0;  // m above the station
  double east = 0;    // m from the launch point
  double north = 0;
  double windEast = 0;  // m/s, the wind that carried the balloon here from the point before
  double windNorth = 0;
  double T = 0;       // measured temperature, °C
  double U = 0;       // measured humidity, %, within 0..100
  double SR = 0;      // measured slant range, m
  double Az = 0;      // measured azimuth, rad, within [0, 2π)
  double El = 0;      // measured elevation, rad
};

// Height of the radar antenna above the launch point implied by the settings.
double RadarHeight(const AscentSettings& s);

// Point 0 is the surface observation and the launch point exactly as set;
// the rest carry measurement noise.
std::vector<AscentPoint> SimulateAscent(const AscentSettings& s);

}  // namespace dvtools

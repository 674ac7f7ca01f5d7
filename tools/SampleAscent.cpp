#include "SampleAscent.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dvtools {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180.0;

// Red noise: a first-order autoregressive series with a given spread and
// correlation time, so that the profiles wander instead of jittering.
class RedNoise {
 public:
  RedNoise(double sigma, double tau, double step)
      : sigma_(sigma), keep_(std::exp(-step / tau)), fresh_(std::sqrt(1.0 - keep_ * keep_)) {}
  double Next(SampleRandom& rnd) {
    value_ = keep_ * value_ + fresh_ * sigma_ * rnd.Normal();
    return value_;
  }

 private:
  double sigma_;
  double keep_;
  double fresh_;
  double value_ = 0.0;
};

double Square(double x) { return x * x; }

// Jet stream near the tropopause, weak winds below and in the stratosphere.
double WindSpeed(const AscentSettings& s, double z) {
  return s.surfaceWindSpeed + 24.0 * std::exp(-Square((z - 10500.0) / 4200.0)) +
         3.0 * (1.0 - std::exp(-z / 1500.0));
}

// The wind veers with height by 30 degrees up to 10 km.
double WindFrom(const AscentSettings& s, double z) {
  return s.surfaceWindFrom + 30.0 * std::min(z / 10000.0, 1.0);
}

double TemperatureProfile(const AscentSettings& s, double z) {
  const double atTropopause = s.surfaceT - s.lapseRate * s.tropopause;
  if (z <= s.tropopause) return s.surfaceT - s.lapseRate * z;
  // Nearly isothermal up to 20 km, then slowly warming.
  const double upper = std::max(s.tropopause, 20000.0);
  if (z <= upper) return atTropopause + 0.3e-3 * (z - s.tropopause);
  return atTropopause + 0.3e-3 * (upper - s.tropopause) + 1.2e-3 * (z - upper);
}

// Drier with height, with a moist (cloud) layer near 1.8 km and a few
// percent left in the stratosphere.
double HumidityProfile(const AscentSettings& s, double z) {
  return s.surfaceU * std::exp(-z / 5500.0) + 30.0 * std::exp(-Square((z - 1800.0) / 350.0)) +
         2.0 * (1.0 - std::exp(-z / 3000.0));
}

double Wrap2Pi(double a) {
  a = std::fmod(a, 2.0 * kPi);
  return a < 0 ? a + 2.0 * kPi : a;
}

}  // namespace

double RadarHeight(const AscentSettings& s) {
  return -s.launchRange * std::sin(s.launchElevationDeg * kDeg);
}

std::vector<AscentPoint> SimulateAscent(const AscentSettings& s) {
  SampleRandom rnd(s.seed);
  const double dt = s.step;

  // The radar stands where it sees the launch point at the set range and angles.
  const double radarUp = RadarHeight(s);
  const double radarAcross = s.launchRange * std::cos(s.launchElevationDeg * kDeg);
  const double radarEast = -radarAcross * std::sin(s.launchAzimuthDeg * kDeg);
  const double radarNorth = -radarAcross * std::cos(s.launchAzimuthDeg * kDeg);
  const double Re = kEffectiveEarthRadius;

  RedNoise rateNoise(0.30, 40.0, dt);
  RedNoise windEast(1.0, 60.0, dt);
  RedNoise windNorth(1.0, 60.0, dt);
  RedNoise tempNoise(0.25, 30.0, dt);
  RedNoise humNoise(1.0, 120.0, dt);

  std::vector<AscentPoint> out;
  out.reserve(static_cast<std::size_t>(std::max(s.points, 0)));
  if (s.points <= 0) return out;

  AscentPoint p;
  p.T = s.surfaceT;
  p.U = s.surfaceU;
  p.SR = s.launchRange;
  p.Az = Wrap2Pi(s.launchAzimuthDeg * kDeg);
  p.El = s.launchElevationDeg * kDeg;
  out.push_back(p);

  double z = 0.0;
  double east = 0.0;
  double north = 0.0;
  for (int k = 1; k < s.points; ++k) {
    const double tPrev = (k - 1) * dt;
    const double rate = s.ascentRate + 0.25 * std::sin(2.0 * kPi * tPrev / 700.0) +
                        rateNoise.Next(rnd);
    const double speed = WindSpeed(s, z);
    const double from = WindFrom(s, z) * kDeg;
    // A wind from `from` carries the balloon the opposite way.
    const double u = -speed * std::sin(from) + windEast.Next(rnd);
    const double v = -speed * std::cos(from) + windNorth.Next(rnd);
    z += std::max(rate, 1.0) * dt;
    east += u * dt;
    north += v * dt;

    AscentPoint q;
    q.time = k * dt;
    q.windEast = u;
    q.windNorth = v;
    q.height = z;
    q.east = east;
    q.north = north;
    q.T = TemperatureProfile(s, z) + tempNoise.Next(rnd) + 0.05 * rnd.Normal();
    const double uBase = HumidityProfile(s, z);
    q.U = std::clamp(uBase * (1.0 + 0.06 * humNoise.Next(rnd)) + 0.3 * rnd.Normal(), 0.0, 100.0);

    // Radar geometry on a sphere of the effective radius.
    const double dx = east - radarEast;
    const double dy = north - radarNorth;
    const double phi = std::hypot(dx, dy) / Re;
    const double across = (Re + z) * std::sin(phi);
    const double up = (Re + z) * std::cos(phi) - (Re + radarUp);
    q.SR = std::hypot(across, up) + 4.0 * rnd.Normal();
    q.El = std::atan2(up, across) + 2.1e-4 * rnd.Normal();
    q.Az = Wrap2Pi(std::atan2(dx, dy) + 2.1e-4 * rnd.Normal());
    out.push_back(q);
  }
  return out;
}

}  // namespace dvtools

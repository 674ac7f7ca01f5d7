#include "wind/Wind.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "app/ProfileFile.h"
#include "charts/Derived.h"
#include "common/Helpers.h"

namespace dv {

double WindFrom(double u, double v) {
  if (u == 0 && v == 0) return 0;
  // The wind comes from where the balloon drifts away from.
  double d = std::atan2(-u, -v) * (180.0 / std::numbers::pi);
  if (d < 0) d += 360;
  return d >= 360 ? 0 : d;
}

std::vector<WindPoint> ComputeWind(const CrdArray& crd, const WindSettings& settings) {
  WindTrack track;
  track.Derive(crd);
  std::vector<WindPoint> out;
  track.Compute(crd, settings, [&out](const WindPoint& p) { out.push_back(p); });
  return out;
}

void WindTrack::Derive(const CrdArray& crd) {
  positions_.resize(static_cast<std::size_t>(crd.Count()));
  constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
  for (int i = 0; i < crd.Count(); ++i) {
    const CrdPoint& p = crd[i];
    Position& q = positions_[static_cast<std::size_t>(i)];
    q = Position{kNone, kNone, kNone};
    if (!(p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit)) continue;
    const CrdDerived d = DeriveCrd(p);
    if (!std::isfinite(d.X) || !std::isfinite(d.Y) || !std::isfinite(d.Z)) continue;
    if (std::fabs(d.X) > 1e30 || std::fabs(d.Y) > 1e30 || std::fabs(d.Z) > 1e30) continue;  // beyond a float
    q = Position{static_cast<float>(d.X), static_cast<float>(d.Y), static_cast<float>(d.Z)};
  }
  derived_ = true;
}

void WindTrack::Compute(const CrdArray& crd, const WindSettings& settings,
                        const std::function<void(const WindPoint&)>& emit) {
  if (!DerivedFor(crd)) Derive(crd);
  const double half = settings.window / 2;
  if (!(half > 0)) return;
  // The included points in time order (given back at the end: a flight keeps
  // only its positions).
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(crd.Count()));
  double last = 0;
  for (int i = 0; i < crd.Count(); ++i) {
    const CrdPoint& p = crd[i];
    if (p.Excluded || std::isnan(positions_[static_cast<std::size_t>(i)].x) || !std::isfinite(p.Time)) continue;
    if (!rows.empty() && !(p.Time > last)) continue;
    rows.push_back(i);
    last = p.Time;
  }
  const std::size_t n = rows.size();
  if (n < 7) return;
  const auto timeOf = [&](std::size_t k) { return crd[rows[k]].Time; };
  const auto at = [&](std::size_t k) -> const Position& { return positions_[static_cast<std::size_t>(rows[k])]; };
  // The window's sums, relative to an anchor point near it so that they stay
  // exact; taken afresh at each new anchor, so that rounding cannot build up.
  struct Sums {
    double t = 0, tt = 0, x = 0, tx = 0, y = 0, ty = 0, z = 0, tz = 0;
  } sum;
  double ta = 0, xa = 0, ya = 0, za = 0;
  const auto add = [&](std::size_t k, double sign) {
    const Position& q = at(k);
    const double t = timeOf(k) - ta, x = q.x - xa, y = q.y - ya, z = q.z - za;
    sum.t += sign * t;
    sum.tt += sign * t * t;
    sum.x += sign * x;
    sum.tx += sign * t * x;
    sum.y += sign * y;
    sum.ty += sign * t * y;
    sum.z += sign * z;
    sum.tz += sign * t * z;
  };
  constexpr std::size_t kAnchorEvery = 512;
  std::size_t lo = 0, hi = 0;  // the window: points lo..hi (hi past the end when empty)
  bool started = false;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = timeOf(i);
    if (!started || i % kAnchorEvery == 0) {
      // A new anchor: the window's sums from scratch.
      ta = t, xa = at(i).x, ya = at(i).y, za = at(i).z;
      while (timeOf(lo) < t - half) ++lo;
      hi = std::max(hi, i);
      while (hi + 1 < n && timeOf(hi + 1) <= t + half) ++hi;
      sum = Sums{};
      for (std::size_t k = lo; k <= hi; ++k) add(k, 1);
      started = true;
    } else {
      while (timeOf(lo) < t - half) add(lo++, -1);
      while (hi + 1 < n && timeOf(hi + 1) <= t + half) add(++hi, 1);
    }
    // Three on each side within half the window: no window holds a step
    // longer than that, so a gap stays a gap.
    if (i - lo < 3 || hi - i < 3) continue;
    const double m = static_cast<double>(hi - lo + 1);
    const double denominator = m * sum.tt - sum.t * sum.t;
    if (!(denominator > 0)) continue;
    const auto slope = [&](double Sv, double Stv) { return (m * Stv - sum.t * Sv) / denominator; };
    WindPoint w;
    w.row = rows[i];
    w.time = t;
    w.height = at(i).z;
    w.u = slope(sum.x, sum.tx);
    w.v = slope(sum.y, sum.ty);
    w.w = slope(sum.z, sum.tz);
    w.speed = std::hypot(w.u, w.v);
    w.direction = WindFrom(w.u, w.v);
    emit(w);
  }
}

WindSettings ReadWindSettings(const std::string& configFile) {
  ProfileFile profile;
  profile.Load(configFile);
  WindSettings settings;
  const auto value = TextToReal(profile.Read(kWindSection, kWindWindowKey, ""));
  if (value && *value >= kWindWindowMin && *value <= kWindWindowMax) settings.window = *value;
  return settings;
}

}  // namespace dv

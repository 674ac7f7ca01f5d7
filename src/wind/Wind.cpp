#include "wind/Wind.h"

#include <cmath>
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
  const double half = settings.window / 2;
  std::vector<WindPoint> out;
  if (!(half > 0)) return out;
  // The included points and their positions; sums from the first point on,
  // taken relative to it so that they stay exact enough.
  struct Track {
    int row;
    double t, x, y, z;
  };
  std::vector<Track> track;
  track.reserve(static_cast<std::size_t>(crd.Count()));
  for (int i = 0; i < crd.Count(); ++i) {
    const CrdPoint& p = crd[i];
    if (p.Excluded || !std::isfinite(p.Time)) continue;
    if (!(p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit)) continue;
    if (!track.empty() && !(p.Time > track.back().t)) continue;
    const CrdDerived d = DeriveCrd(p);
    if (!std::isfinite(d.X) || !std::isfinite(d.Y) || !std::isfinite(d.Z)) continue;
    track.push_back({i, p.Time, d.X, d.Y, d.Z});
  }
  const std::size_t n = track.size();
  if (n < 7) return out;
  const Track& o = track.front();
  // Prefix sums: s[k] holds the sums over points 0..k-1.
  struct Sums {
    double t = 0, tt = 0, x = 0, tx = 0, y = 0, ty = 0, z = 0, tz = 0;
    int longSteps = 0;  // steps longer than half the window
  };
  std::vector<Sums> s(n + 1);
  for (std::size_t k = 0; k < n; ++k) {
    const double t = track[k].t - o.t, x = track[k].x - o.x, y = track[k].y - o.y, z = track[k].z - o.z;
    Sums next = s[k];
    next.t += t;
    next.tt += t * t;
    next.x += x;
    next.tx += t * x;
    next.y += y;
    next.ty += t * y;
    next.z += z;
    next.tz += t * z;
    if (k > 0 && track[k].t - track[k - 1].t > half) ++next.longSteps;
    s[k + 1] = next;
  }
  out.reserve(n);
  std::size_t lo = 0, hi = 0;  // the window: points lo..hi
  for (std::size_t i = 0; i < n; ++i) {
    const double t = track[i].t;
    while (track[lo].t < t - half) ++lo;
    if (hi < i) hi = i;
    while (hi + 1 < n && track[hi + 1].t <= t + half) ++hi;
    if (i - lo < 3 || hi - i < 3) continue;
    // A step inside the window (from lo+1 on) longer than half of it.
    if (s[hi + 1].longSteps - s[lo + 1].longSteps > 0) continue;
    const double m = static_cast<double>(hi - lo + 1);
    const Sums& a = s[lo];
    const Sums& b = s[hi + 1];
    const double St = b.t - a.t, Stt = b.tt - a.tt;
    const double denominator = m * Stt - St * St;
    if (!(denominator > 0)) continue;
    const auto slope = [&](double Sv, double Stv) { return (m * Stv - St * Sv) / denominator; };
    WindPoint w;
    w.row = track[i].row;
    w.time = t;
    w.height = track[i].z;
    w.u = slope(b.x - a.x, b.tx - a.tx);
    w.v = slope(b.y - a.y, b.ty - a.ty);
    w.w = slope(b.z - a.z, b.tz - a.tz);
    w.speed = std::hypot(w.u, w.v);
    w.direction = WindFrom(w.u, w.v);
    out.push_back(w);
  }
  return out;
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

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
  WindTrack track;
  track.Derive(crd);
  return track.Compute(crd, settings);
}

void WindTrack::Derive(const CrdArray& crd) {
  positions_.resize(static_cast<std::size_t>(crd.Count()));
  for (int i = 0; i < crd.Count(); ++i) {
    const CrdPoint& p = crd[i];
    Position& q = positions_[static_cast<std::size_t>(i)];
    q.usable = p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit;
    if (!q.usable) continue;
    const CrdDerived d = DeriveCrd(p);
    q.x = d.X, q.y = d.Y, q.z = d.Z;
    q.usable = std::isfinite(d.X) && std::isfinite(d.Y) && std::isfinite(d.Z);
  }
  derived_ = true;
}

const std::vector<WindPoint>& WindTrack::Compute(const CrdArray& crd, const WindSettings& settings) {
  out_.clear();
  if (!DerivedFor(crd)) Derive(crd);
  const double half = settings.window / 2;
  if (!(half > 0)) return out_;
  // The included points in time order.
  track_.clear();
  for (int i = 0; i < crd.Count(); ++i) {
    const CrdPoint& p = crd[i];
    const Position& q = positions_[static_cast<std::size_t>(i)];
    if (p.Excluded || !q.usable || !std::isfinite(p.Time)) continue;
    if (!track_.empty() && !(p.Time > track_.back().t)) continue;
    track_.push_back({i, p.Time, q.x, q.y, q.z});
  }
  const std::size_t n = track_.size();
  if (n < 7) return out_;
  // Prefix sums (sums_[k] over points 0..k-1), taken relative to the first
  // point so that they stay exact enough.
  const Track& o = track_.front();
  sums_.resize(n + 1);
  sums_[0] = Sums{};
  for (std::size_t k = 0; k < n; ++k) {
    const double t = track_[k].t - o.t, x = track_[k].x - o.x, y = track_[k].y - o.y, z = track_[k].z - o.z;
    Sums next = sums_[k];
    next.t += t;
    next.tt += t * t;
    next.x += x;
    next.tx += t * x;
    next.y += y;
    next.ty += t * y;
    next.z += z;
    next.tz += t * z;
    sums_[k + 1] = next;
  }
  std::size_t lo = 0, hi = 0;  // the window: points lo..hi
  for (std::size_t i = 0; i < n; ++i) {
    const double t = track_[i].t;
    while (track_[lo].t < t - half) ++lo;
    if (hi < i) hi = i;
    while (hi + 1 < n && track_[hi + 1].t <= t + half) ++hi;
    // Three on each side within half the window: no window holds a step
    // longer than that, so a gap stays a gap.
    if (i - lo < 3 || hi - i < 3) continue;
    const double m = static_cast<double>(hi - lo + 1);
    const Sums& a = sums_[lo];
    const Sums& b = sums_[hi + 1];
    const double St = b.t - a.t, Stt = b.tt - a.tt;
    const double denominator = m * Stt - St * St;
    if (!(denominator > 0)) continue;
    const auto slope = [&](double Sv, double Stv) { return (m * Stv - St * Sv) / denominator; };
    WindPoint w;
    w.row = track_[i].row;
    w.time = t;
    w.height = track_[i].z;
    w.u = slope(b.x - a.x, b.tx - a.tx);
    w.v = slope(b.y - a.y, b.ty - a.ty);
    w.w = slope(b.z - a.z, b.tz - a.tz);
    w.speed = std::hypot(w.u, w.v);
    w.direction = WindFrom(w.u, w.v);
    out_.push_back(w);
  }
  return out_;
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

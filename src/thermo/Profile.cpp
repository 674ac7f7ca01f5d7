#include "thermo/Profile.h"

#include <algorithm>

#include "charts/Derived.h"
#include "flight/PointFiles.h"
#include "common/Helpers.h"
#include "geo/Geodesy.h"
#include "thermo/Thermo.h"

namespace dv {

namespace thermo {

double NormalGravity(double latitude) {
  const double phi = latitude * kDegToRad;
  const double s = std::sin(phi), s2 = std::sin(2 * phi);
  return 9.780327 * (1.0 + 0.0053024 * s * s - 0.0000058 * s2 * s2);
}

Geopotential::Geopotential(double latitude) {
  const double phi = latitude * kDegToRad;
  const double g = NormalGravity(latitude);
  r_ = 2.0 * g / (3.085462e-6 + 2.27e-9 * std::cos(2 * phi) - 2e-12 * std::cos(4 * phi));
  scale_ = g / kG0;
}

double GeopotentialHeight(double z, double latitude) { return Geopotential(latitude)(z); }

}  // namespace thermo

namespace {

bool Known(double v) { return v >= -99.0; }

}  // namespace

template <typename Get>
TelemetryChannel::TelemetryChannel(const TuArray& tu, Get get) {
  t_.reserve(static_cast<std::size_t>(tu.Count()));
  v_.reserve(static_cast<std::size_t>(tu.Count()));
  for (int i = 0; i < tu.Count(); ++i) {
    const auto [value, excluded] = get(tu[i]);
    const double t = tu[i].Time;
    if (excluded || !Known(value) || !std::isfinite(value) || !std::isfinite(t)) continue;
    if (!t_.empty() && !(t > t_.back())) continue;  // a time out of order takes no part
    t_.push_back(t);
    v_.push_back(value);
  }
}

std::size_t TelemetryChannel::seek(std::size_t from, double time) const {
  // Forward from where the last question ended; a step back searches afresh.
  if (from > t_.size() || (from > 0 && t_[from - 1] >= time))
    return static_cast<std::size_t>(std::lower_bound(t_.begin(), t_.end(), time) - t_.begin());
  while (from < t_.size() && t_[from] < time) ++from;
  return from;
}

double TelemetryChannel::at(double time) const {
  const std::size_t k = cursor_ = seek(cursor_, time);
  if (k == t_.size()) return NAN;
  if (t_[k] == time) return v_[k];
  if (k == 0 || t_[k] - t_[k - 1] > kProfileTuGap) return NAN;
  const double f = (time - t_[k - 1]) / (t_[k] - t_[k - 1]);
  return v_[k - 1] + f * (v_[k] - v_[k - 1]);
}

std::pair<std::size_t, std::size_t> TelemetryChannel::between(double a, double b) const {
  std::size_t from = seek(from_, a);
  while (from < t_.size() && t_[from] <= a) ++from;
  std::size_t to = from;
  while (to < t_.size() && t_[to] < b) ++to;
  from_ = to;
  return {from, to};
}

ProfileTelemetry::ProfileTelemetry(const TuArray& tu)
    : T(tu, [](const TuPoint& p) { return std::pair{p.T, p.TExcluded}; }),
      U(tu, [](const TuPoint& p) { return std::pair{p.U, p.UExcluded}; }) {}

Profile ComputeProfile(const TuArray& tu, const CrdArray& crd, const InitialData& info,
                       const std::vector<WindPoint>& wind, const WindTrack* track) {
  return ComputeProfile(ProfileTelemetry(tu), crd, info, wind, track);
}

Profile ComputeProfile(const ProfileTelemetry& telemetry, const CrdArray& crd, const InitialData& info,
                       const std::vector<WindPoint>& wind, const WindTrack* track) {
  return ComputeProfile(telemetry, crd, info, wind, track, nullptr, 0, 0);
}

Profile ComputeProfile(const ProfileTelemetry& telemetry, const CrdArray& crd, const InitialData& info,
                       const std::vector<WindPoint>& wind, const WindTrack* track, Profile* previous,
                       double unchangedBefore, int unchangedRowsBefore) {
  if (track && !track->DerivedFor(crd)) track = nullptr;
  const TelemetryChannel& T = telemetry.T;
  const TelemetryChannel& U = telemetry.U;
  Profile out;
  const double p0 = info.OnGroundPressure;
  if (!Known(p0) || !(p0 > 0)) return out;
  out.pressureKnown = true;
  const double lat = KnownLatitude(info.StationLattitude) ? info.StationLattitude : 45.0;
  const double h0 = Known(info.StationHeightAboveSeaLevel) ? info.StationHeightAboveSeaLevel : 0.0;

  // The hypsometric equation over geopotential, d ln p = −g0·dH/(Rd·Tv), by the
  // trapezoid rule (WMO-No. 8, part I, chapter 12): Tv of both ends of each layer.
  const thermo::Geopotential geopotential(lat);
  double lnp = std::log(p0), p = p0;
  double H = geopotential(h0);
  // Tv at the pressure below: a layer of a few metres changes e/p by nothing that counts.
  const auto virtualAt = [&](double t, double u, double lastTv) {
    if (!std::isfinite(t)) return lastTv;  // no temperature: the layer keeps the last one
    const double e = std::isfinite(u) ? thermo::VapourPressure(t, std::clamp(u, 0.0, 100.0)) : 0.0;
    return thermo::VirtualTemperature(t + thermo::kKelvin, e, p);
  };
  double tv = virtualAt(T.at(0), U.at(0), 288.15);
  const auto climb = [&](double toH, double toTv) {
    lnp -= thermo::kG0 * (toH - H) / (thermo::kRd * 0.5 * (tv + toTv));
    p = std::exp(lnp);
    H = toH;
    tv = toTv;
  };

  double lastTime = 0, lastZ = h0;
  bool any = false;
  int first = 0;
  // What came before the first change is taken over whole: the integration
  // goes on from the last checkpoint before it, with the same arithmetic as a
  // fresh one, so that the result is the same to the bit.
  if (previous && previous->pressureKnown) {
    const auto& marks = previous->checkpoints;
    auto c = std::partition_point(marks.begin(), marks.end(),
                                  [&](const ProfileCheckpoint& m) {
                                    return m.lastTime < unchangedBefore && m.nextRow <= unchangedRowsBefore;
                                  });
    if (c != marks.begin()) {
      const ProfileCheckpoint& m = *--c;
      out.points = std::move(previous->points);
      out.points.resize(m.points);
      out.checkpoints.assign(marks.begin(), c + 1);
      lnp = m.lnp, p = m.p, H = m.H, tv = m.tv, lastTime = m.lastTime, lastZ = m.lastZ;
      any = true;
      first = m.nextRow;
    }
  }
  out.points.reserve(static_cast<std::size_t>(crd.Count()));
  for (int i = first; i < crd.Count(); ++i) {
    const CrdPoint& c = crd[i];
    if (c.Excluded || !(c.SR >= kCrdMissingLimit && c.Az >= kCrdMissingLimit && c.El >= kCrdMissingLimit)) continue;
    if (!std::isfinite(c.Time) || (any && !(c.Time > lastTime))) continue;
    // The radar's positions, when the products took them already, or afresh.
    const double z = h0 + (track ? static_cast<double>(track->HeightOf(i)) : DeriveCrd(c).Z);
    if (!std::isfinite(z) || std::fabs(z) > 1e6) continue;
    // Across a radar gap of up to 300 s the height runs linearly in time, so that
    // the temperatures measured meanwhile take their part in the pressure.
    if (any && c.Time - lastTime <= kProfileCrdGap) {
      const auto [from, to] = T.between(lastTime, c.Time);
      for (std::size_t k = from; k < to; ++k) {
        const double t = T.timeAt(k);
        const double zk = lastZ + (z - lastZ) * (t - lastTime) / (c.Time - lastTime);
        climb(geopotential(zk), virtualAt(T.at(t), U.at(t), tv));
      }
    }
    const double t = T.at(c.Time), u = U.at(c.Time);
    climb(geopotential(z), virtualAt(t, u, tv));
    ProfilePoint q;
    q.row = i;
    q.time = static_cast<float>(c.Time);
    q.z = static_cast<float>(z);
    q.H = static_cast<float>(H);
    q.p = static_cast<float>(p);
    if (std::isfinite(t)) q.T = static_cast<float>(t);
    if (std::isfinite(u)) q.U = static_cast<float>(u);
    if (std::isfinite(t) && std::isfinite(u) && u > 0) q.Td = static_cast<float>(thermo::DewPoint(t, std::min(u, 100.0)));
    out.points.push_back(q);
    lastTime = c.Time;
    lastZ = z;
    any = true;
    if (out.points.size() % kProfileCheckpointStep == 0)
      out.checkpoints.push_back({lnp, p, H, tv, lastTime, lastZ, i + 1, out.points.size()});
  }
  for (ProfilePoint& q : out.points) q.windU = q.windV = kNoValue;
  std::size_t k = 0;
  for (const WindPoint& w : wind) AttachWind(out, w, k);
  return out;
}

void AttachWind(Profile& profile, const WindPoint& w, std::size_t& cursor) {
  // The wind and the profile both come in row order.
  auto& pts = profile.points;
  while (cursor < pts.size() && pts[cursor].row < w.row) ++cursor;
  if (cursor == pts.size() || pts[cursor].row != w.row) return;
  pts[cursor].windU = static_cast<float>(w.u);
  pts[cursor].windV = static_cast<float>(w.v);
}

const char* LevelKindName(LevelKind kind) {
  switch (kind) {
    case LevelKind::Surface: return "surface";
    case LevelKind::Standard: return "standard";
    case LevelKind::Tropopause: return "tropopause";
    case LevelKind::MaxWind: return "max_wind";
  }
  return "standard";
}

namespace {

void SetWind(Level& l, double u, double v) {
  if (!std::isfinite(u) || !std::isfinite(v)) return;
  l.speed = std::hypot(u, v);
  l.direction = WindFrom(u, v);
}

Level LevelAt(LevelKind kind, const ProfilePoint& q) {
  Level l;
  l.kind = kind;
  l.p = q.p, l.H = q.H, l.T = q.T, l.Td = q.Td, l.U = q.U, l.time = q.time;
  SetWind(l, q.windU, q.windV);
  return l;
}

// The WMO lapse-rate tropopause (WMO-No. 49, technical regulations, 1992
// edition, definition of the first and second tropopause), on every point:
// the lowest level at which the lapse rate falls to 2 K/km or less and the mean
// lapse rate from it to every level within the next 2 km does not exceed 2 K/km.
// Points with a temperature only; `from` is the first index looked at.
std::size_t Tropopause(const std::vector<const ProfilePoint*>& pts, std::size_t from) {
  constexpr double kLapse = 2.0 / 1000.0, kDepth = 2000.0;
  for (std::size_t i = from; i + 1 < pts.size(); ++i) {
    const ProfilePoint& a = *pts[i];
    const double dz = pts[i + 1]->H - a.H;
    if (!(dz > 0) || (a.T - pts[i + 1]->T) / dz > kLapse) continue;
    if (pts.back()->H - a.H < kDepth) break;  // the sounding must reach 2 km above it
    bool holds = true;
    for (std::size_t j = i + 1; j < pts.size() && pts[j]->H - a.H <= kDepth; ++j) {
      const double up = pts[j]->H - a.H;
      if (up > 0 && (a.T - pts[j]->T) / up > kLapse) {
        holds = false;
        break;
      }
    }
    if (holds) return i;
  }
  return pts.size();
}

// Above the first tropopause: the first level from which the mean lapse rate to
// every level within the next 1 km exceeds 3 K/km; pts.size() when none.
std::size_t SteepLayer(const std::vector<const ProfilePoint*>& pts, std::size_t from) {
  constexpr double kLapse = 3.0 / 1000.0, kDepth = 1000.0;
  for (std::size_t i = from; i < pts.size(); ++i) {
    const ProfilePoint& a = *pts[i];
    if (pts.back()->H - a.H < kDepth) break;
    bool holds = true;
    for (std::size_t j = i + 1; j < pts.size() && pts[j]->H - a.H <= kDepth; ++j) {
      const double up = pts[j]->H - a.H;
      if (!(up > 0) || (a.T - pts[j]->T) / up <= kLapse) {
        holds = false;
        break;
      }
    }
    if (holds) return i;
  }
  return pts.size();
}

}  // namespace

std::vector<Level> ComputeLevels(const Profile& profile, const TuArray& tu, const InitialData& info) {
  std::vector<Level> out;
  if (!profile.pressureKnown) return out;
  const double lat = KnownLatitude(info.StationLattitude) ? info.StationLattitude : 45.0;
  Level surface;
  surface.kind = LevelKind::Surface;
  surface.p = info.OnGroundPressure;
  surface.H = thermo::GeopotentialHeight(Known(info.StationHeightAboveSeaLevel) ? info.StationHeightAboveSeaLevel : 0.0, lat);
  surface.time = 0;
  if (tu.Count() > 0 && Known(tu[0].T)) surface.T = tu[0].T;
  if (tu.Count() > 0 && Known(tu[0].U)) surface.U = tu[0].U;
  if (std::isfinite(surface.T) && std::isfinite(surface.U) && surface.U > 0)
    surface.Td = thermo::DewPoint(surface.T, std::min(surface.U, 100.0));
  if (Known(info.OnGroundWindDirection) && Known(info.OnGroundWindVelocity)) {
    surface.direction = info.OnGroundWindDirection;
    surface.speed = info.OnGroundWindVelocity;
  }
  out.push_back(surface);
  const auto& pts = profile.points;
  if (pts.empty()) return out;

  // The standard levels, interpolated in ln p where the sounding first crosses them.
  std::size_t k = 0;  // the levels fall in pressure: each search goes on from the last
  for (double level : kStandardLevels) {
    if (level > surface.p) continue;
    while (k < pts.size() && pts[k].p > level) ++k;
    if (k == pts.size()) break;
    Level l;
    l.kind = LevelKind::Standard;
    l.p = level;
    const auto lerp = [](double a, double b, double f) { return a + f * (b - a); };
    if (k == 0) {
      const double f = (std::log(level) - std::log(surface.p)) / (std::log(pts[0].p) - std::log(surface.p));
      l.H = lerp(surface.H, pts[0].H, f);
      l.T = lerp(surface.T, pts[0].T, f);
      l.U = lerp(surface.U, pts[0].U, f);
      l.time = lerp(0, pts[0].time, f);
    } else {
      const ProfilePoint &a = pts[k - 1], &b = pts[k];
      const double f = (std::log(level) - std::log(a.p)) / (std::log(b.p) - std::log(a.p));
      l.H = lerp(a.H, b.H, f);
      l.T = lerp(a.T, b.T, f);
      l.U = lerp(a.U, b.U, f);
      l.time = lerp(a.time, b.time, f);
      SetWind(l, lerp(a.windU, b.windU, f), lerp(a.windV, b.windV, f));
    }
    if (std::isfinite(l.T) && std::isfinite(l.U) && l.U > 0) l.Td = thermo::DewPoint(l.T, std::min(l.U, 100.0));
    out.push_back(l);
  }

  // The tropopauses, above 500 hPa.
  std::vector<const ProfilePoint*> withT;
  withT.reserve(pts.size());
  for (const ProfilePoint& q : pts)
    if (std::isfinite(q.T) && q.p < 500.0) withT.push_back(&q);
  const std::size_t first = Tropopause(withT, 0);
  if (first < withT.size()) {
    out.push_back(LevelAt(LevelKind::Tropopause, *withT[first]));
    const std::size_t steep = SteepLayer(withT, first + 1);
    const std::size_t second = steep < withT.size() ? Tropopause(withT, steep) : withT.size();
    if (second < withT.size()) out.push_back(LevelAt(LevelKind::Tropopause, *withT[second]));
  }

  // The maximum wind: the highest speed above 500 hPa, when over 30 m/s.
  const ProfilePoint* strongest = nullptr;
  double best = 30.0 * 30.0;  // squared speeds: one root for the strongest only
  for (const ProfilePoint& q : pts) {
    if (!(q.p < 500.0) || !std::isfinite(q.windU)) continue;
    const double speed = double{q.windU} * q.windU + double{q.windV} * q.windV;
    if (speed > best) best = speed, strongest = &q;
  }
  if (strongest) out.push_back(LevelAt(LevelKind::MaxWind, *strongest));
  return out;
}

std::string FormatLevelsCsv(const std::vector<Level>& levels) {
  std::string out = "kind,pressure,geopotential_height,T,dew_point,U,wind_direction,wind_speed\r\n";
  const auto cell = [&out](double v, int decimals) {
    out += ',';
    if (std::isfinite(v)) out += FormatFixed(v, 0, decimals);
  };
  for (const Level& l : levels) {
    out += LevelKindName(l.kind);
    cell(l.p, 1);
    cell(l.H, 0);
    cell(l.T, 1);
    cell(l.Td, 1);
    cell(l.U, 0);
    cell(l.direction, 0);
    cell(l.speed, 1);
    out += "\r\n";
  }
  return out;
}

std::string LevelsFileName(const std::string& base) { return base + "-levels.csv"; }

}  // namespace dv

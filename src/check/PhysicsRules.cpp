#include "check/PhysicsRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

#include "thermo/Thermo.h"
#include "wind/Wind.h"

namespace dv {

namespace {

// The median of up to 7 values around each one: a lone bad sample is the spike
// rules' to find, and the height's noise moves θ by tenths of a kelvin.
std::vector<double> Median7(const std::vector<double>& v) {
  std::vector<double> out(v.size());
  const std::size_t n = v.size();
  // Seven values sorted by a network of 16 compare-exchanges: no branch to
  // mispredict on noisy data.
  static constexpr std::array<std::array<int, 2>, 16> kNetwork = {{{0, 6}, {2, 3}, {4, 5}, {0, 2}, {1, 4}, {3, 6},
                                                                   {0, 1}, {2, 5}, {3, 4}, {1, 2}, {4, 6}, {2, 3},
                                                                   {4, 5}, {1, 2}, {3, 4}, {5, 6}}};
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t from = i >= 3 ? i - 3 : 0, to = std::min(n, i + 4);
    std::array<double, 7> w{};
    if (to - from == 7) {
      std::copy(v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(to), w.begin());
      for (const auto& [a, b] : kNetwork) {
        const double lo = std::min(w[a], w[b]), hi = std::max(w[a], w[b]);
        w[a] = lo, w[b] = hi;
      }
      out[i] = w[3];
      continue;
    }
    // Near the ends, fewer.
    std::size_t m = 0;
    for (std::size_t k = from; k < to; ++k) {
      std::size_t at = m++;
      for (; at > 0 && w[at - 1] > v[k]; --at) w[at] = w[at - 1];
      w[at] = v[k];
    }
    out[i] = w[m / 2];
  }
  return out;
}

// The telemetry rows whose times lie within [from, to] (the nearest one when none does).
std::pair<int, int> TuRowsOf(const TuArray& tu, double from, double to) {
  // Times run forward but for time failures, which the other rules name.
  int lo = 0, hi = tu.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (tu[mid].Time < from) lo = mid + 1;
    else hi = mid;
  }
  int first = -1, last = -1;
  for (int i = lo; i < tu.Count() && tu[i].Time <= to; ++i) {
    if (first < 0) first = i;
    last = i;
  }
  if (first < 0) first = last = std::min(lo, tu.Count() - 1);
  return {first, last};
}

// Reports the runs of flagged points: each with its largest value and the
// points that value was taken between (a layer's bottom and top). A later
// point takes the layer over only when its value is more than `slack` larger:
// past a fault the noise of good air would carry the layer on.
struct Flag {
  bool on = false;
  double value = 0;
  std::size_t from = 0, to = 0;  // the layer's points
};
template <typename Report>
void Runs(const std::vector<Flag>& flags, double slack, Report report) {
  for (std::size_t i = 0; i < flags.size();) {
    if (!flags[i].on) {
      ++i;
      continue;
    }
    Flag worst = flags[i];
    double most = flags[i].value;
    for (; i < flags.size() && flags[i].on; ++i) {
      if (flags[i].value > worst.value + slack) worst = flags[i];
      most = std::max(most, flags[i].value);
    }
    worst.value = most;
    report(worst);
  }
}

}  // namespace

std::vector<Finding> PhysicsChecks(const Profile& profile, const TuArray& tu, double stationHeight,
                                   double tropopause, const CheckThresholds& l) {
  std::vector<Finding> out;
  const auto& pts = profile.points;
  if (!profile.pressureKnown || pts.empty() || tu.Count() == 0) return out;
  const double z0 = std::isfinite(stationHeight) ? stationHeight : pts.front().z;
  const auto tuFinding = [&](CheckRule rule, double t1, double t2, double value, double threshold) {
    const auto [first, last] = TuRowsOf(tu, t1, t2);
    // Two runs of one layer (its foot and its top) are one finding.
    if (!out.empty() && out.back().rule == rule && first <= out.back().lastRow) {
      Finding& f = out.back();
      if (last > f.lastRow) f.lastRow = last, f.lastTime = tu[last].Time;
      f.value = std::max(f.value, value);
      return;
    }
    out.push_back({rule, CheckFile::Tu, first, last, tu[first].Time, tu[last].Time, value, threshold});
  };

  // --- temperature in height, above the surface layer
  std::vector<std::size_t> at;  // profile points taken
  std::vector<double> theta, temp;
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const ProfilePoint& q = pts[k];
    if (!std::isfinite(q.T) || q.z - z0 < l.surfaceLayer) continue;
    at.push_back(k);
    theta.push_back(thermo::PotentialTemperature(q.T, q.p));
    temp.push_back(q.T);
  }
  const std::vector<double> th = Median7(theta), ts = Median7(temp);
  const std::size_t n = at.size();
  std::vector<Flag> superadiabatic(n), inversion(n);
  // Over the layer depth below each point: the warmest θ (a fall from it) and
  // the coldest T (a rise from it), kept in monotonic queues as the window
  // moves up; a gap in the telemetry starts the windows afresh.
  std::deque<std::size_t> warmest, coldest;
  for (std::size_t i = 0; i < n; ++i) {
    const double z = pts[at[i]].z;
    if (i > 0 && pts[at[i]].time - pts[at[i - 1]].time > kProfileTuGap) warmest.clear(), coldest.clear();
    while (!warmest.empty() && z - pts[at[warmest.front()]].z > l.superadiabaticDepth) warmest.pop_front();
    while (!coldest.empty() && z - pts[at[coldest.front()]].z > l.inversionDepth) coldest.pop_front();
    if (!warmest.empty()) {
      const std::size_t j = warmest.front();
      const double fall = th[j] - th[i];
      if (fall > l.superadiabatic) superadiabatic[i] = {true, fall, j, i};
    }
    if (!coldest.empty()) {
      // From the coldest point (the largest rise) and from the few just below
      // (the steepest, where the air cools upwards as it does).
      const std::size_t candidates[] = {coldest.front(), i - 1, i >= 2 ? i - 2 : i - 1, i >= 3 ? i - 3 : i - 1};
      for (std::size_t j : candidates) {
        const double dz = z - pts[at[j]].z, rise = ts[i] - ts[j];
        if (dz > l.inversionDepth || rise < l.inversionRise) continue;
        // Over at least a tenth of the depth: the radar's height noise puts
        // neighbours a metre apart or less, which would make any step endless.
        const double gradient = rise / std::max(dz, l.inversionDepth / 10) * 100.0;  // °C per 100 m
        if (gradient > l.inversionGradient && gradient > inversion[i].value) inversion[i] = {true, gradient, j, i};
      }
    }
    while (!warmest.empty() && th[warmest.back()] <= th[i]) warmest.pop_back();
    warmest.push_back(i);
    while (!coldest.empty() && ts[coldest.back()] >= ts[i]) coldest.pop_back();
    coldest.push_back(i);
  }
  // A fall (or rise) from point j to point i has a faulty side: a warm bump
  // below it or a cold dip above it (for a rise, the other way round). The
  // side whose temperature comes back past halfway within the depth is the bump
  // or the dip, and is named with the layer; the air on the other side goes on
  // as it was. Judged on T, not θ: θ climbs 15-25 K/km in the stratosphere,
  // while T changes there, and in the troposphere, by a few kelvin at most.
  const auto layer = [&](std::size_t j, std::size_t i) {
    const std::vector<double>& v = ts;
    const double mid = (v[j] + v[i]) / 2;
    const bool fall = v[j] > v[i];
    const auto within = [&](std::size_t a, std::size_t b) {
      return std::fabs(pts[at[a]].z - pts[at[b]].z) <= l.superadiabaticDepth;
    };
    std::size_t a = j, b = i, k = j;
    while (k > 0 && within(j, k - 1) && (fall ? v[k - 1] > mid : v[k - 1] < mid)) --k;
    if (k > 0 && within(j, k - 1)) a = k;
    k = i;
    while (k + 1 < n && within(i, k + 1) && (fall ? v[k + 1] < mid : v[k + 1] > mid)) ++k;
    if (k + 1 < n && within(i, k + 1)) b = k;
    return std::pair(a, b);
  };
  Runs(superadiabatic, l.superadiabatic / 4, [&](const Flag& f) {
    const auto [a, b] = layer(f.from, f.to);
    tuFinding(CheckRule::Superadiabatic, pts[at[a]].time, pts[at[b]].time, f.value, l.superadiabatic);
  });
  Runs(inversion, 0, [&](const Flag& f) {
    const auto [a, b] = layer(f.from, f.to);
    tuFinding(CheckRule::SharpInversion, pts[at[a]].time, pts[at[b]].time, f.value, l.inversionGradient);
  });

  // --- humidity: over ice beyond what the air holds, or a dead dry sensor below the tropopause
  {
    std::vector<Flag> ice(pts.size());
    for (std::size_t k = 0; k < pts.size(); ++k) {
      const ProfilePoint& q = pts[k];
      // Saturation over water is at most 2.5 times that over ice down to −100 °C:
      // a lower reading needs no exponential.
      if (!std::isfinite(q.T) || !std::isfinite(q.U) || q.T >= 0 || q.U * 2.5 <= 100.0 + l.iceOver) continue;
      const double overIce = q.U * thermo::SaturationPressure(q.T) / thermo::SaturationPressureIce(q.T);
      if (overIce > 100.0 + l.iceOver) ice[k] = {true, overIce, k, k};
    }
    std::size_t start = 0;
    for (std::size_t k = 0; k < ice.size(); ++k) {
      if (!ice[k].on) continue;
      if (k == 0 || !ice[k - 1].on) start = k;
      if (k + 1 == ice.size() || !ice[k + 1].on) {
        double most = 0;
        for (std::size_t m = start; m <= k; ++m) most = std::max(most, ice[m].value);
        tuFinding(CheckRule::Supersaturation, pts[start].time, pts[k].time, most, 100.0 + l.iceOver);
      }
    }
    const double below = std::isfinite(tropopause) ? tropopause : 0.0;
    std::size_t k = 0;
    while (k < pts.size()) {
      const auto dry = [&](const ProfilePoint& q) { return std::isfinite(q.U) && q.U <= l.dryU && q.p > below; };
      if (!dry(pts[k])) {
        ++k;
        continue;
      }
      std::size_t e = k;
      double most = pts[k].U;
      while (e + 1 < pts.size() && dry(pts[e + 1])) most = std::max<double>(most, pts[++e].U);
      if (pts[e].time - pts[k].time >= l.dryTime) tuFinding(CheckRule::Supersaturation, pts[k].time, pts[e].time, most, l.dryU);
      k = e + 1;
    }
  }

  // --- the radar wind's shear over the shear depth, after the launch has settled
  {
    std::vector<std::size_t> w;
    for (std::size_t k = 0; k < pts.size(); ++k)
      if (std::isfinite(pts[k].windU) && std::isfinite(pts[k].windV) && pts[k].time >= l.settleTime) w.push_back(k);
    std::vector<Flag> shear(w.size());
    std::size_t j = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
      const ProfilePoint& q = pts[w[i]];
      // The highest point at least the depth below.
      while (j + 1 < i && q.z - pts[w[j + 1]].z >= l.shearDepth) ++j;
      const ProfilePoint& b = pts[w[j]];
      const double dz = q.z - b.z;
      if (j >= i || dz < l.shearDepth || dz > 2 * l.shearDepth || q.time - b.time > kProfileCrdGap) continue;
      const double s = std::hypot(q.windU - b.windU, q.windV - b.windV) / dz;
      if (s > l.windShear) shear[i] = {true, s, j, i};
    }
    Runs(shear, 0, [&](const Flag& f) {
      const ProfilePoint& a = pts[w[f.from]];
      const ProfilePoint& b = pts[w[f.to]];
      out.push_back({CheckRule::WindShear, CheckFile::Crd, a.row, b.row, a.time, b.time, f.value, l.windShear});
    });
  }
  return out;
}

std::vector<Finding> PhysicsChecks(const Profile& profile, const TuArray& tu, const InitialData& info,
                                   const std::vector<Level>& levels, const CheckThresholds& limits) {
  const auto tropopause = std::find_if(levels.begin(), levels.end(),
                                       [](const Level& level) { return level.kind == LevelKind::Tropopause; });
  const double h0 = info.StationHeightAboveSeaLevel >= -99.0 ? info.StationHeightAboveSeaLevel : NAN;
  return PhysicsChecks(profile, tu, h0, tropopause != levels.end() ? tropopause->p : NAN, limits);
}

std::vector<Finding> RunAllChecks(const TuArray& tu, const CrdArray& crd, const InitialData& info,
                                  const CheckThresholds& limits) {
  std::vector<Finding> all = RunChecks(tu, crd, limits);
  const Profile profile = ComputeProfile(tu, crd, info, ComputeWind(crd, WindSettings{}));
  for (const Finding& f : PhysicsChecks(profile, tu, info, ComputeLevels(profile, tu, info), limits)) all.push_back(f);
  SortFindings(all);
  return all;
}

}  // namespace dv

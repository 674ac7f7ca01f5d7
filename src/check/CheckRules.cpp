#include "check/CheckRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

#include "charts/Derived.h"
#include "common/Helpers.h"

namespace dv {

namespace {

constexpr int kMedianHalf = 5;          // the running median takes 11 points
constexpr double kZenithElevation = 80.0;  // above it the azimuth swings by nature
constexpr double kUMin = 0.0, kUMax = 100.0;

// The points of one value that the rules may look at, in file order.
struct Channel {
  std::vector<int> row;
  std::vector<double> t, v;
  int size() const { return static_cast<int>(row.size()); }
  void reserve(int n) {
    row.reserve(static_cast<std::size_t>(n));
    t.reserve(static_cast<std::size_t>(n));
    v.reserve(static_cast<std::size_t>(n));
  }
  void add(int r, double time, double value) {
    row.push_back(r);
    t.push_back(time);
    v.push_back(value);
  }
};

class Findings {
 public:
  Findings(std::vector<Finding>& out, CheckFile file) : out_(out), file_(file) {}
  void add(CheckRule rule, const Channel& c, int first, int last, double value, double threshold) {
    add(rule, c.row[static_cast<std::size_t>(first)], c.row[static_cast<std::size_t>(last)],
        c.t[static_cast<std::size_t>(first)], c.t[static_cast<std::size_t>(last)], value, threshold);
  }
  void add(CheckRule rule, int firstRow, int lastRow, double firstTime, double lastTime, double value,
           double threshold) {
    out_.push_back(Finding{rule, file_, firstRow, lastRow, firstTime, lastTime, value, threshold});
  }

 private:
  std::vector<Finding>& out_;
  CheckFile file_;
};

// Runs of consecutive channel points that `bad` picks, each reported once with
// the value of largest magnitude that `measure` gives within it.
template <typename Bad, typename Measure>
void ReportRuns(const Channel& c, Bad bad, Measure measure, CheckRule rule, double threshold, Findings& out) {
  const int n = c.size();
  for (int i = 0; i < n; ++i) {
    if (!bad(i)) continue;
    int j = i;
    double worst = measure(i);
    while (j + 1 < n && bad(j + 1)) {
      ++j;
      const double m = measure(j);
      if (std::fabs(m) > std::fabs(worst)) worst = m;
    }
    out.add(rule, c, i, j, worst, threshold);
    i = j;
  }
}

template <std::size_t N>
double MedianOf(std::array<double, N>& w, int m) {
  auto mid = w.begin() + m / 2;
  std::nth_element(w.begin(), mid, w.begin() + m);
  if (m % 2 == 1) return *mid;
  return (*mid + *std::max_element(w.begin(), mid)) / 2;
}

// How far point i lies off the running median of the 11 points around it, the
// local trend (the median slope) taken out first: on a steady climb the
// median alone would lag a step behind, and a step in the middle of a climb
// would look like a spike at its edge.
double DepartureAt(const Channel& c, int i) {
  const int n = c.size();
  int from = std::max(0, i - kMedianHalf);
  int to = std::min(n - 1, i + kMedianHalf);
  // Near an end the window slides inwards, so it keeps its 11 points.
  if (to - from < 2 * kMedianHalf) {
    if (from == 0) to = std::min(n - 1, 2 * kMedianHalf);
    if (to == n - 1) from = std::max(0, n - 1 - 2 * kMedianHalf);
  }
  std::array<double, 2 * kMedianHalf + 1> w{};
  int m = 0;
  for (int k = from; k < to; ++k) {
    const double dt = c.t[k + 1] - c.t[k];
    if (dt > 0) w[m++] = (c.v[k + 1] - c.v[k]) / dt;
  }
  const double slope = m > 0 ? MedianOf(w, m) : 0.0;
  m = 0;
  for (int k = from; k <= to; ++k) w[m++] = c.v[k] - slope * (c.t[k] - c.t[i]);
  return c.v[i] - MedianOf(w, m);
}

// Points off the running median of their neighbours by more than `threshold`.
// The median is taken only near a sharp bend (a second difference over half
// the threshold): a spike always makes one, and a clean flight has few.
std::vector<char> Spikes(const Channel& c, double threshold, CheckRule rule, Findings& out) {
  const int n = c.size();
  std::vector<char> spike(static_cast<std::size_t>(n), 0);
  if (n < 5 || !(threshold > 0)) return spike;
  std::vector<double> dev(static_cast<std::size_t>(n), 0.0);
  int lookedTo = -1;  // the median is taken once per point
  for (int i = 2; i < n; ++i) {
    const double bend = c.v[i] - 2 * c.v[i - 1] + c.v[i - 2];
    if (!(std::fabs(bend) > threshold / 2)) continue;
    for (int k = std::max(lookedTo + 1, i - 4); k <= std::min(n - 1, i + 2); ++k) {
      const double d = DepartureAt(c, k);
      dev[k] = d;
      spike[k] = std::fabs(d) > threshold;
      lookedTo = k;
    }
  }
  ReportRuns(c, [&](int i) { return spike[i] != 0; }, [&](int i) { return dev[i]; }, rule, threshold, out);
  return spike;
}

// Steps between consecutive points faster than `perSecond`; points of a spike
// are left to the spike.
void Jumps(const Channel& c, const std::vector<char>& spike, double perSecond, CheckRule rule, Findings& out) {
  if (!(perSecond > 0)) return;
  for (int i = 1; i < c.size(); ++i) {
    if (spike[i] || spike[i - 1]) continue;
    const double rate = (c.v[i] - c.v[i - 1]) / std::max(1.0, c.t[i] - c.t[i - 1]);
    if (std::fabs(rate) > perSecond) out.add(rule, c, i - 1, i, rate, perSecond);
  }
}

// Heights the radar gives, by time, for the stuck rule's "while rising".
struct HeightTrack {
  std::vector<double> t, z;
  bool sorted = true;
  // The height at `time` (the nearest point at or after it), or NaN.
  double at(double time) const {
    if (!sorted || t.empty() || time < t.front() || time > t.back()) return std::numeric_limits<double>::quiet_NaN();
    const auto k = static_cast<std::size_t>(std::lower_bound(t.begin(), t.end(), time) - t.begin());
    return z[k];
  }
};

void Stuck(const Channel& c, bool atLimitsIsNormal, const HeightTrack& height, const CheckThresholds& l,
           CheckRule rule, Findings& out) {
  const int n = c.size();
  for (int i = 0; i < n;) {
    int j = i;
    while (j + 1 < n && c.v[j + 1] == c.v[i]) ++j;
    const double duration = c.t[j] - c.t[i];
    // Humidity rests at 0 % or 100 % for minutes in dry air or in cloud.
    const bool limit = atLimitsIsNormal && (c.v[i] <= kUMin || c.v[i] >= kUMax);
    if (j > i && !limit && duration >= l.stuckTime) {
      const double rise = height.at(c.t[j]) - height.at(c.t[i]);
      // Without the radar's heights the time alone decides.
      if (std::isnan(rise) || rise >= l.stuckRise) out.add(rule, c, i, j, duration, l.stuckTime);
    }
    i = j + 1;
  }
}

// Angle spikes from third differences (x[j] - 3x[j-1] + 3x[j-2] - x[j-3]):
// a lone spike of size A gives A, -3A, 3A, -A. A run of differences over the
// threshold marks a stretch; its points off the line through the points just
// outside it by more than a third of the threshold are the finding.
void AngleSpikes(const Channel& c, double threshold, double gap, CheckRule rule, Findings& out) {
  const int n = c.size();
  if (n < 8 || !(threshold > 0)) return;
  // The difference holds only for evenly spaced points: a hole (a missing or
  // excluded point) leaves it out.
  auto d3 = [&](int j) {
    if (j < 3) return 0.0;
    const double a = c.t[j] - c.t[j - 1], b = c.t[j - 1] - c.t[j - 2], e = c.t[j - 2] - c.t[j - 3];
    const double shortest = std::min({a, b, e}), longest = std::max({a, b, e});
    if (!(shortest > 0) || longest > 1.5 * shortest || longest > gap) return 0.0;
    return c.v[j] - 3 * c.v[j - 1] + 3 * c.v[j - 2] - c.v[j - 3];
  };
  for (int j = 3; j < n; ++j) {
    double worst = d3(j);
    if (!(std::fabs(worst) > threshold)) continue;
    const int first = j;
    int last = j;
    // Two spikes side by side leave a small difference between large ones.
    for (int k = j + 1; k < n && k <= last + 3; ++k) {
      const double d = d3(k);
      if (std::fabs(d) > threshold) {
        last = k;
        if (std::fabs(d) > std::fabs(worst)) worst = d;
      }
    }
    const int from = std::max(0, first - 3), to = last;
    const int p = std::max(0, from - 1), q = std::min(n - 1, to + 1);
    const double slope = c.t[q] > c.t[p] ? (c.v[q] - c.v[p]) / (c.t[q] - c.t[p]) : 0.0;
    int a = -1, b = -1, far = from;
    double farthest = -1;
    for (int k = from; k <= to; ++k) {
      const double off = std::fabs(c.v[k] - (c.v[p] + slope * (c.t[k] - c.t[p])));
      if (off > farthest) farthest = off, far = k;
      if (off > threshold / 3) {
        if (a < 0) a = k;
        b = k;
      }
    }
    if (a < 0) a = b = far;
    out.add(rule, c, a, b, worst, threshold);
    j = last;
  }
}

struct HeightPoint {
  int row;
  double t, z;
};

void AscentRate(const std::vector<HeightPoint>& h, int top, const CheckThresholds& l, Findings& out) {
  const double w = l.rateWindow;
  if (!(w > 0) || top <= 0) return;
  int open = -1, end = -1;  // the finding being built: from point `open` to `end`
  double worst = 0, crossed = 0;
  auto flush = [&] {
    if (open < 0) return;
    out.add(CheckRule::AscentRate, h[open].row, h[end].row, h[open].t, h[end].t, worst, crossed);
    open = -1;
  };
  int j = 0;
  for (int i = 0; i < top; ++i) {
    j = std::max(j, i + 1);
    while (j < top && h[j].t < h[i].t + w) ++j;
    const double span = h[j].t - h[i].t;
    if (span < w || span > 1.5 * w) continue;  // short of a window, or across a gap
    const double rate = (h[j].z - h[i].z) / span;
    if (rate >= l.rateMin && rate <= l.rateMax) continue;
    const double bound = rate < l.rateMin ? l.rateMin : l.rateMax;
    if (open >= 0 && i > end) flush();
    if (open < 0) {
      open = i, end = j, worst = rate, crossed = bound;
    } else {
      end = std::max(end, j);
      if (std::fabs(rate - bound) > std::fabs(worst - crossed)) worst = rate, crossed = bound;
    }
  }
  flush();
}

void HeightFall(const std::vector<HeightPoint>& h, int top, double limit, Findings& out) {
  double highest = -std::numeric_limits<double>::infinity();
  for (int i = 0; i <= top && i < static_cast<int>(h.size()); ++i) {
    if (h[i].z >= highest) {
      highest = h[i].z;
      continue;
    }
    if (!(highest - h[i].z > limit)) continue;
    int j = i;
    double worst = highest - h[i].z;
    while (j + 1 <= top && highest - h[j + 1].z > limit) {
      ++j;
      worst = std::max(worst, highest - h[j].z);
    }
    out.add(CheckRule::HeightFall, h[i].row, h[j].row, h[i].t, h[j].t, worst, limit);
    i = j;
  }
}

// The times a file's rules look at: rows whose record is still in use.
struct Times {
  std::vector<int> row;
  std::vector<double> t;
};

void Gaps(const Times& s, double gap, CheckRule rule, Findings& out) {
  if (!(gap > 0)) return;
  for (std::size_t i = 1; i < s.t.size(); ++i) {
    const double step = s.t[i] - s.t[i - 1];
    if (step > gap) out.add(rule, s.row[i - 1], s.row[i], s.t[i - 1], s.t[i], step, gap);
  }
}

void Repeats(const Times& s, CheckRule rule, Findings& out) {
  for (std::size_t i = 1; i < s.t.size(); ++i) {
    if (s.t[i] != s.t[i - 1]) continue;
    std::size_t j = i;
    while (j + 1 < s.t.size() && s.t[j + 1] == s.t[i]) ++j;
    out.add(rule, s.row[i - 1], s.row[j], s.t[i - 1], s.t[j], static_cast<double>(j - i + 2), 1);
    i = j;
  }
}

// How a clock runs in each window of `w` seconds: the time it covers and the
// record intervals in that time. A step is counted as the whole number of
// nominal steps it spans, so a missing record does not look like a fast clock.
struct ClockWindows {
  std::vector<double> time, intervals;
  std::vector<int> firstRow, lastRow;
  std::vector<double> firstTime, lastTime;
};

// The median step, steps across a gap left out; 0 when there is none.
double NominalStep(const Times& s, double gap) {
  std::vector<double> steps;
  steps.reserve(s.t.size());
  for (std::size_t i = 1; i < s.t.size(); ++i) {
    const double step = s.t[i] - s.t[i - 1];
    if (step > 0 && step <= gap) steps.push_back(step);
  }
  if (steps.empty()) return 0;
  auto mid = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), mid, steps.end());
  return *mid;
}

ClockWindows WindowsOf(const Times& s, double w, double gap, std::size_t windows) {
  ClockWindows c;
  c.time.assign(windows, 0.0);
  c.intervals.assign(windows, 0.0);
  c.firstRow.assign(windows, -1);
  c.lastRow.assign(windows, -1);
  c.firstTime.assign(windows, 0.0);
  c.lastTime.assign(windows, 0.0);
  const double nominal = NominalStep(s, gap);
  if (!(nominal > 0)) return c;
  for (std::size_t i = 1; i < s.t.size(); ++i) {
    const double step = s.t[i] - s.t[i - 1];
    if (!(s.t[i - 1] >= 0) || !(step > 0) || step > gap) continue;
    const auto k = static_cast<std::size_t>(s.t[i - 1] / w);
    if (k >= windows || static_cast<std::size_t>(s.t[i] / w) != k) continue;
    c.time[k] += step;
    c.intervals[k] += std::max(1.0, std::round(step / nominal));
    if (c.firstRow[k] < 0) c.firstRow[k] = s.row[i - 1], c.firstTime[k] = s.t[i - 1];
    c.lastRow[k] = s.row[i];
    c.lastTime[k] = s.t[i];
  }
  return c;
}

// The telemetry clock against the radar's: where one's record interval differs
// from the other's, the two part by that much over each window.
void Drift(const Times& tu, const Times& crd, const CheckThresholds& l, Findings& out) {
  const double w = l.driftWindow;
  if (!(w > 0) || !(l.drift > 0) || tu.t.size() < 2 || crd.t.size() < 2) return;
  double last = 0;
  for (double t : tu.t) last = std::max(last, t);
  // No more windows than records: a wild time must not make millions.
  const double byTime = std::floor(std::min(last, 1e9) / w) + 1;
  const auto windows = static_cast<std::size_t>(std::min(byTime, static_cast<double>(tu.t.size())));
  const ClockWindows a = WindowsOf(tu, w, l.gap, windows), b = WindowsOf(crd, w, l.gap, windows);
  constexpr double kFewest = 10;
  int open = -1, close = -1;
  double worst = 0;
  auto flush = [&] {
    if (open < 0) return;
    out.add(CheckRule::TimeDrift, a.firstRow[open], a.lastRow[close], a.firstTime[open], a.lastTime[close],
            worst, l.drift);
    open = -1;
  };
  for (std::size_t k = 0; k < windows; ++k) {
    bool drifts = false;
    double parted = 0;
    if (a.intervals[k] >= kFewest && b.intervals[k] >= kFewest) {
      const double rate = (a.time[k] / a.intervals[k]) / (b.time[k] / b.intervals[k]) - 1;
      parted = rate * w;
      // Clocks a tenth apart are different record rates, not a drift.
      drifts = std::fabs(rate) < 0.1 && std::fabs(parted) > l.drift;
    }
    if (!drifts) {
      flush();
      continue;
    }
    if (open < 0) open = static_cast<int>(k), worst = parted;
    close = static_cast<int>(k);
    if (std::fabs(parted) > std::fabs(worst)) worst = parted;
  }
  flush();
}

// The height DeriveCrd gives, without the azimuth it does not need.
double HeightOf(const CrdPoint& p) {
  const double el = p.El * (std::numbers::pi / 180.0);
  const double across = p.SR * std::cos(el);
  return p.SR * std::sin(el) + across * across * kHeightCurvature;
}

bool UsableCrd(double value) { return std::isfinite(value) && value > kCrdMissingLimit; }

void CheckTelemetry(const TuArray& tu, const HeightTrack& height, const CheckThresholds& l,
                    std::vector<Finding>& all) {
  Findings out(all, CheckFile::Tu);
  const int n = tu.Count();
  Channel t, u;
  t.reserve(n);
  u.reserve(n);
  Times times;
  Channel hot;  // temperatures outside the possible range, kept apart from the other rules
  for (int i = 1; i < n; ++i) {
    const TuPoint& p = tu[i];
    const double time = p.Time;
    if (!std::isfinite(time)) continue;
    if (!p.TExcluded && std::fabs(p.T) < kTlmPlotLimit) {
      if (p.T < l.tMin || p.T > l.tMax) {
        hot.add(i, time, p.T);
      } else {
        t.add(i, time, p.T);
      }
    }
    if (!p.UExcluded && std::fabs(p.U) < kTlmPlotLimit) u.add(i, time, p.U);
    if (!p.TExcluded || !p.UExcluded) {
      times.row.push_back(i);
      times.t.push_back(time);
    }
  }
  // Consecutive rows outside the range make one finding.
  for (int i = 0; i < hot.size();) {
    int j = i;
    double worst = hot.v[i];
    while (j + 1 < hot.size() && hot.row[j + 1] == hot.row[j] + 1) {
      ++j;
      if (std::fabs(hot.v[j]) > std::fabs(worst)) worst = hot.v[j];
    }
    out.add(CheckRule::TRange, hot, i, j, worst, worst < l.tMin ? l.tMin : l.tMax);
    i = j + 1;
  }
  const std::vector<char> tSpike = Spikes(t, l.tSpike, CheckRule::TSpike, out);
  Jumps(t, tSpike, l.tJump, CheckRule::TJump, out);
  Stuck(t, false, height, l, CheckRule::TStuck, out);
  const std::vector<char> uSpike = Spikes(u, l.uSpike, CheckRule::USpike, out);
  Jumps(u, uSpike, l.uJump, CheckRule::UJump, out);
  Stuck(u, true, height, l, CheckRule::UStuck, out);
  Gaps(times, l.gap, CheckRule::TuGap, out);
  Repeats(times, CheckRule::TuRepeat, out);
}

struct CrdResult {
  Times times;
  HeightTrack height;
};

CrdResult CheckCoordinates(const CrdArray& crd, const CheckThresholds& l, std::vector<Finding>& all) {
  Findings out(all, CheckFile::Crd);
  const int n = crd.Count();
  Channel sr, az, el;
  sr.reserve(n);
  az.reserve(n);
  el.reserve(n);
  CrdResult r;
  double unwrap = 0, lastAz = std::numeric_limits<double>::quiet_NaN();
  for (int i = 1; i < n; ++i) {
    const CrdPoint& p = crd[i];
    const double time = p.Time;
    if (p.Excluded || !std::isfinite(time)) continue;
    r.times.row.push_back(i);
    r.times.t.push_back(time);
    if (UsableCrd(p.SR)) sr.add(i, time, p.SR);
    const bool elUsable = !p.ElAsRead && UsableCrd(p.El);
    if (time >= l.settleTime && elUsable) el.add(i, time, p.El);
    if (time >= l.settleTime && !p.AzAsRead && UsableCrd(p.Az) && (!elUsable || p.El < kZenithElevation)) {
      // Azimuth wrapped at 360°: 359.9 then 0.1 is a step of 0.2.
      if (!std::isnan(lastAz)) {
        if (p.Az - lastAz > 180) unwrap -= 360;
        if (p.Az - lastAz < -180) unwrap += 360;
      }
      lastAz = p.Az;
      az.add(i, time, p.Az + unwrap);
    }
  }
  const std::vector<char> srSpike = Spikes(sr, l.srSpike, CheckRule::SRSpike, out);
  Jumps(sr, srSpike, l.srSpeed, CheckRule::SRJump, out);
  const std::size_t before = all.size();
  AngleSpikes(az, l.azSpike, l.gap, CheckRule::AzSpike, out);
  AngleSpikes(el, l.elSpike, l.gap, CheckRule::ElSpike, out);
  // The height leaves out what the range and angle rules found already.
  std::vector<std::pair<int, int>> suspect;
  for (int i = 0; i < sr.size(); ++i)
    if (srSpike[i]) suspect.emplace_back(sr.row[i], sr.row[i]);
  for (std::size_t k = before; k < all.size(); ++k) suspect.emplace_back(all[k].firstRow, all[k].lastRow);
  std::sort(suspect.begin(), suspect.end());
  std::size_t s = 0;
  std::vector<HeightPoint> h;
  h.reserve(static_cast<std::size_t>(sr.size()));
  for (int i = 1; i < n; ++i) {
    const CrdPoint& p = crd[i];
    if (p.Excluded || !std::isfinite(p.Time) || p.AzAsRead || p.ElAsRead) continue;
    if (!UsableCrd(p.SR) || !UsableCrd(p.Az) || !UsableCrd(p.El)) continue;
    while (s < suspect.size() && suspect[s].second < i) ++s;
    if (s < suspect.size() && suspect[s].first <= i) continue;
    h.push_back(HeightPoint{i, p.Time, HeightOf(p)});
  }
  int top = 0;
  for (int i = 0; i < static_cast<int>(h.size()); ++i)
    if (h[i].z > h[top].z) top = i;
  AscentRate(h, top, l, out);
  HeightFall(h, top, l.heightFall, out);
  ReportRuns(el, [&](int i) { return el.v[i] < 0; }, [&](int i) { return el.v[i]; }, CheckRule::BelowHorizon, 0.0,
             out);
  Gaps(r.times, l.gap, CheckRule::CrdGap, out);
  Repeats(r.times, CheckRule::CrdRepeat, out);
  r.height.t.reserve(h.size());
  r.height.z.reserve(h.size());
  for (const HeightPoint& p : h) {
    if (!r.height.t.empty() && p.t < r.height.t.back()) r.height.sorted = false;
    r.height.t.push_back(p.t);
    r.height.z.push_back(p.z);
  }
  return r;
}

}  // namespace

const RuleInfo& InfoOf(CheckRule rule) {
  static const std::array<RuleInfo, kRuleCount> rules = {{
      {"Выброс T", "t_spike", CheckFile::Tu, TuValue::T, 2, "°C", true},
      {"Выброс U", "u_spike", CheckFile::Tu, TuValue::U, 1, "%", true},
      {"Скачок T", "t_jump", CheckFile::Tu, TuValue::T, 2, "°C/с", true},
      {"Скачок U", "u_jump", CheckFile::Tu, TuValue::U, 1, "%/с", true},
      {"Залипание T", "t_stuck", CheckFile::Tu, TuValue::T, 0, "с", true},
      {"Залипание U", "u_stuck", CheckFile::Tu, TuValue::U, 0, "с", true},
      {"T вне пределов", "t_range", CheckFile::Tu, TuValue::T, 2, "°C", true},
      {"Выброс дальности", "sr_spike", CheckFile::Crd, TuValue::None, 0, "м", true},
      {"Скачок дальности", "sr_jump", CheckFile::Crd, TuValue::None, 0, "м/с", true},
      {"Выброс азимута", "az_spike", CheckFile::Crd, TuValue::None, 0, "м", true},
      {"Выброс угла места", "el_spike", CheckFile::Crd, TuValue::None, 0, "м", true},
      {"Скорость подъёма", "ascent_rate", CheckFile::Crd, TuValue::None, 1, "м/с", true},
      {"Снижение до максимума", "height_fall", CheckFile::Crd, TuValue::None, 0, "м", true},
      {"Ниже горизонта", "below_horizon", CheckFile::Crd, TuValue::None, 3, "°", true},
      {"Пропуск tu", "tu_gap", CheckFile::Tu, TuValue::Both, 1, "с", false},
      {"Пропуск crd", "crd_gap", CheckFile::Crd, TuValue::None, 1, "с", false},
      {"Повтор времени tu", "tu_repeat", CheckFile::Tu, TuValue::Both, 0, "", true},
      {"Повтор времени crd", "crd_repeat", CheckFile::Crd, TuValue::None, 0, "", true},
      {"Расхождение часов", "time_drift", CheckFile::Tu, TuValue::Both, 1, "с", false},
      {"U вне пределов", "u_range", CheckFile::Tu, TuValue::U, 1, "%", true},
      {"Сбой времени tu", "tu_time_failure", CheckFile::Tu, TuValue::Both, 2, "с", false},
      {"Сбой времени crd", "crd_time_failure", CheckFile::Crd, TuValue::None, 2, "с", false},
  }};
  return rules[static_cast<std::size_t>(rule)];
}

const std::vector<ThresholdKey>& ThresholdKeys() {
  static const std::vector<ThresholdKey> keys = {
      {"TSpike", &CheckThresholds::tSpike},         {"USpike", &CheckThresholds::uSpike},
      {"TJump", &CheckThresholds::tJump},           {"UJump", &CheckThresholds::uJump},
      {"StuckTime", &CheckThresholds::stuckTime},   {"StuckRise", &CheckThresholds::stuckRise},
      {"TMin", &CheckThresholds::tMin},             {"TMax", &CheckThresholds::tMax},
      {"SRSpike", &CheckThresholds::srSpike},       {"SRSpeed", &CheckThresholds::srSpeed},
      {"AzSpikeM", &CheckThresholds::azSpike},      {"ElSpikeM", &CheckThresholds::elSpike},
      {"UOver", &CheckThresholds::uOver},           {"GapMerge", &CheckThresholds::gapMerge},
      {"RateWindow", &CheckThresholds::rateWindow}, {"RateMin", &CheckThresholds::rateMin},
      {"RateMax", &CheckThresholds::rateMax},       {"HeightFall", &CheckThresholds::heightFall},
      {"SettleTime", &CheckThresholds::settleTime}, {"Gap", &CheckThresholds::gap},
      {"DriftWindow", &CheckThresholds::driftWindow}, {"Drift", &CheckThresholds::drift},
  };
  return keys;
}

std::vector<Finding> RunChecks(const TuArray& tu, const CrdArray& crd, const CheckThresholds& limits) {
  std::vector<Finding> all;
  CrdResult c = CheckCoordinates(crd, limits, all);
  CheckTelemetry(tu, c.height, limits, all);
  Times tuTimes;
  tuTimes.row.reserve(static_cast<std::size_t>(tu.Count()));
  tuTimes.t.reserve(static_cast<std::size_t>(tu.Count()));
  for (int i = 1; i < tu.Count(); ++i) {
    const TuPoint& p = tu[i];
    if ((p.TExcluded && p.UExcluded) || !std::isfinite(p.Time)) continue;
    tuTimes.row.push_back(i);
    tuTimes.t.push_back(p.Time);
  }
  Findings out(all, CheckFile::Tu);
  Drift(tuTimes, c.times, limits, out);
  std::sort(all.begin(), all.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.firstTime, a.rule, a.firstRow) < std::tie(b.firstTime, b.rule, b.firstRow);
  });
  return all;
}

std::vector<Finding> RunChecks(const FlightPoints& points, const CheckThresholds& limits) {
  return RunChecks(points.TuPoints, points.CrdPoints, limits);
}

FindingColumns ColumnsOf(const Finding& f) {
  const RuleInfo& info = InfoOf(f.rule);
  const std::string dash = "\xE2\x80\x93";  // –
  FindingColumns c;
  c.rule = info.name;
  c.rows = std::to_string(f.firstRow);
  if (f.lastRow != f.firstRow) c.rows += dash + std::to_string(f.lastRow);
  c.times = FormatFixed(f.firstTime, 0, 1);
  if (f.lastRow != f.firstRow) c.times += dash + FormatFixed(f.lastTime, 0, 1);
  const std::string unit = *info.unit ? std::string(" ") + info.unit : std::string();
  c.value = FormatFixed(f.value, 0, info.decimals) + unit;
  c.threshold = FormatFixed(f.threshold, 0, info.decimals) + unit;
  return c;
}

std::vector<std::pair<int, int>> RemovableRows(const Finding& f) {
  if (!InfoOf(f.rule).removable) return {};
  if (f.rule == CheckRule::TuRepeat || f.rule == CheckRule::CrdRepeat) {
    if (f.lastRow <= f.firstRow) return {};
    return {{f.firstRow + 1, f.lastRow}};
  }
  return {{f.firstRow, f.lastRow}};
}

}  // namespace dv

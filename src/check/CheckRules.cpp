#include "check/CheckRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <tuple>

#include "charts/Derived.h"
#include "common/Helpers.h"
#include "flight/PointFiles.h"

namespace dv {

namespace {

constexpr int kMedianHalf = 5;             // the running median takes 11 points
constexpr double kZenithElevation = 80.0;  // above it the azimuth swings by nature
constexpr double kUMin = 0.0, kUMax = 100.0;

// The points of one value that the rules may look at, in file order.
struct Channel {
  std::vector<int> row;
  std::vector<double> t, v;
  // Whether the observer excluded a point between this one and the one before:
  // nothing is judged across it, so that taking points out finds nothing new.
  std::vector<char> afterHole;
  bool holePending = false;
  int size() const { return static_cast<int>(row.size()); }
  void reserve(int n) {
    row.reserve(static_cast<std::size_t>(n));
    t.reserve(static_cast<std::size_t>(n));
    v.reserve(static_cast<std::size_t>(n));
    afterHole.reserve(static_cast<std::size_t>(n));
  }
  void add(int r, double time, double value) {
    row.push_back(r);
    t.push_back(time);
    v.push_back(value);
    afterHole.push_back(holePending ? 1 : 0);
    holePending = false;
  }
  void hole() { holePending = !row.empty(); }
};

class Findings {
 public:
  Findings(std::vector<Finding>& out, CheckFile file) : out_(out), file_(file) {}
  void add(CheckRule rule, const Channel& c, int first, int last, double value, double threshold) {
    add(rule, c.row[static_cast<std::size_t>(first)], c.row[static_cast<std::size_t>(last)],
        c.t[static_cast<std::size_t>(first)], c.t[static_cast<std::size_t>(last)], value,
        threshold);
  }
  Finding& add(CheckRule rule, int firstRow, int lastRow, double firstTime, double lastTime,
               double value, double threshold) {
    return out_.emplace_back(
        Finding{rule, file_, firstRow, lastRow, firstTime, lastTime, value, threshold});
  }

 private:
  std::vector<Finding>& out_;
  CheckFile file_;
};

// Runs of consecutive channel points that `bad` picks, each reported once with
// the value of largest magnitude that `measure` gives within it.
template <typename Bad, typename Measure>
void ReportRuns(const Channel& c, Bad bad, Measure measure, CheckRule rule, double threshold,
                Findings& out) {
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
// Only the points of its own stretch count: across a dropout the value has
// moved on by what the time allows.
double DepartureAt(const Channel& c, int i, int first, int last) {
  int from = std::max(first, i - kMedianHalf);
  int to = std::min(last, i + kMedianHalf);
  // Near an end the window slides inwards, so it keeps its 11 points.
  if (to - from < 2 * kMedianHalf) {
    if (from == first) to = std::min(last, first + 2 * kMedianHalf);
    if (to == last) from = std::max(first, last - 2 * kMedianHalf);
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
std::vector<char> Spikes(const Channel& c, double threshold, double gap, CheckRule rule,
                         Findings& out) {
  const int n = c.size();
  std::vector<char> spike(static_cast<std::size_t>(n), 0);
  if (n < 5 || !(threshold > 0)) return spike;
  std::vector<double> dev(static_cast<std::size_t>(n), 0.0);
  const auto joined = [&](int i) { return c.t[i] - c.t[i - 1] <= gap; };
  int lookedTo = -1;  // the median is taken once per point
  for (int i = 2; i < n; ++i) {
    const double bend = c.v[i] - 2 * c.v[i - 1] + c.v[i - 2];
    if (!(std::fabs(bend) > threshold / 2) || !joined(i) || !joined(i - 1)) continue;
    for (int k = std::max(lookedTo + 1, i - 4); k <= std::min(n - 1, i + 2); ++k) {
      // The point's own stretch, as far as its window reaches: no dropout
      // longer than `gap` inside it.
      int first = k, last = k;
      while (first > 0 && first > k - 2 * kMedianHalf && joined(first)) --first;
      while (last < n - 1 && last < k + 2 * kMedianHalf && joined(last + 1)) ++last;
      // Fewer than 5 points of its own stretch: nothing to hold it against.
      if (last - first < 4) continue;
      const double d = DepartureAt(c, k, first, last);
      dev[k] = d;
      spike[k] = std::fabs(d) > threshold;
      lookedTo = k;
    }
  }
  ReportRuns(
      c, [&](int i) { return spike[i] != 0; }, [&](int i) { return dev[i]; }, rule, threshold, out);
  return spike;
}

struct Jump {
  int at;  // the point after the step
  double rate;
};

// Steps between consecutive points faster than `perSecond`, as a rate over the
// time they span (across a dropout too); points of a spike are left to the spike.
std::vector<Jump> FindJumps(const Channel& c, const std::vector<char>& spike, double perSecond) {
  std::vector<Jump> jumps;
  if (!(perSecond > 0)) return jumps;
  for (int i = 1; i < c.size(); ++i) {
    if (spike[i] || spike[i - 1] || c.afterHole[i]) continue;
    const double rate = (c.v[i] - c.v[i - 1]) / std::max(1.0, c.t[i] - c.t[i - 1]);
    if (std::fabs(rate) > perSecond) jumps.push_back({i, rate});
  }
  return jumps;
}

void Jumps(const Channel& c, const std::vector<char>& spike, double perSecond, CheckRule rule,
           Findings& out) {
  for (const Jump& j : FindJumps(c, spike, perSecond))
    out.add(rule, c, j.at - 1, j.at, j.rate, perSecond);
}

// Range jumps: a step away that a step of about the same size brings back
// within `within` seconds marks the points between as shifted, and the finding
// names them, so that the shifted stretch is what "Убрать найденное" takes.
// The points each finding names are marked in `named`.
void RangeJumps(const Channel& c, const std::vector<char>& spike, double perSecond, double within,
                std::vector<char>& named, Findings& out) {
  const std::vector<Jump> jumps = FindJumps(c, spike, perSecond);
  const auto stepOf = [&c](const Jump& j) { return c.v[j.at] - c.v[j.at - 1]; };
  for (std::size_t k = 0; k < jumps.size(); ++k) {
    const double out1 = stepOf(jumps[k]);
    std::size_t back = k;
    for (std::size_t m = k + 1;
         m < jumps.size() && c.t[jumps[m].at - 1] - c.t[jumps[k].at] <= within; ++m) {
      const double ratio = -stepOf(jumps[m]) / out1;
      if (ratio > 0.5 && ratio < 2) {
        back = m;
        break;
      }
    }
    const int first = back == k ? jumps[k].at - 1 : jumps[k].at;
    const int last = back == k ? jumps[k].at : jumps[back].at - 1;
    out.add(CheckRule::SRJump, c, first, last, jumps[k].rate, perSecond);
    for (int i = first; i <= last; ++i) named[i] = 1;
    k = back;
  }
}

// Heights the radar gives, by time, for the stuck rule's "while rising".
struct HeightTrack {
  std::vector<double> t, z;
  bool sorted = true;
  // The height at `time` (the nearest point at or after it), or NaN.
  double at(double time) const {
    if (!sorted || t.empty() || time < t.front() || time > t.back())
      return std::numeric_limits<double>::quiet_NaN();
    const auto k = static_cast<std::size_t>(std::lower_bound(t.begin(), t.end(), time) - t.begin());
    return z[k];
  }
};

void Stuck(const Channel& c, bool atZeroIsNormal, const HeightTrack& height,
           const CheckThresholds& l, CheckRule rule, Findings& out) {
  const int n = c.size();
  for (int i = 0; i < n;) {
    int j = i;
    while (j + 1 < n && c.v[j + 1] == c.v[i]) ++j;
    const double duration = c.t[j] - c.t[i];
    // Humidity rests at 0 % for minutes in dry air; a channel held at
    // saturation is a wetted or iced sensor, and is found like any other.
    const bool limit = atZeroIsNormal && c.v[i] <= kUMin;
    if (j > i && !limit && duration >= l.stuckTime) {
      const double rise = height.at(c.t[j]) - height.at(c.t[i]);
      // Without the radar's heights the time alone decides.
      if (std::isnan(rise) || rise >= l.stuckRise) out.add(rule, c, i, j, duration, l.stuckTime);
    }
    i = j + 1;
  }
}

// The metres an angle step of one degree moves the sonde at each point: the
// slant range for the elevation, its horizontal part for the azimuth.
struct AngleChannel : Channel {
  std::vector<double> metresPerDegree;
  void add(int r, double time, double value, double perDegree) {
    Channel::add(r, time, value);
    metresPerDegree.push_back(perDegree);
  }
};

// Angle spikes, judged by how far they move the sonde: the same angle error is
// noise at 1 km and a wrong position at 70 km. Third differences
// (x[j] - 3x[j-1] + 3x[j-2] - x[j-3]) find them: a lone spike of size A gives
// A, -3A, 3A, -A. A run of differences over twice the bound marks a stretch;
// its points off the line through the points just outside it by more than the
// bound are the finding. The bound rises where the track itself is noisy (six
// times its robust spread, from the differences around), so that a patch of
// jitter at long range is not taken for spikes.
void AngleSpikes(const AngleChannel& c, double threshold, double gap, CheckRule rule,
                 Findings& out) {
  const int n = c.size();
  if (n < 8 || !(threshold > 0)) return;
  // The difference holds only for evenly spaced points in one stretch: a hole
  // (a missing or excluded point) leaves it out.
  auto d3 = [&](int j) {
    if (j < 3) return 0.0;
    const double a = c.t[j] - c.t[j - 1], b = c.t[j - 1] - c.t[j - 2], e = c.t[j - 2] - c.t[j - 3];
    const double shortest = std::min({a, b, e}), longest = std::max({a, b, e});
    if (!(shortest > 0) || longest > 1.5 * shortest || longest > gap) return 0.0;
    if (c.afterHole[j] || c.afterHole[j - 1] || c.afterHole[j - 2]) return 0.0;
    return (c.v[j] - 3 * c.v[j - 1] + 3 * c.v[j - 2] - c.v[j - 3]) * c.metresPerDegree[j];
  };
  // The spread per block of points: the median of |d|, as a standard deviation
  // of one point's position (white noise of s gives differences of s * sqrt(20)).
  // Taken only for a block where a difference could break the bound.
  constexpr int kBlock = 64;
  std::vector<double> bound(static_cast<std::size_t>((n + kBlock - 1) / kBlock), -1.0);
  std::array<double, kBlock> w{};
  const auto boundAt = [&](int j) {
    double& b = bound[static_cast<std::size_t>(j / kBlock)];
    if (b >= 0) return b;
    b = threshold;
    int m = 0;
    const int from = j / kBlock * kBlock;
    for (int k = from; k < std::min(n, from + kBlock); ++k)
      if (const double dk = d3(k); dk != 0) w[m++] = std::fabs(dk);
    if (m >= kBlock / 4) b = std::max(threshold, 6 * 1.4826 * MedianOf(w, m) / std::sqrt(20.0));
    return b;
  };
  // Most differences are far below any bound: those are passed over unweighed.
  const auto d = [&](int j) {
    const double rough =
        (c.v[j] - 3 * c.v[j - 1] + 3 * c.v[j - 2] - c.v[j - 3]) * c.metresPerDegree[j];
    return std::fabs(rough) > 2 * threshold ? d3(j) : 0.0;
  };
  for (int j = 3; j < n; ++j) {
    const double dj = d(j);
    if (dj == 0 || !(std::fabs(dj) > 2 * boundAt(j))) continue;
    const int first = j;
    int last = j;
    // Two spikes side by side leave a small difference between large ones.
    for (int k = j + 1; k < n && k <= last + 3; ++k) {
      const double dk = d(k);
      if (dk != 0 && std::fabs(dk) > 2 * boundAt(k)) last = k;
    }
    const int from = std::max(0, first - 3), to = last;
    const int p = std::max(0, from - 1), q = std::min(n - 1, to + 1);
    const double slope = c.t[q] > c.t[p] ? (c.v[q] - c.v[p]) / (c.t[q] - c.t[p]) : 0.0;
    int a = -1, b = -1;
    double farthest = 0;
    for (int k = from; k <= to; ++k) {
      const double off = (c.v[k] - (c.v[p] + slope * (c.t[k] - c.t[p]))) * c.metresPerDegree[k];
      if (std::fabs(off) > boundAt(k)) {
        if (a < 0) a = k;
        b = k;
        if (std::fabs(off) > std::fabs(farthest)) farthest = off;
      }
    }
    if (a >= 0) out.add(rule, c, a, b, farthest, boundAt(a));
    j = last;
  }
}

struct HeightPoint {
  int row;
  double t, z;
  bool afterHole = false;  // the observer excluded a point just before this one
};

// The ascent rate over a window centred on each point; the points whose window
// breaks a bound are the finding, so that it names where the height went
// wrong rather than every window that saw it. A window needs points on both
// sides of its centre, half a window apart at least.
void AscentRate(const std::vector<HeightPoint>& h, int top, const CheckThresholds& l,
                Findings& out) {
  const double half = l.rateWindow / 2;
  if (!(half > 0) || top <= 0) return;
  int open = -1, end = -1;  // the finding being built: from point `open` to `end`
  double worst = 0, crossed = 0;
  auto flush = [&] {
    if (open < 0) return;
    out.add(CheckRule::AscentRate, h[open].row, h[end].row, h[open].t, h[end].t, worst, crossed);
    open = -1;
  };
  // No window reaches across points the observer took out.
  std::vector<int> runStart(static_cast<std::size_t>(top) + 1, 0);
  for (int k = 1; k <= top; ++k) runStart[k] = h[k].afterHole ? k : runStart[k - 1];
  int i = 0, j = 0;
  for (int c = 0; c <= top; ++c) {
    i = std::max(i, runStart[c]);
    while (i < c && h[i].t < h[c].t - half) ++i;
    j = std::max(j, c);
    while (j < top && !h[j + 1].afterHole && h[j + 1].t <= h[c].t + half) ++j;
    const double span = h[j].t - h[i].t;
    if (!(span >= half) || h[c].t - h[i].t < half / 2 || h[j].t - h[c].t < half / 2 ||
        h[j].row - h[i].row < 3) {
      flush();
      continue;
    }
    const double rate = (h[j].z - h[i].z) / span;
    if (rate >= l.rateMin && rate <= l.rateMax) {
      flush();
      continue;
    }
    const double bound = rate < l.rateMin ? l.rateMin : l.rateMax;
    if (open < 0) open = c, worst = rate, crossed = bound;
    end = c;
    if (std::fabs(rate - bound) > std::fabs(worst - crossed)) worst = rate, crossed = bound;
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

double NominalStep(const Times& s, double gap);

// Dropouts longer than `gap`; one that starts within `merge` seconds of the end
// of the one before is told with it, with the records missing over the whole
// stretch at the nominal step.
void Gaps(const Times& s, double gap, double merge, CheckRule rule, Findings& out) {
  if (!(gap > 0)) return;
  double step = 0;                  // the nominal step, found once there is a gap to count in it
  std::size_t open = 0, close = 0;  // the stretch being built: from record `open` to `close`
  bool building = false;
  double longest = 0;
  auto flush = [&] {
    if (!building) return;
    if (step == 0) {
      const double nominal = NominalStep(s, gap);
      step = nominal > 0 ? nominal : 1.0;
    }
    const double span = s.t[close] - s.t[open];
    const int expected = static_cast<int>(std::lround(span / step)) + 1;
    const int present = static_cast<int>(close - open) + 1;
    Finding& f = out.add(rule, s.row[open], s.row[close], s.t[open], s.t[close], longest, gap);
    f.expected = expected;
    f.missing = std::max(0, expected - present);
    building = false;
  };
  for (std::size_t i = 1; i < s.t.size(); ++i) {
    const double dt = s.t[i] - s.t[i - 1];
    if (!(dt > gap)) continue;
    if (building && s.t[i - 1] - s.t[close] > merge) flush();
    if (!building) open = i - 1, longest = 0, building = true;
    close = i;
    longest = std::max(longest, dt);
  }
  flush();
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
    out.add(CheckRule::TimeDrift, a.firstRow[open], a.lastRow[close], a.firstTime[open],
            a.lastTime[close], worst, l.drift);
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

bool UsableCrd(double value) { return std::isfinite(value) && value > kCrdMissingLimit; }

// The first time that runs backwards, found on the way through a file as the
// open finds it: the row a time correction starts at, the last time in order.
struct TimeOrder {
  double prev = 0;
  int row = -1;
  double at = 0;
  void next(int i, double t) {
    if (row >= 0) return;
    if (t >= prev) {
      prev = t;
    } else {
      row = i, at = t;
    }
  }
  void report(CheckRule rule, Findings& out) const {
    if (row >= 0) out.add(rule, row, row, at, at, at, prev);
  }
};

// Whether the reader flagged the point (a mark or a value out of range), so
// that its exclusion is no choice of the observer's.
bool FlaggedOnReading(const TuPoint& p) {
  TuPoint q = p;
  ApplyTuRangeFlags(q);
  return q.TExcluded;
}
bool MarkedOnReading(const CrdPoint& p) { return !UsableCrd(p.SR) || p.AzAsRead || p.ElAsRead; }

// Consecutive rows of a channel make one finding, with the value farthest out.
void ReportRows(const Channel& c, CheckRule rule, double centre,
                const std::function<double(double)>& bound, Findings& out) {
  for (int i = 0; i < c.size();) {
    int j = i;
    double worst = c.v[i];
    while (j + 1 < c.size() && c.row[j + 1] == c.row[j] + 1) {
      ++j;
      if (std::fabs(c.v[j] - centre) > std::fabs(worst - centre)) worst = c.v[j];
    }
    out.add(rule, c, i, j, worst, bound(worst));
    i = j + 1;
  }
}

constexpr double kDeadChannel = 99.0;   // |T| a channel gives when it reads nothing
constexpr double kShiftWithin = 600.0;  // s within which a range step is brought back

// Gives the times of the points still in use, for the clocks' comparison.
Times CheckTelemetry(const TuArray& tu, const HeightTrack& height, const CheckThresholds& l,
                     std::vector<Finding>& all) {
  Findings out(all, CheckFile::Tu);
  const int n = tu.Count();
  Channel t, u;
  t.reserve(n);
  u.reserve(n);
  Times present, times;
  Channel hotT, hotU;  // values no air gives, kept apart from the other rules
  TimeOrder order;
  for (int i = 1; i < n; ++i) {
    const TuPoint& p = tu[i];
    const double time = p.Time;
    order.next(i, time);
    if (!std::isfinite(time)) continue;
    const bool flagged = FlaggedOnReading(p);
    // A gap is judged on the records the file holds, whatever the observer excluded.
    if (!(p.T < kCrdMissingLimit && p.U < kCrdMissingLimit)) {
      present.row.push_back(i);
      present.t.push_back(time);
    }
    if (p.TExcluded && !flagged) t.hole();
    if (p.UExcluded && !flagged) u.hole();
    if (!p.TExcluded) {
      if (std::fabs(p.T) >= kDeadChannel || p.T < l.tMin || p.T > l.tMax) {
        hotT.add(i, time, p.T);
      } else {
        t.add(i, time, p.T);
      }
    }
    if (!p.UExcluded) {
      if (p.U > kUMax + l.uOver || p.U < kUMin - l.uOver) {
        hotU.add(i, time, p.U);
      } else {
        u.add(i, time, p.U);
      }
    }
    if (!p.TExcluded || !p.UExcluded) {
      times.row.push_back(i);
      times.t.push_back(time);
    }
  }
  ReportRows(
      hotT, CheckRule::TRange, 0.0, [&](double v) { return v < l.tMin ? l.tMin : l.tMax; }, out);
  ReportRows(
      hotU, CheckRule::URange, (kUMin + kUMax) / 2,
      [&](double v) { return v < kUMin ? kUMin - l.uOver : kUMax + l.uOver; }, out);
  const std::vector<char> tSpike = Spikes(t, l.tSpike, l.gap, CheckRule::TSpike, out);
  Jumps(t, tSpike, l.tJump, CheckRule::TJump, out);
  Stuck(t, false, height, l, CheckRule::TStuck, out);
  const std::vector<char> uSpike = Spikes(u, l.uSpike, l.gap, CheckRule::USpike, out);
  Jumps(u, uSpike, l.uJump, CheckRule::UJump, out);
  Stuck(u, true, height, l, CheckRule::UStuck, out);
  Gaps(present, l.gap, l.gapMerge, CheckRule::TuGap, out);
  Repeats(times, CheckRule::TuRepeat, out);
  order.report(CheckRule::TuTimeFailure, out);
  return times;
}

struct CrdResult {
  Times times;
  HeightTrack height;
  TimeOrder order;
};

CrdResult CheckCoordinates(const CrdArray& crd, const CheckThresholds& l,
                           std::vector<Finding>& all) {
  Findings out(all, CheckFile::Crd);
  const int n = crd.Count();
  Channel sr;
  AngleChannel az, el;
  sr.reserve(n);
  az.reserve(n);
  el.reserve(n);
  CrdResult r;
  Times present;
  // The points with a height, in file order, before the suspects are left out.
  std::vector<HeightPoint> heights;
  heights.reserve(static_cast<std::size_t>(std::max(n, 0)));
  bool heightHole = false;
  double unwrap = 0, lastAz = std::numeric_limits<double>::quiet_NaN();
  constexpr double kRadPerDeg = std::numbers::pi / 180.0;
  TimeOrder order;
  for (int i = 1; i < n; ++i) {
    const CrdPoint& p = crd[i];
    const double time = p.Time;
    order.next(i, time);
    if (!std::isfinite(time)) continue;
    const bool marked = MarkedOnReading(p);
    if (!marked) {
      present.row.push_back(i);
      present.t.push_back(time);
    }
    if (p.Excluded) {
      if (!marked) sr.hole(), az.hole(), el.hole(), heightHole = !heights.empty();
      continue;
    }
    r.times.row.push_back(i);
    r.times.t.push_back(time);
    if (UsableCrd(p.SR)) sr.add(i, time, p.SR);
    const bool elUsable = !p.ElAsRead && UsableCrd(p.El);
    if (!UsableCrd(p.SR)) continue;  // an angle moves the sonde only at a known range
    double across = p.SR;
    if (elUsable) {
      const double e = p.El * kRadPerDeg;
      across = p.SR * std::cos(e);
      // The height DeriveCrd gives, without the azimuth it does not need.
      if (!p.AzAsRead && UsableCrd(p.Az)) {
        heights.push_back(
            {i, time, p.SR * std::sin(e) + across * across * kHeightCurvature, heightHole});
        heightHole = false;
      }
    }
    if (time >= l.settleTime && elUsable) el.add(i, time, p.El, p.SR * kRadPerDeg);
    if (time >= l.settleTime && !p.AzAsRead && UsableCrd(p.Az) &&
        (!elUsable || p.El < kZenithElevation)) {
      // Azimuth wrapped at 360°: 359.9 then 0.1 is a step of 0.2.
      if (!std::isnan(lastAz)) {
        if (p.Az - lastAz > 180) unwrap -= 360;
        if (p.Az - lastAz < -180) unwrap += 360;
      }
      lastAz = p.Az;
      az.add(i, time, p.Az + unwrap, across * kRadPerDeg);
    }
  }
  const std::vector<char> srSpike = Spikes(sr, l.srSpike, l.gap, CheckRule::SRSpike, out);
  std::vector<char> srNamed = srSpike;
  RangeJumps(sr, srSpike, l.srSpeed, kShiftWithin, srNamed, out);
  const std::size_t before = all.size();
  AngleSpikes(az, l.azSpike, l.gap, CheckRule::AzSpike, out);
  AngleSpikes(el, l.elSpike, l.gap, CheckRule::ElSpike, out);
  // The height leaves out what the range and angle rules found already, so that
  // one wrong point is never taken for the highest.
  std::vector<std::pair<int, int>> suspect;
  for (int i = 0; i < sr.size(); ++i)
    if (srNamed[i]) suspect.emplace_back(sr.row[i], sr.row[i]);
  for (std::size_t k = before; k < all.size(); ++k)
    suspect.emplace_back(all[k].firstRow, all[k].lastRow);
  std::sort(suspect.begin(), suspect.end());
  std::size_t s = 0, kept = 0;
  bool hole = false;
  for (const HeightPoint& p : heights) {
    const int i = p.row;
    hole = hole || p.afterHole;
    while (s < suspect.size() && suspect[s].second < i) ++s;
    bool under = false;
    for (std::size_t k = s; k < suspect.size() && suspect[k].first <= i; ++k)
      under = under || suspect[k].second >= i;
    if (under) continue;
    heights[kept++] = HeightPoint{i, p.t, p.z, hole};
    hole = false;
  }
  heights.resize(kept);
  const std::vector<HeightPoint>& h = heights;
  int top = 0;
  for (int i = 0; i < static_cast<int>(h.size()); ++i)
    if (h[i].z > h[top].z) top = i;
  AscentRate(h, top, l, out);
  HeightFall(h, top, l.heightFall, out);
  ReportRuns(
      el, [&](int i) { return el.v[i] < 0; }, [&](int i) { return el.v[i]; },
      CheckRule::BelowHorizon, 0.0, out);
  Gaps(present, l.gap, l.gapMerge, CheckRule::CrdGap, out);
  Repeats(r.times, CheckRule::CrdRepeat, out);
  r.height.t.reserve(h.size());
  r.height.z.reserve(h.size());
  for (const HeightPoint& p : h) {
    if (!r.height.t.empty() && p.t < r.height.t.back()) r.height.sorted = false;
    r.height.t.push_back(p.t);
    r.height.z.push_back(p.z);
  }
  r.order = order;
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
      {"Сверхадиабатический слой", "superadiabatic", CheckFile::Tu, TuValue::T, 1, "K", true},
      {"Резкая инверсия", "sharp_inversion", CheckFile::Tu, TuValue::T, 1, "°C/100 м", true},
      {"Пересыщение / сухость", "supersaturation", CheckFile::Tu, TuValue::U, 1, "%", true},
      {"Сдвиг ветра", "wind_shear", CheckFile::Crd, TuValue::None, 3, "1/с", true},
  }};
  return rules[static_cast<std::size_t>(rule)];
}

const std::vector<ThresholdKey>& ThresholdKeys() {
  static const std::vector<ThresholdKey> keys = {
      {"TSpike", &CheckThresholds::tSpike},
      {"USpike", &CheckThresholds::uSpike},
      {"TJump", &CheckThresholds::tJump},
      {"UJump", &CheckThresholds::uJump},
      {"StuckTime", &CheckThresholds::stuckTime},
      {"StuckRise", &CheckThresholds::stuckRise},
      {"TMin", &CheckThresholds::tMin},
      {"TMax", &CheckThresholds::tMax},
      {"SRSpike", &CheckThresholds::srSpike},
      {"SRSpeed", &CheckThresholds::srSpeed},
      {"AzSpikeM", &CheckThresholds::azSpike},
      {"ElSpikeM", &CheckThresholds::elSpike},
      {"UOver", &CheckThresholds::uOver},
      {"GapMerge", &CheckThresholds::gapMerge},
      {"RateWindow", &CheckThresholds::rateWindow},
      {"RateMin", &CheckThresholds::rateMin},
      {"RateMax", &CheckThresholds::rateMax},
      {"HeightFall", &CheckThresholds::heightFall},
      {"SettleTime", &CheckThresholds::settleTime},
      {"Gap", &CheckThresholds::gap},
      {"DriftWindow", &CheckThresholds::driftWindow},
      {"Drift", &CheckThresholds::drift},
      {"SurfaceLayer", &CheckThresholds::surfaceLayer},
      {"Superadiabatic", &CheckThresholds::superadiabatic},
      {"SuperadiabaticDepth", &CheckThresholds::superadiabaticDepth},
      {"InversionRise", &CheckThresholds::inversionRise},
      {"InversionGradient", &CheckThresholds::inversionGradient},
      {"InversionDepth", &CheckThresholds::inversionDepth},
      {"IceOver", &CheckThresholds::iceOver},
      {"DryU", &CheckThresholds::dryU},
      {"DryTime", &CheckThresholds::dryTime},
      {"WindShear", &CheckThresholds::windShear},
      {"ShearDepth", &CheckThresholds::shearDepth},
  };
  return keys;
}

struct CoordinateChecks::State {
  CrdResult result;
  std::vector<Finding> findings;
};

CoordinateChecks::CoordinateChecks() : state_(std::make_unique<State>()) {}
CoordinateChecks::CoordinateChecks(const CrdArray& crd, const CheckThresholds& limits)
    : state_(std::make_unique<State>()) {
  state_->result = CheckCoordinates(crd, limits, state_->findings);
}
CoordinateChecks::~CoordinateChecks() = default;
CoordinateChecks::CoordinateChecks(CoordinateChecks&&) noexcept = default;
CoordinateChecks& CoordinateChecks::operator=(CoordinateChecks&&) noexcept = default;

std::vector<Finding> RunChecks(const TuArray& tu, const CrdArray& crd, const CheckThresholds& limits) {
  return RunChecks(tu, CoordinateChecks(crd, limits), limits);
}

std::vector<Finding> RunChecks(const TuArray& tu, const CoordinateChecks& coordinates,
                               const CheckThresholds& limits) {
  // The coordinates' findings first, as they were found, so that the order of
  // equal keys after the sort is the same however the coordinates were checked.
  std::vector<Finding> all = coordinates.state_->findings;
  const CrdResult& c = coordinates.state_->result;
  const Times tuTimes = CheckTelemetry(tu, c.height, limits, all);
  Findings out(all, CheckFile::Tu);
  Drift(tuTimes, c.times, limits, out);
  Findings crdOut(all, CheckFile::Crd);
  c.order.report(CheckRule::CrdTimeFailure, crdOut);
  SortFindings(all);
  return all;
}

void SortFindings(std::vector<Finding>& findings) {
  std::sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.firstTime, a.rule, a.firstRow) < std::tie(b.firstTime, b.rule, b.firstRow);
  });
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
  if (f.expected > 0)
    c.value = "нет " + std::to_string(f.missing) + " из " + std::to_string(f.expected);
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

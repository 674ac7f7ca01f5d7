#include "diagram/SkewT.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/ProfileFile.h"
#include "thermo/Thermo.h"
#include "wind/Wind.h"

namespace dv::diagram {

namespace {

constexpr double kLnBottom = 6.956545443151569;  // ln 1050

// dT/d ln p of saturated air (K), from the lapse rate in p.
double MoistSlope(double tKelvin, double p) { return p * MoistLapseRate(tKelvin - thermo::kKelvin, p); }

// One fourth-order Runge-Kutta step of the pseudo-adiabat in ln p.
double MoistStep(double tKelvin, double lnp, double h) {
  const auto f = [](double t, double lp) { return MoistSlope(t, std::exp(lp)); };
  const double k1 = f(tKelvin, lnp);
  const double k2 = f(tKelvin + h / 2 * k1, lnp + h / 2);
  const double k3 = f(tKelvin + h / 2 * k2, lnp + h / 2);
  const double k4 = f(tKelvin + h * k3, lnp + h);
  return tKelvin + h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
}
constexpr double kMoistStep = 0.01;  // in ln p: 1 % of pressure

double Lerp(double a, double b, double f) { return a + (b - a) * f; }

}  // namespace

double SkewX(double t, double p) { return t + kSkew * (kLnBottom - std::log(p)); }
double TemperatureAt(double x, double p) { return x - kSkew * (kLnBottom - std::log(p)); }

View DefaultView(double width, double height) {
  // 45° needs the width the proportions give; a plot narrower than 9:8 keeps
  // −45…45 °C at its foot with steeper isotherms rather than cut the sounding off.
  const double span = height > 0 && width > 0
                          ? std::max(kMinimumSpan, kSkew * std::log(kPressureBottom / kPressureTop) * width / height)
                          : kMinimumSpan;
  View v;
  v.xMin = -span / 2;
  v.xMax = span / 2;
  return v;
}

Pixel ToPixel(double t, double p, const View& view, const Rect& rect) {
  const double x = SkewX(t, p);
  return {rect.left + (x - view.xMin) / (view.xMax - view.xMin) * rect.width,
          rect.top + std::log(p / view.pTop) / std::log(view.pBottom / view.pTop) * rect.height};
}

double PressureAtPixel(double y, const View& view, const Rect& rect) {
  return view.pTop * std::pow(view.pBottom / view.pTop, (y - rect.top) / rect.height);
}

double TemperatureAtPixel(double x, double y, const View& view, const Rect& rect) {
  const double sx = view.xMin + (x - rect.left) / rect.width * (view.xMax - view.xMin);
  return TemperatureAt(sx, PressureAtPixel(y, view, rect));
}

double MoistLapseRate(double t, double p) {
  const double tk = t + thermo::kKelvin;
  const double es = thermo::SaturationPressure(t);
  const double rs = thermo::kEpsilon * es / (p - es);
  return (thermo::kRd * tk + thermo::kLv * rs) /
         (p * (thermo::kCp + thermo::kLv * thermo::kLv * rs * thermo::kEpsilon / (thermo::kRd * tk * tk)));
}

double PseudoAdiabat(double thetaW, double p) {
  const double to = std::log(p);
  double lnp = std::log(1000.0), tk = thetaW + thermo::kKelvin;
  const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(to - lnp) / kMoistStep)));
  const double h = (to - lnp) / steps;
  for (int i = 0; i < steps; ++i, lnp += h) tk = MoistStep(tk, lnp, h);
  return tk - thermo::kKelvin;
}

double MixingRatioTemperature(double r, double p) {
  // r = 1000·ε·e/(p − e) solved for e, then the Magnus formula solved for t.
  const double e = r * p / (1000.0 * thermo::kEpsilon + r);
  const double l = std::log(e / 6.112);
  return 243.12 * l / (17.62 - l);
}

const std::vector<BackgroundLine>& BackgroundLines() {
  static const std::vector<BackgroundLine> lines = [] {
    std::vector<BackgroundLine> out;
    const double lnTop = std::log(kPressureTop);
    // Curves sampled every 2 % of pressure: under a pixel from a straight chord.
    constexpr double kSample = 0.02;
    const auto sampled = [&](LineKind kind, double value, double pTo, auto temperature) {
      BackgroundLine line{kind, value, {}};
      const int n = static_cast<int>(std::ceil((kLnBottom - std::log(pTo)) / kSample));
      for (int i = 0; i <= n; ++i) {
        const double p = std::exp(kLnBottom - (kLnBottom - std::log(pTo)) * i / n);
        line.points.push_back({static_cast<float>(temperature(p)), static_cast<float>(p)});
      }
      out.push_back(std::move(line));
    };
    // Wide enough for any window's width: the view spans 80 °C per unit of aspect.
    for (int t = -200; t <= 150; t += 10)
      out.push_back({LineKind::Isotherm, double(t), {{float(t), float(kPressureBottom)},
                                                     {float(t), float(std::exp(lnTop))}}});
    for (double p : kLabelledPressures) out.push_back({LineKind::Isobar, p, {}});
    for (double p : {900.0, 800.0, 600.0}) out.push_back({LineKind::Isobar, p, {}});
    // Dry adiabats through every 10 °C at 1000 hPa.
    for (int c = -80; c <= 600; c += 10)
      sampled(LineKind::DryAdiabat, c, kPressureTop, [c](double p) {
        return (c + thermo::kKelvin) * std::pow(p / 1000.0, thermo::kKappa) - thermo::kKelvin;
      });
    // Pseudo-adiabats: one integration from 1050 hPa up, sampled on the way.
    for (int w = -20; w <= 40; w += 4) {
      BackgroundLine line{LineKind::MoistAdiabat, double(w), {}};
      double tk = PseudoAdiabat(w, kPressureBottom) + thermo::kKelvin;
      const double lnTo = std::log(200.0);
      const int n = static_cast<int>(std::ceil((kLnBottom - lnTo) / kMoistStep));
      const double h = (lnTo - kLnBottom) / n;
      double lnp = kLnBottom;
      line.points.push_back({static_cast<float>(tk - thermo::kKelvin), static_cast<float>(kPressureBottom)});
      for (int i = 1; i <= n; ++i) {
        tk = MoistStep(tk, lnp, h);
        lnp = kLnBottom + h * i;
        if (i % 2 == 0 || i == n)
          line.points.push_back({static_cast<float>(tk - thermo::kKelvin), static_cast<float>(std::exp(lnp))});
      }
      out.push_back(std::move(line));
    }
    for (double r : {0.4, 1.0, 2.0, 3.0, 5.0, 8.0, 12.0, 16.0, 20.0})
      sampled(LineKind::MixingRatio, r, 400.0, [r](double p) { return MixingRatioTemperature(r, p); });
    return out;
  }();
  return lines;
}

Barb BarbOf(double speed, WindUnit unit) {
  Barb b;
  const double value = unit == WindUnit::Knots ? speed * 3600.0 / 1852.0 : speed;
  const double half = unit == WindUnit::Knots ? 5.0 : 2.5;
  // Rounded to the nearest half barb.
  const long n = std::isfinite(value) ? std::lround(std::max(value, 0.0) / half) : 0;
  b.calm = n == 0;
  b.pennants = static_cast<int>(n / 10);
  b.full = static_cast<int>(n % 10 / 2);
  b.half = static_cast<int>(n % 2);
  return b;
}

const std::vector<double>& BarbPressures() {
  static const std::vector<double> levels = [] {
    std::vector<double> v(std::begin(kStandardLevels), std::end(kStandardLevels));
    for (int p = 1000; p >= 50; p -= 50) v.push_back(p);
    std::sort(v.begin(), v.end(), std::greater<>());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
  }();
  return levels;
}

std::vector<BarbLevel> WindBarbs(const Profile& profile) {
  const auto& levels = BarbPressures();
  std::vector<BarbLevel> out;
  std::vector<bool> found(levels.size(), false);
  const ProfilePoint* last = nullptr;
  for (const ProfilePoint& q : profile.points) {
    if (!std::isfinite(q.windU) || !std::isfinite(q.windV)) continue;
    if (last && q.time - last->time <= kProfileCrdGap) {
      const double hi = std::max(last->p, q.p), lo = std::min(last->p, q.p);
      // The levels within [lo, hi], in the descending list.
      auto from = std::lower_bound(levels.begin(), levels.end(), hi, std::greater<>());
      for (auto it = from; it != levels.end() && *it >= lo; ++it) {
        const auto k = static_cast<std::size_t>(it - levels.begin());
        if (found[k] || hi == lo) continue;
        found[k] = true;
        const double f = std::log(*it / last->p) / std::log(q.p / last->p);
        const double u = Lerp(last->windU, q.windU, f), v = Lerp(last->windV, q.windV, f);
        out.push_back({*it, WindFrom(u, v), std::hypot(u, v)});
      }
    }
    last = &q;
  }
  std::sort(out.begin(), out.end(), [](const BarbLevel& a, const BarbLevel& b) { return a.p > b.p; });
  return out;
}

std::vector<float> PressuresAtTimes(const Profile& profile, const TuArray& tu, double p0) {
  std::vector<float> out(static_cast<std::size_t>(std::max(tu.Count(), 0)), kNoValue);
  const auto& pts = profile.points;
  if (!profile.pressureKnown) return out;
  const bool surface = std::isfinite(p0) && p0 > 0;
  for (int i = 0; i < tu.Count(); ++i) {
    const double t = tu[i].Time;
    if (!std::isfinite(t)) continue;
    auto it = std::lower_bound(pts.begin(), pts.end(), t, [](const ProfilePoint& q, double v) { return q.time < v; });
    double p = NAN;
    if (it != pts.end() && it->time == t) {
      p = it->p;
    } else if (it != pts.end() && it != pts.begin()) {
      const ProfilePoint& a = *(it - 1);
      if (it->time - a.time <= kProfileCrdGap)
        p = std::exp(Lerp(std::log(a.p), std::log(it->p), (t - a.time) / (it->time - a.time)));
    } else if (it != pts.end() && surface && t >= 0 && it->time <= kProfileCrdGap) {
      // Between the launch (the surface, at P0) and the radar's first point.
      p = it->time > 0 ? std::exp(Lerp(std::log(p0), std::log(it->p), t / it->time)) : p0;
    }
    if (surface && i == 0 && t <= 0) p = p0;
    out[static_cast<std::size_t>(i)] = static_cast<float>(p);
  }
  return out;
}

Readout ReadoutAt(const Profile& profile, double p) {
  Readout r;
  const auto& pts = profile.points;
  for (std::size_t k = 1; k < pts.size(); ++k) {
    const ProfilePoint& a = pts[k - 1];
    const ProfilePoint& b = pts[k];
    if (!(std::min(a.p, b.p) <= p && p <= std::max(a.p, b.p))) continue;
    const double f = a.p == b.p ? 0 : std::log(p / a.p) / std::log(b.p / a.p);
    r.found = true;
    r.p = p;
    r.H = Lerp(a.H, b.H, f);
    r.T = Lerp(a.T, b.T, f);  // NaN when either has none
    r.Td = Lerp(a.Td, b.Td, f);
    r.U = Lerp(a.U, b.U, f);
    const double u = Lerp(a.windU, b.windU, f), v = Lerp(a.windV, b.windV, f);
    if (std::isfinite(u) && std::isfinite(v)) r.direction = WindFrom(u, v), r.speed = std::hypot(u, v);
    r.row = f < 0.5 ? a.row : b.row;
    break;
  }
  return r;
}

WindUnit ReadWindUnit(const std::string& configFile) {
  ProfileFile file;
  file.Load(configFile);
  std::string value = file.Read(kDiagramSection, kWindUnitKey, "");
  std::transform(value.begin(), value.end(), value.begin(), [](unsigned char c) { return std::tolower(c); });
  return value == "m/s" || value == "ms" ? WindUnit::MetresPerSecond : WindUnit::Knots;
}

}  // namespace dv::diagram

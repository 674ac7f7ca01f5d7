#include "charts/Derived.h"

#include <algorithm>
#include <numbers>

#include "common/Helpers.h"

namespace dv {

namespace {

constexpr double kDegToRadian = std::numbers::pi / 180.0;

ChartPoint Plotted(double x, double y, bool excluded, std::uint32_t excludedColour) {
  ChartPoint p;
  p.x = ChartCoordinate(x);
  p.y = ChartCoordinate(y);
  if (excluded) p.colour = excludedColour;
  return p;
}

std::uint32_t ColourOf(bool excluded, std::uint32_t excludedColour) {
  return excluded ? excludedColour : kSeriesColour;
}

// Reserve once per fill: the series are rebuilt on every edit, and growing a
// 20,000-point vector step by step would cost more than filling it.
template <typename V>
void ReserveMore(V& v, int more) {
  if (more > 0) v.reserve(v.size() + static_cast<std::size_t>(more));
}

// Pass 3 (current) and pass 4 (original) differ only in colours, the label's tab
// and whether a value out of range leaves a placeholder or nothing.
template <bool Current>
void AppendCoordinates(const CrdArray& arr, ChartPoints& sr, ChartPoints& az, ChartPoints& el,
                       ChartPoints& xy, ChartLabels& labels, ChartPoints& z) {
  const int n = arr.Count();
  for (auto* v : {&sr, &az, &el, &xy, &z}) ReserveMore(*v, n);
  ReserveMore(labels, n);
  for (int i = 0; i < n; ++i) {
    const CrdPoint& p = arr[i];
    const bool excluded = Current && p.Excluded;
    // The single tests refuse -99 itself; the three-way test below accepts it.
    if (p.SR > kCrdMissingLimit) {
      sr.push_back(Plotted(p.Time, p.SR / kMetresPerKm, excluded, excluded_colour::kSR));
    } else if (Current) {
      sr.emplace_back();
    }
    if (p.Az > kCrdMissingLimit) {
      az.push_back(Plotted(p.Time, p.Az, excluded, excluded_colour::kAz));
    } else if (Current) {
      az.emplace_back();
    }
    if (p.El > kCrdMissingLimit) {
      el.push_back(Plotted(p.Time, p.El, excluded, excluded_colour::kEl));
    } else if (Current) {
      el.emplace_back();
    }
    if (p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit) {
      const CrdDerived d = DeriveCrd(p);
      xy.push_back(Plotted(d.X / kMetresPerKm, d.Y / kMetresPerKm, excluded, excluded_colour::kXY));
      labels.push_back(ChartLabel{LabelSeconds(p.Time), excluded});
      if (d.Z > kZPlotLow && d.Z < kZPlotHigh) {
        z.push_back(Plotted(p.Time, d.Z / kMetresPerKm, excluded, excluded_colour::kZ));
      } else if (Current) {
        z.emplace_back();
      }
    } else if (Current) {
      xy.emplace_back();
      labels.emplace_back();
      z.emplace_back();
    }
  }
}

void AppendCurrentTelemetry(const TuArray& arr, ChartPoints& t, ChartPoints& u) {
  // Out of range leaves a placeholder.
  ReserveMore(t, arr.Count());
  ReserveMore(u, arr.Count());
  for (int i = 0; i < arr.Count(); ++i) {
    const TuPoint& p = arr[i];
    // Written as "not below" so that a NaN also becomes a placeholder.
    if (!(std::fabs(p.T) < kTlmPlotLimit)) {
      t.emplace_back();
    } else {
      t.push_back(Plotted(p.Time, p.T, p.TExcluded, excluded_colour::kT));
    }
    if (!(std::fabs(p.U) < kTlmPlotLimit)) {
      u.emplace_back();
    } else {
      u.push_back(Plotted(p.Time, p.U, p.UExcluded, excluded_colour::kU));
    }
  }
}

void AppendOriginalTelemetry(const TuArray& arr, ChartPoints& t, ChartPoints& u) {
  // Out of range adds nothing.
  ReserveMore(t, arr.Count());
  ReserveMore(u, arr.Count());
  for (int i = 0; i < arr.Count(); ++i) {
    const TuPoint& p = arr[i];
    if (std::fabs(p.T) < kTlmPlotLimit) t.push_back(Plotted(p.Time, p.T, false, 0));
    if (std::fabs(p.U) < kTlmPlotLimit) u.push_back(Plotted(p.Time, p.U, false, 0));
  }
}

// The stretch first..last clipped to the series; empty when first > last.
bool Clip(int& first, int& last, std::size_t size) {
  first = std::max(first, 0);
  last = std::min(last, static_cast<int>(size) - 1);
  return first <= last;
}

}  // namespace

CrdDerived DeriveCrd(double SR, double Az, double El) {
  CrdDerived d;
  const double el = El * kDegToRadian;
  const double az = Az * kDegToRadian;
  d.L = SR * std::cos(el);
  d.X = d.L * std::sin(az);
  d.Y = d.L * std::cos(az);
  // The curvature term is added whatever the sign of the first one.
  d.Z = SR * std::sin(el) + d.L * d.L * kHeightCurvature;
  return d;
}

// A half second goes away from zero (12.5 -> 13, like rounding by hand), and
// std::round does not depend on the floating-point rounding mode.
double LabelSeconds(double time) { return std::round(time); }

std::string TrajectoryLabel(double time, bool excluded) {
  // FormatFixed writes no blanks and no "-0"; the value is already whole.
  std::string text = FormatFixed(LabelSeconds(time), 0, 0);
  if (excluded) text += '\t';
  return text;
}

std::string LabelText(const ChartLabel& label) {
  if (!label.has()) return {};
  std::string text = FormatFixed(label.seconds, 0, 0);
  if (label.tab) text += '\t';
  return text;
}

std::vector<SeriesId> SeriesOfPass(FillPass pass) {
  switch (pass) {
    case FillPass::CurrentTelemetry: return {SeriesId::T, SeriesId::U};
    case FillPass::OriginalTelemetry: return {SeriesId::TOrg, SeriesId::UOrg};
    case FillPass::CurrentCoordinates: return {SeriesId::Z, SeriesId::SR, SeriesId::Az, SeriesId::El, SeriesId::XY};
    case FillPass::OriginalCoordinates:
      return {SeriesId::ZOrg, SeriesId::SROrg, SeriesId::AzOrg, SeriesId::ElOrg, SeriesId::XYOrg};
  }
  return {};
}

void AppendFillPass(const FlightPoints& points, FillPass pass, FillPlan& plan) {
  switch (pass) {
    case FillPass::CurrentTelemetry:
      AppendCurrentTelemetry(points.TuPoints, plan[SeriesId::T], plan[SeriesId::U]);
      break;
    case FillPass::OriginalTelemetry:
      AppendOriginalTelemetry(points.TuOrgPoints, plan[SeriesId::TOrg], plan[SeriesId::UOrg]);
      break;
    case FillPass::CurrentCoordinates:
      AppendCoordinates<true>(points.CrdPoints, plan[SeriesId::SR], plan[SeriesId::Az], plan[SeriesId::El],
                              plan[SeriesId::XY], plan.xyLabels, plan[SeriesId::Z]);
      break;
    case FillPass::OriginalCoordinates:
      AppendCoordinates<false>(points.CrdOrgPoints, plan[SeriesId::SROrg], plan[SeriesId::AzOrg],
                               plan[SeriesId::ElOrg], plan[SeriesId::XYOrg], plan.xyOrgLabels,
                               plan[SeriesId::ZOrg]);
      break;
  }
}

void AppendFillPlan(const FlightPoints& points, FillPlan& plan) {
  for (FillPass pass : {FillPass::CurrentTelemetry, FillPass::OriginalTelemetry, FillPass::CurrentCoordinates,
                        FillPass::OriginalCoordinates})
    AppendFillPass(points, pass, plan);
}

// The recolouring takes each value through the same tests as the fill, so that
// it gives every point, drawn or not, exactly the colour a fresh fill gives it.
void RecolourTelemetry(const TuArray& points, int first, int last, ChartPoints& t, ChartPoints& u) {
  if (!Clip(first, last, std::min({t.size(), u.size(), static_cast<std::size_t>(points.Count())}))) return;
  for (int i = first; i <= last; ++i) {
    const TuPoint& p = points[i];
    const auto k = static_cast<std::size_t>(i);
    t[k].colour = std::fabs(p.T) < kTlmPlotLimit ? ColourOf(p.TExcluded, excluded_colour::kT) : kSeriesColour;
    u[k].colour = std::fabs(p.U) < kTlmPlotLimit ? ColourOf(p.UExcluded, excluded_colour::kU) : kSeriesColour;
  }
}

void RecolourCoordinates(const CrdArray& points, int first, int last, FillPlan& plan) {
  ChartPoints& sr = plan[SeriesId::SR];
  ChartPoints& az = plan[SeriesId::Az];
  ChartPoints& el = plan[SeriesId::El];
  ChartPoints& xy = plan[SeriesId::XY];
  ChartPoints& z = plan[SeriesId::Z];
  ChartLabels& labels = plan.xyLabels;
  const std::size_t n = std::min({sr.size(), az.size(), el.size(), xy.size(), z.size(), labels.size(),
                                  static_cast<std::size_t>(points.Count())});
  if (!Clip(first, last, n)) return;
  for (int i = first; i <= last; ++i) {
    const CrdPoint& p = points[i];
    const bool excluded = p.Excluded;
    const auto k = static_cast<std::size_t>(i);
    const auto paint = [excluded](bool plotted, ChartPoint& point, std::uint32_t colour) {
      point.colour = plotted ? ColourOf(excluded, colour) : kSeriesColour;
    };
    paint(p.SR > kCrdMissingLimit, sr[k], excluded_colour::kSR);
    paint(p.Az > kCrdMissingLimit, az[k], excluded_colour::kAz);
    paint(p.El > kCrdMissingLimit, el[k], excluded_colour::kEl);
    const bool derived = p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit;
    paint(derived, xy[k], excluded_colour::kXY);
    labels[k].tab = derived && excluded;
    bool zPlotted = false;
    if (derived) {
      const double height = DeriveCrd(p).Z;
      zPlotted = height > kZPlotLow && height < kZPlotHigh;
    }
    paint(zPlotted, z[k], excluded_colour::kZ);
  }
}

FillPlan MakeFillPlan(const FlightPoints& points) {
  FillPlan plan;
  AppendFillPlan(points, plan);
  return plan;
}

}  // namespace dv

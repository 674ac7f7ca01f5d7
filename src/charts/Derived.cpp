#include "charts/Derived.h"

#include <numbers>

#include "common/Helpers.h"

namespace dv {

namespace {

constexpr double kDegToRadian = std::numbers::pi / 180.0;

ChartPoint Plotted(double x, double y, bool excluded, std::uint32_t excludedColour) {
  ChartPoint p;
  p.x = x;
  p.y = y;
  if (excluded) p.colour = excludedColour;
  return p;
}

// Reserve once per fill: the series are rebuilt on every edit, and growing a
// 20,000-point vector step by step would cost more than filling it.
void ReserveMore(ChartPoints& v, int more) {
  if (more > 0) v.reserve(v.size() + static_cast<std::size_t>(more));
}

// Pass 3 (current) and pass 4 (original) differ only in colours, the label's tab
// and whether a value out of range leaves a placeholder or nothing.
template <bool Current>
void AppendCoordinates(const CrdArray& arr, ChartPoints& sr, ChartPoints& az, ChartPoints& el,
                       ChartPoints& xy, ChartPoints& z) {
  const int n = arr.Count();
  for (auto* v : {&sr, &az, &el, &xy, &z}) ReserveMore(*v, n);
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
      ChartPoint t = Plotted(d.X / kMetresPerKm, d.Y / kMetresPerKm, excluded, excluded_colour::kXY);
      t.labelTime = LabelSeconds(p.Time);
      t.labelTab = excluded;
      xy.push_back(t);
      if (d.Z > kZPlotLow && d.Z < kZPlotHigh) {
        z.push_back(Plotted(p.Time, d.Z / kMetresPerKm, excluded, excluded_colour::kZ));
      } else if (Current) {
        z.emplace_back();
      }
    } else if (Current) {
      xy.emplace_back();
      z.emplace_back();
    }
  }
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

std::string LabelText(const ChartPoint& p) {
  if (!p.hasLabel()) return {};
  std::string text = FormatFixed(p.labelTime, 0, 0);
  if (p.labelTab) text += '\t';
  return text;
}

void AppendFillPlan(const FlightPoints& points, FillPlan& plan) {
  // Pass 1: current telemetry; out of range leaves a placeholder.
  {
    const TuArray& arr = points.TuPoints;
    ChartPoints& t = plan[SeriesId::T];
    ChartPoints& u = plan[SeriesId::U];
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
  // Pass 2: original telemetry; out of range adds nothing.
  {
    const TuArray& arr = points.TuOrgPoints;
    ChartPoints& t = plan[SeriesId::TOrg];
    ChartPoints& u = plan[SeriesId::UOrg];
    ReserveMore(t, arr.Count());
    ReserveMore(u, arr.Count());
    for (int i = 0; i < arr.Count(); ++i) {
      const TuPoint& p = arr[i];
      if (std::fabs(p.T) < kTlmPlotLimit) t.push_back(Plotted(p.Time, p.T, false, 0));
      if (std::fabs(p.U) < kTlmPlotLimit) u.push_back(Plotted(p.Time, p.U, false, 0));
    }
  }
  // Passes 3 and 4.
  AppendCoordinates<true>(points.CrdPoints, plan[SeriesId::SR], plan[SeriesId::Az],
                          plan[SeriesId::El], plan[SeriesId::XY], plan[SeriesId::Z]);
  AppendCoordinates<false>(points.CrdOrgPoints, plan[SeriesId::SROrg], plan[SeriesId::AzOrg],
                           plan[SeriesId::ElOrg], plan[SeriesId::XYOrg], plan[SeriesId::ZOrg]);
}

FillPlan MakeFillPlan(const FlightPoints& points) {
  FillPlan plan;
  AppendFillPlan(points, plan);
  return plan;
}

}  // namespace dv

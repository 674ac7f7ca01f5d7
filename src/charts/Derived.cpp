#include "charts/Derived.h"

#include <algorithm>
#include <numbers>
#include <stdexcept>

#include "common/Helpers.h"

namespace dv {

namespace {

constexpr double kDegToRadian = std::numbers::pi / 180.0;

// The excluded colours as codes.
constexpr ColourCode kTCode = kCodeOf<excluded_colour::kT>;
constexpr ColourCode kUCode = kCodeOf<excluded_colour::kU>;
constexpr ColourCode kSRCode = kCodeOf<excluded_colour::kSR>;
constexpr ColourCode kAzCode = kCodeOf<excluded_colour::kAz>;
constexpr ColourCode kElCode = kCodeOf<excluded_colour::kEl>;
constexpr ColourCode kZCode = kCodeOf<excluded_colour::kZ>;
constexpr ColourCode kXYCode = kCodeOf<excluded_colour::kXY>;

void Plot(ChartPoints& series, double x, double y, bool excluded, ColourCode excludedCode) {
  series.push_back(ChartCoordinate(x), ChartCoordinate(y), excluded ? excludedCode : kSeriesCode);
}

ColourCode CodeOf(bool excluded, ColourCode excludedCode) { return excluded ? excludedCode : kSeriesCode; }

// Reserve once per fill: the series are rebuilt on every edit, and growing a
// 20,000-point vector step by step would cost more than filling it.
template <typename V>
void ReserveMore(V& v, int more) {
  if (more > 0) v.reserve(v.size() + static_cast<std::size_t>(more));
}

// The times of an array's records as chart coordinates: the x that the series
// of a pass plotted against time share.
template <typename Array>
std::shared_ptr<const ChartPoints::Column> TimesOf(const Array& arr) {
  auto times = std::make_shared<ChartPoints::Column>();
  times->reserve(static_cast<std::size_t>(std::max(arr.Count(), 0)));
  for (int i = 0; i < arr.Count(); ++i) times->push_back(ChartCoordinate(arr[i].Time));
  return times;
}

// Pass 3 (current) and pass 4 (original) differ only in colours, the label's tab
// and whether a value out of range leaves a placeholder or nothing.
template <bool Current>
void AppendCoordinates(const CrdArray& arr, ChartPoints& sr, ChartPoints& az, ChartPoints& el,
                       ChartPoints& xy, ChartLabels& labels, ChartPoints& z) {
  const int n = arr.Count();
  const auto times = TimesOf(arr);
  for (auto* v : {&sr, &az, &el, &z}) v->shareX(times);
  for (auto* v : {&sr, &az, &el, &xy, &z}) ReserveMore(*v, n);
  ReserveMore(labels, n);
  for (int i = 0; i < n; ++i) {
    const CrdPoint& p = arr[i];
    const bool excluded = Current && p.Excluded;
    // The single tests refuse -99 itself; the three-way test below accepts it.
    if (p.SR > kCrdMissingLimit) {
      Plot(sr, p.Time, p.SR / kMetresPerKm, excluded, kSRCode);
    } else if (Current) {
      sr.addPlaceholder();
    }
    if (p.Az > kCrdMissingLimit) {
      Plot(az, p.Time, p.Az, excluded, kAzCode);
    } else if (Current) {
      az.addPlaceholder();
    }
    if (p.El > kCrdMissingLimit) {
      Plot(el, p.Time, p.El, excluded, kElCode);
    } else if (Current) {
      el.addPlaceholder();
    }
    if (p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit) {
      const CrdDerived d = DeriveCrd(p);
      Plot(xy, d.X / kMetresPerKm, d.Y / kMetresPerKm, excluded, kXYCode);
      labels.push_back(ChartLabel{LabelSeconds(p.Time), excluded});
      if (d.Z > kZPlotLow && d.Z < kZPlotHigh) {
        Plot(z, p.Time, d.Z / kMetresPerKm, excluded, kZCode);
      } else if (Current) {
        z.addPlaceholder();
      }
    } else if (Current) {
      xy.addPlaceholder();
      labels.emplace_back();
      z.addPlaceholder();
    }
  }
}

void AppendCurrentTelemetry(const TuArray& arr, ChartPoints& t, ChartPoints& u) {
  // Out of range leaves a placeholder.
  const auto times = TimesOf(arr);
  t.shareX(times);
  u.shareX(times);
  ReserveMore(t, arr.Count());
  ReserveMore(u, arr.Count());
  for (int i = 0; i < arr.Count(); ++i) {
    const TuPoint& p = arr[i];
    // Written as "not below" so that a NaN also becomes a placeholder.
    if (!(std::fabs(p.T) < kTlmPlotLimit)) {
      t.addPlaceholder();
    } else {
      Plot(t, p.Time, p.T, p.TExcluded, kTCode);
    }
    if (!(std::fabs(p.U) < kTlmPlotLimit)) {
      u.addPlaceholder();
    } else {
      Plot(u, p.Time, p.U, p.UExcluded, kUCode);
    }
  }
}

void AppendOriginalTelemetry(const TuArray& arr, ChartPoints& t, ChartPoints& u) {
  // Out of range adds nothing.
  const auto times = TimesOf(arr);
  t.shareX(times);
  u.shareX(times);
  ReserveMore(t, arr.Count());
  ReserveMore(u, arr.Count());
  for (int i = 0; i < arr.Count(); ++i) {
    const TuPoint& p = arr[i];
    if (std::fabs(p.T) < kTlmPlotLimit) Plot(t, p.Time, p.T, false, kSeriesCode);
    if (std::fabs(p.U) < kTlmPlotLimit) Plot(u, p.Time, p.U, false, kSeriesCode);
  }
}

// The stretch first..last clipped to the series; empty when first > last.
bool Clip(int& first, int& last, std::size_t size) {
  first = std::max(first, 0);
  last = std::min(last, static_cast<int>(size) - 1);
  return first <= last;
}

}  // namespace

// ---------------------------------------------------------------- storage

void ChartPoints::reserve(std::size_t n) {
  if (!shared_) x_.reserve(n);
  y_.reserve(n);
}

void ChartPoints::clear() {
  shared_.reset();
  x_.clear();
  y_.clear();
  codes_.clear();
  extra_.clear();
  overflow_.clear();
}

void ChartPoints::swap(ChartPoints& other) noexcept {
  shared_.swap(other.shared_);
  x_.swap(other.x_);
  y_.swap(other.y_);
  codes_.swap(other.codes_);
  extra_.swap(other.extra_);
  overflow_.swap(other.overflow_);
}

void ChartPoints::shareX(std::shared_ptr<const Column> column) {
  if (!empty()) return;
  shared_ = std::move(column);
  Column().swap(x_);  // a column of its own would only hold memory
}

void ChartPoints::ownX() {
  x_.reserve(std::max(y_.capacity(), size() + 1));
  x_.assign(shared_->begin(), shared_->begin() + static_cast<std::ptrdiff_t>(size()));
  shared_.reset();
}

void ChartPoints::push_back(const ChartPoint& p) {
  push_back(p.x, p.y);
  setColour(size() - 1, p.colour);
}

void ChartPoints::addPlaceholder() {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  push_back(shared_ && size() < shared_->size() ? (*shared_)[size()] : kNaN, kNaN);
}

ChartPoint ChartPoints::at(std::size_t i) const {
  if (i >= size()) throw std::out_of_range("ChartPoints: no point " + std::to_string(i));
  return (*this)[i];
}

std::uint32_t ChartPoints::codeColour(ColourCode code) const {
  if (code < kFixedColourCount) return kFixedColours[code];
  const std::size_t extra = static_cast<std::size_t>(code - kFixedColourCount);
  return extra < extra_.size() ? extra_[extra] : kSeriesColour;
}

std::uint32_t ChartPoints::colour(std::size_t i) const {
  const ColourCode c = code(i);
  return c == kOverflowCode ? overflow_.at(i) : codeColour(c);
}

void ChartPoints::setColour(std::size_t i, std::uint32_t colour) {
  if (i >= size()) return;
  int c = FixedColourCode(colour);
  if (c < 0) {
    const auto found = std::find(extra_.begin(), extra_.end(), colour);
    c = kFixedColourCount + static_cast<int>(found - extra_.begin());
    if (found == extra_.end()) {
      if (c < kOverflowCode) {
        extra_.push_back(colour);
      } else {
        c = kOverflowCode;
      }
    }
  }
  storeCode(i, static_cast<ColourCode>(c));
  if (c == kOverflowCode) overflow_[i] = colour;
}

void ChartPoints::setCode(std::size_t i, ColourCode code) {
  if (i >= y_.size()) return;
  storeCode(i, code < kFixedColourCount ? code : kSeriesCode);
}

void ChartPoints::pushCode(ColourCode code) {
  if (codes_.empty()) {
    // The first point of a colour of its own: codes for all, room for the rest.
    codes_.reserve(y_.capacity());
    codes_.resize(y_.size() - 1, kSeriesCode);
  }
  codes_.push_back(code);
}

void ChartPoints::storeCode(std::size_t i, ColourCode code) {
  if (codes_.empty()) {
    if (code == kSeriesCode) return;
    codes_.reserve(y_.capacity());
    codes_.resize(y_.size(), kSeriesCode);
  }
  if (codes_[i] == kOverflowCode) overflow_.erase(i);
  codes_[i] = code;
}

void ChartLabels::clear() {
  packed_.clear();
  aside_.clear();
}

void ChartLabels::swap(ChartLabels& other) noexcept {
  packed_.swap(other.packed_);
  aside_.swap(other.aside_);
}

std::int32_t ChartLabels::Pack(const ChartLabel& label) {
  if (!label.has()) return label.tab ? kAside : kNone;
  const double s = label.seconds;
  if (!(std::fabs(s) <= kPackedLimit) || s != std::trunc(s)) return kAside;
  return static_cast<std::int32_t>(s) * 2 + (label.tab ? 1 : 0);
}

void ChartLabels::push_back(const ChartLabel& label) {
  const std::int32_t packed = Pack(label);
  if (packed == kAside) aside_[packed_.size()] = label;
  packed_.push_back(packed);
}

ChartLabel ChartLabels::operator[](std::size_t i) const {
  const std::int32_t packed = packed_[i];
  if (packed == kNone) return ChartLabel{};
  if (packed == kAside) return aside_.at(i);
  const std::int32_t tab = packed & 1;
  return ChartLabel{static_cast<double>((packed - tab) / 2), tab != 0};
}

void ChartLabels::store(std::size_t i, const ChartLabel& label) {
  if (packed_[i] == kAside) aside_.erase(i);
  const std::int32_t packed = Pack(label);
  if (packed == kAside) aside_[i] = label;
  packed_[i] = packed;
}

void ChartLabels::setTab(std::size_t i, bool tab) {
  if (i >= packed_.size()) return;
  ChartLabel label = (*this)[i];
  label.tab = tab;
  store(i, label);
}

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
    t.setCode(k, std::fabs(p.T) < kTlmPlotLimit ? CodeOf(p.TExcluded, kTCode) : kSeriesCode);
    u.setCode(k, std::fabs(p.U) < kTlmPlotLimit ? CodeOf(p.UExcluded, kUCode) : kSeriesCode);
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
    const auto paint = [excluded, k](bool plotted, ChartPoints& series, ColourCode code) {
      series.setCode(k, plotted ? CodeOf(excluded, code) : kSeriesCode);
    };
    paint(p.SR > kCrdMissingLimit, sr, kSRCode);
    paint(p.Az > kCrdMissingLimit, az, kAzCode);
    paint(p.El > kCrdMissingLimit, el, kElCode);
    const bool derived = p.SR >= kCrdMissingLimit && p.Az >= kCrdMissingLimit && p.El >= kCrdMissingLimit;
    paint(derived, xy, kXYCode);
    labels.setTab(k, derived && excluded);
    bool zPlotted = false;
    if (derived) {
      const double height = DeriveCrd(p).Z;
      zPlotted = height > kZPlotLow && height < kZPlotHigh;
    }
    paint(zPlotted, z, kZCode);
  }
}

FillPlan MakeFillPlan(const FlightPoints& points) {
  FillPlan plan;
  AppendFillPlan(points, plan);
  return plan;
}

}  // namespace dv

#include "editing/PointEditing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dv {

bool ToggleTelemetry(TuArray& points, const TSelectedRange& range) {
  if (range.StartRow <= 0 || range.EndRow < 0) return false;
  for (int k = range.StartRow; k <= range.EndRow && k < points.Count(); ++k) {
    TuPoint& p = points[k];
    // A value the charts cannot show stays excluded.
    if (std::fabs(p.T) < 99.0f) p.TExcluded = !p.TExcluded;
    if (std::fabs(p.U) < 99.0f) p.UExcluded = !p.UExcluded;
  }
  return true;
}

bool ToggleCoordinates(CrdArray& points, const TSelectedRange& range) {
  if (range.StartRow < 1 || range.EndRow < 0) return false;
  for (int k = range.StartRow; k <= range.EndRow && k < points.Count(); ++k)
    points[k].Excluded = !points[k].Excluded;
  return true;
}

namespace {

template <typename Array>
std::optional<TimeFailure> FindFailure(const Array& points, int i) {
  if (i < 3 || i >= points.Count()) return std::nullopt;
  const double t = points[i].Time;
  const double prev = points[i - 1].Time;
  const double step = prev - static_cast<double>(points[i - 2].Time);
  if (t - prev > 0 || step < 0) return std::nullopt;
  return TimeFailure{i, step, prev + step, t};
}

template <typename Array>
bool Fits(const Array& points, int row, double shift) {
  using TimeType = decltype(points[0].Time);
  constexpr double kMax = static_cast<double>(std::numeric_limits<TimeType>::max());
  if (!std::isfinite(shift)) return false;
  for (int k = std::max(row, 0); k < points.Count(); ++k) {
    const double t = static_cast<double>(points[k].Time) + shift;
    if (!(std::fabs(t) <= kMax)) return false;  // also false for NaN
  }
  return true;
}

template <typename Array>
void ShiftFrom(Array& points, int row, double shift) {
  using TimeType = decltype(points[0].Time);
  for (int k = std::max(row, 0); k < points.Count(); ++k) {
    // Summed in double, stored at the point's own precision.
    points[k].Time = static_cast<TimeType>(static_cast<double>(points[k].Time) + shift);
    points[k].TimeCorrected = true;
  }
}

}  // namespace

std::optional<TimeFailure> FindTimeFailure(const TuArray& points, int row) { return FindFailure(points, row); }
std::optional<TimeFailure> FindTimeFailure(const CrdArray& points, int row) { return FindFailure(points, row); }
bool ShiftFits(const TuArray& points, int row, double shift) { return Fits(points, row, shift); }
bool ShiftFits(const CrdArray& points, int row, double shift) { return Fits(points, row, shift); }
void ShiftTimesFrom(TuArray& points, int row, double shift) { ShiftFrom(points, row, shift); }
void ShiftTimesFrom(CrdArray& points, int row, double shift) { ShiftFrom(points, row, shift); }

}  // namespace dv

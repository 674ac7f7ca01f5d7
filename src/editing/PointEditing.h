#pragma once
// Excluding and restoring points, and repairing their times, on the arrays.

#include <optional>

#include "editing/SelectedRange.h"
#include "flight/Points.h"

namespace dv {

// Flips the exclusion flags of the points of the range. Telemetry values of
// magnitude 99 or more keep their flag. False when the range is unusable (it
// starts at the surface or launch point, or is not set) and nothing was looked at.
bool ToggleTelemetry(TuArray& points, const TSelectedRange& range);
bool ToggleCoordinates(CrdArray& points, const TSelectedRange& range);

// A time failure at row `i`: the proposal is the previous interval carried
// forward. Nothing when the row is too early, its time does advance, or the
// previous interval runs backwards.
struct TimeFailure {
  int row;          // the first row to move
  double step;      // t[i-1] - t[i-2], the shift when the user cancels
  double proposed;  // t[i-1] + step, the proposed new time of row i
  double current;   // t[i]
};
std::optional<TimeFailure> FindTimeFailure(const TuArray& points, int row);
std::optional<TimeFailure> FindTimeFailure(const CrdArray& points, int row);

// Whether moving every point from `row` on by `shift` seconds keeps each time
// finite and within what the point can hold (single precision for telemetry).
// An answer that does not fit is refused like any other unusable answer.
bool ShiftFits(const TuArray& points, int row, double shift);
bool ShiftFits(const CrdArray& points, int row, double shift);

// Moves every point from `row` on by `shift` seconds and marks it corrected.
void ShiftTimesFrom(TuArray& points, int row, double shift);
void ShiftTimesFrom(CrdArray& points, int row, double shift);

inline constexpr int kMaxTimeShift = 300;  // s, either way

}  // namespace dv

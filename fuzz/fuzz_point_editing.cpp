// Excluding, restoring and time corrections on any points, as the window makes
// them: ranges from a listing selection or from any two rows, the time failure
// proposal accepted, cancelled or replaced by a typed time, and the shift of all
// times. Checked:
// - an unusable range changes nothing; a usable one flips exactly the flags of
//   the points between its two boundary rows (telemetry values of magnitude 99
//   or more keep theirs) and nothing else; the same toggle again gives the
//   flags back;
// - a time failure is one (the row's time does not advance, the interval before
//   it does not run backwards) and its proposal is the previous interval carried
//   forward;
// - a shift is let through exactly when every moved time stays finite and
//   within what its point holds; a time correction or shift then moves the
//   times from its row on by the shift, marks them corrected, keeps every time
//   finite and touches nothing else.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/Helpers.h"
#include "editing/Listing.h"
#include "editing/PointEditing.h"

namespace {

[[noreturn]] void Fail(const char* what, double a = 0, double b = 0) {
  std::fprintf(stderr, "fuzz_point_editing: %s (%.17g, %.17g)\n", what, a, b);
  std::abort();
}

bool SamePoint(const dv::TuPoint& a, const dv::TuPoint& b) {
  return a.Time == b.Time && a.T == b.T && a.U == b.U && a.TimeCorrected == b.TimeCorrected &&
         a.TExcluded == b.TExcluded && a.UExcluded == b.UExcluded;
}
bool SamePoint(const dv::CrdPoint& a, const dv::CrdPoint& b) {
  return a.Time == b.Time && a.SR == b.SR && a.Az == b.Az && a.El == b.El &&
         a.TimeCorrected == b.TimeCorrected && a.Excluded == b.Excluded;
}
// The same point but for the time.
bool SameButTime(dv::TuPoint a, const dv::TuPoint& b) {
  a.Time = b.Time;
  a.TimeCorrected = b.TimeCorrected;
  return SamePoint(a, b);
}
bool SameButTime(dv::CrdPoint a, const dv::CrdPoint& b) {
  a.Time = b.Time;
  a.TimeCorrected = b.TimeCorrected;
  return SamePoint(a, b);
}

template <typename Array>
Array Copy(const Array& a) {
  Array c(0);
  c.Assign(a);
  return c;
}

template <typename Array>
bool Same(const Array& a, const Array& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (!SamePoint(a[i], b[i])) return false;
  return true;
}

// What a toggle must have done to one point.
bool Toggled(const dv::TuPoint& before, const dv::TuPoint& after) {
  dv::TuPoint expected = before;
  if (std::fabs(before.T) < 99.0f) expected.TExcluded = !before.TExcluded;
  if (std::fabs(before.U) < 99.0f) expected.UExcluded = !before.UExcluded;
  return SamePoint(expected, after);
}
bool Toggled(const dv::CrdPoint& before, const dv::CrdPoint& after) {
  dv::CrdPoint expected = before;
  expected.Excluded = !before.Excluded;
  return SamePoint(expected, after);
}

bool Toggle(dv::TuArray& a, const dv::TSelectedRange& r) { return dv::ToggleTelemetry(a, r); }
bool Toggle(dv::CrdArray& a, const dv::TSelectedRange& r) { return dv::ToggleCoordinates(a, r); }

// The range comes from a listing selection (boundary rows in time order, so the
// end row is the smaller one when the times of the run fall) or from two rows.
template <typename Array>
void CheckToggle(Array& points, const dv::TSelectedRange& range) {
  const Array before = Copy(points);
  const bool usable = range.StartRow >= 1 && range.EndRow >= 0;
  if (Toggle(points, range) != usable)
    Fail("toggle accepted an unusable range or refused a usable one");
  if (!usable) {
    if (!Same(before, points)) Fail("an unusable range changed points");
    return;
  }
  const int low = std::min(range.StartRow, range.EndRow);
  const int high = std::max(range.StartRow, range.EndRow);
  // A run whose times fall gives a range with its rows swapped: such a range
  // changes no flag (the charts are refilled and the file marked all the same).
  const bool flips = range.StartRow <= range.EndRow;
  for (int i = 0; i < points.Count(); ++i) {
    const bool inside = i >= low && i <= high;
    if (!inside && !SamePoint(before[i], points[i]))
      Fail("toggle changed a point outside its range");
    if (inside && flips && !Toggled(before[i], points[i]))
      Fail("toggle did not flip the flags of a point of its range", range.StartRow, range.EndRow);
  }
  if (!Toggle(points, range)) Fail("the same toggle refused the second time");
  if (!Same(before, points)) Fail("toggling twice does not give the flags back");
  Toggle(points, range);  // leave it toggled for what follows
}

template <typename Array>
void CheckShift(Array& points, int row, double shift) {
  using Time = decltype(points[0].Time);
  const Array before = Copy(points);
  dv::ShiftTimesFrom(points, row, shift);
  for (int i = 0; i < points.Count(); ++i) {
    if (i < std::max(row, 0)) {
      if (!SamePoint(before[i], points[i])) Fail("shift changed a point before its row");
      continue;
    }
    if (!SameButTime(before[i], points[i])) Fail("shift changed more than the time");
    if (!points[i].TimeCorrected) Fail("shifted time not marked corrected");
    if (!std::isfinite(points[i].Time)) Fail("shifted time is not finite", before[i].Time, shift);
    if (points[i].Time != static_cast<Time>(static_cast<double>(before[i].Time) + shift))
      Fail("time not moved by the shift");
  }
}

// The window's test before any shift: it must say yes exactly when every moved
// time stays finite and within what the point holds, and look at nothing else.
template <typename Array>
bool Fits(const Array& points, int row, double shift) {
  using Time = decltype(points[0].Time);
  const Array before = Copy(points);
  const bool fits = dv::ShiftFits(points, row, shift);
  bool expected = std::isfinite(shift);
  for (int i = std::max(row, 0); i < points.Count() && expected; ++i) {
    const double t = static_cast<double>(points[i].Time) + shift;
    expected = std::fabs(t) <= static_cast<double>(std::numeric_limits<Time>::max());
  }
  if (fits != expected) Fail("shift test disagrees with the times", row, shift);
  if (!Same(before, points)) Fail("shift test changed points");
  return fits;
}

// The time correction of the window: at the start row of the range, the proposal
// accepted, cancelled (the tail moves by the previous interval) or replaced by
// a typed time that is not earlier than the row's own.
template <typename Array>
void CheckCorrection(Array& points, int row, int answer, const std::string& typed) {
  const auto failure = dv::FindTimeFailure(points, row);
  if (!failure) {
    if (row >= 3 && row < points.Count()) {
      const double t = points[row].Time, prev = points[row - 1].Time;
      const double step = prev - static_cast<double>(points[row - 2].Time);
      if (!(t - prev > 0 || step < 0)) Fail("a time failure was not found");
    }
    return;
  }
  if (failure->row != row || row < 3 || row >= points.Count()) Fail("time failure at another row");
  const double t = points[row].Time, prev = points[row - 1].Time, prev2 = points[row - 2].Time;
  if (failure->current != t || failure->step != prev - prev2 ||
      failure->proposed != prev + failure->step)
    Fail("time failure values are not the row's");
  if (t - prev > 0 || failure->step < 0) Fail("a time failure where the time advances");

  double shift = failure->step;
  if (answer == 1) {
    shift = failure->proposed - failure->current;
  } else if (answer == 2) {
    const auto entered = dv::TextToReal(typed);
    if (!entered) return;
    shift = *entered - failure->current;
    if (shift < 0) return;
  }
  if (!Fits(points, row, shift)) return;
  CheckShift(points, row, shift);
  if (answer == 1 && std::isfinite(failure->proposed)) {
    const double moved = points[row].Time;
    // The shift is the difference of the two times, so the time it gives is as
    // close as the larger of them allows.
    const double scale = std::max(std::fabs(failure->proposed), std::fabs(failure->current));
    if (std::fabs(moved - failure->proposed) > 1e-6 * (scale + 1))
      Fail("accepted proposal does not give the proposed time", moved, failure->proposed);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int count = in.ConsumeIntegralInRange<int>(0, 48);
  dv::TuArray tu(0);
  dv::CrdArray crd(0);
  double t = 0;
  for (int i = 0; i < count; ++i) {
    const int kind = in.ConsumeIntegralInRange<int>(0, 15);
    if (kind == 0)
      t = in.ConsumeFloatingPoint<float>();
    else
      t += (kind == 1 ? -1 : 1) * in.ConsumeIntegralInRange<int>(0, 40) / 4.0;
    dv::TuPoint p;
    p.Time = static_cast<float>(t);
    p.T = in.ConsumeFloatingPointInRange<float>(-150, 150);
    p.U = in.ConsumeFloatingPointInRange<float>(-150, 150);
    const int flags = in.ConsumeIntegralInRange<int>(0, 7);
    p.TExcluded = (flags & 1) != 0;
    p.UExcluded = (flags & 2) != 0;
    tu.Add(p);
    dv::CrdPoint c;
    c.Time = t;
    c.SR = i * 10.0;
    c.Excluded = (flags & 4) != 0;
    crd.Add(c);
  }

  while (in.remaining_bytes() > 0) {
    const int op = in.ConsumeIntegralInRange<int>(0, 5);
    const bool onTu = in.ConsumeBool();
    if (op <= 1) {
      // A range: from a selected run of listing rows (the row time is the
      // point's), or any two rows.
      dv::TSelectedRange range;
      if (op == 0) {
        const int first = in.ConsumeIntegralInRange<int>(0, count);
        const int length = in.ConsumeIntegralInRange<int>(1, 8);
        auto selected = [&](int r) { return r >= first && r < first + length; };
        auto rowTime = [&](int r) { return onTu ? static_cast<double>(tu[r].Time) : crd[r].Time; };
        range = dv::RangeFromSelection(count, selected, rowTime);
      } else {
        range.StartRow = in.ConsumeIntegralInRange<int>(-2, 52);
        range.EndRow = in.ConsumeIntegralInRange<int>(-2, 52);
        range.StartTime = range.EndTime = 0;
      }
      if (onTu)
        CheckToggle(tu, range);
      else
        CheckToggle(crd, range);
    } else if (op <= 3) {
      const int row = in.ConsumeIntegralInRange<int>(0, count);
      const int answer = in.ConsumeIntegralInRange<int>(0, 2);
      const std::string typed = in.ConsumeRandomLengthString(24);
      if (onTu)
        CheckCorrection(tu, row, answer, typed);
      else
        CheckCorrection(crd, row, answer, typed);
    } else {
      // The shift of all times but point 0's, as the window asks for it.
      const auto seconds = dv::TextToInt16(in.ConsumeRandomLengthString(8));
      if (!seconds || *seconds < -dv::kMaxTimeShift || *seconds > dv::kMaxTimeShift) continue;
      if (!Fits(crd, 1, *seconds) || !Fits(tu, 1, *seconds)) continue;
      CheckShift(crd, 1, *seconds);
      CheckShift(tu, 1, *seconds);
    }
  }
  return 0;
}

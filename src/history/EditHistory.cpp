#include "history/EditHistory.h"

#include <algorithm>
#include <cstring>

#include "common/Helpers.h"
#include "editing/PointEditing.h"

namespace dv {

namespace {

template <typename T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <typename Array>
TimeDelta ShiftWithDelta(Array& points, int row, double shift) {
  using TimeType = decltype(points[0].Time);
  TimeDelta delta;
  delta.row = std::max(row, 0);
  delta.shift = shift;
  for (int k = delta.row; k < points.Count(); ++k) {
    const auto& p = points[k];
    if (!p.TimeCorrected) {
      if (!delta.wasUncorrected.empty() && delta.wasUncorrected.back().second == k - 1)
        delta.wasUncorrected.back().second = k;
      else
        delta.wasUncorrected.emplace_back(k, k);
    }
    // The shift as ShiftTimesFrom makes it, and back: where that is not the old
    // time bit for bit, the old time is kept.
    const auto moved = static_cast<TimeType>(static_cast<double>(p.Time) + shift);
    const auto back = static_cast<TimeType>(static_cast<double>(moved) - shift);
    if (!SameBits(back, p.Time)) delta.oldTimes.emplace_back(k, static_cast<double>(p.Time));
  }
  ShiftTimesFrom(points, row, shift);
  return delta;
}

template <typename Array>
void UndoShift(const TimeDelta& delta, Array& points) {
  using TimeType = decltype(points[0].Time);
  for (int k = delta.row; k < points.Count(); ++k)
    points[k].Time = static_cast<TimeType>(static_cast<double>(points[k].Time) - delta.shift);
  for (const auto& [k, time] : delta.oldTimes)
    if (k < points.Count()) points[k].Time = static_cast<TimeType>(time);
  for (const auto& [first, last] : delta.wasUncorrected)
    for (int k = first; k <= last && k < points.Count(); ++k) points[k].TimeCorrected = false;
}

std::string Rows(const TSelectedRange& r) {
  if (r.EndRow <= r.StartRow) return "строка " + std::to_string(r.StartRow);
  return "строки " + std::to_string(r.StartRow) + "–" + std::to_string(r.EndRow);
}

}  // namespace

std::size_t EditStep::MemoryBytes() const {
  std::size_t bytes = sizeof(EditStep) + field.capacity() + fieldCaption.capacity() + oldText.capacity() +
                      newText.capacity();
  for (const auto& d : {tu, crd}) {
    if (!d) continue;
    bytes += d->wasUncorrected.capacity() * sizeof(d->wasUncorrected[0]) +
             d->oldTimes.capacity() * sizeof(d->oldTimes[0]);
  }
  return bytes + flags.capacity() * sizeof(FlagChange);
}

std::string DescribeStep(const EditStep& step) {
  switch (step.kind) {
    case EditStep::Kind::ToggleTelemetry: return "Убрать/включить телеметрию, " + Rows(step.range);
    case EditStep::Kind::ToggleCoordinates: return "Убрать/включить координаты, " + Rows(step.range);
    case EditStep::Kind::CorrectTelemetryTime:
      return "Коррекция времени телеметрии, строка " + std::to_string(step.tu ? step.tu->row : 0);
    case EditStep::Kind::CorrectCoordinateTime:
      return "Коррекция времени координат, строка " + std::to_string(step.crd ? step.crd->row : 0);
    case EditStep::Kind::TimeShift: {
      const double shift = step.tu ? step.tu->shift : step.crd ? step.crd->shift : 0;
      return "Сдвиг времени на " + FormatFixed(shift, 0, 0) + " с";
    }
    case EditStep::Kind::SetFlags:
      return "Убрать найденное, точек: " + std::to_string(step.flags.size());
    case EditStep::Kind::Field:
      return (step.fieldCaption.empty() ? step.field : step.fieldCaption) + ": " + step.oldText + " → " +
             step.newText;
  }
  return {};
}

std::optional<EditStep> ToggleTelemetryStep(TuArray& points, const TSelectedRange& range) {
  if (!ToggleTelemetry(points, range)) return std::nullopt;
  EditStep step;
  step.kind = EditStep::Kind::ToggleTelemetry;
  step.range = range;
  return step;
}

std::optional<EditStep> ToggleCoordinatesStep(CrdArray& points, const TSelectedRange& range) {
  if (!ToggleCoordinates(points, range)) return std::nullopt;
  EditStep step;
  step.kind = EditStep::Kind::ToggleCoordinates;
  step.range = range;
  return step;
}

TimeDelta ShiftTimesWithDelta(TuArray& points, int row, double shift) { return ShiftWithDelta(points, row, shift); }
TimeDelta ShiftTimesWithDelta(CrdArray& points, int row, double shift) { return ShiftWithDelta(points, row, shift); }

namespace {
void SetRowFlags(const std::vector<FlagChange>& flags, bool after, FlightPoints& points) {
  for (const FlagChange& f : flags) {
    const std::uint8_t bits = after ? f.after : f.before;
    if (f.crd) {
      if (f.row < points.CrdPoints.Count()) points.CrdPoints[f.row].Excluded = bits & 1;
    } else if (f.row < points.TuPoints.Count()) {
      points.TuPoints[f.row].TExcluded = bits & 1;
      points.TuPoints[f.row].UExcluded = (bits & 2) != 0;
    }
  }
}
}  // namespace

void UndoStep(const EditStep& step, FlightPoints& points) {
  switch (step.kind) {
    case EditStep::Kind::SetFlags: SetRowFlags(step.flags, false, points); break;
    case EditStep::Kind::ToggleTelemetry: ToggleTelemetry(points.TuPoints, step.range); break;
    case EditStep::Kind::ToggleCoordinates: ToggleCoordinates(points.CrdPoints, step.range); break;
    case EditStep::Kind::Field: break;
    default:
      if (step.crd) UndoShift(*step.crd, points.CrdPoints);
      if (step.tu) UndoShift(*step.tu, points.TuPoints);
  }
}

void RedoStep(const EditStep& step, FlightPoints& points) {
  switch (step.kind) {
    case EditStep::Kind::SetFlags: SetRowFlags(step.flags, true, points); break;
    case EditStep::Kind::ToggleTelemetry: ToggleTelemetry(points.TuPoints, step.range); break;
    case EditStep::Kind::ToggleCoordinates: ToggleCoordinates(points.CrdPoints, step.range); break;
    case EditStep::Kind::Field: break;
    default:
      if (step.tu) ShiftTimesFrom(points.TuPoints, step.tu->row, step.tu->shift);
      if (step.crd) ShiftTimesFrom(points.CrdPoints, step.crd->row, step.crd->shift);
  }
}

void EditHistory::Clear() {
  steps_.clear();
  position_ = 0;
}

void EditHistory::Push(EditStep step) {
  steps_.resize(position_);
  steps_.push_back(std::move(step));
  position_ = steps_.size();
}

void EditHistory::MarkSaved(std::uint32_t bits) {
  for (EditStep& s : steps_) s.stateBefore |= bits;
}

const EditStep& EditHistory::StepBack() { return steps_[--position_]; }
const EditStep& EditHistory::StepForward() { return steps_[position_++]; }

std::size_t EditHistory::MemoryBytes() const {
  std::size_t bytes = sizeof(*this) + (steps_.capacity() - steps_.size()) * sizeof(EditStep);
  for (const EditStep& s : steps_) bytes += s.MemoryBytes();
  return bytes;
}

}  // namespace dv

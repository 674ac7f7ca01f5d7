#pragma once
// The history of one opening's edits. Each step keeps what its edit changed as
// a delta (rows, shifts, the few times that arithmetic alone cannot restore,
// texts), never a copy of the arrays, so that it can be undone and redone
// exactly: a thousand steps on a large flight take a few megabytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editing/SelectedRange.h"
#include "flight/Points.h"

namespace dv {

// What a time shift of one file changed, from its first moved row on.
struct TimeDelta {
  int row = 0;        // the first row moved
  double shift = 0;   // seconds added to every time from `row` on
  // Rows whose TimeCorrected mark was clear before (runs of first..last).
  std::vector<std::pair<int, int>> wasUncorrected;
  // Rows whose old time the shift back does not give again (rounding at the
  // point's precision, NaN), with that old time.
  std::vector<std::pair<int, double>> oldTimes;
};

// Exclusion flags of one row set by a step: the flags before and after it
// (telemetry: bit 0 T, bit 1 U; coordinates: bit 0).
struct FlagChange {
  int row = 0;
  bool crd = false;
  std::uint8_t before = 0, after = 0;
};

struct EditStep {
  enum class Kind { ToggleTelemetry, ToggleCoordinates, CorrectTelemetryTime, CorrectCoordinateTime, TimeShift, Field,
                    SetFlags };
  Kind kind = Kind::Field;
  // Toggles: the range given to the toggle (a toggle is its own inverse).
  TSelectedRange range;
  // Time steps: the change of each file they moved.
  std::optional<TimeDelta> tu, crd;
  // Field steps: which field (its name and how the history names it) and its texts.
  std::string field, fieldCaption, oldText, newText;
  // Flag steps: every row whose flags they changed, in row order per file.
  std::vector<FlagChange> flags;
  // The window's own bits: the modified flags the step sets (`files`) and their
  // state before it, restored by an undo; and a detail of the step (a field's
  // colour, a correction command's state) the window keeps here.
  std::uint32_t files = 0;
  std::uint32_t stateBefore = 0;
  std::uint32_t extra = 0;

  std::size_t MemoryBytes() const;
};

// How the menu and the history name a step: "Убрать/включить телеметрию, строки 10–12".
std::string DescribeStep(const EditStep& step);

// The point edits, done and recorded in one call. A toggle that the arrays
// refuse (an unusable range) gives nothing and changes nothing.
std::optional<EditStep> ToggleTelemetryStep(TuArray& points, const TSelectedRange& range);
std::optional<EditStep> ToggleCoordinatesStep(CrdArray& points, const TSelectedRange& range);
// Moves the times from `row` on by `shift` (ShiftTimesFrom) and returns what it changed.
TimeDelta ShiftTimesWithDelta(TuArray& points, int row, double shift);
TimeDelta ShiftTimesWithDelta(CrdArray& points, int row, double shift);

// Returns the arrays to the state before the step, or after it again. Field
// steps leave the arrays alone; the window sets the field's text.
void UndoStep(const EditStep& step, FlightPoints& points);
void RedoStep(const EditStep& step, FlightPoints& points);

class EditHistory {
 public:
  void Clear();
  // A new step after the current position: the steps undone before are dropped.
  void Push(EditStep step);
  bool CanUndo() const { return position_ > 0; }
  bool CanRedo() const { return position_ < steps_.size(); }
  // The step an undo or redo would take; nullptr when there is none.
  const EditStep* NextUndo() const { return CanUndo() ? &steps_[position_ - 1] : nullptr; }
  const EditStep* NextRedo() const { return CanRedo() ? &steps_[position_] : nullptr; }
  // Moves the position and returns the step to undo or redo (call only when possible).
  const EditStep& StepBack();
  const EditStep& StepForward();

  // After a save of the files in `bits` the file holds memory's state: from then
  // on, undoing any earlier step makes memory differ from the file.
  void MarkSaved(std::uint32_t bits);

  const std::vector<EditStep>& Steps() const { return steps_; }
  // How many steps are done (the rest are undone, ready for a redo).
  std::size_t Position() const { return position_; }
  std::size_t MemoryBytes() const;

 private:
  std::vector<EditStep> steps_;
  std::size_t position_ = 0;
};

}  // namespace dv

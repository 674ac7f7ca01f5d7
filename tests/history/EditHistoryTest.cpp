// The edit history: random sequences of point edits undone and redone bit for
// bit, the redo steps dropped by a new edit, the size of the deltas, the names.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "editing/PointEditing.h"
#include "flight/PointFiles.h"
#include "history/EditHistory.h"

namespace {

using dv::EditHistory;
using dv::EditStep;

template <typename T>
bool Same(T a, T b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Every field of every point, bit for bit (padding aside).
bool SameArrays(const dv::FlightPoints& a, const dv::FlightPoints& b) {
  if (a.TuPoints.Count() != b.TuPoints.Count() || a.CrdPoints.Count() != b.CrdPoints.Count()) return false;
  for (int i = 0; i < a.TuPoints.Count(); ++i) {
    const dv::TuPoint &p = a.TuPoints[i], &q = b.TuPoints[i];
    if (!Same(p.Time, q.Time) || !Same(p.T, q.T) || !Same(p.U, q.U) || p.TimeCorrected != q.TimeCorrected ||
        p.TExcluded != q.TExcluded || p.UExcluded != q.UExcluded)
      return false;
  }
  for (int i = 0; i < a.CrdPoints.Count(); ++i) {
    const dv::CrdPoint &p = a.CrdPoints[i], &q = b.CrdPoints[i];
    if (!Same(p.Time, q.Time) || !Same(p.SR, q.SR) || !Same(p.Az, q.Az) || !Same(p.El, q.El) ||
        p.Excluded != q.Excluded || p.TimeCorrected != q.TimeCorrected)
      return false;
  }
  return true;
}

void Copy(const dv::FlightPoints& from, dv::FlightPoints& to) {
  to.TuPoints.Assign(from.TuPoints);
  to.CrdPoints.Assign(from.CrdPoints);
}

// A flight with what the edits treat specially: times going back, values of
// magnitude 99 or more, missing-value marks, odd times (NaN, huge, fractions).
dv::FlightPoints RandomFlight(std::mt19937& random, int records) {
  dv::FlightPoints f;
  std::uniform_real_distribution<double> unit(0, 1);
  double t = 0;
  for (int i = 0; i < records; ++i) {
    t += unit(random) < 0.05 ? -3 * unit(random) : 0.01 * std::round(100 * (0.2 + 1.6 * unit(random)));
    double time = t;
    if (unit(random) < 0.005) time = std::nan("");
    if (unit(random) < 0.005) time = 1e7 * unit(random);
    dv::TuPoint p;
    p.Time = static_cast<float>(time);
    p.T = static_cast<float>(unit(random) < 0.05 ? 150 : 20 - 0.01 * i);
    p.U = static_cast<float>(unit(random) < 0.05 ? -99 : 50 * unit(random));
    dv::ApplyTuRangeFlags(p);
    f.TuPoints.Add(p);
    dv::CrdPoint c;
    c.Time = time;
    c.SR = unit(random) < 0.03 ? -999 : 100 + 30.0 * i;
    c.Az = 360 * unit(random);
    c.El = 90 * unit(random);
    c.Excluded = c.SR < -99;
    f.CrdPoints.Add(c);
  }
  return f;
}

dv::TSelectedRange RandomRange(std::mt19937& random, int records) {
  dv::TSelectedRange r;
  r.StartRow = static_cast<int>(random() % (records + 1)) - 1;  // also -1 (not set) and 0 (refused)
  r.EndRow = static_cast<int>(random() % (records + 2)) - 1;    // also past the end, and before the start
  r.StartTime = r.EndTime = 1;
  return r;
}

// One random edit done through the history's recording calls; nothing when the
// edit was refused, as the window records nothing then.
std::optional<EditStep> RandomEdit(std::mt19937& random, dv::FlightPoints& f) {
  const int n = f.TuPoints.Count();
  switch (random() % 5) {
    case 0: return dv::ToggleTelemetryStep(f.TuPoints, RandomRange(random, n));
    case 1: return dv::ToggleCoordinatesStep(f.CrdPoints, RandomRange(random, n));
    case 2:
    case 3: {
      const bool tu = random() % 2;
      // Mostly a row with a failure, sometimes any row (which has none, mostly).
      std::vector<int> failing;
      for (int row = 0; row < n; ++row)
        if (tu ? dv::FindTimeFailure(f.TuPoints, row) : dv::FindTimeFailure(f.CrdPoints, row)) failing.push_back(row);
      const int row = failing.empty() || random() % 4 == 0 ? static_cast<int>(random() % n)
                                                             : failing[random() % failing.size()];
      const auto failure = tu ? dv::FindTimeFailure(f.TuPoints, row) : dv::FindTimeFailure(f.CrdPoints, row);
      if (!failure) return std::nullopt;
      const double shift = random() % 2 ? failure->step : failure->proposed - failure->current + 0.37 * (random() % 4);
      if (shift < 0) return std::nullopt;  // refused, as the window refuses it
      EditStep step;
      if (tu) {
        if (!dv::ShiftFits(f.TuPoints, failure->row, shift)) return std::nullopt;
        step.kind = EditStep::Kind::CorrectTelemetryTime;
        step.tu = dv::ShiftTimesWithDelta(f.TuPoints, failure->row, shift);
      } else {
        if (!dv::ShiftFits(f.CrdPoints, failure->row, shift)) return std::nullopt;
        step.kind = EditStep::Kind::CorrectCoordinateTime;
        step.crd = dv::ShiftTimesWithDelta(f.CrdPoints, failure->row, shift);
      }
      return step;
    }
    default: {
      const int seconds = static_cast<int>(random() % 601) - 300;  // 0 included
      if (!dv::ShiftFits(f.CrdPoints, 1, seconds) || !dv::ShiftFits(f.TuPoints, 1, seconds)) return std::nullopt;
      EditStep step;
      step.kind = EditStep::Kind::TimeShift;
      step.crd = dv::ShiftTimesWithDelta(f.CrdPoints, 1, seconds);
      step.tu = dv::ShiftTimesWithDelta(f.TuPoints, 1, seconds);
      return step;
    }
  }
}

TEST(EditHistory, RandomEditsUndoneAndRedoneBitForBit) {
  std::mt19937 random(2026);
  int changed = 0, corrections = 0;
  for (int flight = 0; flight < 40; ++flight) {
    dv::FlightPoints f = RandomFlight(random, 5 + static_cast<int>(random() % 300));
    dv::FlightPoints opened;
    Copy(f, opened);
    EditHistory history;
    for (int k = 0; k < 30; ++k)
      if (auto step = RandomEdit(random, f)) history.Push(std::move(*step));
    dv::FlightPoints edited;
    Copy(f, edited);
    changed += !SameArrays(edited, opened);
    for (const EditStep& s : history.Steps()) corrections += s.kind == EditStep::Kind::CorrectTelemetryTime ||
                                                              s.kind == EditStep::Kind::CorrectCoordinateTime;
    while (history.CanUndo()) dv::UndoStep(history.StepBack(), f);
    ASSERT_TRUE(SameArrays(f, opened)) << "flight " << flight;
    while (history.CanRedo()) dv::RedoStep(history.StepForward(), f);
    ASSERT_TRUE(SameArrays(f, edited)) << "flight " << flight;

    // Back part of the way, then a new edit: the undone steps are gone, and
    // undoing everything still reaches the opened flight.
    const std::size_t steps = history.Steps().size();
    for (std::size_t k = 0; k < steps / 2; ++k) dv::UndoStep(history.StepBack(), f);
    std::optional<EditStep> step;
    while (!(step = RandomEdit(random, f))) {
    }
    history.Push(std::move(*step));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Steps().size(), steps - steps / 2 + 1);
    // A save leaves every earlier step's "before" as modified: the file now differs from it.
    history.MarkSaved(2);
    for (const EditStep& s : history.Steps()) EXPECT_TRUE(s.stateBefore & 2);
    while (history.CanUndo()) dv::UndoStep(history.StepBack(), f);
    ASSERT_TRUE(SameArrays(f, opened)) << "flight " << flight;
  }
  EXPECT_GE(changed, 38);  // the sequences did edit
  EXPECT_GT(corrections, 40);
}

// The described edge cases one by one: each undone to the state before it.
TEST(EditHistory, EdgeCasesUndoExactly) {
  std::mt19937 random(7);
  dv::FlightPoints f = RandomFlight(random, 50);
  f.TuPoints[10].T = 120;  // magnitude 99 or more: its flag stays through the toggle
  dv::ApplyTuRangeFlags(f.TuPoints[10]);
  dv::FlightPoints before;
  Copy(f, before);
  dv::TSelectedRange reversed;
  reversed.StartRow = 20;
  reversed.EndRow = 5;  // a reversed range toggles no flag
  reversed.StartTime = reversed.EndTime = 1;
  auto step = dv::ToggleTelemetryStep(f.TuPoints, reversed);
  ASSERT_TRUE(step);
  EXPECT_TRUE(SameArrays(f, before));
  dv::TSelectedRange range = reversed;
  range.StartRow = 5;
  range.EndRow = 20;
  step = dv::ToggleTelemetryStep(f.TuPoints, range);
  ASSERT_TRUE(step);
  EXPECT_TRUE(f.TuPoints[10].TExcluded);
  EXPECT_NE(f.TuPoints[11].TExcluded, before.TuPoints[11].TExcluded);
  dv::UndoStep(*step, f);
  EXPECT_TRUE(SameArrays(f, before));
  range.StartRow = 0;  // from the launch point: refused, nothing recorded
  EXPECT_FALSE(dv::ToggleCoordinatesStep(f.CrdPoints, range));
  // A shift of 0 marks the times corrected; its undo clears the marks again.
  EditStep shift;
  shift.kind = EditStep::Kind::TimeShift;
  shift.tu = dv::ShiftTimesWithDelta(f.TuPoints, 1, 0);
  EXPECT_TRUE(f.TuPoints[1].TimeCorrected);
  // Rows 1-49, none corrected before: one run, not one entry per row.
  ASSERT_EQ(shift.tu->wasUncorrected.size(), 1u);
  EXPECT_EQ(shift.tu->wasUncorrected[0], std::make_pair(1, 49));
  dv::UndoStep(shift, f);
  EXPECT_TRUE(SameArrays(f, before));
  // A time that single precision rounds: the shift back alone would not restore it.
  f.TuPoints[3].Time = 0.1f;
  Copy(f, before);
  shift.tu = dv::ShiftTimesWithDelta(f.TuPoints, 1, 300.123);
  EXPECT_FALSE(shift.tu->oldTimes.empty());
  dv::UndoStep(shift, f);
  EXPECT_TRUE(SameArrays(f, before));
  dv::RedoStep(shift, f);
  EXPECT_FLOAT_EQ(f.TuPoints[3].Time, static_cast<float>(0.1f + 300.123));
}

// A thousand steps on a 100,000-record flight: shifts and corrections of the
// whole tail, and toggles, in a few megabytes.
TEST(EditHistory, AThousandStepsOnALargeFlightStaySmall) {
  dv::FlightPoints f;
  for (int i = 0; i < 100000; ++i) {
    f.TuPoints.Add(dv::TuPoint{static_cast<float>(0.01 * std::round(72.0 * i)), 10, 50, false, false, false});
    f.CrdPoints.Add(dv::CrdPoint{0.01 * std::round(72.0 * i), 1000.0 + i, 10, 20, false, false});
  }
  EditHistory history;
  std::mt19937 random(3);
  for (int k = 0; k < 1000; ++k) {
    EditStep step;
    if (k % 3 == 0) {
      dv::TSelectedRange r;
      r.StartRow = 1 + static_cast<int>(random() % 50000);
      r.EndRow = r.StartRow + static_cast<int>(random() % 40000);
      r.StartTime = r.EndTime = 1;
      step = *dv::ToggleCoordinatesStep(f.CrdPoints, r);
    } else if (k % 3 == 1) {
      const int seconds = static_cast<int>(random() % 601) - 300;
      step.kind = EditStep::Kind::TimeShift;
      step.crd = dv::ShiftTimesWithDelta(f.CrdPoints, 1, seconds);
      step.tu = dv::ShiftTimesWithDelta(f.TuPoints, 1, seconds);
    } else {
      step.kind = EditStep::Kind::CorrectTelemetryTime;
      step.tu = dv::ShiftTimesWithDelta(f.TuPoints, 1 + static_cast<int>(random() % 99999), 0.01 * (random() % 500));
    }
    history.Push(std::move(step));
  }
  EXPECT_LT(history.MemoryBytes(), std::size_t{10} << 20);
  std::printf("1000 steps on 100,000 records: %.2f MB\n", history.MemoryBytes() / 1048576.0);
}

TEST(EditHistory, StepsAreNamedForTheMenu) {
  EditStep toggle;
  toggle.kind = EditStep::Kind::ToggleTelemetry;
  toggle.range.StartRow = 10;
  toggle.range.EndRow = 12;
  EXPECT_EQ(dv::DescribeStep(toggle), "Убрать/включить телеметрию, строки 10–12");
  toggle.kind = EditStep::Kind::ToggleCoordinates;
  toggle.range.EndRow = 10;
  EXPECT_EQ(dv::DescribeStep(toggle), "Убрать/включить координаты, строка 10");
  EditStep shift;
  shift.kind = EditStep::Kind::TimeShift;
  shift.tu = dv::TimeDelta{1, -7, {}, {}};
  EXPECT_EQ(dv::DescribeStep(shift), "Сдвиг времени на -7 с");
  EditStep correction;
  correction.kind = EditStep::Kind::CorrectCoordinateTime;
  correction.crd = dv::TimeDelta{60, 1.5, {}, {}};
  EXPECT_EQ(dv::DescribeStep(correction), "Коррекция времени координат, строка 60");
  EditStep field;
  field.kind = EditStep::Kind::Field;
  field.field = "edtP0";
  field.fieldCaption = "P0";
  field.oldText = "1003.2";
  field.newText = "1004.0";
  EXPECT_EQ(dv::DescribeStep(field), "P0: 1003.2 → 1004.0");
}

}  // namespace

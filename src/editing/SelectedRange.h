#pragma once
// The time range selected in a listing.

namespace dv {

struct TSelectedRange {
  double StartTime = -1;  // s, the smaller boundary time; -1: no range
  double EndTime = -1;    // s, the larger boundary time; -1: no range
  int StartRow = -1;      // the boundary row whose time is StartTime
  int EndRow = -1;        // the other boundary row (may be smaller than StartRow)

  bool IsSet() const { return StartTime > -1 && EndTime > -1; }
  void Clear() { *this = TSelectedRange{}; }
};

}  // namespace dv

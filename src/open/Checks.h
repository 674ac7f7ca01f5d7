#pragma once
// The checks made while a flight is opened, as findings for the window to show.

#include <optional>
#include <string>
#include <vector>

#include "flight/InfoFile.h"
#include "flight/Points.h"

namespace dv {

// The edit fields whose values differ between the edited and the original
// initial data (floats compared exactly, as stored).
std::vector<std::string> ChangedInfoFields(const InitialData& info, const InitialData& org);

// The last time that was in order before the first time that runs backwards;
// nothing when the times never decrease. Point 0 is not part of the sequence.
std::optional<double> FirstTimeFailure(const TuArray& points);
std::optional<double> FirstTimeFailure(const CrdArray& points);

// True when a point after the surface point carries a range flag set on reading.
bool HasFlaggedTelemetry(const TuArray& points);

// Values the files hold no reading for (the -999 mark, any value below -99)
// and telemetry points flagged as out of range on reading, point 0 left out.
// A point with a mark counts only as missing.
struct ValueCounts {
  int tuMissing = 0, tuOutOfRange = 0, crdMissing = 0;
};
ValueCounts CountValues(const TuArray& tu, const CrdArray& crd);

inline constexpr const char* kTuTimeFailure = "Сбой времени tu после:";
inline constexpr const char* kCrdTimeFailure = "Сбой времени crd после:";
inline constexpr const char* kShorterOriginal = "Исправленных данных больше!!!";
inline constexpr const char* kViewOnly = "Доступен только режим просмотра!";

}  // namespace dv

#pragma once
// "Убрать найденное": the points of chosen findings excluded in one step.

#include <optional>
#include <vector>

#include "check/CheckRules.h"
#include "history/EditHistory.h"

namespace dv {

// Sets the exclusion flags a finding names (a telemetry finding the value it
// is about, a coordinate finding the whole point) on the rows it removes, and
// returns what changed; nothing when no flag changed. Gaps and clocks remove
// nothing; row 0 (the surface or launch point) is never touched.
std::optional<EditStep> RemoveFoundStep(FlightPoints& points, const std::vector<Finding>& chosen);

}  // namespace dv

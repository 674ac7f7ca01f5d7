#pragma once
// The rules that look at the sounding as air, in height as the profile gives
// it: layers a dry adiabat cannot hold, warm layers no inversion builds that
// fast, humidity physics does not allow, and radar wind sheared beyond any jet.

#include <vector>

#include "check/CheckRules.h"
#include "thermo/Profile.h"

namespace dv {

// `stationHeight`: m above sea level, the foot of the surface layer;
// `tropopause`: hPa of the first tropopause, NaN when none was found. Without a
// profile (no P0) there is nothing to find.
std::vector<Finding> PhysicsChecks(const Profile& profile, const TuArray& tu, double stationHeight,
                                   double tropopause, const CheckThresholds& limits);

// The same with the station height and the first tropopause taken from the
// initial data and the profile's levels.
std::vector<Finding> PhysicsChecks(const Profile& profile, const TuArray& tu, const InitialData& info,
                                   const std::vector<Level>& levels, const CheckThresholds& limits);

// All rules with the physics ones, the profile made here: for a flight read
// without the window (the fault scores, tests).
std::vector<Finding> RunAllChecks(const TuArray& tu, const CrdArray& crd, const InitialData& info,
                                  const CheckThresholds& limits);

}  // namespace dv

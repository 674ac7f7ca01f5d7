#pragma once
// The check thresholds as the settings file (.CNF) gives them, section "[CHECK]".

#include <string>
#include <string_view>

#include "check/CheckRules.h"

namespace dv {

class ProfileFile;

// One key per threshold; a key that is absent, empty or not a number keeps the
// threshold's default.
CheckThresholds ReadCheckThresholds(const ProfileFile& profile);
CheckThresholds ReadCheckThresholds(const std::string& configFile);

}  // namespace dv

#include "check/CheckSettings.h"

#include <cmath>

#include "app/ProfileFile.h"
#include "common/Helpers.h"

namespace dv {

CheckThresholds ReadCheckThresholds(const ProfileFile& profile) {
  CheckThresholds limits;
  for (const ThresholdKey& k : ThresholdKeys()) {
    const std::string text = profile.Read(kCheckSection, k.key, "");
    // A threshold that is no finite number would silence its rule or flag every point.
    if (const auto value = TextToReal(text); value && std::isfinite(*value)) limits.*k.field = *value;
  }
  return limits;
}

CheckThresholds ReadCheckThresholds(const std::string& configFile) {
  ProfileFile profile;
  profile.Load(configFile);  // unreadable: the defaults
  return ReadCheckThresholds(profile);
}

}  // namespace dv

#include "export/Export.h"

#include <limits>

#include "common/Helpers.h"
#include "flight/FlightName.h"

namespace dv {

std::optional<int> ParseZoneHours(std::string_view answer) {
  const auto v = TextToInt(answer, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  if (!v) return std::nullopt;
  return static_cast<int>(*v);
}

std::optional<std::string> ExportBase(const std::string& startDir, const InitialData& info, int zoneHours) {
  const auto start = info.StartTime();
  if (!start) return std::nullopt;
  return startDir + DottedFlightName(AddSeconds(*start, -3600LL * zoneHours));
}

std::string WorkBase(const std::string& processingTemp, const std::string& flightBase) {
  return processingTemp + ExtractFileName(flightBase);
}

}  // namespace dv

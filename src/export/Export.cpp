#include "export/Export.h"

#include <limits>

#include "common/FileIO.h"
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

ExportFiles PlanExport(const std::string& exportBase, const std::string& flightBase,
                       const std::string& ownInfo) {
  ExportFiles files;
  const char* const exts[] = {".info", ".tu", ".crd"};
  for (std::size_t i = 0; i < files.size(); ++i) {
    ExportFile& f = files[i];
    f.target = exportBase + exts[i];
    f.own = i == 0 && !ownInfo.empty() ? ownInfo : flightBase + exts[i];
    f.original = flightBase + ".org" + exts[i];
    f.targetBefore = FileExists(f.target);
    f.originalBefore = FileExists(f.original);
  }
  return files;
}

namespace {
// An export under the flight's own name is a plain save of that file: nothing
// to retire or take back.
bool IntoOwnFile(const ExportFile& f) { return SameFile(f.target, f.own); }
}  // namespace

void RetireOwnFiles(const ExportFiles& files) {
  for (const ExportFile& f : files) {
    if (IntoOwnFile(f) || f.originalBefore || !FileExists(f.original)) continue;
    if (FileExists(f.own)) RemoveFile(f.own);
  }
}

void UndoExport(const ExportFiles& files) {
  for (const ExportFile& f : files) {
    if (IntoOwnFile(f)) continue;
    if (!f.targetBefore && FileExists(f.target)) RemoveFile(f.target);
    if (!f.originalBefore && FileExists(f.original)) RemoveFile(f.original);
  }
}

}  // namespace dv

#include "check/RemoveFound.h"

#include <algorithm>
#include <map>

namespace dv {

std::optional<EditStep> RemoveFoundStep(FlightPoints& points, const std::vector<Finding>& chosen) {
  // The bits each row gets, per file; findings may overlap.
  std::map<int, std::uint8_t> tu, crd;
  for (const Finding& f : chosen) {
    const RuleInfo& info = InfoOf(f.rule);
    const std::uint8_t bits = info.value == TuValue::T ? 1 : info.value == TuValue::U ? 2 : 3;
    for (const auto& [first, last] : RemovableRows(f)) {
      const int count = f.file == CheckFile::Tu ? points.TuPoints.Count() : points.CrdPoints.Count();
      for (int row = std::max(first, 1); row <= last && row < count; ++row) {
        if (f.file == CheckFile::Tu) tu[row] |= bits;
        else crd[row] = 1;
      }
    }
  }
  EditStep step;
  step.kind = EditStep::Kind::SetFlags;
  for (const auto& [row, bits] : tu) {
    TuPoint& p = points.TuPoints[row];
    const auto before = static_cast<std::uint8_t>((p.TExcluded ? 1 : 0) | (p.UExcluded ? 2 : 0));
    const auto after = static_cast<std::uint8_t>(before | bits);
    if (after == before) continue;
    p.TExcluded = after & 1;
    p.UExcluded = (after & 2) != 0;
    step.flags.push_back({row, false, before, after});
  }
  for (const auto& [row, bits] : crd) {
    CrdPoint& p = points.CrdPoints[row];
    if (p.Excluded) continue;
    p.Excluded = true;
    step.flags.push_back({row, true, 0, 1});
  }
  if (step.flags.empty()) return std::nullopt;
  return step;
}

}  // namespace dv

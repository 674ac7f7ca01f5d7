#include "flight/Saving.h"

#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/PointFiles.h"

namespace dv {

SaveOutcome SaveOutcome::Refuse(std::string field) {
  return SaveOutcome{SaveStatus::Refused, std::move(field), kInvalidValue};
}

SaveOutcome SaveOutcome::Fail(const std::string& path) {
  return SaveOutcome{SaveStatus::Failed, {}, std::string(kSaveError) + "\n" + path};
}

SaveOutcome MakeOriginalCopy(const std::string& flightBase, const std::string& ext, bool* made,
                             const std::string* asOpened) {
  return MakeOriginalCopyOf(flightBase + ext, flightBase + ".org" + ext, made, asOpened);
}

SaveOutcome MakeOriginalCopyOf(const std::string& own, const std::string& copy, bool* made,
                               const std::string* asOpened) {
  if (made) *made = false;
  if (FileExists(copy)) return {};
  if (FileExists(own)) {
    // A copy, not a rename: the flight's own file stays whole until the new one
    // replaces it, so a save killed at any instant loses nothing.
    if (!CopyToReadOnly(own, copy)) return SaveOutcome::Fail(copy);
  } else if (asOpened) {
    // Deleted by someone else while the flight was open: what was opened is the original.
    if (!KeepReadOnly(*asOpened, copy)) return SaveOutcome::Fail(copy);
  } else {
    return {};  // a flight delivered without this file has nothing to keep
  }
  if (made) *made = true;
  return {};
}

namespace {

// After a failed write: the copy made by this save goes, as if it had never run.
void UndoOriginalCopy(const std::string& flightBase, const std::string& ext) {
  RemoveFile(flightBase + ".org" + ext);
}

bool ReadNumber(const std::string& text, double& field) {
  const auto v = TextToReal(text);
  if (!v) return false;
  field = *v;
  return true;
}

// The common tail of the point writers: original copy, point 0, file.
template <typename Array, typename Prepare, typename Write>
SaveOutcome WritePoints(const std::string& fileName, bool keepOriginal,
                        const std::string& flightBase, const char* ext, Array& points,
                        const std::string* asOpened, Prepare prepare, Write write) {
  bool made = false;
  if (keepOriginal) {
    SaveOutcome copy = MakeOriginalCopy(flightBase, ext, &made, asOpened);
    if (!copy.ok()) return copy;
  }
  prepare(points[0]);
  if (!write(fileName, points)) {
    if (made) UndoOriginalCopy(flightBase, ext);
    return SaveOutcome::Fail(fileName);
  }
  return {};
}

}  // namespace

std::optional<std::string> TakeTuFields(const TuFieldTexts& f, InitialData& info) {
  if (!ReadNumber(f.T0, info.T0) || !(info.T0 > -65.0 && info.T0 < 55.0)) return "edtT0";
  if (!ReadNumber(f.U0, info.U0) || !(info.U0 > 0.0 && info.U0 <= 100.0)) return "edtU0";
  return std::nullopt;
}

std::optional<std::string> TakeCrdFields(const CrdFieldTexts& f, InitialData& info) {
  if (!ReadNumber(f.SR0, info.SR0) || !(info.SR0 > 30.0 && info.SR0 < 500.0)) return "edtSR0";
  if (!ReadNumber(f.Az0, info.Az0) || !(info.Az0 > 0.0 && info.Az0 <= 360.0)) return "edtAz0";
  if (!ReadNumber(f.El0, info.El0) || !(info.El0 > -12.0 && info.El0 <= 3.0)) return "edtEl0";
  return std::nullopt;
}

SaveOutcome SaveTu(const std::string& fileName, bool keepOriginal, const std::string& flightBase,
                   const TuFieldTexts& fields, InitialData& info, TuArray& points,
                   const std::string* asOpened) {
  if (points.Count() == 0) return SaveOutcome{SaveStatus::Failed, {}, kNoTuPoints};
  if (fields.changed) {
    if (auto refused = TakeTuFields(fields, info)) return SaveOutcome::Refuse(*refused);
  }
  return WritePoints(
      fileName, keepOriginal, flightBase, ".tu", points, asOpened,
      [&](TuPoint& p0) {
        if (fields.changed) {
          p0.T = static_cast<float>(info.T0);
          p0.U = static_cast<float>(info.U0);
        }
        // The surface point is always written, whatever the user marked.
        p0.TExcluded = p0.UExcluded = false;
      },
      [](const std::string& name, const TuArray& pts) { return WriteTuFile(name, pts).ok; });
}

SaveOutcome SaveCrd(const std::string& fileName, bool keepOriginal, const std::string& flightBase,
                    const CrdFieldTexts& fields, InitialData& info, CrdArray& points,
                    const std::string* asOpened) {
  if (points.Count() == 0) return SaveOutcome{SaveStatus::Failed, {}, kNoCrdPoints};
  if (fields.changed) {
    if (auto refused = TakeCrdFields(fields, info)) return SaveOutcome::Refuse(*refused);
  }
  return WritePoints(
      fileName, keepOriginal, flightBase, ".crd", points, asOpened,
      [&](CrdPoint& p0) {
        if (fields.changed) {
          p0.SR = info.SR0;
          p0.Az = info.Az0;
          p0.El = info.El0;
          p0.AzAsRead = p0.ElAsRead = false;  // typed degrees, not marks
        }
        // The launch point is always written, whatever the user marked.
        p0.Excluded = false;
      },
      [](const std::string& name, const CrdArray& pts) { return WriteCrdFile(name, pts).ok; });
}

SaveOutcome SaveInfo(const std::string& fileName, bool keepOriginal, int zoneHours,
                     const std::string& flightBase, const InfoFieldTexts& fields,
                     InitialData& info, const std::string& ownInfo, const std::string* asOpened) {
  if (auto refused = TakeInfoFields(fields, info)) return SaveOutcome::Refuse(*refused);
  const std::string own = ownInfo.empty() ? flightBase + ".info" : ownInfo;
  bool made = false;
  if (keepOriginal) {
    SaveOutcome copy = MakeOriginalCopyOf(own, flightBase + ".org.info", &made, asOpened);
    if (!copy.ok()) return copy;
  }
  // The first save of the flight's own .info writes a new file, as it always has.
  const bool freshOwn = made && SameFile(fileName, own);
  std::string bytes;
  bool written = true;
  if (FileExists(fileName) && !freshOwn) {
    std::string old;
    written = static_cast<bool>(ReadFileBytes(fileName, old));
    if (written) bytes = UpdateInfoBytes(old, info, zoneHours);
  } else {
    bytes = FormatNewInfo(info, zoneHours);
  }
  if (!written || !WriteFileAtomic(fileName, bytes)) {
    if (made) UndoOriginalCopy(flightBase, ".info");
    return SaveOutcome::Fail(fileName);
  }
  return {};
}

}  // namespace dv

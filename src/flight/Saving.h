#pragma once
// The three writers with their original copies. They return what the window
// must show; the window owns focus, pages, message boxes and modified flags.

#include <optional>
#include <string>

#include "flight/InfoFile.h"
#include "flight/Points.h"

namespace dv {

inline constexpr const char* kSaveError = "Ошибка сохранения";
inline constexpr const char* kInvalidValue = "Недопустимое значение!";
// A point file is written from point 0 on: with no point there is nothing to save
// into, and an empty file would lose what was typed for point 0.
inline constexpr const char* kNoTuPoints = "Нет точек TU для сохранения!";
inline constexpr const char* kNoCrdPoints = "Нет точек CRD для сохранения!";

enum class SaveStatus {
  Saved,    // written; the caller clears its modified flag
  Refused,  // a field value was refused; nothing touched
  Failed,   // a file operation failed; nothing lost
};

struct SaveOutcome {
  SaveStatus status = SaveStatus::Saved;
  std::string field;    // the refused edit field ("edtP0", ...), when Refused
  std::string message;  // the text to show, when not Saved

  bool ok() const { return status == SaveStatus::Saved; }
  static SaveOutcome Refuse(std::string field);
  static SaveOutcome Fail(const std::string& path);
};

// Keeps the delivered `flightBase + ext` as `flightBase + ".org" + ext`, once, as a
// read-only copy. Nothing to do when the copy exists already or when there is no
// delivered file to keep. `asOpened`, when given, is the own file's bytes as the
// flight was opened: kept as the copy if the file has gone since, so nothing the
// observer was shown is lost. `made` tells whether this call made the copy.
SaveOutcome MakeOriginalCopy(const std::string& flightBase, const std::string& ext,
                             bool* made = nullptr, const std::string* asOpened = nullptr);
// The same for an own file and its copy named in full.
SaveOutcome MakeOriginalCopyOf(const std::string& own, const std::string& copy, bool* made = nullptr,
                               const std::string* asOpened = nullptr);

// The surface-point fields, as typed, and whether the user changed them.
struct TuFieldTexts {
  std::string T0, U0;
  bool changed = false;
};
// The launch-point fields, as typed, and whether the user changed them.
struct CrdFieldTexts {
  std::string SR0, Az0, El0;
  bool changed = false;
};

// Checks first (nothing is touched on a refusal), then the original copy of the
// flight's own file when `keepOriginal` (from `asOpened` if the file has gone),
// then point 0 (or the .info fields), then the file. A failed write removes a
// just-made original copy, so the flight's files are as they were. The own file
// is never removed here, even when writing elsewhere: the export retires it only
// once its whole set is written.
SaveOutcome SaveTu(const std::string& fileName, bool keepOriginal, const std::string& flightBase,
                   const TuFieldTexts& fields, InitialData& info, TuArray& points,
                   const std::string* asOpened = nullptr);
SaveOutcome SaveCrd(const std::string& fileName, bool keepOriginal, const std::string& flightBase,
                    const CrdFieldTexts& fields, InitialData& info, CrdArray& points,
                    const std::string* asOpened = nullptr);
// `ownInfo` is the flight's own .info as it was opened (flightBase + ".info" when
// empty); its original is always flightBase + ".org.info".
SaveOutcome SaveInfo(const std::string& fileName, bool keepOriginal, int zoneHours,
                     const std::string& flightBase, const InfoFieldTexts& fields,
                     InitialData& info, const std::string& ownInfo = {},
                     const std::string* asOpened = nullptr);

// The field checks alone: the refused edit field, or nothing.
std::optional<std::string> TakeTuFields(const TuFieldTexts& fields, InitialData& info);
std::optional<std::string> TakeCrdFields(const CrdFieldTexts& fields, InitialData& info);

}  // namespace dv

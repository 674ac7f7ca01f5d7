#pragma once
// Names for the copies of a flight: the station files under the UTC launch
// time, and the processing program's work files.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "flight/InfoFile.h"

namespace dv {

inline constexpr int kMaxZoneHours = 12;

// The zone answer as a whole, optionally signed number of hours; nothing when
// it is not one ("3.5", "three").
std::optional<int> ParseZoneHours(std::string_view answer);

// Within the ±12 hours an answer may give (compared as it stands: no std::abs,
// which has no result for the smallest int).
inline constexpr bool ZoneHoursAllowed(int hours) { return hours >= -kMaxZoneHours && hours <= kMaxZoneHours; }

// StartDir + the UTC launch moment as "d.m.yyyy-h.n"; nothing when the start
// fields form no date.
std::optional<std::string> ExportBase(const std::string& startDir, const InitialData& info, int zoneHours);

// The processing folder + the flight's file name without folder and extension.
std::string WorkBase(const std::string& processingTemp, const std::string& flightBase);

// The files an export touches, kind by kind (.info, .tu, .crd): the export file,
// the flight's own file and its original, and which of them stood before.
struct ExportFile {
  std::string target, own, original;
  bool targetBefore = false, originalBefore = false;
};
using ExportFiles = std::array<ExportFile, 3>;
// `ownInfo` is the flight's .info as opened (its extension spelled as chosen).
ExportFiles PlanExport(const std::string& exportBase, const std::string& flightBase,
                       const std::string& ownInfo);
// After the whole set is written: each own file whose original this export made
// now lives on only as that original. Nothing is retired before, so a failed
// export never leaves the flight without one of its files.
void RetireOwnFiles(const ExportFiles& files);
// After a failed export: the export files and originals it made go again, so no
// part of a set is left for the processing program to take. An export file that
// stood before keeps what was written over it (the same flight's data).
void UndoExport(const ExportFiles& files);

inline constexpr const char* kZoneCaption = "Пояс (для ZAZO VERE/Dodezo)";
inline constexpr const char* kZonePrompt = "Введите разницу с ВСВ";
inline constexpr const char* kNotUnderstood = "Извините, не поняла?!";
inline constexpr const char* kInfoCopied = "Данные INFO скопированы";
inline constexpr const char* kTuCopied = "Данные TU скопированы";
inline constexpr const char* kCrdCopied = "Данные CRD скопированы";

}  // namespace dv

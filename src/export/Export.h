#pragma once
// Names for the copies of a flight: the station files under the UTC launch
// time, and the processing program's work files.

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

inline constexpr const char* kZoneCaption = "Пояс (для ZAZO VERE/Dodezo)";
inline constexpr const char* kZonePrompt = "Введите разницу с ВСВ";
inline constexpr const char* kNotUnderstood = "Извините, не поняла?!";
inline constexpr const char* kInfoCopied = "Данные INFO скопированы";
inline constexpr const char* kTuCopied = "Данные TU скопированы";
inline constexpr const char* kCrdCopied = "Данные CRD скопированы";

}  // namespace dv

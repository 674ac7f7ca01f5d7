#pragma once
// A whole flight checked without the window, as a station's archive or a gate
// before processing needs it: the checks an open makes, then the rules. Files
// are only read.

#include <functional>
#include <string>
#include <vector>

#include "check/CheckRules.h"
#include "flight/InfoFile.h"
#include "products/FlightProducts.h"

namespace dv {

enum class Verdict { Ok, Warn, Error };
const char* VerdictName(Verdict v);  // "ok", "warn", "error"

// What opening the flight would have said, in the window's words.
struct LoadMessage {
  Verdict level = Verdict::Warn;
  std::string text;
};

struct FlightReport {
  std::string path;  // the .info file
  Verdict verdict = Verdict::Ok;
  int tuPoints = 0, crdPoints = 0;
  int station = 0;     // the station's index, once the .info is read
  std::string launch;  // local launch date and time, "yyyy-mm-ddThh:mm", once the .info is read
  std::vector<LoadMessage> messages;
  std::vector<Finding> findings;
};

// Errors: an initial-data error, a missing or unreadable point file, a point
// file without points. Warnings: the name/time mismatch, shorter originals,
// time failures, values out of range on reading, and every finding of the
// rules. Missing values (the -999 marks) are counted, and warn of nothing.
// `loaded`, when given, sees the flight as read once its files are (not after an error).
using FlightLoaded = std::function<void(FlightReport&, FlightProducts&)>;
FlightReport CheckFlight(const std::string& infoPath, const CheckThresholds& limits,
                         const FlightLoaded& loaded = nullptr);

// The flights under the given paths: a .info file as it is, a folder searched
// through (sorted, folder links not followed). Originals (".org" in the name)
// are never flights. A path that is neither gives a report of its own in
// `unusable`, with its reason.
std::vector<std::string> FindFlights(const std::vector<std::string>& paths, std::vector<FlightReport>& unusable);

inline constexpr const char* kFlaggedOnReading = "Значений tu вне диапазона: ";
inline constexpr const char* kTuMissingValues = "Пропущенных значений tu: ";
inline constexpr const char* kCrdMissingValues = "Пропущенных значений crd: ";
inline constexpr const char* kNoPoints = "Нет точек: ";
inline constexpr const char* kNoSuchPath = "Нет такого файла или папки: ";
inline constexpr const char* kNotAnInfoFile = "Не файл начальных данных (*.info): ";
inline constexpr const char* kOriginalNotAFlight = "Оригинальные файлы не проверяются: ";

}  // namespace dv

#pragma once
// The initial-data file (.info): lines of key, colon, tab and value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/DateTime.h"
#include "common/FileIO.h"

namespace dv {

inline constexpr double kUnknown = -999.0;  // any value below -99 is "not known"

struct InitialData {
  std::int32_t StationSynopticIndex = 0;
  float StationLattitude = kUnknown;            // °
  float StationLongitude = kUnknown;            // °
  float RadarAboveStationExeeding = kUnknown;   // carried from file to file only
  float StationHeightAboveSeaLevel = kUnknown;  // m
  double T0 = kUnknown;                         // °C, mirrors TuPoints[0].T
  double U0 = kUnknown;                         // %, mirrors TuPoints[0].U
  double OnGroundPressure = kUnknown;           // hPa
  double OnGroundWindDirection = kUnknown;      // °
  double OnGroundWindVelocity = kUnknown;       // m/s
  double OnGroundTemperatureError = kUnknown;   // °C, pre-flight check dT
  double OnGroundHumidityError = kUnknown;      // %, pre-flight check dU
  double SR0 = kUnknown;                        // m, mirrors CrdPoints[0].SR
  double Az0 = kUnknown;                        // °, mirrors CrdPoints[0].Az
  double El0 = kUnknown;                        // °, mirrors CrdPoints[0].El
  std::string NebulosityCode = "/////";         // at most 5 characters
  std::int32_t RadioZondType = 0;
  std::uint16_t StartYear = 0;  // local launch date and time; never reset
  std::uint16_t StartMonth = 0;
  std::uint16_t StartDay = 0;
  std::uint16_t StartHour = 0;
  std::uint16_t StartMinute = 0;
  std::vector<std::string> ExtraLines;  // lines the reader does not know, as read

  // Every field but the start fields and the lists back to "not known".
  void Reset();
  // The launch date and time of the start fields, if they form one.
  std::optional<DateTime> StartTime() const;
};

inline constexpr const char* kInfoFileError = "Info-файл ошибка!";
inline constexpr const char* kInfoNameMismatch = "Info-файл имя?!";

// The known keys and the edit field that shows each ("" for none).
struct InfoKey {
  const char* key;
  const char* editField;
};
const std::vector<InfoKey>& InfoKeys();

struct InfoReadResult {
  bool ok = false;
  // Messages to show, in order ("Info-файл имя?!", "Info-файл ошибка!").
  std::vector<std::string> messages;
  // With reset: each known key's value text exactly as in the file, in file order,
  // for the key's edit field.
  std::vector<std::pair<std::string, std::string>> fieldTexts;
};

// Reads `fileName` into `target`. With `reset` the target is first reset and the
// value texts are returned for the edit fields; without it, fields missing from
// the file keep their values and unknown lines are appended to ExtraLines.
// `bytes`, when given, receives the file's bytes.
InfoReadResult ReadInfo(const std::string& fileName, bool reset, InitialData& target,
                        std::string* bytes = nullptr);
// The same over bytes already read; `fileName` gives the name time.
InfoReadResult ParseInfo(std::string_view bytes, const std::string& fileName, bool reset,
                         InitialData& target);

// The editable initial-data fields as typed.
struct InfoFieldTexts {
  std::string P0, D0, V0, Clouds, RaRa;
};

// Takes the editable fields into `info`, checking them in order; the first
// refused field's edit-field name, or nothing when all pass. A value is stored
// before its range is checked; a text holding a byte below 0x20 is refused.
std::optional<std::string> TakeInfoFields(const InfoFieldTexts& fields, InitialData& info);

// A new file's bytes, and an existing file's bytes updated line by line. With
// `zoneHours` not 0 the start is written shifted back by that many hours and the
// longitude as minus its absolute value; `info` itself is not changed.
std::string FormatNewInfo(const InitialData& info, int zoneHours);
std::string UpdateInfoBytes(std::string_view oldBytes, const InitialData& info, int zoneHours);

// A byte below 0x20 (a line break, a tab, ...): never part of a value in a written .info.
bool HasControlByte(std::string_view text);

// Splits at CR LF, LF or a lone CR; a final line break does not start another line.
std::vector<std::string_view> SplitLines(std::string_view bytes);

}  // namespace dv

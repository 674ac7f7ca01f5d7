#include "flight/InfoFile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "common/Helpers.h"
#include "flight/FlightName.h"

namespace dv {

void InitialData::Reset() {
  const auto start = std::tuple{StartYear, StartMonth, StartDay, StartHour, StartMinute};
  *this = InitialData{};
  std::tie(StartYear, StartMonth, StartDay, StartHour, StartMinute) = start;
}

std::optional<DateTime> InitialData::StartTime() const {
  return EncodeDateTime(StartYear, StartMonth, StartDay, StartHour, StartMinute);
}

const std::vector<InfoKey>& InfoKeys() {
  static const std::vector<InfoKey> keys = {
      {"StationSynopticIndex", "edtStation"},
      {"StationLattitude", "edtLat"},
      {"StationLongitude", "edtLong"},
      {"RadarAboveStationExeeding", ""},
      {"StationHeightAboveSeaLevel", "edtH0"},
      {"OnGroundPressure", "edtP0"},
      {"OnGroundWindDirection", "edtD0"},
      {"OnGroundWindVelocity", "edtV0"},
      {"OnGroundTemperatureError", "edtDt0"},
      {"OnGroundHumidityError", "edtDu0"},
      {"NebulosityCode", "edtClouds"},
      {"RadioZondType", "edtRaRa"},
      {"StartYear", "edtYear"},
      {"StartMonth", "edtMonth"},
      {"StartDay", "edtDay"},
      {"StartHour", "edtHour"},
      {"StartMinute", "edtMin"},
  };
  return keys;
}

namespace {

// A malformed value is not reported: a real becomes "not known", an integer 0
// (so that a broken start field fails the date check instead of passing silently).
double RealOr(std::string_view text, double fallback) {
  return TextToReal(text).value_or(fallback);
}
float SingleOr(std::string_view text) {
  const double v = RealOr(text, kUnknown);
  if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return static_cast<float>(kUnknown);
  return static_cast<float>(v);
}
std::int32_t Int32Or0(std::string_view text) {
  return static_cast<std::int32_t>(
      TextToInt(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())
          .value_or(0));
}
std::uint16_t Word(std::string_view text) {
  return static_cast<std::uint16_t>(TextToInt(text, 0, 65535).value_or(0));
}

// Stores `value` into the field of `key`; false for an unknown key.
bool StoreField(InitialData& d, std::string_view key, std::string_view value) {
  if (key == "StationSynopticIndex") d.StationSynopticIndex = Int32Or0(value);
  else if (key == "StationLattitude") d.StationLattitude = SingleOr(value);
  else if (key == "StationLongitude") d.StationLongitude = SingleOr(value);
  else if (key == "RadarAboveStationExeeding") d.RadarAboveStationExeeding = SingleOr(value);
  else if (key == "StationHeightAboveSeaLevel") d.StationHeightAboveSeaLevel = SingleOr(value);
  else if (key == "OnGroundPressure") d.OnGroundPressure = RealOr(value, kUnknown);
  else if (key == "OnGroundWindDirection") d.OnGroundWindDirection = RealOr(value, kUnknown);
  else if (key == "OnGroundWindVelocity") d.OnGroundWindVelocity = RealOr(value, kUnknown);
  else if (key == "OnGroundTemperatureError") d.OnGroundTemperatureError = RealOr(value, kUnknown);
  else if (key == "OnGroundHumidityError") d.OnGroundHumidityError = RealOr(value, kUnknown);
  else if (key == "NebulosityCode") d.NebulosityCode = std::string(value.substr(0, 5));
  else if (key == "RadioZondType") d.RadioZondType = Int32Or0(value);
  else if (key == "StartYear") d.StartYear = Word(value);
  else if (key == "StartMonth") d.StartMonth = Word(value);
  else if (key == "StartDay") d.StartDay = Word(value);
  else if (key == "StartHour") d.StartHour = Word(value);
  else if (key == "StartMinute") d.StartMinute = Word(value);
  else return false;
  return true;
}

// The values as written, after the zone shift.
struct WrittenInfo {
  const InitialData& d;
  DateTimeParts start;
  float longitude;

  WrittenInfo(const InitialData& info, int zoneHours)
      : d(info),
        start{info.StartYear, info.StartMonth, info.StartDay, info.StartHour, info.StartMinute, 0},
        longitude(info.StationLongitude) {
    if (zoneHours == 0) return;
    longitude = -std::fabs(info.StationLongitude);
    // A start that forms no date cannot be shifted; it is written as held.
    if (const auto t = info.StartTime()) start = DecodeDateTime(AddSeconds(*t, -3600LL * zoneHours));
  }

  std::string Value(std::string_view key) const {
    if (key == "StationSynopticIndex") return std::to_string(d.StationSynopticIndex);
    if (key == "StationLongitude") return FormatFixed(longitude, 0, 3);
    if (key == "StationLattitude") return FormatFixed(d.StationLattitude, 0, 3);
    if (key == "StationHeightAboveSeaLevel") return FormatFixed(d.StationHeightAboveSeaLevel, 0, 0);
    if (key == "OnGroundPressure") return FormatFixed(d.OnGroundPressure, 0, 1);
    if (key == "OnGroundWindDirection") return FormatFixed(d.OnGroundWindDirection, 0, 0);
    if (key == "OnGroundWindVelocity") return FormatFixed(d.OnGroundWindVelocity, 0, 0);
    if (key == "OnGroundHumidityError") return FormatFixed(d.OnGroundHumidityError, 0, 1);
    if (key == "OnGroundTemperatureError") return FormatFixed(d.OnGroundTemperatureError, 0, 2);
    if (key == "StartYear") return std::to_string(start.year);
    if (key == "StartMonth") return std::to_string(start.month);
    if (key == "StartDay") return std::to_string(start.day);
    if (key == "StartHour") return std::to_string(start.hour);
    if (key == "StartMinute") return std::to_string(start.minute);
    if (key == "NebulosityCode") return d.NebulosityCode;
    if (key == "RadioZondType") return std::to_string(d.RadioZondType);
    if (key == "RadarAboveStationExeeding") return FormatFixed(d.RadarAboveStationExeeding, 0, 0);
    return {};
  }

  std::string Line(std::string_view key) const { return std::string(key) + ":\t" + Value(key); }
  bool HasType() const { return d.RadioZondType > 0; }
  bool HasRadarHeight() const { return d.RadarAboveStationExeeding > -99.0f; }
};

constexpr const char* kCrLf = "\r\n";

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

InfoReadResult ParseInfo(std::string_view bytes, const std::string& fileName, bool reset,
                         InitialData& target) {
  InfoReadResult result;
  if (reset) target.Reset();
  for (std::string_view line : SplitLines(bytes)) {
    std::size_t sep = line.find(":\t");
    std::size_t valueAt = sep + 2;
    if (sep == std::string_view::npos) {
      sep = line.find('\t');
      valueAt = sep + 1;
    }
    if (sep == std::string_view::npos) {
      if (!line.empty()) target.ExtraLines.emplace_back(line);
      continue;
    }
    const std::string_view key = line.substr(0, sep);
    const std::string_view value = line.substr(valueAt);
    if (StoreField(target, key, value)) {
      if (reset) result.fieldTexts.emplace_back(key, value);
    } else {
      // Unknown entries are kept whole, key included, so that they are written
      // back as they came.
      target.ExtraLines.emplace_back(line);
    }
  }

  try {
    const DateTime nameTime = FlightTimeFromName(fileName);
    const auto start = target.StartTime();
    if (!start) throw FlightNameError("start");
    // Time zero is a name without a date: there is nothing to compare, however
    // early the start fields are.
    if (nameTime != DateTime{} && nameTime.seconds - start->seconds > 60)
      result.messages.emplace_back(kInfoNameMismatch);
  } catch (const FlightNameError&) {
    result.messages.emplace_back(kInfoFileError);
    return result;
  }
  result.ok = true;
  return result;
}

InfoReadResult ReadInfo(const std::string& fileName, bool reset, InitialData& target,
                        std::string* bytesOut) {
  std::string own;
  std::string& bytes = bytesOut ? *bytesOut : own;
  // An initial-data file is a few hundred bytes; anything near this is not one.
  constexpr std::size_t kMaxInfoBytes = std::size_t{16} << 20;
  if (!ReadFileBytes(fileName, bytes, kMaxInfoBytes)) {
    if (reset) target.Reset();
    InfoReadResult result;
    result.messages.emplace_back(kInfoFileError);
    return result;
  }
  return ParseInfo(bytes, fileName, reset, target);
}

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::optional<std::string> TakeInfoFields(const InfoFieldTexts& f, InitialData& info) {
  // Each number is stored before its range is checked. A control byte is refused
  // outright: a line break in a value would split the line in the file.
  auto number = [](const std::string& text, double& field) {
    if (HasControlByte(text)) return false;
    const auto v = TextToReal(text);
    if (!v) return false;
    field = *v;
    return true;
  };
  if (!number(f.P0, info.OnGroundPressure) || !(info.OnGroundPressure > 850.0 && info.OnGroundPressure < 1100.0))
    return "edtP0";
  if (!number(f.D0, info.OnGroundWindDirection) ||
      !(info.OnGroundWindDirection >= 0.0 && info.OnGroundWindDirection <= 360.0))
    return "edtD0";
  if (!number(f.V0, info.OnGroundWindVelocity) ||
      !(info.OnGroundWindVelocity >= 0.0 && info.OnGroundWindVelocity <= 33.0))
    return "edtV0";
  if (f.Clouds.size() != 5 || HasControlByte(f.Clouds)) return "edtClouds";
  info.NebulosityCode = f.Clouds;
  if (!f.RaRa.empty()) {
    if (f.RaRa.size() != 2 || HasControlByte(f.RaRa)) return "edtRaRa";
    // Two characters may carry a sign: a type of -1 read from a file must save again.
    const auto type = TextToInt(f.RaRa, std::numeric_limits<std::int32_t>::min(),
                                std::numeric_limits<std::int32_t>::max());
    if (!type) return "edtRaRa";
    info.RadioZondType = static_cast<std::int32_t>(*type);
  }
  return std::nullopt;
}

std::string FormatNewInfo(const InitialData& info, int zoneHours) {
  static const char* const order[] = {
      "StationSynopticIndex", "StationLongitude", "StationLattitude", "StationHeightAboveSeaLevel",
      "OnGroundPressure", "OnGroundWindDirection", "OnGroundWindVelocity", "OnGroundHumidityError",
      "OnGroundTemperatureError", "StartYear", "StartMonth", "StartDay", "StartHour", "StartMinute",
      "NebulosityCode"};
  const WrittenInfo w(info, zoneHours);
  std::string out;
  for (const char* key : order) out += w.Line(key) + kCrLf;
  if (w.HasType()) out += w.Line("RadioZondType") + kCrLf;
  // The unknown lines and the radar height are written whatever the radiosonde
  // type: leaving them out would lose them from every new copy of the flight.
  for (const auto& line : info.ExtraLines) out += line + kCrLf;
  if (w.HasRadarHeight()) out += w.Line("RadarAboveStationExeeding") + kCrLf;
  return out;
}

std::string UpdateInfoBytes(std::string_view oldBytes, const InitialData& info, int zoneHours) {
  static const char* const order[] = {
      "StationSynopticIndex", "StationLongitude", "StationLattitude", "OnGroundWindDirection",
      "StationHeightAboveSeaLevel", "OnGroundPressure", "OnGroundWindVelocity",
      "OnGroundHumidityError", "OnGroundTemperatureError", "StartYear", "StartMonth", "StartDay",
      "StartHour", "StartMinute", "NebulosityCode", "RadioZondType", "RadarAboveStationExeeding"};
  const WrittenInfo w(info, zoneHours);
  std::string out;
  out.reserve(oldBytes.size() + 64);
  for (std::string_view old : SplitLines(oldBytes)) {
    // Keys are sought in the line as read, not in what an earlier key made of it,
    // so the last key of the order whose line is written decides.
    std::string line(old);
    for (const char* key : order) {
      if (old.find(key) == std::string_view::npos) continue;
      const std::string_view k(key);
      if (k == "RadioZondType" && !w.HasType()) continue;
      if (k == "RadarAboveStationExeeding" && !w.HasRadarHeight()) continue;
      line = w.Line(k);
    }
    out += line + kCrLf;
  }
  return out;
}

}  // namespace dv

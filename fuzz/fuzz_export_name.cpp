// The names a flight is copied out under. For any start fields, start folder
// and zone answer:
// - the zone answer is a whole number exactly when it reads back from its own
//   decimal text, and is let through within 12 hours either way, to the ends
//   of int;
// - an export name is made exactly when the start fields form a date; it is the
//   start folder followed by a dotted flight name without a folder of its own,
//   and the time read back from it (as .info, .tu, .crd and their originals) is
//   the launch moment moved back by the zone;
// - the work name is the processing folder followed by the flight's file name.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/DateTime.h"
#include "common/Helpers.h"
#include "export/Export.h"
#include "flight/FlightName.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_export_name: %s\n", what);
  std::abort();
}

// Mostly a field within its range, sometimes anything.
std::uint16_t StartField(FuzzedDataProvider& in, int low, int high) {
  if (in.ConsumeIntegralInRange<int>(0, 15) == 0) return in.ConsumeIntegral<std::uint16_t>();
  return static_cast<std::uint16_t>(in.ConsumeIntegralInRange<int>(low, high));
}

void CheckZoneAnswer(const std::string& answer) {
  const auto zone = dv::ParseZoneHours(answer);
  const auto asInt = dv::TextToInt(answer, INT32_MIN, INT32_MAX);
  if (zone.has_value() != asInt.has_value() || (zone && *zone != *asInt))
    Fail("zone answer is not its whole number");
  if (!zone) return;
  if (dv::ParseZoneHours(std::to_string(*zone)) != zone)
    Fail("zone does not read back from its text");
  if (dv::ParseZoneHours(" " + std::to_string(*zone) + "\t") != zone)
    Fail("zone with blanks reads otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  dv::InitialData info;
  info.StartYear = StartField(in, 1, 9999);
  info.StartMonth = StartField(in, 1, 12);
  info.StartDay = StartField(in, 1, 31);
  info.StartHour = StartField(in, 0, 23);
  info.StartMinute = StartField(in, 0, 59);
  const int zoneChoice = in.ConsumeIntegralInRange<int>(-dv::kMaxZoneHours, dv::kMaxZoneHours);

  const std::string answer = in.ConsumeRandomLengthString(24);
  const std::string folder = in.ConsumeRandomLengthString(48);
  const std::string flightBase = in.ConsumeRandomLengthString(64);
  CheckZoneAnswer(answer);

  // The window goes on only with a whole number of at most 12 hours either way.
  int zone = zoneChoice;
  if (const auto typed = dv::ParseZoneHours(answer)) {
    const bool inRange = *typed >= -dv::kMaxZoneHours && *typed <= dv::kMaxZoneHours;
    if (dv::ZoneHoursAllowed(*typed) != inRange) Fail("zone limit is not plus or minus 12 hours");
    if (inRange) zone = *typed;
  }

  // The start folder always ends in a separator; the names in it are our own.
  const std::string startDir = dv::IncludeTrailingPathDelimiter(folder);
  const auto start = info.StartTime();
  const auto base = dv::ExportBase(startDir, info, zone);
  if (start.has_value() != base.has_value())
    Fail("export name made without a start, or not made with one");

  const std::string work = dv::WorkBase(startDir, flightBase);
  if (work != startDir + dv::ExtractFileName(flightBase))
    Fail("work name is not the folder and the file name");

  if (!base) return 0;
  if (base->rfind(startDir, 0) != 0) Fail("export name is not in the start folder");
  const std::string name = base->substr(startDir.size());
  if (name.empty()) Fail("empty export name");
  for (char c : name)
    if (dv::IsPathSeparator(c)) Fail("export name has a folder of its own");
  if (dv::ExtractFilePath(*base + ".info") != startDir) Fail("export name lies in another folder");

  const dv::DateTime utc = dv::AddSeconds(*start, -3600LL * zone);
  // A launch moment outside years 1..9999 has no name; the start fields of a
  // real flight are far from either end.
  const dv::DateTimeParts p = dv::DecodeDateTime(utc);
  if (p.year < 1 || p.year > 9999) return 0;
  if (name != dv::DottedFlightName(utc))
    Fail("export name is not the dotted name of the UTC moment");
  for (const char* ext : {".info", ".tu", ".crd", ".org.info", ".org.tu", ".org.crd"}) {
    try {
      if (dv::FlightTimeFromName(*base + ext) != utc)
        Fail("export name reads back to another moment");
    } catch (const dv::FlightNameError&) {
      Fail("export name does not read back");
    }
  }
  return 0;
}

// Flight names: any name gives a date-time or FlightNameError; a time that was
// read writes out as a dotted name that reads back to the same time.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "flight/FlightName.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_flight_name: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  dv::DateTime t;
  try {
    t = dv::FlightTimeFromName(name);
  } catch (const dv::FlightNameError&) {
    return 0;
  }
  if (t == dv::DateTime{}) return 0;  // no "-" in the name

  const dv::DateTimeParts p = dv::DecodeDateTime(t);
  const auto again = dv::EncodeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second);
  if (!again || *again != t) Fail("date-time does not decode and encode back");

  const std::string dotted = dv::DottedFlightName(t) + ".info";
  try {
    if (dv::FlightTimeFromName(dotted) != t) Fail("dotted name reads back to another time");
    if (dv::FlightTimeFromName(dv::DottedFlightName(t) + ".org.tu") != t)
      Fail("dotted original's name reads back to another time");
  } catch (const dv::FlightNameError&) {
    Fail("dotted name of a read time is refused");
  }
  return 0;
}

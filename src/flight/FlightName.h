#pragma once
// The launch date and time carried in a flight's file name:
// compact "yyyymmdd-hhnn..." or dotted "d.m.yyyy-h.n".

#include <stdexcept>
#include <string>
#include <string_view>

#include "common/DateTime.h"

namespace dv {

class FlightNameError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The date and time of the name, or the zero date-time when the name has no "-".
// Raises FlightNameError when a name with a "-" fits neither shape.
DateTime FlightTimeFromName(std::string_view fileName);

// The dotted name "d.m.yyyy-h.n" of a date-time (no leading zeros).
std::string DottedFlightName(DateTime value);

}  // namespace dv

#pragma once
// Calendar date and time of day to the minute, as carried in flight names and
// the .info start fields. Counted in seconds from 30 December 1899 00:00, so that
// the zero value is the "no date" time that is earlier than any real launch.

#include <cstdint>
#include <optional>

namespace dv {

struct DateTime {
  std::int64_t seconds = 0;  // seconds since 1899-12-30 00:00:00

  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

struct DateTimeParts {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A valid date (years 1..9999) and time of day (hour < 24, minute < 60, second < 60),
// or nothing.
std::optional<DateTime> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                       int second = 0);
DateTimeParts DecodeDateTime(DateTime value);
DateTime AddSeconds(DateTime value, std::int64_t seconds);

}  // namespace dv

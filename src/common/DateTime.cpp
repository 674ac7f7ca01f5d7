#include "common/DateTime.h"

#include <chrono>

namespace dv {

namespace {
using namespace std::chrono;

constexpr sys_days kEpoch = sys_days{year{1899} / December / 30};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
}  // namespace

std::optional<DateTime> EncodeDateTime(int y, int m, int d, int hh, int mm, int ss) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
  if (hh < 0 || hh >= 24 || mm < 0 || mm >= 60 || ss < 0 || ss >= 60) return std::nullopt;
  const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) return std::nullopt;
  const auto days = (sys_days{ymd} - kEpoch).count();
  return DateTime{static_cast<std::int64_t>(days) * 86400 + hh * 3600 + mm * 60 + ss};
}

DateTimeParts DecodeDateTime(DateTime value) {
  const std::int64_t days = FloorDiv(value.seconds, 86400);
  const std::int64_t rest = value.seconds - days * 86400;
  const year_month_day ymd{kEpoch + std::chrono::days{days}};
  DateTimeParts p;
  p.year = static_cast<int>(ymd.year());
  p.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  p.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  p.hour = static_cast<int>(rest / 3600);
  p.minute = static_cast<int>(rest % 3600 / 60);
  p.second = static_cast<int>(rest % 60);
  return p;
}

DateTime AddSeconds(DateTime value, std::int64_t seconds) { return DateTime{value.seconds + seconds}; }

}  // namespace dv

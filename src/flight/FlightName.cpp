#include "flight/FlightName.h"

#include "common/Helpers.h"

namespace dv {

namespace {

// The whole piece must be a decimal number from 0 to 65535. Its length is free,
// so leading zeros are; the value is checked as it grows and so cannot wrap.
int Piece(std::string_view piece) {
  if (piece.empty()) throw FlightNameError("Неверное имя выпуска");
  int value = 0;
  for (char c : piece) {
    if (c < '0' || c > '9') throw FlightNameError("Неверное имя выпуска");
    value = value * 10 + (c - '0');
    if (value > 65535) throw FlightNameError("Неверное имя выпуска");
  }
  return value;
}

// Characters [from, from+count) counted from 1, as far as the text reaches.
std::string_view Copy(std::string_view s, std::size_t from, std::size_t count) {
  if (from < 1 || from > s.size()) return {};
  return s.substr(from - 1, count);
}

}  // namespace

DateTime FlightTimeFromName(std::string_view fileName) {
  std::string name = NameWithoutExt(fileName);
  if (name.find("org") != std::string::npos) name = NameWithoutExt(name);

  const auto dash = name.find('-');
  if (dash == std::string::npos) return DateTime{};
  const std::string_view all(name);
  const std::string_view datePart = all.substr(0, dash);

  int year, month, day, hour, minute;
  if (datePart.find('.') == std::string_view::npos) {
    year = Piece(Copy(datePart, 1, 4));
    month = Piece(Copy(datePart, 5, 2));
    day = Piece(Copy(datePart, 7, 2));
    hour = Piece(Copy(all, 10, 2));
    minute = Piece(Copy(all, 12, 2));
  } else {
    const auto first = datePart.find('.');
    const auto last = datePart.rfind('.');
    day = Piece(datePart.substr(0, first));
    month = Piece(first < last ? datePart.substr(first + 1, last - first - 1) : std::string_view{});
    year = Piece(datePart.substr(last + 1));
    const std::string_view timePart = all.substr(dash + 1);
    const auto point = timePart.find('.');
    hour = Piece(timePart.substr(0, point));
    minute = Piece(point == std::string_view::npos ? std::string_view{} : timePart.substr(point + 1));
  }
  const auto value = EncodeDateTime(year, month, day, hour, minute);
  if (!value) throw FlightNameError("Неверная дата или время в имени выпуска");
  return *value;
}

std::string DottedFlightName(DateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  return std::to_string(p.day) + "." + std::to_string(p.month) + "." + std::to_string(p.year) +
         "-" + std::to_string(p.hour) + "." + std::to_string(p.minute);
}

}  // namespace dv

#pragma once
// Locale-free number and name helpers used by every reader and writer.
// All conversions use "." as the decimal separator whatever the process locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dv {

// Fixed-point text of `value` with `decimals` digits after ".", rounded to nearest,
// an exact half away from zero (2.5 gives "3", -0.125 with 2 decimals "-0.13").
// `width` only pads with leading blanks, which are stripped again, so it never shows.
// A zero result never carries a minus sign ("-0.00" is written as "0.00").
// Non-finite values give "NAN", "INF" or "-INF".
std::string FormatFixed(double value, int width, int decimals);
// The same text appended to `out`, without a temporary string (the file writers' path).
void AppendFixed(std::string& out, double value, int decimals);

// Whole text as a real number ("." separator, optional sign and exponent).
// Surrounding blanks are allowed; "nan", "inf", hex and overflowing values are not.
std::optional<double> TextToReal(std::string_view text);

// Whole text as a decimal integer in -32768..32767; surrounding blanks are allowed.
std::optional<std::int16_t> TextToInt16(std::string_view text);

// Whole text as a decimal integer in [minValue, maxValue]; surrounding blanks allowed.
std::optional<std::int64_t> TextToInt(std::string_view text, std::int64_t minValue,
                                      std::int64_t maxValue);

// Strict real-number token parser shared by the point-file readers: the whole
// token must be [+-]digits[.digits][(e|E)[+-]digits] with at least one mantissa digit.
// Values beyond the double range are refused; values too small for it become 0.
std::optional<double> ParseRealToken(std::string_view token);
// The number of that grammar at the start of [first, last), parsed in one pass:
// returns where it ends (the caller checks what follows), or nullptr when none
// starts there or it overflows.
const char* ScanRealSlowly(const char* first, const char* last, double& value);
inline const char* ScanReal(const char* first, const char* last, double& value) {
  // The files' usual numbers ("7200.00", "-0.123456"), here where the readers'
  // loop can inline them: digits, a point, digits, no exponent. With at most 15
  // digits the integer and the power of ten are exact doubles, so one division
  // gives the correctly rounded value, the same as from_chars.
  static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                      1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* q = first;
  const bool negative = q != last && *q == '-';
  if (q != last && (*q == '-' || *q == '+')) ++q;
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  while (q != last && static_cast<unsigned char>(*q - '0') < 10) {
    mantissa = mantissa * 10 + static_cast<unsigned char>(*q++ - '0');
    ++digits;
  }
  if (q != last && *q == '.') {
    ++q;
    while (q != last && static_cast<unsigned char>(*q - '0') < 10) {
      mantissa = mantissa * 10 + static_cast<unsigned char>(*q++ - '0');
      ++digits, ++decimals;
    }
  }
  if (digits == 0 || digits > 15 || (q != last && (*q == 'e' || *q == 'E'))) return ScanRealSlowly(first, last, value);
  value = static_cast<double>(mantissa) / kPow10[decimals];
  if (negative) value = -value;
  return q;
}

// File-name part of `path` with everything from its last "." removed.
std::string NameWithoutExt(std::string_view path);

// Folder part of `path` including its trailing separator ("" when there is none).
std::string ExtractFilePath(std::string_view path);
// File-name part of `path` (after the last separator).
std::string ExtractFileName(std::string_view path);
// `path` without its last extension (folder kept); unchanged when the name has no ".".
std::string ChangeFileExtToNone(std::string_view path);
// `dir` with the platform separator appended when it does not already end in one.
std::string IncludeTrailingPathDelimiter(std::string_view dir);

// Blanks and control characters (bytes <= ' ') removed from both ends.
std::string_view Trim(std::string_view text);

bool IsPathSeparator(char c);
extern const char PathSeparator;

}  // namespace dv

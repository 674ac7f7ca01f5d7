#include "common/Helpers.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <limits>
#include <system_error>

namespace dv {

#ifdef _WIN32
const char PathSeparator = '\\';
#else
const char PathSeparator = '/';
#endif

bool IsPathSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

namespace {

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// True when `value` lies exactly on a printed half at `decimals`, that is, when it
// is an odd multiple of 2^-(decimals+1) (the only halves a binary value can hold).
// Scaling by a power of two is exact, and so is fmod.
bool IsExactHalf(double value, int decimals) {
  if (decimals > 1074) return false;  // finer than the smallest double
  return std::fmod(std::ldexp(std::fabs(value), decimals + 1), 2.0) == 1.0;
}

// Exact-rounding fallback: the decimal expansion of the stored binary value,
// with an exact half rounded away from zero as observers do (to_chars would
// round it to even).
void AppendFixedSlow(std::string& out, double value, int decimals) {
  // 1e308 with 18 decimals needs about 330 characters.
  std::array<char, 400> buf{};
  const bool half = IsExactHalf(value, decimals);
  // A half has exactly one digit more than asked, a final 5, so that many
  // digits print it exactly; the 5 is then dropped and the rest rounded up.
  auto [end, ec] = std::to_chars(buf.data() + 1, buf.data() + buf.size(), value,
                                 std::chars_format::fixed, half ? decimals + 1 : decimals);
  if (ec != std::errc{}) {
    out += "NAN";
    return;
  }
  char* begin = buf.data() + 1;  // buf[0] is kept for a carry into a new digit
  if (half) {
    end -= decimals == 0 ? 2 : 1;  // the 5, and the point when no decimals are asked
    char* p = end - 1;
    for (; p >= begin && (*p == '9' || *p == '.'); --p) {
      if (*p == '9') *p = '0';
    }
    if (p >= begin && *p != '-') {
      ++*p;
    } else {
      // Every digit carried (9.5 gives 10): a new leading 1, after the sign if any.
      const bool negative = p >= begin;
      --begin;
      if (negative) begin[0] = '-';
      begin[negative ? 1 : 0] = '1';
    }
  }
  const std::string_view text(begin, static_cast<std::size_t>(end - begin));
  if (text.front() == '-' && text.find_first_not_of("0.", 1) == std::string_view::npos) {
    out.append(text.substr(1));  // a value rounded to zero is written without its sign
  } else {
    out.append(text);
  }
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-INF" : "INF";
    return;
  }
  if (decimals < 0) decimals = 0;
  // Fast path for the everyday magnitudes: scale, round, print the integer.
  // Where the scaled value lies near a half, the product may have rounded across
  // it, so those few cases take the exact path.
  if (decimals <= 9) {
    const double scaled = std::fabs(value) * kPow10[decimals];
    if (scaled < 1e9) {  // the product is then within 1.2e-7 of the exact value
      const double whole = std::floor(scaled);
      const double frac = scaled - whole;
      if (std::fabs(frac - 0.5) > 1e-6) {
        const auto digits = static_cast<std::uint64_t>(frac > 0.5 ? whole + 1 : whole);
        std::array<char, 32> buf{};
        char* p = buf.data() + buf.size();
        std::uint64_t v = digits;
        int written = 0;
        do {
          *--p = static_cast<char>('0' + v % 10);
          v /= 10;
          if (++written == decimals) *--p = '.';
        } while (v != 0 || written <= decimals);
        if (value < 0 && digits != 0) *--p = '-';
        out.append(p, static_cast<std::size_t>(buf.data() + buf.size() - p));
        return;
      }
    }
  }
  AppendFixedSlow(out, value, decimals);
}

std::string FormatFixed(double value, int /*width*/, int decimals) {
  std::string text;
  AppendFixed(text, value, decimals);
  return text;
}

std::string_view Trim(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal order of magnitude of an unsigned, already validated number text
// (saturating, so that an absurd exponent cannot overflow the sum).
static long long DecimalOrder(std::string_view number) {
  long long order = 0;
  bool found = false;
  std::size_t i = 0;
  for (; i < number.size() && IsDigit(number[i]); ++i) {
    if (!found && number[i] != '0') {
      found = true;
      order = 0;
    } else if (found) {
      ++order;
    }
  }
  if (i < number.size() && number[i] == '.') {
    ++i;
    long long k = 0;
    for (; i < number.size() && IsDigit(number[i]); ++i, ++k) {
      if (!found && number[i] != '0') {
        found = true;
        order = -(k + 1);
      }
    }
  }
  if (!found) return std::numeric_limits<long long>::min();
  long long exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    ++i;
    bool neg = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) neg = number[i++] == '-';
    for (; i < number.size() && IsDigit(number[i]); ++i) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (number[i] - '0');
    }
    if (neg) exponent = -exponent;
  }
  return order + exponent;
}

const char* ScanRealSlowly(const char* first, const char* last, double& value) {
  const char* p = first;
  bool negative = false;
  if (p != last && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  // from_chars would also take "inf", "nan" and a second sign: only a digit or
  // a point may start the number itself.
  if (p == last || !(IsDigit(*p) || *p == '.')) return nullptr;
  const auto [end, ec] = std::from_chars(p, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Overflow is refused; a value too small for a double is taken as zero.
    if (DecimalOrder(std::string_view(p, static_cast<std::size_t>(end - p))) >= 0) return nullptr;
    value = 0.0;
  } else if (ec != std::errc{}) {
    return nullptr;  // no mantissa digit: "." or ".e5"
  }
  if (negative) value = -value;
  return end;
}

std::optional<double> ParseRealToken(std::string_view token) {
  double value = 0.0;
  const char* last = token.data() + token.size();
  if (ScanReal(token.data(), last, value) != last) return std::nullopt;
  return value;
}

std::optional<double> TextToReal(std::string_view text) {
  return ParseRealToken(Trim(text));
}

std::optional<std::int64_t> TextToInt(std::string_view text, std::int64_t minValue,
                                      std::int64_t maxValue) {
  std::string_view t = Trim(text);
  bool negative = false;
  std::size_t i = 0;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return std::nullopt;
  std::uint64_t magnitude = 0;
  auto [ptr, ec] = std::from_chars(t.data() + i, t.data() + t.size(), magnitude, 10);
  if (ec != std::errc{} || ptr != t.data() + t.size()) return std::nullopt;
  constexpr std::uint64_t limit = std::uint64_t{1} << 62;
  if (magnitude > limit) return std::nullopt;
  const std::int64_t value =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  if (value < minValue || value > maxValue) return std::nullopt;
  return value;
}

std::optional<std::int16_t> TextToInt16(std::string_view text) {
  auto v = TextToInt(text, std::numeric_limits<std::int16_t>::min(),
                     std::numeric_limits<std::int16_t>::max());
  if (!v) return std::nullopt;
  return static_cast<std::int16_t>(*v);
}

std::string ExtractFileName(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathSeparator(path[i - 1])) --i;
  return std::string(path.substr(i));
}

std::string ExtractFilePath(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathSeparator(path[i - 1])) --i;
  return std::string(path.substr(0, i));
}

std::string NameWithoutExt(std::string_view path) {
  std::string name = ExtractFileName(path);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string ChangeFileExtToNone(std::string_view path) {
  return ExtractFilePath(path) + NameWithoutExt(path);
}

std::string IncludeTrailingPathDelimiter(std::string_view dir) {
  std::string d(dir);
  if (d.empty() || !IsPathSeparator(d.back())) d += PathSeparator;
  return d;
}

}  // namespace dv

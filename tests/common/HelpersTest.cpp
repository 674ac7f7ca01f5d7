#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <charconv>
#include <clocale>
#include <cmath>
#include <locale>
#include <random>

#include "common/DateTime.h"
#include "common/Helpers.h"

using namespace dv;

namespace {

// Switches the C and C++ locales to one with a decimal comma for one test.
class CommaLocale {
 public:
  CommaLocale() {
    old_ = std::setlocale(LC_ALL, nullptr);
#ifdef _WIN32
    // The Windows C runtime's own name of the Russian locale.
    active_ = std::setlocale(LC_ALL, "Russian_Russia.1251") != nullptr;
#else
    active_ = std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr;
#endif
    struct Comma : std::numpunct<char> {
      char do_decimal_point() const override { return ','; }
    };
    oldCpp_ = std::locale::global(std::locale(std::locale::classic(), new Comma));
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, old_.c_str());
    std::locale::global(oldCpp_);
  }
  bool cLocaleHasComma() const { return active_ && *std::localeconv()->decimal_point == ','; }

 private:
  std::string old_;
  std::locale oldCpp_;
  bool active_ = false;
};

}  // namespace

TEST(FormatFixed, RoundsToTheGivenDecimalsWithoutBlanks) {
  EXPECT_EQ(FormatFixed(10.004, 0, 2), "10.00");
  EXPECT_EQ(FormatFixed(-5.5, 0, 2), "-5.50");
  EXPECT_EQ(FormatFixed(100, 0, 2), "100.00");
  EXPECT_EQ(FormatFixed(1013.26, 12, 1), "1013.3");
  EXPECT_EQ(FormatFixed(-999, 0, 3), "-999.000");
  EXPECT_EQ(FormatFixed(3.14159265358979, 0, 6), "3.141593");
  EXPECT_EQ(FormatFixed(17.6, 0, 0), "18");
  // The width only ever added blanks, which are stripped.
  EXPECT_EQ(FormatFixed(1.5, 10, 1), "1.5");
  // Zero has no sign, however it was reached.
  EXPECT_EQ(FormatFixed(-0.0, 0, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.004, 0, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.005001, 0, 2), "-0.01");
  // No exponent even for large values.
  EXPECT_EQ(FormatFixed(1e20, 0, 0), "100000000000000000000");
  EXPECT_EQ(FormatFixed(std::nan(""), 0, 2), "NAN");
  EXPECT_EQ(FormatFixed(-INFINITY, 0, 2), "-INF");
}

TEST(TextToReal, AcceptsOnlyWholeNumbers) {
  EXPECT_EQ(TextToReal("1013.2"), 1013.2);
  EXPECT_EQ(TextToReal("-12"), -12.0);
  EXPECT_EQ(TextToReal("+3.5e2"), 350.0);
  EXPECT_EQ(TextToReal(" 7.25 "), 7.25);  // surrounding blanks are not part of the number
  EXPECT_EQ(TextToReal(".5"), 0.5);
  EXPECT_EQ(TextToReal("5."), 5.0);
  EXPECT_EQ(TextToReal("1e-999"), 0.0);  // too small for a double: zero
  EXPECT_TRUE(std::signbit(*TextToReal("-0")));
  for (const char* bad : {"", " ", "1,5", "1.5x", "x1", "1e", "e5", "--1", "+-1", "1e999", "-1e999",
                          "nan", "inf", "0x10", "1 2", "1..2", "."}) {
    EXPECT_FALSE(TextToReal(bad).has_value()) << bad;
  }
}

// Plain decimals take a shortcut; it must give the correctly rounded value, bit
// for bit what the C library gives, at every length around its limits.
TEST(ParseRealToken, PlainDecimalsAreRoundedCorrectly) {
  std::mt19937_64 random(12);
  for (int n = 0; n < 200000; ++n) {
    const int digits = 1 + static_cast<int>(random() % 17);
    const int decimals = static_cast<int>(random() % (digits + 1));
    std::string text = random() % 2 ? "-" : "";
    for (int i = 0; i < digits; ++i) {
      if (i == digits - decimals) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    const auto ours = ParseRealToken(text);
    ASSERT_TRUE(ours) << text;
    const double reference = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*ours), std::bit_cast<std::uint64_t>(reference)) << text;
  }
  EXPECT_EQ(ParseRealToken("0.1"), 0.1);
  EXPECT_EQ(ParseRealToken("123456789012345"), 123456789012345.0);
  EXPECT_EQ(ParseRealToken("9007199254740993"), 9007199254740992.0);  // 16 digits: the long way, rounded to even
  EXPECT_TRUE(std::signbit(*ParseRealToken("-0.00")));
}

TEST(TextToInt16, RangeAndSyntax) {
  EXPECT_EQ(TextToInt16("32767"), 32767);
  EXPECT_EQ(TextToInt16("-32768"), -32768);
  EXPECT_EQ(TextToInt16(" 300"), 300);
  EXPECT_FALSE(TextToInt16("32768"));
  EXPECT_FALSE(TextToInt16("-32769"));
  EXPECT_FALSE(TextToInt16("1.0"));
  EXPECT_FALSE(TextToInt16(""));
  EXPECT_FALSE(TextToInt16("-"));
  EXPECT_FALSE(TextToInt16("99999999999999999999999"));
}

TEST(Helpers, StayPointSeparatedUnderACommaLocale) {
  CommaLocale comma;
  if (!comma.cLocaleHasComma()) {
    ADD_FAILURE() << "ru_RU.UTF-8 is not installed (scripts/install-deps.sh makes it)";
  }
  EXPECT_EQ(FormatFixed(1.5, 0, 2), "1.50");
  EXPECT_EQ(FormatFixed(-1234567.891, 0, 3), "-1234567.891");
  EXPECT_EQ(TextToReal("1.5"), 1.5);
  EXPECT_FALSE(TextToReal("1,5"));
  EXPECT_EQ(ParseRealToken("2.5e-400"), 0.0);
}

TEST(NameWithoutExt, TakesTheNameAndDropsTheLastExtension) {
  EXPECT_EQ(NameWithoutExt("/data/arc/12.6.2005-11.30.info"), "12.6.2005-11.30");
  EXPECT_EQ(NameWithoutExt("/data/arc/20061005-1230.org.info"), "20061005-1230.org");
  EXPECT_EQ(NameWithoutExt("station"), "station");
  EXPECT_EQ(NameWithoutExt("/data/a.b/plain"), "plain");  // a point in a folder name does not count
  EXPECT_EQ(NameWithoutExt(""), "");
  EXPECT_EQ(ChangeFileExtToNone("/x/a.b.info"), "/x/a.b");
  EXPECT_EQ(ExtractFilePath("/x/y/a.info"), "/x/y/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/x"), std::string("/x") + PathSeparator);
  EXPECT_EQ(IncludeTrailingPathDelimiter("/x/"), "/x/");
}

TEST(ExtractFilePath, KeepsEverythingUpToTheLastSeparator) {
  const std::string sep(1, PathSeparator);
  // No separator at all: the name has no folder part.
  EXPECT_EQ(ExtractFilePath("a.info"), "");
  EXPECT_EQ(ExtractFilePath("a"), "");
  EXPECT_EQ(ExtractFilePath(""), "");
  // A separator as the first character: the folder is the root alone.
  EXPECT_EQ(ExtractFilePath(sep + "a.info"), sep);
  EXPECT_EQ(ExtractFilePath(sep), sep);
  // A separator as the last character: the whole text is the folder.
  EXPECT_EQ(ExtractFilePath("x" + sep), "x" + sep);
  EXPECT_EQ(ExtractFilePath(sep + "x" + sep + sep), sep + "x" + sep + sep);
  EXPECT_EQ(ExtractFilePath("x" + sep + "a"), "x" + sep);
#ifdef _WIN32
  EXPECT_EQ(ExtractFilePath("\\a.info"), "\\");
  EXPECT_EQ(ExtractFilePath("C:a.info"), "C:");
#else
  // A backslash is an ordinary name character here.
  EXPECT_EQ(ExtractFilePath("\\a.info"), "");
  EXPECT_EQ(ExtractFilePath("x/\\a.info"), "x/");
#endif
  // The file-name half splits at the same place.
  EXPECT_EQ(ExtractFileName(sep + "a.info"), "a.info");
  EXPECT_EQ(ExtractFileName("a.info"), "a.info");
  EXPECT_EQ(ExtractFileName("x" + sep), "");
}

TEST(DateTime, EncodesValidatesAndShiftsAcrossYearEnds) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30, 0, 0)->seconds, 0);
  EXPECT_FALSE(EncodeDateTime(0, 1, 1, 0, 0));
  EXPECT_FALSE(EncodeDateTime(2010, 2, 29, 0, 0));
  EXPECT_TRUE(EncodeDateTime(2012, 2, 29, 0, 0));
  EXPECT_FALSE(EncodeDateTime(2010, 13, 1, 0, 0));
  EXPECT_FALSE(EncodeDateTime(2010, 1, 1, 24, 0));
  EXPECT_FALSE(EncodeDateTime(2010, 1, 1, 0, 60));
  const auto t = AddSeconds(*EncodeDateTime(2011, 1, 1, 1, 30), -3 * 3600);
  const auto p = DecodeDateTime(t);
  EXPECT_EQ(p.year, 2010);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.hour, 22);
  EXPECT_EQ(p.minute, 30);
}

namespace {

// The reference rounding, done on the decimal digits: the exact expansion of the
// stored binary value, rounded half away from zero, without a sign on zero.
std::string ExactHalfAwayFromZero(double v, int decimals) {
  int exponent = 0;
  std::frexp(v, &exponent);
  // With this many digits the expansion of a double of 53 bits is exact.
  const int digits = std::max(decimals + 1, 53 - exponent);
  std::string buf(2000, '\0');
  auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, digits);
  EXPECT_EQ(ec, std::errc{});
  std::string text(buf.data(), end);
  const bool firstDroppedAtLeastFive = text[text.size() - (digits - decimals)] >= '5';
  text.erase(text.size() - (digits - decimals) - (decimals == 0 ? 1 : 0));
  if (firstDroppedAtLeastFive) {
    std::size_t i = text.size();
    while (i > 0) {
      --i;
      if (text[i] == '.') continue;
      if (text[i] == '-') {
        ++i;
        break;
      }
      if (text[i] != '9') {
        ++text[i];
        break;
      }
      text[i] = '0';
      if (i == 0 || text[i - 1] == '-') {
        text.insert(i, "1");
        break;
      }
    }
  }
  if (text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
  return text;
}

}  // namespace

TEST(FormatFixed, RoundsExactHalvesAwayFromZero) {
  // Observers round a printed half up in magnitude, not to an even digit.
  EXPECT_EQ(FormatFixed(1013.25, 0, 1), "1013.3");
  EXPECT_EQ(FormatFixed(2.5, 0, 0), "3");
  EXPECT_EQ(FormatFixed(-2.5, 0, 0), "-3");
  EXPECT_EQ(FormatFixed(0.125, 0, 2), "0.13");
  EXPECT_EQ(FormatFixed(-0.125, 0, 2), "-0.13");
  EXPECT_EQ(FormatFixed(0.5, 0, 0), "1");
  EXPECT_EQ(FormatFixed(-0.5, 0, 0), "-1");
  EXPECT_EQ(FormatFixed(9.5, 0, 0), "10");  // the carry makes a new digit
  EXPECT_EQ(FormatFixed(-999.5, 0, 0), "-1000");
  EXPECT_EQ(FormatFixed(-0.9375, 0, 3), "-0.938");
  EXPECT_EQ(FormatFixed(9.96875, 0, 4), "9.9688");
  EXPECT_EQ(FormatFixed(-99.95, 0, 1), "-100.0");  // not a half in binary: just above it
  EXPECT_EQ(FormatFixed(1e15 + 0.5, 0, 0), "1000000000000001");  // beyond the fast path
  EXPECT_EQ(FormatFixed(0.00048828125, 0, 10), "0.0004882813");  // 2^-11, beyond it too
  // Only exact halves: a value just below one, or one whose binary value lies
  // below the printed half, rounds down.
  EXPECT_EQ(FormatFixed(1013.2499999, 0, 1), "1013.2");
  EXPECT_EQ(FormatFixed(0.15, 0, 1), "0.1");
  EXPECT_EQ(FormatFixed(std::nextafter(2.5, 0.0), 0, 0), "2");
  EXPECT_EQ(FormatFixed(-0.0049, 0, 2), "0.00");
  // The writers' path appends the same text.
  std::string out = "x";
  AppendFixed(out, 1013.25, 1);
  AppendFixed(out, -2.5, 0);
  EXPECT_EQ(out, "x1013.3-3");
}

TEST(FormatFixed, CarriesAndDigitCountsAtPowersOfTen) {
  // Rounding up across a power of ten gives the value one more integer digit;
  // the expected texts are the exact binary values rounded half away from zero.
  EXPECT_EQ(FormatFixed(9.9951, 0, 2), "10.00");
  EXPECT_EQ(FormatFixed(-9.9951, 0, 2), "-10.00");
  EXPECT_EQ(FormatFixed(9.9999, 0, 3), "10.000");
  EXPECT_EQ(FormatFixed(10, 0, 2), "10.00");
  EXPECT_EQ(FormatFixed(10, 0, 0), "10");
  EXPECT_EQ(FormatFixed(100, 0, 1), "100.0");
  EXPECT_EQ(FormatFixed(99.9951, 0, 2), "100.00");
  EXPECT_EQ(FormatFixed(-99.9951, 0, 2), "-100.00");
  EXPECT_EQ(FormatFixed(99999.99996, 0, 4), "100000.0000");
  EXPECT_EQ(FormatFixed(999999999.4, 0, 0), "999999999");
  EXPECT_EQ(FormatFixed(999999999.6, 0, 0), "1000000000");
  // Decimal halves are not halves in binary: 9.995 is stored just below its half
  // and 99.995 just above, so they round different ways.
  EXPECT_EQ(FormatFixed(9.995, 0, 2), "9.99");
  EXPECT_EQ(FormatFixed(99.995, 0, 2), "100.00");
  EXPECT_EQ(FormatFixed(0.995, 0, 2), "0.99");
  // Below one the leading zero and every zero after the point are written.
  EXPECT_EQ(FormatFixed(0.9951, 0, 2), "1.00");
  EXPECT_EQ(FormatFixed(-0.9951, 0, 2), "-1.00");
  EXPECT_EQ(FormatFixed(0.09951, 0, 3), "0.100");
  EXPECT_EQ(FormatFixed(0.00001, 0, 5), "0.00001");
  EXPECT_EQ(FormatFixed(0.000004, 0, 5), "0.00000");
  EXPECT_EQ(FormatFixed(1e-9, 0, 9), "0.000000001");
  EXPECT_EQ(FormatFixed(0.999999999, 0, 9), "0.999999999");
  EXPECT_EQ(FormatFixed(1, 0, 9), "1.000000000");
  // Beyond the everyday magnitudes: still every digit, no exponent.
  EXPECT_EQ(FormatFixed(1e15, 0, 2), "1000000000000000.00");
  EXPECT_EQ(FormatFixed(1e16, 0, 0), "10000000000000000");
  EXPECT_EQ(FormatFixed(1e16, 0, 2), "10000000000000000.00");
  EXPECT_EQ(FormatFixed(-1e16, 0, 1), "-10000000000000000.0");
}

TEST(FormatFixed, AgreesWithExactDecimalRounding) {
  // The writers' fast path must give the same text as the exact expansion of the
  // stored binary value rounded half away from zero, including values that sit
  // on a printed half.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> magnitude(-7, 7);
  EXPECT_EQ(ExactHalfAwayFromZero(0.125, 2), "0.13");
  EXPECT_EQ(ExactHalfAwayFromZero(-9.5, 0), "-10");
  EXPECT_EQ(ExactHalfAwayFromZero(0.15, 1), "0.1");
  EXPECT_EQ(ExactHalfAwayFromZero(-0.004, 2), "0.00");
  EXPECT_EQ(ExactHalfAwayFromZero(99.96, 1), "100.0");
  for (int i = 0; i < 200000; ++i) {
    const int decimals = static_cast<int>(rng() % 8);
    double v = std::pow(10.0, magnitude(rng)) * ((rng() & 1) ? -1 : 1);
    if (i % 4 == 0) v = std::round(v * 1000) / 1000 + 0.0005;  // near a half at 3 decimals
    if (i % 4 == 1) v = static_cast<float>(v);                 // telemetry values are floats
    ASSERT_EQ(FormatFixed(v, 0, decimals), ExactHalfAwayFromZero(v, decimals))
        << v << " with " << decimals;
    // The nearest exact half at these decimals: an odd multiple of 2^-(decimals+1).
    double odd = std::floor(std::ldexp(std::fabs(v), decimals + 1));
    if (std::fmod(odd, 2.0) == 0.0) odd += 1.0;
    const double half = std::copysign(std::ldexp(odd, -(decimals + 1)), v);
    ASSERT_EQ(FormatFixed(half, 0, decimals), ExactHalfAwayFromZero(half, decimals))
        << half << " with " << decimals;
  }
}

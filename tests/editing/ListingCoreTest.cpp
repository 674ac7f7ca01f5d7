#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "editing/KeyValidator.h"
#include "editing/Listing.h"

using namespace dv;

TEST(RowTime, TextBeforeTheFirstTabOrBlank) {
  EXPECT_EQ(RowTime("101.50\t-5.00\t80.00"), 101.5);
  EXPECT_EQ(RowTime("  7.25 1 2\r"), 7.25);   // surrounding blanks go first
  EXPECT_EQ(RowTime("12.5"), 0.0);            // neither tab nor blank
  EXPECT_EQ(RowTime(""), 0.0);
  EXPECT_TRUE(std::isnan(RowTime("x1\t2")));  // not a number: bounds no range
  EXPECT_EQ(RowTime("1e3\t0"), 1000.0);
}

namespace {
TSelectedRange Range(int rows, std::set<int> selected, std::function<double(int)> time = [](int r) { return r * 1.0; }) {
  return RangeFromSelection(rows, [&](int r) { return selected.count(r) > 0; }, time);
}
}  // namespace

TEST(RangeFromSelection, FirstContiguousRunAndItsLimits) {
  TSelectedRange r = Range(30, {5, 6, 7, 8, 9, 20, 21, 22});
  EXPECT_EQ(r.StartRow, 5);
  EXPECT_EQ(r.EndRow, 9);
  EXPECT_EQ(r.StartTime, 5.0);
  EXPECT_EQ(r.EndTime, 9.0);
  EXPECT_FALSE(Range(30, {0}).IsSet());
  EXPECT_FALSE(Range(30, {0, 1, 2}).IsSet());  // starts at the surface point
  EXPECT_FALSE(Range(30, {}).IsSet());
  r = Range(30, {28, 29});  // runs to the last row
  EXPECT_EQ(r.EndRow, 29);
  // A run whose last time is smaller: rows swap, times stay ordered.
  r = Range(10, {3, 4}, [](int row) { return row == 3 ? 102.0 : 101.5; });
  EXPECT_EQ(r.StartRow, 4);
  EXPECT_EQ(r.EndRow, 3);
  EXPECT_EQ(r.StartTime, 101.5);
  EXPECT_EQ(r.EndTime, 102.0);
  // [0, 65535): 0 may bound a range, 65535 may not.
  EXPECT_TRUE(Range(5, {1, 2}, [](int) { return 0.0; }).IsSet());
  EXPECT_FALSE(Range(5, {1, 2}, [](int row) { return row == 2 ? 65535.0 : 1.0; }).IsSet());
  EXPECT_FALSE(Range(5, {1, 2}, [](int) { return -0.5; }).IsSet());
}

TEST(TKeyValidator, FiltersByField) {
  using F = TKeyValidator::Filter;
  // 1,5 in a pressure field becomes 1.5; a second point is refused.
  EXPECT_EQ(TKeyValidator::Apply(F::UnsignedReal, ',', "1", 1), '.');
  EXPECT_EQ(TKeyValidator::Apply(F::UnsignedReal, ',', "1.5", 3), 0);
  EXPECT_EQ(TKeyValidator::Apply(F::UnsignedReal, '.', "", 0), '.');
  EXPECT_EQ(TKeyValidator::Apply(F::UnsignedReal, '-', "", 0), 0);
  // Minus only at the caret's position 0 in a signed real.
  EXPECT_EQ(TKeyValidator::Apply(F::SignedReal, '-', "12.5", 0), '-');
  EXPECT_EQ(TKeyValidator::Apply(F::SignedReal, '-', "1", 1), 0);
  // Anywhere, any number of times, in a signed integer.
  EXPECT_EQ(TKeyValidator::Apply(F::SignedInteger, '-', "1-", 2), '-');
  EXPECT_EQ(TKeyValidator::Apply(F::DigitsSlash, '/', "8/7", 3), '/');
  EXPECT_EQ(TKeyValidator::Apply(F::Digits, '/', "", 0), 0);
  for (F f : {F::UnsignedReal, F::DigitsSlash, F::Digits, F::SignedInteger, F::SignedReal}) {
    EXPECT_EQ(TKeyValidator::Apply(f, kBackspace, "1", 1), kBackspace);
    for (char refused : {'\r', ' ', 'a', '\x1b', '\x16', '\x1a'}) EXPECT_EQ(TKeyValidator::Apply(f, refused, "", 0), 0);
  }
}

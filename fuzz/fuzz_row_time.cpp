// Listing rows: the time of any row text, the range any selection makes over
// such rows, and the fixed-point text of any time that was read.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/Helpers.h"
#include "editing/Listing.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_row_time: %s\n", what);
  std::abort();
}

// FormatFixed must give text the strict token parser takes, within half a step.
void CheckFixed(double v) {
  for (int decimals = 0; decimals <= 9; ++decimals) {
    const std::string text = dv::FormatFixed(v, 0, decimals);
    const auto back = dv::ParseRealToken(text);
    if (!back) Fail("FormatFixed text does not parse");
    if (*back == 0.0 && !text.empty() && text[0] == '-') Fail("zero written with a minus sign");
    const double step = 0.5 * std::pow(10.0, -decimals);
    if (std::fabs(*back - v) > step * (1 + 1e-9) + 1e-15 * std::fabs(v)) Fail("FormatFixed off by more than half a step");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  const double t = dv::RowTime(whole);
  if (std::isinf(t)) Fail("row time is infinite");
  if (!std::isnan(t)) CheckFixed(t);
  if (const auto v = dv::TextToReal(whole)) CheckFixed(*v);

  FuzzedDataProvider in(data, size);
  const int rowCount = in.ConsumeIntegralInRange<int>(0, 48);
  std::vector<bool> selected(static_cast<std::size_t>(rowCount));
  for (int r = 0; r < rowCount; ++r) selected[static_cast<std::size_t>(r)] = in.ConsumeBool();
  const std::string rest = in.ConsumeRemainingBytesAsString();
  std::vector<std::string_view> rows;
  std::string_view text(rest);
  while (!text.empty()) {
    const auto lf = text.find('\n');
    rows.push_back(text.substr(0, lf));
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
  }

  auto rowTime = [&](int r) {
    if (r < 0 || r >= rowCount) Fail("row time asked for a row outside the listing");
    return rows.empty() ? 0.0 : dv::RowTime(rows[static_cast<std::size_t>(r) % rows.size()]);
  };
  auto isSelected = [&](int r) {
    if (r < 0 || r >= rowCount) Fail("selection asked for a row outside the listing");
    return static_cast<bool>(selected[static_cast<std::size_t>(r)]);
  };
  const dv::TSelectedRange range = dv::RangeFromSelection(rowCount, isSelected, rowTime);
  if (!range.IsSet()) {
    if (range.StartRow != -1 || range.EndRow != -1) Fail("rows without a range");
    return 0;
  }
  if (!(range.StartTime >= 0 && range.EndTime < 65535 && range.StartTime <= range.EndTime))
    Fail("range times out of order or bounds");
  if (range.StartRow < 1 || range.StartRow >= rowCount || range.EndRow < 1 || range.EndRow >= rowCount)
    Fail("range rows outside the listing");
  if (!isSelected(range.StartRow) || !isSelected(range.EndRow)) Fail("range ends on an unselected row");
  if (rowTime(range.StartRow) != range.StartTime || rowTime(range.EndRow) != range.EndTime)
    Fail("range times are not its rows' times");
  return 0;
}

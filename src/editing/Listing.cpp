#include "editing/Listing.h"

#include <cmath>
#include <limits>

#include "common/Helpers.h"

namespace dv {

double RowTime(std::string_view text) {
  text = Trim(text);
  auto cut = text.find('\t');
  if (cut == std::string_view::npos) cut = text.find(' ');
  if (cut == std::string_view::npos) return 0.0;
  return TextToReal(text.substr(0, cut)).value_or(std::numeric_limits<double>::quiet_NaN());
}

TSelectedRange RangeFromSelection(int rowCount, const std::function<bool(int)>& isSelected,
                                  const std::function<double(int)>& rowTime) {
  int first = -1;
  int last = -1;
  for (int r = 0; r < rowCount; ++r) {
    if (!isSelected(r)) continue;
    first = r;
    last = rowCount - 1;
    for (int k = r + 1; k < rowCount; ++k) {
      if (!isSelected(k)) {
        last = k - 1;
        break;
      }
    }
    break;
  }
  TSelectedRange range;
  if (first <= 0 || last <= 0) return range;
  const double t1 = rowTime(first);
  const double t2 = rowTime(last);
  auto inside = [](double t) { return t >= 0.0 && t < 65535.0; };  // NaN is outside
  if (!inside(t1) || !inside(t2)) return range;
  if (t1 > t2) {
    range = {t2, t1, last, first};
  } else {
    range = {t1, t2, first, last};
  }
  return range;
}

}  // namespace dv

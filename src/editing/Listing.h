#pragma once
// What the listings compute: the time of a row and the range a selection makes.

#include <functional>
#include <string_view>

#include "editing/SelectedRange.h"

namespace dv {

// The time at the start of a row's text: the text before the first tab (or,
// without a tab, the first blank), as a number; 0 when there is neither.
// A text that is not a number gives NaN, which bounds no range.
double RowTime(std::string_view text);

// The range of the first contiguous run of selected rows. A run that starts at
// row 0 (the surface or launch point) or a boundary time outside [0, 65535)
// gives no range.
TSelectedRange RangeFromSelection(int rowCount, const std::function<bool(int)>& isSelected,
                                  const std::function<double(int)>& rowTime);

}  // namespace dv

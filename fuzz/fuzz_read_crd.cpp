// .crd reader: any bytes end in points or in "Invalid numeric input"; what was
// read must write back to lines that read again to the same points.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "flight/PointFiles.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_read_crd: %s\n", what);
  std::abort();
}

bool Close(double written, double read, double step) {
  return std::fabs(written - read) <= step + 1e-9 * std::fabs(written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  dv::CrdArray points(0);
  try {
    dv::ParseCrd(bytes, points);
  } catch (const dv::FileReadError& e) {
    if (std::strcmp(e.what(), dv::kInvalidNumericInput) != 0) Fail("unexpected FileReadError text");
  }

  for (int i = 0; i < points.Count(); ++i) {
    const dv::CrdPoint& p = points[i];
    if (!std::isfinite(p.Time) || !std::isfinite(p.SR) || !std::isfinite(p.Az) || !std::isfinite(p.El))
      Fail("a point read from the file is not finite");
  }

  const std::string lines = dv::FormatCrdLines(points);
  dv::CrdArray again(0);
  try {
    dv::ParseCrd(lines, again);
  } catch (const dv::FileReadError&) {
    Fail("written lines do not read back");
  }

  int k = 0;
  for (int i = 0; i < points.Count(); ++i) {
    const dv::CrdPoint& p = points[i];
    if (p.Excluded) continue;
    if (k >= again.Count()) Fail("fewer points read back than written");
    const dv::CrdPoint& q = again[k++];
    if (q.Excluded) Fail("an included point reads back excluded");
    // Angles go out as radians with six decimals.
    if (!Close(p.Time, q.Time, 0.0051) || !Close(p.SR, q.SR, 0.0051) ||
        !Close(p.Az, q.Az, 0.51e-6 * dv::kRadToDeg) || !Close(p.El, q.El, 0.51e-6 * dv::kRadToDeg))
      Fail("value changed on the way back");
  }
  if (k != again.Count()) Fail("more points read back than written");
  return 0;
}

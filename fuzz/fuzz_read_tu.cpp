// .tu reader: any bytes end in points or in "Invalid numeric input"; what was
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
  std::fprintf(stderr, "fuzz_read_tu: %s\n", what);
  std::abort();
}

// Two decimals in the file, single precision in memory.
bool Close(float written, float read) {
  return std::fabs(static_cast<double>(written) - static_cast<double>(read)) <=
         0.0051 + 1e-6 * std::fabs(static_cast<double>(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  dv::TuArray points(0);
  try {
    dv::ParseTu(bytes, points);
  } catch (const dv::FileReadError& e) {
    // The records before the bad number stay, and are written back below too.
    if (std::strcmp(e.what(), dv::kInvalidNumericInput) != 0) Fail("unexpected FileReadError text");
  }

  const std::string lines = dv::FormatTuLines(points);
  dv::TuArray again(0);
  try {
    dv::ParseTu(lines, again);
  } catch (const dv::FileReadError&) {
    Fail("written lines do not read back");
  }

  int k = 0;
  for (int i = 0; i < points.Count(); ++i) {
    const dv::TuPoint& p = points[i];
    if (p.TExcluded || p.UExcluded) continue;
    if (k >= again.Count()) Fail("fewer points read back than written");
    const dv::TuPoint& q = again[k++];
    if (!Close(p.Time, q.Time) || !Close(p.T, q.T) || !Close(p.U, q.U)) Fail("value changed on the way back");
  }
  if (k != again.Count()) Fail("more points read back than written");
  return 0;
}

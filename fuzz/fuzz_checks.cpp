// The load-time checks on any points and any two initial-data files:
// - the first time failure is the time of the point before the first point
//   whose time is earlier than its predecessor's (0 before point 1), with every
//   earlier point in order; nothing when no time runs backwards;
// - the flagged-telemetry test is true exactly when a point after the surface
//   point carries a flag;
// - the changed fields are the edit fields whose values differ, each once, in
//   the order of the page, the same either way round, none for equal data, and
//   exactly the one field changed on a copy.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/Helpers.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"
#include "open/Checks.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_checks: %s\n", what);
  std::abort();
}

template <typename Array>
void CheckTimeFailure(const Array& points) {
  const std::optional<double> found = dv::FirstTimeFailure(points);
  // The first point whose time is earlier than the one before it (point 0 counts
  // as time 0 for point 1).
  int first = -1;
  for (int i = 1; i < points.Count() && first < 0; ++i) {
    const double before = i == 1 ? 0.0 : static_cast<double>(points[i - 1].Time);
    if (static_cast<double>(points[i].Time) < before) first = i;
  }
  if (first < 0) {
    if (found) Fail("a time failure reported in times that never run backwards");
    return;
  }
  if (!found) Fail("a time running backwards was not reported");
  const double expected = first == 1 ? 0.0 : static_cast<double>(points[first - 1].Time);
  if (*found != expected) Fail("the reported time is not the one before the first failure");
  if (!(static_cast<double>(points[first].Time) < *found))
    Fail("the point after the reported time is in order");
  // What the window shows must be a number again.
  if (!dv::ParseRealToken(dv::FormatFixed(*found, 0, 2)))
    Fail("reported time does not print as a number");
}

void CheckFlagged(const dv::TuArray& points) {
  bool any = false;
  for (int i = 1; i < points.Count(); ++i) any = any || points[i].TExcluded || points[i].UExcluded;
  if (dv::HasFlaggedTelemetry(points) != any)
    Fail("flagged telemetry test disagrees with the flags");
}

// The edit field of each compared value, in the order the check lists them, and
// a way to change that value on a copy.
struct Field {
  const char* name;
  bool (*same)(const dv::InitialData&, const dv::InitialData&);
  void (*change)(dv::InitialData&);
};

#define DV_FIELD(edit, member, bump)                                                               \
  Field {                                                                                          \
    edit, [](const dv::InitialData& a, const dv::InitialData& b) { return a.member == b.member; }, \
        [](dv::InitialData& d) { bump; }                                                           \
  }

const std::vector<Field>& Fields() {
  static const std::vector<Field> fields = {
      DV_FIELD("edtStation", StationSynopticIndex, d.StationSynopticIndex ^= 1),
      DV_FIELD("edtLong", StationLongitude,
               d.StationLongitude = d.StationLongitude == 1.0f ? 2.0f : 1.0f),
      DV_FIELD("edtLat", StationLattitude,
               d.StationLattitude = d.StationLattitude == 1.0f ? 2.0f : 1.0f),
      DV_FIELD("edtH0", StationHeightAboveSeaLevel,
               d.StationHeightAboveSeaLevel = d.StationHeightAboveSeaLevel == 1.0f ? 2.0f : 1.0f),
      DV_FIELD("edtP0", OnGroundPressure,
               d.OnGroundPressure = d.OnGroundPressure == 1.0 ? 2.0 : 1.0),
      DV_FIELD("edtD0", OnGroundWindDirection,
               d.OnGroundWindDirection = d.OnGroundWindDirection == 1.0 ? 2.0 : 1.0),
      DV_FIELD("edtV0", OnGroundWindVelocity,
               d.OnGroundWindVelocity = d.OnGroundWindVelocity == 1.0 ? 2.0 : 1.0),
      DV_FIELD("edtYear", StartYear, d.StartYear ^= 1),
      DV_FIELD("edtMonth", StartMonth, d.StartMonth ^= 1),
      DV_FIELD("edtDay", StartDay, d.StartDay ^= 1),
      DV_FIELD("edtHour", StartHour, d.StartHour ^= 1),
      DV_FIELD("edtMin", StartMinute, d.StartMinute ^= 1),
      DV_FIELD("edtClouds", NebulosityCode, d.NebulosityCode += "x"),
      DV_FIELD("edtRaRa", RadioZondType, d.RadioZondType ^= 1),
      DV_FIELD("edtDt0", OnGroundTemperatureError,
               d.OnGroundTemperatureError = d.OnGroundTemperatureError == 1.0 ? 2.0 : 1.0),
      DV_FIELD("edtDu0", OnGroundHumidityError,
               d.OnGroundHumidityError = d.OnGroundHumidityError == 1.0 ? 2.0 : 1.0),
  };
  return fields;
}

#undef DV_FIELD

void CheckChanged(const dv::InitialData& a, const dv::InitialData& b) {
  const std::vector<std::string> changed = dv::ChangedInfoFields(a, b);
  std::vector<std::string> expected;
  for (const Field& f : Fields())
    if (!f.same(a, b)) expected.emplace_back(f.name);
  if (changed != expected) Fail("changed fields are not the fields that differ");
  if (dv::ChangedInfoFields(b, a) != changed)
    Fail("changed fields depend on the order of comparison");
  // Every field named is one the page shows for a key of the file.
  for (const std::string& name : changed) {
    bool known = false;
    for (const dv::InfoKey& k : dv::InfoKeys()) known = known || name == k.editField;
    if (!known) Fail("a changed field no key is shown in");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool fromFiles = in.ConsumeBool();
  const int changeField = in.ConsumeIntegralInRange<int>(0, 31);

  dv::TuArray tu(0);
  dv::CrdArray crd(0);
  if (fromFiles) {
    // Points as the readers make them, flags included.
    const std::string tuBytes = in.ConsumeRandomLengthString(2048);
    const std::string crdBytes = in.ConsumeRandomLengthString(2048);
    try {
      dv::ParseTu(tuBytes, tu);
    } catch (const dv::FileReadError&) {
    }
    try {
      dv::ParseCrd(crdBytes, crd);
    } catch (const dv::FileReadError&) {
    }
  } else {
    // Times that mostly advance, with the odd step back, any flags.
    const int count = in.ConsumeIntegralInRange<int>(0, 64);
    double t = 0;
    for (int i = 0; i < count; ++i) {
      const int kind = in.ConsumeIntegralInRange<int>(0, 15);
      if (kind == 0)
        t = in.ConsumeFloatingPoint<float>();
      else
        t += (kind == 1 ? -1 : 1) * in.ConsumeIntegralInRange<int>(0, 400) / 4.0;
      dv::TuPoint p;
      p.Time = static_cast<float>(t);
      p.T = in.ConsumeFloatingPointInRange<float>(-150, 150);
      p.U = in.ConsumeFloatingPointInRange<float>(-20, 120);
      const int flags = in.ConsumeIntegralInRange<int>(0, 7);
      p.TExcluded = (flags & 1) != 0;
      p.UExcluded = (flags & 2) != 0;
      tu.Add(p);
      dv::CrdPoint c;
      c.Time = (flags & 4) != 0 ? t + in.ConsumeIntegralInRange<int>(-8, 8) : t;
      c.Excluded = p.TExcluded;
      crd.Add(c);
    }
  }
  CheckTimeFailure(tu);
  CheckTimeFailure(crd);
  CheckFlagged(tu);

  // The edited and the original initial data, from two files, the edited one
  // perhaps with typed fields on top.
  dv::InitialData edited, original;
  const std::string first = in.ConsumeRandomLengthString(1024);
  const std::string second = in.ConsumeRandomLengthString(1024);
  (void)dv::ParseInfo(first, "20251014-1130.info", true, edited);
  (void)dv::ParseInfo(second, "20251014-1130.org.info", true, original);
  if (in.ConsumeBool()) {
    dv::InfoFieldTexts typed;
    typed.P0 = in.ConsumeRandomLengthString(10);
    typed.D0 = in.ConsumeRandomLengthString(10);
    typed.V0 = in.ConsumeRandomLengthString(10);
    typed.Clouds = in.ConsumeRandomLengthString(10);
    typed.RaRa = in.ConsumeRandomLengthString(10);
    (void)dv::TakeInfoFields(typed, edited);
  }
  CheckChanged(edited, original);
  CheckChanged(original, original);
  if (!dv::ChangedInfoFields(original, original).empty()) Fail("equal data with changed fields");

  // One value changed on a copy names that one field alone.
  if (changeField < static_cast<int>(Fields().size())) {
    dv::InitialData copy = original;
    const Field& f = Fields()[static_cast<std::size_t>(changeField)];
    f.change(copy);
    const std::vector<std::string> changed = dv::ChangedInfoFields(copy, original);
    if (changed.size() != 1 || changed[0] != f.name)
      Fail("one changed value does not name its one field");
  }
  return 0;
}

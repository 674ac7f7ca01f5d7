#include "open/Checks.h"

namespace dv {

std::vector<std::string> ChangedInfoFields(const InitialData& a, const InitialData& b) {
  std::vector<std::string> changed;
  auto check = [&](bool differs, const char* field) {
    if (differs) changed.emplace_back(field);
  };
  check(a.StationSynopticIndex != b.StationSynopticIndex, "edtStation");
  check(a.StationLongitude != b.StationLongitude, "edtLong");
  check(a.StationLattitude != b.StationLattitude, "edtLat");
  check(a.StationHeightAboveSeaLevel != b.StationHeightAboveSeaLevel, "edtH0");
  check(a.OnGroundPressure != b.OnGroundPressure, "edtP0");
  check(a.OnGroundWindDirection != b.OnGroundWindDirection, "edtD0");
  check(a.OnGroundWindVelocity != b.OnGroundWindVelocity, "edtV0");
  check(a.StartYear != b.StartYear, "edtYear");
  check(a.StartMonth != b.StartMonth, "edtMonth");
  check(a.StartDay != b.StartDay, "edtDay");
  check(a.StartHour != b.StartHour, "edtHour");
  check(a.StartMinute != b.StartMinute, "edtMin");
  check(a.NebulosityCode != b.NebulosityCode, "edtClouds");
  check(a.RadioZondType != b.RadioZondType, "edtRaRa");
  check(a.OnGroundTemperatureError != b.OnGroundTemperatureError, "edtDt0");
  check(a.OnGroundHumidityError != b.OnGroundHumidityError, "edtDu0");
  return changed;
}

namespace {
template <typename Array>
std::optional<double> FirstFailure(const Array& points) {
  double prev = 0;
  for (int i = 1; i < points.Count(); ++i) {
    const double t = points[i].Time;
    if (t >= prev) {
      prev = t;
    } else {
      return prev;
    }
  }
  return std::nullopt;
}

constexpr double kMissingMark = -99.0;
}  // namespace

std::optional<double> FirstTimeFailure(const TuArray& points) { return FirstFailure(points); }
std::optional<double> FirstTimeFailure(const CrdArray& points) { return FirstFailure(points); }

ValueCounts CountValues(const TuArray& tu, const CrdArray& crd) {
  ValueCounts c;
  for (int i = 1; i < tu.Count(); ++i) {
    const TuPoint& p = tu[i];
    const int marks = (p.T < kMissingMark) + (p.U < kMissingMark);
    c.tuMissing += marks;
    c.tuOutOfRange += marks == 0 && (p.TExcluded || p.UExcluded);
  }
  for (int i = 1; i < crd.Count(); ++i) {
    const CrdPoint& p = crd[i];
    c.crdMissing += (p.SR < kMissingMark) + (p.Az < kMissingMark) + (p.El < kMissingMark);
  }
  return c;
}

bool HasFlaggedTelemetry(const TuArray& points) {
  for (int i = 1; i < points.Count(); ++i)
    if (points[i].TExcluded || points[i].UExcluded) return true;
  return false;
}

}  // namespace dv

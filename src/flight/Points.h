#pragma once
// The two point records and the four arrays of a flight.

#include <cstdint>

#include "flight/MyBaseArray.h"

namespace dv {

// One telemetry point (a line of the .tu file).
struct TuPoint {
  float Time = 0;              // s from launch
  float T = 0;                 // temperature, °C
  float U = 0;                 // relative humidity, %
  bool TimeCorrected = false;  // time changed by a time correction; never written
  bool TExcluded = false;      // temperature excluded; the point is written only when
  bool UExcluded = false;      //   both exclusions are clear
};

// One coordinate point (a line of the .crd file). Angles are degrees in memory
// (radians in the file); a value below -99 is a missing-value mark kept as read.
struct CrdPoint {
  double Time = 0;             // s from launch
  double SR = 0;               // slant range, m
  double El = 0;               // elevation, degrees
  double Az = 0;               // azimuth, degrees
  bool TimeCorrected = false;  // time changed by a time correction; never written
  bool Excluded = false;       // excluded; not written
  bool AzAsRead = false;       // the azimuth is a mark (or a value too large for degrees)
  bool ElAsRead = false;       //   kept as read, and written back as it stands
};

using TuArray = PointArray<TuPoint>;
using CrdArray = PointArray<CrdPoint>;

inline constexpr int kInitialArrayCapacity = 1800;

// The working points (written back) and the originals (shown for comparison).
// Point 0 of the working telemetry is the surface observation, point 0 of the
// working coordinates the launch point.
struct FlightPoints {
  TuArray TuPoints{kInitialArrayCapacity};
  CrdArray CrdPoints{kInitialArrayCapacity};
  TuArray TuOrgPoints{kInitialArrayCapacity};
  CrdArray CrdOrgPoints{kInitialArrayCapacity};
};

}  // namespace dv

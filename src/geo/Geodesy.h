#pragma once
// Positions on the WGS-84 ellipsoid: where a radar point is, given the
// station's latitude and longitude and the point's derived east and north.

#include <optional>

namespace dv {

inline constexpr double kWgs84A = 6378137.0;              // m, semi-major axis
inline constexpr double kWgs84F = 1.0 / 298.257223563;    // flattening

struct GeoPoint {
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive, within (-180, 180]
};

// The point `distance` metres from `from` along the geodesic leaving it at
// `azimuth` degrees (clockwise from north): Vincenty's direct solution,
// exact to well under a millimetre at sounding ranges.
GeoPoint DirectGeodesic(GeoPoint from, double azimuth, double distance);

// Distance (m) and initial azimuth (degrees) from `a` to `b`: Vincenty's
// inverse solution; nothing when it does not converge (nearly antipodal points).
struct GeodesicLine {
  double distance = 0, azimuth = 0;
};
std::optional<GeodesicLine> InverseGeodesic(GeoPoint a, GeoPoint b);

// Where a point the radar sees at `east` and `north` metres from the station
// lies: its horizontal distance taken along the geodesic in its azimuth.
GeoPoint PositionFromStation(GeoPoint station, double east, double north);

// The distance along the ground from the radar to the point under a sonde
// seen `across` metres out on the radar's horizontal plane (SR cos El) at
// `height` metres above it, in the refracting 4/3-earth model of the derived
// height. The plane distance is longer by about height * across / R.
double GroundDistance(double across, double height);

// A latitude and a longitude that are real (the -999 mark, or anything below
// -90 or -360, is none); a longitude may be given from -360 to 360.
bool KnownLatitude(double latitude);
bool KnownLongitude(double longitude);

}  // namespace dv

#include "geo/Geodesy.h"

#include <cmath>
#include <numbers>

#include "charts/Derived.h"

namespace dv {

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kRad = kPi / 180.0;
constexpr double kB = kWgs84A * (1 - kWgs84F);

double WrapLongitude(double degrees) {
  double d = std::fmod(degrees + 180.0, 360.0);
  if (d <= 0) d += 360.0;
  return d - 180.0;
}
}  // namespace

GeoPoint DirectGeodesic(GeoPoint from, double azimuth, double distance) {
  const double f = kWgs84F, a = kWgs84A, b = kB;
  const double alpha1 = azimuth * kRad;
  const double sinAlpha1 = std::sin(alpha1), cosAlpha1 = std::cos(alpha1);
  const double tanU1 = (1 - f) * std::tan(from.latitude * kRad);
  const double cosU1 = 1 / std::sqrt(1 + tanU1 * tanU1), sinU1 = tanU1 * cosU1;
  const double sigma1 = std::atan2(tanU1, cosAlpha1);
  const double sinAlpha = cosU1 * sinAlpha1;
  const double cosSqAlpha = 1 - sinAlpha * sinAlpha;
  const double uSq = cosSqAlpha * (a * a - b * b) / (b * b);
  const double A = 1 + uSq / 16384 * (4096 + uSq * (-768 + uSq * (320 - 175 * uSq)));
  const double B = uSq / 1024 * (256 + uSq * (-128 + uSq * (74 - 47 * uSq)));
  double sigma = distance / (b * A), sigmaP = 0, cos2SigmaM = 0, sinSigma = 0, cosSigma = 0;
  for (int k = 0; k < 200; ++k) {
    cos2SigmaM = std::cos(2 * sigma1 + sigma);
    sinSigma = std::sin(sigma);
    cosSigma = std::cos(sigma);
    const double deltaSigma =
        B * sinSigma *
        (cos2SigmaM + B / 4 *
                          (cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM) -
                           B / 6 * cos2SigmaM * (-3 + 4 * sinSigma * sinSigma) * (-3 + 4 * cos2SigmaM * cos2SigmaM)));
    sigmaP = sigma;
    sigma = distance / (b * A) + deltaSigma;
    if (std::fabs(sigma - sigmaP) < 1e-13) break;
  }
  cos2SigmaM = std::cos(2 * sigma1 + sigma);
  sinSigma = std::sin(sigma);
  cosSigma = std::cos(sigma);
  const double tmp = sinU1 * sinSigma - cosU1 * cosSigma * cosAlpha1;
  const double lat2 = std::atan2(sinU1 * cosSigma + cosU1 * sinSigma * cosAlpha1,
                                 (1 - f) * std::sqrt(sinAlpha * sinAlpha + tmp * tmp));
  const double lambda = std::atan2(sinSigma * sinAlpha1, cosU1 * cosSigma - sinU1 * sinSigma * cosAlpha1);
  const double C = f / 16 * cosSqAlpha * (4 + f * (4 - 3 * cosSqAlpha));
  const double L = lambda - (1 - C) * f * sinAlpha *
                                (sigma + C * sinSigma * (cos2SigmaM + C * cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM)));
  return GeoPoint{lat2 / kRad, WrapLongitude(from.longitude + L / kRad)};
}

std::optional<GeodesicLine> InverseGeodesic(GeoPoint p1, GeoPoint p2) {
  const double f = kWgs84F, a = kWgs84A, b = kB;
  const double L = (p2.longitude - p1.longitude) * kRad;
  const double U1 = std::atan((1 - f) * std::tan(p1.latitude * kRad));
  const double U2 = std::atan((1 - f) * std::tan(p2.latitude * kRad));
  const double sinU1 = std::sin(U1), cosU1 = std::cos(U1), sinU2 = std::sin(U2), cosU2 = std::cos(U2);
  double lambda = L, lambdaP = 0, sinSigma = 0, cosSigma = 0, sigma = 0, cosSqAlpha = 0, cos2SigmaM = 0;
  double sinLambda = 0, cosLambda = 0;
  int k = 0;
  for (; k < 200; ++k) {
    sinLambda = std::sin(lambda);
    cosLambda = std::cos(lambda);
    sinSigma = std::sqrt((cosU2 * sinLambda) * (cosU2 * sinLambda) +
                         (cosU1 * sinU2 - sinU1 * cosU2 * cosLambda) * (cosU1 * sinU2 - sinU1 * cosU2 * cosLambda));
    if (sinSigma == 0) return GeodesicLine{0, 0};  // the same point
    cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
    sigma = std::atan2(sinSigma, cosSigma);
    const double sinAlpha = cosU1 * cosU2 * sinLambda / sinSigma;
    cosSqAlpha = 1 - sinAlpha * sinAlpha;
    cos2SigmaM = cosSqAlpha != 0 ? cosSigma - 2 * sinU1 * sinU2 / cosSqAlpha : 0;
    const double C = f / 16 * cosSqAlpha * (4 + f * (4 - 3 * cosSqAlpha));
    lambdaP = lambda;
    lambda = L + (1 - C) * f * sinAlpha *
                     (sigma + C * sinSigma * (cos2SigmaM + C * cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM)));
    if (std::fabs(lambda - lambdaP) < 1e-13) break;
  }
  if (k == 200) return std::nullopt;
  const double uSq = cosSqAlpha * (a * a - b * b) / (b * b);
  const double A = 1 + uSq / 16384 * (4096 + uSq * (-768 + uSq * (320 - 175 * uSq)));
  const double B = uSq / 1024 * (256 + uSq * (-128 + uSq * (74 - 47 * uSq)));
  const double deltaSigma =
      B * sinSigma *
      (cos2SigmaM + B / 4 *
                        (cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM) -
                         B / 6 * cos2SigmaM * (-3 + 4 * sinSigma * sinSigma) * (-3 + 4 * cos2SigmaM * cos2SigmaM)));
  GeodesicLine line;
  line.distance = b * A * (sigma - deltaSigma);
  double az = std::atan2(cosU2 * sinLambda, cosU1 * sinU2 - sinU1 * cosU2 * cosLambda) / kRad;
  if (az < 0) az += 360;
  line.azimuth = az;
  return line;
}

// Doviak and Zrnic, Doppler Radar and Weather Observations (2nd ed., 1993),
// eq. 2.28c: the ground range s = ka * asin(r cos(El) / (ka + h)), where ka is
// the effective earth radius (4/3 of the earth's, for standard refraction) and
// h the height above the radar, as the derived height gives it
// (h = r sin(El) + (r cos(El))^2 / (2 ka)). The same ka as that height:
// kHeightCurvature = 1 / (2 ka).
double GroundDistance(double across, double height) {
  constexpr double ka = 1.0 / (2.0 * kHeightCurvature);
  const double ratio = across / (ka + height);
  if (!(std::fabs(ratio) <= 1)) return across;  // no sphere holds it: left on the plane
  return ka * std::asin(ratio);
}

bool KnownLatitude(double latitude) { return latitude >= -90 && latitude <= 90; }
bool KnownLongitude(double longitude) { return longitude >= -360 && longitude <= 360; }

GeoPoint PositionFromStation(GeoPoint station, double east, double north) {
  const double distance = std::hypot(east, north);
  if (distance == 0) return station;
  return DirectGeodesic(station, std::atan2(east, north) / kRad, distance);
}

}  // namespace dv

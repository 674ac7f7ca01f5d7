#pragma once
// The air's state from what a radiosonde and its radar give: moist-air
// constants and the formulas the profile and the diagram share.

#include <cmath>

namespace dv::thermo {

inline constexpr double kKelvin = 273.15;
// Gas constant of dry air, J/(kg·K), and its ratio to the specific heat at
// constant pressure (WMO-No. 8, annex 4.B; the International Meteorological Tables).
inline constexpr double kRd = 287.05;
inline constexpr double kCp = 1004.6;
inline constexpr double kKappa = kRd / kCp;
// Molar masses of water vapour over dry air.
inline constexpr double kEpsilon = 0.62198;
// Latent heat of vaporisation at 0 °C, J/kg.
inline constexpr double kLv = 2.501e6;
// Standard gravity, m/s²: one geopotential metre is this many J/kg over it (WMO-No. 49).
inline constexpr double kG0 = 9.80665;

// Saturation vapour pressure over water (hPa) at t °C: the Magnus formula of the
// WMO guide on instruments (WMO-No. 8, annex 4.B): 6.112·exp(17.62·t/(243.12 + t)).
// Humidity is reported relative to water at all temperatures.
inline double SaturationPressure(double t) { return 6.112 * std::exp(17.62 * t / (243.12 + t)); }

// The same over ice (hPa), below 0 °C: 6.112·exp(22.46·t/(272.62 + t)).
inline double SaturationPressureIce(double t) { return 6.112 * std::exp(22.46 * t / (272.62 + t)); }

// The dew point (°C) of air at t °C and relative humidity u %: the same formula solved for t.
inline double DewPoint(double t, double u) {
  const double l = std::log(u / 100.0) + 17.62 * t / (243.12 + t);  // ln(e/6.112)
  return 243.12 * l / (17.62 - l);
}

// Vapour pressure (hPa) at t °C and u %.
inline double VapourPressure(double t, double u) { return u / 100.0 * SaturationPressure(t); }

// Mixing ratio (g/kg) of vapour pressure e in air at p hPa.
inline double MixingRatio(double e, double p) { return 1000.0 * kEpsilon * e / (p - e); }

// Virtual temperature (K): the temperature dry air at the same pressure and
// density would have, T·(1 + r/ε)/(1 + r) with r the mixing ratio in kg/kg.
inline double VirtualTemperature(double tKelvin, double e, double p) {
  const double r = kEpsilon * e / (p - e);
  return tKelvin * (1.0 + r / kEpsilon) / (1.0 + r);
}

// Potential temperature (K) of air at t °C and p hPa: (t + 273.15)·(1000/p)^(Rd/cp).
inline double PotentialTemperature(double t, double p) { return (t + kKelvin) * std::pow(1000.0 / p, kKappa); }

// Normal gravity at sea level (m/s²) at latitude φ degrees: the 1980 Geodetic
// Reference System formula, 9.780327·(1 + 0.0053024·sin²φ − 0.0000058·sin²2φ).
double NormalGravity(double latitude);

// Geopotential height (gpm) of a geometric height z (m above sea level) at
// latitude φ: Φ/g0 with gravity falling off with height over the latitude's
// effective radius, as in the Smithsonian Meteorological Tables (List, 1951):
// H = g_φ/g0 · R·z/(R + z), R = 2·g_φ/(3.085462e-6 + 2.27e-9·cos2φ − 2e-12·cos4φ).
double GeopotentialHeight(double z, double latitude);

// The same with the latitude's terms taken once, for a whole profile.
class Geopotential {
 public:
  explicit Geopotential(double latitude);
  double operator()(double z) const { return scale_ * r_ * z / (r_ + z); }

 private:
  double scale_, r_;
};

}  // namespace dv::thermo

#pragma once
// The thermodynamic diagram (skew-T, log p): where a temperature and a pressure
// stand on it, its background lines, the wind barbs and the sounding's points
// placed at their pressures. Pure geometry and physics; the window draws it.

#include <string>
#include <vector>

#include "flight/Points.h"
#include "thermo/Profile.h"

namespace dv::diagram {

// The diagram's pressures (hPa), from the bottom edge to the top one.
inline constexpr double kPressureBottom = 1050;
inline constexpr double kPressureTop = 10;
// The skew: an isotherm moves this many °C of the horizontal scale to the right
// per unit of ln p upwards. 80 °C over the whole height: the stratosphere's
// −40…−90 °C at 10 hPa stands above the surface's −40…+40 °C.
inline constexpr double kSkew = 80.0 / 4.653960350157523;  // ln(1050/10)

// The horizontal coordinate of temperature t (°C) at pressure p (hPa), and back.
double SkewX(double t, double p);
double TemperatureAt(double x, double p);

// What a plot shows: the horizontal scale from xMin to xMax, pressures from
// pBottom (the lower edge) up to pTop.
struct View {
  double xMin = 0, xMax = 0, pBottom = kPressureBottom, pTop = kPressureTop;
  bool operator==(const View&) const = default;
};
// The whole diagram on a plot of width x height pixels, isotherms at 45° when
// the plot is wide enough to show at least kMinimumSpan °C along its foot.
inline constexpr double kMinimumSpan = 90;
View DefaultView(double width, double height);

struct Rect {
  double left = 0, top = 0, width = 0, height = 0;
};
struct Pixel {
  double x = 0, y = 0;
};
// Where (t, p) stands on a plot rectangle showing `view`, and what stands at a pixel.
Pixel ToPixel(double t, double p, const View& view, const Rect& rect);
double PressureAtPixel(double y, const View& view, const Rect& rect);
double TemperatureAtPixel(double x, double y, const View& view, const Rect& rect);

// The pseudo-adiabatic lapse rate dT/dp (K/hPa) of saturated air at t °C, p hPa:
// (Rd·T + L·rs) / (p·(cp + L²·rs·ε/(Rd·T²))), with the profile's constants.
double MoistLapseRate(double t, double p);
// The temperature (°C) at p on the pseudo-adiabat of wet-bulb potential
// temperature thetaW (°C, its temperature at 1000 hPa): fourth-order Runge-Kutta in p.
double PseudoAdiabat(double thetaW, double p);
// The temperature (°C) at which air at p holds r g/kg at saturation.
double MixingRatioTemperature(double r, double p);

enum class LineKind { Isotherm, Isobar, DryAdiabat, MoistAdiabat, MixingRatio };
struct LinePoint {
  float t, p;  // °C, hPa
};
struct BackgroundLine {
  LineKind kind;
  double value;  // °C (isotherm, θ at 1000 hPa, θw), hPa, g/kg
  std::vector<LinePoint> points;  // from high pressure to low
};
// Isotherms every 10 °C, the labelled isobars, dry adiabats every 10 K,
// pseudo-adiabats every 4 °C of θw up to 200 hPa, mixing-ratio lines
// 0.4…20 g/kg up to 400 hPa. The same for every flight: made once.
const std::vector<BackgroundLine>& BackgroundLines();
// The isobars labelled on the pressure scale.
inline constexpr double kLabelledPressures[] = {1000, 925, 850, 700, 500, 400, 300, 250,
                                                200,  150, 100, 70,  50,  30,  20,  10};

// Wind barbs: knots with pennants of 50, barbs of 10 and halves of 5, or metres
// per second with 25, 5 and 2.5.
enum class WindUnit { Knots, MetresPerSecond };
struct Barb {
  int pennants = 0, full = 0, half = 0;
  bool calm = false;  // under half a barb: a circle
};
Barb BarbOf(double speed, WindUnit unit);  // speed in m/s

struct BarbLevel {
  double p = 0, direction = 0, speed = 0;  // hPa, ° from, m/s
};
// The standard levels and every 50 hPa, from 1000 up.
const std::vector<double>& BarbPressures();
// The radar wind at those of them that the sounding reached with a wind either
// side, interpolated in ln p.
std::vector<BarbLevel> WindBarbs(const Profile& profile);

// The pressure (hPa) of each telemetry point at its time, from the profile
// (ln p linear in time between its points at most kProfileCrdGap apart); the
// surface observation (time 0) stands at P0; NaN where the radar has no height.
std::vector<float> PressuresAtTimes(const Profile& profile, const TuArray& tu, double p0);

// What the sounding has at pressure p: the first crossing from the ground up.
struct Readout {
  bool found = false;
  double p = 0, H = 0, T = NAN, Td = NAN, U = NAN, direction = NAN, speed = NAN;
  int row = -1;  // the coordinate row nearest
};
Readout ReadoutAt(const Profile& profile, double p);

// "[DIAGRAM]" "WindUnit": "kn" (the default) or "m/s".
inline constexpr const char* kDiagramSection = "DIAGRAM";
inline constexpr const char* kWindUnitKey = "WindUnit";
WindUnit ReadWindUnit(const std::string& configFile);

}  // namespace dv::diagram

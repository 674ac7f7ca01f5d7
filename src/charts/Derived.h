#pragma once
// What the charts show of a flight: the horizontal position and height derived
// from one coordinate record, the trajectory label, and the points that each of
// the 14 chart series receives from the four point arrays. Plain C++ so that
// the rules can be tested without a widget; the Qt series store these points as
// they are made here.

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "flight/Points.h"

namespace dv {

// |T| and |U| are plotted only below this.
inline constexpr double kTlmPlotLimit = 99.0;
// SR, Az and El below this are missing-value marks (the files hold -999).
inline constexpr double kCrdMissingLimit = -99.0;
// Z (m) is plotted only strictly between these bounds.
inline constexpr double kZPlotLow = -500.0;
inline constexpr double kZPlotHigh = 45000.0;
// Per metre: the square of the horizontal range times this is how far the
// earth's surface, seen from the radar with refraction, falls away below it.
inline constexpr double kHeightCurvature = 5.887e-8;
inline constexpr double kMetresPerKm = 1000.0;

// L, X, Y, Z of one coordinate record, in metres. Azimuth 0 points along +Y,
// azimuth 90 along +X; Z is relative to the radar, without the station height.
struct CrdDerived {
  double L = 0;
  double X = 0;
  double Y = 0;
  double Z = 0;
};

// SR in metres, Az and El in degrees (as the arrays hold them).
CrdDerived DeriveCrd(double SR, double Az, double El);
inline CrdDerived DeriveCrd(const CrdPoint& p) { return DeriveCrd(p.SR, p.Az, p.El); }

// The time of a trajectory point in whole seconds as its label carries it.
double LabelSeconds(double time);
// "13" for 12.6 s, "13\t" when the record is excluded.
std::string TrajectoryLabel(double time, bool excluded);

// Colours are 0xRRGGBB. A point without a colour of its own takes the series colour.
inline constexpr std::uint32_t kSeriesColour = 0xFFFFFFFFu;
namespace excluded_colour {
inline constexpr std::uint32_t kT = 0x0000FF;   // blue
inline constexpr std::uint32_t kU = 0xFF00FF;   // fuchsia
inline constexpr std::uint32_t kSR = 0xFF00FF;  // fuchsia
inline constexpr std::uint32_t kAz = 0x008080;  // teal
inline constexpr std::uint32_t kEl = 0x808000;  // olive
inline constexpr std::uint32_t kZ = 0xFF8080;   // light red
inline constexpr std::uint32_t kXY = 0xFF00FF;  // fuchsia
}  // namespace excluded_colour

// The 14 series, in the order in which they are added to their charts.
enum class SeriesId : int {
  TOrg, UOrg, T, U,                       // telemetry chart
  ZOrg, SROrg, AzOrg, ElOrg, Z, SR, Az, El,  // coordinate chart
  XYOrg, XY,                              // trajectory chart
};
inline constexpr int kSeriesCount = 14;

// One chart point: 12 bytes, since a flight keeps 14 series of them. Single
// precision is finer than a pixel for every quantity a chart shows. A placeholder
// has no coordinates (NaN) but holds its index, so that point i of a series fed
// from a current array stays record i.
struct ChartPoint {
  float x = std::numeric_limits<float>::quiet_NaN();
  float y = std::numeric_limits<float>::quiet_NaN();
  std::uint32_t colour = kSeriesColour;

  bool placeholder() const { return std::isnan(x); }
};
using ChartPoints = std::vector<ChartPoint>;

// A value as a chart coordinate: beyond single precision it becomes infinite,
// which no chart draws, ranges or hits.
inline float ChartCoordinate(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::infinity();
  if (v < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);  // NaN stays NaN
}

// The label of a trajectory point, kept beside the two trajectory series only:
// the whole seconds (NaN: no label) and the tab of a point excluded when filled.
// The text is made on demand (LabelText); the highlight reads the number.
struct ChartLabel {
  double seconds = std::numeric_limits<double>::quiet_NaN();
  bool tab = false;

  bool has() const { return !std::isnan(seconds); }
};
using ChartLabels = std::vector<ChartLabel>;

// The label text of a point ("" when it has none).
std::string LabelText(const ChartLabel& label);

// Points per series, indexed by SeriesId, and the labels of the trajectory series.
struct FillPlan {
  std::array<ChartPoints, kSeriesCount> series;
  ChartLabels xyLabels, xyOrgLabels;
  ChartPoints& operator[](SeriesId id) { return series[static_cast<int>(id)]; }
  const ChartPoints& operator[](SeriesId id) const { return series[static_cast<int>(id)]; }
  ChartLabels& labels(SeriesId id) { return id == SeriesId::XYOrg ? xyOrgLabels : xyLabels; }
  const ChartLabels& labels(SeriesId id) const { return id == SeriesId::XYOrg ? xyOrgLabels : xyLabels; }
};

// The four passes of a fill, each feeding its own series: an edit of one array
// refills only the series of its pass.
enum class FillPass { CurrentTelemetry, OriginalTelemetry, CurrentCoordinates, OriginalCoordinates };
// The series of a pass, in the order of SeriesId.
std::vector<SeriesId> SeriesOfPass(FillPass pass);

// Appends the points of one pass to `plan`; does not clear it first.
void AppendFillPass(const FlightPoints& points, FillPass pass, FillPlan& plan);
// Appends the points of the four passes (current telemetry, original telemetry,
// current coordinates, original coordinates) to `plan`; does not clear it first.
void AppendFillPlan(const FlightPoints& points, FillPlan& plan);
FillPlan MakeFillPlan(const FlightPoints& points);

// After flags of the records first..last changed (and nothing else): gives
// those points of the current series the colours (and trajectory labels) a
// fresh fill would give them. The series must hold a fill of the same array.
void RecolourTelemetry(const TuArray& points, int first, int last, ChartPoints& t, ChartPoints& u);
void RecolourCoordinates(const CrdArray& points, int first, int last, FillPlan& plan);

}  // namespace dv

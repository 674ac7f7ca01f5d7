#pragma once
// What the charts show of a flight: the horizontal position and height derived
// from one coordinate record, the trajectory label, and the points that each of
// the 14 chart series receives from the four point arrays. Plain C++ so that
// the rules can be tested without a widget; the Qt series store these points as
// they are made here.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
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
// The trajectory highlight: inside the coordinate range, outside it a point
// excluded when filled, and the others.
namespace highlight_colour {
inline constexpr std::uint32_t kInside = 0xFF8000;    // orange
inline constexpr std::uint32_t kExcluded = 0xFF00FF;  // fuchsia
inline constexpr std::uint32_t kOther = 0x000080;     // navy
}  // namespace highlight_colour

// A point's colour is kept as a one-byte code: 0 is the series colour, then come
// the colours the fill and the highlight give (the fixed palette), then colours
// that other callers set, numbered per series as they come.
using ColourCode = std::uint8_t;
inline constexpr ColourCode kSeriesCode = 0;
inline constexpr std::array<std::uint32_t, 8> kFixedColours = {
    kSeriesColour, 0x0000FF, 0xFF00FF, 0x008080, 0x808000, 0xFF8080, 0xFF8000, 0x000080};
inline constexpr int kFixedColourCount = static_cast<int>(kFixedColours.size());
// The code of a colour of the fixed palette, or -1.
constexpr int FixedColourCode(std::uint32_t colour) {
  for (int i = 0; i < kFixedColourCount; ++i)
    if (kFixedColours[static_cast<std::size_t>(i)] == colour) return i;
  return -1;
}
// The fixed code of a colour known to be in the palette.
template <std::uint32_t Colour>
inline constexpr ColourCode kCodeOf = [] {
  static_assert(FixedColourCode(Colour) >= 0, "not a colour of the fixed palette");
  return static_cast<ColourCode>(FixedColourCode(Colour));
}();

// The 14 series, in the order in which they are added to their charts.
enum class SeriesId : int {
  TOrg, UOrg, T, U,                       // telemetry chart
  ZOrg, SROrg, AzOrg, ElOrg, Z, SR, Az, El,  // coordinate chart
  XYOrg, XY,                              // trajectory chart
};
inline constexpr int kSeriesCount = 14;

// One chart point as read back: single precision is finer than a pixel for
// every quantity a chart shows. A placeholder has no place (NaN) but holds its
// index, so that point i of a series fed from a current array stays record i.
struct ChartPoint {
  float x = std::numeric_limits<float>::quiet_NaN();
  float y = std::numeric_limits<float>::quiet_NaN();
  std::uint32_t colour = kSeriesColour;

  bool placeholder() const { return std::isnan(x) || std::isnan(y); }
};

// The points of one series. A flight keeps 14 of them, so they are kept lean:
// - x is read from a time column shared by the series of one fill pass for as
//   long as every point's x is that column's value at its index (the time of
//   its record), and kept by the series itself from the first point that is not;
// - a colour code per point, only once some point has a colour of its own (a
//   series in its series colour, as the originals always are, keeps none).
class ChartPoints {
 public:
  using Column = std::vector<float>;
  // Codes from here on name colours set by callers beyond the fixed palette;
  // the last code sends the point to a table of its own exact colour, so that
  // any number of colours comes back exactly.
  static constexpr ColourCode kOverflowCode = 255;

  std::size_t size() const { return y_.size(); }
  bool empty() const { return y_.empty(); }
  void reserve(std::size_t n);
  // Keeps the capacity for the next fill.
  void clear();
  void swap(ChartPoints& other) noexcept;

  // An empty series takes its x from `column` (ignored when not empty).
  void shareX(std::shared_ptr<const Column> column);
  bool sharesX() const { return shared_ != nullptr; }

  // A point at x, y in the series colour or a colour of the fixed palette.
  void push_back(float x, float y, ColourCode code = kSeriesCode) {
    if (shared_ && !(size() < shared_->size() && SameBits((*shared_)[size()], x))) ownX();
    if (!shared_) x_.push_back(x);
    y_.push_back(y);
    if (code != kSeriesCode || !codes_.empty()) pushCode(code);
  }
  void push_back(const ChartPoint& p);
  // Without a place; a series sharing x keeps its x and has no y.
  void addPlaceholder();

  // Unchecked, as a vector's operator[]; at() checks.
  ChartPoint operator[](std::size_t i) const { return ChartPoint{x(i), y(i), colour(i)}; }
  ChartPoint at(std::size_t i) const;
  float x(std::size_t i) const { return shared_ ? (*shared_)[i] : x_[i]; }
  float y(std::size_t i) const { return y_[i]; }
  bool placeholder(std::size_t i) const { return std::isnan(x(i)) || std::isnan(y(i)); }
  ColourCode code(std::size_t i) const { return codes_.empty() ? kSeriesCode : codes_[i]; }
  // 0xRRGGBB, or kSeriesColour.
  std::uint32_t colour(std::size_t i) const;
  void setColour(std::size_t i, std::uint32_t colour);
  // `code`: kSeriesCode or a code of the fixed palette.
  void setCode(std::size_t i, ColourCode code);

  // For drawing: the coordinates, the codes (null while all are the series
  // colour), and the colour of every code below the overflow code.
  const float* xData() const { return shared_ ? shared_->data() : x_.data(); }
  const float* yData() const { return y_.data(); }
  const ColourCode* codes() const { return codes_.empty() ? nullptr : codes_.data(); }
  int codeCount() const { return kFixedColourCount + static_cast<int>(extra_.size()); }
  std::uint32_t codeColour(ColourCode code) const;

 private:
  // NaN matches NaN, and 0 does not match -0.
  static bool SameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }
  void ownX();
  void pushCode(ColourCode code);
  void storeCode(std::size_t i, ColourCode code);

  std::shared_ptr<const Column> shared_;  // x of every point while set, else x_
  Column x_;
  Column y_;
  std::vector<ColourCode> codes_;     // empty, or one per point
  std::vector<std::uint32_t> extra_;  // colours of the codes after the fixed palette
  std::unordered_map<std::size_t, std::uint32_t> overflow_;  // point -> colour
};

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

// The labels of a series, 4 bytes each: the whole seconds times two plus the
// tab, for times within 2^30 s (34 years) either side of zero. Any other label
// (a time beyond that, infinite, or without a label but with a tab) is kept
// whole in a table beside, so every label reads back exactly as it was put.
class ChartLabels {
 public:
  std::size_t size() const { return packed_.size(); }
  bool empty() const { return packed_.empty(); }
  void reserve(std::size_t n) { packed_.reserve(n); }
  void clear();
  void swap(ChartLabels& other) noexcept;

  void push_back(const ChartLabel& label);
  void emplace_back() { packed_.push_back(kNone); }
  // Unchecked, as a vector's operator[].
  ChartLabel operator[](std::size_t i) const;
  void setTab(std::size_t i, bool tab);

  static constexpr std::int32_t kPackedLimit = (1 << 30) - 1;

 private:
  static constexpr std::int32_t kNone = std::numeric_limits<std::int32_t>::min();
  static constexpr std::int32_t kAside = kNone + 1;
  static std::int32_t Pack(const ChartLabel& label);
  void store(std::size_t i, const ChartLabel& label);

  std::vector<std::int32_t> packed_;
  std::unordered_map<std::size_t, ChartLabel> aside_;
};

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

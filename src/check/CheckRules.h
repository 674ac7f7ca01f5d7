#pragma once
// Suspect points: rules that look at a flight's telemetry, coordinates and
// times and say which rows look wrong and why. They only report; nothing is
// excluded without the observer's command.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "flight/Points.h"

namespace dv {

enum class CheckFile : std::uint8_t { Tu, Crd };

enum class CheckRule : std::uint8_t {
  TSpike,        // a point or a short run off the running median of its neighbours
  USpike,
  TJump,         // a step between consecutive points
  UJump,
  TStuck,        // one value repeated for a long stretch while the sonde rises
  UStuck,
  TRange,        // a temperature no atmosphere holds (or the ±99 a dead channel gives)
  SRSpike,       // slant range off its running median
  SRJump,        // slant range changing faster than a balloon can move
  AzSpike,       // an angle whose third differences break out
  ElSpike,
  AscentRate,    // the height over a window rising too slowly or too fast
  HeightFall,    // the height falling before the highest point
  BelowHorizon,  // an elevation below the horizon after the first minute
  TuGap,         // records missing for longer than a threshold
  CrdGap,
  TuRepeat,      // a time given twice in a row
  CrdRepeat,
  TimeDrift,     // the telemetry clock running at another rate than the radar's
  URange,        // a humidity beyond saturation (or below zero) by more than the sensor allows
  TuTimeFailure,   // the first time that runs backwards, as the open reports it
  CrdTimeFailure,
  // The sounding as air, on the profile (with P0 known):
  Superadiabatic,   // potential temperature falling with height above the surface layer
  SharpInversion,   // a warming with height faster than any real inversion
  Supersaturation,  // beyond saturation over ice, or a dead dry sensor below the tropopause
  WindShear,        // the radar wind sheared beyond any jet
};
inline constexpr int kRuleCount = static_cast<int>(CheckRule::WindShear) + 1;

// Which of a telemetry point's two values a rule is about.
enum class TuValue : std::uint8_t { None, T, U, Both };

struct RuleInfo {
  const char* name;  // short, Russian
  const char* id;    // stable, for programs that read the checker's output
  CheckFile file;
  TuValue value;     // telemetry rules: the value the finding is about
  int decimals;      // of the value and the threshold as shown
  const char* unit;
  bool removable;    // whether its rows are points to exclude (not gaps or a clock)
};
const RuleInfo& InfoOf(CheckRule rule);

struct Finding {
  CheckRule rule = CheckRule::TSpike;
  CheckFile file = CheckFile::Tu;
  int firstRow = 0;  // rows (= point indexes) of the file, first <= last
  int lastRow = 0;
  double firstTime = 0;  // s, the times of those rows
  double lastTime = 0;
  double value = 0;      // what broke the rule (the largest departure of the run)
  double threshold = 0;  // what it was held against
  // Gaps: the records missing over the stretch and the records it should hold.
  int missing = 0, expected = 0;
};

// Every threshold, with what a sounding gives: a balloon rising 3-8 m/s,
// winds up to about 100 m/s, one record a second.
struct CheckThresholds {
  double tSpike = 2.0;       // °C off the median of 11 points
  double uSpike = 10.0;      // % off the median of 11 points
  double tJump = 1.5;        // °C per second between consecutive points
  double uJump = 20.0;       // % per second
  double stuckTime = 60.0;   // s of one repeated value
  double stuckRise = 100.0;  // m the sonde must rise meanwhile (when the radar saw it)
  double tMin = -95.0;       // °C, the coldest air a sounding meets
  double tMax = 50.0;        // °C, the hottest
  double srSpike = 150.0;    // m off the median of 11 points
  double srSpeed = 150.0;    // m/s, faster than wind and ascent together
  double uOver = 5.0;        // % above saturation (or below zero) a sensor can read
  double azSpike = 100.0;    // m the sonde moves across the line of sight by an azimuth spike
  double elSpike = 100.0;    // m it moves by an elevation spike
  double rateWindow = 60.0;  // s over which the ascent rate is taken
  double rateMin = 1.0;      // m/s
  double rateMax = 12.0;     // m/s
  double heightFall = 150.0;   // m below the highest height so far
  double settleTime = 60.0;    // s after launch before the angle rules apply
  double gap = 10.0;           // s without a record
  double gapMerge = 60.0;      // s between gaps that are told as one
  double driftWindow = 600.0;  // s over which the two clocks are compared
  double drift = 1.0;          // s the clocks may part within one window
  // The physics rules. Natural structure stays under them: above the surface
  // layer θ seldom falls even 1 K, and a jet's shear stays under 0.05 1/s.
  double surfaceLayer = 500.0;        // m above the station the surface layer takes
  double superadiabatic = 2.0;        // K of θ falling within the depth below
  double superadiabaticDepth = 300.0; // m
  double inversionRise = 2.5;         // K of warming, at least
  double inversionGradient = 20.0;    // °C per 100 m: the sensor's own lag spreads a real one wider
  double inversionDepth = 50.0;       // m over which the warming is looked for
  double iceOver = 60.0;              // % over saturation over ice, beyond cirrus's own
  double dryU = 1.0;                  // % a humidity sensor reads when dead
  double dryTime = 120.0;             // s it must read so below the tropopause
  double windShear = 0.06;            // 1/s of the radar wind over the shear depth
  double shearDepth = 300.0;          // m
};

// The configuration keys of the thresholds (section "[CHECK]").
struct ThresholdKey {
  const char* key;
  double CheckThresholds::*field;
};
const std::vector<ThresholdKey>& ThresholdKeys();
inline constexpr const char* kCheckSection = "CHECK";

// Every rule over the current telemetry and coordinates, sorted by time
// (then by rule). Excluded points and missing-value marks take part in none.
std::vector<Finding> RunChecks(const FlightPoints& points, const CheckThresholds& limits);
std::vector<Finding> RunChecks(const TuArray& tu, const CrdArray& crd, const CheckThresholds& limits);

// The rules over the coordinates alone, with what the telemetry's rules take
// from them (the heights, the times): kept while only the telemetry changes.
class CoordinateChecks {
 public:
  CoordinateChecks();
  CoordinateChecks(const CrdArray& crd, const CheckThresholds& limits);
  ~CoordinateChecks();
  CoordinateChecks(CoordinateChecks&&) noexcept;
  CoordinateChecks& operator=(CoordinateChecks&&) noexcept;
  struct State;

 private:
  std::unique_ptr<State> state_;
  friend std::vector<Finding> RunChecks(const TuArray&, const CoordinateChecks&, const CheckThresholds&);
};
// The same as RunChecks over the telemetry and the coordinates `crd` was made from.
std::vector<Finding> RunChecks(const TuArray& tu, const CoordinateChecks& crd, const CheckThresholds& limits);

// By time, then by rule and row, as every list of findings is kept.
void SortFindings(std::vector<Finding>& findings);

// The columns a finding is shown with: rule, rows, times, value, threshold.
struct FindingColumns {
  std::string rule, rows, times, value, threshold;
};
FindingColumns ColumnsOf(const Finding& finding);

// The rows of a finding that "Убрать найденное" excludes (first, last); none
// for a gap or a clock. A repeated time keeps its first row.
std::vector<std::pair<int, int>> RemovableRows(const Finding& finding);

}  // namespace dv

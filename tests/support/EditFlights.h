#pragma once
// A small flight with what the edits treat specially, and what a chart series
// shows, for the window tests of the edits and their undo.

#include <QString>
#include <string>
#include <tuple>
#include <vector>

#include "charts/PointSeries.h"
#include "common/Helpers.h"

namespace dvtest {

// 80 records per file with what the fills treat specially: values out of range,
// missing-value marks, a time failure in each file, an excluded launch point.
inline std::string Telemetry() {
  std::string text;
  for (int i = 0; i < 80; ++i) {
    const double time = i == 50 ? 48.5 : i;  // row 50 goes back in time
    const double t = i == 30 ? 150.0 : 5.0 - 0.2 * i;
    const double u = i == 31 ? 120.0 : i == 32 ? -99.0 : 80.0 - 0.5 * i;
    text += dv::FormatFixed(time, 0, 2) + "\t" + dv::FormatFixed(t, 0, 2) + "\t" + dv::FormatFixed(u, 0, 2) + "\r\n";
  }
  return text;
}

inline std::string Coordinates() {
  std::string text;
  for (int i = 0; i < 80; ++i) {
    const double time = i == 60 ? 58.0 : i;
    const double sr = i == 20 ? -999.0 : 150.0 + 40.0 * i;
    const double az = i == 21 ? -999.0 : 0.5 + 0.004 * i;
    const double el = i == 22 ? -999.0 : 0.05 + 0.01 * i;
    text += dv::FormatFixed(time, 0, 2) + "\t" + dv::FormatFixed(sr, 0, 2) + "\t" + dv::FormatFixed(az, 0, 6) + "\t" +
            dv::FormatFixed(el, 0, 6) + "\r\n";
  }
  return text;
}

// What a chart series shows: each point's place or placeholder, its colour (and
// whether it is its own or the series'), its label, and the ranges of the scales.
struct Shown {
  std::vector<std::tuple<bool, double, double, QRgb, bool, QString>> points;
  double keyLow = 0, keyHigh = 0, valueLow = 0, valueHigh = 0;
  bool hasRange = false;
  bool operator==(const Shown&) const = default;
};

inline Shown Snapshot(const TPointSeries* s) {
  Shown shown;
  for (int i = 0; i < s->count(); ++i) {
    const bool placeholder = s->isPlaceholder(i);
    shown.points.emplace_back(placeholder, placeholder ? 0 : s->x(i), placeholder ? 0 : s->y(i),
                              s->colour(i).rgb(), s->hasOwnColour(i), s->label(i));
  }
  bool found = false;
  const QCPRange keys = s->getKeyRange(found);
  const QCPRange values = s->getValueRange(found);
  shown.hasRange = found;
  if (found) shown = {shown.points, keys.lower, keys.upper, values.lower, values.upper, true};
  return shown;
}

}  // namespace dvtest

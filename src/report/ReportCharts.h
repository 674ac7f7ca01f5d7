#pragma once
// The charts of a flight built off the screen, as the window would show them
// just after opening it: for a report made without the window.

#include <QList>
#include <memory>

#include "report/ReportPdf.h"

namespace dv {
class FlightProducts;
}  // namespace dv
class ArcCharts;
class TChart;
class WindChart;
class DiagramChart;

class ReportCharts {
 public:
  // `tuOrg`, `crdOrg`: whether the flight has originals ("Исх." shown).
  ReportCharts(dv::FlightProducts& products, bool tuOrg, bool crdOrg);
  ~ReportCharts();
  // In the window's order: coordinates, trajectory, telemetry, wind, diagram.
  QList<ReportChart> charts() const;

 private:
  std::unique_ptr<TChart> tlm_, crd_, xy_, wind_, diagram_;
  std::unique_ptr<ArcCharts> arc_;
  std::unique_ptr<WindChart> windChart_;
  std::unique_ptr<DiagramChart> diagramChart_;
};

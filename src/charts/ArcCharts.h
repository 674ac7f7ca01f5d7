#pragma once
// The chart unit: sets up the three charts of the main window and their 14
// series, fills them from the point arrays and reports clicks on the edited
// series by point index (= record index = listing row).

#include <QObject>
#include <QPointer>
#include <array>

#include "charts/Derived.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"

class ArcCharts : public QObject {
  Q_OBJECT
 public:
  explicit ArcCharts(QObject* parent = nullptr);
  ~ArcCharts() override;

  // Form settings of the three charts, then the 14 series, empty and active.
  void CreateChartSeries(TChart* tlm, TChart* crd, TChart* xy);
  // Removes the 14 series (the charts stay).
  void FreeChartSeries();
  // Removes every point, own colour and label from the 14 series.
  void ClearCharts();
  // Appends the points of the four arrays (does not clear first).
  void FillCharts(const dv::FlightPoints& points);

  // After an edit: the current series of the edited array only. The original
  // series are filled once per open and never change after it.
  void RefillTelemetry(const dv::FlightPoints& points);
  void RefillCoordinates(const dv::FlightPoints& points);
  // After only the flags of the records first..last changed.
  void RecolourTelemetry(const dv::TuArray& points, int first, int last);
  void RecolourCoordinates(const dv::CrdArray& points, int first, int last);

  // The trajectory points whose label time lies in from..to orange, the others
  // in their own colours; true when a colour changed.
  bool HighlightTrajectory(double from, double to);
  // Back to the colours of the fill (what a refill of the charts leaves).
  void ClearTrajectoryHighlight();

  // The original series of a chart and its "Исх." group, with their legend boxes.
  void SetCrdOriginalsActive(bool active);
  void SetTlmOriginalsActive(bool active);

  TPointSeries* series(dv::SeriesId id) const { return series_[static_cast<int>(id)].data(); }
  TPointSeries* serTOrg() const { return series(dv::SeriesId::TOrg); }
  TPointSeries* serUOrg() const { return series(dv::SeriesId::UOrg); }
  TPointSeries* serT() const { return series(dv::SeriesId::T); }
  TPointSeries* serU() const { return series(dv::SeriesId::U); }
  TPointSeries* serZOrg() const { return series(dv::SeriesId::ZOrg); }
  TPointSeries* serSROrg() const { return series(dv::SeriesId::SROrg); }
  TPointSeries* serAzOrg() const { return series(dv::SeriesId::AzOrg); }
  TPointSeries* serElOrg() const { return series(dv::SeriesId::ElOrg); }
  TPointSeries* serZ() const { return series(dv::SeriesId::Z); }
  TPointSeries* serSR() const { return series(dv::SeriesId::SR); }
  TPointSeries* serAz() const { return series(dv::SeriesId::Az); }
  TPointSeries* serEl() const { return series(dv::SeriesId::El); }
  TPointSeries* serXYOrg() const { return series(dv::SeriesId::XYOrg); }
  TPointSeries* serXY() const { return series(dv::SeriesId::XY); }

  TChart* chrtTLM() const { return tlm_; }
  TChart* chrtCRD() const { return crd_; }
  TChart* chrtXY() const { return xy_; }
  // The vertical scales of the coordinate chart: D (slant range, left), A
  // (azimuth, right), and the Z and El scales inside the plot.
  QCPAxis* srAxis() const { return srAxis_; }
  QCPAxis* azAxis() const { return azAxis_; }
  QCPAxis* zScale() const { return crd_ ? crd_->yAxis : nullptr; }
  QCPAxis* elScale() const { return crd_ ? crd_->yAxis2 : nullptr; }

  static const QString kGroupOrg;  // "Исх."
  static const QString kGroupEd;   // "Ред."

  // A curve of a page that shows the originals beside the edited points (wind,
  // diagram): in its group's layer, named "<name>Raw" for the originals, the
  // cross cursor on the edited one, out of the legend, where the groups' check
  // boxes stand for it.
  static TPointSeries* makeGroupCurve(TChart* chart, QCPAxis* key, QCPAxis* value, bool edited, const char* name,
                                      QRgb colour);
  // Such a page's "Исх." and "Ред." check boxes; the originals off until a flight has them.
  static void addGroupLegend(TChart* chart);

 signals:
  void tlmPointClicked(int index);  // serT, serU
  void crdPointClicked(int index);  // serZ, serSR, serAz, serEl, serXY

 private:
  void setupTlm();
  void setupCrd();
  void setupXy();
  TPointSeries* makeSeries(dv::SeriesId id, TChart* chart, QCPAxis* valueAxis, QCPLayer* layer,
                           const QString& title, QRgb colour, int halfW, int halfH, bool edited);
  void onPointClicked(QCPAbstractPlottable* plottable, int index);
  void replotAll();
  // Clears the series of a pass and fills them again, swapping their storage in and out.
  void refillPass(const dv::FlightPoints& points, dv::FillPass pass);
  void swapIn(dv::FillPlan& plan, const std::vector<dv::SeriesId>& ids);
  void swapOut(dv::FillPlan& plan, const std::vector<dv::SeriesId>& ids);

  QPointer<TChart> tlm_, crd_, xy_;
  QPointer<QCPAxis> srAxis_, azAxis_;
  std::array<QPointer<TPointSeries>, dv::kSeriesCount> series_{};
  bool trajectoryHighlighted_ = false;
};

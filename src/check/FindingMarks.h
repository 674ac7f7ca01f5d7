#pragma once
// Points under a finding, outlined on the charts until the findings change.

#include <qcustomplot.h>

#include <QPointer>
#include <array>
#include <vector>

#include "charts/Derived.h"
#include "check/CheckRules.h"

class ArcCharts;
class TPointSeries;

// An outline around chosen points of one series, drawn over its markers and
// read from the series when drawn, so that a refill moves the outlines too.
// It takes no part in ranges, hits or the legend.
class TFindingOutline : public QCPAbstractPlottable {
  Q_OBJECT
 public:
  explicit TFindingOutline(TPointSeries* series);
  void setRows(std::vector<int> rows);
  const std::vector<int>& rows() const { return rows_; }
  TPointSeries* series() const { return series_; }

  double selectTest(const QPointF&, bool, QVariant* = nullptr) const override { return -1; }
  QCPRange getKeyRange(bool& found, QCP::SignDomain = QCP::sdBoth) const override {
    found = false;
    return {};
  }
  QCPRange getValueRange(bool& found, QCP::SignDomain = QCP::sdBoth, const QCPRange& = QCPRange()) const override {
    found = false;
    return {};
  }

  static constexpr QRgb kColour = 0x000000;  // black: no series is drawn in it

 protected:
  void draw(QCPPainter* painter) override;
  void drawLegendIcon(QCPPainter*, const QRectF&) const override {}

 private:
  QPointer<TPointSeries> series_;
  std::vector<int> rows_;
};

class FindingMarks {
 public:
  explicit FindingMarks(ArcCharts& charts) : charts_(charts) {}
  // Outlines the points of `findings`; an empty list takes every outline away.
  void Mark(const std::vector<dv::Finding>& findings);
  // The outline over a series (made on first use), or nullptr.
  TFindingOutline* outline(dv::SeriesId id) const;
  // The diagram's temperature and dew-point curves, outlined where the
  // telemetry chart's T and U are.
  void SetDiagram(TPointSeries* t, TPointSeries* td) { diagram_ = {t, td}; }
  TFindingOutline* diagramOutline(int curve) const { return diagramOutlines_[static_cast<std::size_t>(curve)].data(); }

 private:
  TFindingOutline* outlineFor(dv::SeriesId id);
  ArcCharts& charts_;
  std::array<QPointer<TFindingOutline>, dv::kSeriesCount> outlines_{};
  std::array<QPointer<TPointSeries>, 2> diagram_{};
  std::array<QPointer<TFindingOutline>, 2> diagramOutlines_{};
};

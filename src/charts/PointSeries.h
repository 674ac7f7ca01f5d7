#pragma once
// A chart series drawn as markers only: filled rectangles without outline, one
// colour per point, placeholders that hold an index but are never drawn, found
// by range finding or hit. Points keep the order in which they were added.

#include <qcustomplot.h>

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>

#include "charts/Derived.h"

class TPointSeries : public QCPAbstractPlottable {
  Q_OBJECT
 public:
  TPointSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

  // Series colour, marker half-extents in pixels (2 x 1 covers 5 x 3 pixels).
  QColor seriesColour() const { return QColor::fromRgb(seriesRgb_); }
  void setSeriesColour(const QColor& colour);
  int markerHalfWidth() const { return halfW_; }
  int markerHalfHeight() const { return halfH_; }
  void setMarkerSize(int halfWidth, int halfHeight);
  // The cross-hair cursor over the points (the edited series only).
  bool crossCursor() const { return crossCursor_; }
  void setCrossCursor(bool on) { crossCursor_ = on; }

  // A line through the points in their order (the diagram's curves): broken at
  // placeholders, past points with a colour of their own (excluded ones).
  void setLine(const QPen& pen) { linePen_ = pen; }
  bool hasLine() const { return linePen_.style() != Qt::NoPen; }

  // Per-point access.
  int count() const { return static_cast<int>(points_.size()); }
  bool isPlaceholder(int i) const { return points_.placeholder(checked(i)); }
  double x(int i) const { return points_.x(checked(i)); }
  double y(int i) const { return points_.y(checked(i)); }
  // The point's own colour, or the series colour.
  QColor colour(int i) const;
  bool hasOwnColour(int i) const;
  void setColour(int i, const QColor& colour);
  QString label(int i) const;

  // Whole-series changes. After editing points() call pointsChanged().
  void clear();
  dv::ChartPoints& points() { return points_; }
  const dv::ChartPoints& points() const { return points_; }
  // The trajectory series' labels, one per point; empty for the others.
  dv::ChartLabels& labels() { return labels_; }
  const dv::ChartLabels& labels() const { return labels_; }
  void pointsChanged();

  // Index of the point whose marker is within `tolerance` pixels of `pos`
  // (the nearest; on a tie the later, drawn on top), or -1 (also outside the
  // plot). Sets `distance`.
  int pointAt(const QPointF& pos, double tolerance, double* distance = nullptr) const;

  // QCPAbstractPlottable
  double selectTest(const QPointF& pos, bool onlySelectable,
                    QVariant* details = nullptr) const override;
  QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
  QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                         const QCPRange& inKeyRange = QCPRange()) const override;

  // How far a click may miss a marker and still hit it.
  static constexpr double kHitTolerance = 2.0;

 protected:
  void draw(QCPPainter* painter) override;
  void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

 private:
  struct Bounds {
    bool found = false;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  };
  void updateBounds();
  QRgb rgbOf(std::uint32_t colour) const {
    return 0xFF000000u | (colour == dv::kSeriesColour ? seriesRgb_ : colour);
  }
  // The opaque colour of every code below the overflow code, for one drawing.
  using CodeTable = std::array<QRgb, 256>;
  CodeTable codeTable() const;
  std::size_t checked(int i) const;
  void drawIntoImage(QCPPainter* painter, const QTransform& device);
  void drawRects(QCPPainter* painter);
  void drawLine(QCPPainter* painter) const;

  dv::ChartPoints points_;
  dv::ChartLabels labels_;
  Bounds bounds_;
  QRgb seriesRgb_ = 0x000000;
  int halfW_ = 1;
  int halfH_ = 1;
  bool crossCursor_ = false;
  QPen linePen_{Qt::NoPen};
};

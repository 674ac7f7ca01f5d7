#pragma once
// The "Диаграмма" page's chart: the sounding on a skew-T log-p diagram, the
// edited points ("Ред.") over the originals ("Исх."), with wind barbs, the
// tropopause and the maximum wind. x is the skewed temperature scale, y is ln p.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <array>
#include <cstdint>
#include <vector>

#include "diagram/SkewT.h"
#include "products/FlightProducts.h"

class QCPAbstractPlottable;
class QCPPainter;
class TChart;
class TPointSeries;

class DiagramChart : public QObject {
  Q_OBJECT
 public:
  enum Curve { T, Td, kCurves };

  explicit DiagramChart(TChart* chart, QObject* parent = nullptr);
  TChart* chart() const { return chart_; }
  TPointSeries* edited(Curve c) const { return edited_[c]; }
  TPointSeries* original(Curve c) const { return original_[c]; }
  void SetWindUnit(dv::diagram::WindUnit unit) { unit_ = unit; }

  // The edited curves: point i of each is telemetry row i at its pressure.
  void FillEdited(dv::FlightProducts& products);
  // The originals' curves, once per open; shown when the flight has originals.
  void FillOriginal(dv::FlightProducts& products, bool shown);
  bool EditedStale(const dv::FlightProducts& products) const { return editedStamp_ != products.LevelsStamp(); }
  bool OriginalStale(const dv::FlightProducts& products) const {
    return originalStamp_ != products.OriginalSoundingStamp();
  }
  void Clear();

  // What the chart shows now, and where (t, p) stands on it (widget pixels).
  dv::diagram::View view() const;
  QPointF pixelOf(double t, double p) const;
  const std::vector<dv::diagram::BarbLevel>& barbs() const { return barbs_; }
  // Which drawing of the background lines the screen shows (made once per size and scales).
  qint64 backgroundKey() const { return background_.cacheKey(); }
  // The readout at a widget pixel's height: "p 850 гПа  H 1457 гп.м ...", or empty.
  QString ReadoutAt(const QPointF& pos);

 signals:
  void tuPointClicked(int row);
  void readout(const QString& text);

 private:
  void onPointClicked(QCPAbstractPlottable* series, int index);
  void applyView();
  void drawUnder(QCPPainter* painter);
  void drawBackground(QCPPainter* painter) const;
  void drawMarks(QCPPainter* painter) const;
  void drawBarb(QCPPainter* painter, QPointF at, const dv::diagram::BarbLevel& barb) const;
  void Fill(const dv::TuArray& tu, const dv::Profile& profile, double p0, bool edited);

  TChart* chart_;
  std::array<QPointer<TPointSeries>, kCurves> edited_{}, original_{};
  std::uint64_t editedStamp_ = 0, originalStamp_ = 0;
  dv::diagram::WindUnit unit_ = dv::diagram::WindUnit::Knots;
  dv::FlightProducts* products_ = nullptr;  // the last filled from, for the readout
  std::vector<dv::diagram::BarbLevel> barbs_;
  struct Mark {
    double p;
    QString text;
    bool right;  // drawn at the right edge
  };
  std::vector<Mark> marks_;  // the tropopause and the maximum wind
  std::vector<std::pair<double, double>> heights_;  // standard level, gpm
  // The background as drawn last, for the size and scales it was drawn at.
  QImage background_;
  QRect backgroundRect_;
  dv::diagram::View backgroundView_;
  qreal backgroundRatio_ = 0;
  QSize viewSize_;  // the plot size the default view was made for
};

#pragma once
// The "Ветер" chart: wind speed, direction and ascent rate against height, for
// the original points ("Исх.") and the edited ones ("Ред.").

#include <QObject>
#include <QPointer>
#include <array>

#include "flight/Points.h"
#include "products/FlightProducts.h"
#include "wind/Wind.h"

class QCPAxis;
class QCPAbstractPlottable;
class TChart;
class TPointSeries;

class WindChart : public QObject {
  Q_OBJECT
 public:
  enum Curve { Speed, Direction, Rate, kCurves };

  explicit WindChart(TChart* chart, QObject* parent = nullptr);
  TChart* chart() const { return chart_; }
  TPointSeries* edited(Curve c) const { return edited_[c]; }
  TPointSeries* original(Curve c) const { return original_[c]; }

  // The edited curves from the current points: point i of each is row i, so a
  // click on it names the coordinate row.
  void FillEdited(dv::FlightProducts& products);
  // The original curves, once per open; shown only when the flight has originals.
  void FillOriginal(dv::FlightProducts& products, bool shown);
  // The curves whose wind the products would give otherwise now than when they were filled.
  bool EditedStale(const dv::FlightProducts& products) const { return editedStamp_ != products.EditedWindStamp(); }
  bool OriginalStale(const dv::FlightProducts& products) const {
    return originalStamp_ != products.OriginalWindStamp();
  }
  void Clear();

 signals:
  void crdPointClicked(int row);

 private:
  void onPointClicked(QCPAbstractPlottable* series, int index);
  TChart* chart_;
  std::array<QPointer<TPointSeries>, kCurves> edited_{}, original_{};
  std::uint64_t editedStamp_ = 0, originalStamp_ = 0;  // of the wind filled in
};

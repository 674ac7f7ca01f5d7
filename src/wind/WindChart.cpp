#include "wind/WindChart.h"

#include <QLinearGradient>
#include <memory>

#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"

namespace {

constexpr QRgb kNavy = 0x000080, kBlue = 0x0000FF, kGreen = 0x008000, kLime = 0x00FF00, kMaroon = 0x800000,
               kRed = 0xFF0000;

void styleAxis(QCPAxis* axis, const QString& title, QRgb colour) {
  axis->setVisible(true);
  axis->setLabel(title);
  QPen pen = axis->basePen();
  pen.setColor(QColor::fromRgb(colour));
  axis->setBasePen(pen);
  axis->setTickPen(pen);
  axis->setSubTickPen(pen);
  axis->setTickLabelColor(QColor::fromRgb(colour));
  axis->setLabelColor(QColor::fromRgb(colour));
  axis->setTickLength(0, 4);
  axis->setSubTickLength(0, 2);
}

// The curves as the chart shows them: x the value, y the height in km.
double ValueOf(const dv::WindPoint& p, WindChart::Curve c) {
  switch (c) {
    case WindChart::Speed: return p.speed;
    case WindChart::Direction: return p.direction;
    case WindChart::Rate: return p.w;
    case WindChart::kCurves: break;
  }
  return 0;
}

}  // namespace

WindChart::WindChart(TChart* chart, QObject* parent) : QObject(parent), chart_(chart) {
  chart->setToolTip(QStringLiteral("Ветер и скорость подъема по высоте"));
  QLinearGradient g(QPointF(0, 1), QPointF(0, 0));
  g.setCoordinateMode(QGradient::ObjectMode);
  g.setColorAt(0, QColor::fromRgb(0xE8F4FF));
  g.setColorAt(1, QColor::fromRgb(0xFFFFFF));
  chart->setBackground(QBrush(g));
  chart->setLoweredBevel(true);
  styleAxis(chart->xAxis, QStringLiteral("V, м/с;  W, м/с"), kNavy);
  styleAxis(chart->xAxis2, QStringLiteral("Направление, °"), kGreen);
  styleAxis(chart->yAxis, QStringLiteral("H, км"), Qt::black);
  chart->xAxis->grid()->setVisible(true);
  chart->yAxis->grid()->setVisible(true);
  chart->yAxis2->setVisible(false);
  // The direction keeps the whole compass.
  chart->xAxis2->setRange(0, 360);
  chart->setAutoScale(chart->xAxis2, false);
  QSharedPointer<QCPAxisTickerFixed> compass(new QCPAxisTickerFixed);
  compass->setTickStep(90);
  chart->xAxis2->setTicker(compass);
  chart->axisRect()->setRangeZoomAxes({chart->xAxis}, {chart->yAxis});

  struct Style {
    const char* name;
    QRgb org, ed;
    bool top;
  };
  const Style styles[kCurves] = {{"V", kBlue, kNavy, false}, {"Dir", kLime, kGreen, true}, {"W", kRed, kMaroon, false}};
  for (int c = 0; c < kCurves; ++c) {
    // The height is the key, so that the three curves share one column of it.
    QCPAxis* value = styles[c].top ? chart->xAxis2 : chart->xAxis;
    for (bool edited : {false, true}) {
      (edited ? edited_ : original_)[static_cast<std::size_t>(c)] = ArcCharts::makeGroupCurve(
          chart, chart->yAxis, value, edited, styles[c].name, edited ? styles[c].ed : styles[c].org);
    }
  }
  ArcCharts::addGroupLegend(chart);
  connect(chart, &TChart::pointClicked, this, &WindChart::onPointClicked);
}

void WindChart::FillEdited(dv::FlightProducts& products) {
  editedStamp_ = products.EditedWindStamp();
  const int rows = products.CrdRows();
  // Every row's height in km, the key the three curves share.
  auto heights = std::make_shared<std::vector<float>>(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row)
    (*heights)[static_cast<std::size_t>(row)] = dv::ChartCoordinate(products.HeightOf(row) / dv::kMetresPerKm);
  std::array<dv::ChartPoints*, kCurves> pts{};
  for (int c = 0; c < kCurves; ++c) {
    if (!edited_[static_cast<std::size_t>(c)]) return;
    dv::ChartPoints* p = &edited_[static_cast<std::size_t>(c)]->points();
    p->clear();
    p->shareX(heights);
    p->reserve(static_cast<std::size_t>(rows));
    pts[static_cast<std::size_t>(c)] = p;
  }
  // Rows without a value hold placeholders, so that point i stays row i.
  int row = 0;
  const auto padTo = [&](int end) {
    for (; row < end; ++row)
      for (dv::ChartPoints* p : pts) p->addPlaceholder();
  };
  products.EditedWind([&](const dv::WindPoint& w) {
    padTo(w.row);
    const float height = (*heights)[static_cast<std::size_t>(w.row)];
    for (int c = 0; c < kCurves; ++c)
      pts[static_cast<std::size_t>(c)]->push_back(height, dv::ChartCoordinate(ValueOf(w, static_cast<Curve>(c))));
    ++row;
  });
  padTo(rows);
  for (auto& s : edited_) s->pointsChanged();
  chart_->replotWhenShown();
}

void WindChart::FillOriginal(dv::FlightProducts& products, bool shown) {
  originalStamp_ = products.OriginalWindStamp();
  std::vector<dv::WindPoint> wind;
  if (shown) products.OriginalWind([&wind](const dv::WindPoint& p) { wind.push_back(p); });
  for (int c = 0; c < kCurves; ++c) {
    TPointSeries* s = original_[static_cast<std::size_t>(c)];
    if (!s) continue;
    dv::ChartPoints& pts = s->points();
    pts.clear();
    pts.reserve(wind.size());
    for (const dv::WindPoint& p : wind) {
      pts.push_back(dv::ChartCoordinate(p.height / dv::kMetresPerKm), dv::ChartCoordinate(ValueOf(p, static_cast<Curve>(c))));
    }
    s->pointsChanged();
  }
  chart_->setGroupActive(ArcCharts::kGroupOrg, shown);
  chart_->replotWhenShown();
}

void WindChart::Clear() {
  editedStamp_ = originalStamp_ = 0;
  for (auto* list : {&edited_, &original_})
    for (auto& s : *list)
      if (s) s->clear();
  chart_->replotWhenShown();
}

void WindChart::onPointClicked(QCPAbstractPlottable* series, int index) {
  for (const auto& s : edited_)
    if (s == series) emit crdPointClicked(index);
}

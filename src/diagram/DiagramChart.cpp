#include "diagram/DiagramChart.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "charts/ArcCharts.h"
#include "charts/Derived.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"
#include "thermo/Thermo.h"

namespace dg = dv::diagram;

namespace {

constexpr QRgb kRed = 0xD00000, kGreen = 0x008000, kLightRed = 0xF0A0A0, kLightGreen = 0x90D090;
constexpr QRgb kBarbColour = 0x000080, kMarkColour = 0x804000;

QString Fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// Background pens: thin and light, each family its own.
QPen PenOf(dg::LineKind kind, double value) {
  switch (kind) {
    case dg::LineKind::Isotherm: return QPen(QColor(value == 0 ? 0x9A8A6A : 0xD8CCB4), 0);
    case dg::LineKind::Isobar: return QPen(QColor(0xC8C8C8), 0);
    case dg::LineKind::DryAdiabat: return QPen(QColor(0xB8D8A8), 0);
    case dg::LineKind::MoistAdiabat: return QPen(QColor(0xA8C8E8), 0);
    case dg::LineKind::MixingRatio: return QPen(QColor(0xC0A8D8), 0, Qt::DashLine);
  }
  return QPen(Qt::lightGray, 0);
}

}  // namespace

DiagramChart::DiagramChart(TChart* chart, QObject* parent) : QObject(parent), chart_(chart) {
  chart->setToolTip(QStringLiteral("Аэрологическая диаграмма: температура и точка росы по давлению"));
  chart->setBackground(QBrush(Qt::white));  // the background lines need a plain ground
  chart->setLoweredBevel(true);
  chart->xAxis->setLabel(QStringLiteral("Температура, °C"));
  chart->yAxis->setLabel(QStringLiteral("Давление, гПа"));
  chart->yAxis2->setVisible(true);
  chart->yAxis2->setLabel(QStringLiteral("H, гп.м"));
  for (QCPAxis* axis : {chart->xAxis, chart->yAxis, chart->yAxis2}) {
    axis->grid()->setVisible(false);
    axis->setSubTicks(false);
    axis->setTickLength(0, 4);
    chart->setAutoScale(axis, false);
  }
  chart->yAxis->setRangeReversed(true);
  chart->yAxis2->setRangeReversed(true);
  chart->yAxis->setTicker(QSharedPointer<QCPAxisTickerText>(new QCPAxisTickerText));
  chart->yAxis2->setTicker(QSharedPointer<QCPAxisTickerText>(new QCPAxisTickerText));
  chart->xAxis->setTicker(QSharedPointer<QCPAxisTickerText>(new QCPAxisTickerText));
  chart->axisRect()->setRangeZoomAxes({chart->xAxis}, {chart->yAxis});
  // The heights stand beside their pressures, zoomed or not.
  connect(chart->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), chart->yAxis2,
          qOverload<const QCPRange&>(&QCPAxis::setRange));
  applyView();

  const QRgb colours[2][kCurves] = {{kLightRed, kLightGreen}, {kRed, kGreen}};
  const char* names[kCurves] = {"T", "Td"};
  for (int c = 0; c < kCurves; ++c) {
    for (bool edited : {false, true}) {
      TPointSeries* s = ArcCharts::makeGroupCurve(chart, chart->xAxis, chart->yAxis, edited, names[c], colours[edited][c]);
      s->setLine(QPen(QColor::fromRgb(colours[edited][c]), edited ? 1.5 : 1.0));
      (edited ? edited_ : original_)[static_cast<std::size_t>(c)] = s;
    }
  }
  ArcCharts::addGroupLegend(chart);
  connect(chart, &TChart::pointClicked, this, &DiagramChart::onPointClicked);
  connect(chart, &TChart::beforeDrawSeries, this, &DiagramChart::drawUnder);
  connect(chart, &QCustomPlot::beforeReplot, this, &DiagramChart::applyView);
  connect(chart, &TChart::renderLaidOut, this, &DiagramChart::applyView);
  // The plot's size is known after the layout: a new one takes another pass.
  connect(chart, &QCustomPlot::afterLayout, this, [this] {
    if (chart_->isZoomed() || chart_->axisRect()->rect().size() == viewSize_) return;
    // Laid out again for the new scales before this frame is drawn; labels of
    // another width may move the plot's edge once more, which the next frame takes.
    applyView();
    chart_->relayout();
    if (chart_->axisRect()->rect().size() != viewSize_) chart_->replot(QCustomPlot::rpQueuedReplot);
  });
  connect(chart, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { emit readout(ReadoutAt(e->position())); });
}

void DiagramChart::applyView() {
  QCPAxis* x = chart_->xAxis;
  QCPAxis* y = chart_->yAxis;
  if (!chart_->isZoomed()) {
    viewSize_ = chart_->axisRect()->rect().size();
    const dg::View v = dg::DefaultView(viewSize_.width(), viewSize_.height());
    x->setRange(v.xMin, v.xMax);
    y->setRange(std::log(v.pTop), std::log(v.pBottom));
  }
  // The labelled pressures and their heights, from the ground up, each one at
  // least a line of text above the last.
  const double spacing = QFontMetricsF(y->tickLabelFont()).height();
  auto pressures = qSharedPointerCast<QCPAxisTickerText>(y->ticker());
  auto heights = qSharedPointerCast<QCPAxisTickerText>(chart_->yAxis2->ticker());
  pressures->clear();
  heights->clear();
  double last = 1e9;
  for (double p : dg::kLabelledPressures) {
    const double py = y->coordToPixel(std::log(p));
    if (!y->range().contains(std::log(p)) || last - py < spacing) continue;
    last = py;
    pressures->addTick(std::log(p), Fixed(p, 0));
    for (const auto& [level, H] : heights_)
      if (level == p) heights->addTick(std::log(p), Fixed(H, 0));
  }
  // The temperatures where the isotherms meet the lower edge.
  auto ticker = qSharedPointerCast<QCPAxisTickerText>(x->ticker());
  ticker->clear();
  const double bottom = std::exp(y->range().upper);
  // Labels at least three digits' width apart.
  const double perDegree = chart_->axisRect()->width() / std::max(x->range().size(), 1e-9);
  const double room = QFontMetricsF(x->tickLabelFont()).horizontalAdvance(QStringLiteral("-000"));
  double step = 5;
  for (double s : {5.0, 10.0, 20.0, 30.0, 40.0, 50.0, 100.0})
    if ((step = s) * perDegree >= room) break;
  for (double t = std::ceil(dg::TemperatureAt(x->range().lower, bottom) / step) * step;
       dg::SkewX(t, bottom) <= x->range().upper; t += step)
    ticker->addTick(dg::SkewX(t, bottom), Fixed(t, 0));
}

dg::View DiagramChart::view() const {
  const QCPRange x = chart_->xAxis->range(), y = chart_->yAxis->range();
  return {x.lower, x.upper, std::exp(y.upper), std::exp(y.lower)};
}

QPointF DiagramChart::pixelOf(double t, double p) const {
  return {chart_->xAxis->coordToPixel(dg::SkewX(t, p)), chart_->yAxis->coordToPixel(std::log(p))};
}

void DiagramChart::Fill(const dv::TuArray& tu, const dv::Profile& profile, double p0, bool edited) {
  const std::vector<float> pressures = dg::PressuresAtTimes(profile, tu, p0);
  auto& series = edited ? edited_ : original_;
  dv::ChartPoints& t = series[T]->points();
  dv::ChartPoints& td = series[Td]->points();
  t.clear();
  td.clear();
  t.reserve(pressures.size());
  td.reserve(pressures.size());
  constexpr dv::ColourCode kTCode = dv::kCodeOf<dv::excluded_colour::kT>;
  constexpr dv::ColourCode kUCode = dv::kCodeOf<dv::excluded_colour::kU>;
  for (int i = 0; i < tu.Count(); ++i) {
    const dv::TuPoint& q = tu[i];
    const double p = pressures[static_cast<std::size_t>(i)];
    const bool tKnown = std::fabs(q.T) < dv::kTlmPlotLimit;
    const bool uKnown = q.U > 0 && q.U < dv::kTlmPlotLimit;
    // Rows without a pressure or a value hold placeholders: point i stays row i,
    // and the line is broken there.
    if (!(p > 0) || !tKnown) {
      t.addPlaceholder();
      td.addPlaceholder();
      continue;
    }
    const float y = dv::ChartCoordinate(std::log(p));
    t.push_back(dv::ChartCoordinate(dg::SkewX(q.T, p)), y, edited && q.TExcluded ? kTCode : dv::kSeriesCode);
    if (!uKnown) {
      td.addPlaceholder();
      continue;
    }
    const double dew = dv::thermo::DewPoint(q.T, std::min<double>(q.U, 100.0));
    const dv::ColourCode code =
        !edited ? dv::kSeriesCode : q.UExcluded ? kUCode : q.TExcluded ? kTCode : dv::kSeriesCode;
    td.push_back(dv::ChartCoordinate(dg::SkewX(dew, p)), y, code);
  }
  for (auto& s : series) s->pointsChanged();
}

void DiagramChart::FillEdited(dv::FlightProducts& products) {
  if (!edited_[T] || !edited_[Td]) return;
  products_ = &products;
  editedStamp_ = products.LevelsStamp();
  const dv::Profile& profile = products.Sounding();
  Fill(products.points().TuPoints, profile, products.info().OnGroundPressure, true);
  barbs_ = dg::WindBarbs(profile);
  marks_.clear();
  heights_.clear();
  for (const dv::Level& l : products.Levels()) {
    if (l.kind == dv::LevelKind::Standard && std::isfinite(l.H)) {
      heights_.emplace_back(l.p, l.H);
    } else if (l.kind == dv::LevelKind::Tropopause) {
      marks_.push_back({l.p, QStringLiteral("Тропопауза %1 гПа").arg(Fixed(l.p, 1)), false});
    } else if (l.kind == dv::LevelKind::MaxWind) {
      marks_.push_back({l.p, QStringLiteral("Макс. ветер %1 м/с").arg(Fixed(l.speed, 1)), true});
    }
  }
  chart_->replotWhenShown();
}

void DiagramChart::FillOriginal(dv::FlightProducts& products, bool shown) {
  if (!original_[T] || !original_[Td]) return;
  originalStamp_ = products.OriginalSoundingStamp();
  if (shown) {
    Fill(products.points().TuOrgPoints, products.OriginalSounding(), products.orgInfo().OnGroundPressure, false);
  } else {
    for (auto& s : original_) s->clear();
  }
  chart_->setGroupActive(ArcCharts::kGroupOrg, shown);
  chart_->replotWhenShown();
}

void DiagramChart::Clear() {
  editedStamp_ = originalStamp_ = 0;
  products_ = nullptr;
  barbs_.clear();
  marks_.clear();
  heights_.clear();
  for (auto* list : {&edited_, &original_})
    for (auto& s : *list)
      if (s) s->clear();
  chart_->replotWhenShown();
}

void DiagramChart::onPointClicked(QCPAbstractPlottable* series, int index) {
  for (const auto& s : edited_)
    if (s == series) emit tuPointClicked(index);
}

QString DiagramChart::ReadoutAt(const QPointF& pos) {
  if (!products_ || !chart_->axisRect()->rect().contains(pos.toPoint())) return {};
  const double p = std::exp(chart_->yAxis->pixelToCoord(pos.y()));
  const dg::Readout r = dg::ReadoutAt(products_->Sounding(), p);
  if (!r.found) return {};
  const auto value = [](double v, int decimals) { return std::isfinite(v) ? Fixed(v, decimals) : QStringLiteral("-"); };
  QString text = QStringLiteral("p %1 гПа   H %2 гп.м   T %3 °C   Td %4 °C   U %5 %")
                     .arg(Fixed(r.p, 1), Fixed(r.H, 0), value(r.T, 1), value(r.Td, 1), value(r.U, 0));
  if (std::isfinite(r.speed))
    text += QStringLiteral("   ветер %1° %2 м/с").arg(Fixed(r.direction, 0), Fixed(r.speed, 1));
  return text;
}

// ---------------------------------------------------------------- drawing

void DiagramChart::drawUnder(QCPPainter* painter) {
  const QRect rect = chart_->axisRect()->rect();
  if (rect.isEmpty()) return;
  const dg::View v = view();
  const int type = painter->device() ? painter->device()->devType() : 0;
  const bool raster = !painter->modes().testFlag(QCPPainter::pmVectorized) &&
                      (type == QInternal::Image || type == QInternal::Pixmap || type == QInternal::Widget);
  if (!raster) {
    drawBackground(painter);  // a printed page or a PDF keeps its lines as lines
  } else {
    // The lines are the same for every flight: drawn again only for a new size or scale.
    const qreal ratio = painter->device()->devicePixelRatioF();
    if (background_.isNull() || backgroundRect_ != rect || !(backgroundView_ == v) || backgroundRatio_ != ratio) {
      background_ = QImage(rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
      background_.setDevicePixelRatio(ratio);
      background_.fill(Qt::transparent);
      QCPPainter p(&background_);
      p.translate(-rect.topLeft());
      drawBackground(&p);
      p.end();
      backgroundRect_ = rect;
      backgroundView_ = v;
      backgroundRatio_ = ratio;
    }
    painter->drawImage(rect.topLeft(), background_);
  }
  drawMarks(painter);
}

void DiagramChart::drawBackground(QCPPainter* painter) const {
  const QRect rect = chart_->axisRect()->rect();
  painter->save();
  painter->setClipRect(rect);
  painter->setAntialiasing(true);
  QFont small = chart_->font();
  small.setPointSizeF(7);
  painter->setFont(small);
  QPolygonF line;
  for (const dg::BackgroundLine& l : dg::BackgroundLines()) {
    painter->setPen(PenOf(l.kind, l.value));
    if (l.kind == dg::LineKind::Isobar) {
      const double y = chart_->yAxis->coordToPixel(std::log(l.value));
      painter->drawLine(QPointF(rect.left(), y), QPointF(rect.right() + 1, y));
      continue;
    }
    line.clear();
    for (const dg::LinePoint& q : l.points) line.append(pixelOf(q.t, q.p));
    painter->drawPolyline(line);
    if (l.kind == dg::LineKind::MixingRatio && !line.isEmpty()) {
      // The mixing ratio at the line's upper end.
      painter->setPen(QColor(0x9070B0));
      painter->drawText(line.last() + QPointF(-6, -3), Fixed(l.value, l.value < 1 ? 1 : 0));
    }
  }
  painter->restore();
}

void DiagramChart::drawMarks(QCPPainter* painter) const {
  const QRect rect = chart_->axisRect()->rect();
  painter->save();
  painter->setClipRect(rect);
  painter->setAntialiasing(true);
  QFont font = chart_->font();
  font.setPointSizeF(8);
  painter->setFont(font);
  const QCPRange y = chart_->yAxis->range();
  for (const Mark& m : marks_) {
    if (!y.contains(std::log(m.p))) continue;
    // A whole pixel, which the chart's painter takes to the middle of a row when it
    // antialiases: the thin line stays crisp rather than smeared over two rows.
    const double py = std::round(chart_->yAxis->coordToPixel(std::log(m.p)));
    painter->setPen(QPen(QColor(kMarkColour), 1, Qt::DashDotLine));
    painter->drawLine(QPointF(rect.left(), py), QPointF(rect.right() - 40, py));
    painter->setPen(QColor(kMarkColour));
    // The tropopause named on the left, the maximum wind on the right, so that both read when close.
    if (m.right) {
      const double width = QFontMetricsF(font).horizontalAdvance(m.text);
      painter->drawText(QPointF(rect.right() - 44 - width, py - 3), m.text);
    } else {
      painter->drawText(QPointF(rect.left() + 4, py - 3), m.text);
    }
  }
  // The barbs along the right edge, thinned where the levels crowd together.
  double lastY = -1e9;
  const double x = rect.right() - 22;
  for (const dg::BarbLevel& b : barbs_) {
    if (!y.contains(std::log(b.p))) continue;
    const double py = chart_->yAxis->coordToPixel(std::log(b.p));
    if (std::fabs(py - lastY) < 12) continue;
    lastY = py;
    drawBarb(painter, QPointF(x, py), b);
  }
  painter->restore();
}

void DiagramChart::drawBarb(QCPPainter* painter, QPointF at, const dg::BarbLevel& level) const {
  const dg::Barb barb = dg::BarbOf(level.speed, unit_);
  painter->setPen(QPen(QColor(kBarbColour), 1));
  painter->setBrush(QColor(kBarbColour));
  if (barb.calm) {
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(at, 3, 3);
    return;
  }
  // The staff points to where the wind comes from (north up); the feathers stand
  // on its clockwise side.
  constexpr double kStaff = 24, kFeather = 9, kGap = 3.5;
  const double a = level.direction * M_PI / 180.0;
  const QPointF along(std::sin(a), -std::cos(a)), side(std::cos(a), std::sin(a));
  const QPointF tip = at + along * kStaff;
  painter->drawLine(at, tip);
  double s = 0;  // distance back from the tip
  for (int i = 0; i < barb.pennants; ++i, s += kGap * 1.6) {
    const QPointF base = tip - along * s;
    const QPolygonF flag{base, base - along * (kGap * 1.6), base + side * kFeather};
    painter->drawPolygon(flag);
  }
  if (barb.pennants > 0) s += kGap * 0.6;
  for (int i = 0; i < barb.full; ++i, s += kGap) {
    const QPointF from = tip - along * s;
    painter->drawLine(from, from + side * kFeather + along * (kFeather * 0.35));
  }
  if (barb.half) {
    if (barb.pennants == 0 && barb.full == 0) s += kGap;  // a lone half barb stands off the tip
    const QPointF from = tip - along * s;
    painter->drawLine(from, from + (side * kFeather + along * (kFeather * 0.35)) * 0.5);
  }
}

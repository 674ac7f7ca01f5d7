#include "charts/ArcCharts.h"

#include <cmath>

#include <QLinearGradient>

using dv::SeriesId;

const QString ArcCharts::kGroupOrg = QStringLiteral("Исх.");
const QString ArcCharts::kGroupEd = QStringLiteral("Ред.");

namespace {

// Colours of the form and the series (#RRGGBB).
constexpr QRgb kNavy = 0x000080, kBlue = 0x0000FF, kMaroon = 0x800000, kRed = 0xFF0000,
               kGreen = 0x008000, kTeal = 0x008080, kAqua = 0x00FFFF, kLime = 0x00FF00;

QColor rgb(QRgb c) { return QColor::fromRgb(c); }

// Background of the whole chart; the plot's back wall is transparent over it.
void setGradient(TChart* chart, QPointF from, QPointF to, QRgb fromColour, QRgb toColour) {
  QLinearGradient g(from, to);
  g.setCoordinateMode(QGradient::ObjectMode);
  g.setColorAt(0, rgb(fromColour));
  g.setColorAt(1, rgb(toColour));
  chart->setBackground(QBrush(g));
}

void setAxisColours(QCPAxis* axis, const QColor& line, const QColor& labels, const QColor& title) {
  QPen pen = axis->basePen();
  pen.setColor(line);
  axis->setBasePen(pen);
  axis->setTickPen(pen);
  axis->setSubTickPen(pen);
  axis->setTickLabelColor(labels);
  axis->setLabelColor(title);
}

// Ticks point outwards; "short" is the 2/1 of the left axes.
void setTicks(QCPAxis* axis, bool shortTicks) {
  axis->setTickLength(0, shortTicks ? 2 : 4);
  axis->setSubTickLength(0, shortTicks ? 1 : 2);
}

void setTitle(QCPAxis* axis, const QString& title, bool bold = false) {
  axis->setLabel(title);
  if (bold) {
    QFont f = axis->labelFont();
    f.setBold(true);
    axis->setLabelFont(f);
  }
}

void setGrid(QCPAxis* axis, bool on) {
  axis->grid()->setVisible(on);
  axis->grid()->setZeroLinePen(Qt::NoPen);
}

// A scale drawn inside the plot along its edge, labels towards the middle.
void makeInsideScale(QCPAxis* axis) {
  axis->setVisible(true);
  axis->setTickLabelSide(QCPAxis::lsInside);
  axis->setTickLength(4, 0);
  axis->setSubTickLength(2, 0);
}

// The common time axis of the telemetry and coordinate charts.
void setupTimeAxis(QCPAxis* axis, bool bold) {
  setTitle(axis, QStringLiteral("Время, с"), bold);
  QPen pen = axis->basePen();
  pen.setWidth(1);
  axis->setBasePen(pen);
  setTicks(axis, false);
  setGrid(axis, true);
}

bool formApplied(TChart* chart) { return chart->property("dvChartForm").toBool(); }
void markFormApplied(TChart* chart) { chart->setProperty("dvChartForm", true); }

}  // namespace

ArcCharts::ArcCharts(QObject* parent) : QObject(parent) {}

ArcCharts::~ArcCharts() = default;

TPointSeries* ArcCharts::makeSeries(SeriesId id, TChart* chart, QCPAxis* valueAxis, QCPLayer* layer,
                                    const QString& title, QRgb colour, int halfW, int halfH,
                                    bool edited) {
  auto* s = new TPointSeries(chart->xAxis, valueAxis);  // the chart owns it
  if (layer) s->setLayer(layer);
  s->setName(title);
  s->setSeriesColour(rgb(colour));
  s->setMarkerSize(halfW, halfH);
  s->setCrossCursor(edited);
  series_[static_cast<int>(id)] = s;
  return s;
}

TPointSeries* ArcCharts::makeGroupCurve(TChart* chart, QCPAxis* key, QCPAxis* value, bool edited, const char* name,
                                        QRgb colour) {
  auto* s = new TPointSeries(key, value);  // the chart owns it
  s->setLayer(chart->addGroup(edited ? kGroupEd : kGroupOrg));
  s->setName(QString::fromLatin1(name) + (edited ? QString() : QStringLiteral("Raw")));
  s->setSeriesColour(rgb(colour));
  s->setMarkerSize(1, 1);
  s->setCrossCursor(edited);
  s->removeFromLegend();
  return s;
}

void ArcCharts::addGroupLegend(TChart* chart) {
  chart->addGroupLegendItem(kGroupOrg);
  chart->addGroupLegendItem(kGroupEd);
  chart->setGroupActive(kGroupOrg, false);
}

void ArcCharts::setupTlm() {
  TChart* c = tlm_;
  if (!formApplied(c)) {
    c->setToolTip(QStringLiteral("Периоды телеметрии"));
    setGradient(c, {0, 0}, {1, 0}, 0xD0FFD0, 0xFFDFDF);  // left to right
    c->setLoweredBevel(true);
    setupTimeAxis(c->xAxis, false);
    setTitle(c->yAxis, QStringLiteral("T, °C"));
    setAxisColours(c->yAxis, rgb(kRed), Qt::black, Qt::black);
    setTicks(c->yAxis, true);
    setGrid(c->yAxis, true);
    c->yAxis2->setVisible(true);
    setTitle(c->yAxis2, QStringLiteral("U,%"));
    setAxisColours(c->yAxis2, rgb(kGreen), Qt::black, rgb(kGreen));
    setTicks(c->yAxis2, false);
    setGrid(c->yAxis2, true);
    c->axisRect()->setRangeZoomAxes({c->xAxis}, {c->yAxis, c->yAxis2});
    markFormApplied(c);
  }
  QCPLayer* org = c->addGroup(kGroupOrg);
  QCPLayer* ed = c->addGroup(kGroupEd);
  makeSeries(SeriesId::TOrg, c, c->yAxis, org, QStringLiteral("TRaw"), kMaroon, 2, 2, false);
  makeSeries(SeriesId::UOrg, c, c->yAxis2, org, QStringLiteral("URaw"), kTeal, 2, 2, false);
  makeSeries(SeriesId::T, c, c->yAxis, ed, QStringLiteral("TRaw"), kRed, 2, 2, true);
  makeSeries(SeriesId::U, c, c->yAxis2, ed, QStringLiteral("URaw"), kGreen, 2, 2, true);
  c->addGroupLegendItem(kGroupOrg);
  c->addGroupLegendItem(kGroupEd);
}

void ArcCharts::setupCrd() {
  TChart* c = crd_;
  if (!formApplied(c)) {
    c->setToolTip(QStringLiteral("Угловые координаты"));
    setGradient(c, {0, 1}, {0, 0}, 0xE0EEF1, 0xFFFFFF);  // bottom to top
    c->setLoweredBevel(true);
    setupTimeAxis(c->xAxis, true);
    // The axes nearest the plot are yAxis and yAxis2: they become the Z and El
    // scales with labels inside; D and A are added outside them.
    QCPAxis* z = c->yAxis;
    makeInsideScale(z);
    setTitle(z, QStringLiteral("Z, km"));
    setAxisColours(z, rgb(kMaroon), rgb(kMaroon), rgb(kMaroon));
    setGrid(z, false);
    QCPAxis* el = c->yAxis2;
    makeInsideScale(el);
    setTitle(el, QStringLiteral("El,°"));
    setAxisColours(el, Qt::black, rgb(kGreen), rgb(kTeal));
    setGrid(el, false);
    srAxis_ = c->axisRect()->addAxis(QCPAxis::atLeft);
    azAxis_ = c->axisRect()->addAxis(QCPAxis::atRight);
    for (QCPAxis* a : {srAxis_.data(), azAxis_.data()}) {
      a->setLowerEnding(QCPLineEnding::esNone);  // addAxis marks stacked axes with half bars
      a->setUpperEnding(QCPLineEnding::esNone);
      setGrid(a, false);
    }
    setTitle(srAxis_, QStringLiteral("D, km"));
    setAxisColours(srAxis_, rgb(kNavy), rgb(kNavy), rgb(kNavy));
    setTicks(srAxis_, true);
    setTitle(azAxis_, QStringLiteral("A, °"));
    setAxisColours(azAxis_, rgb(kBlue), rgb(kBlue), rgb(kBlue));
    setTicks(azAxis_, false);
    // The widget zooms bottom, left and right; the Z and El scales follow in
    // the zoom handler.
    c->axisRect()->setRangeZoomAxes({c->xAxis}, {srAxis_.data(), azAxis_.data()});
    markFormApplied(c);
  }
  QCPLayer* org = c->addGroup(kGroupOrg);
  QCPLayer* ed = c->addGroup(kGroupEd);
  makeSeries(SeriesId::ZOrg, c, zScale(), org, QStringLiteral("ZRaw"), kRed, 2, 1, false);
  makeSeries(SeriesId::SROrg, c, srAxis_, org, QStringLiteral("SRRaw"), kTeal, 1, 1, false);
  makeSeries(SeriesId::AzOrg, c, azAxis_, org, QStringLiteral("AzRaw"), kAqua, 1, 1, false);
  makeSeries(SeriesId::ElOrg, c, elScale(), org, QStringLiteral("ElRaw"), kLime, 1, 1, false);
  makeSeries(SeriesId::Z, c, zScale(), ed, QStringLiteral("ZRaw"), kMaroon, 2, 1, true);
  makeSeries(SeriesId::SR, c, srAxis_, ed, QStringLiteral("SRRaw"), kNavy, 1, 1, true);
  makeSeries(SeriesId::Az, c, azAxis_, ed, QStringLiteral("AzRaw"), kBlue, 1, 1, true);
  makeSeries(SeriesId::El, c, elScale(), ed, QStringLiteral("ElRaw"), kGreen, 1, 1, true);
  c->addGroupLegendItem(kGroupOrg);
  c->addGroupLegendItem(kGroupEd);
}

void ArcCharts::setupXy() {
  TChart* c = xy_;
  if (!formApplied(c)) {
    c->setToolTip(QStringLiteral("Горизонтальная траектория полета щара"));
    setGradient(c, {0, 1}, {0, 0}, 0xE0EEF1, 0xFFFFFF);
    c->setLoweredBevel(false);
    // Tick labels are values; the points' labels are never shown.
    setTitle(c->xAxis, QStringLiteral("X, км"), true);
    setAxisColours(c->xAxis, rgb(kBlue), rgb(kBlue), rgb(kBlue));
    setTicks(c->xAxis, false);
    setGrid(c->xAxis, true);
    setTitle(c->yAxis, QStringLiteral("Y, км"));
    setAxisColours(c->yAxis, rgb(kNavy), rgb(kNavy), rgb(kNavy));
    setTicks(c->yAxis, true);
    setGrid(c->yAxis, true);
    c->yAxis2->setVisible(false);
    c->axisRect()->setRangeZoomAxes({c->xAxis}, {c->yAxis});
    markFormApplied(c);
  }
  // No groups here: the legend lists the two series themselves.
  QCPLayer* main = c->layer(QStringLiteral("main"));
  c->addSeriesLegendItem(
      makeSeries(SeriesId::XYOrg, c, c->yAxis, main, kGroupOrg, kBlue, 1, 1, false));
  c->addSeriesLegendItem(makeSeries(SeriesId::XY, c, c->yAxis, main, kGroupEd, kNavy, 1, 1, true));
}

void ArcCharts::CreateChartSeries(TChart* tlm, TChart* crd, TChart* xy) {
  if (series_[0]) FreeChartSeries();
  tlm_ = tlm;
  crd_ = crd;
  xy_ = xy;
  setupTlm();
  setupCrd();
  setupXy();
  for (TChart* c : {tlm, crd, xy}) {
    connect(c, &TChart::pointClicked, this, &ArcCharts::onPointClicked, Qt::UniqueConnection);
  }
  replotAll();
}

void ArcCharts::FreeChartSeries() {
  for (auto& s : series_) {
    if (s) s->parentPlot()->removePlottable(s);  // deletes it
    s = nullptr;
  }
  for (TChart* c : {tlm_.data(), crd_.data(), xy_.data()}) {
    if (c) c->legend->clearItems();
  }
  replotAll();
}

void ArcCharts::ClearCharts() {
  for (auto& s : series_) {
    if (s) s->clear();
  }
  trajectoryHighlighted_ = false;
  replotAll();
}

namespace {
const std::vector<SeriesId>& AllSeries() {
  static const std::vector<SeriesId> all = [] {
    std::vector<SeriesId> ids;
    for (int i = 0; i < dv::kSeriesCount; ++i) ids.push_back(static_cast<SeriesId>(i));
    return ids;
  }();
  return all;
}
}  // namespace

// The plan works on the series' own storage: swapped in, changed, swapped back.
void ArcCharts::swapIn(dv::FillPlan& plan, const std::vector<SeriesId>& ids) {
  for (SeriesId id : ids) {
    plan[id].swap(series(id)->points());
    if (id == SeriesId::XY || id == SeriesId::XYOrg) plan.labels(id).swap(series(id)->labels());
  }
}

void ArcCharts::swapOut(dv::FillPlan& plan, const std::vector<SeriesId>& ids) {
  swapIn(plan, ids);  // a swap is its own inverse
}

void ArcCharts::FillCharts(const dv::FlightPoints& points) {
  if (!series_[0]) return;
  dv::FillPlan plan;
  swapIn(plan, AllSeries());
  dv::AppendFillPlan(points, plan);
  swapOut(plan, AllSeries());
  for (auto& s : series_) s->pointsChanged();
  replotAll();
}

void ArcCharts::refillPass(const dv::FlightPoints& points, dv::FillPass pass) {
  const std::vector<SeriesId> ids = dv::SeriesOfPass(pass);
  for (SeriesId id : ids) series(id)->clear();
  dv::FillPlan plan;
  swapIn(plan, ids);
  dv::AppendFillPass(points, pass, plan);
  swapOut(plan, ids);
  for (SeriesId id : ids) series(id)->pointsChanged();
}

void ArcCharts::RefillTelemetry(const dv::FlightPoints& points) {
  if (!series_[0]) return;
  refillPass(points, dv::FillPass::CurrentTelemetry);
  tlm_->replotWhenShown();
}

void ArcCharts::RefillCoordinates(const dv::FlightPoints& points) {
  if (!series_[0]) return;
  refillPass(points, dv::FillPass::CurrentCoordinates);
  trajectoryHighlighted_ = false;
  crd_->replotWhenShown();
  xy_->replotWhenShown();
}

void ArcCharts::RecolourTelemetry(const dv::TuArray& points, int first, int last) {
  if (!series_[0]) return;
  dv::RecolourTelemetry(points, first, last, serT()->points(), serU()->points());
  tlm_->replotWhenShown();
}

void ArcCharts::RecolourCoordinates(const dv::CrdArray& points, int first, int last) {
  if (!series_[0]) return;
  const std::vector<SeriesId>& ids = dv::SeriesOfPass(dv::FillPass::CurrentCoordinates);
  dv::FillPlan plan;
  swapIn(plan, ids);
  dv::RecolourCoordinates(points, first, last, plan);
  swapOut(plan, ids);
  crd_->replotWhenShown();
  xy_->replotWhenShown();
}

bool ArcCharts::HighlightTrajectory(double from, double to) {
  TPointSeries* xy = serXY();
  if (!xy) return false;
  dv::ChartPoints& points = xy->points();
  const dv::ChartLabels& labels = xy->labels();
  constexpr dv::ColourCode kInside = dv::kCodeOf<dv::highlight_colour::kInside>;
  constexpr dv::ColourCode kExcluded = dv::kCodeOf<dv::highlight_colour::kExcluded>;
  constexpr dv::ColourCode kOther = dv::kCodeOf<dv::highlight_colour::kOther>;
  bool changed = false;
  for (std::size_t i = 0; i < points.size() && i < labels.size(); ++i) {
    if (points.placeholder(i)) continue;
    const dv::ChartLabel label = labels[i];
    // A point without a usable time ends the highlight where it stands.
    if (!std::isfinite(label.seconds)) break;
    // The tab of a point excluded when filled keeps it fuchsia outside the range.
    const dv::ColourCode code = label.seconds >= from && label.seconds <= to ? kInside
                                : label.tab                                  ? kExcluded
                                                                             : kOther;
    if (points.code(i) == code) continue;  // a highlight again mostly changes nothing
    points.setCode(i, code);
    changed = true;
  }
  trajectoryHighlighted_ = true;
  return changed;
}

void ArcCharts::ClearTrajectoryHighlight() {
  TPointSeries* xy = serXY();
  if (!xy || !trajectoryHighlighted_) return;
  dv::ChartPoints& points = xy->points();
  const dv::ChartLabels& labels = xy->labels();
  constexpr dv::ColourCode kExcluded = dv::kCodeOf<dv::excluded_colour::kXY>;
  for (std::size_t i = 0; i < points.size() && i < labels.size(); ++i) {
    if (points.placeholder(i)) continue;
    points.setCode(i, labels[i].tab ? kExcluded : dv::kSeriesCode);
  }
  trajectoryHighlighted_ = false;
  xy_->replotWhenShown();
}

void ArcCharts::SetCrdOriginalsActive(bool active) {
  if (crd_) crd_->setGroupActive(kGroupOrg, active);  // the four series with their group
  if (serXYOrg()) serXYOrg()->setVisible(active);
  replotAll();
}

void ArcCharts::SetTlmOriginalsActive(bool active) {
  if (tlm_) tlm_->setGroupActive(kGroupOrg, active);
  replotAll();
}

void ArcCharts::onPointClicked(QCPAbstractPlottable* plottable, int index) {
  if (plottable == serT() || plottable == serU()) {
    emit tlmPointClicked(index);
  } else if (plottable == serZ() || plottable == serSR() || plottable == serAz() ||
             plottable == serEl() || plottable == serXY()) {
    emit crdPointClicked(index);
  }
}

// Queued: a clear followed by a fill draws once, on the next event loop turn.
void ArcCharts::replotAll() {
  for (TChart* c : {tlm_.data(), crd_.data(), xy_.data()}) {
    if (c) c->replot(QCustomPlot::rpQueuedReplot);
  }
}

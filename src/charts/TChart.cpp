#include "charts/TChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtWidgets/qdrawutil.h>
#include <algorithm>
#include <cmath>

#include "charts/PointSeries.h"

namespace {

constexpr int kBevelWidth = 1;
// A drag smaller than this in either direction is taken for a slip, not a zoom.
constexpr int kMinZoomPixels = 3;
const QColor kLegendBackground(0xFF, 0xFF, 0x00);  // yellow
const QColor kLegendFrame(0x00, 0x00, 0xFF);       // blue

}  // namespace

// Draws nothing itself: lets the chart paint after the grid, before the series.
class TChartHookLayerable : public QCPLayerable {
 public:
  TChartHookLayerable(TChart* chart, const QString& layer) : QCPLayerable(chart, layer), chart_(chart) {}
  double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
    painter->setAntialiasing(false);
  }
  QRect clipRect() const override {
    return chart_->axisRect() ? chart_->axisRect()->rect() : QCPLayerable::clipRect();
  }
  void draw(QCPPainter* painter) override { chart_->drawBeforeSeries(painter); }

 private:
  TChart* chart_;
};

// Draws the markers that the series wrote into the chart's canvas, on a layer
// right above all series layers.
class TChartCanvasLayerable : public QCPLayerable {
 public:
  TChartCanvasLayerable(TChart* chart, const QString& layer) : QCPLayerable(chart, layer), chart_(chart) {}
  double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
    painter->setAntialiasing(false);
  }
  void draw(QCPPainter* painter) override { chart_->canvas_.flush(painter); }

 private:
  TChart* chart_;
};

// ---------------------------------------------------------------------------

TLegendCheckItem::TLegendCheckItem(QCPLegend* parent, const QString& text, QCPLayer* group,
                                   QCPAbstractPlottable* series)
    : QCPAbstractLegendItem(parent), text_(text), group_(group), series_(series) {
  setSelectable(false);
  setMargins(QMargins(5, 2, 6, 2));
}

bool TLegendCheckItem::checked() const {
  if (group_) return group_->visible();
  return series_ && series_->visible();
}

void TLegendCheckItem::toggle() {
  const bool on = !checked();
  if (group_) {
    if (auto* chart = qobject_cast<TChart*>(mParentPlot)) chart->setGroupActive(group_->name(), on);
  } else if (series_) {
    series_->setVisible(on);
  }
}

QSize TLegendCheckItem::minimumOuterSizeHint() const {
  const QFontMetrics metrics(mFont);
  const QSize textSize = metrics.size(Qt::TextSingleLine, text_);
  const int w = kBoxSize + 4 + kSymbolWidth + 4 + textSize.width();
  const int h = std::max(textSize.height(), kBoxSize + 2);
  return QSize(w + mMargins.left() + mMargins.right(), h + mMargins.top() + mMargins.bottom());
}

void TLegendCheckItem::draw(QCPPainter* painter) {
  painter->setAntialiasing(false);
  // Dividing line before every entry but the first.
  if (mParentLegend && mParentLegend->itemCount() > 0 && mParentLegend->item(0) != this) {
    painter->setPen(QPen(kLegendFrame, 1));
    painter->drawLine(mOuterRect.topLeft(), mOuterRect.bottomLeft());
  }
  const QRect r = mRect;
  const int cy = r.center().y();
  // Check box.
  const QRect box(r.left(), cy - kBoxSize / 2, kBoxSize, kBoxSize);
  painter->setPen(QPen(Qt::black, 1));
  painter->setBrush(Qt::white);
  painter->drawRect(box.adjusted(0, 0, -1, -1));
  if (checked()) {
    painter->setAntialiasing(true);
    painter->setPen(QPen(Qt::black, 1.6));
    painter->drawPolyline(QPolygonF({QPointF(box.left() + 2.5, cy + 0.5), QPointF(box.left() + 4.5, cy + 2.5),
                                     QPointF(box.right() - 2.0, box.top() + 2.5)}));
    painter->setAntialiasing(false);
  }
  // Symbol: a small marker per colour, spread over its width.
  const int sx = box.right() + 5;
  const int n = static_cast<int>(swatches_.size());
  for (int i = 0; i < n; ++i) {
    const int mx = sx + (2 * i + 1) * kSymbolWidth / (2 * n);
    painter->fillRect(QRect(mx - 2, cy - 2, 5, 5), swatches_.at(i));
  }
  // Text.
  painter->setFont(mFont);
  painter->setPen(mTextColor);
  const QRect textRect(sx + kSymbolWidth + 4, r.top(), r.right() - (sx + kSymbolWidth + 4) + 1, r.height());
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
}

// ---------------------------------------------------------------------------

TChart::TChart(QWidget* parent) : QCustomPlot(parent) {
  setAutoAddPlottableToLegend(false);
  setSelectionRectMode(QCP::srmZoom);
  setMouseTracking(true);  // the cross-hair cursor follows the mouse without a button
  plotLayout()->setAutoMargins(QCP::msNone);
  plotLayout()->setMargins(QMargins(0, 0, 0, 0));
  plotLayout()->setRowSpacing(0);
  axisRect()->setBackground(Qt::NoBrush);  // transparent back wall: the chart's gradient shows
  xAxis2->setVisible(false);

  // Legend below the plot, centred: empty cells either side take the spare width.
  legend->setVisible(true);
  auto* legendRow = new QCPLayoutGrid;
  plotLayout()->addElement(1, 0, legendRow);
  plotLayout()->setRowStretchFactor(1, 0.001);
  legendRow->setMargins(QMargins(0, 2, 0, 6));
  legendRow->addElement(0, 0, new QCPLayoutElement(this));
  legendRow->addElement(0, 1, legend);
  legendRow->addElement(0, 2, new QCPLayoutElement(this));
  legendRow->setColumnStretchFactor(1, 0.001);
  legend->setFillOrder(QCPLegend::foColumnsFirst);
  legend->setBrush(kLegendBackground);
  legend->setBorderPen(QPen(kLegendFrame, 1));
  legend->setMargins(QMargins(1, 1, 1, 1));
  legend->setColumnSpacing(0);
  legend->setSelectableParts(QCPLegend::spNone);

  addLayer(QStringLiteral("beforeSeries"), layer(QStringLiteral("grid")), limAbove);
  hookLayer_ = layer(QStringLiteral("beforeSeries"));
  new TChartHookLayerable(this, hookLayer_->name());
  // Groups are inserted below "main", so this stays above every series layer.
  addLayer(QStringLiteral("seriesCanvas"), layer(QStringLiteral("main")), limAbove);
  new TChartCanvasLayerable(this, QStringLiteral("seriesCanvas"));

  // Scale before the layout (tick labels size the margins), and again after
  // it, when the plot's pixel size for the marker allowance is known.
  connect(this, &QCustomPlot::beforeReplot, this, [this] {
    canvas_.discard();  // nothing half-drawn from an earlier pass
    replotPending_ = false;
    applyAutoScale();
  });
  connect(this, &QCustomPlot::afterLayout, this, &TChart::applyAutoScale);
  connect(this, &QCustomPlot::plottableClick, this,
          [this](QCPAbstractPlottable* p, int index, QMouseEvent* event) {
            auto* series = qobject_cast<TPointSeries*>(p);
            if (!series || event->button() != Qt::LeftButton) return;
            if (index < 0 || index >= series->count() || series->isPlaceholder(index)) return;
            emit pointClicked(p, index);
          });
  connect(this, &QCustomPlot::legendClick, this, &TChart::onLegendClick);
}

TChart::~TChart() = default;

void TChart::setLoweredBevel(bool on) {
  bevel_ = on;
  const int b = on ? kBevelWidth : 0;
  plotLayout()->setMargins(QMargins(b, b, b, b));
  update();
}

void TChart::replotWhenShown() {
  if (isVisible()) {
    replot(rpQueuedReplot);
  } else {
    replotPending_ = true;
  }
}

void TChart::renderTo(QCPPainter* painter, int width, int height) {
  // Scaling needs the layout of that size, and the layout the scales' labels.
  const QRect shown = viewport();
  setViewport(QRect(0, 0, width, height));
  applyAutoScale();
  updateLayout();
  // Scales that follow the plot's own size, then the labels for them.
  emit renderLaidOut();
  updateLayout();
  setViewport(shown);
  toPainter(painter, width, height);
  replotWhenShown();  // back to the screen's size
}

void TChart::showEvent(QShowEvent* event) {
  QCustomPlot::showEvent(event);
  if (!replotPending_) return;
  replotPending_ = false;
  replot();  // before the first paint, so that no stale picture shows
}

void TChart::paintEvent(QPaintEvent* event) {
  QCustomPlot::paintEvent(event);
  if (bevel_) {
    QPainter painter(this);
    qDrawShadePanel(&painter, rect(), palette(), true, kBevelWidth);
  }
}

// --- scaling ----------------------------------------------------------------

void TChart::setAutoScale(QCPAxis* axis, bool on) {
  if (on) {
    manualAxes_.remove(axis);
  } else {
    manualAxes_.insert(axis, true);
  }
}

bool TChart::autoScale(QCPAxis* axis) const { return !manualAxes_.contains(axis); }

void TChart::applyAutoScale() {
  QCPAxisRect* rect = axisRect();
  if (!rect) return;
  for (QCPAxis* axis : rect->axes()) {
    if (manualAxes_.contains(axis)) continue;
    const bool horizontal = axis->orientation() == Qt::Horizontal;
    bool found = false;
    double lo = 0, hi = 0;
    int reach = 0;
    for (QCPAbstractPlottable* p : std::as_const(mPlottables)) {
      auto* s = qobject_cast<TPointSeries*>(p);
      if (!s || !s->realVisibility() || (s->keyAxis() != axis && s->valueAxis() != axis)) continue;
      bool has = false;
      const QCPRange r = s->keyAxis() == axis ? s->getKeyRange(has) : s->getValueRange(has);
      if (!has) continue;
      lo = found ? std::min(lo, r.lower) : r.lower;
      hi = found ? std::max(hi, r.upper) : r.upper;
      found = true;
      const bool keyHorizontal = s->keyAxis()->orientation() == Qt::Horizontal;
      const bool alongX = (s->keyAxis() == axis) == keyHorizontal;
      reach = std::max(reach, alongX ? s->markerHalfWidth() : s->markerHalfHeight());
    }
    if (!found) continue;
    if (hi - lo <= std::abs(hi) * 1e-12) {  // one value: give it room either side
      lo -= 1;
      hi += 1;
    }
    // Widen so that a marker at either end is drawn whole (one pixel spare: the
    // plot's last pixel column lies one short of the axis end).
    const int pixels = horizontal ? rect->width() : rect->height();
    const int margin = reach + 1;
    if (pixels > 2 * margin + 1) {
      const double perPixel = (hi - lo) / (pixels - 2 * margin);
      lo -= margin * perPixel;
      hi += margin * perPixel;
    }
    axis->setRange(lo, hi);
  }
}

// --- groups and legend --------------------------------------------------------

QCPLayer* TChart::addGroup(const QString& name) {
  if (QCPLayer* existing = group(name)) return existing;
  addLayer(name, layer(QStringLiteral("main")), limBelow);
  QCPLayer* l = layer(name);
  groups_.append(l);
  return l;
}

QCPLayer* TChart::group(const QString& name) const {
  for (QCPLayer* l : groups_) {
    if (l->name() == name) return l;
  }
  return nullptr;
}

void TChart::setGroupActive(const QString& name, bool active) {
  QCPLayer* l = group(name);
  if (!l) return;
  l->setVisible(active);
  for (QCPLayerable* child : l->children()) {
    if (auto* s = qobject_cast<TPointSeries*>(child)) s->setVisible(active);
  }
}

bool TChart::groupActive(const QString& name) const {
  const QCPLayer* l = group(name);
  return l && l->visible();
}

TLegendCheckItem* TChart::addGroupLegendItem(const QString& name) {
  QCPLayer* l = group(name);
  if (!l) return nullptr;
  auto* item = new TLegendCheckItem(legend, name, l, nullptr);
  QList<QColor> colours;
  for (QCPLayerable* child : l->children()) {
    if (auto* s = qobject_cast<TPointSeries*>(child)) colours.append(s->seriesColour());
  }
  item->setSwatches(colours);
  legend->addItem(item);
  return item;
}

TLegendCheckItem* TChart::addSeriesLegendItem(TPointSeries* series) {
  auto* item = new TLegendCheckItem(legend, series->name(), nullptr, series);
  item->setSwatches({series->seriesColour()});
  legend->addItem(item);
  return item;
}

TLegendCheckItem* TChart::legendItemFor(const QString& text) const {
  for (int i = 0; i < legend->itemCount(); ++i) {
    auto* item = qobject_cast<TLegendCheckItem*>(legend->item(i));
    if (item && item->text() == text) return item;
  }
  return nullptr;
}

void TChart::onLegendClick(QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent* event) {
  auto* check = qobject_cast<TLegendCheckItem*>(item);
  if (!check || event->button() != Qt::LeftButton) return;
  check->toggle();
  replot(rpQueuedReplot);
}

// --- mouse ---------------------------------------------------------------------

TPointSeries* TChart::seriesPointAt(const QPointF& pos, int* index, bool crossCursorOnly) const {
  // Top layer first, and on a layer the last drawn first: what the eye sees on top.
  for (int li = layerCount() - 1; li >= 0; --li) {
    const QList<QCPLayerable*> children = layer(li)->children();
    for (int ci = static_cast<int>(children.size()) - 1; ci >= 0; --ci) {
      auto* s = qobject_cast<TPointSeries*>(children.at(ci));
      if (!s || !s->realVisibility() || (crossCursorOnly && !s->crossCursor())) continue;
      const int i = s->pointAt(pos, TPointSeries::kHitTolerance);
      if (i >= 0) {
        if (index) *index = i;
        return s;
      }
    }
  }
  return nullptr;
}

void TChart::updateCursor(const QPointF& pos) {
  const bool over = seriesPointAt(pos, nullptr, true) != nullptr;
  if (over && cursor().shape() != Qt::CrossCursor) {
    setCursor(Qt::CrossCursor);
  } else if (!over && testAttribute(Qt::WA_SetCursor)) {
    unsetCursor();
  }
}

void TChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {  // right click undoes the zoom (on release)
    emit mousePress(event);
    mMouseSignalLayerable = nullptr;
    mMouseEventLayerable = nullptr;
    event->accept();
    return;
  }
  QCustomPlot::mousePressEvent(event);
  if (mSelectionRectMode == QCP::srmNone) return;
  // With zoom dragging on, the base class does not note what lies under the
  // press, so no click signal would follow. Prefer a series point or a legend
  // entry to an axis whose inside labels overlap the plot.
  QList<QVariant> details;
  const QList<QCPLayerable*> candidates = layerableListAt(event->pos(), false, &details);
  int pick = candidates.isEmpty() ? -1 : 0;
  for (int i = 0; i < candidates.size(); ++i) {
    if (qobject_cast<QCPAbstractPlottable*>(candidates.at(i)) ||
        qobject_cast<QCPAbstractLegendItem*>(candidates.at(i))) {
      pick = i;
      break;
    }
  }
  mMouseSignalLayerable = pick >= 0 ? candidates.at(pick) : nullptr;
  mMouseSignalLayerableDetails = pick >= 0 ? details.at(pick) : QVariant();
}

QString TChart::cursorText(const QPointF& pos) const {
  QCPAxisRect* rect = axisRect();
  if (!rect || !rect->rect().contains(pos.toPoint())) return {};
  QStringList parts;
  for (QCPAxis* axis : rect->axes()) {
    if (!axis->visible() || axis->label().isEmpty()) continue;
    const double v = axis->pixelToCoord(axis->orientation() == Qt::Horizontal ? pos.x() : pos.y());
    // The axis title as one line, its value with "." whatever the locale.
    parts << axis->label().simplified() + QStringLiteral(" = ") + QString::number(v, 'f', 1);
  }
  return parts.join(QStringLiteral("   "));
}

void TChart::leaveEvent(QEvent* event) {
  QCustomPlot::leaveEvent(event);
  emit cursorLeft();
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  QCustomPlot::mouseMoveEvent(event);
  if (event->buttons() == Qt::NoButton) updateCursor(event->position());
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    emit mouseRelease(event);
    event->accept();
    UndoZoom();
    return;
  }
  // Dragging up and to the left undoes the zoom instead of zooming.
  if (event->button() == Qt::LeftButton && mSelectionRect && mSelectionRect->isActive() &&
      mMouseHasMoved) {
    const QPoint drag = event->pos() - mMousePressPos;
    if (drag.x() < 0 && drag.y() < 0) {
      mSelectionRect->cancel();
      mMouseSignalLayerable = nullptr;
      emit mouseRelease(event);
      event->accept();
      UndoZoom();
      return;
    }
  }
  QCustomPlot::mouseReleaseEvent(event);
}

// --- zoom ------------------------------------------------------------------------

TChart::ZoomState TChart::saveState() const {
  ZoomState state;
  for (QCPAxis* axis : axisRect()->axes()) state.append({axis, axis->range(), autoScale(axis)});
  return state;
}

void TChart::restoreState(const ZoomState& state) {
  for (const AxisState& s : state) {
    if (!s.axis) continue;
    s.axis->setRange(s.range);
    setAutoScale(s.axis, s.autoScale);
  }
}

void TChart::processRectZoom(QRect rect, QMouseEvent* event) {
  QCPAxisRect* target = axisRectAt(rect.topLeft());
  if (!target || rect.width() < kMinZoomPixels || rect.height() < kMinZoomPixels) {
    replot(rpQueuedReplot);  // removes the drag rectangle
    return;
  }
  zoomStack_.append(saveState());
  QCustomPlot::processRectZoom(rect, event);
  const QList<QCPAxis*> zoomedAxes =
      target->rangeZoomAxes(Qt::Horizontal) + target->rangeZoomAxes(Qt::Vertical);
  for (QCPAxis* axis : zoomedAxes) {
    if (axis) setAutoScale(axis, false);
  }
  emit zoomed(rect);
}

// The Z and El scales of the coordinate chart return to automatic scaling on
// undo, so undo goes all the way back rather than one zoom at a time.
void TChart::UndoZoom() {
  if (!zoomStack_.isEmpty()) {
    restoreState(zoomStack_.first());
    zoomStack_.clear();
  }
  emit undoZoomed();
  replot(rpQueuedReplot);
}

void TChart::drawBeforeSeries(QCPPainter* painter) { emit beforeDrawSeries(painter); }

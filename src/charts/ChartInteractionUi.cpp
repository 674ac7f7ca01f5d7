// The window's side of the charts: the selected range drawn as a band, and the
// coordinate chart's Z and El scales kept in step with its zoom.

#include <algorithm>
#include <QPainter>

#include "app/MainWindow.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"

void TfmMainFrm::ChrtCRDZoom(const QRect& rect) {
  // The widget zoomed its standard scales; the two inside scales follow the
  // same rectangle in their own units (El first, then Z).
  const QRectF r(rect);
  for (QCPAxis* axis : {charts_->elScale(), charts_->zScale()}) {
    const double lower = axis->pixelToCoord(r.bottom());
    const double upper = axis->pixelToCoord(r.top());
    ChrtCRD->setAutoScale(axis, false);
    axis->setRange(lower, upper);
  }
  ChrtCRD->replot();
}

void TfmMainFrm::ChrtCRDUndoZoom() {
  for (QCPAxis* axis : {charts_->elScale(), charts_->zScale()}) ChrtCRD->setAutoScale(axis, true);
  ChrtCRD->replot(QCustomPlot::rpQueuedReplot);
}

void TfmMainFrm::ChartsBeforeDrawSeries(TChart* sender, QCPPainter* painter) {
  const dv::TSelectedRange* range = sender == ChrtTLM ? &TLMRange : sender == ChrtCRD ? &CRDRange : nullptr;
  if (!range || range->StartTime <= -1 || range->EndTime <= -1) return;
  const QRect plot = sender->axisRect()->rect();
  // Held just outside the plot: a zoomed or extreme time scale may put the edges
  // too far away for the painter's integer arithmetic.
  // (max then min: a plot not laid out yet has its right edge left of its left one).
  const auto edge = [&](double t) {
    return std::min(std::max(sender->xAxis->coordToPixel(t), plot.left() - 2.0), plot.right() + 2.0);
  };
  const double x1 = edge(range->StartTime);
  const double x2 = edge(range->EndTime);
  painter->save();
  painter->setPen(QPen(QColor::fromRgb(chartcolour::kTeal), 1, Qt::DotLine));
  painter->setBrush(Qt::NoBrush);
  painter->drawLine(QPointF(x1, plot.bottom()), QPointF(x1, plot.top()));
  painter->drawLine(QPointF(x2, plot.bottom()), QPointF(x2, plot.top()));
  painter->setBrush(QBrush(QColor::fromRgb(chartcolour::kFuchsia), Qt::FDiagPattern));  // lines running down from left to right
  painter->drawRect(QRectF(QPointF(x1, plot.top()), QPointF(x2, plot.bottom())));
  painter->restore();
}

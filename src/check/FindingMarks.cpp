#include "check/FindingMarks.h"

#include <algorithm>
#include <cmath>

#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"

using dv::CheckRule;
using dv::SeriesId;

TFindingOutline::TFindingOutline(TPointSeries* series)
    : QCPAbstractPlottable(series->keyAxis(), series->valueAxis()), series_(series) {
  setLayer(series->layer());  // hidden with its group
  setSelectable(QCP::stNone);
  setAntialiased(false);
  setPen(QPen(QColor::fromRgb(kColour), 1));
  setBrush(Qt::NoBrush);
}

void TFindingOutline::setRows(std::vector<int> rows) { rows_ = std::move(rows); }

void TFindingOutline::draw(QCPPainter* painter) {
  if (!series_ || !series_->visible() || rows_.empty()) return;
  QCPAxis* key = keyAxis();
  QCPAxis* value = valueAxis();
  if (!key || !value) return;
  // One pixel outside the marker on every side.
  const double w = series_->markerHalfWidth() + 2, h = series_->markerHalfHeight() + 2;
  const QRectF clip = clipRect();
  painter->setPen(pen());
  painter->setBrush(Qt::NoBrush);
  for (int row : rows_) {
    if (row < 0 || row >= series_->count() || series_->isPlaceholder(row)) continue;
    const double x = key->coordToPixel(series_->x(row));
    const double y = value->coordToPixel(series_->y(row));
    if (!std::isfinite(x) || !std::isfinite(y) || !clip.adjusted(-w, -h, w, h).contains(x, y)) continue;
    painter->drawRect(QRectF(std::round(x) - w, std::round(y) - h, 2 * w, 2 * h));
  }
}

namespace {

// The series whose points a rule's finding is about.
std::vector<SeriesId> SeriesOf(CheckRule rule) {
  switch (rule) {
    case CheckRule::TSpike:
    case CheckRule::TJump:
    case CheckRule::TStuck:
    case CheckRule::TRange:
    case CheckRule::Superadiabatic:
    case CheckRule::SharpInversion: return {SeriesId::T};
    case CheckRule::USpike:
    case CheckRule::UJump:
    case CheckRule::UStuck:
    case CheckRule::URange:
    case CheckRule::Supersaturation: return {SeriesId::U};
    case CheckRule::TuGap:
    case CheckRule::TuTimeFailure:
    case CheckRule::TuRepeat:
    case CheckRule::TimeDrift: return {SeriesId::T, SeriesId::U};
    case CheckRule::SRSpike:
    case CheckRule::SRJump: return {SeriesId::SR, SeriesId::XY};
    case CheckRule::AzSpike: return {SeriesId::Az, SeriesId::XY};
    case CheckRule::ElSpike:
    case CheckRule::BelowHorizon: return {SeriesId::El, SeriesId::XY};
    case CheckRule::AscentRate:
    case CheckRule::HeightFall: return {SeriesId::Z, SeriesId::XY};
    case CheckRule::CrdGap:
    case CheckRule::CrdRepeat:
    case CheckRule::CrdTimeFailure:
    case CheckRule::WindShear: return {SeriesId::SR, SeriesId::Az, SeriesId::El, SeriesId::XY};
  }
  return {};
}

}  // namespace

TFindingOutline* FindingMarks::outline(SeriesId id) const { return outlines_[static_cast<std::size_t>(id)].data(); }

TFindingOutline* FindingMarks::outlineFor(SeriesId id) {
  auto& slot = outlines_[static_cast<std::size_t>(id)];
  TPointSeries* series = charts_.series(id);
  if (!series) return nullptr;
  if (slot && slot->series() != series) delete slot.data();  // the series were made again
  if (!slot) {
    slot = new TFindingOutline(series);  // the chart owns it
    slot->removeFromLegend();
  }
  return slot.data();
}

void FindingMarks::Mark(const std::vector<dv::Finding>& findings) {
  std::array<std::vector<int>, dv::kSeriesCount> rows;
  for (const dv::Finding& f : findings)
    for (SeriesId id : SeriesOf(f.rule))
      for (int r = f.firstRow; r <= f.lastRow; ++r) rows[static_cast<std::size_t>(id)].push_back(r);
  for (auto& list : rows) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  // The diagram's T and Td take the telemetry's rows.
  for (std::size_t c = 0; c < diagram_.size(); ++c) {
    const auto& list = rows[static_cast<std::size_t>(c == 0 ? SeriesId::T : SeriesId::U)];
    if (!diagram_[c] || (list.empty() && !diagramOutlines_[c])) continue;
    if (!diagramOutlines_[c]) {
      diagramOutlines_[c] = new TFindingOutline(diagram_[c]);  // the chart owns it
      diagramOutlines_[c]->removeFromLegend();
    }
    diagramOutlines_[c]->setRows(list);
    if (auto* chart = qobject_cast<TChart*>(diagram_[c]->parentPlot())) chart->replotWhenShown();
  }
  for (int k = 0; k < dv::kSeriesCount; ++k) {
    auto& list = rows[static_cast<std::size_t>(k)];
    const auto id = static_cast<SeriesId>(k);
    if (list.empty() && !outline(id)) continue;
    TFindingOutline* o = outlineFor(id);
    if (!o) continue;
    o->setRows(std::move(list));
  }
  for (TChart* chart : {charts_.chrtTLM(), charts_.chrtCRD(), charts_.chrtXY()})
    if (chart) chart->replotWhenShown();
}

#include "charts/PointSeries.h"

#include "charts/MarkerCanvas.h"
#include "charts/TChart.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

// One point's place, as the loops read it from the series' columns.
struct XY {
  float x, y;
};

// Value -> pixel of one axis. Linear axes (all of ours) get a multiply-add
// instead of a call per point.
struct AxisMap {
  const QCPAxis* axis = nullptr;
  bool linear = true;
  double offset = 0;
  double factor = 0;

  explicit AxisMap(const QCPAxis* a) : axis(a) {
    const QCPRange r = a->range();
    linear = a->scaleType() == QCPAxis::stLinear && r.upper != r.lower;
    if (linear) {
      const double p0 = a->coordToPixel(r.lower);
      const double p1 = a->coordToPixel(r.upper);
      factor = (p1 - p0) / (r.upper - r.lower);
      offset = p0 - r.lower * factor;
    }
  }
  double operator()(double v) const { return linear ? offset + v * factor : axis->coordToPixel(v); }
};

// Both pixel coordinates of a point, whichever way the key axis runs.
struct PointMap {
  AxisMap key, value;
  bool keyHorizontal;
  PointMap(const QCPAxis* k, const QCPAxis* v)
      : key(k), value(v), keyHorizontal(k->orientation() == Qt::Horizontal) {}
  void operator()(const XY& p, double& px, double& py) const { (*this)(p.x, p.y, px, py); }
  void operator()(double x, double y, double& px, double& py) const {
    if (keyHorizontal) {
      px = key(x);
      py = value(y);
    } else {
      px = value(y);
      py = key(x);
    }
  }
};

// Points far outside the plot are dropped before rounding, so this stays in range.
constexpr double kFarPixels = 1.0e6;
inline int roundPixel(double v) {
  return static_cast<int>(v + 0.5 + kFarPixels) - static_cast<int>(kFarPixels);
}

// Values beyond this cannot be put on an axis (QCustomPlot refuses ranges past
// its maxRange) nor turned into pixels: such a point is kept, like a placeholder,
// but never drawn, ranged or hit.
const double kDrawableLimit = QCPRange::maxRange / 4;
inline bool drawable(double v) { return std::fabs(v) < kDrawableLimit; }  // false for NaN and INF
inline bool drawable(const XY& p) { return drawable(double{p.x}) && drawable(double{p.y}); }

}  // namespace

TPointSeries::TPointSeries(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPAbstractPlottable(keyAxis, valueAxis) {
  setSelectable(QCP::stNone);  // clicks are reported, never shown as a selection
  setPen(Qt::NoPen);
}

void TPointSeries::setSeriesColour(const QColor& colour) {
  seriesRgb_ = colour.rgb() & 0xFFFFFFu;
  setBrush(colour);
}

void TPointSeries::setMarkerSize(int halfWidth, int halfHeight) {
  halfW_ = std::max(0, halfWidth);
  halfH_ = std::max(0, halfHeight);
}

// Indices are checked against the points as a vector's at() checks them.
std::size_t TPointSeries::checked(int i) const {
  const auto k = static_cast<std::size_t>(i);
  if (k >= points_.size()) throw std::out_of_range("TPointSeries: no point " + std::to_string(i));
  return k;
}

QColor TPointSeries::colour(int i) const { return QColor::fromRgb(rgbOf(points_.colour(checked(i)))); }

bool TPointSeries::hasOwnColour(int i) const { return points_.code(checked(i)) != dv::kSeriesCode; }

void TPointSeries::setColour(int i, const QColor& colour) {
  points_.setColour(checked(i), colour.rgb() & 0xFFFFFFu);
}

QString TPointSeries::label(int i) const {
  const std::size_t k = checked(i);
  return k < labels_.size() ? QString::fromStdString(dv::LabelText(labels_[k])) : QString();
}

TPointSeries::CodeTable TPointSeries::codeTable() const {
  CodeTable table{};
  const int n = std::min(points_.codeCount(), int{dv::ChartPoints::kOverflowCode});
  for (int c = 0; c < n; ++c) table[static_cast<std::size_t>(c)] = rgbOf(points_.codeColour(static_cast<dv::ColourCode>(c)));
  return table;
}

void TPointSeries::clear() {
  points_.clear();  // keeps the capacity for the next fill
  labels_.clear();
  bounds_ = Bounds{};
}

void TPointSeries::pointsChanged() { updateBounds(); }

void TPointSeries::updateBounds() {
  Bounds b;
  const float *xs = points_.xData(), *ys = points_.yData();
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const XY p{xs[i], ys[i]};
    if (!drawable(p)) continue;
    const double x = p.x, y = p.y;
    if (!b.found) {
      b = {true, x, x, y, y};
      continue;
    }
    b.xMin = std::min(b.xMin, x);
    b.xMax = std::max(b.xMax, x);
    b.yMin = std::min(b.yMin, y);
    b.yMax = std::max(b.yMax, y);
  }
  bounds_ = b;
}

QCPRange TPointSeries::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
  if (inSignDomain == QCP::sdBoth) {
    foundRange = bounds_.found;
    return QCPRange(bounds_.xMin, bounds_.xMax);
  }
  // Only log axes ask for one sign; rare enough for a scan.
  foundRange = false;
  QCPRange r;
  const float *xs = points_.xData(), *ys = points_.yData();
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const XY p{xs[i], ys[i]};
    const double x = p.x;
    if (!drawable(p) || (inSignDomain == QCP::sdPositive ? x <= 0 : x >= 0)) continue;
    r = foundRange ? QCPRange(std::min(r.lower, x), std::max(r.upper, x)) : QCPRange(x, x);
    foundRange = true;
  }
  return r;
}

QCPRange TPointSeries::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain,
                                     const QCPRange& inKeyRange) const {
  const bool allKeys = inKeyRange == QCPRange();
  if (inSignDomain == QCP::sdBoth && allKeys) {
    foundRange = bounds_.found;
    return QCPRange(bounds_.yMin, bounds_.yMax);
  }
  foundRange = false;
  QCPRange r;
  const float *xs = points_.xData(), *ys = points_.yData();
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const XY p{xs[i], ys[i]};
    if (!drawable(p) || (!allKeys && !inKeyRange.contains(p.x))) continue;
    if (inSignDomain == QCP::sdPositive && p.y <= 0) continue;
    if (inSignDomain == QCP::sdNegative && p.y >= 0) continue;
    const double y = p.y;
    r = foundRange ? QCPRange(std::min(r.lower, y), std::max(r.upper, y)) : QCPRange(y, y);
    foundRange = true;
  }
  return r;
}

int TPointSeries::pointAt(const QPointF& pos, double tolerance, double* distance) const {
  // Markers are clipped to the plot: outside it nothing can be hit.
  if (!mKeyAxis || !mValueAxis || points_.empty() || !clipRect().contains(pos.toPoint())) return -1;
  const PointMap map(mKeyAxis.data(), mValueAxis.data());
  // The pixel under the cursor, compared with the marker's pixels.
  const int cx = static_cast<int>(std::floor(pos.x()));
  const int cy = static_cast<int>(std::floor(pos.y()));
  const double reachX = halfW_ + tolerance + 1;
  const double reachY = halfH_ + tolerance + 1;
  int best = -1;
  double bestDistance = tolerance;
  const float *xs = points_.xData(), *ys = points_.yData();
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const XY p{xs[i], ys[i]};
    if (!drawable(p)) continue;
    double px, py;
    map(p, px, py);
    if (std::fabs(px - cx) > reachX || std::fabs(py - cy) > reachY) continue;
    const int mx = roundPixel(px);
    const int my = roundPixel(py);
    const int dx = std::max({mx - halfW_ - cx, cx - (mx + halfW_), 0});
    const int dy = std::max({my - halfH_ - cy, cy - (my + halfH_), 0});
    const double d = std::max(dx, dy);
    if (d <= bestDistance) {  // "<=": a later point is drawn over an earlier one
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  if (best >= 0 && distance) *distance = bestDistance;
  return best;
}

double TPointSeries::selectTest(const QPointF& pos, bool onlySelectable, QVariant* details) const {
  if (onlySelectable && mSelectable == QCP::stNone) return -1;
  double distance = 0;
  const int index = pointAt(pos, kHitTolerance, &distance);
  if (index < 0) return -1;
  if (details) details->setValue(QCPDataSelection(QCPDataRange(index, index + 1)));
  return distance;
}

void TPointSeries::draw(QCPPainter* painter) {
  if (!bounds_.found || !mKeyAxis || !mValueAxis) return;
  if (hasLine()) drawLine(painter);
  // Markers are whole pixels. Antialiasing off also drops QCPPainter's half-pixel shift.
  painter->setAntialiasing(false);
  const QTransform device = painter->deviceTransform();
  const int type = painter->device() ? painter->device()->devType() : 0;
  const bool raster = (type == QInternal::Image || type == QInternal::Pixmap) &&
                      !painter->modes().testFlag(QCPPainter::pmVectorized) &&
                      device.type() <= QTransform::TxScale;
  if (raster) {
    drawIntoImage(painter, device);
  } else {
    drawRects(painter);
  }
}

void TPointSeries::drawLine(QCPPainter* painter) const {
  const PointMap map(mKeyAxis.data(), mValueAxis.data());
  const bool vector = painter->modes().testFlag(QCPPainter::pmVectorized);
  // On the screen a one-pixel line without antialiasing, like the markers: a
  // hundred thousand points in a few milliseconds.
  painter->setAntialiasing(vector);
  QPen pen = linePen_;
  if (!vector) pen.setWidth(0);
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  // A long sounding has hundreds of points per pixel, and a noisy one jumps
  // between pixels from point to point: the points are taken in buckets of
  // about as many as there are pixels along the plot, each drawn as its first,
  // last and extreme points in their order, which keeps the line's envelope.
  const QRect plot = clipRect();
  const std::size_t n = points_.size();
  const std::size_t pixels = static_cast<std::size_t>(std::max(1, std::max(plot.width(), plot.height())));
  const std::size_t bucket = vector ? 1 : std::max<std::size_t>(1, n / pixels);
  QPolygonF line;
  struct Pick {
    std::size_t at;
    QPointF p;
  };
  std::array<Pick, 6> picks{};  // first, last, left, right, top, bottom
  std::size_t taken = 0, filled = 0;
  const auto close = [&] {
    if (filled == 0) return;
    std::array<Pick, 6> order = picks;
    std::sort(order.begin(), order.end(), [](const Pick& a, const Pick& b) { return a.at < b.at; });
    for (std::size_t k = 0; k < order.size(); ++k)
      if (k == 0 || order[k].at != order[k - 1].at) line.append(order[k].p);
    filled = 0;
  };
  const auto flush = [&] {
    close();
    if (line.size() > 1) painter->drawPolyline(line);
    line.clear();
    taken = 0;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const XY p{points_.x(i), points_.y(i)};
    if (!drawable(p)) {
      flush();
      continue;
    }
    if (points_.code(i) != dv::kSeriesCode) continue;
    double px, py;
    map(p, px, py);
    const Pick at{i, QPointF(px, py)};
    if (filled == 0) {
      picks.fill(at);
    } else {
      picks[1] = at;
      if (px < picks[2].p.x()) picks[2] = at;
      if (px > picks[3].p.x()) picks[3] = at;
      if (py < picks[4].p.y()) picks[4] = at;
      if (py > picks[5].p.y()) picks[5] = at;
    }
    ++filled;
    if (++taken % bucket == 0) close();
  }
  flush();
}

// Marker pixels go into the chart's canvas, drawn once after all its series
// (TMarkerCanvas); on a plain QCustomPlot into an image of our own.
void TPointSeries::drawIntoImage(QCPPainter* painter, const QTransform& device) {
  const PointMap map(mKeyAxis.data(), mValueAxis.data());
  const double sx = device.m11(), sy = device.m22(), tx = device.dx(), ty = device.dy();
  const QRect clip = clipRect();
  // Device pixels of the plot, then of the part the markers can reach.
  const auto toDevice = [&](double l, double t, double r, double b) {
    return QRect(QPoint(roundPixel(l * sx + tx), roundPixel(t * sy + ty)),
                 QPoint(roundPixel(r * sx + tx) - 1, roundPixel(b * sy + ty) - 1));
  };
  const QRect deviceClip =
      toDevice(clip.left(), clip.top(), clip.left() + clip.width(), clip.top() + clip.height());
  double x0, y0, x1, y1;
  map(bounds_.xMin, bounds_.yMin, x0, y0);
  map(bounds_.xMax, bounds_.yMax, x1, y1);
  const double reach = std::max(halfW_, halfH_) + 2;
  // Zoomed in, the bounds lie far outside the plot: held near it before rounding.
  const double margin = reach + 2;
  // (max then min rather than std::clamp: an empty clip may have its far edge first)
  const auto nearX = [&](double v) {
    return std::min(std::max(v, clip.left() - margin), clip.left() + clip.width() + margin);
  };
  const auto nearY = [&](double v) {
    return std::min(std::max(v, clip.top() - margin), clip.top() + clip.height() + margin);
  };
  x0 = nearX(x0), x1 = nearX(x1), y0 = nearY(y0), y1 = nearY(y1);
  const QRect area =
      toDevice(std::min(x0, x1) - reach, std::min(y0, y1) - reach, std::max(x0, x1) + reach + 1,
               std::max(y0, y1) + reach + 1)
          .intersected(deviceClip);
  if (area.isEmpty()) return;

  TMarkerCanvas own;
  auto* chart = qobject_cast<TChart*>(mParentPlot);
  TMarkerCanvas& canvas = chart ? chart->markerCanvas() : own;
  canvas.prepare(painter, deviceClip);
  canvas.addDirty(area);
  const int w = deviceClip.width(), h = deviceClip.height();
  const auto fill = [&](int l, int r, int t, int b, quint32 argb) {
    l = std::max(l, 0);
    r = std::min(r, w);
    t = std::max(t, 0);
    b = std::min(b, h);
    for (int row = t; row < b; ++row) {
      quint32* line = canvas.line(row);
      for (int col = l; col < r; ++col) line[col] = argb;
    }
  };
  const double left = clip.left() - halfW_ - 2, right = clip.left() + clip.width() + halfW_ + 2;
  const double top = clip.top() - halfH_ - 2, bottom = clip.top() + clip.height() + halfH_ + 2;
  // At scale 1 with a whole-pixel offset (the screen, without a device pixel
  // ratio) a marker is its centre pixel plus the half-extents: two roundings
  // per point instead of six.
  const bool plain = sx == 1 && sy == 1 && tx == std::floor(tx) && ty == std::floor(ty);
  const int ox = plain ? static_cast<int>(tx) - deviceClip.left() : 0;
  const int oy = plain ? static_cast<int>(ty) - deviceClip.top() : 0;
  const CodeTable table = codeTable();
  const float *xs = points_.xData(), *ys = points_.yData();
  const dv::ColourCode* codes = points_.codes();
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const XY p{xs[i], ys[i]};
    if (!drawable(p)) continue;  // placeholders are NaN
    double px, py;
    map(p, px, py);
    if (px < left || px > right || py < top || py > bottom) continue;
    const int mx = roundPixel(px), my = roundPixel(py);
    const dv::ColourCode code = codes ? codes[i] : dv::kSeriesCode;
    const QRgb argb = code == dv::ChartPoints::kOverflowCode ? rgbOf(points_.colour(i)) : table[code];
    if (plain) {
      fill(mx + ox - halfW_, mx + ox + halfW_ + 1, my + oy - halfH_, my + oy + halfH_ + 1, argb);
    } else {
      fill(roundPixel((mx - halfW_) * sx + tx) - deviceClip.left(),
           roundPixel((mx + halfW_ + 1) * sx + tx) - deviceClip.left(),
           roundPixel((my - halfH_) * sy + ty) - deviceClip.top(),
           roundPixel((my + halfH_ + 1) * sy + ty) - deviceClip.top(), argb);
    }
  }
  if (&canvas == &own) canvas.flush(painter);
}

// Vector output (PDF, printing) gets real rectangles, the same pixels at scale 1.
void TPointSeries::drawRects(QCPPainter* painter) {
  const PointMap map(mKeyAxis.data(), mValueAxis.data());
  const QRect clip = clipRect();
  const QRectF reach = QRectF(clip).adjusted(-halfW_ - 2, -halfH_ - 2, halfW_ + 2, halfH_ + 2);
  painter->setPen(Qt::NoPen);
  const float *xs = points_.xData(), *ys = points_.yData();
  // A long flight puts many consecutive points on one pixel: the same square
  // in the same colour again adds nothing to the page but its size.
  int lastX = 0, lastY = 0;
  QRgb lastColour = 0;
  bool any = false;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const XY p{xs[i], ys[i]};
    if (!drawable(p)) continue;
    double px, py;
    map(p, px, py);
    if (!reach.contains(px, py)) continue;
    const int mx = roundPixel(px), my = roundPixel(py);
    const QRgb colour = rgbOf(points_.colour(i));
    if (any && mx == lastX && my == lastY && colour == lastColour) continue;
    any = true, lastX = mx, lastY = my, lastColour = colour;
    painter->fillRect(QRectF(mx - halfW_, my - halfH_, 2 * halfW_ + 1, 2 * halfH_ + 1), QColor::fromRgb(colour));
  }
}

void TPointSeries::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const {
  const QPointF c = rect.center();
  painter->fillRect(QRectF(c.x() - halfW_ - 0.5, c.y() - halfH_ - 0.5, 2 * halfW_ + 1, 2 * halfH_ + 1),
                    seriesColour());
}

#include "charts/MarkerCanvas.h"

#include <qcustomplot.h>

#include <cstring>

void TMarkerCanvas::prepare(QCPPainter* painter, const QRect& deviceClip) {
  const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
  if (deviceClip == clip_ && dpr == dpr_ && !image_.isNull()) return;
  flush(painter);
  clip_ = deviceClip;
  dpr_ = dpr;
  if (image_.size() != deviceClip.size()) {
    image_ = QImage(deviceClip.size(), QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
  }
  image_.setDevicePixelRatio(dpr);  // before taking the pixels: a change may copy them
  bits_ = reinterpret_cast<quint32*>(image_.bits());
  stride_ = image_.bytesPerLine() / 4;
}

void TMarkerCanvas::flush(QCPPainter* painter) {
  if (dirty_.isEmpty()) return;
  painter->save();
  // Device pixels: no world transform, the image carries the pixel ratio.
  painter->setWorldTransform(QTransform());
  const QRect source = dirty_.translated(-clip_.topLeft());
  painter->drawImage(QPointF(dirty_.left() / dpr_, dirty_.top() / dpr_), image_, QRectF(source));
  painter->restore();
  clearDirty();
}

void TMarkerCanvas::discard() { clearDirty(); }

// Only the drawn part is cleared: the canvas stays transparent between replots.
void TMarkerCanvas::clearDirty() {
  if (dirty_.isEmpty() || image_.isNull()) {
    dirty_ = QRect();
    return;
  }
  const QRect r = dirty_.translated(-clip_.topLeft()).intersected(image_.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    std::memset(line(y) + r.left(), 0, static_cast<std::size_t>(r.width()) * sizeof(quint32));
  }
  dirty_ = QRect();
}

#pragma once
// One transparent image per chart into which all its point series write their
// marker pixels during a replot; the chart draws it once, above the series
// layers. Drawing 280,000 markers one rectangle at a time costs tens of
// milliseconds, and an image per series costs an allocation and a blend each.

#include <QImage>
#include <QRect>

class QCPPainter;

class TMarkerCanvas {
 public:
  // Readies the canvas for the device pixels `deviceClip` of `painter`'s
  // device. Content drawn for another clip or pixel ratio is drawn first.
  void prepare(QCPPainter* painter, const QRect& deviceClip);
  // Pixel row `y` (device pixels relative to clip().topLeft()).
  quint32* line(int y) { return bits_ + y * stride_; }
  QRect clip() const { return clip_; }
  // Marks device pixels (absolute) as drawn.
  void addDirty(const QRect& deviceRect) { dirty_ |= deviceRect.intersected(clip_); }
  // Draws what was written with `painter` and clears it for the next replot.
  void flush(QCPPainter* painter);
  // Forgets unflushed content (a replot starts afresh).
  void discard();

 private:
  void clearDirty();

  QImage image_;
  quint32* bits_ = nullptr;
  qsizetype stride_ = 0;
  QRect clip_;
  QRect dirty_;
  qreal dpr_ = 1;
};

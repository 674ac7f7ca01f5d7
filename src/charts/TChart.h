#pragma once
// One chart widget: QCustomPlot with rectangle zoom and its undo, point clicks
// that work while zoom dragging is on, series groups with legend check boxes,
// autoscaling that keeps whole markers inside the plot, and a drawing hook
// between the grid and the series.

#include <qcustomplot.h>

#include <QHash>
#include <QList>
#include <QPointer>
#include <QVector>

#include "charts/MarkerCanvas.h"

class TPointSeries;

// A legend entry with a check box. It shows and hides either a series group
// (a layer and its series) or a single series; the box shows the live state.
class TLegendCheckItem : public QCPAbstractLegendItem {
  Q_OBJECT
 public:
  TLegendCheckItem(QCPLegend* parent, const QString& text, QCPLayer* group,
                   QCPAbstractPlottable* series);

  QString text() const { return text_; }
  bool checked() const;
  void toggle();
  // Colours shown in the symbol: the series colour, or those of the group.
  void setSwatches(const QList<QColor>& colours) { swatches_ = colours; }

  static constexpr int kSymbolWidth = 30;
  static constexpr int kBoxSize = 11;

 protected:
  void draw(QCPPainter* painter) override;
  QSize minimumOuterSizeHint() const override;

 private:
  QString text_;
  QPointer<QCPLayer> group_;
  QPointer<QCPAbstractPlottable> series_;
  QList<QColor> swatches_;
};

class TChart : public QCustomPlot {
  Q_OBJECT
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  // Lowered bevel around the chart (the telemetry and coordinate charts).
  void setLoweredBevel(bool on);
  bool loweredBevel() const { return bevel_; }

  // Automatic scaling of one axis from its visible series, widened by their
  // markers. On by default; a zoom turns it off for the zoomed axes.
  void setAutoScale(QCPAxis* axis, bool on);
  bool autoScale(QCPAxis* axis) const;
  // Applies automatic scaling now (replot does it too).
  void applyAutoScale();

  // Series groups: one layer per group, between the drawing hook and "main",
  // in the order of creation (later groups are drawn over earlier ones).
  QCPLayer* addGroup(const QString& name);
  QCPLayer* group(const QString& name) const;
  // Shows or hides the group's layer and every series on it.
  void setGroupActive(const QString& name, bool active);
  bool groupActive(const QString& name) const;
  // Legend entries with check boxes.
  TLegendCheckItem* addGroupLegendItem(const QString& name);
  TLegendCheckItem* addSeriesLegendItem(TPointSeries* series);
  TLegendCheckItem* legendItemFor(const QString& text) const;

  // Series whose points show the cross-hair cursor, and the point under `pos`.
  TPointSeries* seriesPointAt(const QPointF& pos, int* index, bool crossCursorOnly) const;

  // Where the series of this chart put their marker pixels during a replot.
  TMarkerCanvas& markerCanvas() { return canvas_; }

  // A replot now when the chart can be seen, else once it is shown: an edit
  // redraws the front page only.
  void replotWhenShown();
  // Draws the chart with `painter` at w x h, scaled for that size, whether
  // or not it was ever shown (a printed page, a report).
  void renderTo(QCPPainter* painter, int width, int height);
  bool replotPending() const { return replotPending_; }
  // Lays the chart out again now (within a replot: for scales set after its layout).
  void relayout() { updateLayout(); }
  // "label = value" of every titled visible axis at a widget position inside
  // the plot; empty outside it.
  QString cursorText(const QPointF& pos) const;

  bool isZoomed() const { return !zoomStack_.isEmpty(); }
  int zoomDepth() const { return static_cast<int>(zoomStack_.size()); }

 public slots:
  // Back to the scales before the first zoom (automatic scaling). Always
  // raises undoZoomed(), also when the chart was not zoomed.
  void UndoZoom();

 signals:
  void pointClicked(QCPAbstractPlottable* series, int dataIndex);
  void zoomed(QRect rect);
  void undoZoomed();
  // After the grid, before the series: draw under the points (the band).
  void beforeDrawSeries(QCPPainter* painter);
  // renderTo laid the chart out at the size it draws: scales that depend on
  // the plot's size are set now.
  void renderLaidOut();
  // The mouse left the chart: a readout of the cursor's place no longer holds.
  void cursorLeft();

 protected:
  // Called by the hook layer; emits beforeDrawSeries.
  virtual void drawBeforeSeries(QCPPainter* painter);

  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void processRectZoom(QRect rect, QMouseEvent* event) override;

 private:
  friend class TChartHookLayerable;
  friend class TChartCanvasLayerable;
  struct AxisState {
    QPointer<QCPAxis> axis;
    QCPRange range;
    bool autoScale = true;
  };
  using ZoomState = QVector<AxisState>;
  ZoomState saveState() const;
  void restoreState(const ZoomState& state);
  void updateCursor(const QPointF& pos);
  void onLegendClick(QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent* event);

  bool bevel_ = false;
  bool replotPending_ = false;
  QHash<const QCPAxis*, bool> manualAxes_;  // axes with automatic scaling off
  QVector<ZoomState> zoomStack_;
  QCPLayer* hookLayer_ = nullptr;
  QList<QCPLayer*> groups_;
  TMarkerCanvas canvas_;
};

// The three charts offscreen: a sample flight in the 14 series, the groups and
// their legend boxes, clicks on points, the cursor, zoom and its undo.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QPicture>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "TestSupport.h"
#include "charts/ArcCharts.h"
#include "flight/PointFiles.h"

namespace {

using dv::SeriesId;

class ChartsTest : public ::testing::Test {
 protected:
  TChart tlm, crd, xy;
  ArcCharts charts;
  dv::FlightPoints points;

  void SetUp() override {
    for (TChart* c : {&tlm, &crd, &xy}) {
      c->resize(900, 560);
      c->show();
    }
    charts.CreateChartSeries(&tlm, &crd, &xy);
  }

  // Reads a sample flight; without originals these are copies of the current data.
  void Load(const std::string& name) {
    dv::ReadTu(dvtest::ExampleFile(name + ".tu"), points.TuPoints);
    dv::ReadCrd(dvtest::ExampleFile(name + ".crd"), points.CrdPoints);
    points.TuOrgPoints.Assign(points.TuPoints);
    points.CrdOrgPoints.Assign(points.CrdPoints);
    charts.ClearCharts();
    charts.FillCharts(points);
    ReplotAll();
  }

  void ReplotAll() {
    for (TChart* c : {&tlm, &crd, &xy}) c->replot(QCustomPlot::rpImmediateRefresh);
  }

  // Sent to the widget itself: QTest::mouseMove goes through the window system,
  // which hands it to whichever of the three offscreen windows is on top.
  static void MoveMouse(QWidget* w, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton,
                  buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  }

  static QPoint PixelOf(const TPointSeries* s, int i) {
    return s->coordsToPixels(s->x(i), s->y(i)).toPoint();
  }

  // A point of `s` with no other visible point of its chart within `gap` pixels,
  // so that a click on it can only mean it.
  static int IsolatedPoint(TChart& chart, const TPointSeries* s, double gap = 8) {
    for (int i = s->count() - 1; i >= 0; --i) {
      if (s->isPlaceholder(i)) continue;
      const QPointF p = PixelOf(s, i);
      if (!chart.axisRect()->rect().adjusted(8, 8, -8, -8).contains(p.toPoint())) continue;
      bool alone = true;
      for (int k = 0; k < chart.plottableCount() && alone; ++k) {
        auto* other = qobject_cast<TPointSeries*>(chart.plottable(k));
        if (!other || !other->realVisibility()) continue;
        for (int j = 0; j < other->count() && alone; ++j) {
          if ((other == s && j == i) || other->isPlaceholder(j)) continue;
          const QPointF q = PixelOf(other, j);
          alone = std::fabs(q.x() - p.x()) > gap || std::fabs(q.y() - p.y()) > gap;
        }
      }
      if (alone) return i;
    }
    return -1;
  }
};

TEST_F(ChartsTest, CreatedEmptyActiveAndGrouped) {
  for (int i = 0; i < dv::kSeriesCount; ++i) {
    TPointSeries* s = charts.series(static_cast<SeriesId>(i));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->count(), 0);
    EXPECT_TRUE(s->realVisibility());
  }
  EXPECT_EQ(tlm.plottableCount(), 4);
  EXPECT_EQ(crd.plottableCount(), 8);
  EXPECT_EQ(xy.plottableCount(), 2);
  // Originals are added first and lie in the lower group: edited points on top.
  EXPECT_EQ(crd.plottable(0), charts.serZOrg());
  EXPECT_EQ(crd.plottable(7), charts.serEl());
  EXPECT_LT(crd.group(ArcCharts::kGroupOrg)->index(), crd.group(ArcCharts::kGroupEd)->index());
  EXPECT_EQ(charts.serZ()->layer(), crd.group(ArcCharts::kGroupEd));
  EXPECT_EQ(charts.serZ()->valueAxis(), charts.zScale());
  EXPECT_EQ(charts.serEl()->valueAxis(), charts.elScale());
  EXPECT_EQ(charts.serU()->valueAxis(), tlm.yAxis2);
  // The trajectory has scales on the left and below only.
  EXPECT_FALSE(xy.yAxis2->visible());
  EXPECT_TRUE(xy.yAxis->visible());
  // Inside scales along the plot's edges, the data axes outside them.
  EXPECT_EQ(charts.zScale()->axisType(), QCPAxis::atLeft);
  EXPECT_EQ(charts.zScale()->tickLabelSide(), QCPAxis::lsInside);
  EXPECT_EQ(charts.elScale()->axisType(), QCPAxis::atRight);
  EXPECT_EQ(charts.elScale()->tickLabelSide(), QCPAxis::lsInside);
  crd.replot(QCustomPlot::rpImmediateRefresh);
  EXPECT_GT(charts.srAxis()->offset(), 0);  // stacked outside the Z scale
  EXPECT_GT(charts.azAxis()->offset(), 0);
  EXPECT_EQ(charts.serZ()->markerHalfWidth(), 2);
  EXPECT_EQ(charts.serZ()->markerHalfHeight(), 1);
  EXPECT_EQ(charts.serXY()->seriesColour(), QColor(0x00, 0x00, 0x80));
  ASSERT_EQ(crd.legend->itemCount(), 2);
  EXPECT_NE(crd.legendItemFor(ArcCharts::kGroupOrg), nullptr);
  EXPECT_NE(xy.legendItemFor(ArcCharts::kGroupEd), nullptr);
  EXPECT_EQ(charts.serTOrg()->name(), charts.serT()->name());
}

TEST_F(ChartsTest, OutOfRangeFlightKeepsIndicesAndColours) {
  Load("20251016-1130");
  const int n = points.TuPoints.Count();
  ASSERT_EQ(n, 120);
  EXPECT_EQ(charts.serT()->count(), n);
  EXPECT_EQ(charts.serU()->count(), n);
  EXPECT_TRUE(charts.serT()->isPlaceholder(20));   // T = 150
  EXPECT_TRUE(charts.serT()->isPlaceholder(100));  // T = -99 exactly
  EXPECT_TRUE(charts.serU()->isPlaceholder(60));   // U = 115
  EXPECT_FALSE(charts.serU()->isPlaceholder(20));
  EXPECT_EQ(charts.serU()->colour(20), QColor(0xFF, 0x00, 0xFF));  // excluded with T
  EXPECT_EQ(charts.serT()->colour(40), QColor(0x00, 0x00, 0xFF));  // U = -20 excluded both
  EXPECT_EQ(charts.serT()->colour(41), QColor(0xFF, 0x00, 0x00));
  EXPECT_DOUBLE_EQ(charts.serT()->x(41), 41.0);
  // Originals drop what they cannot plot.
  EXPECT_EQ(charts.serTOrg()->count(), n - 2);
  EXPECT_EQ(charts.serUOrg()->count(), n - 1);

  // -999 marks at 30 (SR), 31 (Az), 32 (El) and 70-74 (all three).
  for (TPointSeries* s : {charts.serSR(), charts.serAz(), charts.serEl(), charts.serZ(),
                          charts.serXY()}) {
    EXPECT_EQ(s->count(), n) << s->name().toStdString();
    for (int i = 70; i <= 74; ++i) EXPECT_TRUE(s->isPlaceholder(i));
  }
  EXPECT_TRUE(charts.serSR()->isPlaceholder(30));
  EXPECT_TRUE(charts.serAz()->isPlaceholder(31));
  EXPECT_TRUE(charts.serEl()->isPlaceholder(32));
  EXPECT_TRUE(charts.serXY()->isPlaceholder(31));
  // The reader excludes a record with a mark; its other values show in excluded colours.
  EXPECT_EQ(charts.serAz()->colour(30), QColor(0x00, 0x80, 0x80));
  EXPECT_EQ(charts.serEl()->colour(30), QColor(0x80, 0x80, 0x00));
  EXPECT_EQ(charts.serSR()->colour(31), QColor(0xFF, 0x00, 0xFF));
  EXPECT_EQ(charts.serXY()->label(29), QStringLiteral("29"));
  EXPECT_EQ(charts.serSROrg()->count(), n - 6);
  EXPECT_EQ(charts.serXYOrg()->count(), n - 8);

  charts.ClearCharts();
  for (int i = 0; i < dv::kSeriesCount; ++i) {
    EXPECT_EQ(charts.series(static_cast<SeriesId>(i))->count(), 0);
  }
}

TEST_F(ChartsTest, MarkersAreDrawnInTheirColoursAndWhole) {
  Load("20251016-1130");
  charts.SetTlmOriginalsActive(false);  // copies of the current points, on the same pixels
  ReplotAll();
  TPointSeries* t = charts.serT();
  const int i = IsolatedPoint(tlm, t);
  ASSERT_GE(i, 0);
  const QImage image = tlm.grab().toImage();
  const QPoint p = PixelOf(t, i);
  // A 2 x 2 marker covers 5 x 5 pixels.
  EXPECT_EQ(QColor(image.pixel(p)), QColor(0xFF, 0, 0));
  EXPECT_EQ(QColor(image.pixel(p + QPoint(2, 2))), QColor(0xFF, 0, 0));
  EXPECT_EQ(QColor(image.pixel(p + QPoint(-2, -2))), QColor(0xFF, 0, 0));
  EXPECT_NE(QColor(image.pixel(p + QPoint(3, 0))), QColor(0xFF, 0, 0));
  // Autoscaling leaves room for whole markers at the extremes.
  const QRect plot = tlm.axisRect()->rect();
  for (int k = 0; k < t->count(); ++k) {
    if (t->isPlaceholder(k)) continue;
    const QPoint q = PixelOf(t, k);
    EXPECT_TRUE(plot.contains(q + QPoint(2, 2)) && plot.contains(q - QPoint(2, 2))) << k;
  }
}

// A colour set by a caller is drawn exactly, however many colours there are:
// the first ones get codes of their own, the rest are kept per point.
TEST_F(ChartsTest, ColoursSetByCallersAreDrawnExactly) {
  Load("20251016-1130");
  charts.SetTlmOriginalsActive(false);
  TPointSeries* t = charts.serT();
  const int i = IsolatedPoint(tlm, t);
  ASSERT_GE(i, 0);
  const QColor own(0x12, 0x34, 0x56);
  t->setColour(i, own);
  ReplotAll();
  EXPECT_EQ(QColor(tlm.grab().toImage().pixel(PixelOf(t, i))), own);
  EXPECT_TRUE(t->hasOwnColour(i));
  // 300 more colours over the other points, each point repainted as they come.
  std::vector<QColor> expected(static_cast<std::size_t>(t->count()));
  for (int k = 0, j = 0; k < 300; ++k, j = (j + 1) % t->count()) {
    if (j == i) continue;
    const QColor colour = QColor::fromRgb(0x200000u + static_cast<QRgb>(k));
    t->setColour(j, colour);
    expected[static_cast<std::size_t>(j)] = colour;
  }
  const QColor last(0x65, 0x43, 0x21);  // long after the codes ran out
  t->setColour(i, last);
  expected[static_cast<std::size_t>(i)] = last;
  ReplotAll();
  const QImage image = tlm.grab().toImage();
  EXPECT_EQ(QColor(image.pixel(PixelOf(t, i))), last);
  EXPECT_EQ(QColor(image.pixel(PixelOf(t, i) + QPoint(2, -2))), last);
  for (int j = 0; j < t->count(); ++j) {
    const QColor want = expected[static_cast<std::size_t>(j)].isValid() ? expected[static_cast<std::size_t>(j)]
                                                                        : QColor(0xFF, 0, 0);  // the series colour
    ASSERT_EQ(t->colour(j), want) << j;
  }
  // White is a colour of its own, not the series colour.
  t->setColour(i, Qt::white);
  EXPECT_TRUE(t->hasOwnColour(i));
  EXPECT_EQ(t->colour(i), QColor(Qt::white));
  EXPECT_THROW(t->setColour(t->count(), own), std::out_of_range);
  EXPECT_THROW(t->colour(-1), std::out_of_range);
}

// The form of every series and scale: colours, marker sizes, titles, scales.
TEST_F(ChartsTest, EverySeriesAndScaleInItsColours) {
  struct Form {
    SeriesId id;
    QRgb colour;
    int halfW, halfH;
    QString name;
    QCPAxis* axis;
  };
  const QString org = ArcCharts::kGroupOrg, ed = ArcCharts::kGroupEd;
  const Form forms[] = {
      {SeriesId::TOrg, 0x800000, 2, 2, QStringLiteral("TRaw"), tlm.yAxis},
      {SeriesId::UOrg, 0x008080, 2, 2, QStringLiteral("URaw"), tlm.yAxis2},
      {SeriesId::T, 0xFF0000, 2, 2, QStringLiteral("TRaw"), tlm.yAxis},
      {SeriesId::U, 0x008000, 2, 2, QStringLiteral("URaw"), tlm.yAxis2},
      {SeriesId::ZOrg, 0xFF0000, 2, 1, QStringLiteral("ZRaw"), charts.zScale()},
      {SeriesId::SROrg, 0x008080, 1, 1, QStringLiteral("SRRaw"), charts.srAxis()},
      {SeriesId::AzOrg, 0x00FFFF, 1, 1, QStringLiteral("AzRaw"), charts.azAxis()},
      {SeriesId::ElOrg, 0x00FF00, 1, 1, QStringLiteral("ElRaw"), charts.elScale()},
      {SeriesId::Z, 0x800000, 2, 1, QStringLiteral("ZRaw"), charts.zScale()},
      {SeriesId::SR, 0x000080, 1, 1, QStringLiteral("SRRaw"), charts.srAxis()},
      {SeriesId::Az, 0x0000FF, 1, 1, QStringLiteral("AzRaw"), charts.azAxis()},
      {SeriesId::El, 0x008000, 1, 1, QStringLiteral("ElRaw"), charts.elScale()},
      {SeriesId::XYOrg, 0x0000FF, 1, 1, org, xy.yAxis},
      {SeriesId::XY, 0x000080, 1, 1, ed, xy.yAxis},
  };
  for (const Form& f : forms) {
    const TPointSeries* s = charts.series(f.id);
    const int i = static_cast<int>(f.id);
    EXPECT_EQ(s->seriesColour(), QColor::fromRgb(f.colour)) << i;
    EXPECT_EQ(s->markerHalfWidth(), f.halfW) << i;
    EXPECT_EQ(s->markerHalfHeight(), f.halfH) << i;
    EXPECT_EQ(s->name(), f.name) << i;
    EXPECT_EQ(s->valueAxis(), f.axis) << i;
  }
  // Each scale: its line and ticks, its numbers, its title.
  struct Scale {
    QCPAxis* axis;
    QRgb line, labels, title;
  };
  const Scale scales[] = {
      {tlm.yAxis, 0xFF0000, 0x000000, 0x000000},      {tlm.yAxis2, 0x008000, 0x000000, 0x008000},
      {charts.zScale(), 0x800000, 0x800000, 0x800000}, {charts.elScale(), 0x000000, 0x008000, 0x008080},
      {charts.srAxis(), 0x000080, 0x000080, 0x000080}, {charts.azAxis(), 0x0000FF, 0x0000FF, 0x0000FF},
      {xy.xAxis, 0x0000FF, 0x0000FF, 0x0000FF},        {xy.yAxis, 0x000080, 0x000080, 0x000080},
  };
  for (const Scale& s : scales) {
    const QString title = s.axis->label();
    EXPECT_EQ(s.axis->basePen().color(), QColor::fromRgb(s.line)) << title.toStdString();
    EXPECT_EQ(s.axis->tickPen().color(), QColor::fromRgb(s.line)) << title.toStdString();
    EXPECT_EQ(s.axis->tickLabelColor(), QColor::fromRgb(s.labels)) << title.toStdString();
    EXPECT_EQ(s.axis->labelColor(), QColor::fromRgb(s.title)) << title.toStdString();
  }
}

// Log scales ask for the points of one sign, and a value range within keys.
TEST_F(ChartsTest, RangesOfOneSignAndWithinKeys) {
  TPointSeries* s = charts.serT();
  dv::ChartPoints& points = s->points();
  points.clear();
  points.push_back(-2.0f, -5.0f);
  points.addPlaceholder();
  points.push_back(1.0f, 3.0f);
  points.push_back(4.0f, -1.0f);
  points.push_back(6.0f, 7.0f);
  s->pointsChanged();
  bool found = true;
  QCPRange r = s->getKeyRange(found, QCP::sdPositive);
  EXPECT_TRUE(found);
  EXPECT_EQ(r, QCPRange(1.0, 6.0));
  r = s->getKeyRange(found, QCP::sdNegative);
  EXPECT_TRUE(found);
  EXPECT_EQ(r, QCPRange(-2.0, -2.0));
  r = s->getValueRange(found, QCP::sdPositive);
  EXPECT_TRUE(found);
  EXPECT_EQ(r, QCPRange(3.0, 7.0));
  r = s->getValueRange(found, QCP::sdNegative);
  EXPECT_TRUE(found);
  EXPECT_EQ(r, QCPRange(-5.0, -1.0));
  r = s->getValueRange(found, QCP::sdBoth, QCPRange(0.5, 4.5));
  EXPECT_TRUE(found);
  EXPECT_EQ(r, QCPRange(-1.0, 3.0));
  r = s->getValueRange(found, QCP::sdPositive, QCPRange(3.5, 4.5));  // only a negative value there
  EXPECT_FALSE(found);
  points.clear();
  points.push_back(1.0f, 2.0f);
  s->pointsChanged();
  s->getKeyRange(found, QCP::sdNegative);
  EXPECT_FALSE(found);
}

TEST_F(ChartsTest, VectorOutputDrawsTheSameMarkers) {
  Load("20251016-1130");
  const QSize size(900, 560);
  QImage raster(size, QImage::Format_ARGB32_Premultiplied);
  raster.fill(Qt::white);
  {
    QCPPainter painter(&raster);
    xy.toPainter(&painter, size.width(), size.height());
  }
  // A picture is a vector device: the markers are recorded as rectangles.
  QPicture picture;
  {
    QCPPainter painter(&picture);
    painter.setMode(QCPPainter::pmVectorized);
    xy.toPainter(&painter, size.width(), size.height());
  }
  QImage vector(size, QImage::Format_ARGB32_Premultiplied);
  vector.fill(Qt::white);
  {
    QPainter painter(&vector);
    picture.play(&painter);
  }
  const QRect plot = xy.axisRect()->rect();
  int markers = 0, differing = 0;
  for (int y = plot.top(); y <= plot.bottom(); ++y) {
    for (int x = plot.left(); x <= plot.right(); ++x) {
      const bool navy = QColor(raster.pixel(x, y)) == QColor(0, 0, 0x80);
      markers += navy;
      differing += navy != (QColor(vector.pixel(x, y)) == QColor(0, 0, 0x80));
    }
  }
  EXPECT_GT(markers, 100 * 9);
  EXPECT_EQ(differing, 0);
}

TEST_F(ChartsTest, HidingTheOriginalsAndTheLegendBoxes) {
  Load("20251016-1130");
  charts.SetCrdOriginalsActive(false);
  for (TPointSeries* s : {charts.serZOrg(), charts.serSROrg(), charts.serAzOrg(),
                          charts.serElOrg(), charts.serXYOrg()}) {
    EXPECT_FALSE(s->realVisibility());
  }
  EXPECT_FALSE(crd.groupActive(ArcCharts::kGroupOrg));
  EXPECT_FALSE(crd.legendItemFor(ArcCharts::kGroupOrg)->checked());
  EXPECT_FALSE(xy.legendItemFor(ArcCharts::kGroupOrg)->checked());
  EXPECT_TRUE(charts.serTOrg()->realVisibility());  // the telemetry chart is separate
  EXPECT_TRUE(charts.serSR()->realVisibility());

  // Ticking the box shows the group again, all four series.
  ReplotAll();
  TLegendCheckItem* item = crd.legendItemFor(ArcCharts::kGroupOrg);
  QTest::mouseClick(&crd, Qt::LeftButton, {}, item->rect().center());
  EXPECT_TRUE(charts.serElOrg()->realVisibility());
  EXPECT_TRUE(item->checked());
  QTest::mouseClick(&crd, Qt::LeftButton, {}, item->rect().center());
  EXPECT_FALSE(charts.serZOrg()->realVisibility());

  charts.SetTlmOriginalsActive(false);
  EXPECT_FALSE(charts.serUOrg()->realVisibility());
  EXPECT_FALSE(tlm.legendItemFor(ArcCharts::kGroupOrg)->checked());
  charts.SetTlmOriginalsActive(true);
  EXPECT_TRUE(charts.serUOrg()->realVisibility());
}

TEST_F(ChartsTest, ClickOnAnEditedPointReportsItsRecord) {
  Load("20251016-1130");
  QSignalSpy crdSpy(&charts, &ArcCharts::crdPointClicked);
  QSignalSpy tlmSpy(&charts, &ArcCharts::tlmPointClicked);
  charts.SetCrdOriginalsActive(false);
  charts.SetTlmOriginalsActive(false);
  ReplotAll();

  const int k = IsolatedPoint(xy, charts.serXY());
  ASSERT_GE(k, 0);
  QTest::mouseClick(&xy, Qt::LeftButton, {}, PixelOf(charts.serXY(), k));
  ASSERT_EQ(crdSpy.count(), 1);
  EXPECT_EQ(crdSpy.at(0).at(0).toInt(), k);
  EXPECT_FALSE(xy.isZoomed());  // a click is not a zoom

  const int t = IsolatedPoint(tlm, charts.serU());
  ASSERT_GE(t, 0);
  QTest::mouseClick(&tlm, Qt::LeftButton, {}, PixelOf(charts.serU(), t) + QPoint(1, 1));
  ASSERT_EQ(tlmSpy.count(), 1);
  EXPECT_EQ(tlmSpy.at(0).at(0).toInt(), t);
}

TEST_F(ChartsTest, OriginalPointsGiveNoClickAndNoCrossCursor) {
  Load("20251016-1130");
  QSignalSpy crdSpy(&charts, &ArcCharts::crdPointClicked);
  MoveMouse(&xy, PixelOf(charts.serXY(), 100));
  EXPECT_EQ(xy.cursor().shape(), Qt::CrossCursor);  // over an edited point

  xy.legendItemFor(ArcCharts::kGroupEd)->toggle();  // hide "Ред."
  ASSERT_FALSE(charts.serXY()->visible());
  ReplotAll();
  const int k = IsolatedPoint(xy, charts.serXYOrg());
  ASSERT_GE(k, 0);
  const QPoint p = PixelOf(charts.serXYOrg(), k);
  MoveMouse(&xy, p + QPoint(0, 1));
  EXPECT_NE(xy.cursor().shape(), Qt::CrossCursor);
  QTest::mouseClick(&xy, Qt::LeftButton, {}, p);
  EXPECT_EQ(crdSpy.count(), 0);
}

TEST_F(ChartsTest, ZoomAndUndo) {
  Load("20251014-1130");
  QSignalSpy zoomSpy(&crd, &TChart::zoomed);
  QSignalSpy undoSpy(&crd, &TChart::undoZoomed);
  QSignalSpy hookSpy(&crd, &TChart::beforeDrawSeries);
  const QCPRange fullTime = crd.xAxis->range();
  const QCPRange fullZ = charts.zScale()->range();
  const QRect plot = crd.axisRect()->rect();
  const QPoint from = plot.topLeft() + QPoint(plot.width() / 4, plot.height() / 4);
  const QPoint to = plot.center();

  QTest::mousePress(&crd, Qt::LeftButton, {}, from);
  MoveMouse(&crd, to, Qt::LeftButton);
  QTest::mouseRelease(&crd, Qt::LeftButton, {}, to);
  ASSERT_EQ(zoomSpy.count(), 1);
  EXPECT_TRUE(crd.isZoomed());
  EXPECT_LT(crd.xAxis->range().size(), fullTime.size() / 3);
  EXPECT_FALSE(crd.autoScale(crd.xAxis));
  EXPECT_FALSE(crd.autoScale(charts.srAxis()));
  // The Z scale is left to the zoom handler.
  EXPECT_TRUE(crd.autoScale(charts.zScale()));
  EXPECT_EQ(charts.zScale()->range(), fullZ);

  QTest::mouseClick(&crd, Qt::RightButton, {}, to);
  EXPECT_EQ(undoSpy.count(), 1);
  EXPECT_FALSE(crd.isZoomed());
  EXPECT_TRUE(crd.autoScale(crd.xAxis));
  crd.replot(QCustomPlot::rpImmediateRefresh);
  EXPECT_NEAR(crd.xAxis->range().lower, fullTime.lower, 1e-9);
  EXPECT_NEAR(crd.xAxis->range().upper, fullTime.upper, 1e-9);
  EXPECT_GE(hookSpy.count(), 1);  // the drawing hook runs on every replot

  crd.UndoZoom();  // raised also when there is nothing to undo
  EXPECT_EQ(undoSpy.count(), 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// A value no axis can hold is kept with its index but neither ranged nor drawn,
// so the scales stay usable and the rest of the flight is drawn as usual.
TEST_F(ChartsTest, UndrawableValuesLeaveTheScalesAlone) {
  for (int i = 0; i < 5; ++i) points.CrdPoints.Add(dv::CrdPoint{double(i), 150.0 + i, 20, 90, false, false});
  points.CrdPoints[2].Time = 1e300;  // far beyond QCustomPlot's largest range
  points.CrdPoints[3].SR = 1e300;
  charts.FillCharts(points);
  ReplotAll();
  TPointSeries* sr = charts.serSR();
  ASSERT_EQ(sr->count(), 5);
  bool found = false;
  const QCPRange keys = sr->getKeyRange(found);
  EXPECT_TRUE(found);
  EXPECT_DOUBLE_EQ(keys.upper, 4.0);
  const QCPRange values = sr->getValueRange(found);
  EXPECT_FLOAT_EQ(values.upper, 0.154);  // km, in the single precision of a chart point
  EXPECT_LE(crd.xAxis->range().upper, 10.0);
  EXPECT_EQ(sr->pointAt(PixelOf(sr, 2), 2), -1);  // not on the chart, so not hit
  // Zoomed far in, the points away from it are still skipped, not overflowed.
  crd.xAxis->setRange(0, 1e-9);
  EXPECT_FALSE(crd.grab().isNull());
}

// With a device pixel ratio (a high-density screen, or a picture saved at a
// scale) every marker covers the same plot area, in twice as many pixels.
TEST_F(ChartsTest, MarkersAtTwiceTheDensityCoverTheSameArea) {
  Load("20251016-1130");
  charts.SetTlmOriginalsActive(false);
  ReplotAll();
  TPointSeries* t = charts.serT();
  const int i = IsolatedPoint(tlm, t);
  ASSERT_GE(i, 0);
  const QPoint p = PixelOf(t, i);
  const QImage twice = tlm.toPixmap(tlm.width(), tlm.height(), 2.0).toImage();
  ASSERT_EQ(twice.size(), tlm.size() * 2);
  ASSERT_GT(tlm.axisRect()->rect().top(), 0);  // the plot does not start at the device's edge
  const QColor red(0xFF, 0, 0);
  // The 5 x 5 marker around p becomes 10 x 10 device pixels, no more.
  for (int d = 0; d < 10; ++d) {
    EXPECT_EQ(QColor(twice.pixel(2 * (p.x() - 2) + d, 2 * (p.y() - 2))), red) << d;
    EXPECT_EQ(QColor(twice.pixel(2 * (p.x() - 2) + d, 2 * (p.y() + 2) + 1)), red) << d;
    EXPECT_EQ(QColor(twice.pixel(2 * (p.x() - 2), 2 * (p.y() - 2) + d)), red) << d;
    EXPECT_EQ(QColor(twice.pixel(2 * (p.x() + 2) + 1, 2 * (p.y() - 2) + d)), red) << d;
  }
  EXPECT_NE(QColor(twice.pixel(2 * p.x(), 2 * (p.y() + 2) + 2)), red);
  EXPECT_NE(QColor(twice.pixel(2 * p.x(), 2 * (p.y() - 2) - 1)), red);
  EXPECT_NE(QColor(twice.pixel(2 * (p.x() + 2) + 2, 2 * p.y())), red);
  EXPECT_NE(QColor(twice.pixel(2 * (p.x() - 2) - 1, 2 * p.y())), red);
}

// The legend: centred below the plot, 6 pixels above the chart's bottom edge,
// its entries side by side with one dividing line between neighbours.
TEST_F(ChartsTest, LegendSitsCentredAtTheBottomWithAdjoiningEntries) {
  Load("20251016-1130");
  for (TChart* c : {&tlm, &crd, &xy}) {
    const QRect box = c->legend->outerRect();
    EXPECT_GE(c->height() - 1 - box.bottom(), 6);  // the layout rounds one pixel either way
    EXPECT_LE(c->height() - 1 - box.bottom(), 7);
    EXPECT_EQ(box.top() - c->axisRect()->outerRect().bottom() - 1, 2);
    EXPECT_LE(std::abs(box.left() - (c->width() - 1 - box.right())), 1);
    EXPECT_LT(box.width(), c->width() / 2);  // as wide as its entries, not stretched
    ASSERT_EQ(c->legend->itemCount(), 2);
    const QRect first = c->legend->item(0)->outerRect(), second = c->legend->item(1)->outerRect();
    EXPECT_EQ(first.right() + 1, second.left());
    EXPECT_EQ(first.top(), second.top());
  }
}

// The Z and El scales inside the plot: major ticks 4 pixels, minor ticks 2, both
// pointing into the plot and none out of it.
TEST_F(ChartsTest, InsideScalesHaveShortTicksPointingIn) {
  Load("20251016-1130");
  for (QCPAxis* axis : {charts.zScale(), charts.elScale()}) {
    EXPECT_EQ(axis->tickLengthOut(), 0);
    EXPECT_EQ(axis->subTickLengthOut(), 0);
  }
  const QImage image = crd.toPixmap(crd.width(), crd.height()).toImage();
  QCPAxis* z = charts.zScale();
  const QRect plot = crd.axisRect()->rect();
  const QColor maroon(0x80, 0, 0);
  // How far the Z scale's colour reaches into the plot on the row of a value.
  const auto reach = [&](int y) {
    int x = plot.left() - 3;
    while (x < plot.left() && QColor(image.pixel(x, y)) != maroon) ++x;
    EXPECT_EQ(x, plot.left()) << "nothing outside the plot on row " << y;
    while (QColor(image.pixel(x, y)) == maroon) ++x;
    return x - plot.left();
  };
  const auto rowOf = [&](double v) { return static_cast<int>(std::lround(z->coordToPixel(v))); };
  const QVector<double> ticks = z->tickVector();
  ASSERT_GT(ticks.size(), 2);
  // The sub-ticks between the second and third tick reach less far than the ticks.
  const int a = rowOf(ticks[1]), b = rowOf(ticks[2]);
  int sub = 0;
  for (int y = std::min(a, b) + 2; y <= std::max(a, b) - 2; ++y) sub = std::max(sub, reach(y));
  EXPECT_EQ(reach(a) - sub, 4 - 2);
  EXPECT_EQ(reach(b), reach(a));
}

// The form of the three charts as the window shows it: which scales carry a
// grid, which charts have the lowered bevel, the telemetry chart's background
// running left to right, and the cross-hair on the edited series only.
TEST_F(ChartsTest, TheFormOfTheThreeCharts) {
  Load("20251016-1130");
  const auto grid = [](QCPAxis* axis) { return axis->grid()->visible(); };
  EXPECT_TRUE(grid(tlm.xAxis));
  EXPECT_TRUE(grid(tlm.yAxis));
  EXPECT_TRUE(grid(tlm.yAxis2));
  EXPECT_TRUE(grid(crd.xAxis));
  for (QCPAxis* axis : {charts.zScale(), charts.elScale(), charts.srAxis(), charts.azAxis()})
    EXPECT_FALSE(grid(axis));
  EXPECT_TRUE(grid(xy.xAxis));
  EXPECT_TRUE(grid(xy.yAxis));
  EXPECT_EQ(tlm.toolTip(), QStringLiteral("Периоды телеметрии"));
  EXPECT_EQ(crd.toolTip(), QStringLiteral("Угловые координаты"));
  EXPECT_EQ(xy.toolTip(), QStringLiteral("Горизонтальная траектория полета щара"));
  EXPECT_TRUE(tlm.loweredBevel());
  EXPECT_TRUE(crd.loweredBevel());
  EXPECT_FALSE(xy.loweredBevel());
  for (int i = 0; i < dv::kSeriesCount; ++i) {
    const auto id = static_cast<SeriesId>(i);
    const bool original = id == SeriesId::TOrg || id == SeriesId::UOrg || id == SeriesId::ZOrg ||
                          id == SeriesId::SROrg || id == SeriesId::AzOrg || id == SeriesId::ElOrg ||
                          id == SeriesId::XYOrg;
    EXPECT_EQ(charts.series(id)->crossCursor(), !original) << i;
  }
  // The telemetry background: light green at the left edge, light red at the right.
  const QImage image = tlm.toPixmap(tlm.width(), tlm.height()).toImage();
  const int y = tlm.height() - 3;
  const QColor left(image.pixel(2, y)), right(image.pixel(tlm.width() - 3, y));
  EXPECT_GT(left.green(), left.red());
  EXPECT_GT(right.red(), right.green());
}

// A refill of one file's series redraws its chart, also without a listing click after it.
TEST_F(ChartsTest, ARefillRedrawsItsChart) {
  Load("20251016-1130");
  QApplication::processEvents();
  QSignalSpy tlmDrawn(&tlm, &QCustomPlot::beforeReplot);
  QSignalSpy crdDrawn(&crd, &QCustomPlot::beforeReplot);
  QSignalSpy xyDrawn(&xy, &QCustomPlot::beforeReplot);
  charts.RefillTelemetry(points);
  QApplication::processEvents();
  EXPECT_EQ(tlmDrawn.count(), 1);
  EXPECT_EQ(crdDrawn.count(), 0);
  charts.RefillCoordinates(points);
  QApplication::processEvents();
  EXPECT_EQ(crdDrawn.count(), 1);
  EXPECT_EQ(xyDrawn.count(), 1);
  EXPECT_EQ(tlmDrawn.count(), 1);
}

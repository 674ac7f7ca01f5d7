#include <QTabWidget>
#include <QTest>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"

namespace {
std::string Steady(int rows, bool crd) {
  std::string text;
  for (int i = 0; i < rows; ++i) {
    text += dv::FormatFixed(i, 0, 2) + "\t";
    text += crd ? dv::FormatFixed(150 + 40.0 * i, 0, 2) + "\t" + dv::FormatFixed(0.5 + 0.004 * i, 0, 6) + "\t" +
                      dv::FormatFixed(0.05 + 0.01 * i, 0, 6)
                : dv::FormatFixed(5 - 0.2 * i, 0, 2) + "\t" + dv::FormatFixed(80 - i * 0.5, 0, 2);
    text += "\r\n";
  }
  return text;
}
}  // namespace

using ChartInteractionTest = WindowFixture;

TEST_F(ChartInteractionTest, ZoomCarriesTheInsideScalesAndUndoFreesThem) {
  const std::string base = WriteFlight("zoom", Steady(60, false), Steady(60, true));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsCRD);
  w.ChrtCRD->replot();
  QApplication::processEvents();
  QCPAxis* z = w.charts().zScale();
  QCPAxis* el = w.charts().elScale();
  const QRect plot = w.ChrtCRD->axisRect()->rect();
  const QRect drag(plot.left() + plot.width() / 4, plot.top() + plot.height() / 3, plot.width() / 2, plot.height() / 4);
  const QPoint release = QRectF(drag).bottomRight().toPoint();
  // What the dragged rectangle's edges mean on each inside scale before the zoom; the
  // rectangle from press to release reaches one pixel below the release row.
  const QRectF dragged(QRect(drag.topLeft(), release));
  const double zLow = z->pixelToCoord(dragged.bottom()), zHigh = z->pixelToCoord(dragged.top());
  const double elLow = el->pixelToCoord(dragged.bottom()), elHigh = el->pixelToCoord(dragged.top());

  QTest::mousePress(w.ChrtCRD, Qt::LeftButton, Qt::NoModifier, drag.topLeft());
  QTest::mouseMove(w.ChrtCRD, drag.center());
  QTest::mouseMove(w.ChrtCRD, release);
  QTest::mouseRelease(w.ChrtCRD, Qt::LeftButton, Qt::NoModifier, release);
  ASSERT_TRUE(w.ChrtCRD->isZoomed());
  EXPECT_NEAR(z->range().lower, zLow, 1e-9);
  EXPECT_NEAR(z->range().upper, zHigh, 1e-9);
  EXPECT_NEAR(el->range().lower, elLow, 1e-9);
  EXPECT_NEAR(el->range().upper, elHigh, 1e-9);
  EXPECT_FALSE(w.ChrtCRD->autoScale(z));

  // Opening again undoes the zoom; every scale scales itself again.
  ASSERT_TRUE(Open(base));
  EXPECT_FALSE(w.ChrtCRD->isZoomed());
  for (QCPAxis* axis : {z, el, w.charts().srAxis(), w.charts().azAxis()}) EXPECT_TRUE(w.ChrtCRD->autoScale(axis));
}

TEST_F(ChartInteractionTest, TheBandIsDrawnUnderThePoints) {
  const std::string base = WriteFlight("band", Steady(60, false), Steady(60, true));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsTLM);
  w.ChrtTLM->replot();
  QApplication::processEvents();
  auto fuchsiaPixelsBetween = [&](double t1, double t2) {
    const QImage image = w.ChrtTLM->toPixmap(w.ChrtTLM->width(), w.ChrtTLM->height()).toImage();
    const int x1 = static_cast<int>(w.ChrtTLM->xAxis->coordToPixel(t1));
    const int x2 = static_cast<int>(w.ChrtTLM->xAxis->coordToPixel(t2));
    int count = 0;
    const QRect plot = w.ChrtTLM->axisRect()->rect();
    for (int x = x1 + 2; x < x2 - 1; ++x)
      for (int y = plot.top() + 2; y < plot.bottom() - 2; ++y) count += image.pixel(x, y) == 0xFFFF00FF;
    return count;
  };
  EXPECT_EQ(fuchsiaPixelsBetween(20, 30), 0);
  w.lbxTLM->SelectRows(20, 30);
  w.lbListingClick(w.lbxTLM);
  EXPECT_GT(fuchsiaPixelsBetween(20, 30), 50);  // the hatch
  {
    // Its lines run down from left to right: a hatch pixel's neighbour down and to
    // the right is hatch too, the one up and to the right is not.
    const QImage image = w.ChrtTLM->toPixmap(w.ChrtTLM->width(), w.ChrtTLM->height()).toImage();
    const int x1 = static_cast<int>(w.ChrtTLM->xAxis->coordToPixel(20)) + 3;
    const int x2 = static_cast<int>(w.ChrtTLM->xAxis->coordToPixel(30)) - 3;
    const QRect plot = w.ChrtTLM->axisRect()->rect();
    int down = 0, up = 0;
    for (int x = x1; x < x2; ++x)
      for (int y = plot.top() + 3; y < plot.bottom() - 3; ++y) {
        if (image.pixel(x, y) != 0xFFFF00FF) continue;
        down += image.pixel(x + 1, y + 1) == 0xFFFF00FF;
        up += image.pixel(x + 1, y - 1) == 0xFFFF00FF;
      }
    EXPECT_GT(down, 20);
    EXPECT_LT(up, down / 4);
  }
  w.lbxTLM->DeselectAll();
  w.lbxTLM->SelectRows(0, 30);  // from the surface point: no range, no band
  w.lbListingClick(w.lbxTLM);
  EXPECT_EQ(fuchsiaPixelsBetween(20, 30), 0);
}

TEST_F(ChartInteractionTest, ChartEditSavesThePictureOfTheFrontChart) {
  const std::string base = WriteFlight("picture", Steady(30, false), Steady(30, true));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsXY);
  dialogs.files = {PathToQt(dir.file("trajectory.png"))};
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(dialogs.calls.back().kind, "save");
  EXPECT_EQ(dialogs.calls.back().text, PathToQt(base + "-ChrtXY.png"));
  const QImage picture(PathToQt(dir.file("trajectory.png")));
  EXPECT_EQ(picture.size(), w.ChrtXY->size());
  // On the initial-data page there is no chart to save: nothing is asked.
  w.PageControlTU->setCurrentWidget(w.tsInfo);
  dialogs.calls.clear();
  w.ChartEdit->trigger();
  EXPECT_TRUE(dialogs.calls.empty());
}

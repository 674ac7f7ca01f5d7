// The "Диаграмма" page in the real window: points where the physics puts them,
// live under exclusions and undo as a fresh fill, clicks, hover, zoom, pictures.

#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <cmath>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"
#include "diagram/DiagramChart.h"
#include "editing/ListingView.h"
#include "products/FlightProducts.h"
#include "thermo/Thermo.h"

namespace {

class DiagramWindowTest : public WindowFixture {
 protected:
  // The window's curves against a chart filled afresh from the same flight.
  void ExpectAsFreshFill(TfmMainFrm& w, const char* when) {
    const dv::Flight& f = w.flight();
    dv::FlightProducts products(f.Points, f.Info, &f.OrgInfo);
    TChart fresh;
    DiagramChart chart(&fresh);
    chart.FillEdited(products);
    for (auto c : {DiagramChart::T, DiagramChart::Td}) {
      const TPointSeries* a = w.diagram()->edited(c);
      const TPointSeries* b = chart.edited(c);
      ASSERT_EQ(a->count(), b->count()) << when;
      int differ = 0;
      for (int i = 0; i < a->count(); ++i)
        if (a->isPlaceholder(i) != b->isPlaceholder(i) ||
            (!a->isPlaceholder(i) && (a->x(i) != b->x(i) || a->y(i) != b->y(i) || a->colour(i) != b->colour(i))))
          ++differ;
      EXPECT_EQ(differ, 0) << when << " curve " << c;
    }
    EXPECT_EQ(w.diagram()->barbs().size(), chart.barbs().size()) << when;
  }
  QPoint PixelOf(TChart* chart, const TPointSeries* s, int i) {
    return QPoint(qRound(chart->xAxis->coordToPixel(s->x(i))), qRound(chart->yAxis->coordToPixel(s->y(i))));
  }
};

TEST_F(DiagramWindowTest, PointsStandWhereTheirTemperatureAndPressurePutThemAndFollowEveryEdit) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(CopyExample("20251014-1130")));
  EXPECT_EQ(w.PageControlTU->tabText(5), QStringLiteral("Диаграмма"));
  TPointSeries* t = w.diagram()->edited(DiagramChart::T);
  TPointSeries* td = w.diagram()->edited(DiagramChart::Td);
  EXPECT_EQ(t->count(), 0);  // filled when shown
  w.PageControlTU->setCurrentWidget(w.tsDiagram);
  w.ChrtDiagram->replot();
  const dv::TuArray& tu = w.flight().Points.TuPoints;
  ASSERT_EQ(t->count(), tu.Count());  // point i is telemetry row i
  EXPECT_EQ(w.ChrtDiagram->xAxis->label(), QStringLiteral("Температура, °C"));
  EXPECT_EQ(w.ChrtDiagram->yAxis->label(), QStringLiteral("Давление, гПа"));

  // A point of known T and p lands on the pixel the diagram's geometry gives it.
  const QCPAxisRect* r = w.ChrtDiagram->axisRect();
  const dv::diagram::Rect rect{double(r->left()), double(r->bottom() - r->height()), double(r->width()),
                               double(r->height())};
  int checked = 0;
  for (int row : {0, 600, 3000, 6000}) {
    if (t->isPlaceholder(row)) continue;
    const double p = std::exp(t->y(row));
    const dv::diagram::Pixel expected = dv::diagram::ToPixel(tu[row].T, p, w.diagram()->view(), rect);
    EXPECT_NEAR(w.ChrtDiagram->xAxis->coordToPixel(t->x(row)), expected.x, 0.5) << row;
    EXPECT_NEAR(w.ChrtDiagram->yAxis->coordToPixel(t->y(row)), expected.y, 0.5) << row;
    // The dew point of the same row at the same height.
    EXPECT_EQ(td->y(row), t->y(row));
    EXPECT_NEAR(dv::diagram::TemperatureAt(td->x(row), p), dv::thermo::DewPoint(tu[row].T, tu[row].U), 1e-3);
    ++checked;
  }
  EXPECT_EQ(checked, 4);
  EXPECT_NEAR(std::exp(t->y(0)), w.flight().Info.OnGroundPressure, 1e-3);  // the surface at P0
  const float opened = t->y(6000);
  EXPECT_FALSE(w.diagram()->barbs().empty());
  // The tropopause's dashed line across the plot, in the marks' brown.
  {
    double tropopause = 0;
    for (const dv::Level& l : w.products().Levels())
      if (l.kind == dv::LevelKind::Tropopause && tropopause == 0) tropopause = l.p;
    ASSERT_GT(tropopause, 0);
    const QImage picture = w.ChrtDiagram->grab().toImage();
    const int y = qRound(w.ChrtDiagram->yAxis->coordToPixel(std::log(tropopause)));
    // Antialiased, the line spreads over the rows either side of its pixel.
    const auto brownIn = [&](int row) {
      int n = 0;
      for (int x = r->left(); x < r->right(); ++x) {
        const QColor c = picture.pixelColor(x, row);
        n += c.red() > 0x60 && c.red() < 0xC0 && c.green() > 0x10 && c.green() < 0x80 && c.blue() < 0x50;
      }
      return n;
    };
    EXPECT_GT(std::max({brownIn(y - 1), brownIn(y), brownIn(y + 1)}), r->width() / 4);
    EXPECT_LT(brownIn(y - 20), r->width() / 20);  // not everywhere
  }
  ExpectAsFreshFill(w, "opened");
  const qint64 background = w.diagram()->backgroundKey();

  // Excluded temperatures take the telemetry chart's colour; the curve is what a fresh fill gives.
  w.PageControlTxt->setCurrentWidget(w.tsTUTxt);
  w.lbxTLM->SelectRows(1000, 1020);
  w.lbListingClick(w.lbxTLM);
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  ASSERT_TRUE(tu[1010].TExcluded);
  EXPECT_EQ(t->colour(1010), QColor::fromRgb(dv::excluded_colour::kT));
  EXPECT_EQ(td->colour(1010), QColor::fromRgb(dv::excluded_colour::kU));
  ExpectAsFreshFill(w, "telemetry excluded");
  w.ChrtDiagram->replot();
  EXPECT_EQ(w.diagram()->backgroundKey(), background);  // the lines are not drawn again for an edit
  // A radar stretch excluded moves the pressures above it.
  w.PageControlTxt->setCurrentWidget(w.tsCRDTxt);
  w.lbxCRD->SelectRows(200, 900);
  w.lbListingClick(w.lbxCRD);
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(w.flight().Points.CrdPoints[500].Excluded);
  // Longer than the profile bridges: the telemetry there has no pressure, a gap in the curve.
  EXPECT_TRUE(t->isPlaceholder(550));
  EXPECT_FALSE(t->isPlaceholder(100));
  ExpectAsFreshFill(w, "radar excluded");
  // Undone with another page in front: the diagram waits, then shows the undone state.
  w.PageControlTU->setCurrentWidget(w.tsTLM);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(t->hasOwnColour(1010));  // not yet
  w.PageControlTU->setCurrentWidget(w.tsDiagram);
  EXPECT_FALSE(t->hasOwnColour(1010));
  EXPECT_EQ(t->y(6000), opened);
  ExpectAsFreshFill(w, "undone");
}

TEST_F(DiagramWindowTest, ClickHoverZoomAndPictures) {
  TfmMainFrm& w = Create();
  const std::string base = CopyExample("20251014-1130");
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsDiagram);
  w.ChrtDiagram->replot();
  QApplication::processEvents();
  TPointSeries* t = w.diagram()->edited(DiagramChart::T);

  // A click on a point selects its telemetry row.
  const int row = 2500;
  ASSERT_FALSE(t->isPlaceholder(row));
  QTest::mouseClick(w.ChrtDiagram, Qt::LeftButton, {}, PixelOf(w.ChrtDiagram, t, row));
  const auto runs = w.lbxTLM->SelectedRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NEAR(runs.front().first, row, 30);  // points that close share a pixel
  EXPECT_TRUE(w.TLMRange.IsSet());

  // Hovering reads the sounding out at the cursor's height.
  QTest::mouseMove(w.ChrtDiagram, PixelOf(w.ChrtDiagram, t, row));
  const QString text = w.lblDiagram->text();
  EXPECT_TRUE(text.startsWith(QStringLiteral("p "))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral(" гп.м"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("ветер"))) << text.toStdString();

  // A rectangle zooms; the right button goes back to the whole diagram.
  const QCPRange x = w.ChrtDiagram->xAxis->range(), y = w.ChrtDiagram->yAxis->range();
  const QRect plot = w.ChrtDiagram->axisRect()->rect();
  const QPoint from = plot.center() - QPoint(30, 30), to = plot.center() + QPoint(30, 30);
  QTest::mousePress(w.ChrtDiagram, Qt::LeftButton, {}, from);
  QTest::mouseMove(w.ChrtDiagram, to);
  QTest::mouseRelease(w.ChrtDiagram, Qt::LeftButton, {}, to);
  ASSERT_TRUE(w.ChrtDiagram->isZoomed());
  EXPECT_LT(w.ChrtDiagram->xAxis->range().size(), x.size() / 2);
  EXPECT_EQ(w.ChrtDiagram->yAxis2->range(), w.ChrtDiagram->yAxis->range());  // the heights follow
  w.ChrtDiagram->replot();
  EXPECT_LT(w.ChrtDiagram->yAxis->range().size(), y.size() / 2);  // a replot keeps the zoom
  QTest::mouseClick(w.ChrtDiagram, Qt::RightButton, {}, plot.center());
  w.ChrtDiagram->replot();
  EXPECT_FALSE(w.ChrtDiagram->isZoomed());
  EXPECT_EQ(w.ChrtDiagram->xAxis->range(), x);
  EXPECT_EQ(w.ChrtDiagram->yAxis->range(), y);
  // A new size: the background lines are drawn anew, and the whole diagram shown.
  const qint64 drawn = w.diagram()->backgroundKey();
  w.resize(w.width() + 120, w.height() + 60);
  QApplication::processEvents();
  w.ChrtDiagram->replot();
  EXPECT_NE(w.diagram()->backgroundKey(), drawn);
  EXPECT_NEAR(w.ChrtDiagram->yAxis->range().upper, std::log(dv::diagram::kPressureBottom), 1e-9);

  // "Диаграмма" keeps it as a picture and as a PDF.
  for (const char* name : {"diagram.png", "diagram.pdf"}) {
    dialogs.files = {PathToQt(dir.file(name))};
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogs.calls.back().text, PathToQt(base + "-ChrtDiagram.png"));
  }
  EXPECT_EQ(QImage(PathToQt(dir.file("diagram.png"))).size(), w.ChrtDiagram->size());
  const std::string pdf = dvtest::ReadAll(dir.file("diagram.pdf"));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_EQ(pdf.find("/Subtype /Image"), std::string::npos);  // lines, not a picture
}

}  // namespace

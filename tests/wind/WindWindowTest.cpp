// The "Ветер" page in the real window: its curves, a wind spike from one bad
// radar point taken away by Ctrl+C, a click leading back to the row, the window.

#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <cmath>
#include <sstream>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"
#include "wind/WindChart.h"

namespace {

constexpr int kBadRow = 3000;

class WindWindowTest : public WindowFixture {
 protected:
  // The long sample with the range of one line 2 km off.
  std::string FlightWithABadRange() {
    const std::string base = CopyExample("20251014-1130");
    std::string text = dvtest::ReadAll(base + ".crd");
    std::size_t at = 0;
    for (int line = 0; line < kBadRow; ++line) at = text.find("\r\n", at) + 2;
    const std::size_t from = text.find('\t', at) + 1, to = text.find('\t', from);
    const double range = std::stod(text.substr(from, to - from));
    std::ostringstream s;
    s.precision(2);
    s << std::fixed << range + 2000;
    text.replace(from, to - from, s.str());
    dvtest::WriteAll(base + ".crd", text);
    return base;
  }
  // The largest wind speed of the edited curve on rows first..last.
  double MaxSpeed(int first, int last) const {
    TPointSeries* s = window->wind()->edited(WindChart::Speed);
    double worst = 0;
    for (int i = first; i <= last; ++i)
      if (!s->isPlaceholder(i)) worst = std::max(worst, s->y(i));  // the height is the key
    return worst;
  }
};

TEST_F(WindWindowTest, OneBadRadarPointIsASpikeThatCtrlCTakesAway) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(FlightWithABadRange()));
  EXPECT_EQ(w.PageControlTU->tabText(4), QStringLiteral("Ветер"));
  TPointSeries* speed = w.wind()->edited(WindChart::Speed);
  // A page in the back is filled when it comes to the front.
  EXPECT_EQ(speed->count(), 0);
  w.PageControlTU->setCurrentWidget(w.tsWind);
  ASSERT_EQ(speed->count(), w.flight().Points.CrdPoints.Count());  // point i is row i
  // The dropout (4200-4259) leaves a gap in the curve, not made-up values.
  for (int row = 4200; row < 4260; ++row) EXPECT_TRUE(speed->isPlaceholder(row)) << row;
  EXPECT_FALSE(w.ChrtWind->groupActive(ArcCharts::kGroupOrg));  // no originals
  // The two groups in the legend, with their check boxes, as on the other charts.
  ASSERT_TRUE(w.ChrtWind->legendItemFor(ArcCharts::kGroupOrg));
  ASSERT_TRUE(w.ChrtWind->legendItemFor(ArcCharts::kGroupEd));
  EXPECT_TRUE(w.ChrtWind->legendItemFor(ArcCharts::kGroupEd)->checked());
  // Away from the bad point the wind is what it is; around it, a spike.
  const double calm = std::max(MaxSpeed(kBadRow - 200, kBadRow - 60), MaxSpeed(kBadRow + 60, kBadRow + 200));
  const double before = MaxSpeed(kBadRow - 40, kBadRow + 40);
  EXPECT_GT(before - calm, 2.0);

  w.lbxCRD->SelectRows(kBadRow, kBadRow);
  w.lbListingClick(w.lbxCRD);
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(w.flight().Points.CrdPoints[kBadRow].Excluded);
  const double after = MaxSpeed(kBadRow - 40, kBadRow + 40);
  EXPECT_LT(after - calm, 0.5);
  EXPECT_TRUE(speed->isPlaceholder(kBadRow));  // an excluded point has no wind of its own
  // Undone, the spike is back.
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(MaxSpeed(kBadRow - 40, kBadRow + 40), before);
  // Excluded again with another page in front: the curve follows once it is shown.
  w.PageControlTU->setCurrentWidget(w.tsCRD);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(w.flight().Points.CrdPoints[kBadRow].Excluded);
  EXPECT_DOUBLE_EQ(MaxSpeed(kBadRow - 40, kBadRow + 40), before);  // not yet
  w.PageControlTU->setCurrentWidget(w.tsWind);
  EXPECT_DOUBLE_EQ(MaxSpeed(kBadRow - 40, kBadRow + 40), after);
}

TEST_F(WindWindowTest, AClickOnTheEditedCurveSelectsItsRowAndTheWindowRecomputes) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(CopyExample("20251014-1130")));
  w.PageControlTU->setCurrentWidget(w.tsWind);
  w.ChrtWind->replot();
  QApplication::processEvents();
  TPointSeries* rate = w.wind()->edited(WindChart::Rate);
  const int row = 6000;
  ASSERT_FALSE(rate->isPlaceholder(row));
  const QPoint at(qRound(w.ChrtWind->xAxis->coordToPixel(rate->y(row))),
                  qRound(w.ChrtWind->yAxis->coordToPixel(rate->x(row))));
  QTest::mouseClick(w.ChrtWind, Qt::LeftButton, {}, at);
  const auto runs = w.lbxCRD->SelectedRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NEAR(runs.front().first, row, 40);  // markers that close share a pixel
  EXPECT_TRUE(w.CRDRange.IsSet());

  // A wider window smooths the same curve: it changes at once.
  const double narrow = rate->y(row);
  w.edtWindWindow->setValue(180);
  EXPECT_EQ(w.windSettings().window, 180);
  EXPECT_NE(rate->y(row), narrow);
  EXPECT_FALSE(rate->isPlaceholder(row));
}

TEST_F(WindWindowTest, TheWindowFromTheSettingsAndTheOriginalsShownWithTheirFlight) {
  dvtest::WriteAll(ConfigPath(), "[WIND]\r\nWindow=90\r\n");
  TfmMainFrm& w = Create();
  EXPECT_EQ(w.windSettings().window, 90);
  EXPECT_EQ(w.edtWindWindow->value(), 90);
  // A flight with originals shows their curves too.
  const std::string base = dir.file("20251017-2330");
  for (const char* ext : {".info", ".tu", ".crd", ".org.info", ".org.tu", ".org.crd"})
    std::filesystem::copy_file(dvtest::ExampleFile(std::string("20251017-2330") + ext), base + ext);
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsWind);
  EXPECT_TRUE(w.ChrtWind->groupActive(ArcCharts::kGroupOrg));
  EXPECT_GT(w.wind()->original(WindChart::Speed)->count(), 100);
}

}  // namespace

// An edit redraws only what it changed: the series after any sequence of edits
// are those that a full clear and fill of the same arrays gives, and a chart
// that is not in front is drawn when it is shown.

#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "EditFlights.h"
#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"
#include "flight/PointFiles.h"
#include "products/FlightProducts.h"
#include <QTableWidget>
#include <cmath>

namespace {

using dvtest::Coordinates;
using dvtest::Shown;
using dvtest::Snapshot;
using dvtest::Telemetry;

class RefreshTest : public WindowFixture {
 protected:
  // The same three charts filled afresh from the window's arrays.
  TChart tlm, crd, xy;
  ArcCharts reference;

  void SetUp() override { reference.CreateChartSeries(&tlm, &crd, &xy); }

  // Every series of the window against a full clear and fill; `highlighted`: the
  // command just run ends with the trajectory highlight, as these commands do.
  void ExpectAsAfterAFullFill(bool highlighted, const char* step) {
    reference.ClearCharts();
    reference.FillCharts(flight.Points);
    if (highlighted) {
      ASSERT_TRUE(window->CRDRange.IsSet()) << step;
      reference.HighlightTrajectory(window->CRDRange.StartTime, window->CRDRange.EndTime);
    }
    for (int i = 0; i < dv::kSeriesCount; ++i) {
      const auto id = static_cast<dv::SeriesId>(i);
      EXPECT_TRUE(Snapshot(window->charts().series(id)) == Snapshot(reference.series(id)))
          << step << ": series " << i;
    }
  }

  void Select(TListingView* listing, int first, int last) {
    listing->DeselectAll();
    listing->SelectRows(first, last);
    window->lbListingClick(listing);
  }
};

TEST_F(RefreshTest, EverySequenceOfEditsShowsWhatAFullFillShows) {
  const std::string base = WriteFlight("refresh", Telemetry(), Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  ExpectAsAfterAFullFill(false, "open");

  Select(w.lbxTLM, 25, 35);  // across the out-of-range values
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  ExpectAsAfterAFullFill(false, "telemetry toggle");

  Select(w.lbxCRD, 15, 30);  // across the marks
  ExpectAsAfterAFullFill(true, "coordinate selection");
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  ExpectAsAfterAFullFill(true, "coordinate toggle");
  Select(w.lbxCRD, 18, 40);  // overlapping: some back in, some out
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  ExpectAsAfterAFullFill(true, "second coordinate toggle");

  Select(w.lbxTLM, 28, 33);  // with the trajectory highlighted
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  ExpectAsAfterAFullFill(true, "telemetry toggle under the highlight");

  // A selection from the launch point sets no range and leaves the highlight;
  // the next telemetry edit takes it away, as a refill of every series did.
  Select(w.lbxCRD, 0, 5);
  ASSERT_FALSE(w.CRDRange.IsSet());
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  ExpectAsAfterAFullFill(false, "telemetry toggle after the range went");

  // The time failures, repaired with the proposed times.
  ASSERT_TRUE(w.idTLMTime->isEnabled());
  Select(w.lbxCRD, 40, 45);
  Select(w.lbxTLM, 50, 50);
  dialogs.inputs = {std::nullopt};  // Cancel: the previous interval
  w.idTLMTime->trigger();
  ASSERT_TRUE(flight.Points.TuPoints[50].TimeCorrected);
  ExpectAsAfterAFullFill(false, "telemetry time correction");
  ASSERT_TRUE(w.idCRDTime->isEnabled());
  Select(w.lbxCRD, 60, 62);
  dialogs.inputs = {QString("59.5")};
  w.idCRDTime->trigger();
  ASSERT_TRUE(flight.Points.CrdPoints[60].TimeCorrected);
  ExpectAsAfterAFullFill(true, "coordinate time correction");

  dialogs.inputs = {QString("7")};
  w.idTimeShift->trigger();
  ASSERT_DOUBLE_EQ(flight.Points.CrdPoints[1].Time, 8.0);
  ExpectAsAfterAFullFill(false, "time shift");
  Select(w.lbxCRD, 10, 70);
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  ExpectAsAfterAFullFill(true, "toggle after the shift");

  // Back through every step and forward again: each undo and redo refreshes
  // only what its step changed, and must show what a full fill shows. As when
  // they were made, a shift or a telemetry correction refills the trajectory
  // without the highlight; every other step keeps it where a range is selected.
  const std::size_t steps = w.history().Steps().size();
  ASSERT_GE(steps, 8u);
  const auto highlighted = [&](std::size_t step) {
    using Kind = dv::EditStep::Kind;
    const Kind kind = w.history().Steps()[step].kind;
    return window->CRDRange.IsSet() && kind != Kind::TimeShift && kind != Kind::CorrectTelemetryTime;
  };
  for (std::size_t i = 0; i < steps; ++i) {
    w.idUndo->trigger();
    ExpectAsAfterAFullFill(highlighted(w.history().Position()), ("undo " + std::to_string(i + 1)).c_str());
  }
  EXPECT_FALSE(w.idUndo->isEnabled());
  for (std::size_t i = 0; i < steps; ++i) {
    w.idRedo->trigger();
    ExpectAsAfterAFullFill(highlighted(w.history().Position() - 1), ("redo " + std::to_string(i + 1)).c_str());
  }
}

TEST_F(RefreshTest, OnlyTheFrontChartIsRedrawnAndTheOthersWhenShown) {
  const std::string base = WriteFlight("front", Telemetry(), Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  for (QWidget* page : {w.tsCRD, w.tsXY, w.tsTLM}) {  // each laid out once: no resize redraws below
    w.PageControlTU->setCurrentWidget(page);
    QApplication::processEvents();
  }
  QSignalSpy tlmDrawn(w.ChrtTLM, &QCustomPlot::beforeReplot);
  QSignalSpy crdDrawn(w.ChrtCRD, &QCustomPlot::beforeReplot);
  QSignalSpy xyDrawn(w.ChrtXY, &QCustomPlot::beforeReplot);

  Select(w.lbxTLM, 10, 20);
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_GE(tlmDrawn.count(), 1);
  EXPECT_EQ(crdDrawn.count(), 0);  // a telemetry edit leaves the coordinate charts alone
  EXPECT_EQ(xyDrawn.count(), 0);

  tlmDrawn.clear();
  Select(w.lbxCRD, 10, 20);
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(tlmDrawn.count(), 0);
  EXPECT_EQ(crdDrawn.count(), 0);  // behind the telemetry page: drawn later
  EXPECT_TRUE(w.ChrtCRD->replotPending());
  EXPECT_TRUE(w.ChrtXY->replotPending());

  // Shown, each is drawn before it is painted, with the edit in it.
  w.PageControlTU->setCurrentWidget(w.tsCRD);
  EXPECT_EQ(crdDrawn.count(), 1);
  EXPECT_FALSE(w.ChrtCRD->replotPending());
  const QImage crdImage = w.ChrtCRD->grab().toImage();
  TPointSeries* el = w.charts().serEl();  // drawn over the other three
  const QPoint excluded = el->coordsToPixels(el->x(15), el->y(15)).toPoint();
  EXPECT_EQ(QColor(crdImage.pixel(excluded)), QColor(0x80, 0x80, 0x00));  // olive: excluded
  w.PageControlTU->setCurrentWidget(w.tsXY);
  EXPECT_GE(xyDrawn.count(), 1);
  EXPECT_FALSE(w.ChrtXY->replotPending());
  const QImage xyImage = w.ChrtXY->grab().toImage();
  const QPoint highlighted = w.charts().serXY()->coordsToPixels(w.charts().serXY()->x(15), w.charts().serXY()->y(15)).toPoint();
  EXPECT_EQ(QColor(xyImage.pixel(highlighted)), QColor(0xFF, 0x80, 0x00));  // orange: in the range
}

}  // namespace

namespace {
// The 500 hPa height as the "Уровни" table shows it ("5581" or "5581 (−6)").
QString Height500(const TfmMainFrm& w) {
  const auto* table = w.findChild<QTableWidget*>(QStringLiteral("tblLevels"));
  for (int r = 0; table && r < table->rowCount(); ++r)
    if (table->item(r, 1)->text() == QStringLiteral("500.0")) return table->item(r, 2)->text();
  return {};
}
}  // namespace

// The levels follow every edit as a fresh computation gives them: a warm spike
// below 500 hPa lifts its height, and excluding it brings the height back.
TEST_F(RefreshTest, TheLevelsFollowAnExclusionAsAFreshComputation) {
  const std::string base = CopyExample("20251014-1130");
  std::string tu = dvtest::ReadAll(base + ".tu");
  dv::TuArray points;
  dv::ParseTu(tu, points);
  for (int i = 1000; i <= 1060; ++i) points[i].T += 15;  // 1.5-2 km, far below 500 hPa
  dvtest::WriteAll(base + ".tu", dv::FormatTuLines(points));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  const auto fresh = [&w](const dv::InitialData& info) {
    // The same arrays through a product set of their own.
    dv::FlightProducts products(w.flight().Points, info);
    for (const dv::Level& l : products.Levels())
      if (l.kind == dv::LevelKind::Standard && l.p == 500) return QString::number(std::lround(l.H));
    return QString();
  };
  w.PageControlTU->setCurrentWidget(w.tsLevels);
  const QString spiked = Height500(w);
  EXPECT_EQ(spiked, fresh(w.flight().Info));
  w.PageControlTU->setCurrentWidget(w.tsTLM);  // hidden, the page waits
  Select(w.lbxTLM, 1000, 1060);
  w.idMarkTLM->trigger();
  w.PageControlTU->setCurrentWidget(w.tsLevels);
  EXPECT_EQ(Height500(w), fresh(w.flight().Info));
  EXPECT_LT(Height500(w).toInt(), spiked.toInt());
  w.idUndo->trigger();  // in front, at once
  EXPECT_EQ(Height500(w), spiked);
  // A surface pressure typed counts as soon as the field is left, long before it is saved.
  TypeInto(w.edtP0, "1010", w.lbxTLM);
  dv::InitialData typed = w.flight().Info;
  typed.OnGroundPressure = 1010;
  EXPECT_NE(fresh(typed), spiked);
  EXPECT_EQ(Height500(w), fresh(typed));
  w.idUndo->trigger();
  EXPECT_EQ(Height500(w), spiked);
  // A click on a level selects its rows in both listings.
  auto* table = w.findChild<QTableWidget*>(QStringLiteral("tblLevels"));
  double met = 0;
  for (int r = 0; r < table->rowCount(); ++r) {
    if (table->item(r, 1)->text() != QStringLiteral("500.0")) continue;
    met = table->item(r, 0)->data(Qt::UserRole).toDouble();
    emit table->cellClicked(r, 0);
  }
  EXPECT_GT(met, 600);
  EXPECT_NEAR(w.flight().Points.TuPoints[w.TLMRange.StartRow].Time, met, 0.5);
  EXPECT_NEAR(w.flight().Points.CrdPoints[w.CRDRange.StartRow].Time, met, 0.5);
}

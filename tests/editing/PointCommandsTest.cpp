#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"

using dvtest::ReadAll;

namespace {

// Rows 1-5 at 100, 101, 102, 101.5, 102.5 s: the telemetry clock ran back at row 4.
const char* const kFailureTu =
    "0.00\t5.00\t80.00\r\n100.00\t4.90\t79.00\r\n101.00\t4.80\t78.00\r\n102.00\t4.70\t77.00\r\n"
    "101.50\t4.60\t76.00\r\n102.50\t4.50\t75.00\r\n";

std::string SteadyTu(int rows) {
  std::string tu;
  for (int i = 0; i < rows; ++i)
    tu += dv::FormatFixed(i, 0, 2) + "\t" + dv::FormatFixed(5 - 0.1 * i, 0, 2) + "\t" + dv::FormatFixed(80 - i * 0.5, 0, 2) + "\r\n";
  return tu;
}

std::string SteadyCrd(int rows) {
  std::string crd;
  for (int i = 0; i < rows; ++i)
    crd += dv::FormatFixed(i, 0, 2) + "\t" + dv::FormatFixed(150 + 50.0 * i, 0, 2) + "\t" +
           dv::FormatFixed(0.5 + 0.01 * i, 0, 6) + "\t" + dv::FormatFixed(0.1 + 0.005 * i, 0, 6) + "\r\n";
  return crd;
}

}  // namespace

class PointCommandsTest : public WindowFixture {
 protected:
  void SelectTu(int first, int last) {
    window->lbxTLM->DeselectAll();
    window->lbxTLM->SelectRows(first, last);
    window->lbListingClick(window->lbxTLM);
  }
  void SelectCrd(int first, int last) {
    window->lbxCRD->DeselectAll();
    window->lbxCRD->SelectRows(first, last);
    window->lbListingClick(window->lbxCRD);
  }
  std::vector<float> Times() const {
    std::vector<float> t;
    for (int i = 0; i < flight.Points.TuPoints.Count(); ++i) t.push_back(flight.Points.TuPoints[i].Time);
    return t;
  }
};

TEST_F(PointCommandsTest, TelemetryTimeFailureAcceptCancelAndRefusals) {
  const std::string base = WriteFlight("failure", kFailureTu, SteadyCrd(6));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(dialogs.calls.back().text, "Сбой времени tu после:102.00");

  // Row 3 advances, row 2 is too early: nothing is asked.
  for (int row : {3, 2}) {
    SelectTu(row, row);
    dialogs.calls.clear();
    w.idTLMTime->trigger();
    EXPECT_TRUE(dialogs.calls.empty()) << row;
  }

  // Row 4: the proposal carries the previous interval forward; accepted.
  SelectTu(4, 4);
  w.PageControlTxt->setCurrentWidget(w.tsCRDTxt);
  dialogs.inputs = {QStringLiteral("103.00")};
  w.idTLMTime->trigger();
  EXPECT_EQ(dialogs.calls.back(), (ScriptedDialogs::Call{"input", "Коррекция времени TLM",
                                                         "Введите/подтвердите предполагаемое время", "103.00"}));
  EXPECT_EQ(Times(), (std::vector<float>{0, 100, 101, 102, 103, 104}));
  EXPECT_TRUE(flight.Points.TuPoints[4].TimeCorrected && flight.Points.TuPoints[5].TimeCorrected);
  EXPECT_FALSE(flight.Points.TuPoints[3].TimeCorrected);
  EXPECT_TRUE(w.lbxTLM->RowMarks(4).underline);
  EXPECT_TRUE(w.TLMModified && w.cbxTLMMod->isChecked());
  EXPECT_TRUE(w.lblTLMdtime->text().isEmpty());
  EXPECT_FALSE(w.idTLMTime->isEnabled());
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsTUTxt);
  EXPECT_EQ(w.TLMRange.StartRow, 4);  // the row texts did not change, nor the range

  // Cancel still moves the tail by the previous interval; 102.0 adds 0.5; 101.0 changes nothing.
  struct Case { std::optional<QString> answer; std::vector<float> times; bool applied; };
  const Case cases[] = {
      {std::nullopt, {0, 100, 101, 102, 102.5f, 103.5f}, true},
      {QStringLiteral("102.0"), {0, 100, 101, 102, 102, 103}, true},
      {QStringLiteral("101.0"), {0, 100, 101, 102, 101.5f, 102.5f}, false},
      {QStringLiteral("abc"), {0, 100, 101, 102, 101.5f, 102.5f}, false},
  };
  for (const Case& c : cases) {
    w.idReOpen->trigger();
    SelectTu(4, 4);
    dialogs.inputs = {c.answer};
    w.idTLMTime->trigger();
    EXPECT_EQ(Times(), c.times);
    EXPECT_EQ(w.idTLMTime->isEnabled(), !c.applied);
    EXPECT_EQ(w.lblTLMdtime->text().isEmpty(), c.applied);
  }
}

TEST_F(PointCommandsTest, TimeShiftKeepsPointZeroAndHasLimits) {
  const std::string base = WriteFlight("shift", SteadyTu(5), SteadyCrd(5));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  for (const QString& refused : {QStringLiteral("301"), QStringLiteral("-301"), QStringLiteral("1.5"), QStringLiteral("40000")}) {
    dialogs.inputs = {refused};
    w.idTimeShift->trigger();
    EXPECT_FALSE(w.CRDModified) << refused.toStdString();
  }
  dialogs.inputs = {QStringLiteral("-300")};
  w.idTimeShift->trigger();
  EXPECT_EQ(dialogs.calls.back().initial, "0");
  EXPECT_FLOAT_EQ(flight.Points.TuPoints[0].Time, 0);
  EXPECT_FALSE(flight.Points.TuPoints[0].TimeCorrected);
  EXPECT_FLOAT_EQ(flight.Points.TuPoints[4].Time, -296);
  EXPECT_DOUBLE_EQ(flight.Points.CrdPoints[1].Time, -299);
  EXPECT_DOUBLE_EQ(flight.Points.CrdPoints[0].Time, 0);
  EXPECT_TRUE(w.TLMModified && w.CRDModified && w.cbxCRDMod->isChecked());
}

TEST_F(PointCommandsTest, ExclusionTogglesTwiceAndReversedRanges) {
  const std::string base = WriteFlight("toggle", SteadyTu(20), SteadyCrd(20));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  SelectTu(10, 12);
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  for (int k = 10; k <= 12; ++k) EXPECT_TRUE(flight.Points.TuPoints[k].TExcluded && flight.Points.TuPoints[k].UExcluded);
  EXPECT_EQ(w.charts().serT()->colour(11), QColor::fromRgb(0x0000FF));  // excluded temperature
  EXPECT_EQ(w.charts().serU()->colour(11), QColor::fromRgb(0xFF00FF));
  EXPECT_TRUE(w.TLMModified);
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsTUTxt);
  EXPECT_EQ(w.lbxTLM->SelectedCount(), 3);  // the selection stays for the next press
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  for (int k = 10; k <= 12; ++k) EXPECT_FALSE(flight.Points.TuPoints[k].TExcluded || flight.Points.TuPoints[k].UExcluded);
  EXPECT_TRUE(w.TLMModified);  // still marked

  // A run whose later row has the smaller time: the rows swap, no flag changes.
  const std::string reversed = WriteFlight("reversed",
                                           "0\t5\t80\r\n1\t5\t80\r\n3\t5\t80\r\n2\t5\t80\r\n4\t5\t80\r\n", SteadyCrd(3));
  dialogs.answers = {UserDialogs::Answer::No};  // leave the toggled telemetry unsaved
  ASSERT_TRUE(Open(reversed));
  w.SetTLMModified(false);
  SelectTu(2, 3);
  EXPECT_EQ(w.TLMRange.StartRow, 3);
  EXPECT_EQ(w.TLMRange.EndRow, 2);
  w.idMarkTLM->trigger();
  EXPECT_FALSE(flight.Points.TuPoints[2].TExcluded || flight.Points.TuPoints[3].TExcluded);
  EXPECT_TRUE(w.TLMModified);

  // A selection from row 0 gives no range: nothing, not even the flag.
  w.SetTLMModified(false);
  SelectTu(0, 2);
  w.idMarkTLM->trigger();
  EXPECT_FALSE(w.TLMModified);
}

TEST_F(PointCommandsTest, CtrlCInAnEditFieldTogglesCoordinates) {
  const std::string base = WriteFlight("ctrlc", SteadyTu(10), SteadyCrd(10));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  SelectCrd(5, 7);
  w.edtP0->setFocus();
  w.edtP0->selectAll();
  QTest::keyClick(w.edtP0, Qt::Key_C, Qt::ControlModifier);
  for (int k = 5; k <= 7; ++k) EXPECT_TRUE(flight.Points.CrdPoints[k].Excluded);
  EXPECT_FALSE(flight.Points.CrdPoints[4].Excluded);
  EXPECT_TRUE(w.CRDModified);
  EXPECT_EQ(w.charts().serSR()->colour(6), QColor::fromRgb(0xFF00FF));
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsCRDTxt);
  // The trajectory shows the range in orange, the rest in their own colours.
  EXPECT_EQ(w.charts().serXY()->colour(6), QColor::fromRgb(0xFF8000));
  EXPECT_EQ(w.charts().serXY()->colour(2), QColor::fromRgb(0x000080));
}

TEST_F(PointCommandsTest, ChartClicksSelectListingRows) {
  const std::string base = WriteFlight("clicks", SteadyTu(40), SteadyCrd(40));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsCRD);
  w.ChrtCRD->replot();
  QApplication::processEvents();
  TPointSeries* sr = w.charts().serSR();
  auto click = [&](int index) {
    const QPointF at(sr->keyAxis()->coordToPixel(sr->x(index)), sr->valueAxis()->coordToPixel(sr->y(index)));
    QTest::mouseClick(w.ChrtCRD, Qt::LeftButton, Qt::NoModifier, at.toPoint());
  };
  click(10);
  EXPECT_EQ(w.lbxCRD->SelectedRuns(), (std::vector<std::pair<int, int>>{{10, 10}}));
  click(14);
  EXPECT_EQ(w.lbxCRD->SelectedRuns(), (std::vector<std::pair<int, int>>{{10, 14}}));
  EXPECT_EQ(w.CRDRange.StartRow, 10);
  EXPECT_EQ(w.CRDRange.EndRow, 14);
  EXPECT_DOUBLE_EQ(w.CRDRange.EndTime, 14.0);
  click(30);
  EXPECT_EQ(w.lbxCRD->SelectedRuns(), (std::vector<std::pair<int, int>>{{30, 30}}));
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsCRDTxt);  // the listing's tab is not brought forward by a click
}

TEST_F(PointCommandsTest, EndToEndAgainstGoldenFiles) {
  // The telemetry clock ran back at row 4; the coordinates are steady.
  const std::string tu =
      "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n2.00\t4.80\t78.00\r\n3.00\t4.70\t77.00\r\n2.50\t4.60\t76.00\r\n"
      "3.50\t4.50\t75.00\r\n4.50\t4.40\t74.00\r\n5.50\t4.30\t73.00\r\n6.50\t4.20\t72.00\r\n";
  const std::string base = WriteFlight("e2e", tu, SteadyCrd(6));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  // Correct the failure: 3.00 + 1.00 proposed, accepted.
  SelectTu(4, 4);
  dialogs.inputs = {QStringLiteral("4.00")};
  w.idTLMTime->trigger();
  // Exclude rows 6-7 of the telemetry.
  SelectTu(6, 7);
  w.idMarkTLM->trigger();
  // Exclude coordinate rows 2-3, chosen by two clicks on the coordinate chart.
  w.SelectCRDRow(2);
  w.SelectCRDRow(3);
  w.idMarkCRD->trigger();
  dialogs.calls.clear();
  w.idSaveAll->trigger();
  EXPECT_EQ(ReadAll(base + ".tu"), ReadAll(dvtest::DataFile("e2e_golden.tu")));
  EXPECT_EQ(ReadAll(base + ".crd"), ReadAll(dvtest::DataFile("e2e_golden.crd")));
  EXPECT_EQ(ReadAll(base + ".org.tu"), tu);
  EXPECT_EQ(w.lbxTLM->RowCount(), 7);  // reopened from the written files
}

// The coordinate failure correction withdraws itself, clears its label and runs
// the listing click again, so the range and the trajectory follow the new times.
TEST_F(PointCommandsTest, CoordinateCorrectionRefreshesRangeAndTrajectory) {
  const std::string crd = "0.00\t150.00\t0.5\t0.1\r\n100.00\t160.00\t0.5\t0.1\r\n101.00\t170.00\t0.5\t0.1\r\n"
                          "102.00\t180.00\t0.5\t0.1\r\n101.50\t190.00\t0.5\t0.1\r\n102.50\t200.00\t0.5\t0.1\r\n";
  const std::string base = WriteFlight("crdfail", SteadyTu(6), crd);
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  ASSERT_TRUE(w.idCRDTime->isEnabled());
  ASSERT_FALSE(w.lblCRDdtime->text().isEmpty());
  SelectCrd(4, 5);
  ASSERT_DOUBLE_EQ(w.CRDRange.StartTime, 101.5);
  ASSERT_EQ(w.charts().serXY()->colour(4), QColor::fromRgb(0xFF8000));
  dialogs.inputs = {std::nullopt};  // Cancel: moved by the previous interval, 1 s
  w.idCRDTime->trigger();
  EXPECT_DOUBLE_EQ(flight.Points.CrdPoints[4].Time, 102.5);
  EXPECT_FALSE(w.idCRDTime->isEnabled());
  EXPECT_TRUE(w.lblCRDdtime->text().isEmpty());
  EXPECT_TRUE(w.CRDModified);
  // The click ran again and the highlight with it. The rows keep their listed
  // text, so the range is still 101.5-102.5 s, while point 4 now lies at 102.5 s
  // (label 103): it left the range, and point 3 (102 s) is in it.
  EXPECT_EQ(w.CRDRange.StartRow, 4);
  EXPECT_DOUBLE_EQ(w.CRDRange.StartTime, 101.5);
  EXPECT_EQ(w.charts().serXY()->colour(3), QColor::fromRgb(0xFF8000));
  EXPECT_EQ(w.charts().serXY()->colour(4), QColor::fromRgb(0x000080));
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsCRDTxt);
}

// Outside the range the trajectory shows excluded points fuchsia and the rest navy;
// inside it every point is orange, excluded or not.
TEST_F(PointCommandsTest, TrajectoryHighlightColours) {
  const std::string base = WriteFlight("highlight", SteadyTu(20), SteadyCrd(20));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  SelectCrd(3, 5);
  w.idMarkCRD->trigger();  // rows 3-5 excluded
  SelectCrd(10, 12);
  w.idMarkCRD->trigger();  // rows 10-12 excluded, and the range
  SelectCrd(9, 11);
  TPointSeries* xy = w.charts().serXY();
  EXPECT_EQ(xy->colour(4), QColor::fromRgb(0xFF00FF));   // excluded, outside
  EXPECT_EQ(xy->colour(12), QColor::fromRgb(0xFF00FF));  // excluded, just outside
  EXPECT_EQ(xy->colour(2), QColor::fromRgb(0x000080));   // included, outside
  EXPECT_EQ(xy->colour(9), QColor::fromRgb(0xFF8000));   // included, inside
  EXPECT_EQ(xy->colour(10), QColor::fromRgb(0xFF8000));  // excluded, inside
}

// "Всё" stops at the first writer that fails: nothing after it is saved and the
// flight is not opened again.
TEST_F(PointCommandsTest, SaveAllStopsAtAFailedWriter) {
  const std::string base = WriteFlight("stop", SteadyTu(10), SteadyCrd(10));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  SelectTu(3, 4);
  w.idMarkTLM->trigger();
  w.edtP0->setFocus();
  w.edtP0->selectAll();
  QTest::keyClicks(w.edtP0, "700");  // below 850: refused
  dialogs.calls.clear();
  w.idSaveAll->trigger();
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Недопустимое значение!"}));
  EXPECT_FALSE(std::filesystem::exists(base + ".org.tu"));
  EXPECT_EQ(w.lbxTLM->RowCount(), 10);  // not reopened
  EXPECT_TRUE(w.TLMModified && w.InfoModified);
}

// Leaving a field whose text changed without typing (a paste) marks its file.
TEST_F(PointCommandsTest, LeavingAPastedFieldMarksItsFile) {
  const std::string base = WriteFlight("paste", SteadyTu(5), SteadyCrd(5));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.activateWindow();
  const auto paste = [](QLineEdit* e) {
    e->setFocus();
    e->selectAll();
    QApplication::clipboard()->setText("7");
    e->paste();
  };
  paste(w.edtV0);
  EXPECT_FALSE(w.InfoModified);  // a paste is not a typed key
  paste(w.edtU0);                // leaving edtV0 marks the initial data
  EXPECT_TRUE(w.InfoModified);
  EXPECT_FALSE(w.TLMModified);
  paste(w.edtAz0);  // leaving edtU0 marks the telemetry
  EXPECT_TRUE(w.TLMModified);
  EXPECT_FALSE(w.CRDModified);
  w.edtP0->setFocus();
  EXPECT_TRUE(w.CRDModified);
}

// A control character pasted into an initial-data field (Shift+Insert, the menu) is
// refused like a typed one: a beep, and it is dropped.
TEST_F(PointCommandsTest, PastedControlCharactersAreRefused) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(WriteFlight("paste", SteadyTu(5), SteadyCrd(5))));
  w.activateWindow();
  dialogs.calls.clear();
  for (QLineEdit* e : {w.edtClouds, w.edtP0, w.edtRaRa}) {
    e->setFocus();
    e->selectAll();
    QApplication::clipboard()->setText("8/\n6\t");
    QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(e->text(), e == w.edtRaRa ? "8/" : "8/6") << e->objectName().toStdString();
  }
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>(3, ""));  // a beep each
}

// Files deleted by someone else while the flight was open: the save keeps what was
// opened as the originals, so the excluded rows are still there to be seen.
TEST_F(PointCommandsTest, FilesGoneWhileOpenAreKeptAsTheOriginals) {
  const std::string tu = SteadyTu(6), crd = SteadyCrd(6);
  const std::string base = WriteFlight("20251014-1130", tu, crd);
  const std::string info = ReadAll(base + ".info");
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  SelectTu(2, 3);
  w.idMarkTLM->trigger();
  SelectCrd(2, 3);
  w.idMarkCRD->trigger();
  w.SetInfoModified(true);
  for (const char* ext : {".info", ".tu", ".crd"}) std::filesystem::remove(base + ext);
  w.idSaveAll->trigger();
  EXPECT_EQ(ReadAll(base + ".org.tu"), tu);
  EXPECT_EQ(ReadAll(base + ".org.crd"), crd);
  EXPECT_EQ(ReadAll(base + ".org.info"), info);
  for (const char* ext : {".org.info", ".org.tu", ".org.crd"}) EXPECT_TRUE(dvtest::IsReadOnly(base + ext)) << ext;
  EXPECT_EQ(w.lbxTLM->RowCount(), 4);  // reopened: the saved rows, and all six in the originals
  EXPECT_EQ(flight.Points.CrdOrgPoints.Count(), 6);
}

// Without originals the original series show the working points; an empty original
// file is shorter than the working one (a flight for viewing), and its series show
// the working points too.
TEST_F(PointCommandsTest, AnEmptyOriginalIsTakenAsTheWorkingPoints) {
  const std::string base = WriteFlight("orgs", SteadyTu(7), SteadyCrd(7));
  dvtest::WriteAll(base + ".org.crd", "");
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(flight.Points.CrdOrgPoints.Count(), 7);
  EXPECT_EQ(flight.Points.TuOrgPoints.Count(), 7);
  EXPECT_DOUBLE_EQ(flight.Points.CrdOrgPoints[6].SR, flight.Points.CrdPoints[6].SR);
  EXPECT_TRUE(w.ViewOnly);
}

// The listing's colours, read from its painted rows: the background tells the
// temperature's flag (maroon, purple when selected), the yellow text the humidity's.
TEST_F(PointCommandsTest, ListingRowsArePaintedByTheirFlags) {
  // Row 2's temperature and row 3's humidity are out of range: both their values
  // are flagged on reading, and a toggle frees only the one in range.
  const std::string tu = "0.00\t5.00\t80.00\r\n1.00\t5.00\t80.00\r\n2.00\t120.00\t80.00\r\n"
                         "3.00\t5.00\t150.00\r\n4.00\t5.00\t80.00\r\n5.00\t5.00\t80.00\r\n";
  const std::string base = WriteFlight("colours", tu, SteadyCrd(6));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  SelectTu(2, 4);
  w.idMarkTLM->trigger();  // 2: T only; 3: U only; 4: both
  w.lbxTLM->DeselectAll();
  w.lbxTLM->SelectRows(4, 4);
  w.PageControlTxt->setCurrentWidget(w.tsTUTxt);
  QApplication::processEvents();
  const QImage image = w.lbxTLM->viewport()->grab().toImage();
  const auto rowOf = [&](int row) { return w.lbxTLM->visualRect(w.lbxTLM->model()->index(row, 0)); };
  const auto background = [&](int row) {
    const QRect r = rowOf(row);
    return QColor(image.pixel(std::min(r.right(), image.width() - 1) - 2, r.center().y())).rgb() & 0xFFFFFF;
  };
  const auto hasYellowText = [&](int row) {
    const QRect r = rowOf(row);
    for (int x = r.left(); x < std::min(r.right(), 200); ++x)
      for (int y = r.top(); y <= r.bottom(); ++y)
        if ((QColor(image.pixel(x, y)).rgb() & 0xFFFFFF) == 0xFFFF00) return true;
    return false;
  };
  EXPECT_EQ(background(1), 0x008080u);  // teal: nothing excluded
  EXPECT_FALSE(hasYellowText(1));
  EXPECT_EQ(background(2), 0x800000u);  // maroon: the temperature excluded
  EXPECT_FALSE(hasYellowText(2));
  EXPECT_EQ(background(3), 0x008080u);  // the humidity alone: yellow text only
  EXPECT_TRUE(hasYellowText(3));
  EXPECT_EQ(background(4), 0x800080u);  // both, selected: purple
  EXPECT_TRUE(hasYellowText(4));
}

// A launch point flagged on reading shows as excluded in the coordinate listing.
TEST_F(PointCommandsTest, AFlaggedLaunchPointIsMarkedInTheListing) {
  const std::string base = WriteFlight("launchmark", SteadyTu(4),
                                       "0.00\t-999.00\t0.5\t0.1\r\n1.00\t160.00\t0.5\t0.1\r\n");
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_TRUE(w.lbxCRD->RowMarks(0).background);
  EXPECT_FALSE(w.lbxCRD->RowMarks(1).background);
}

// The trajectory's back wall is a gradient from pale blue-grey to white.
TEST_F(PointCommandsTest, TheTrajectoryChartHasItsGradient) {
  const std::string base = WriteFlight("gradient", SteadyTu(4), SteadyCrd(4));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsXY);
  QApplication::processEvents();
  const QImage image = w.ChrtXY->toPixmap(w.ChrtXY->width(), w.ChrtXY->height()).toImage();
  const QRect plot = w.ChrtXY->axisRect()->rect();
  const QColor low(image.pixel(plot.left() + plot.width() / 2, plot.bottom() - 3));
  const QColor high(image.pixel(plot.left() + plot.width() / 2, plot.top() + 3));
  // Bottom near #E0EEF1, top near white.
  EXPECT_NEAR(low.red(), 0xE0, 12);
  EXPECT_NEAR(low.blue(), 0xF1, 12);
  EXPECT_GT(high.red(), low.red() + 10);
}

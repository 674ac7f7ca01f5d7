#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
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

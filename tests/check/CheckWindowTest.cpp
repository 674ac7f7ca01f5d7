// "Проверка" in the real window: the findings listed in their panel, the chosen
// ones selecting their rows, Ctrl+Y and "Убрать найденное" taking the points out, undo.

#include <QComboBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "diagram/DiagramChart.h"
#include "charts/PointSeries.h"
#include "check/FindingMarks.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"

namespace {

// The rows outlined over a series, found among its chart's plottables.
std::vector<int> OutlinedRows(TfmMainFrm& w, dv::SeriesId id) {
  TPointSeries* series = w.charts().series(id);
  QCustomPlot* chart = series ? series->parentPlot() : nullptr;
  for (int i = 0; chart && i < chart->plottableCount(); ++i)
    if (auto* o = qobject_cast<TFindingOutline*>(chart->plottable(i)); o && o->series() == series) return o->rows();
  return {};
}

class CheckWindowTest : public WindowFixture {
 protected:
  // The sample's originals as a working flight: four telemetry spikes
  // (57, 140, 201, 233 s), the coordinates clean.
  std::string SpikyFlight() {
    const std::string base = dir.file("20251017-2330");
    std::filesystem::copy_file(dvtest::ExampleFile("20251017-2330.info"), base + ".info");
    std::filesystem::copy_file(dvtest::ExampleFile("20251017-2330.org.tu"), base + ".tu");
    std::filesystem::copy_file(dvtest::ExampleFile("20251017-2330.crd"), base + ".crd");
    return base;
  }
  QString Title() const { return window->dkCheck->windowTitle(); }
  void Click(int row, Qt::KeyboardModifiers modifiers = {}) {
    QTreeWidgetItem* item = window->lbxCheck->topLevelItem(row);
    ASSERT_TRUE(item);
    window->lbxCheck->scrollToItem(item);
    QTest::mouseClick(window->lbxCheck->viewport(), Qt::LeftButton, modifiers,
                      window->lbxCheck->visualItemRect(item).center());
  }
  // The first listed finding of a rule, or -1.
  int RowOf(const QString& rule) const {
    for (int row = 0; row < window->lbxCheck->topLevelItemCount(); ++row)
      if (window->lbxCheck->topLevelItem(row)->text(0) == rule) return row;
    return -1;
  }
  std::vector<int> Rules() const {
    std::vector<int> rules;
    for (const dv::Finding& f : window->findings()) rules.push_back(static_cast<int>(f.rule));
    return rules;
  }
};

TEST_F(CheckWindowTest, ChosenFindingsAreSelectedInTheirListingsAndCtrlYTakesThemAway) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(SpikyFlight()));
  // Before the command the window is as it always was.
  EXPECT_FALSE(w.dkCheck);
  EXPECT_FALSE(w.idRemoveFound->isEnabled());
  QTest::keyClick(&w, Qt::Key_F7);
  // A panel of its own beside the two listing tabs, the focus in its list.
  ASSERT_TRUE(w.dkCheck->isVisible());
  EXPECT_EQ(w.PageControlTxt->count(), 2);
  EXPECT_TRUE(w.lbxCheck->hasFocus());
  EXPECT_EQ(Title(), QStringLiteral("Проверка (5)"));
  EXPECT_EQ(w.lblCheckValues->text(), QStringLiteral("Пропущенных значений: tu 0, crd 0; вне диапазона tu: 0"));
  ASSERT_EQ(w.lbxCheck->topLevelItemCount(), 5);
  QTreeWidgetItem* first = w.lbxCheck->topLevelItem(0);
  EXPECT_EQ(first->text(0), QStringLiteral("Выброс T"));
  EXPECT_EQ(first->text(1), QStringLiteral("57"));
  EXPECT_EQ(first->text(2), QStringLiteral("57.0"));
  EXPECT_EQ(first->text(4), QStringLiteral("2.00 °C"));
  // The points under the findings are outlined on the telemetry chart.
  ASSERT_TRUE(w.charts().series(dv::SeriesId::T));
  EXPECT_EQ(OutlinedRows(w, dv::SeriesId::T), (std::vector<int>{57, 140, 233}));
  EXPECT_EQ(OutlinedRows(w, dv::SeriesId::U), (std::vector<int>{201, 233}));

  Click(0);
  // As if the observer had selected row 57: the TU listing in front, the range set,
  // the findings still in view and the keys still theirs.
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsTUTxt);
  EXPECT_EQ(w.lbxTLM->SelectedRuns(), (std::vector<std::pair<int, int>>{{57, 57}}));
  EXPECT_EQ(w.TLMRange.StartRow, 57);
  EXPECT_EQ(w.TLMRange.EndRow, 57);
  EXPECT_TRUE(w.lbxCheck->isVisible() && w.lbxCheck->hasFocus());
  QTest::keyClick(w.lbxCheck, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(w.flight().Points.TuPoints[57].TExcluded);
  EXPECT_TRUE(w.TLMModified);
  EXPECT_TRUE(w.lbxCheck->hasFocus());
  // Found again at once: the spike is gone, the others stay.
  EXPECT_EQ(Title(), QStringLiteral("Проверка (4)"));
  ASSERT_EQ(w.findings().size(), 4u);
  EXPECT_EQ(w.findings()[0].firstRow, 140);
  EXPECT_EQ(OutlinedRows(w, dv::SeriesId::T), (std::vector<int>{140, 233}));
  // The arrows go on with the finding after the one taken away, then take in the
  // next; a Ctrl+click adds one more: every chosen finding's rows are selected.
  QTest::keyClick(w.lbxCheck, Qt::Key_Down);
  EXPECT_EQ(w.lbxTLM->SelectedRuns(), (std::vector<std::pair<int, int>>{{140, 140}}));
  QTest::keyClick(w.lbxCheck, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(w.lbxTLM->SelectedRuns(), (std::vector<std::pair<int, int>>{{140, 140}, {201, 201}}));
  Click(3, Qt::ControlModifier);
  EXPECT_EQ(w.lbxTLM->SelectedRuns(), (std::vector<std::pair<int, int>>{{140, 140}, {201, 201}, {233, 233}}));
  EXPECT_EQ(w.TLMRange.StartRow, 140);  // Ctrl+Y takes the first stretch, as in the listing
  // Undone, it is found again.
  QTest::keyClick(w.lbxCheck, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Title(), QStringLiteral("Проверка (5)"));
}

TEST_F(CheckWindowTest, RemoveFoundExcludesWhatEachFindingNamesInOneStep) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(SpikyFlight()));
  w.idCheck->trigger();
  w.lbxCheck->selectAll();
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier);
  const dv::TuArray& tu = w.flight().Points.TuPoints;
  // A temperature finding takes the temperature, a humidity finding the humidity.
  EXPECT_TRUE(tu[57].TExcluded);
  EXPECT_FALSE(tu[57].UExcluded);
  EXPECT_FALSE(tu[201].TExcluded);
  EXPECT_TRUE(tu[201].UExcluded);
  EXPECT_TRUE(tu[233].TExcluded && tu[233].UExcluded);
  EXPECT_TRUE(w.TLMModified);
  EXPECT_FALSE(w.CRDModified);
  EXPECT_TRUE(w.findings().empty());
  EXPECT_EQ(Title(), QStringLiteral("Проверка (0)"));
  EXPECT_TRUE(OutlinedRows(w, dv::SeriesId::T).empty());
  ASSERT_EQ(w.history().Steps().size(), 1u);
  EXPECT_EQ(w.idUndo->text(), QStringLiteral("Отменить: Убрать найденное, точек: 4"));
  // One undo brings every flag and finding back.
  w.idUndo->trigger();
  for (int row : {57, 140, 201, 233}) EXPECT_FALSE(tu[row].TExcluded || tu[row].UExcluded) << row;
  EXPECT_EQ(w.findings().size(), 5u);
  EXPECT_FALSE(w.TLMModified);
  w.idRedo->trigger();
  EXPECT_TRUE(tu[201].UExcluded);
  EXPECT_TRUE(w.findings().empty());
  // Nothing chosen: nothing happens.
  w.idUndo->trigger();
  w.lbxCheck->clearSelection();
  w.idRemoveFound->trigger();
  EXPECT_FALSE(w.history().CanRedo() && w.history().Position() == 1);
}

TEST_F(CheckWindowTest, TheRuleFilterOutlivesAnEditAndEveryColumnIsReadable) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(SpikyFlight()));
  w.idCheck->trigger();
  // At the window's start size every text fits its column, and every column the list.
  const QFontMetrics fm(w.lbxCheck->font());
  QHeaderView* header = w.lbxCheck->header();
  for (int col = 0; col < 5; ++col) {
    EXPECT_LE(header->sectionViewportPosition(col) + header->sectionSize(col), w.lbxCheck->viewport()->width());
    for (int row = 0; row < w.lbxCheck->topLevelItemCount(); ++row)
      EXPECT_LT(fm.horizontalAdvance(w.lbxCheck->topLevelItem(row)->text(col)), header->sectionSize(col)) << col;
  }
  w.cbxCheckRule->setCurrentIndex(w.cbxCheckRule->findText(QStringLiteral("Выброс T (3)")));
  ASSERT_EQ(w.lbxCheck->topLevelItemCount(), 3);
  Click(0);
  w.idRemoveFound->trigger();
  // Still the rule's findings alone after the edit, while it has any.
  EXPECT_EQ(w.cbxCheckRule->currentText(), QStringLiteral("Выброс T (2)"));
  EXPECT_EQ(w.lbxCheck->topLevelItemCount(), 2);
  // The observer's exclusion counts as a value out of range.
  EXPECT_EQ(w.lblCheckValues->text(), QStringLiteral("Пропущенных значений: tu 0, crd 0; вне диапазона tu: 1"));
  w.lbxCheck->selectAll();
  w.idRemoveFound->trigger();
  EXPECT_EQ(w.cbxCheckRule->currentText(), QStringLiteral("Все правила"));
  EXPECT_EQ(w.lbxCheck->topLevelItemCount(), 2);
}

TEST_F(CheckWindowTest, ATimeFailureFindingLeadsStraightToItsCorrection) {
  // Steady records a second apart; the telemetry clock runs back 2 s at row 70, and
  // the slant range jumps out at row 90.
  std::string tu, crd;
  for (int i = 0; i < 120; ++i) {
    tu += dv::FormatFixed(i < 70 ? i : i - 2, 0, 2) + "\t" + dv::FormatFixed(5 - 0.1 * i, 0, 2) + "\t" +
          dv::FormatFixed(80 - 0.3 * i, 0, 2) + "\r\n";
    crd += dv::FormatFixed(i, 0, 2) + "\t" + dv::FormatFixed(150 + 6.0 * i + (i == 90 ? 900 : 0), 0, 2) + "\t" +
           dv::FormatFixed(0.5 + 0.01 * i, 0, 6) + "\t" + dv::FormatFixed(30 + 0.02 * i, 0, 6) + "\r\n";
  }
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(WriteFlight("failure", tu, crd)));
  QTest::keyClick(&w, Qt::Key_F7);
  ASSERT_GE(RowOf(QStringLiteral("Сбой времени tu")), 0);
  Click(RowOf(QStringLiteral("Сбой времени tu")));
  EXPECT_EQ(w.lbxTLM->SelectedRuns(), (std::vector<std::pair<int, int>>{{70, 70}}));
  dialogs.inputs = {QStringLiteral("70.00")};
  w.idTLMTime->trigger();
  const dv::TuArray& points = w.flight().Points.TuPoints;
  for (int row : {69, 70, 119}) EXPECT_FLOAT_EQ(points[row].Time, static_cast<float>(row));
  EXPECT_TRUE(points[70].TimeCorrected && !points[69].TimeCorrected);
  EXPECT_EQ(RowOf(QStringLiteral("Сбой времени tu")), -1);
  // Ctrl+C in the list takes out the coordinate finding's point.
  ASSERT_GE(RowOf(QStringLiteral("Выброс дальности")), 0);
  Click(RowOf(QStringLiteral("Выброс дальности")));
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsCRDTxt);
  QTest::keyClick(w.lbxCheck, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(w.flight().Points.CrdPoints[90].Excluded);
  EXPECT_TRUE(w.CRDModified && w.lbxCheck->hasFocus());
}

TEST_F(CheckWindowTest, ThresholdsFromTheSettingsAndKeptThroughTheCloseTimeWrite) {
  const std::string settings = "[OPTIONS]\r\nPath=C:\\old\\\r\n[CHECK]\r\n; raised for this station\r\nTSpike=100\r\n"
                               "USpike=100\r\nTJump=100\r\nujump = 100\r\n";
  dvtest::WriteAll(ConfigPath(), settings);
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(SpikyFlight()));
  w.idCheck->trigger();
  EXPECT_TRUE(w.findings().empty());
  w.close();
  window.reset();
  const std::string after = dvtest::ReadAll(ConfigPath());
  EXPECT_NE(after.find("[CHECK]\r\n; raised for this station\r\nTSpike=100\r\nUSpike=100\r\nTJump=100\r\nujump = 100\r\n"),
            std::string::npos)
      << after;
  EXPECT_EQ(after.find("C:\\old"), std::string::npos);  // "Path" itself was written
}

}  // namespace

namespace {

TEST_F(CheckWindowTest, AWarmLayerFromOneRecordToTheNextIsFoundAsAirAndTakenOut) {
  // The sample with 4 °C added to rows 3000-3040 of its telemetry.
  const std::string base = CopyExample("20251014-1130");
  std::string text = dvtest::ReadAll(base + ".tu");
  std::size_t at = 0;
  for (int line = 0; line <= 3040; ++line) {
    if (line >= 3000) {
      const std::size_t from = text.find('\t', at) + 1, to = text.find('\t', from);
      text.replace(from, to - from, dv::FormatFixed(std::stod(text.substr(from, to - from)) + 4, 0, 2));
    }
    at = text.find("\r\n", at) + 2;
  }
  dvtest::WriteAll(base + ".tu", text);
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  QTest::keyClick(&w, Qt::Key_F7);
  const int inversion = RowOf(QStringLiteral("Резкая инверсия"));
  const int layer = RowOf(QStringLiteral("Сверхадиабатический слой"));
  ASSERT_GE(inversion, 0);
  ASSERT_GE(layer, 0);
  // The warming at the layer's foot, and the fall at its top: their rows name the layer.
  Click(inversion);
  Click(layer, Qt::ControlModifier);
  const auto runs = w.lbxTLM->SelectedRuns();
  ASSERT_FALSE(runs.empty());
  EXPECT_LE(runs.front().first, 3000);
  EXPECT_GE(runs.back().second, 3040);
  // ...and no good air beyond it (θ climbs fast up there: the side is judged on T).
  EXPECT_GE(runs.front().first, 2995);
  EXPECT_LE(runs.back().second, 3045);
  // Outlined on the diagram's temperature as on the telemetry chart.
  ASSERT_TRUE(w.diagram() && w.checkMarks()->diagramOutline(DiagramChart::T));
  const auto& outlined = w.checkMarks()->diagramOutline(DiagramChart::T)->rows();
  EXPECT_TRUE(std::binary_search(outlined.begin(), outlined.end(), 3020));
  w.idRemoveFound->trigger();
  EXPECT_TRUE(w.flight().Points.TuPoints[3020].TExcluded);
  // Recomputed at once: the warm layer is gone, and with it both findings.
  EXPECT_LT(RowOf(QStringLiteral("Резкая инверсия")), 0);
  EXPECT_LT(RowOf(QStringLiteral("Сверхадиабатический слой")), 0);
}

}  // namespace

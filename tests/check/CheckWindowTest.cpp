// "Проверка" in the real window: the findings listed, a click selecting their
// rows, Ctrl+Y and "Убрать найденное" taking the points out, undo.

#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "check/FindingMarks.h"
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
  QString TabText() const {
    return window->PageControlTxt->tabText(window->PageControlTxt->indexOf(window->tsCheckTxt));
  }
  void Click(int row) {
    QTreeWidgetItem* item = window->lbxCheck->topLevelItem(row);
    ASSERT_TRUE(item);
    window->lbxCheck->scrollToItem(item);
    QTest::mouseClick(window->lbxCheck->viewport(), Qt::LeftButton, {},
                      window->lbxCheck->visualItemRect(item).center());
  }
  std::vector<int> Rules() const {
    std::vector<int> rules;
    for (const dv::Finding& f : window->findings()) rules.push_back(static_cast<int>(f.rule));
    return rules;
  }
};

TEST_F(CheckWindowTest, AClickedFindingIsSelectedAndCtrlYTakesItAway) {
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(SpikyFlight()));
  // Before the command the window is as it always was: two listing tabs.
  EXPECT_EQ(w.PageControlTxt->count(), 2);
  EXPECT_FALSE(w.idRemoveFound->isEnabled());
  QTest::keyClick(&w, Qt::Key_F7);
  ASSERT_EQ(w.PageControlTxt->count(), 3);
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsCheckTxt);
  EXPECT_EQ(TabText(), QStringLiteral("Проверка (5)"));
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
  // As if the observer had selected row 57: the TU listing in front, the range set.
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsTUTxt);
  EXPECT_EQ(w.lbxTLM->SelectedRuns(), (std::vector<std::pair<int, int>>{{57, 57}}));
  EXPECT_EQ(w.TLMRange.StartRow, 57);
  EXPECT_EQ(w.TLMRange.EndRow, 57);
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(w.flight().Points.TuPoints[57].TExcluded);
  EXPECT_TRUE(w.TLMModified);
  // Found again at once: the spike is gone, the others stay.
  EXPECT_EQ(TabText(), QStringLiteral("Проверка (4)"));
  ASSERT_EQ(w.findings().size(), 4u);
  EXPECT_EQ(w.findings()[0].firstRow, 140);
  EXPECT_EQ(OutlinedRows(w, dv::SeriesId::T), (std::vector<int>{140, 233}));
  // Undone, it is found again.
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(TabText(), QStringLiteral("Проверка (5)"));
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
  EXPECT_EQ(TabText(), QStringLiteral("Проверка (0)"));
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

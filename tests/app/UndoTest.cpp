// Undo and redo on the real window: every kind of edit taken back to the
// state after the open and brought back to the state after the edits, exactly.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <cstring>
#include <filesystem>

#include "EditFlights.h"
#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"

namespace {

// What the observer can see of the flight and what the files would get.
struct WindowState {
  std::vector<std::string> tu, crd;  // every point, as bytes
  bool info = false, tlm = false, crdMod = false;
  bool infoBox = false, tlmBox = false, crdBox = false;
  QString tlmLabel, crdLabel;
  bool tlmTime = false, crdTime = false;
  std::vector<std::pair<QString, unsigned>> fields;
  std::vector<dvtest::Shown> series;
  bool operator==(const WindowState&) const = default;
};

WindowState StateOf(TfmMainFrm& w) {
  WindowState s;
  const auto& p = w.flight().Points;
  for (int i = 0; i < p.TuPoints.Count(); ++i) {
    const dv::TuPoint& t = p.TuPoints[i];
    std::string bytes(reinterpret_cast<const char*>(&t.Time), 12);  // Time, T, U
    bytes += std::string{char(t.TimeCorrected), char(t.TExcluded), char(t.UExcluded)};
    s.tu.push_back(bytes);
  }
  for (int i = 0; i < p.CrdPoints.Count(); ++i) {
    const dv::CrdPoint& c = p.CrdPoints[i];
    std::string bytes(reinterpret_cast<const char*>(&c.Time), 32);  // Time, SR, Az, El
    bytes += std::string{char(c.Excluded), char(c.TimeCorrected)};
    s.crd.push_back(bytes);
  }
  s.info = w.InfoModified;
  s.tlm = w.TLMModified;
  s.crdMod = w.CRDModified;
  s.infoBox = w.cbxInfoMod->isChecked();
  s.tlmBox = w.cbxTLMMod->isChecked();
  s.crdBox = w.cbxCRDMod->isChecked();
  s.tlmLabel = w.lblTLMdtime->text();
  s.crdLabel = w.lblCRDdtime->text();
  s.tlmTime = w.idTLMTime->isEnabled();
  s.crdTime = w.idCRDTime->isEnabled();
  for (QLineEdit* f : w.findChildren<QLineEdit*>())
    if (f->objectName().startsWith(QStringLiteral("edt"))) s.fields.emplace_back(f->text(), FieldColour(f));
  for (int i = 0; i < dv::kSeriesCount; ++i) s.series.push_back(dvtest::Snapshot(w.charts().series(static_cast<dv::SeriesId>(i))));
  return s;
}

class UndoTest : public WindowFixture {
 protected:
  void Select(TListingView* listing, int first, int last) {
    listing->DeselectAll();
    listing->SelectRows(first, last);
    window->lbListingClick(listing);
  }

  void TypeIntoP0(const QString& text) {
    window->edtP0->setFocus();
    QApplication::processEvents();
    window->edtP0->selectAll();
    QTest::keyClicks(window->edtP0, text);
    window->lbxTLM->setFocus();  // leaving the field makes the step
    QApplication::processEvents();
  }

  // An edit of every kind, as the observer makes them.
  void TheEdits() {
    TfmMainFrm& w = *window;
    Select(w.lbxTLM, 10, 20);
    QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
    Select(w.lbxCRD, 15, 30);
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    Select(w.lbxTLM, 50, 50);
    dialogs.inputs = {std::nullopt};
    w.idTLMTime->trigger();
    Select(w.lbxCRD, 60, 62);
    dialogs.inputs = {QString("59.5")};
    w.idCRDTime->trigger();
    Select(w.lbxCRD, 15, 30);  // the highlight back on the first stretch
    dialogs.inputs = {QString("7")};
    w.idTimeShift->trigger();
    TypeIntoP0(QStringLiteral("1004.5"));
  }
  static constexpr int kEdits = 6;
};

TEST_F(UndoTest, EveryEditUndoneAndRedoneExactly) {
  const std::string base = WriteFlight("20251014-1130", dvtest::Telemetry(), dvtest::Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  Select(w.lbxCRD, 15, 30);  // the trajectory highlight follows the selection, which no undo changes
  EXPECT_FALSE(w.idUndo->isEnabled());
  EXPECT_FALSE(w.idRedo->isEnabled());
  EXPECT_EQ(w.idUndo->text(), QStringLiteral("Отменить"));
  const WindowState opened = StateOf(w);
  ASSERT_TRUE(opened.tlmTime);

  TheEdits();
  ASSERT_EQ(w.history().Steps().size(), std::size_t{kEdits});
  EXPECT_EQ(w.idUndo->text(), QStringLiteral("Отменить: P0: 1003.2 → 1004.5"));
  const WindowState edited = StateOf(w);
  ASSERT_FALSE(edited == opened);
  ASSERT_FALSE(edited.tlmTime);
  ASSERT_FALSE(edited.crdTime);
  ASSERT_TRUE(opened.crdTime);
  ASSERT_NE(opened.crdLabel, edited.crdLabel);

  for (int k = 0; k < kEdits; ++k) QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(StateOf(w) == opened);
  EXPECT_FALSE(w.idUndo->isEnabled());
  EXPECT_EQ(w.idRedo->text(), QStringLiteral("Повторить: Убрать/включить телеметрию, строки 10–20"));

  for (int k = 0; k < kEdits; ++k) QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(StateOf(w) == edited);
  EXPECT_FALSE(w.idRedo->isEnabled());

  // What is saved after undo and redo is what the edits alone save.
  w.idSaveAll->trigger();
  const std::string tu = dvtest::ReadAll(base + ".tu"), crd = dvtest::ReadAll(base + ".crd"),
                    info = dvtest::ReadAll(base + ".info");
  std::filesystem::create_directories(dir.file("again"));
  const std::string again = WriteFlight("again/20251014-1130", dvtest::Telemetry(), dvtest::Coordinates());
  ASSERT_TRUE(Open(again));
  EXPECT_TRUE(w.history().Steps().empty());  // a new opening, a new history
  EXPECT_FALSE(w.idUndo->isEnabled());
  Select(w.lbxCRD, 15, 30);
  TheEdits();
  w.idSaveAll->trigger();
  EXPECT_EQ(dvtest::ReadAll(again + ".tu"), tu);
  EXPECT_EQ(dvtest::ReadAll(again + ".crd"), crd);
  EXPECT_EQ(dvtest::ReadAll(again + ".info"), info);
}

TEST_F(UndoTest, CtrlZInAFieldUndoesThePointEditAndLeavesTheField) {
  const std::string base = WriteFlight("20251014-1130", dvtest::Telemetry(), dvtest::Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  Select(w.lbxCRD, 15, 30);
  const WindowState opened = StateOf(w);
  QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
  w.edtP0->setFocus();
  QApplication::processEvents();
  const QString text = w.edtP0->text();
  QTest::keyClick(w.edtP0, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(w.edtP0->text(), text);
  EXPECT_TRUE(StateOf(w) == opened);
  EXPECT_EQ(std::count_if(dialogs.calls.begin(), dialogs.calls.end(), [](const auto& c) { return c.kind == "beep"; }), 0);
}

TEST_F(UndoTest, ANewEditDropsTheRedoAndTheHistoryListGoesToAStep) {
  const std::string base = WriteFlight("20251014-1130", dvtest::Telemetry(), dvtest::Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  Select(w.lbxCRD, 15, 30);
  const WindowState opened = StateOf(w);
  TheEdits();
  const WindowState edited = StateOf(w);
  // Back to the state after the second step through the list, then forward to the end.
  dialogs.choices = {2};
  w.idHistory->trigger();
  EXPECT_EQ(w.history().Position(), 2u);
  EXPECT_EQ(dialogs.lastItems.size(), kEdits + 1);
  EXPECT_TRUE(dialogs.lastItems[kEdits].endsWith(QStringLiteral("◄")));
  EXPECT_FALSE(dialogs.lastItems[kEdits].contains(QStringLiteral("(отменено)")));  // done, not undone
  dialogs.choices = {kEdits};
  w.idHistory->trigger();
  EXPECT_TRUE(StateOf(w) == edited);
  dialogs.choices = {0};
  w.idHistory->trigger();
  EXPECT_TRUE(StateOf(w) == opened);
  dialogs.choices = {std::nullopt};  // looked at (Ctrl+H), cancelled: nothing changes
  QTest::keyClick(&w, Qt::Key_H, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.lastItems[0].endsWith(QStringLiteral("◄")));
  EXPECT_TRUE(dialogs.lastItems[1].endsWith(QStringLiteral("(отменено)")));
  EXPECT_EQ(dialogs.lastItems[1], QStringLiteral("1. Убрать/включить телеметрию, строки 10–20 (отменено)"));
  EXPECT_TRUE(StateOf(w) == opened);
  // A new edit after undoing drops what could be redone.
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  Select(w.lbxTLM, 60, 70);
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(w.history().Steps().size(), 2u);
  EXPECT_FALSE(w.idRedo->isEnabled());
}

// The undo of a coordinate correction refills the coordinate series and puts the
// trajectory highlight of the current selection back, as the correction did.
TEST_F(UndoTest, UndoingACoordinateCorrectionKeepsTheHighlight) {
  const std::string base = WriteFlight("20251014-1130", dvtest::Telemetry(), dvtest::Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  Select(w.lbxCRD, 60, 62);
  dialogs.inputs = {QString("59.5")};
  w.idCRDTime->trigger();
  Select(w.lbxCRD, 15, 30);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  TChart tlm, crd, xy;
  ArcCharts reference;
  reference.CreateChartSeries(&tlm, &crd, &xy);
  reference.FillCharts(w.flight().Points);
  reference.HighlightTrajectory(w.CRDRange.StartTime, w.CRDRange.EndTime);
  EXPECT_TRUE(dvtest::Snapshot(w.charts().serXY()) == dvtest::Snapshot(reference.serXY()));
  EXPECT_EQ(w.charts().serXY()->colour(25), QColor(0xFF, 0x80, 0x00));  // inside 15-30: orange
}

// An undo after a save of the initial data leaves the flag set: the file now
// holds the edit, memory no longer does.
TEST_F(UndoTest, UndoAfterASaveKeepsTheFileMarkedChanged) {
  const std::string base = WriteFlight("20251014-1130", dvtest::Telemetry(), dvtest::Coordinates());
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  TypeIntoP0(QStringLiteral("1004.5"));
  ASSERT_TRUE(w.InfoModified);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(w.InfoModified);  // as before the edit
  EXPECT_EQ(w.edtP0->text(), QStringLiteral("1003.2"));
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(w.InfoModified);
  w.idSaveInfo->trigger();
  ASSERT_FALSE(w.InfoModified);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(w.edtP0->text(), QStringLiteral("1003.2"));
  EXPECT_TRUE(w.InfoModified);
  EXPECT_TRUE(w.cbxInfoMod->isChecked());
}

}  // namespace

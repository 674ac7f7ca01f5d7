#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include <sys/mount.h>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "charts/PointSeries.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"
#include "flight/PointFiles.h"

using Answer = UserDialogs::Answer;
using dvtest::ReadAll;

namespace {

std::vector<QString> Reachable(TfmMainFrm& w) {
  std::vector<QString> names;
  for (QAction* a : {w.idOpen, w.idReOpen, w.idSaveInfo, w.idSaveTLM, w.idSaveCRD, w.idSaveAll, w.mniSaveEOL,
                     w.mniSaveRun, w.idExit1, w.idMarkTLM, w.idMarkCRD, w.idTLMTime, w.idCRDTime, w.idTimeShift,
                     w.ChartEdit, w.About1})
    if (TfmMainFrm::IsReachable(a)) names.push_back(a->objectName());
  return names;
}

}  // namespace

using OpenFlightTest = WindowFixture;

TEST_F(OpenFlightTest, TypicalUseFromTimeFailureToSavedTelemetry) {
  const std::string base = CopyExample("15.10.2025-5.30");
  TfmMainFrm& w = Create();
  const QString initialName = w.openDialogFileName();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(w.openDialogFileName(), PathToQt(base + ".info"));  // the dialog remembers the choice
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Выбор выпуска | " + initialName,
                                                   "Сбой времени tu после:102.00", "Сбой времени crd после:150.00"}));
  EXPECT_EQ(w.windowTitle(), "Devirarav:" + QString::number(flight.Info.StationSynopticIndex) + "-15.10.2025-5.30");
  EXPECT_EQ(w.lblTLMdtime->text(), "102.00");
  EXPECT_EQ(w.lblCRDdtime->text(), "150.00");
  EXPECT_TRUE(TfmMainFrm::IsReachable(w.idTLMTime));
  EXPECT_EQ(w.lbxTLM->RowCount(), flight.Points.TuPoints.Count());
  EXPECT_EQ(w.lbxTLM->listModel()->RowText(0).toStdString() + "\r\n",
            ReadAll(base + ".tu").substr(0, ReadAll(base + ".tu").find('\n') + 1));

  // Rows selected in the listing make the telemetry range.
  w.lbxTLM->SelectRows(10, 12);
  w.lbListingClick(w.lbxTLM);
  EXPECT_EQ(w.TLMRange.StartRow, 10);
  EXPECT_EQ(w.TLMRange.EndRow, 12);

  // A corrected surface temperature, then Ctrl+S.
  w.edtT0->setFocus();
  w.edtT0->selectAll();
  QTest::keyClicks(w.edtT0, "-1.5");
  EXPECT_TRUE(w.TLMModified);
  EXPECT_TRUE(w.cbxTLMMod->isChecked());
  dialogs.calls.clear();
  const std::string delivered = ReadAll(base + ".tu");
  QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
  const std::vector<QString> texts = dialogs.Texts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0], "Нет изменений INFO для сохранения!");
  EXPECT_EQ(texts[1], "Данные TU обновлены");
  EXPECT_EQ(texts[2], "Нет изменений CRD для сохранения!");
  // The delivered file is kept read-only beside the rewritten one, and the flight was opened again.
  EXPECT_EQ(ReadAll(base + ".org.tu"), delivered);
  EXPECT_TRUE(dvtest::IsReadOnly(base + ".org.tu"));
  EXPECT_EQ(ReadAll(base + ".tu").substr(0, 11), "0.00\t-1.50\t");
  EXPECT_EQ(w.edtT0->text(), "-1.50");
  EXPECT_FALSE(w.TLMModified);
  EXPECT_FALSE(w.cbxTLMMod->isChecked());
  EXPECT_FALSE(w.TLMRange.IsSet());
  EXPECT_EQ(texts.back(), "Сбой времени crd после:150.00");  // the reopen checked again
}

TEST_F(OpenFlightTest, CommandStatesAfterStartFailureAndOpens) {
  const std::string full = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  EXPECT_EQ(Reachable(w), (std::vector<QString>{"idOpen", "idExit1", "idMarkTLM", "idMarkCRD", "ChartEdit", "About1"}));

  // A flight with points.
  ASSERT_TRUE(Open(full));
  EXPECT_EQ(Reachable(w), (std::vector<QString>{"idOpen", "idReOpen", "idSaveInfo", "idSaveTLM", "idSaveCRD",
                                                "idSaveAll", "mniSaveEOL", "idExit1", "idMarkTLM", "idMarkCRD",
                                                "idTimeShift", "ChartEdit", "About1"}));
  // Its flagged telemetry makes closing ask, although nothing was edited and "tu" is unticked.
  EXPECT_TRUE(w.TLMModified);
  EXPECT_FALSE(w.cbxTLMMod->isChecked());

  // Then a flight whose .info fails: nothing of either flight is left, as at start.
  dvtest::WriteAll(dir.file("bad.info"), "StationSynopticIndex:\t1\r\n");  // no start keys
  flight.Info.StartYear = 0;
  dialogs.calls.clear();
  dialogs.answers = {Answer::No};  // "Сохранить?" for the flagged telemetry
  dialogs.files.push_back(PathToQt(dir.file("bad.info")));
  w.idOpen->trigger();
  EXPECT_EQ(dialogs.calls.back().text, "Info-файл ошибка!");
  EXPECT_EQ(w.windowTitle(), "Devirarav");
  EXPECT_EQ(Reachable(w), (std::vector<QString>{"idOpen", "idExit1", "idMarkTLM", "idMarkCRD", "idTimeShift",
                                                "ChartEdit", "About1"}));
  EXPECT_EQ(w.lbxTLM->RowCount(), 0);
  EXPECT_EQ(w.edtStation->text(), "");  // the part of bad.info read before the failure
  EXPECT_TRUE(flight.FlightBase.empty());

  // A flight with only its .info: two messages, no points, single-file saves withdrawn.
  dvtest::WriteAll(dir.file("20251016-1130only.info"), ReadAll(full + ".info"));
  std::filesystem::rename(dir.file("20251016-1130only.info"), dir.file("only.info"));
  dialogs.calls.clear();
  ASSERT_TRUE(Open(dir.file("only")));
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Выбор выпуска | " + PathToQt(dir.file("bad.info")),
                                                   PathToQt(dir.file("only.tu")) + " отсутствует!",
                                                   PathToQt(dir.file("only.crd")) + " отсутствует!"}));
  EXPECT_EQ(Reachable(w), (std::vector<QString>{"idOpen", "idReOpen", "idSaveAll", "mniSaveEOL", "idExit1",
                                                "idMarkTLM", "idMarkCRD", "idTimeShift", "ChartEdit", "About1"}));
}

TEST_F(OpenFlightTest, OriginalsAreRefusedAndReaderErrorsEndTheOpen) {
  const std::string base = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  std::filesystem::copy_file(base + ".info", base + ".org.info");
  dialogs.files.push_back(PathToQt(base + ".org.info"));
  w.idOpen->trigger();
  EXPECT_EQ(dialogs.calls.back().text, "Оригинальные файлы править нельзя!");
  EXPECT_TRUE(flight.FlightBase.empty());

  // A malformed number: the reader's text in the error box, the window left cleared,
  // with nothing of what was read before the error.
  dvtest::WriteAll(base + ".crd", "0.00\t150.00\t1.0\t0.0\r\n1.00\t1,5\t1.0\t0.0\r\n");
  std::filesystem::remove(base + ".org.info");
  dialogs.files.push_back(PathToQt(base + ".info"));
  w.idOpen->trigger();
  EXPECT_EQ(dialogs.calls.back(), (ScriptedDialogs::Call{"error", {}, "Invalid numeric input"}));
  EXPECT_FALSE(TfmMainFrm::IsReachable(w.idReOpen));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor is gone
  EXPECT_EQ(w.lbxCRD->RowCount(), 0);
  EXPECT_EQ(w.lbxTLM->RowCount(), 0);
  EXPECT_EQ(flight.Points.TuPoints.Count(), 0);
  EXPECT_EQ(w.windowTitle(), "Devirarav");
  EXPECT_EQ(w.edtP0->text(), "");
}

TEST_F(OpenFlightTest, ShorterOriginalsGiveAViewOnlyFlight) {
  const std::string base = CopyExample("20251017-2330");
  for (const char* ext : {".org.info", ".org.tu", ".org.crd"}) std::filesystem::copy_file(dvtest::ExampleFile(std::string("20251017-2330") + ext), base + ext);
  // The working telemetry with one point more than its original.
  dvtest::WriteAll(base + ".org.tu", ReadAll(base + ".org.tu").substr(0, ReadAll(base + ".org.tu").size() / 2));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(dialogs.calls.back().text, "Исправленных данных больше!!!\nДоступен только режим просмотра!");
  EXPECT_TRUE(w.ViewOnly);
  for (QAction* a : {w.idSaveAll, w.idSaveTLM, w.idMarkTLM, w.idMarkCRD, w.idTimeShift, w.mniSaveEOL})
    EXPECT_FALSE(TfmMainFrm::IsReachable(a)) << a->objectName().toStdString();
  EXPECT_TRUE(w.edtP0->isReadOnly());
  EXPECT_TRUE(w.charts().serTOrg()->visible());  // the original is shown all the same
  // The pressure differs from the original: highlighted.
  EXPECT_EQ(FieldColour(w.edtP0), fieldcolour::kAqua);
  EXPECT_EQ(FieldColour(w.edtMin), fieldcolour::kMenu);
  // The next open ends the state.
  const std::string other = CopyExample("20251016-1130");
  ASSERT_TRUE(Open(other));
  EXPECT_FALSE(w.ViewOnly);
  EXPECT_TRUE(TfmMainFrm::IsReachable(w.idMarkTLM));
  EXPECT_FALSE(w.edtP0->isReadOnly());
}

TEST_F(OpenFlightTest, TypingIntoTheFields) {
  TfmMainFrm& w = Create();
  w.edtP0->setFocus();
  QTest::keyClicks(w.edtP0, "1,5");
  EXPECT_EQ(w.edtP0->text(), "1.5");
  EXPECT_TRUE(w.InfoModified);
  EXPECT_EQ(FieldColour(w.edtP0), fieldcolour::kWindow);
  dialogs.calls.clear();
  QTest::keyClicks(w.edtP0, ",.");
  EXPECT_EQ(w.edtP0->text(), "1.5");
  EXPECT_EQ(dialogs.calls.size(), 2u);  // two beeps
  QTest::keyClick(w.edtP0, Qt::Key_Return);
  EXPECT_EQ(dialogs.calls.size(), 3u);
  EXPECT_EQ(dialogs.calls.back().kind, "beep");

  // The minus only at the start of a signed real.
  w.edtT0->setFocus();
  QTest::keyClicks(w.edtT0, "-12.5");
  EXPECT_EQ(w.edtT0->text(), "-12.5");
  w.edtT0->clear();
  QTest::keyClicks(w.edtT0, "1-2");
  EXPECT_EQ(w.edtT0->text(), "12");
  EXPECT_TRUE(w.TLMModified);
  EXPECT_FALSE(w.CRDModified);

  // Backspace in an untouched field marks it.
  w.SetInfoModified(false);
  w.edtD0->setFocus();
  QTest::keyClick(w.edtD0, Qt::Key_Backspace);
  EXPECT_TRUE(w.InfoModified);
  EXPECT_EQ(FieldColour(w.edtD0), fieldcolour::kWindow);
  // A digit in the launch point marks the coordinates, not the initial data.
  w.SetInfoModified(false);
  w.edtSR0->setFocus();
  QTest::keyClicks(w.edtSR0, "7");
  EXPECT_TRUE(w.CRDModified);
  EXPECT_FALSE(w.InfoModified);
  w.edtClouds->setFocus();
  QTest::keyClicks(w.edtClouds, "8/7//9");
  EXPECT_EQ(w.edtClouds->text(), "8/7//");
}

TEST_F(OpenFlightTest, RefusedFieldsBringThePageAndFocus) {
  const std::string base = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  w.PageControlTU->setCurrentWidget(w.tsXY);
  w.edtP0->setText("1100");
  w.SetInfoModified(true);
  dialogs.calls.clear();
  w.idSaveInfo->trigger();
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"Недопустимое значение!"});
  EXPECT_EQ(w.PageControlTU->currentWidget(), w.tsInfo);
  EXPECT_EQ(QApplication::focusWidget(), w.edtP0);
  EXPECT_TRUE(w.InfoModified);
  EXPECT_FALSE(std::filesystem::exists(base + ".org.info"));
}

TEST_F(OpenFlightTest, ASaveIntoAReadOnlyFolderLosesNothing) {
  const std::string base = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  ASSERT_TRUE(w.TLMModified);  // the flagged points
  const std::string folder = dir.path().string();
  const std::string before = ReadAll(base + ".tu");
  if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
      ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    ::umount(folder.c_str());
    GTEST_SKIP() << "cannot make a read-only bind mount here";
  }
  dialogs.calls.clear();
  w.idSaveTLM->trigger();
  ::umount(folder.c_str());
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"Ошибка сохранения\n" + PathToQt(base + ".org.tu")});
  EXPECT_EQ(ReadAll(base + ".tu"), before);
  EXPECT_FALSE(std::filesystem::exists(base + ".org.tu"));
  EXPECT_TRUE(w.TLMModified);
}

// Originals as long as the working files: shown, compared, and the flight editable.
TEST_F(OpenFlightTest, WholeOriginalsAreShownAndLeaveTheFlightEditable) {
  const std::string base = CopyExample("20251017-2330");
  for (const char* ext : {".org.info", ".org.tu", ".org.crd"})
    std::filesystem::copy_file(dvtest::ExampleFile(std::string("20251017-2330") + ext), base + ext);
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_FALSE(w.ViewOnly);
  for (QAction* a : {w.idSaveAll, w.idMarkTLM, w.idMarkCRD, w.mniSaveEOL})
    EXPECT_TRUE(TfmMainFrm::IsReachable(a)) << a->objectName().toStdString();
  EXPECT_TRUE(w.charts().serXYOrg()->visible());
  EXPECT_TRUE(w.charts().serTOrg()->visible());
  // The launch point's fields hold point 0 of the working .crd.
  const dv::CrdPoint& p0 = flight.Points.CrdPoints[0];
  EXPECT_EQ(w.edtSR0->text(), QString::fromStdString(dv::FormatFixed(p0.SR, 0, 2)));
  EXPECT_EQ(w.edtAz0->text(), QString::fromStdString(dv::FormatFixed(p0.Az, 0, 6)));
  EXPECT_EQ(w.edtEl0->text(), QString::fromStdString(dv::FormatFixed(p0.El, 0, 6)));
  EXPECT_FALSE(w.edtSR0->text().isEmpty());
  // Without originals the original trajectory has nothing of its own to show.
  ASSERT_TRUE(Open(CopyExample("20251016-1130")));
  EXPECT_FALSE(w.charts().serXYOrg()->visible());
}

// A shorter coordinate original says so as the telemetry one does.
TEST_F(OpenFlightTest, ShorterCoordinateOriginalGivesAViewOnlyFlight) {
  const std::string base = CopyExample("20251017-2330");
  for (const char* ext : {".org.info", ".org.tu", ".org.crd"})
    std::filesystem::copy_file(dvtest::ExampleFile(std::string("20251017-2330") + ext), base + ext);
  const std::string crd = ReadAll(base + ".org.crd");
  dvtest::WriteAll(base + ".org.crd", crd.substr(0, crd.find("\r\n", crd.size() / 2) + 2));
  TfmMainFrm& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(dialogs.calls.back().text, "Исправленных данных больше!!!\nДоступен только режим просмотра!");
  EXPECT_TRUE(w.ViewOnly);
  EXPECT_TRUE(w.charts().serXYOrg()->visible());
}

// Ways an observer could lose or silently change a flight: a sealed view-only
// flight, values longer than a field, answers that overflow, files that are not
// files, and values too large to draw.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

#include "WindowFixture.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"

namespace fs = std::filesystem;

namespace {

const char* const kTu = "0.00\t-1.50\t87.00\r\n1.00\t-1.60\t86.00\r\n2.00\t-1.70\t85.00\r\n3.00\t-1.80\t84.00\r\n";
const char* const kCrd =
    "0.00\t150.00\t1.000000\t-0.010000\r\n1.00\t160.00\t1.000000\t0.100000\r\n"
    "2.00\t170.00\t1.000000\t0.200000\r\n3.00\t180.00\t1.000000\t0.300000\r\n";

// Every entry of a folder with its bytes and permission bits.
std::map<std::string, std::pair<std::string, unsigned>> Snapshot(const fs::path& folder) {
  std::map<std::string, std::pair<std::string, unsigned>> s;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    s[e.path().filename().string()] = {dvtest::ReadAll(e.path().string()),
                                       static_cast<unsigned>(fs::status(e.path()).permissions())};
  }
  return s;
}

int Count(const ScriptedDialogs& d, const char* kind) {
  int n = 0;
  for (const auto& c : d.calls) n += c.kind == kind;
  return n;
}

}  // namespace

class NothingLostTest : public WindowFixture {};

// After "Исправленных данных больше!!!" nothing the observer does writes a file
// of the flight, and nothing asks to save.
TEST_F(NothingLostTest, ViewOnlyFlightIsSealedOnEveryPath) {
  const std::string base = WriteFlight("20251014-1130", kTu, kCrd);
  dvtest::WriteAll(base + ".org.tu", "0.00\t-1.50\t87.00\r\n1.00\t-1.60\t86.00\r\n");
  dvtest::MakeReadOnly(base + ".org.tu");
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  ASSERT_TRUE(w.ViewOnly);
  EXPECT_TRUE(w.edtRaRa->isReadOnly());
  const auto before = Snapshot(dir.path());
  dialogs.calls.clear();

  // Typing into every field, Backspace included, then leaving it.
  for (QLineEdit* e : {w.edtP0, w.edtT0, w.edtU0, w.edtD0, w.edtV0, w.edtClouds, w.edtRaRa, w.edtSR0,
                       w.edtAz0, w.edtEl0, w.edtH0, w.edtStation}) {
    const QString text = e->text();
    e->setFocus();
    QTest::keyClicks(e, "12");
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClick(e, Qt::Key_Delete);
    w.edtLat->setFocus();  // leaving the field
    EXPECT_EQ(e->text(), text) << e->objectName().toStdString();
    EXPECT_NE(FieldColour(e), fieldcolour::kWindow) << e->objectName().toStdString();
  }
  EXPECT_FALSE(w.InfoModified || w.TLMModified || w.CRDModified);
  EXPECT_FALSE(w.cbxInfoMod->isChecked() || w.cbxTLMMod->isChecked() || w.cbxCRDMod->isChecked());

  // Every shortcut and every writing command, with rows selected in both listings.
  w.lbxTLM->SelectFromChart(2);
  w.lbListingClick(w.lbxTLM);
  w.lbxCRD->SelectFromChart(2);
  w.lbListingClick(w.lbxCRD);
  for (const QKeySequence& k : {QKeySequence("Ctrl+S"), QKeySequence("Ctrl+E"), QKeySequence("Ctrl+Y"),
                                QKeySequence("Ctrl+C")}) {
    QTest::keySequence(&w, k);
    QTest::keySequence(w.edtP0, k);
  }
  for (QAction* a : {w.idSaveInfo, w.idSaveTLM, w.idSaveCRD, w.idSaveAll, w.mniSaveEOL, w.mniSaveRun,
                     w.idMarkTLM, w.idMarkCRD, w.idTLMTime, w.idCRDTime, w.idTimeShift})
    a->trigger();
  // The window's own writers refuse as well, whoever calls them.
  EXPECT_FALSE(w.SaveInfo(base + ".info", true, 0));
  EXPECT_FALSE(w.SaveTu(base + ".tu", true));
  EXPECT_FALSE(w.SaveCrd(base + ".crd", true));
  EXPECT_EQ(Count(dialogs, "question"), 0);
  EXPECT_EQ(Count(dialogs, "input"), 0);
  EXPECT_EQ(Snapshot(dir.path()), before);

  // Even flags forced on by a fault elsewhere are not acted upon.
  w.InfoModified = w.TLMModified = w.CRDModified = true;
  EXPECT_TRUE(w.AskToSave());
  // Opening again, and opening another flight: no question, nothing written.
  w.idReOpen->trigger();
  ASSERT_TRUE(w.ViewOnly);
  w.InfoModified = w.TLMModified = w.CRDModified = true;
  const std::string other = WriteFlight("20251015-1130", kTu, kCrd, 2025, 10, 15);
  const auto withOther = Snapshot(dir.path());
  ASSERT_TRUE(Open(other));
  EXPECT_EQ(Count(dialogs, "question"), 0);
  EXPECT_EQ(Snapshot(dir.path()), withOther);

  // Closing a view-only flight asks nothing and writes nothing of it.
  ASSERT_TRUE(Open(base));
  w.InfoModified = w.TLMModified = w.CRDModified = true;
  w.close();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(Count(dialogs, "question"), 0);
  auto after = Snapshot(dir.path());
  after.erase("devirarav.CNF");  // the configuration's "Path", written at every close
  EXPECT_EQ(after, withOther);
  window.reset();
}

// A value longer than its field's typing limit is shown whole and refused by the
// writer, never cut and saved.
TEST_F(NothingLostTest, LongValuesAreShownWholeAndRefusedNotCut) {
  const std::string base = dir.file("20251014-1130");
  const std::string info =
      "StationSynopticIndex:\t276120\r\nStationLongitude:\t37.567\r\nStationLattitude:\t55.833\r\n"
      "StationHeightAboveSeaLevel:\t147\r\nOnGroundPressure:\t1003.2\r\nOnGroundWindDirection:\t200\r\n"
      "OnGroundWindVelocity:\t5\r\nOnGroundHumidityError:\t1.5\r\nOnGroundTemperatureError:\t-0.25\r\n"
      "StartYear:\t2025\r\nStartMonth:\t010\r\nStartDay:\t014\r\nStartHour:\t011\r\nStartMinute:\t030\r\n"
      "NebulosityCode:\t7/5//12\r\nRadioZondType:\t123\r\n";
  dvtest::WriteAll(base + ".info", info);
  dvtest::WriteAll(base + ".tu", kTu);
  dvtest::WriteAll(base + ".crd", kCrd);
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(w.edtStation->text(), "276120");
  EXPECT_EQ(w.edtMonth->text(), "010");
  EXPECT_EQ(w.edtDay->text(), "014");
  EXPECT_EQ(w.edtHour->text(), "011");
  EXPECT_EQ(w.edtMin->text(), "030");
  EXPECT_EQ(w.edtClouds->text(), "7/5//12");
  EXPECT_EQ(w.edtRaRa->text(), "123");

  // "Всё" refuses the cloud code first, then, once it is mended, the type.
  const auto before = Snapshot(dir.path());
  w.SetInfoModified(true);
  dialogs.calls.clear();
  w.idSaveAll->trigger();
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Недопустимое значение!"}));
  EXPECT_TRUE(w.edtClouds->hasFocus());
  w.edtClouds->setText("7/5//");
  w.idSaveAll->trigger();
  EXPECT_TRUE(w.edtRaRa->hasFocus());
  EXPECT_EQ(Snapshot(dir.path()), before);
  EXPECT_EQ(flight.Info.NebulosityCode, "7/5//");  // taken, then the type refused

  // Typing stops at the limit; a paste is held to it too, and counts as a change.
  w.edtClouds->clear();
  w.edtClouds->setFocus();
  QTest::keyClicks(w.edtClouds, "8/6//12");
  EXPECT_EQ(w.edtClouds->text(), "8/6//");
  w.edtRaRa->clear();
  w.edtRaRa->setFocus();
  QApplication::clipboard()->setText("4567");
  w.edtRaRa->paste();
  EXPECT_EQ(w.edtRaRa->text(), "45");
  EXPECT_TRUE(w.edtRaRa->isModified());
}

// Focus keys move on; a read-only field keeps its text; Ctrl+Backspace is refused.
TEST_F(NothingLostTest, FocusKeysMoveAndReadOnlyFieldsKeepTheirText) {
  const std::string base = WriteFlight("20251014-1130", kTu, kCrd);
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  w.activateWindow();
  w.edtP0->setFocus();
  dialogs.calls.clear();
  QTest::keyClick(w.edtP0, Qt::Key_Tab);
  EXPECT_FALSE(w.edtP0->hasFocus());
  EXPECT_EQ(Count(dialogs, "beep"), 0);
  QWidget* next = QApplication::focusWidget();
  QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(w.edtP0->hasFocus());

  // "," in a read-only field: marked, as every accepted key there, but not typed.
  w.edtLong->setText("37");
  QTest::keyClicks(w.edtLong, ",");
  EXPECT_EQ(w.edtLong->text(), "37");
  EXPECT_TRUE(w.InfoModified);

  w.edtP0->setFocus();
  w.edtP0->end(false);
  QTest::keyClick(w.edtP0, Qt::Key_Backspace, Qt::ControlModifier);
  EXPECT_EQ(w.edtP0->text(), "1003.2");
  EXPECT_EQ(Count(dialogs, "beep"), 1);
  // Ctrl with a letter is a control character too, from A to Z (Ctrl+A would select all).
  for (Qt::Key k : {Qt::Key_A, Qt::Key_Z, Qt::Key_V}) QTest::keyClick(w.edtP0, k, Qt::ControlModifier);
  EXPECT_EQ(Count(dialogs, "beep"), 4);
  EXPECT_FALSE(w.edtP0->hasSelectedText());
}

// Typed numbers are range-checked without overflowing, whatever their size.
TEST_F(NothingLostTest, AnswersAtTheExtremesOfTheirTypes) {
  const std::string base = WriteFlight("20100305-0907", kTu, kCrd, 2010, 3, 5, 9, 7);
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  const auto before = Snapshot(dir.path());

  // Zone: the smallest int has no absolute value; it is simply out of range.
  for (const char* answer : {"-2147483648", "2147483647", "13", "-13"}) {
    dialogs.calls.clear();
    dialogs.inputs = {QString(answer)};
    w.mniSaveEOL->trigger();
    EXPECT_EQ(dialogs.calls.size(), 1u) << answer;  // the question only
    EXPECT_EQ(Snapshot(dir.path()), before) << answer;
  }
  for (const char* answer : {"-2147483649", "99999999999999999999999"}) {
    dialogs.calls.clear();
    dialogs.inputs = {QString(answer)};
    w.mniSaveEOL->trigger();
    EXPECT_EQ(dialogs.calls.back().text, "Извините, не поняла?!") << answer;
    EXPECT_EQ(Snapshot(dir.path()), before) << answer;
  }

  // Time shift: beyond ±300 (and beyond 16 bits) nothing moves.
  for (const char* answer : {"-32768", "32767", "-32769", "65536", "301", "-301"}) {
    dialogs.inputs = {QString(answer)};
    w.idTimeShift->trigger();
    EXPECT_FLOAT_EQ(flight.Points.TuPoints[3].Time, 3.0f) << answer;
    EXPECT_DOUBLE_EQ(flight.Points.CrdPoints[3].Time, 3.0) << answer;
    EXPECT_FALSE(w.TLMModified || w.CRDModified) << answer;
  }
  dialogs.inputs = {QString("-300")};
  w.idTimeShift->trigger();
  EXPECT_FLOAT_EQ(flight.Points.TuPoints[3].Time, -297.0f);
}

// A time failure repaired with a time too large for the point is refused.
TEST_F(NothingLostTest, TimeCorrectionsThatDoNotFitAreRefused) {
  const std::string base = WriteFlight("20251014-1130", "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n2.00\t4.80\t78.00\r\n"
                                                        "1.50\t4.70\t77.00\r\n4.00\t4.60\t76.00\r\n", kCrd);
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  ASSERT_TRUE(w.idTLMTime->isEnabled());
  w.lbxTLM->SelectFromChart(3);
  w.lbListingClick(w.lbxTLM);
  for (const char* answer : {"1e39", "1e400"}) {  // beyond a float, beyond a double
    dialogs.inputs = {QString(answer)};
    w.idTLMTime->trigger();
    EXPECT_FLOAT_EQ(flight.Points.TuPoints[3].Time, 1.5f) << answer;
    EXPECT_FALSE(flight.Points.TuPoints[3].TimeCorrected) << answer;
    EXPECT_TRUE(w.idTLMTime->isEnabled()) << answer;
  }
  dialogs.inputs = {QString("1e30")};  // absurd, but it fits: the observer's call
  w.idTLMTime->trigger();
  EXPECT_FLOAT_EQ(flight.Points.TuPoints[3].Time, 1e30f);
  EXPECT_FALSE(w.idTLMTime->isEnabled());
}

// A FIFO, under any name of the flight, is refused at once by name.
TEST_F(NothingLostTest, FilesThatAreNotFilesAreRefusedWithoutWaiting) {
  alarm(60);  // a blocked open would hang the run: end it instead
  auto& w = Create();
  for (const char* ext : {".tu", ".crd", ".org.tu", ".org.crd", ".info", ".org.info"}) {
    const std::string sub = std::string("fifo") + ext;
    fs::create_directory(dir.file(sub));
    const std::string base = WriteFlight(sub + "/20251014-1130", kTu, kCrd);
    fs::remove(base + ext);
    ASSERT_EQ(mkfifo((base + ext).c_str(), 0644), 0);
    dialogs.calls.clear();
    dialogs.files.push_back(PathToQt(base + ".info"));
    w.idOpen->trigger();
    ASSERT_FALSE(dialogs.calls.empty()) << ext;
    EXPECT_EQ(dialogs.calls.back().kind, "error") << ext;
    EXPECT_EQ(dialogs.calls.back().text, QString("Не обычный файл: ") + PathToQt(base + ext)) << ext;
  }
  alarm(0);
}

// Values far beyond any scale reach the charts as undrawn points, not as overflowing
// pixel arithmetic, also with the charts zoomed in (run under UBSan to see it).
TEST_F(NothingLostTest, ExtremeValuesAreDrawnSafely) {
  const std::string base = WriteFlight("20251014-1130", "0.00\t5.00\t80.00\r\n1e38\t4.90\t79.00\r\n2.00\t4.80\t78.00\r\n",
                                       "0.00\t150.00\t1.000000\t-0.010000\r\n1e300\t160.00\t1.000000\t0.100000\r\n"
                                       "2.00\t1e300\t1.000000\t0.200000\r\n3.00\t180.00\t1e300\t0.300000\r\n"
                                       "4.00\t1e15\t1.000000\t0.300000\r\n5.00\t190.00\t1.000000\t0.300000\r\n");
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  for (QWidget* page : {w.tsCRD, w.tsXY, w.tsTLM}) {
    w.PageControlTU->setCurrentWidget(page);
    QApplication::processEvents();
  }
  for (TChart* chart : {w.ChrtCRD, w.ChrtXY, w.ChrtTLM}) {
    EXPECT_FALSE(chart->grab().isNull());
    // Zoomed into a corner: the far points are millions of pixels away.
    chart->xAxis->setRange(0, 1e-3);
    chart->yAxis->setRange(0, 1e-3);
    EXPECT_FALSE(chart->grab().isNull());
  }
  w.lbxCRD->SelectFromChart(5);
  w.lbListingClick(w.lbxCRD);
  EXPECT_FALSE(w.ChrtCRD->grab().isNull());
}

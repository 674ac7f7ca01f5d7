#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "WindowFixture.h"
#include "app/SingleInstance.h"
#include "flight/PointFiles.h"

using Answer = UserDialogs::Answer;
using dvtest::ReadAll;

namespace {

// Opens the part of a flight the closing tests need: FlightBase and the arrays,
// as the open command leaves them.
void LoadPoints(dv::Flight& f, const std::string& base) {
  f.FlightBase = base;
  f.InfoName = base + ".info";
  dv::ReadTu(base + ".tu", f.Points.TuPoints);
  dv::ReadCrd(base + ".crd", f.Points.CrdPoints);
  dv::ReadInfo(base + ".info", true, f.Info);
}

void FillInfoFields(TfmMainFrm& w) {
  w.edtP0->setText("1003.2");
  w.edtD0->setText("200");
  w.edtV0->setText("5");
  w.edtClouds->setText("8/6//");
  w.edtRaRa->setText("90");
}

}  // namespace

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, StartsWithTheCommandsAndPagesOfNoFlight) {
  TfmMainFrm& w = Create();
  EXPECT_EQ(w.windowTitle(), "Devirarav");
  EXPECT_EQ(w.PageControlTU->currentWidget(), w.tsInfo);
  EXPECT_EQ(w.PageControlTxt->currentWidget(), w.tsCRDTxt);
  // Reachable right after start: open, exit, the two exclusion items, chart, about.
  for (QAction* a : {w.idOpen, w.idExit1, w.idMarkTLM, w.idMarkCRD, w.ChartEdit, w.About1})
    EXPECT_TRUE(TfmMainFrm::IsReachable(a)) << a->objectName().toStdString();
  for (QAction* a : {w.idReOpen, w.idSaveInfo, w.idSaveTLM, w.idSaveCRD, w.idSaveAll, w.mniSaveEOL,
                     w.mniSaveRun, w.idTLMTime, w.idCRDTime, w.idTimeShift})
    EXPECT_FALSE(TfmMainFrm::IsReachable(a)) << a->objectName().toStdString();
  EXPECT_FALSE(w.idSave->isEnabled());
  // Items of the "Сохранить" submenu are enabled themselves; only the submenu is not.
  EXPECT_TRUE(w.idSaveAll->isEnabled());
  EXPECT_FALSE(w.mniSaveRun->isEnabled());
  EXPECT_FALSE(w.N8->menuAction()->isVisible());
  EXPECT_FALSE(w.N6->menuAction()->isVisible());
  EXPECT_EQ(w.idSaveAll->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(w.idExit1->shortcut(), QKeySequence("Alt+X"));
  EXPECT_EQ(w.ChartEdit->shortcut(), QKeySequence("Ctrl+Shift+C"));
  // A disabled submenu keeps its shortcut from running: Ctrl+S asks and says nothing.
  QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.calls.empty());

  // Fields: read-only ones, maximum lengths, the menu colour, the flags.
  for (QLineEdit* e : {w.edtStation, w.edtLat, w.edtLong, w.edtH0, w.edtDt0, w.edtDu0, w.edtDay,
                       w.edtMonth, w.edtYear, w.edtHour, w.edtMin})
    EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
  for (QLineEdit* e : {w.edtP0, w.edtT0, w.edtU0, w.edtD0, w.edtV0, w.edtClouds, w.edtSR0, w.edtAz0,
                       w.edtEl0, w.edtRaRa}) {
    EXPECT_FALSE(e->isReadOnly()) << e->objectName().toStdString();
    EXPECT_EQ(FieldColour(e), fieldcolour::kMenu);
  }
  EXPECT_EQ(TypingLimit(w.edtStation), 5);
  EXPECT_EQ(TypingLimit(w.edtClouds), 5);
  EXPECT_EQ(TypingLimit(w.edtRaRa), 2);
  EXPECT_EQ(TypingLimit(w.edtMin), 2);
  EXPECT_EQ(TypingLimit(w.edtP0), 0);
  EXPECT_FALSE(w.cbxInfoMod->isEnabled());
  EXPECT_FALSE(w.InfoModified || w.TLMModified || w.CRDModified);
  EXPECT_FALSE(w.TLMRange.IsSet());
}

TEST_F(MainWindowTest, ClosingWithNothingModifiedAsksNothing) {
  TfmMainFrm& w = Create();
  w.flight().FlightBase = dir.file("x");
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(MainWindowTest, ClosingAsksInOrderAndCancelStops) {
  const std::string base = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  LoadPoints(flight, base);
  w.SetInfoModified(true);
  w.SetTLMModified(true);
  w.SetCRDModified(true);

  dialogs.answers = {Answer::Cancel};
  EXPECT_FALSE(w.close());
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"Начальные данные | Сохранить?"});
  EXPECT_TRUE(w.isVisible());

  // No everywhere: asked about the initial data, the coordinates, the telemetry; nothing saved.
  dialogs.calls.clear();
  dialogs.answers = {Answer::No, Answer::No, Answer::No};
  const std::string tuBefore = ReadAll(base + ".tu");
  EXPECT_TRUE(w.close());
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Начальные данные | Сохранить?",
                                                   "Данные CRD | Сохранить?", "Данные TU | Сохранить?"}));
  EXPECT_EQ(ReadAll(base + ".tu"), tuBefore);
  EXPECT_FALSE(std::filesystem::exists(base + ".org.tu"));
  EXPECT_TRUE(w.TLMModified);  // "No" leaves the flags as they are
  window.reset();
}

TEST_F(MainWindowTest, ClosingWithOnlyTheTelemetryModifiedSavesIt) {
  const std::string base = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  LoadPoints(flight, base);
  w.SetTLMModified(true);
  dialogs.answers = {Answer::Yes};
  EXPECT_TRUE(w.close());
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{"Данные TU | Сохранить?"});
  // The delivered file is kept read-only, the new one has lost its flagged points.
  EXPECT_TRUE(dvtest::IsReadOnly(base + ".org.tu"));
  dv::TuArray back;
  dv::ReadTu(base + ".tu", back);
  EXPECT_EQ(back.Count(), flight.Points.TuPoints.Count() - 3);
  EXPECT_FALSE(w.TLMModified);
  EXPECT_FALSE(w.cbxTLMMod->isChecked());
  window.reset();
}

TEST_F(MainWindowTest, AFailedSaveOffersToGoBack) {
  const std::string base = CopyExample("20251016-1130");
  TfmMainFrm& w = Create();
  LoadPoints(flight, base);
  FillInfoFields(w);
  w.edtT0->setText("60");
  w.edtT0->setModified(true);  // as typed by the user
  w.SetTLMModified(true);
  w.SetInfoModified(true);

  // Info saved, telemetry refused; "Вернуться?" Yes keeps the window open.
  dialogs.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
  EXPECT_FALSE(w.close());
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Начальные данные | Сохранить?", "Данные TU | Сохранить?",
                                                   "Недопустимое значение!",
                                                   "Ошибка сохранения TU! | Вернуться?"}));
  EXPECT_EQ(w.PageControlTU->currentWidget(), w.tsInfo);
  EXPECT_EQ(QApplication::focusWidget(), w.edtT0);
  EXPECT_FALSE(w.InfoModified);  // saved before the failure
  EXPECT_TRUE(w.TLMModified);
  EXPECT_FALSE(std::filesystem::exists(base + ".org.tu"));

  // "Вернуться?" No leaves anyway.
  dialogs.calls.clear();
  dialogs.answers = {Answer::Yes, Answer::No};
  EXPECT_TRUE(w.close());
  EXPECT_EQ(dialogs.calls.back().caption, "Ошибка сохранения TU!");
  window.reset();
}

TEST_F(MainWindowTest, ConfigurationIsReadAtStartAndPathWrittenAtClose) {
  const std::string src = dir.file("flights");
  std::filesystem::create_directory(src);
  std::filesystem::create_directory(dir.file("work"));
  dvtest::WriteAll(dir.file("proc.sh"), "#!/bin/sh\n");
  dvtest::WriteAll(ConfigPath(),
                   "; station settings\r\n[OPTIONS]\r\nSrc=" + src + "\r\nPath=" + dir.file("last") +
                       "\r\n[TELEGM]\r\nEXE=" + dir.file("proc.sh") + "\r\nTEMP=" + dir.file("work") +
                       "\r\n[RaRa]\r\nSet= 12;;13 \r\n");
  TfmMainFrm& w = Create({"/from/the/command/line"});
  EXPECT_TRUE(w.ProcessingAvailable);
  EXPECT_EQ(w.ProcessingTemp.toStdString(), dir.file("work") + "/");
  // The argument replaces the start folder, the dialog keeps "Src".
  EXPECT_EQ(flight.StartDir, "/from/the/command/line");
  EXPECT_EQ(w.openDialogFolder().toStdString(), src);
  EXPECT_EQ(w.openDialogFileName().toStdString(), dir.file("last") + "/*.info");
  // An invalid code set: its text in the message, and the type cannot be edited.
  EXPECT_EQ(dialogs.Texts(), std::vector<QString>{
                                 "12;;13 набор кодов радиозондов задан неверно, редактирование кода невозможно!"});
  EXPECT_TRUE(w.edtRaRa->isReadOnly());

  EXPECT_TRUE(w.close());
  const std::string after = ReadAll(ConfigPath());
  EXPECT_NE(after.find("Path=" + dir.file("last") + "/\r\n"), std::string::npos) << after;
  EXPECT_EQ(after.rfind("; station settings\r\n[OPTIONS]\r\nSrc=" + src + "\r\n", 0), 0u);
  window.reset();
}

TEST_F(MainWindowTest, NoConfigurationFileGivesDefaultsAndOneIsWrittenAtClose) {
  TfmMainFrm& w = Create();
  EXPECT_FALSE(w.ProcessingAvailable);
  EXPECT_FALSE(w.edtRaRa->isReadOnly());
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_EQ(w.openDialogFileName().toStdString(), dir.path().string() + "/*.info");
  EXPECT_TRUE(w.close());
  const std::string written = ReadAll(ConfigPath());
  const std::string options = "[OPTIONS]\r\nPath=" + dir.path().string() + "/\r\n";
  EXPECT_EQ(written.substr(0, options.size()), options);
  // Besides "Path" only the window's place, in a section of its own.
  EXPECT_EQ(written.substr(options.size(), 10), "[WINDOW]\r\n");
  EXPECT_EQ(written.find('[', options.size() + 1), std::string::npos) << written;
  window.reset();
}

TEST_F(MainWindowTest, AnUnwritableConfigurationIsReportedAndTheWindowStillCloses) {
  dvtest::WriteAll(ConfigPath(), "[OPTIONS]\r\nPath=/old/\r\n");
  dvtest::MakeReadOnly(ConfigPath());
  TfmMainFrm& w = Create();
  EXPECT_TRUE(w.close());
  EXPECT_EQ(dialogs.Texts(),
            std::vector<QString>{QString::fromStdString("Unable to write to / Не могу записать в " + ConfigPath())});
  EXPECT_EQ(ReadAll(ConfigPath()), "[OPTIONS]\r\nPath=/old/\r\n");
  window.reset();
}

TEST(SingleInstance, ASecondClaimActivatesTheFirst) {
  const QString key = QStringLiteral("devirarav-test-%1").arg(QCoreApplication::applicationPid());
  SingleInstance first(key);
  ASSERT_TRUE(first.claim());
  QSignalSpy activated(&first, &SingleInstance::activationRequested);
  SingleInstance second(key);
  EXPECT_FALSE(second.claim());
  EXPECT_TRUE(activated.count() > 0 || activated.wait(2000));
  EXPECT_EQ(activated.takeFirst().value(0).toString(), "");
  // A flight handed to the second start goes to the first, Cyrillic and all.
  SingleInstance third(key);
  EXPECT_FALSE(third.claim(QStringLiteral("/полёты/27612.info")));
  EXPECT_TRUE(activated.count() > 0 || activated.wait(2000));
  EXPECT_EQ(activated.takeFirst().value(0).toString(), QStringLiteral("/полёты/27612.info"));
}

TEST(SingleInstance, ASecondProgramExitsWithZeroAndLeavesNoWindow) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("DEVIRARAV_INSTANCE_KEY", QStringLiteral("devirarav-e2e-%1").arg(QCoreApplication::applicationPid()));
  dvtest::TempDir work;
  QProcess first;
  first.setProcessEnvironment(env);
  first.setWorkingDirectory(QString::fromStdString(work.path().string()));
  first.start(QStringLiteral(DEVIRARAV_PROGRAM), {QString::fromStdString(work.path().string())});
  ASSERT_TRUE(first.waitForStarted());
  QTest::qWait(1500);  // let it take the lock and listen
  ASSERT_EQ(first.state(), QProcess::Running);

  QProcess second;
  second.setProcessEnvironment(env);
  second.start(QStringLiteral(DEVIRARAV_PROGRAM), {});
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished();
}

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>

#include "WindowFixture.h"
#include "app/ProfileFile.h"
#include "charts/TChart.h"
#include "common/Helpers.h"
#include "desktop/Desktop.h"
#include "editing/ListingView.h"

using dvtest::ReadAll;
using dvtest::WriteAll;

namespace {
const char* const kSample = "20251014-1130";
}  // namespace

using DesktopWindowTest = WindowFixture;

// An installed program: its own file is missing, the system's is read; the
// first close writes the user's file from the system's bytes and the window's own.
TEST_F(DesktopWindowTest, SettingsOfAnInstalledProgramComeFromTheSystemFileAndGoToTheUsers) {
  const std::string seeded = dir.file("seeded");
  std::filesystem::create_directory(seeded);
  configFile = dir.file("home/devirarav/devirarav.CNF");
  configSeed = dir.file("etc.CNF");
  const std::string seedBytes = "[OPTIONS]\r\nSrc=" + seeded +
                                "\r\n[WINDOW]\r\nLeft=30\r\nTop=40\r\nWidth=1000\r\nHeight=700\r\nSplitter=400\r\n";
  WriteAll(configSeed, seedBytes);
  TfmMainFrm& w = Create();
  EXPECT_EQ(flight.StartDir, seeded);
  EXPECT_EQ(w.geometry(), QRect(30, 40, 1000, 700));
  EXPECT_EQ(w.Splitter1->sizes().value(1), 400);
  EXPECT_FALSE(w.idRecent->isEnabled());

  const std::string base = CopyExample(kSample);
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(w.idRecent->actions().size(), 1);
  w.Splitter1->setSizes({600, 394});
  w.close();
  EXPECT_EQ(ReadAll(configSeed), seedBytes);
  dv::ProfileFile user(ReadAll(configFile));
  EXPECT_EQ(user.Read("OPTIONS", "Src", ""), seeded);
  EXPECT_EQ(user.Read("OPTIONS", "Path", ""), dv::ExtractFilePath(base));
  EXPECT_EQ(user.Read("WINDOW", "Splitter", ""), "394");
  EXPECT_EQ(user.Read("WINDOW", "Width", ""), "1000");
  EXPECT_EQ(user.Read("RECENT", "File1", ""), base + ".info");

  // The next run lists the flight under "Последние выпуски", and choosing it opens it.
  window.reset();
  flight = dv::Flight();
  TfmMainFrm& again = Create();
  ASSERT_EQ(again.idRecent->actions().size(), 1);
  EXPECT_EQ(again.idRecent->actions()[0]->text(), "&1 " + PathToQt(base + ".info"));
  again.idRecent->actions()[0]->trigger();
  EXPECT_EQ(flight.FlightBase, base);
}

// A flight's .info handed over on the command line opens once the window is up;
// the title carries " *" while anything is unsaved, and the status bar the counts
// and what the last command wrote.
TEST_F(DesktopWindowTest, InfoArgumentOpensTheFlightAndTheStatusFollowsEditsAndSaves) {
  const std::string base = CopyExample(kSample);
  TfmMainFrm& w = Create({PathToQt(base + ".info")});
  ASSERT_EQ(flight.FlightBase, base);
  const QString title = w.windowTitle();
  EXPECT_TRUE(title.startsWith("Devirarav:") && title.endsWith(kSample)) << title.toStdString();
  EXPECT_EQ(w.lblStatusFlight->text(), kSample);
  const int rows = w.lbxTLM->RowCount();
  int crdExcluded = 0;  // the sample's radar has points flagged on reading
  for (int i = 0; i < flight.Points.CrdPoints.Count(); ++i) crdExcluded += flight.Points.CrdPoints[i].Excluded;
  EXPECT_EQ(w.lblStatusCounts->text(), QStringLiteral("TU: %1 (искл. 0)  CRD: %2 (искл. %3)")
                                           .arg(flight.Points.TuPoints.Count())
                                           .arg(flight.Points.CrdPoints.Count())
                                           .arg(crdExcluded));
  ASSERT_GT(rows, 100);

  w.lbxTLM->SelectRows(10, 20);
  w.lbListingClick(w.lbxTLM);
  w.idMarkTLM->trigger();
  EXPECT_EQ(w.windowTitle(), title + " *");
  EXPECT_TRUE(w.lblStatusCounts->text().startsWith(QStringLiteral("TU: %1 (искл. 11)").arg(flight.Points.TuPoints.Count())))
      << w.lblStatusCounts->text().toStdString();
  w.idUndo->trigger();
  EXPECT_EQ(w.windowTitle(), title);
  w.idRedo->trigger();
  EXPECT_EQ(w.windowTitle(), title + " *");

  w.idSaveAll->trigger();
  QApplication::processEvents();
  EXPECT_EQ(w.windowTitle(), title);
  EXPECT_EQ(w.statusBar()->currentMessage(), QStringLiteral("Записано: %1.tu").arg(kSample));
  EXPECT_TRUE(w.lblStatusCounts->text().startsWith(QStringLiteral("TU: %1 (искл. 0)").arg(flight.Points.TuPoints.Count())));

  // The cursor's place on a chart, in its units, while the mouse is over it.
  const auto hover = [&w](QWidget* page, TChart* chart) {
    w.PageControlTU->setCurrentWidget(page);
    chart->replot();
    QApplication::processEvents();
    const QPoint centre = chart->axisRect()->rect().center();
    QMouseEvent move(QEvent::MouseMove, centre, chart->mapToGlobal(centre), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    return centre;
  };
  const QPoint centre = hover(w.tsTLM, w.ChrtTLM);
  const QString time = w.ChrtTLM->xAxis->label().simplified() + " = " +
                       QString::number(w.ChrtTLM->xAxis->pixelToCoord(centre.x()), 'f', 1);
  EXPECT_TRUE(w.lblStatusCursor->text().contains(time)) << w.lblStatusCursor->text().toStdString();
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(w.ChrtTLM, &leave);
  EXPECT_EQ(w.lblStatusCursor->text(), "");
  // On the diagram, the readout of the line above it.
  hover(w.tsDiagram, w.ChrtDiagram);
  EXPECT_TRUE(w.lblStatusCursor->text().contains(QStringLiteral("гПа"))) << w.lblStatusCursor->text().toStdString();
  EXPECT_EQ(w.lblStatusCursor->text(), w.lblDiagram->text());
  EXPECT_EQ(w.ChrtTLM->cursorText(QPointF(-5, -5)), "");

  // F1: the manual of the source tree, for a program run from its build folder.
  EXPECT_EQ(w.idManual->shortcut(), QKeySequence(Qt::Key_F1));
  dialogs.calls.clear();
  w.idManual->trigger();
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_EQ(dialogs.calls[0].kind, "external");
  EXPECT_TRUE(dialogs.calls[0].text.startsWith("file://") && dialogs.calls[0].text.endsWith("docs/manual/index.html"))
      << dialogs.calls[0].text.toStdString();
}

// The program itself, laid out as installed: it prints its version without a
// display, opens a flight named on its command line (and one handed over by a
// second start), and when the system asks it to end it closes as "Выход" does,
// writing its settings in the user's folder.
TEST(DesktopProgram, InstalledProgramKeepsItsSettingsInTheUsersFolderAndEndsWhenAsked) {
  dvtest::TempDir root;
  std::filesystem::create_directories(root.path() / "bin");
  std::filesystem::create_directories(root.path() / "share" / "devirarav");
  const std::filesystem::path program = root.path() / "bin" / "devirarav";
  std::filesystem::copy_file(DEVIRARAV_PROGRAM, program);
  std::filesystem::create_directories(root.path() / "b");
  for (const char* ext : {".info", ".tu", ".crd"}) {
    std::filesystem::copy_file(dvtest::ExampleFile(std::string(kSample) + ext), root.file(std::string(kSample) + ext));
    std::filesystem::copy_file(dvtest::ExampleFile(std::string(kSample) + ext), root.file("b/" + std::string(kSample) + ext));
  }

  QProcess version;
  version.start(QString::fromStdString(program.string()), {"--version"});
  ASSERT_TRUE(version.waitForFinished(10000));
  EXPECT_EQ(version.readAllStandardOutput().toStdString(), std::string("devirarav ") + dv::desktop::Version() + "\n");
  QProcess help;
  help.start(QString::fromStdString(program.string()), {"--help"});
  ASSERT_TRUE(help.waitForFinished(10000));
  EXPECT_EQ(QString::fromUtf8(help.readAllStandardOutput()), "Использование: devirarav [ПАПКА | ФАЙЛ.info]\n");

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(root.file("cfg")));
  env.insert("DEVIRARAV_INSTANCE_KEY", QStringLiteral("devirarav-desk-%1").arg(QCoreApplication::applicationPid()));
  QProcess run;
  run.setProcessEnvironment(env);
  run.setWorkingDirectory(QString::fromStdString(root.path().string()));
  run.start(QString::fromStdString(program.string()), {QString::fromStdString(root.file(std::string(kSample) + ".info"))});
  ASSERT_TRUE(run.waitForStarted());
  QTest::qWait(2500);
  ASSERT_EQ(run.state(), QProcess::Running);
  // A second start hands its flight to the first window and ends.
  QProcess second;
  second.setProcessEnvironment(env);
  second.start(QString::fromStdString(program.string()), {QString::fromStdString(root.file("b/" + std::string(kSample) + ".info"))});
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitCode(), 0);
  QTest::qWait(1500);
  run.terminate();
  ASSERT_TRUE(run.waitForFinished(15000));
  EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.exitCode(), 0);
  const dv::ProfileFile settings(ReadAll(root.file("cfg/devirarav/devirarav.CNF")));
  EXPECT_EQ(settings.Read("RECENT", "File1", ""), root.file("b/" + std::string(kSample) + ".info"));
  EXPECT_EQ(settings.Read("RECENT", "File2", ""), root.file(std::string(kSample) + ".info"));
  EXPECT_FALSE(settings.Read("WINDOW", "Width", "").empty());
  EXPECT_FALSE(std::filesystem::exists(root.path() / "bin" / "devirarav.CNF"));
}

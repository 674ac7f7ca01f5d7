// The window as a desktop program's: the status bar, the title's mark while
// something is unsaved, the last opened flights, the manual, and the window's
// place kept between runs.

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <csignal>

#include "app/MainWindow.h"
#include "app/ProfileFile.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"
#include "common/Helpers.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopUi.h"
#include "diagram/DiagramChart.h"

// The source tree's docs/manual serves a program run from its build folder.
#ifndef DEVIRARAV_SOURCE_DIR
#define DEVIRARAV_SOURCE_DIR ""
#endif

namespace {
// How long "Записано: ..." stays in the status bar.
constexpr int kWrittenMs = 8000;
}  // namespace

void TfmMainFrm::BuildDesktop() {
  lblStatusFlight = new QLabel(this);
  lblStatusFlight->setObjectName(QStringLiteral("lblStatusFlight"));
  lblStatusCounts = new QLabel(this);
  lblStatusCounts->setObjectName(QStringLiteral("lblStatusCounts"));
  lblStatusCursor = new QLabel(this);
  lblStatusCursor->setObjectName(QStringLiteral("lblStatusCursor"));
  statusBar()->addPermanentWidget(lblStatusCursor);
  statusBar()->addPermanentWidget(lblStatusFlight);
  statusBar()->addPermanentWidget(lblStatusCounts);
  // The cursor's place on the chart under it, in that chart's own units.
  for (TChart* chart : {ChrtCRD, ChrtXY, ChrtTLM, ChrtWind}) {
    connect(chart, &QCustomPlot::mouseMove, this,
            [this, chart](QMouseEvent* e) { lblStatusCursor->setText(chart->cursorText(e->position())); });
  }
  for (TChart* chart : {ChrtCRD, ChrtXY, ChrtTLM, ChrtWind, ChrtDiagram})
    connect(chart, &TChart::cursorLeft, lblStatusCursor, &QLabel::clear);
  connect(diagram_.get(), &DiagramChart::readout, lblStatusCursor, &QLabel::setText);

  idRecent = idAscnt1->addMenu(QStringLiteral("Последние выпуски"));
  idRecent->setObjectName(QStringLiteral("idRecent"));
  idAscnt1->insertMenu(idSave->menuAction(), idRecent);
  N10 = menuBar()->addMenu(QStringLiteral("Справка"));
  N10->setObjectName(QStringLiteral("N10"));
  idManual = AddCommand(N10, "idManual", QStringLiteral("Руководство"), QKeySequence(Qt::Key_F1));
  Bind(idManual, &TfmMainFrm::idManualClick);
  // "Справка" stands before "О программе", the last item of the bar.
  menuBar()->insertMenu(About1, N10);
  FillRecentMenu();
}

void TfmMainFrm::SetTitle(const QString& base) {
  titleBase_ = base;
  UpdateTitleMark();
}

void TfmMainFrm::UpdateTitleMark() {
  const bool unsaved = InfoModified || TLMModified || CRDModified;
  setWindowTitle(unsaved ? titleBase_ + QStringLiteral(" *") : titleBase_);
}

void TfmMainFrm::UpdateStatus() {
  const dv::Flight& f = *flight_;
  if (f.FlightBase.empty()) {
    lblStatusFlight->clear();
    lblStatusCounts->clear();
    return;
  }
  lblStatusFlight->setText(PathToQt(dv::ExtractFileName(f.FlightBase)));
  lblStatusCounts->setText(QString::fromUtf8(dv::desktop::PointCountsText(f.Points.TuPoints, f.Points.CrdPoints)));
}

void TfmMainFrm::NoteWritten(const std::string& file) {
  // Everything one command wrote is named together once it is over.
  if (written_.empty()) {
    QTimer::singleShot(0, this, [this] {
      statusBar()->showMessage(QString::fromUtf8(dv::desktop::WrittenText(written_)), kWrittenMs);
      written_.clear();
    });
  }
  if (std::find(written_.begin(), written_.end(), file) == written_.end()) written_.push_back(file);
}

void TfmMainFrm::idManualClick() {
  bool found = false;
  const std::string manual =
      dv::desktop::FindManual(PathFromQt(QCoreApplication::applicationDirPath()), DEVIRARAV_SOURCE_DIR, &found);
  if (!found) {
    dialogs_->message(QStringLiteral("Руководство не найдено: ") + PathToQt(manual));
    return;
  }
  dialogs_->openExternal(QUrl::fromLocalFile(PathToQt(manual)).toString());
}

void TfmMainFrm::RememberOpened(const QString& file) {
  dv::desktop::AddRecent(recent_, PathFromQt(QFileInfo(file).absoluteFilePath()));
  FillRecentMenu();
}

void TfmMainFrm::FillRecentMenu() {
  idRecent->clear();
  int n = 0;
  for (const std::string& file : recent_) {
    const QString path = PathToQt(file);
    // "&" in a name would otherwise mark the next letter as the item's key.
    QAction* a = idRecent->addAction(QStringLiteral("&%1 %2").arg(++n).arg(QString(path).replace('&', "&&")));
    connect(a, &QAction::triggered, this, [this, path] { OpenFlightFile(path); });
  }
  idRecent->setEnabled(!recent_.empty());
}

void TfmMainFrm::OpenFlightFile(const QString& file) {
  if (!IsReachable(idOpen) || !AskToSave()) return;
  OpenFlight(file);
}

void TfmMainFrm::RestoreDesktop(const dv::ProfileFile& profile) {
  recent_ = dv::desktop::ReadRecent(profile);
  FillRecentMenu();
  const dv::desktop::WindowPlace place = dv::desktop::ReadWindowPlace(profile);
  if (!place.valid) return;
  QRect rect(place.left, place.top, std::max(place.width, minimumWidth()), std::max(place.height, minimumHeight()));
  // A place on a screen that is no longer there keeps only the size.
  const QScreen* screen = QGuiApplication::screenAt(rect.center());
  if (!screen) rect.moveTopLeft(geometry().topLeft());
  setGeometry(rect);
  if (place.splitter > 0) Splitter1->setSizes({std::max(1, rect.width() - place.splitter), place.splitter});
  if (place.maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

dv::desktop::WindowPlace TfmMainFrm::CurrentWindowPlace() const {
  dv::desktop::WindowPlace place;
  const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
  place.left = normal.left();
  place.top = normal.top();
  place.width = normal.width();
  place.height = normal.height();
  place.maximized = isMaximized();
  const QList<int> sizes = Splitter1->sizes();
  place.splitter = sizes.size() == 2 ? sizes[1] : 0;
  place.valid = place.width > 0 && place.height > 0;
  return place;
}

// ---------------------------------------------------------------- the end asked by the system

namespace {
volatile std::sig_atomic_t endRequested = 0;
extern "C" void RequestEnd(int) { endRequested = 1; }
}  // namespace

EndRequestWatch::EndRequestWatch(QObject* parent) : QObject(parent) {
  // A handler may only set a flag; the flag is looked at from the event loop.
  std::signal(SIGTERM, RequestEnd);
  std::signal(SIGINT, RequestEnd);
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    if (!endRequested) return;
    endRequested = 0;
    emit requested();
  });
  timer->start(200);
}

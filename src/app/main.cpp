#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>
#include <cstring>

#include "app/BusyCursor.h"
#include "app/Configuration.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "common/Helpers.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopUi.h"
#include "flight/Flight.h"

int main(int argc, char** argv) {
  // Answered before any window system is asked for, so that it works without a display.
  if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    if (argv[1][2] == 'v') std::printf("devirarav %s\n", dv::desktop::Version());
    else std::printf("Использование: devirarav [ПАПКА | ФАЙЛ.info]\n");
    return 0;
  }

  // The flight data live for the whole run; the start folder is the working folder.
  dv::Flight flight;

  QApplication app(argc, argv);
  flight.StartDir = PathFromQt(QDir::currentPath());

  // One window per user: a second start brings the first to the front and ends,
  // handing it the flight it was given.
  dv::Configuration arguments;
  std::vector<std::string> args;
  for (const QString& a : QApplication::arguments().mid(1)) args.push_back(PathFromQt(a));
  dv::ApplyCommandLine(arguments, args);
  const QString handedOver =
      arguments.openAtStart.empty() ? QString() : QFileInfo(PathToQt(arguments.openAtStart)).absoluteFilePath();
  SingleInstance instance(SingleInstance::defaultKey());
  if (!instance.claim(handedOver)) return 0;

  // Numbers are always shown and read with ".".
  QLocale::setDefault(QLocale::c());
  InstallRussianTranslation();
  QApplication::setApplicationDisplayName(QStringLiteral("Devirarav (ЛАМИРА - ОЖ версия)"));
  QApplication::setApplicationVersion(QString::fromLatin1(dv::desktop::Version()));
  // The desktop entry's name, so that the window takes its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("devirarav"));

  // Beside the program when run from a folder of the user's; an installed
  // program keeps its settings in the user's configuration folder.
  const std::string program = PathFromQt(QCoreApplication::applicationFilePath());
  const dv::desktop::ConfigLocation config = dv::desktop::LocateConfig(
      dv::desktop::CurrentPlaces(program, dv::ExtractFileName(dv::ConfigFileName(program))));

  QtUserDialogs dialogs;
  std::unique_ptr<TfmMainFrm> window;
  {
    BusyCursor busy;
    MainFrmOptions options;
    options.flight = &flight;
    options.dialogs = &dialogs;
    options.configFile = PathToQt(config.file);
    options.configSeed = PathToQt(config.seed);
    options.arguments = QApplication::arguments().mid(1);
    window = std::make_unique<TfmMainFrm>(options);
    dialogs.setParent(window.get());
  }
  QObject::connect(&instance, &SingleInstance::activationRequested, window.get(), [w = window.get()](const QString& file) {
    if (w->isMinimized()) w->showNormal();
    w->show();
    w->raise();
    w->activateWindow();
    // Not in the middle of a question of the window's own: it only comes to the front then.
    if (!file.isEmpty() && !QApplication::activeModalWidget()) w->OpenFlightFile(file);
  });
  // A logout or a kill closes the window as "Выход" does, questions and all.
  EndRequestWatch endRequest;
  QObject::connect(&endRequest, &EndRequestWatch::requested, window.get(), &QWidget::close);
  window->show();
  return QApplication::exec();
}

#include <QApplication>
#include <QDir>
#include <QLocale>

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "flight/Flight.h"

int main(int argc, char** argv) {
  // The flight data live for the whole run; the start folder is the working folder.
  dv::Flight flight;

  QApplication app(argc, argv);
  flight.StartDir = PathFromQt(QDir::currentPath());

  // One window per user: a second start brings the first to the front and ends.
  SingleInstance instance(SingleInstance::defaultKey());
  if (!instance.claim()) return 0;

  // Numbers are always shown and read with ".".
  QLocale::setDefault(QLocale::c());
  InstallRussianTranslation();
  QApplication::setApplicationDisplayName(QStringLiteral("Devirarav (ЛАМИРА - ОЖ версия)"));

  QtUserDialogs dialogs;
  std::unique_ptr<TfmMainFrm> window;
  {
    BusyCursor busy;
    MainFrmOptions options;
    options.flight = &flight;
    options.dialogs = &dialogs;
    options.arguments = QApplication::arguments().mid(1);
    window = std::make_unique<TfmMainFrm>(options);
    dialogs.setParent(window.get());
  }
  QObject::connect(&instance, &SingleInstance::activationRequested, window.get(), [w = window.get()] {
    if (w->isMinimized()) w->showNormal();
    w->show();
    w->raise();
    w->activateWindow();
  });
  window->show();
  return QApplication::exec();
}

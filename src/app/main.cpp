#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Devirarav (ЛАМИРА - ОЖ версия)"));
  TfmMainFrm window;
  window.show();
  return QApplication::exec();
}

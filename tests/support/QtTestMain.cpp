// GoogleTest main for window tests: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "app/UserDialogs.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale::c());
  InstallRussianTranslation();  // as the program does: Qt's own texts in Russian
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

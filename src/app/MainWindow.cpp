#include "app/MainWindow.h"

TfmMainFrm::TfmMainFrm(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Devirarav"));
  setMinimumSize(640, 480);
  resize(918, 573);
}

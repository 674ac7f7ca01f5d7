#pragma once
// The main window. It stands here as the program's shell; the page layout,
// menu and handlers are built on it.

#include <QMainWindow>

class TfmMainFrm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfmMainFrm(QWidget* parent = nullptr);
};

#pragma once
// The hourglass for a long operation, restored on every way out.

#include <QApplication>
#include <QCursor>

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

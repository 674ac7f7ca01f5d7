#pragma once
// The system's request to end the program (logout, kill), turned into a signal
// of the event loop, so that the window closes as with "Выход".

#include <QObject>

class EndRequestWatch : public QObject {
  Q_OBJECT
 public:
  explicit EndRequestWatch(QObject* parent = nullptr);
 signals:
  void requested();
};

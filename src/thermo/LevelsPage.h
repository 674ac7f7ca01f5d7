#pragma once
// The "Уровни" page: the levels of the edited sounding, each standard level's
// change against the originals, refilled when its levels change and shown.

#include <QObject>
#include <cstdint>

#include "products/FlightProducts.h"

class QLabel;
class QTableWidget;
class QWidget;

class LevelsPage : public QObject {
  Q_OBJECT
 public:
  explicit LevelsPage(QWidget* page, QObject* parent = nullptr);
  QTableWidget* table() const { return table_; }
  QLabel* note() const { return note_; }
  // Refills the table when the levels differ from the ones it shows; `originals`:
  // the flight has its own originals, whose levels the changes are taken against.
  void Refresh(dv::FlightProducts& products, bool originals);
  void Clear();

 signals:
  // A level clicked: the time (s) where the sounding met it.
  void levelClicked(double time);

 private:
  QTableWidget* table_;
  QLabel* note_;
  std::uint64_t stamp_ = 0;
  bool originals_ = false;
};

inline constexpr const char* kLevelsEstimate =
    "Уровни - оценка для проверки: давление по высоте от P0, точные значения дает программа обработки";
inline constexpr const char* kLevelsNoP0 = "Давление у земли не задано: профиль и уровни не рассчитаны";

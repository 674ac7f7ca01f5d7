#include "thermo/LevelsPage.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "common/Helpers.h"

namespace {

const char* KindCaption(dv::LevelKind kind) {
  switch (kind) {
    case dv::LevelKind::Surface: return "У земли";
    case dv::LevelKind::Standard: return "Стандартный";
    case dv::LevelKind::Tropopause: return "Тропопауза";
    case dv::LevelKind::MaxWind: return "Макс. ветер";
  }
  return "";
}

// A value, and its change against the original when there is one ("5574 (−6)").
QString Cell(double now, double was, int decimals, bool compare) {
  if (!std::isfinite(now)) return QString();
  QString text = QString::fromStdString(dv::FormatFixed(now, 0, decimals));
  if (!compare || !std::isfinite(was)) return text;
  const std::string change = dv::FormatFixed(now - was, 0, decimals);
  // "-0" and "0.0" alike are no change worth a mark.
  if (change.find_first_not_of("-0.") == std::string::npos) return text;
  QString delta = QString::fromStdString(change);
  if (delta.startsWith(QLatin1Char('-'))) delta.replace(0, 1, QChar(0x2212));
  else delta.prepend(QLatin1Char('+'));
  return text + QStringLiteral(" (") + delta + QLatin1Char(')');
}

}  // namespace

LevelsPage::LevelsPage(QWidget* page, QObject* parent) : QObject(parent) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 2, 4, 2);
  note_ = new QLabel(QString::fromUtf8(kLevelsEstimate), page);
  note_->setObjectName(QStringLiteral("lblLevels"));
  note_->setWordWrap(true);
  table_ = new QTableWidget(0, 8, page);
  table_->setObjectName(QStringLiteral("tblLevels"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Уровень"), QStringLiteral("p, гПа"), QStringLiteral("H, гпм"),
                                     QStringLiteral("T, °C"), QStringLiteral("Td, °C"), QStringLiteral("U, %"),
                                     QStringLiteral("Напр., °"), QStringLiteral("Скор., м/с")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->setToolTip(QStringLiteral("Щелчок по уровню выделяет ближайшие строки TU и CRD"));
  layout->addWidget(note_);
  layout->addWidget(table_);
  connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) {
    const QVariant time = table_->item(row, 0)->data(Qt::UserRole);
    if (time.isValid()) emit levelClicked(time.toDouble());
  });
}

void LevelsPage::Refresh(dv::FlightProducts& products, bool originals) {
  if (stamp_ == products.LevelsStamp() && originals_ == originals) return;
  stamp_ = products.LevelsStamp();
  originals_ = originals;
  const std::vector<dv::Level>& levels = products.Levels();
  const std::vector<dv::Level>* org = originals ? &products.OriginalLevels() : nullptr;
  note_->setText(QString::fromUtf8(products.Sounding().pressureKnown ? kLevelsEstimate : kLevelsNoP0));
  table_->setRowCount(static_cast<int>(levels.size()));
  for (std::size_t k = 0; k < levels.size(); ++k) {
    const dv::Level& l = levels[k];
    // The changes are told for the standard levels, which the originals share.
    const dv::Level* was = nullptr;
    if (org && l.kind == dv::LevelKind::Standard)
      for (const dv::Level& o : *org)
        if (o.kind == l.kind && o.p == l.p) was = &o;
    const double none = NAN;
    const auto prior = [&](double dv::Level::*field) { return was ? was->*field : none; };
    const QString texts[8] = {QString::fromUtf8(KindCaption(l.kind)),
                              Cell(l.p, prior(&dv::Level::p), 1, false),
                              Cell(l.H, prior(&dv::Level::H), 0, was),
                              Cell(l.T, prior(&dv::Level::T), 1, was),
                              Cell(l.Td, prior(&dv::Level::Td), 1, was),
                              Cell(l.U, prior(&dv::Level::U), 0, was),
                              Cell(l.direction, prior(&dv::Level::direction), 0, was),
                              Cell(l.speed, prior(&dv::Level::speed), 1, was)};
    for (int c = 0; c < 8; ++c) {
      auto* item = new QTableWidgetItem(texts[c]);
      if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == 0 && std::isfinite(l.time)) item->setData(Qt::UserRole, l.time);
      table_->setItem(static_cast<int>(k), c, item);
    }
  }
}

void LevelsPage::Clear() {
  stamp_ = 0;
  table_->setRowCount(0);
  note_->setText(QString::fromUtf8(kLevelsEstimate));
}

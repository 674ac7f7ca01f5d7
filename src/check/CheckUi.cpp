// "Проверка": the findings of the suspect-point rules in a panel of their own
// under the charts and listings, their rows selected as they are chosen, and
// their points removed on command.

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QSet>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <climits>
#include <utility>

#include "app/MainWindow.h"
#include "charts/ArcCharts.h"
#include "check/FindingMarks.h"
#include "check/RemoveFound.h"
#include "diagram/DiagramChart.h"
#include "editing/ListingView.h"
#include "open/Checks.h"

namespace {

const QString kCheckTitle = QStringLiteral("Проверка");
constexpr int kIndexRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
// The panel's height at its first showing: a handful of findings under the filter row.
constexpr int kPanelHeight = 190;

// What a finding is, so that the same finding is found again after an edit.
qulonglong KeyOf(const dv::Finding& f) {
  return (static_cast<qulonglong>(f.rule) << 40) | (static_cast<qulonglong>(f.file) << 32) |
         static_cast<quint32>(f.firstRow);
}

// Ctrl+Y and Ctrl+C typed in the findings list act on the listings' selection
// the list made, and the focus stays in the list so that the arrows go on
// through the findings (the commands themselves bring their listing forward).
class FindingKeys : public QObject {
 public:
  FindingKeys(QTreeWidget* list, std::vector<QAction*> commands)
      : QObject(list), list_(list), commands_(std::move(commands)) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (QAction* command : commands_) {
      if (command->shortcut() != pressed) continue;
      // Taken as a key press of the list, never as the view's own copy.
      event->accept();
      if (event->type() == QEvent::KeyPress) {
        command->trigger();
        list_->setFocus();
      }
      return true;
    }
    return false;
  }

 private:
  QTreeWidget* list_;
  std::vector<QAction*> commands_;
};

}  // namespace

void TfmMainFrm::BuildCheckPage() {
  tsCheckTxt = new QWidget;
  tsCheckTxt->setObjectName(QStringLiteral("tsCheckTxt"));
  cbxCheckRule = new QComboBox(tsCheckTxt);
  cbxCheckRule->setObjectName(QStringLiteral("cbxCheckRule"));
  cbxCheckRule->setToolTip(QStringLiteral("Показать находки одного правила"));
  cbxCheckRule->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  lblCheckValues = new QLabel(tsCheckTxt);
  lblCheckValues->setObjectName(QStringLiteral("lblCheckValues"));
  lbxCheck = new QTreeWidget(tsCheckTxt);
  lbxCheck->setObjectName(QStringLiteral("lbxCheck"));
  lbxCheck->setToolTip(
      QStringLiteral("Находки проверки - выбранные выделяют строки (Ctrl+Y, Ctrl+C), убрать Ctrl+Shift+Y"));
  const QStringList captions{QStringLiteral("Правило"), QStringLiteral("Строки"), QStringLiteral("Время, с"),
                             QStringLiteral("Значение"), QStringLiteral("Порог")};
  lbxCheck->setHeaderLabels(captions);
  lbxCheck->setRootIsDecorated(false);
  lbxCheck->setUniformRowHeights(true);
  lbxCheck->setSelectionMode(QAbstractItemView::ExtendedSelection);

  // Widths for the longest texts a column holds, so that nothing is cut at the
  // start size and the columns do not jump as the findings change.
  const QFontMetrics fm(lbxCheck->font());
  const QFontMetrics headerFm(lbxCheck->header()->font());
  std::array<QStringList, 5> longest{
      QStringList{}, QStringList{QStringLiteral("00000–00000")}, QStringList{QStringLiteral("00000.0–00000.0")},
      QStringList{QStringLiteral("нет 00000 из 00000"), QStringLiteral("-0000.00 м/с")},
      QStringList{QStringLiteral("0000.00 м/с")}};
  for (int r = 0; r < dv::kRuleCount; ++r)
    longest[0] << QString::fromUtf8(dv::InfoOf(static_cast<dv::CheckRule>(r)).name);
  const int padding = fm.horizontalAdvance(QStringLiteral("00"));
  lbxCheck->header()->setSectionResizeMode(QHeaderView::Interactive);
  lbxCheck->header()->setStretchLastSection(false);
  for (int col = 1; col < 5; ++col) lbxCheck->headerItem()->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
  for (int col = 0; col < 5; ++col) {
    int width = headerFm.horizontalAdvance(captions[col]);
    for (const QString& text : longest[col]) width = std::max(width, fm.horizontalAdvance(text));
    lbxCheck->header()->resizeSection(col, width + padding);
  }

  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(cbxCheckRule);
  filterRow->addWidget(lblCheckValues, 1);
  auto* layout = new QVBoxLayout(tsCheckTxt);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(filterRow);
  layout->addWidget(lbxCheck);

  // A panel of its own, the full width of the window: the findings stay in view
  // while their rows are shown in the listings.
  dkCheck = new QDockWidget(kCheckTitle, this);
  dkCheck->setObjectName(QStringLiteral("dkCheck"));
  dkCheck->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  dkCheck->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
  dkCheck->setWidget(tsCheckTxt);
  addDockWidget(Qt::BottomDockWidgetArea, dkCheck);
  resizeDocks({dkCheck}, {kPanelHeight}, Qt::Vertical);

  connect(lbxCheck, &QTreeWidget::itemSelectionChanged, this, &TfmMainFrm::FindingsChosen);
  connect(lbxCheck, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { FindingClick(item); });
  connect(lbxCheck, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { FindingClick(item); });
  connect(cbxCheckRule, &QComboBox::currentIndexChanged, this, [this](int index) {
    checkRule_ = cbxCheckRule->itemData(index).toInt();
    FillCheckList();
    FindingsChosen();  // the listings keep only what is still listed
  });
  lbxCheck->installEventFilter(new FindingKeys(lbxCheck, {idMarkTLM, idMarkCRD}));
}

void TfmMainFrm::idCheckClick() {
  if (!lbxCheck) BuildCheckPage();
  if (!marks_) {
    marks_ = std::make_unique<FindingMarks>(*charts_);
    if (diagram_) marks_->SetDiagram(diagram_->edited(DiagramChart::T), diagram_->edited(DiagramChart::Td));
  }
  checking_ = true;
  dkCheck->show();
  dkCheck->raise();
  ShowFindings();
  lbxCheck->setFocus();
}

void TfmMainFrm::ShowFindings() {
  if (!checking_) return;
  const std::vector<dv::Finding>& findings = products_->Findings();
  const dv::ValueCounts values = products_->Counts();
  lblCheckValues->setText(QStringLiteral("Пропущенных значений: tu %1, crd %2; вне диапазона tu: %3")
                              .arg(values.tuMissing)
                              .arg(values.crdMissing)
                              .arg(values.tuOutOfRange));

  // The filter offers the rules found now; a rule no longer found gives way to all.
  std::array<int, dv::kRuleCount> perRule{};
  for (const dv::Finding& f : findings) ++perRule[static_cast<std::size_t>(f.rule)];
  if (checkRule_ >= 0 && (checkRule_ >= dv::kRuleCount || perRule[static_cast<std::size_t>(checkRule_)] == 0))
    checkRule_ = -1;
  {
    const QSignalBlocker quiet(cbxCheckRule);
    cbxCheckRule->clear();
    cbxCheckRule->addItem(QStringLiteral("Все правила"), -1);
    for (int r = 0; r < dv::kRuleCount; ++r) {
      if (perRule[static_cast<std::size_t>(r)] == 0) continue;
      cbxCheckRule->addItem(QStringLiteral("%1 (%2)")
                                .arg(QString::fromUtf8(dv::InfoOf(static_cast<dv::CheckRule>(r)).name))
                                .arg(perRule[static_cast<std::size_t>(r)]),
                            r);
    }
    cbxCheckRule->setCurrentIndex(std::max(0, cbxCheckRule->findData(checkRule_)));
  }
  FillCheckList();
  dkCheck->setWindowTitle(QStringLiteral("%1 (%2)").arg(kCheckTitle).arg(findings.size()));
  idRemoveFound->setEnabled(!ViewOnly);
  marks_->Mark(findings);
}

void TfmMainFrm::FillCheckList() {
  QSet<qulonglong> chosen;
  for (QTreeWidgetItem* item : lbxCheck->selectedItems()) chosen.insert(item->data(0, kKeyRole).toULongLong());
  QTreeWidgetItem* current = lbxCheck->currentItem();
  const bool hadCurrent = current != nullptr;
  const qulonglong currentKey = current ? current->data(0, kKeyRole).toULongLong() : 0;
  const int currentRow = current ? lbxCheck->indexOfTopLevelItem(current) : -1;

  // Refilled quietly: the listings keep what the observer selected in them.
  const QSignalBlocker quiet(lbxCheck);
  lbxCheck->clear();
  QList<QTreeWidgetItem*> items;
  QTreeWidgetItem* again = nullptr;
  const std::vector<dv::Finding>& findings = products_->Findings();
  for (std::size_t k = 0; k < findings.size(); ++k) {
    const dv::Finding& f = findings[k];
    if (checkRule_ >= 0 && static_cast<int>(f.rule) != checkRule_) continue;
    const dv::FindingColumns c = dv::ColumnsOf(f);
    auto* item = new QTreeWidgetItem(
        QStringList{QString::fromStdString(c.rule), QString::fromStdString(c.rows), QString::fromStdString(c.times),
                    QString::fromStdString(c.value), QString::fromStdString(c.threshold)});
    item->setData(0, kIndexRole, static_cast<qulonglong>(k));
    item->setData(0, kKeyRole, KeyOf(f));
    for (int col = 1; col < 5; ++col) item->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
    if (hadCurrent && KeyOf(f) == currentKey) again = item;
    items << item;
  }
  lbxCheck->addTopLevelItems(items);
  // Chosen again while its rows are still selected (not after another flight was opened).
  for (QTreeWidgetItem* item : items) {
    const dv::Finding& f = findings[item->data(0, kIndexRole).toULongLong()];
    const TListingView* listing = f.file == dv::CheckFile::Tu ? lbxTLM : lbxCRD;
    if (chosen.contains(item->data(0, kKeyRole).toULongLong()) &&
        listing->selectionModel()->isRowSelected(f.firstRow, QModelIndex()))
      item->setSelected(true);
  }
  // A finding gone (its points excluded) leaves the cursor just before the next
  // one, so that the down arrow goes on with it.
  if (!again && currentRow > 0 && !items.isEmpty())
    again = items[static_cast<qsizetype>(std::min<int>(currentRow - 1, static_cast<int>(items.size()) - 1))];
  if (again)
    lbxCheck->setCurrentItem(again, 0, QItemSelectionModel::NoUpdate);
  else
    lbxCheck->setCurrentIndex(QModelIndex());
}

void TfmMainFrm::FindingsChosen() {
  std::vector<const dv::Finding*> tu, crd;
  QTreeWidgetItem* front = nullptr;
  const std::vector<dv::Finding>& findings = products_->Findings();
  for (QTreeWidgetItem* item : lbxCheck->selectedItems()) {
    const auto k = item->data(0, kIndexRole).toULongLong();
    if (k >= findings.size()) continue;
    (findings[k].file == dv::CheckFile::Tu ? tu : crd).push_back(&findings[k]);
    front = item;
  }
  // The listings hold just the chosen findings' rows, as if the observer had
  // selected them: the ranges, the bands, the highlight.
  for (auto [listing, chosen] : {std::pair{lbxTLM, &tu}, std::pair{lbxCRD, &crd}}) {
    if (chosen->empty() && !listing->HasSelection()) continue;
    listing->DeselectAll();
    for (const dv::Finding* f : *chosen) listing->SelectRows(f->firstRow, f->lastRow);
    lbListingClick(listing);
  }
  if (lbxCheck->currentItem() && lbxCheck->currentItem()->isSelected()) front = lbxCheck->currentItem();
  if (front) FindingClick(front);
}

void TfmMainFrm::FindingClick(QTreeWidgetItem* item) {
  if (!item) return;
  const auto k = item->data(0, kIndexRole).toULongLong();
  if (k >= findings().size()) return;
  const dv::Finding& f = findings()[k];
  TListingView* listing = f.file == dv::CheckFile::Tu ? lbxTLM : lbxCRD;
  // The listing comes forward; the focus stays with the findings.
  PageControlTxt->setCurrentWidget(f.file == dv::CheckFile::Tu ? tsTUTxt : tsCRDTxt);
  listing->scrollTo(listing->listModel()->index(f.firstRow), QAbstractItemView::PositionAtCenter);
  listing->viewport()->update();
}

void TfmMainFrm::idRemoveFoundClick() {
  if (!checking_ || ViewOnly) return;
  std::vector<dv::Finding> chosen;
  for (QTreeWidgetItem* item : lbxCheck->selectedItems()) {
    const auto k = item->data(0, kIndexRole).toULongLong();
    if (k < findings().size()) chosen.push_back(findings()[k]);
  }
  const std::uint32_t before = ModifiedBits();
  auto step = dv::RemoveFoundStep(flight_->Points, chosen);
  if (!step) return;
  const dv::FlightChange change = dv::ChangeOf(*step);
  step->files = (change.tu ? kTlmBit : 0) | (change.crd ? kCrdBit : 0);
  step->stateBefore = before;
  Record(std::move(*step));
  if (change.tu) SetTLMModified(true);
  if (change.crd) SetCRDModified(true);
}

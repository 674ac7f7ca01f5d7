// "Проверка": the findings of the suspect-point rules in a third listing tab,
// their rows selected on a click, and their points removed on command.

#include <QAction>
#include <QHeaderView>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "app/MainWindow.h"
#include "charts/ArcCharts.h"
#include "check/FindingMarks.h"
#include "check/RemoveFound.h"
#include "editing/ListingView.h"

namespace {
const QString kCheckTab = QStringLiteral("Проверка");
}  // namespace

void TfmMainFrm::BuildCheckPage() {
  tsCheckTxt = new QWidget;
  tsCheckTxt->setObjectName(QStringLiteral("tsCheckTxt"));
  lbxCheck = new QTreeWidget(tsCheckTxt);
  lbxCheck->setObjectName(QStringLiteral("lbxCheck"));
  lbxCheck->setToolTip(QStringLiteral("Находки проверки - щелчок выделяет строки, убрать Ctrl+Shift+Y"));
  lbxCheck->setHeaderLabels({QStringLiteral("Правило"), QStringLiteral("Строки"), QStringLiteral("Время, с"),
                             QStringLiteral("Значение"), QStringLiteral("Порог")});
  lbxCheck->setRootIsDecorated(false);
  lbxCheck->setUniformRowHeights(true);
  lbxCheck->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbxCheck->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  auto* layout = new QVBoxLayout(tsCheckTxt);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lbxCheck);
  connect(lbxCheck, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { FindingClick(item); });
  connect(lbxCheck, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { FindingClick(item); });
}

void TfmMainFrm::idCheckClick() {
  if (!lbxCheck) BuildCheckPage();
  if (!marks_) marks_ = std::make_unique<FindingMarks>(*charts_);
  checking_ = true;
  if (PageControlTxt->indexOf(tsCheckTxt) < 0) PageControlTxt->addTab(tsCheckTxt, kCheckTab);
  RecomputeFindings();
  PageControlTxt->setCurrentWidget(tsCheckTxt);
  lbxCheck->setFocus();
}

void TfmMainFrm::RecomputeFindings() {
  if (!checking_) return;
  findings_ = dv::RunChecks(flight_->Points, checkLimits_);
  lbxCheck->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(findings_.size()));
  for (std::size_t k = 0; k < findings_.size(); ++k) {
    const dv::FindingColumns c = dv::ColumnsOf(findings_[k]);
    auto* item = new QTreeWidgetItem(
        QStringList{QString::fromStdString(c.rule), QString::fromStdString(c.rows), QString::fromStdString(c.times),
                    QString::fromStdString(c.value), QString::fromStdString(c.threshold)});
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(k));
    for (int col = 1; col < 5; ++col) item->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
    items << item;
  }
  lbxCheck->addTopLevelItems(items);
  PageControlTxt->setTabText(PageControlTxt->indexOf(tsCheckTxt),
                             QStringLiteral("%1 (%2)").arg(kCheckTab).arg(findings_.size()));
  idRemoveFound->setEnabled(!ViewOnly);
  marks_->Mark(findings_);
}

void TfmMainFrm::FindingClick(QTreeWidgetItem* item) {
  if (!item) return;
  const auto k = item->data(0, Qt::UserRole).toULongLong();
  if (k >= findings_.size()) return;
  const dv::Finding& f = findings_[k];
  TListingView* listing = f.file == dv::CheckFile::Tu ? lbxTLM : lbxCRD;
  // As if the observer had selected the rows: the range, the band, the highlight.
  listing->SelectRows(f.firstRow, f.lastRow);
  lbListingClick(listing);
  PageControlTxt->setCurrentWidget(f.file == dv::CheckFile::Tu ? tsTUTxt : tsCRDTxt);
  listing->scrollTo(listing->listModel()->index(f.firstRow), QAbstractItemView::PositionAtCenter);
  listing->setFocus();
}

void TfmMainFrm::idRemoveFoundClick() {
  if (!checking_ || ViewOnly) return;
  std::vector<dv::Finding> chosen;
  for (QTreeWidgetItem* item : lbxCheck->selectedItems()) {
    const auto k = item->data(0, Qt::UserRole).toULongLong();
    if (k < findings_.size()) chosen.push_back(findings_[k]);
  }
  const std::uint32_t before = ModifiedBits();
  auto step = dv::RemoveFoundStep(flight_->Points, chosen);
  if (!step) return;
  int tuFirst = INT_MAX, tuLast = -1, crdFirst = INT_MAX, crdLast = -1;
  for (const dv::FlagChange& c : step->flags) {
    (c.crd ? crdFirst : tuFirst) = std::min(c.crd ? crdFirst : tuFirst, c.row);
    (c.crd ? crdLast : tuLast) = std::max(c.crd ? crdLast : tuLast, c.row);
  }
  step->files = (tuLast >= 0 ? kTlmBit : 0) | (crdLast >= 0 ? kCrdBit : 0);
  step->stateBefore = before;
  PushStep(std::move(*step));
  if (tuLast >= 0) {
    charts_->RecolourTelemetry(flight_->Points.TuPoints, tuFirst, tuLast);
    charts_->ClearTrajectoryHighlight();
    SetTLMModified(true);
    lbxTLM->viewport()->update();
  }
  if (crdLast >= 0) {
    charts_->RecolourCoordinates(flight_->Points.CrdPoints, crdFirst, crdLast);
    SetCRDModified(true);
    lbxCRD->viewport()->update();
  }
  HighlightTrajectoryRange();
}

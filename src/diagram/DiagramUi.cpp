// The "Диаграмма" page on the main window: the skew-T chart under a line that
// reads the sounding out at the cursor's height, redrawn after every edit
// while it is in front.

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "diagram/DiagramChart.h"

void TfmMainFrm::BuildDiagramPage() {
  tsDiagram = new QWidget;
  tsDiagram->setObjectName(QStringLiteral("tsDiagram"));
  auto* layout = new QVBoxLayout(tsDiagram);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  lblDiagram = new QLabel(tsDiagram);
  lblDiagram->setObjectName(QStringLiteral("lblDiagram"));
  lblDiagram->setContentsMargins(4, 2, 4, 0);
  lblDiagram->setText(QStringLiteral(" "));  // keeps its height while empty
  lblDiagram->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  layout->addWidget(lblDiagram);
  ChrtDiagram = new TChart(tsDiagram);
  ChrtDiagram->setObjectName(QStringLiteral("ChrtDiagram"));
  layout->addWidget(ChrtDiagram, 1);
  PageControlTU->addTab(tsDiagram, QStringLiteral("Диаграмма"));
  diagram_ = std::make_unique<DiagramChart>(ChrtDiagram);
  connect(diagram_.get(), &DiagramChart::tuPointClicked, this, &TfmMainFrm::SelectTLMRow);
  connect(diagram_.get(), &DiagramChart::readout, lblDiagram,
          [this](const QString& text) { lblDiagram->setText(text.isEmpty() ? QStringLiteral(" ") : text); });
  connect(PageControlTU, &QTabWidget::currentChanged, this, [this] { RefreshDiagramPage(false); });
}

void TfmMainFrm::RefreshDiagramPage(bool now) {
  if (!diagram_ || (!now && PageControlTU->currentWidget() != tsDiagram)) return;
  // The originals are shown when the flight has its own.
  const bool originals = ChrtCRD->groupActive(ArcCharts::kGroupOrg) || ChrtTLM->groupActive(ArcCharts::kGroupOrg);
  if (diagram_->OriginalStale(*products_)) diagram_->FillOriginal(*products_, originals);
  if (diagram_->EditedStale(*products_)) diagram_->FillEdited(*products_);
}

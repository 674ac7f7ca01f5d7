// The "Ветер" page: the wind curves, their window, and their refill after the
// coordinates change.

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "wind/WindChart.h"

void TfmMainFrm::BuildWindPage() {
  tsWind = new QWidget;
  tsWind->setObjectName(QStringLiteral("tsWind"));
  auto* layout = new QVBoxLayout(tsWind);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 2, 4, 0);
  auto* caption = new QLabel(QStringLiteral("Окно сглаживания, с:"), tsWind);
  edtWindWindow = new QSpinBox(tsWind);
  edtWindWindow->setObjectName(QStringLiteral("edtWindWindow"));
  edtWindWindow->setRange(static_cast<int>(dv::kWindWindowMin), static_cast<int>(dv::kWindWindowMax));
  edtWindWindow->setToolTip(QStringLiteral("Ветер и скорость подъема - наклон прямой по точкам окна"));
  caption->setBuddy(edtWindWindow);
  bar->addWidget(caption);
  bar->addWidget(edtWindWindow);
  bar->addStretch();
  layout->addLayout(bar);
  ChrtWind = new TChart(tsWind);
  ChrtWind->setObjectName(QStringLiteral("ChrtWind"));
  layout->addWidget(ChrtWind);
  PageControlTU->addTab(tsWind, QStringLiteral("Ветер"));
  wind_ = std::make_unique<WindChart>(ChrtWind);
  connect(wind_.get(), &WindChart::crdPointClicked, this, &TfmMainFrm::SelectCRDRow);
  connect(PageControlTU, &QTabWidget::currentChanged, this, [this] {
    if (windPending_ && PageControlTU->currentWidget() == tsWind) RefreshWind(false);
  });
  // The window's new width takes effect at once.
  connect(edtWindWindow, &QSpinBox::valueChanged, this, [this](int seconds) {
    if (windSettings_.window == seconds) return;
    windSettings_.window = seconds;
    RefreshWind(true);
  });
}

void TfmMainFrm::RefreshWind(bool originals) {
  if (!wind_) return;
  windOriginalsPending_ |= originals;
  if (PageControlTU->currentWidget() != tsWind) {
    windPending_ = true;
    return;
  }
  FillWindNow();
}

void TfmMainFrm::FillWindNow() {
  const bool originals = windOriginalsPending_;
  windPending_ = windOriginalsPending_ = false;
  // The originals are shown when the flight has its own (.org.crd); they come
  // first, as they take the edited points' positions afresh.
  if (originals)
    wind_->FillOriginal(flight_->Points.CrdOrgPoints, windSettings_, ChrtCRD->groupActive(ArcCharts::kGroupOrg),
                        flight_->Points.CrdPoints);
  wind_->FillEdited(flight_->Points.CrdPoints, windSettings_);
}

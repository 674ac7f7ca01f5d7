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
  connect(PageControlTU, &QTabWidget::currentChanged, this, [this] { RefreshWindPage(false); });
  // The window's new width takes effect at once.
  connect(edtWindWindow, &QSpinBox::valueChanged, this, [this](int seconds) {
    if (products_->windSettings().window == seconds) return;
    dv::WindSettings settings = products_->windSettings();
    settings.window = seconds;
    products_->SetWindSettings(settings);
    RefreshWindPage(false);
  });
}

void TfmMainFrm::RefreshWindPage(bool now) {
  // A hidden page is refilled when it is next shown: the edits meanwhile cost nothing.
  if (!wind_ || (!now && PageControlTU->currentWidget() != tsWind)) return;
  // The originals are shown when the flight has its own (.org.crd).
  if (wind_->OriginalStale(*products_)) wind_->FillOriginal(*products_, ChrtCRD->groupActive(ArcCharts::kGroupOrg));
  if (wind_->EditedStale(*products_)) wind_->FillEdited(*products_);
}

// The "Уровни" page on the main window: built after "Ветер", refilled when its
// levels changed and it is in front, a level's rows selected on a click.

#include <QTabWidget>
#include <cmath>
#include <limits>

#include "app/MainWindow.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"
#include "thermo/LevelsPage.h"

void TfmMainFrm::BuildLevelsPage() {
  tsLevels = new QWidget;
  tsLevels->setObjectName(QStringLiteral("tsLevels"));
  levels_ = std::make_unique<LevelsPage>(tsLevels);
  PageControlTU->addTab(tsLevels, QStringLiteral("Уровни"));
  connect(PageControlTU, &QTabWidget::currentChanged, this, [this] { RefreshLevelsPage(); });
  connect(levels_.get(), &LevelsPage::levelClicked, this, [this](double time) {
    // The rows nearest in time in each listing, as if the observer had selected them.
    const auto nearest = [time](const auto& points) {
      int best = -1;
      double distance = std::numeric_limits<double>::infinity();
      for (int i = 0; i < points.Count(); ++i) {
        const double d = std::fabs(points[i].Time - time);
        if (d < distance) distance = d, best = i;
      }
      return best;
    };
    const std::pair<TListingView*, int> rows[] = {{lbxTLM, nearest(flight_->Points.TuPoints)},
                                                  {lbxCRD, nearest(flight_->Points.CrdPoints)}};
    for (const auto& [listing, row] : rows) {
      if (row < 0) continue;
      listing->DeselectAll();
      listing->SelectRows(row, row);
      listing->scrollTo(listing->listModel()->index(row), QAbstractItemView::PositionAtCenter);
      lbListingClick(listing);
    }
  });
}

void TfmMainFrm::RefreshLevelsPage() {
  // A hidden page is refilled when it is next shown.
  if (!levels_ || PageControlTU->currentWidget() != tsLevels) return;
  levels_->Refresh(*products_, ChrtCRD->groupActive(ArcCharts::kGroupOrg) || ChrtTLM->groupActive(ArcCharts::kGroupOrg));
}

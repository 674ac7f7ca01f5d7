#include "report/ReportCharts.h"

#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "diagram/DiagramChart.h"
#include "wind/WindChart.h"

ReportCharts::ReportCharts(dv::FlightProducts& products, bool tuOrg, bool crdOrg)
    : tlm_(std::make_unique<TChart>()),
      crd_(std::make_unique<TChart>()),
      xy_(std::make_unique<TChart>()),
      wind_(std::make_unique<TChart>()),
      diagram_(std::make_unique<TChart>()),
      arc_(std::make_unique<ArcCharts>()) {
  arc_->CreateChartSeries(tlm_.get(), crd_.get(), xy_.get());
  arc_->SetTlmOriginalsActive(tuOrg);
  arc_->SetCrdOriginalsActive(crdOrg);
  arc_->FillCharts(products.points());
  windChart_ = std::make_unique<WindChart>(wind_.get());
  windChart_->FillOriginal(products, crdOrg);
  windChart_->FillEdited(products);
  diagramChart_ = std::make_unique<DiagramChart>(diagram_.get());
  diagramChart_->FillOriginal(products, tuOrg || crdOrg);
  diagramChart_->FillEdited(products);
}

ReportCharts::~ReportCharts() {
  // The series belong to the charts: they go first, while the charts still stand.
  windChart_.reset();
  diagramChart_.reset();
  arc_->FreeChartSeries();
  arc_.reset();
}

QList<ReportChart> ReportCharts::charts() const {
  return {{QStringLiteral("Координаты"), crd_.get()},
          {QStringLiteral("Траектория"), xy_.get()},
          {QStringLiteral("Телеметрия"), tlm_.get()},
          {QStringLiteral("Ветер"), wind_.get()},
          {QStringLiteral("Диаграмма"), diagram_.get()}};
}

// "Отчёт": the review of the open flight as a PDF, for the station's records.

#include <QAction>
#include <QDateTime>
#include <QLineEdit>
#include <QTabWidget>

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "charts/TChart.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/Saving.h"
#include "geo/TrackExport.h"
#include "report/ReportPdf.h"
#include "report/Review.h"

namespace {
std::optional<double> FieldNumber(const QLineEdit* field) {
  return dv::TextToReal(InfoTextFromQt(field->text()));
}
}  // namespace

void TfmMainFrm::idReportClick() {
  if (flight_->FlightBase.empty()) return;
  const auto file = dialogs_->chooseSaveFile(QStringLiteral("Отчёт"), QStringLiteral("Отчёт PDF (*.pdf)"),
                                             PathToQt(dv::ReportFileName(flight_->FlightBase)));
  if (!file) return;
  const std::string path = PathFromQt(*file);
  // The processing program takes every NAME.* beside the flight.
  if (dv::WouldBeTakenAsFlight(path, flight_->FlightBase)) {
    dialogs_->message(QString::fromUtf8(dv::kTakenAsFlight) + *file);
    return;
  }
  BusyCursor busy;
  // The initial data as the fields show it: the file takes them only when saved.
  dv::InitialData edited = flight_->Info;
  dv::TakeInfoFields(InfoFields(), edited);
  dv::ReviewInput in;
  in.flight = flight_;
  in.info = &edited;
  in.surface = dv::SurfaceOf(flight_->Points);
  const auto field = [](std::optional<double>& value, const QLineEdit* edit) {
    if (value) value = FieldNumber(edit);
  };
  field(in.surface.T0, edtT0);
  field(in.surface.U0, edtU0);
  field(in.surface.SR0, edtSR0);
  field(in.surface.Az0, edtAz0);
  field(in.surface.El0, edtEl0);
  in.orgInfo = dv::FileExists(flight_->FlightBase + ".org.info");
  in.orgTu = dv::FileExists(flight_->FlightBase + ".org.tu");
  in.orgCrd = dv::FileExists(flight_->FlightBase + ".org.crd");
  in.viewOnly = ViewOnly;
  in.history = &history_;
  // The findings that remain, whether or not the check's list is shown.
  in.findings = &products_->Findings();
  in.levels = &products_->Levels();
  if (in.orgTu || in.orgCrd) in.originalLevels = &products_->OriginalLevels();
  in.created = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")).toStdString();

  // A hidden wind page is filled only when shown; the report shows it now.
  RefreshWindPage(true);
  RefreshDiagramPage(true);
  QList<ReportChart> charts;
  for (TChart* chart : {ChrtCRD, ChrtXY, ChrtTLM, ChrtWind, ChrtDiagram}) {
    QWidget* page = chart->parentWidget();
    charts.push_back({PageControlTU->tabText(PageControlTU->indexOf(page)), chart});
  }
  const QByteArray pdf = RenderReviewPdf(dv::BuildReview(in), charts);
  if (pdf.isEmpty() ||
      !dv::WriteFileAtomic(path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size()))))
    dialogs_->message(QString::fromUtf8(dv::kSaveError) + QLatin1Char('\n') + *file);
  else
    NoteWritten(path);
}

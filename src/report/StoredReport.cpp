#include "report/StoredReport.h"

#include <QApplication>
#include <QDateTime>
#include <cstdio>
#include <memory>

#include "common/FileIO.h"
#include "flight/Saving.h"
#include "products/FlightProducts.h"
#include "report/ReportCharts.h"
#include "report/ReportPdf.h"
#include "report/Review.h"

namespace dv {

namespace {
// Qt's own notes (no runtime folder, no screen) are not the checker's output.
void QuietNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
}  // namespace

struct ReportSession::State {
  int argc = 1;
  char name[16] = "devirarav-check";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
};

ReportSession::ReportSession() : state_(std::make_unique<State>()) {
  if (QCoreApplication::instance()) return;
  // A command-line program shows nothing: it draws off the screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietNotes);
  state_->app = std::make_unique<QApplication>(state_->argc, state_->argv);
}

ReportSession::~ReportSession() = default;

std::optional<std::string> WriteStoredFlightReport(const std::string& infoPath, const std::string& outFile,
                                                   const std::vector<Finding>& findings,
                                                   const WindSettings& wind) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return std::string(kSaveError) + " " + outFile;
  auto stored = std::make_unique<StoredFlight>();
  if (auto error = LoadStoredFlight(infoPath, *stored)) return error;
  ReviewInput in;
  in.flight = &stored->flight;
  in.surface = SurfaceOf(stored->flight.Points);
  in.orgInfo = stored->orgInfo;
  in.orgTu = stored->orgTu;
  in.orgCrd = stored->orgCrd;
  in.viewOnly = stored->viewOnly;
  in.findings = &findings;
  in.created = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")).toStdString();
  dv::FlightProducts products(stored->flight.Points, stored->flight.Info, &stored->flight.OrgInfo);
  products.SetWindSettings(wind);
  in.levels = &products.Levels();
  if (in.orgTu || in.orgCrd) in.originalLevels = &products.OriginalLevels();
  const ReportCharts charts(products, stored->orgTu, stored->orgCrd);
  const QByteArray pdf = RenderReviewPdf(BuildReview(in), charts.charts());
  if (pdf.isEmpty() || !WriteFileAtomic(outFile, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size()))))
    return std::string(kSaveError) + " " + outFile;
  return std::nullopt;
}

}  // namespace dv

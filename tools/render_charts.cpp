// Draws a flight's three charts into PNG files, offscreen, to look at them
// without the main window:
//   devirarav_render_charts examples/20251014-1130 /tmp
// writes /tmp/20251014-1130-crd.png, -xy.png and -tlm.png (900 x 560 each).

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <optional>
#include <string>

#include "charts/ArcCharts.h"
#include "open/FlightLoad.h"

namespace {

// The flight as the open command reads it: originals when present, else copies.
// The reason it could not be read, or nothing.
std::optional<std::string> LoadFlight(const std::string& base, dv::Flight& flight, bool& tuOrg, bool& crdOrg) {
  const dv::FlightLoad load = dv::LoadFlightFiles(base + ".info", flight);
  for (const dv::FileState* file : {&load.info, &load.tu, &load.crd, &load.orgCrd, &load.orgTu})
    if (file->failed()) return file->error.empty() ? file->path : file->error;
  if (!load.info.read) return base + ".info: " + dv::kInfoFileError;
  tuOrg = load.orgTu.read;
  crdOrg = load.orgCrd.read;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s flight-base-path [output-folder]\n", argv[0]);
    return 2;
  }
  const std::string base = argv[1];
  const QString outDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(".");
  dv::Flight flight;
  bool tuOrg = false, crdOrg = false;
  if (const auto error = LoadFlight(base, flight, tuOrg, crdOrg)) {
    std::fprintf(stderr, "%s: %s\n", base.c_str(), error->c_str());
    return 1;
  }
  const dv::FlightPoints& points = flight.Points;
  const bool any = !points.TuPoints.empty() || !points.CrdPoints.empty();
  // Without points the charts stay empty, as before any flight is opened.
  if (!any) std::fprintf(stderr, "%s: no .tu or .crd points, empty charts\n", base.c_str());

  TChart tlm, crd, xy;
  ArcCharts charts;
  charts.CreateChartSeries(&tlm, &crd, &xy);
  charts.SetTlmOriginalsActive(tuOrg);
  charts.SetCrdOriginalsActive(crdOrg);
  charts.ClearCharts();
  if (any) charts.FillCharts(points);

  const QString name = QFileInfo(QString::fromLocal8Bit(argv[1])).fileName();
  int failures = 0;
  for (auto [chart, suffix] : {std::pair{&crd, "crd"}, std::pair{&xy, "xy"}, std::pair{&tlm, "tlm"}}) {
    chart->resize(900, 560);
    chart->replot(QCustomPlot::rpImmediateRefresh);
    const QString file = outDir + QStringLiteral("/%1-%2.png").arg(name, QLatin1String(suffix));
    if (chart->grab().save(file)) {
      std::printf("%s\n", file.toLocal8Bit().constData());
    } else {
      std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

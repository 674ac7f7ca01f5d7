// Draws a flight's three charts into PNG files, offscreen, to look at them
// without the main window:
//   devirarav_render_charts examples/20251014-1130 /tmp
// writes /tmp/20251014-1130-crd.png, -xy.png and -tlm.png (900 x 560 each).

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "charts/ArcCharts.h"
#include "flight/PointFiles.h"

namespace {

// The flight as the open command leaves it: originals when present, else copies.
bool LoadFlight(const std::string& base, dv::FlightPoints& p, bool& tuOrg, bool& crdOrg) {
  const auto exists = [](const std::string& f) { return std::filesystem::exists(f); };
  if (exists(base + ".tu")) dv::ReadTu(base + ".tu", p.TuPoints);
  if (exists(base + ".crd")) dv::ReadCrd(base + ".crd", p.CrdPoints);
  tuOrg = exists(base + ".org.tu");
  crdOrg = exists(base + ".org.crd");
  if (tuOrg) {
    dv::ReadTu(base + ".org.tu", p.TuOrgPoints);
  } else {
    p.TuOrgPoints.Assign(p.TuPoints);
  }
  if (crdOrg) {
    dv::ReadCrd(base + ".org.crd", p.CrdOrgPoints);
  } else {
    p.CrdOrgPoints.Assign(p.CrdPoints);
  }
  return !p.TuPoints.empty() || !p.CrdPoints.empty();
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
  dv::FlightPoints points;
  bool tuOrg = false, crdOrg = false, any = false;
  try {
    any = LoadFlight(base, points, tuOrg, crdOrg);
    // Without points the charts stay empty, as before any flight is opened.
    if (!any) std::fprintf(stderr, "%s: no .tu or .crd points, empty charts\n", base.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", base.c_str(), e.what());
    return 1;
  }

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

// The main window end to end, offscreen:
//   QT_QPA_PLATFORM=offscreen build/bench/devirarav_bench_window
// OpenFlight: the sample flight (7,201 records per file; goal 100 ms) and a
// 100,000-record flight (goal 500 ms), files to drawn charts and listings.
// ToggleTelemetry: Ctrl+Y over a stretch of a 20,000-record flight, from the
// command to the repainted charts and listing (goal 16 ms).
// The resident memory after the large open is reported as rss_mb (goal 150 MB).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "SampleAscent.h"
#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"
#include "flight/PointFiles.h"

namespace {

class QuietDialogs : public UserDialogs {
 public:
  void message(const QString&) override {}
  void error(const QString&) override {}
  Answer question(const QString&, const QString&, Buttons) override { return Answer::No; }
  std::optional<QString> inputText(const QString&, const QString&, const QString& initial) override { return initial; }
  std::optional<QString> chooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
  std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
  void beep() override {}
  void openExternal(const QString&) override {}
};

// Writes a synthetic flight of `records` points per file; returns its .info.
std::string WriteFlight(const QString& folder, const std::string& name, int records) {
  dvtools::AscentSettings s;
  s.points = records;
  s.step = 7200.0 / records;
  dv::TuArray tu;
  dv::CrdArray crd;
  for (const dvtools::AscentPoint& a : dvtools::SimulateAscent(s)) {
    tu.Add(dv::TuPoint{static_cast<float>(a.time), static_cast<float>(a.T), static_cast<float>(a.U), false, false, false});
    crd.Add(dv::CrdPoint{a.time, a.SR, a.El * dv::kRadToDeg, a.Az * dv::kRadToDeg, false, false});
  }
  const std::string base = PathFromQt(QDir(folder).absoluteFilePath(QString::fromStdString(name)));
  dv::WriteTuFile(base + ".tu", tu);
  dv::WriteCrdFile(base + ".crd", crd);
  dv::InitialData info;
  info.StationSynopticIndex = 27612;
  info.StartYear = 2025;
  info.StartMonth = 10;
  info.StartDay = 14;
  info.StartHour = 11;
  info.StartMinute = 30;
  info.OnGroundPressure = 1003.2;
  std::ofstream(base + ".info", std::ios::binary) << dv::FormatNewInfo(info, 0);
  return base + ".info";
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kb = 0;
      status >> kb;
      return kb / 1024.0;
    }
  }
  return 0;
}

struct Window {
  dv::Flight flight;
  QuietDialogs dialogs;
  QTemporaryDir dir;
  std::unique_ptr<TfmMainFrm> w;
  Window() {
    MainFrmOptions o;
    o.flight = &flight;
    o.dialogs = &dialogs;
    o.configFile = dir.filePath(QStringLiteral("bench.CNF"));
    w = std::make_unique<TfmMainFrm>(o);
    w->resize(1280, 800);
    w->show();
    w->PageControlTU->setCurrentWidget(w->tsCRD);
  }
  ~Window() { w->InfoModified = w->TLMModified = w->CRDModified = false; }
  void Open(const std::string& info) {
    w->OpenFlight(PathToQt(info));
    Draw();
  }
  // Runs the queued chart replots and paints the window: the charts and listings
  // drawn, not just scheduled.
  void Draw() {
    QApplication::processEvents();
    w->repaint();
  }
};

void OpenFlight(benchmark::State& state, const std::string& info) {
  Window window;
  for (auto _ : state) window.Open(info);
  state.counters["rss_mb"] = ResidentMegabytes();
}

void BM_OpenSampleFlight(benchmark::State& state) {
  OpenFlight(state, std::string(DEVIRARAV_EXAMPLES) + "/20251014-1130.info");
}

void BM_OpenLargeFlight(benchmark::State& state) {
  QTemporaryDir dir;
  OpenFlight(state, WriteFlight(dir.path(), "large", 100000));
}

void BM_ToggleTelemetry(benchmark::State& state) {
  QTemporaryDir dir;
  Window window;
  window.Open(WriteFlight(dir.path(), "toggle", 20000));
  window.w->PageControlTU->setCurrentWidget(window.w->tsTLM);
  window.w->lbxTLM->SelectRows(5000, 6000);
  window.w->lbListingClick(window.w->lbxTLM);
  for (auto _ : state) {
    window.w->idMarkTLM->trigger();
    window.Draw();
  }
}

}  // namespace

BENCHMARK(BM_OpenSampleFlight)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenLargeFlight)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ToggleTelemetry)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

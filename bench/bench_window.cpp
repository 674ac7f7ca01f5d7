// The main window end to end, offscreen, at 20,000, 100,000 and 1,000,000
// records per file (and the 7,201-record sample):
//   QT_QPA_PLATFORM=offscreen build/bench/devirarav_bench_window
// FirstOpen: a window just made opens the flight, files to drawn charts and
// listings (what the observer waits for after starting the program). Reopen:
// the same window opens it again. CtrlY / CtrlC: exclusion of 1,000 rows
// through the menu command, from the command to the repainted window, with the
// edited file's chart in front (CtrlCWind: the wind page, Ctrl?Diagram: the
// diagram). CtrlZ: the undo of such a Ctrl+Y. Every open
// is checked to have succeeded.
//
// Peak memory (bench/peak_memory.sh): --write-flights=DIR writes the flights,
// --peak=INFO opens one (an empty INFO: none) and prints the process's peak
// resident size.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <algorithm>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

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
  void message(const QString& text) override { std::fprintf(stderr, "message: %s\n", text.toUtf8().constData()); }
  void error(const QString& text) override { std::fprintf(stderr, "error: %s\n", text.toUtf8().constData()); }
  Answer question(const QString&, const QString&, Buttons) override { return Answer::No; }
  std::optional<QString> inputText(const QString&, const QString&, const QString& initial) override { return initial; }
  std::optional<QString> chooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
  std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
  std::optional<int> chooseItem(const QString&, const QString&, const QStringList&, int) override { return std::nullopt; }
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
  info.StationLongitude = 37.567;
  info.StationLattitude = 55.833;
  info.StationHeightAboveSeaLevel = 147;
  info.RadioZondType = 90;
  std::ofstream(base + ".info", std::ios::binary) << dv::FormatNewInfo(info, 0);
  return base + ".info";
}

long PeakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // kB on Linux
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
    Draw();
  }
  ~Window() { w->InfoModified = w->TLMModified = w->CRDModified = false; }
  bool Open(const std::string& info) {
    w->OpenFlight(PathToQt(info));
    Draw();
    return w->flight().FlightBase + ".info" == info && w->flight().Points.CrdPoints.Count() > 0;
  }
  // Runs the queued chart replots and paints the window: the charts and listings
  // drawn, not just scheduled.
  void Draw() {
    QApplication::processEvents();
    w->repaint();
  }
  // What the program itself does after a command: the queued replots, then the
  // paint of what they and the command marked changed (not the whole window).
  void Update() {
    QApplication::processEvents();
    QApplication::processEvents();  // the paints the replots asked for
  }
};

// A flight needs a flight's name (the launch time); one folder per size.
const std::string kName = "20251014-1130";
QString FolderFor(const QString& parent, int records) {
  const QString folder = QDir(parent).filePath(QStringLiteral("n%1").arg(records));
  QDir().mkpath(folder);
  return folder;
}

// The flights, written once per run.
QTemporaryDir* g_dir = nullptr;
std::string FlightOf(int records) {
  if (records == 7201) return std::string(DEVIRARAV_EXAMPLES) + "/20251014-1130.info";
  static std::map<int, std::string> written;
  auto& info = written[records];
  if (info.empty()) info = WriteFlight(FolderFor(g_dir->path(), records), kName, records);
  return info;
}

void BM_FirstOpen(benchmark::State& state) {
  const std::string info = FlightOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<Window>();
    state.ResumeTiming();
    const bool opened = window->Open(info);
    state.PauseTiming();
    if (!opened) state.SkipWithError("the flight did not open");
    window.reset();
    state.ResumeTiming();
  }
}

void BM_Reopen(benchmark::State& state) {
  const std::string info = FlightOf(static_cast<int>(state.range(0)));
  Window window;
  for (auto _ : state) {
    if (!window.Open(info)) state.SkipWithError("the flight did not open");
  }
}

// Counts the paints a widget gets: proof that a timed round drew the chart.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

// The page in front while excluding: the edited file's chart, the wind or the diagram.
enum class Front { Own, Wind, Diagram };

void Toggle(benchmark::State& state, bool coordinates, Front front = Front::Own, bool fullRepaint = true) {
  const std::string info = FlightOf(static_cast<int>(state.range(0)));
  Window window;
  if (!window.Open(info)) state.SkipWithError("the flight did not open");
  TfmMainFrm& w = *window.w;
  QWidget* page = front == Front::Wind ? w.tsWind : front == Front::Diagram ? w.tsDiagram : coordinates ? w.tsCRD : w.tsTLM;
  w.PageControlTU->setCurrentWidget(page);
  TListingView* listing = coordinates ? w.lbxCRD : w.lbxTLM;
  const int first = static_cast<int>(state.range(0)) / 4;
  listing->SelectRows(first, first + 999);
  w.lbListingClick(listing);
  window.Draw();
  QAction* command = coordinates ? w.idMarkCRD : w.idMarkTLM;
  QWidget* chart = front == Front::Wind      ? static_cast<QWidget*>(w.ChrtWind)
                  : front == Front::Diagram ? static_cast<QWidget*>(w.ChrtDiagram)
                  : coordinates             ? w.ChrtCRD
                                            : w.ChrtTLM;
  PaintCounter counter;
  chart->installEventFilter(&counter);
  for (auto _ : state) {
    command->trigger();
    if (fullRepaint) {
      window.Draw();
    } else {
      window.Update();
    }
  }
  chart->removeEventFilter(&counter);
  if (counter.paints < state.iterations()) state.SkipWithError("the chart in front was not painted every round");
}

// Ctrl+Z of a telemetry toggle, from the command to the repainted window (the
// redo that sets up the next round is not timed).
void BM_CtrlZ(benchmark::State& state) {
  const std::string info = FlightOf(static_cast<int>(state.range(0)));
  Window window;
  if (!window.Open(info)) state.SkipWithError("the flight did not open");
  TfmMainFrm& w = *window.w;
  w.PageControlTU->setCurrentWidget(w.tsTLM);
  const int first = static_cast<int>(state.range(0)) / 4;
  w.lbxTLM->SelectRows(first, first + 999);
  w.lbListingClick(w.lbxTLM);
  w.idMarkTLM->trigger();
  window.Draw();
  for (auto _ : state) {
    w.idUndo->trigger();
    window.Draw();
    state.PauseTiming();
    w.idRedo->trigger();
    window.Draw();
    state.ResumeTiming();
  }
}

void BM_CtrlY(benchmark::State& state) { Toggle(state, false); }
void BM_CtrlC(benchmark::State& state) { Toggle(state, true); }
// The same, with only the paints the program asks for (the benchmarks above
// also repaint the whole window every round).
void BM_CtrlYPainted(benchmark::State& state) { Toggle(state, false, Front::Own, false); }
void BM_CtrlCPainted(benchmark::State& state) { Toggle(state, true, Front::Own, false); }
// Ctrl+C with the wind page in front: the observer excluding the points behind a wind spike.
void BM_CtrlCWind(benchmark::State& state) { Toggle(state, true, Front::Wind); }
// Either exclusion with the diagram in front, redrawn as the program asks.
void BM_CtrlYDiagram(benchmark::State& state) { Toggle(state, false, Front::Diagram, false); }
void BM_CtrlCDiagram(benchmark::State& state) { Toggle(state, true, Front::Diagram, false); }

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void Sizes(benchmark::internal::Benchmark* b, bool sample, int repetitions) {
  if (sample) b->Arg(7201);
  for (int records : {20000, 100000, 1000000}) b->Arg(records);
  b->Unit(benchmark::kMillisecond)->Repetitions(repetitions)->ReportAggregatesOnly(true);
  b->ComputeStatistics("min", Min);
}

BENCHMARK(BM_FirstOpen)->Apply([](auto* b) { Sizes(b, true, 5); })->Iterations(1);
BENCHMARK(BM_Reopen)->Apply([](auto* b) { Sizes(b, true, 5); });
BENCHMARK(BM_CtrlY)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlC)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlYPainted)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlCPainted)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlCWind)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlYDiagram)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlCDiagram)->Apply([](auto* b) { Sizes(b, true, 10); });
BENCHMARK(BM_CtrlZ)->Apply([](auto* b) { Sizes(b, true, 10); });

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The two peak-memory modes run no benchmark.
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a.rfind("--write-flights=", 0) == 0) {
      const QString folder = QString::fromStdString(std::string(a.substr(16)));
      for (int records : {20000, 100000, 1000000})
        std::printf("%s\n", WriteFlight(FolderFor(folder, records), kName, records).c_str());
      return 0;
    }
    if (a.rfind("--peak=", 0) == 0 || a.rfind("--peak-wind=", 0) == 0) {
      // --peak-wind: the wind page brought to the front as well, which fills it.
      const bool wind = a.rfind("--peak-wind=", 0) == 0;
      const std::string info(a.substr(wind ? 12 : 7));
      Window window;
      if (!info.empty() && !window.Open(info)) {
        std::fprintf(stderr, "%s did not open\n", info.c_str());
        return 1;
      }
      if (wind) window.w->PageControlTU->setCurrentWidget(window.w->tsWind);
      QCoreApplication::processEvents();
      std::ifstream status("/proc/self/status");
      std::string line, now;
      while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) now = line;
      std::printf("peak_kb=%ld records=%d now: %s\n", PeakResidentKilobytes(),
                  window.w->flight().Points.CrdPoints.Count(), now.c_str());
      return 0;
    }
  }
  QTemporaryDir dir;
  g_dir = &dir;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

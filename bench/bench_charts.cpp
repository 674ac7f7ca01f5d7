// Clear, fill and redraw of the three charts for 20,000 records per file, the
// work behind every exclusion or time correction. Goal: median under 16 ms.
//
// The flight is the synthetic ascent of tools/ sampled every 0.36 s, with the
// originals as copies of the current points and every 50th record excluded.
// The charts are 900 x 560 widgets on the offscreen platform, shown, so the
// timed replot includes painting the widget.
//
//   QT_QPA_PLATFORM=offscreen build/bench/devirarav_bench_charts
//
// FillPlan: the core's points for the 14 series alone. ClearFillReplot: what
// the program does (ArcCharts::ClearCharts + FillCharts + replot of the three
// charts). ReplotOnly: the three replots without refilling.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "SampleAscent.h"
#include "charts/ArcCharts.h"
#include "flight/PointFiles.h"

namespace {

constexpr int kRecords = 20000;

void MakeFlight(dv::FlightPoints& p) {
  dvtools::AscentSettings s;
  s.seed = 20000;
  s.points = kRecords;
  s.step = 0.36;
  int i = 0;
  for (const dvtools::AscentPoint& a : dvtools::SimulateAscent(s)) {
    dv::TuPoint t;
    t.Time = static_cast<float>(a.time);
    t.T = static_cast<float>(a.T);
    t.U = static_cast<float>(a.U);
    t.TExcluded = t.UExcluded = i % 50 == 49;
    p.TuPoints.Add(t);
    dv::CrdPoint c;
    c.Time = a.time;
    c.SR = a.SR;
    c.Az = a.Az * dv::kRadToDeg;
    c.El = a.El * dv::kRadToDeg;
    c.Excluded = i % 50 == 49;
    p.CrdPoints.Add(c);
    ++i;
  }
  p.TuOrgPoints.Assign(p.TuPoints);
  p.CrdOrgPoints.Assign(p.CrdPoints);
}

struct Charts {
  TChart tlm, crd, xy;
  ArcCharts arc;
  dv::FlightPoints points;
  Charts() {
    MakeFlight(points);
    arc.CreateChartSeries(&tlm, &crd, &xy);
    arc.SetTlmOriginalsActive(true);
    arc.SetCrdOriginalsActive(true);
    for (TChart* c : {&tlm, &crd, &xy}) {
      c->resize(900, 560);
      c->show();
    }
    arc.FillCharts(points);
    Replot();
    QCoreApplication::processEvents();
  }
  void Replot() {
    for (TChart* c : {&tlm, &crd, &xy}) c->replot(QCustomPlot::rpImmediateRefresh);
  }
};

Charts* g_charts = nullptr;

void BM_FillPlan(benchmark::State& state) {
  dv::FillPlan plan;
  for (auto _ : state) {
    for (auto& s : plan.series) s.clear();
    dv::AppendFillPlan(g_charts->points, plan);
    benchmark::DoNotOptimize(plan.series[0].data());
  }
}
BENCHMARK(BM_FillPlan)->Unit(benchmark::kMillisecond)->Repetitions(20)->ReportAggregatesOnly(true);

void BM_ClearFillReplot(benchmark::State& state) {
  Charts& c = *g_charts;
  for (auto _ : state) {
    c.arc.ClearCharts();
    c.arc.FillCharts(c.points);
    c.Replot();
    state.PauseTiming();
    QCoreApplication::processEvents();  // the queued replots the calls above asked for
    state.ResumeTiming();
  }
  state.counters["points"] = 14.0 * kRecords;
}
BENCHMARK(BM_ClearFillReplot)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true);

void BM_ReplotOnly(benchmark::State& state) {
  for (auto _ : state) g_charts->Replot();
}
BENCHMARK(BM_ReplotOnly)->Unit(benchmark::kMillisecond)->Repetitions(20)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  auto charts = std::make_unique<Charts>();
  g_charts = charts.get();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

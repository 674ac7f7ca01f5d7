// The chart work behind each edit, for 20,000 records per file, as the program
// does it: the series of the edited file refilled or recoloured, and only the
// chart in front replotted.
//
// The flight is the synthetic ascent of tools/ sampled every 0.36 s, with the
// originals as copies of the current points and every 50th record excluded.
// The charts are 900 x 560 widgets on the offscreen platform, shown, so the
// timed replot includes painting the widget.
//
//   QT_QPA_PLATFORM=offscreen build/bench/devirarav_bench_charts
//
// FillPlan: the core's points for the 14 series alone (an open). Open: clear
// and fill of the 14 series and the replot of the chart in front.
// RecolourTelemetry / RecolourCoordinates: an exclusion of 1,000 records
// (Ctrl+Y, Ctrl+C) with its chart in front. RefillTelemetry /
// RefillCoordinates: a time correction. Replot*: one chart redrawn alone.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <memory>
#include <vector>

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
    plan.xyLabels.clear();
    plan.xyOrgLabels.clear();
    dv::AppendFillPlan(g_charts->points, plan);
    benchmark::DoNotOptimize(plan.series[0].yData());
  }
}


void Stat(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Repetitions(20)->ReportAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

// Runs what the calls queued (the replot of the front chart) and draws it.
void Flush(TChart& front) {
  QCoreApplication::processEvents();
  front.repaint();
}

void BM_Open(benchmark::State& state) {
  Charts& c = *g_charts;
  for (auto _ : state) {
    c.arc.ClearCharts();
    c.arc.FillCharts(c.points);
    Flush(c.crd);
  }
}
BENCHMARK(BM_Open)->Apply(Stat);
BENCHMARK(BM_FillPlan)->Apply(Stat);

void BM_RecolourTelemetry(benchmark::State& state) {
  Charts& c = *g_charts;
  for (auto _ : state) {
    for (int k = 5000; k <= 5999; ++k) c.points.TuPoints[k].TExcluded = !c.points.TuPoints[k].TExcluded;
    c.arc.RecolourTelemetry(c.points.TuPoints, 5000, 5999);
    Flush(c.tlm);
  }
}
BENCHMARK(BM_RecolourTelemetry)->Apply(Stat);

void BM_RecolourCoordinates(benchmark::State& state) {
  Charts& c = *g_charts;
  for (auto _ : state) {
    for (int k = 5000; k <= 5999; ++k) c.points.CrdPoints[k].Excluded = !c.points.CrdPoints[k].Excluded;
    c.arc.RecolourCoordinates(c.points.CrdPoints, 5000, 5999);
    Flush(c.crd);
  }
}
BENCHMARK(BM_RecolourCoordinates)->Apply(Stat);

void BM_RefillTelemetry(benchmark::State& state) {
  Charts& c = *g_charts;
  for (auto _ : state) {
    c.arc.RefillTelemetry(c.points);
    Flush(c.tlm);
  }
}
BENCHMARK(BM_RefillTelemetry)->Apply(Stat);

void BM_RefillCoordinates(benchmark::State& state) {
  Charts& c = *g_charts;
  for (auto _ : state) {
    c.arc.RefillCoordinates(c.points);
    Flush(c.crd);
  }
}
BENCHMARK(BM_RefillCoordinates)->Apply(Stat);

void Replot(benchmark::State& state, TChart& chart) {
  for (auto _ : state) chart.replot(QCustomPlot::rpImmediateRefresh);
}
void BM_ReplotTelemetry(benchmark::State& state) { Replot(state, g_charts->tlm); }
void BM_ReplotCoordinates(benchmark::State& state) { Replot(state, g_charts->crd); }
void BM_ReplotTrajectory(benchmark::State& state) { Replot(state, g_charts->xy); }
BENCHMARK(BM_ReplotTelemetry)->Apply(Stat);
BENCHMARK(BM_ReplotCoordinates)->Apply(Stat);
BENCHMARK(BM_ReplotTrajectory)->Apply(Stat);

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

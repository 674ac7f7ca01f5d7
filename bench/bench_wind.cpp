// What the wind page adds to a coordinate edit (Ctrl+C), 20,000 records:
//   QT_QPA_PLATFORM=offscreen build/bench/devirarav_bench_wind
// BM_ComputeWind: the core's fits; BM_WindRefillHidden: the refill while another
// page is in front (the chart replots when shown); BM_WindRefillShown: the
// refill with the wind page in front, drawn. Goal: at most 3 ms per Ctrl+C.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>

#include "SampleAscent.h"
#include "charts/PointSeries.h"
#include "charts/TChart.h"
#include "wind/WindChart.h"

namespace {

constexpr double kRadToDeg = 57.29577951308232;

dv::CrdArray MakeTrack(int records) {
  dvtools::AscentSettings s;
  s.seed = 20000;
  s.points = records;
  s.step = 0.36;  // the two-hour ascent in 20,000 records
  dv::CrdArray crd(records);
  for (const dvtools::AscentPoint& a : dvtools::SimulateAscent(s)) {
    dv::CrdPoint c;
    c.Time = a.time;
    c.SR = a.SR;
    c.Az = a.Az * kRadToDeg;
    c.El = a.El * kRadToDeg;
    crd.Add(c);
  }
  return crd;
}

void Stat(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Repetitions(20)->ReportAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

void BM_ComputeWind(benchmark::State& state) {
  const dv::CrdArray crd = MakeTrack(20000);
  for (auto _ : state) benchmark::DoNotOptimize(dv::ComputeWind(crd, {}).data());
}
BENCHMARK(BM_ComputeWind)->Apply(Stat);

void Refill(benchmark::State& state, bool shown) {
  dv::CrdArray crd = MakeTrack(20000);
  TChart chart;
  chart.resize(600, 560);
  WindChart wind(&chart);
  if (shown) chart.show();
  dv::FlightPoints points;
  points.CrdPoints = std::move(crd);
  const dv::InitialData info;
  dv::FlightProducts products(points, info);
  wind.FillOriginal(products, false);
  wind.FillEdited(products);
  chart.replot(QCustomPlot::rpImmediateRefresh);
  int k = 5000;
  for (auto _ : state) {
    points.CrdPoints[k].Excluded = !points.CrdPoints[k].Excluded;  // a toggle, as Ctrl+C makes it
    dv::FlightChange change;
    change.TouchCrd(k, k);
    products.Changed(change);
    wind.FillEdited(products);
    QCoreApplication::processEvents();
    if (shown) chart.repaint();
  }
}
void BM_WindRefillHidden(benchmark::State& state) { Refill(state, false); }
void BM_WindRefillShown(benchmark::State& state) { Refill(state, true); }
BENCHMARK(BM_WindRefillHidden)->Apply(Stat);
BENCHMARK(BM_WindRefillShown)->Apply(Stat);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The suspect-point rules over a whole flight, as the window runs them after
// every edit: build/bench/devirarav_bench_check (goal: 100,000 records under 20 ms).
// A year of a station through devirarav-check: bench/check_year.sh (goal: under 3 s).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "SampleAscent.h"
#include "check/CheckRules.h"
#include "check/PhysicsRules.h"
#include "products/FlightProducts.h"

namespace {

constexpr double kRadToDeg = 57.29577951308232;

// A two-hour ascent of `records` records (more records, a shorter step), so
// that every size is a flight a balloon can make.
dv::FlightPoints MakeFlight(int records) {
  dvtools::AscentSettings s;
  s.seed = static_cast<std::uint32_t>(records);
  s.points = records;
  s.step = 7200.0 / records;
  dv::FlightPoints p;
  for (const dvtools::AscentPoint& a : dvtools::SimulateAscent(s)) {
    dv::TuPoint t;
    t.Time = static_cast<float>(a.time);
    t.T = static_cast<float>(a.T);
    t.U = static_cast<float>(a.U);
    p.TuPoints.Add(t);
    dv::CrdPoint c;
    c.Time = a.time;
    c.SR = a.SR;
    c.Az = a.Az * kRadToDeg;
    c.El = a.El * kRadToDeg;
    p.CrdPoints.Add(c);
  }
  return p;
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Each benchmark at the flight sizes given, in milliseconds, ten times, with the minimum.
void Sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> sizes) {
  for (int records : sizes) b->Arg(records);
  b->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true)->ComputeStatistics("min", Min);
}
void AllSizes(benchmark::internal::Benchmark* b) { Sizes(b, {7201, 20000, 100000, 1000000}); }

void BM_RunChecks(benchmark::State& state) {
  const dv::FlightPoints p = MakeFlight(static_cast<int>(state.range(0)));
  std::size_t findings = 0;
  for (auto _ : state) {
    const auto f = dv::RunChecks(p, dv::CheckThresholds{});
    findings = f.size();
    benchmark::DoNotOptimize(f.data());
  }
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_RunChecks)->Apply(AllSizes);

dv::InitialData StationInfo() {
  dv::InitialData info;
  info.OnGroundPressure = 1003.2;
  info.StationHeightAboveSeaLevel = 147;
  info.StationLattitude = 55.8f;
  return info;
}

// Every rule, the physics ones on the profile the products keep for the levels
// and the diagram: goal under 20 ms at 100,000 records. BM_RunAllChecks also
// makes the profile and the wind afresh, as a flight read without the window.
void BM_AllRulesOnTheProfile(benchmark::State& state) {
  const dv::FlightPoints p = MakeFlight(static_cast<int>(state.range(0)));
  const dv::InitialData info = StationInfo();
  dv::FlightProducts products(p, info);
  products.Changed(dv::FlightChange::Opened());
  const dv::Profile& profile = products.Sounding();
  std::size_t findings = 0;
  for (auto _ : state) {
    auto f = dv::RunChecks(p, dv::CheckThresholds{});
    for (const dv::Finding& x : dv::PhysicsChecks(profile, p.TuPoints, 147, 230, dv::CheckThresholds{})) f.push_back(x);
    findings = f.size();
    benchmark::DoNotOptimize(f.data());
  }
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_AllRulesOnTheProfile)->Apply(AllSizes);

void BM_RunAllChecks(benchmark::State& state) {
  const dv::FlightPoints p = MakeFlight(static_cast<int>(state.range(0)));
  const dv::InitialData info = StationInfo();
  for (auto _ : state) benchmark::DoNotOptimize(dv::RunAllChecks(p.TuPoints, p.CrdPoints, info, {}).data());
}
BENCHMARK(BM_RunAllChecks)->Apply(AllSizes);

// The findings again after a telemetry edit: the product set keeps the
// coordinates' part of the rules and runs only the telemetry's.
void BM_FindingsAfterTelemetryEdit(benchmark::State& state) {
  dv::FlightPoints p = MakeFlight(static_cast<int>(state.range(0)));
  const dv::InitialData info;
  dv::FlightProducts products(p, info);
  products.Changed(dv::FlightChange::Opened());
  benchmark::DoNotOptimize(products.Findings().data());
  const int row = p.TuPoints.Count() / 2;
  dv::FlightChange edit;
  edit.TouchTu(row, row);
  for (auto _ : state) {
    p.TuPoints[row].TExcluded = !p.TuPoints[row].TExcluded;
    products.Changed(edit);
    benchmark::DoNotOptimize(products.Findings().data());
  }
}
BENCHMARK(BM_FindingsAfterTelemetryEdit)->Apply(AllSizes);

// The profile and its levels again after a radar point is excluded (Ctrl+C):
// goal under 1 ms at 7,201 records and under 15 ms at 100,000.
void BM_LevelsAfterEdit(benchmark::State& state) {
  dv::FlightPoints p = MakeFlight(static_cast<int>(state.range(0)));
  const dv::InitialData info = StationInfo();
  dv::FlightProducts products(p, info);
  products.Changed(dv::FlightChange::Opened());
  benchmark::DoNotOptimize(products.Levels().data());
  const int row = p.CrdPoints.Count() / 2;
  dv::FlightChange edit;
  edit.TouchCrd(row, row);
  std::size_t levels = 0;
  for (auto _ : state) {
    p.CrdPoints[row].Excluded = !p.CrdPoints[row].Excluded;
    products.Changed(edit);
    levels = products.Levels().size();
  }
  state.counters["levels"] = static_cast<double>(levels);
}
BENCHMARK(BM_LevelsAfterEdit)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, {7201, 100000}); });

}  // namespace

BENCHMARK_MAIN();

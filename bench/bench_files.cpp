// Read and write rates of the .tu and .crd formats on 20,000-line files.
//
// The files are made at start from the synthetic ascent of tools/ (a two-hour
// ascent sampled every 0.36 s) and written with the program's own writers.
// They go to the folder named by --io_dir=PATH or $DEVIRARAV_BENCH_DIR, where
// they stay for other tools (bench/numpy_loadtxt.py) to read; without either
// they go to a temporary folder removed at exit.
//
// Per file: Read* = ReadTu/ReadCrd (file to points), Parse* = the same from
// bytes already in memory, Format* = points to text, WriteFile* = WriteTuFile/
// WriteCrdFile (text, temporary file, fsync, rename).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "SampleAscent.h"
#include "common/FileIO.h"
#include "flight/PointFiles.h"
#include "flight/Points.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLines = 20000;

struct BenchFiles {
  std::string tu;
  std::string crd;
  std::string tuOut;
  std::string crdOut;
  std::string tuBytes;
  std::string crdBytes;
};

BenchFiles g_files;

std::vector<dvtools::AscentPoint> Ascent() {
  dvtools::AscentSettings s;
  s.seed = 20000;
  s.points = kLines;
  s.step = 0.36;
  return dvtools::SimulateAscent(s);
}

bool Fail(const std::string& what, const dv::IoResult& r) {
  std::fprintf(stderr, "%s: %s\n", what.c_str(), r.error.c_str());
  return false;
}

bool PrepareFiles(const fs::path& dir) {
  dv::TuArray tu(kLines);
  dv::CrdArray crd(kLines);
  for (const dvtools::AscentPoint& a : Ascent()) {
    dv::TuPoint t;
    t.Time = static_cast<float>(a.time);
    t.T = static_cast<float>(a.T);
    t.U = static_cast<float>(a.U);
    tu.Add(t);
    dv::CrdPoint c;
    c.Time = a.time;
    c.SR = a.SR;
    c.Az = a.Az * dv::kRadToDeg;
    c.El = a.El * dv::kRadToDeg;
    crd.Add(c);
  }
  g_files.tu = (dir / "bench-20000.tu").string();
  g_files.crd = (dir / "bench-20000.crd").string();
  g_files.tuOut = (dir / "bench-out.tu").string();
  g_files.crdOut = (dir / "bench-out.crd").string();
  if (auto r = dv::WriteTuFile(g_files.tu, tu); !r) return Fail(g_files.tu, r);
  if (auto r = dv::WriteCrdFile(g_files.crd, crd); !r) return Fail(g_files.crd, r);
  if (auto r = dv::ReadFileBytes(g_files.tu, g_files.tuBytes); !r) return Fail(g_files.tu, r);
  if (auto r = dv::ReadFileBytes(g_files.crd, g_files.crdBytes); !r) return Fail(g_files.crd, r);
  return true;
}

void SetRates(benchmark::State& state, std::size_t bytes, int lines) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["lines"] = lines;
}

void BM_ReadTu(benchmark::State& state) {
  dv::TuArray points(kLines);
  for (auto _ : state) {
    dv::ReadTu(g_files.tu, points);
    benchmark::DoNotOptimize(points.Count());
  }
  SetRates(state, g_files.tuBytes.size(), points.Count());
}

void BM_ReadCrd(benchmark::State& state) {
  dv::CrdArray points(kLines);
  for (auto _ : state) {
    dv::ReadCrd(g_files.crd, points);
    benchmark::DoNotOptimize(points.Count());
  }
  SetRates(state, g_files.crdBytes.size(), points.Count());
}

void BM_ParseTu(benchmark::State& state) {
  dv::TuArray points(kLines);
  for (auto _ : state) {
    points.Clear();
    dv::ParseTu(g_files.tuBytes, points);
    benchmark::DoNotOptimize(points.Count());
  }
  SetRates(state, g_files.tuBytes.size(), points.Count());
}

void BM_ParseCrd(benchmark::State& state) {
  dv::CrdArray points(kLines);
  for (auto _ : state) {
    points.Clear();
    dv::ParseCrd(g_files.crdBytes, points);
    benchmark::DoNotOptimize(points.Count());
  }
  SetRates(state, g_files.crdBytes.size(), points.Count());
}

void BM_FormatTu(benchmark::State& state) {
  dv::TuArray points(kLines);
  dv::ParseTu(g_files.tuBytes, points);
  for (auto _ : state) {
    std::string text = dv::FormatTuLines(points);
    benchmark::DoNotOptimize(text.data());
  }
  SetRates(state, g_files.tuBytes.size(), points.Count());
}

void BM_FormatCrd(benchmark::State& state) {
  dv::CrdArray points(kLines);
  dv::ParseCrd(g_files.crdBytes, points);
  for (auto _ : state) {
    std::string text = dv::FormatCrdLines(points);
    benchmark::DoNotOptimize(text.data());
  }
  SetRates(state, g_files.crdBytes.size(), points.Count());
}

void BM_WriteFileTu(benchmark::State& state) {
  dv::TuArray points(kLines);
  dv::ParseTu(g_files.tuBytes, points);
  for (auto _ : state) {
    if (!dv::WriteTuFile(g_files.tuOut, points)) state.SkipWithError("cannot write");
  }
  SetRates(state, g_files.tuBytes.size(), points.Count());
}

void BM_WriteFileCrd(benchmark::State& state) {
  dv::CrdArray points(kLines);
  dv::ParseCrd(g_files.crdBytes, points);
  for (auto _ : state) {
    if (!dv::WriteCrdFile(g_files.crdOut, points)) state.SkipWithError("cannot write");
  }
  SetRates(state, g_files.crdBytes.size(), points.Count());
}

BENCHMARK(BM_ReadTu)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadCrd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseTu)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseCrd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormatTu)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormatCrd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteFileTu)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteFileCrd)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // Our one flag is taken out before the library checks the rest.
  std::string dirArg;
  if (const char* env = std::getenv("DEVIRARAV_BENCH_DIR")) dirArg = env;
  std::vector<char*> args;
  constexpr std::string_view kDirFlag = "--io_dir=";
  for (int i = 0; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (i > 0 && a.substr(0, kDirFlag.size()) == kDirFlag)
      dirArg = std::string(a.substr(kDirFlag.size()));
    else
      args.push_back(argv[i]);
  }
  int n = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&n, args.data());
  if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;

  fs::path dir;
  const bool temporary = dirArg.empty();
  std::error_code ec;
  if (temporary) {
    dir = fs::temp_directory_path() / ("devirarav-bench-" + std::to_string(std::random_device{}()));
    fs::remove_all(dir, ec);
  } else {
    dir = dirArg;
  }
  fs::create_directories(dir, ec);
  if (!PrepareFiles(dir)) return 1;

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  fs::remove(g_files.tuOut, ec);
  fs::remove(g_files.crdOut, ec);
  if (temporary) fs::remove_all(dir, ec);
  return 0;
}

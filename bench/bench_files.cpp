// Read and write rates of the .tu and .crd formats, at 2,000, 20,000, 200,000
// and 2,000,000 lines (the benchmark's argument).
//
// The files are made at start from the synthetic ascent of tools/ (a two-hour
// ascent, sampled as densely as the size needs) and written with the program's
// own writers, as bench-N.tu and bench-N.crd. They go to the folder named by
// --io_dir=PATH or $DEVIRARAV_BENCH_DIR, where they stay for other readers
// (bench/compare_readers.py) to read; without either they go to a temporary
// folder removed at exit.
//
// Per file: Read* = ReadTu/ReadCrd (file to points), ReadFloor* = reading the
// same file and finding its line ends (read + memchr: what no reader can beat),
// Parse* = the reader from bytes already in memory, Format* = points to text,
// WriteFile* = WriteTuFile/WriteCrdFile (text, temporary file, fsync, rename).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
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

constexpr int kSizes[] = {2000, 20000, 200000, 2000000};

struct Files {
  std::string tu, crd;  // paths
  std::size_t tuSize = 0, crdSize = 0;
};

std::map<int, Files> g_files;
std::string g_tuOut, g_crdOut;

bool Fail(const std::string& what, const dv::IoResult& r) {
  std::fprintf(stderr, "%s: %s\n", what.c_str(), r.error.c_str());
  return false;
}

bool PrepareFiles(const fs::path& dir) {
  for (int lines : kSizes) {
    dvtools::AscentSettings s;
    s.seed = 20000;
    s.points = lines;
    s.step = 7200.0 / lines;
    dv::TuArray tu(lines);
    dv::CrdArray crd(lines);
    for (const dvtools::AscentPoint& a : dvtools::SimulateAscent(s)) {
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
    Files& f = g_files[lines];
    f.tu = (dir / ("bench-" + std::to_string(lines) + ".tu")).string();
    f.crd = (dir / ("bench-" + std::to_string(lines) + ".crd")).string();
    if (auto r = dv::WriteTuFile(f.tu, tu); !r) return Fail(f.tu, r);
    if (auto r = dv::WriteCrdFile(f.crd, crd); !r) return Fail(f.crd, r);
    f.tuSize = fs::file_size(f.tu);
    f.crdSize = fs::file_size(f.crd);
  }
  g_tuOut = (dir / "bench-out.tu").string();
  g_crdOut = (dir / "bench-out.crd").string();
  return true;
}

void SetRates(benchmark::State& state, std::size_t bytes, int lines) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["lines"] = lines;
}

const Files& FilesOf(const benchmark::State& state) { return g_files.at(static_cast<int>(state.range(0))); }

void BM_ReadTu(benchmark::State& state) {
  const Files& f = FilesOf(state);
  dv::TuArray points;
  for (auto _ : state) {
    dv::ReadTu(f.tu, points);
    benchmark::DoNotOptimize(points.Count());
  }
  if (points.Count() != state.range(0)) state.SkipWithError("not every line was read");
  SetRates(state, f.tuSize, points.Count());
}

void BM_ReadCrd(benchmark::State& state) {
  const Files& f = FilesOf(state);
  dv::CrdArray points;
  for (auto _ : state) {
    dv::ReadCrd(f.crd, points);
    benchmark::DoNotOptimize(points.Count());
  }
  if (points.Count() != state.range(0)) state.SkipWithError("not every line was read");
  SetRates(state, f.crdSize, points.Count());
}

// The floor: the file's bytes read and its line ends found, nothing parsed.
void ReadFloor(benchmark::State& state, const std::string& path, std::size_t size) {
  std::string bytes;
  std::size_t lines = 0;
  for (auto _ : state) {
    if (!dv::ReadFileBytes(path, bytes)) state.SkipWithError("cannot read");
    lines = 0;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
      ++lines;
      ++p;
    }
    benchmark::DoNotOptimize(lines);
  }
  SetRates(state, size, static_cast<int>(lines));
}

void BM_ReadFloorTu(benchmark::State& state) { ReadFloor(state, FilesOf(state).tu, FilesOf(state).tuSize); }
void BM_ReadFloorCrd(benchmark::State& state) { ReadFloor(state, FilesOf(state).crd, FilesOf(state).crdSize); }

std::string BytesOf(const std::string& path) {
  std::string bytes;
  dv::ReadFileBytes(path, bytes);
  return bytes;
}

void BM_ParseTu(benchmark::State& state) {
  const std::string bytes = BytesOf(FilesOf(state).tu);
  dv::TuArray points;
  for (auto _ : state) {
    points.Clear();
    dv::ParseTu(bytes, points);
    benchmark::DoNotOptimize(points.Count());
  }
  SetRates(state, bytes.size(), points.Count());
}

void BM_ParseCrd(benchmark::State& state) {
  const std::string bytes = BytesOf(FilesOf(state).crd);
  dv::CrdArray points;
  for (auto _ : state) {
    points.Clear();
    dv::ParseCrd(bytes, points);
    benchmark::DoNotOptimize(points.Count());
  }
  SetRates(state, bytes.size(), points.Count());
}

void BM_FormatTu(benchmark::State& state) {
  dv::TuArray points;
  dv::ReadTu(FilesOf(state).tu, points);
  for (auto _ : state) {
    std::string text = dv::FormatTuLines(points);
    benchmark::DoNotOptimize(text.data());
  }
  SetRates(state, FilesOf(state).tuSize, points.Count());
}

void BM_FormatCrd(benchmark::State& state) {
  dv::CrdArray points;
  dv::ReadCrd(FilesOf(state).crd, points);
  for (auto _ : state) {
    std::string text = dv::FormatCrdLines(points);
    benchmark::DoNotOptimize(text.data());
  }
  SetRates(state, FilesOf(state).crdSize, points.Count());
}

void BM_WriteFileTu(benchmark::State& state) {
  dv::TuArray points;
  dv::ReadTu(FilesOf(state).tu, points);
  for (auto _ : state) {
    if (!dv::WriteTuFile(g_tuOut, points)) state.SkipWithError("cannot write");
  }
  SetRates(state, FilesOf(state).tuSize, points.Count());
}

void BM_WriteFileCrd(benchmark::State& state) {
  dv::CrdArray points;
  dv::ReadCrd(FilesOf(state).crd, points);
  for (auto _ : state) {
    if (!dv::WriteCrdFile(g_crdOut, points)) state.SkipWithError("cannot write");
  }
  SetRates(state, FilesOf(state).crdSize, points.Count());
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int lines : kSizes) b->Arg(lines);
  b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_ReadTu)->Apply(Sizes);
BENCHMARK(BM_ReadCrd)->Apply(Sizes);
BENCHMARK(BM_ReadFloorTu)->Apply(Sizes);
BENCHMARK(BM_ReadFloorCrd)->Apply(Sizes);
BENCHMARK(BM_ParseTu)->Apply(Sizes);
BENCHMARK(BM_ParseCrd)->Apply(Sizes);
BENCHMARK(BM_FormatTu)->Apply(Sizes);
BENCHMARK(BM_FormatCrd)->Apply(Sizes);
BENCHMARK(BM_WriteFileTu)->Apply(Sizes);
BENCHMARK(BM_WriteFileCrd)->Apply(Sizes);

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

  fs::remove(g_tuOut, ec);
  fs::remove(g_crdOut, ec);
  if (temporary) fs::remove_all(dir, ec);
  return 0;
}

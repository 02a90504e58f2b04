// LoadGDA and SaveGDA on a generated table of 200,000 rows by 50 columns of
// mixed types (int, float, string with repeats, bool, resource), and the
// check for texts Save would store as 0. Counters:
// cells per second, file size, and the process's peak memory (ru_maxrss).
// The load runs first, in a process that never held the generated table (a
// child process writes the file), so its peak is the load's own.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "bench_support.h"
#include "gff/g2da.h"
#include "gff/g2da_values.h"
#include "grid/cell_table.h"
#include "text/number_text.h"

using namespace tessary;

namespace {

constexpr int kRows = 200000;
constexpr int kCols = 50;

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() /
         ("tessary_bench_gff_" + std::to_string(::getpid()) + ".gda");
}

void FillTable(TCellTable& t) { bench::FillMixedTable(t, kRows, kCols); }

// Writes the bench file from a child process, so that this process never
// holds the generated table before the load is measured.
bool WriteFileInChild(const std::filesystem::path& path) {
  const pid_t child = fork();
  if (child == 0) {
    TCellTable t;
    FillTable(t);
    _exit(SaveGDA(t, path) ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void AddCounters(benchmark::State& state) {
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(BenchFile())) / 1e6;
  state.counters["peak_MB"] = bench::PeakMB();
}

void BM_LoadGDA(benchmark::State& state) {
  if (!std::filesystem::exists(BenchFile()) && !WriteFileInChild(BenchFile())) {
    state.SkipWithError("cannot write the bench file");
    return;
  }
  for (auto _ : state) {
    auto t = std::make_unique<TCellTable>();
    benchmark::DoNotOptimize(LoadGDA(*t, BenchFile()));
    // Freeing the table is the cell table's cost, not the load's.
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  AddCounters(state);
}

void BM_SaveGDA(benchmark::State& state) {
  TCellTable t;
  FillTable(t);
  for (auto _ : state) benchmark::DoNotOptimize(SaveGDA(t, BenchFile()));
  AddCounters(state);
}

// The window's check before Save for texts that would be stored as 0.
void BM_FindUnstorableCells(benchmark::State& state) {
  TCellTable t;
  FillTable(t);
  for (auto _ : state) benchmark::DoNotOptimize(FindUnstorableCells(t).Count);
}

BENCHMARK(BM_LoadGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindUnstorableCells)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(BenchFile());
  return 0;
}

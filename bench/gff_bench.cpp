// LoadGDA and SaveGDA on a generated table of 200,000 rows by 50 columns of
// mixed types. Prints the file size and the peak memory after the runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "gff/g2da.h"
#include "gff/number_text.h"
#include "grid/cell_table.h"

using namespace tessary;

namespace {

constexpr int kRows = 200000;
constexpr int kCols = 50;

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / "tessary_bench_gff.gda";
}

void FillTable(TCellTable& t) {
  static const char16_t* kTypes[] = {u"int", u"float", u"string", u"bool", u"resource"};
  std::mt19937 rng(7);
  t.SetColCount(kCols);
  t.SetRowCount(kRows + 2);
  for (int c = 0; c < kCols; ++c) {
    t.SetCells(c, 0, u"Column" + FormatInteger(c));
    t.SetCells(c, 1, kTypes[c % 5]);
  }
  for (int r = 2; r < kRows + 2; ++r) {
    for (int c = 0; c < kCols; ++c) {
      switch (c % 5) {
        case 0:
          t.SetCells(c, r, FormatInteger(static_cast<int32_t>(rng() % 100000)));
          break;
        case 1:
          t.SetCells(c, r, FormatReal(static_cast<float>(rng() % 100000) / 64.0f));
          break;
        case 2:
          t.SetCells(c, r, u"text " + FormatInteger(static_cast<int32_t>(rng() % 5000)));
          break;
        case 3:
          t.SetCells(c, r, rng() % 2 ? u"1" : u"0");
          break;
        default:
          t.SetCells(c, r, u"res_" + FormatInteger(static_cast<int32_t>(r)));
          break;
      }
    }
  }
}

const TCellTable& Table() {
  static TCellTable* table = [] {
    auto* t = new TCellTable;
    FillTable(*t);
    SaveGDA(*t, BenchFile());
    return t;
  }();
  return *table;
}

void BM_SaveGDA(benchmark::State& state) {
  const TCellTable& t = Table();
  for (auto _ : state) SaveGDA(t, BenchFile());
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(BenchFile())) / 1e6;
}

void BM_LoadGDA(benchmark::State& state) {
  Table();
  for (auto _ : state) {
    TCellTable t;
    benchmark::DoNotOptimize(LoadGDA(t, BenchFile()));
  }
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_SaveGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadGDA)->Unit(benchmark::kMillisecond)->Iterations(3);

double PeakMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

// "--load FILE" loads one table in a fresh process and prints the time and
// the peak memory of the load alone; "--write FILE" writes the generated
// table there.
int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--write") {
    TCellTable t;
    FillTable(t);
    return SaveGDA(t, argv[2]) ? 0 : 1;
  }
  if (argc == 3 && std::string(argv[1]) == "--load") {
    const auto start = std::chrono::steady_clock::now();
    TCellTable t;
    const bool ok = LoadGDA(t, argv[2]);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("load %s: %.3f s, %d x %d cells, peak memory %.0f MB\n", ok ? "ok" : "FAILED",
                seconds, t.ColCount(), t.RowCount(), PeakMB());
    return ok ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("peak memory: %.0f MB (the generated table held in memory plus one loaded copy)\n",
              PeakMB());
  std::filesystem::remove(BenchFile());
  return 0;
}

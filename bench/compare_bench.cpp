// Comparison and three-way merge of the distinct-text table (200,000 rows x
// 50 columns) against copies that differ in 1,000 cells and 100 rows.
//
//   bench_compare --write DIR   writes base.gda, other.gda (1,000 cells
//                               changed, 50 rows removed, 50 added), ours.gda
//                               and theirs.gda (each 500 cells changed, 25
//                               rows removed and 25 added, on rows the other
//                               leaves alone) for timing tessary-cli diff
//                               and merge (bench/compare.sh)
//   bench_compare               times TTableComparison and MergeTables on
//                               the tables in memory, loading excluded
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>

#include "bench_support.h"
#include "compare/table_compare.h"
#include "compare/table_merge.h"
#include "distinct_table.h"
#include "distinct_variant.h"
#include "gff/g2da.h"
#include "table/cell_table.h"

using namespace tessary;

namespace {

constexpr int kRows = 200000;

void MakeVariant(TCellTable& t, char which) {
  bench::FillDistinctTextTable(t, kRows);
  if (which == 'o') bench::VaryDistinctTable(t, 1, 1000, 50, 50, 300001, 0);
  if (which == 'u') bench::VaryDistinctTable(t, 2, 500, 25, 25, 400001, 0);
  if (which == 't') bench::VaryDistinctTable(t, 3, 500, 25, 25, 500001, 1);
}

int WriteFiles(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  for (auto [which, name] : {std::pair{'b', "base.gda"}, std::pair{'o', "other.gda"},
                             std::pair{'u', "ours.gda"}, std::pair{'t', "theirs.gda"}}) {
    TCellTable t;
    MakeVariant(t, which);
    if (!SaveGDA(t, dir / name)) return 1;
    std::cout << (dir / name).string() << '\n';
  }
  return 0;
}

void BM_CompareTables(benchmark::State& state) {
  TCellTable a, b;
  MakeVariant(a, 'b');
  MakeVariant(b, 'o');
  for (auto _ : state) {
    TTableComparison comparison(a, b);
    benchmark::DoNotOptimize(comparison.ChangedCells().size());
  }
  state.counters["peak_MB"] = bench::PeakMB();
}
BENCHMARK(BM_CompareTables)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeTables(benchmark::State& state) {
  TCellTable base, theirs;
  MakeVariant(base, 'b');
  MakeVariant(theirs, 't');
  for (auto _ : state) {
    state.PauseTiming();
    auto ours = std::make_unique<TCellTable>();
    MakeVariant(*ours, 'u');
    state.ResumeTiming();
    TMergeReport report;
    benchmark::DoNotOptimize(MergeTables(base, *ours, theirs, report).Ok);
    state.PauseTiming();
    ours.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = bench::PeakMB();
}
BENCHMARK(BM_MergeTables)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return WriteFiles(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

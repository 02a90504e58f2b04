// Find on the large table, 200,000 data rows by 50 columns of mixed types in
// Editor mode: from the first data cell to a text only the last cell holds,
// so every cell is looked at once, and a text no cell holds, which goes all
// the way round. Replace all of a text that a few hundred cells hold. Then
// a text no cell holds on the distinct-text table as read from its file.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_support.h"
#include "distinct_table.h"
#include "gff/g2da.h"
#include "grid/find_replace.h"
#include "table/cell_table.h"

using namespace tessary;

namespace {

constexpr int32_t kRows = 200000;
constexpr int32_t kCols = 50;

TCellTable& Table() {
  static TCellTable* table = [] {
    auto* t = new TCellTable;
    bench::FillMixedTable(*t, kRows, kCols);
    t->SetCells(kCols - 1, t->RowCount() - 1, u"Needle in the LAST cell");
    t->SetFixedRows(2);
    return t;
  }();
  return *table;
}

void FindToLastCell(benchmark::State& state, TFindOptions options) {
  const TCellTable& t = Table();
  for (auto _ : state) {
    const auto found = FindNext(t, options, {0, 2});
    if (!found || found->Cell != TGridCoord{kCols - 1, t.RowCount() - 1}) {
      state.SkipWithError("not found in the last cell");
    }
  }
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FindToLastCell_MatchCase(benchmark::State& state) {
  FindToLastCell(state, {u"LAST cell", true, false});
}
void BM_FindToLastCell_AnyCase(benchmark::State& state) {
  FindToLastCell(state, {u"last CELL", false, false});
}
void BM_FindToLastCell_WholeCellAnyCase(benchmark::State& state) {
  FindToLastCell(state, {u"needle in the last cell", false, true});
}

void BM_FindNothing_AnyCase(benchmark::State& state) {
  const TCellTable& t = Table();
  for (auto _ : state) benchmark::DoNotOptimize(FindNext(t, {u"haystack", false, false}, {0, 2}));
}

void BM_ReplaceAll_AnyCase(benchmark::State& state) {
  const TCellTable& t = Table();
  size_t count = 0;
  for (auto _ : state) count = ReplaceAll(t, {u"TEXT 4999", false, true}, u"replaced").size();
  state.counters["cells"] = static_cast<double>(count);
}

void BM_FindNothing_DistinctTable(benchmark::State& state) {
  static TCellTable* table = [] {
    const auto path = std::filesystem::temp_directory_path() / "tessary_bench_find.gda";
    auto* loaded = new TCellTable;
    {
      TCellTable t;
      bench::FillDistinctTextTable(t);
      if (!SaveGDA(t, path)) return loaded;
    }
    LoadGDA(*loaded, path);
    std::filesystem::remove(path);
    loaded->SetFixedRows(2);
    return loaded;
  }();
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindNext(*table, {u"haystack", false, false}, {0, 2}));
  }
}

BENCHMARK(BM_FindToLastCell_MatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindToLastCell_AnyCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindToLastCell_WholeCellAnyCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothing_AnyCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAll_AnyCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothing_DistinctTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

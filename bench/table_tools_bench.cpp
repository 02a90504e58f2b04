// The table tools on the distinct-text table: 200,000 data rows by 50
// columns (an ID column, then Col01..Col49 whose types cycle int, float,
// string, bool, every tenth a resource column), generated with a fixed seed
// and never stored. Sort by a string and by an int column, undo of a sort,
// a filter applied and cleared, and the checks of `tessary-cli check` and of
// the question before saving. "--memory" prints what the history holds
// after a sort; "--save FILE" writes the table file, for timing
// `tessary-cli check` on it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "bench_support.h"
#include "distinct_table.h"
#include "gff/g2da.h"
#include "gff/table_check.h"
#include "grid/grid_controller.h"
#include "grid/table_tools.h"
#include "text/utf16.h"

using namespace tessary;

namespace {

constexpr int32_t kRows = 200000;
constexpr int32_t kIntCol = 1;
constexpr int32_t kStringCol = 3;

// The distinct-text table with its names and types rows fixed.
void FillDistinctTextTable(TCellTable& t) {
  bench::FillDistinctTextTable(t, kRows);
  t.SetFixedRows(2);
}

class TNoView : public TGridViewPort {
 public:
  void InvalidateRect(const TPixelRect&) override {}
  void InvalidateAll() override {}
  void LayoutChanged() override {}
  bool HasFocus() const override { return true; }
  void SetAutoScroll(bool) override {}
  int32_t TextWidth(std::u16string_view text, bool) const override {
    return static_cast<int32_t>(text.size()) * 7;
  }
  TInplaceEditorPort& Editor() override { std::abort(); }
};

struct TRig {
  TCellTable Table;
  TNoView View;
  TGridController Grid{Table, View};
  TRig() {
    Grid.SetClientSize({1000, 700});
    FillDistinctTextTable(Table);
  }
};

TRig& Rig() {
  static TRig* rig = new TRig;
  return *rig;
}

// Sorts, then (untimed) takes the sort back, so that every run sorts the
// generated order.
void SortBy(benchmark::State& state, int32_t col) {
  TRig& rig = Rig();
  for (auto _ : state) {
    if (!SortRows(rig.Grid, col, TSortOrder::soAscending, "en_US")) {
      state.SkipWithError("nothing sorted");
    }
    state.PauseTiming();
    rig.Grid.Undo();
    state.ResumeTiming();
  }
}

void BM_SortByStringColumn(benchmark::State& state) { SortBy(state, kStringCol); }
void BM_SortByIntColumn(benchmark::State& state) { SortBy(state, kIntCol); }

void BM_UndoSort(benchmark::State& state) {
  TRig& rig = Rig();
  for (auto _ : state) {
    state.PauseTiming();
    SortRows(rig.Grid, kStringCol, TSortOrder::soDescending, "en_US");
    state.ResumeTiming();
    rig.Grid.Undo();
  }
}

// "contains phoenix" in a string column: about a fifth of the rows.
void BM_ApplyFilter(benchmark::State& state) {
  TRig& rig = Rig();
  for (auto _ : state) {
    rig.Grid.ApplyFilter({{kStringCol, TFilterMatch::fmContains, u"PHOENIX"}});
    state.PauseTiming();
    state.counters["shown"] = rig.Grid.Filter().ShownDataRows(rig.Table);
    rig.Grid.ClearFilter();
    state.ResumeTiming();
  }
}

void BM_ClearFilter(benchmark::State& state) {
  TRig& rig = Rig();
  for (auto _ : state) {
    state.PauseTiming();
    rig.Grid.ApplyFilter({{kStringCol, TFilterMatch::fmContains, u"PHOENIX"}});
    state.ResumeTiming();
    rig.Grid.ClearFilter();
  }
}

// What `tessary-cli check` does after loading the table.
void BM_FileCheck(benchmark::State& state) {
  const TCellTable& t = Rig().Table;
  const std::vector<TCheckKind> kinds(std::begin(kTableFileCheckKinds),
                                      std::end(kTableFileCheckKinds));
  for (auto _ : state) {
    size_t found = 0;
    ForEachCheckCase(t, kinds, [&](const TCheckCase&) { ++found; });
    benchmark::DoNotOptimize(found);
  }
}

// The question before saving, with its pass over every numeric cell.
void BM_CheckBeforeSave(benchmark::State& state) {
  const TCellTable& t = Rig().Table;
  for (auto _ : state) benchmark::DoNotOptimize(CheckBeforeSave(t));
}

// A fixed number of runs: each also spends untimed work as long as the
// timed one, which the automatic count would repeat hundreds of times.
BENCHMARK(BM_SortByStringColumn)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByIntColumn)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UndoSort)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ApplyFilter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ClearFilter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FileCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckBeforeSave)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--memory") == 0) {
    TRig& rig = Rig();
    const size_t before = rig.Grid.History().MemoryBytes();
    SortRows(rig.Grid, kStringCol, TSortOrder::soAscending, "en_US");
    std::printf("history after a sort of %d rows: %zu bytes; peak %.0f MiB\n", kRows,
                rig.Grid.History().MemoryBytes() - before, bench::PeakMB());
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--save") == 0) {
    TCellTable t;
    FillDistinctTextTable(t);
    return SaveGDA(t, argv[2]) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

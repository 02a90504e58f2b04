// The cell table at the size of a large game table: 200,000 rows by 50
// columns, 10 million short texts. Measures filling in both orders the table
// reader and Paste use, sequential reading, and one row inserted and removed
// near the top. "--memory rows|cols" fills one table in a fresh process and
// prints the time and the peak memory of that alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "grid/cell_table.h"

using namespace tessary;

namespace {

constexpr int32_t kRows = 200000;
constexpr int32_t kCols = 50;

// Short number-like texts as the table files mostly hold (they fit the
// string's inline buffer, as most real values do).
std::u16string CellText(int32_t col, int32_t row) {
  std::u16string s;
  uint32_t v = static_cast<uint32_t>(row) * 31u + static_cast<uint32_t>(col);
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
    v /= 10;
  } while (v != 0);
  return s;
}

// Column by column, every row within a column: the table reader's order.
void FillByColumns(TCellTable& t) {
  t.SetColCount(kCols);
  t.SetRowCount(kRows);
  for (int32_t c = 0; c < kCols; ++c)
    for (int32_t r = 0; r < kRows; ++r) t.SetCells(c, r, CellText(c, r));
}

// Row by row, left to right: the order of Paste and of the text import.
void FillByRows(TCellTable& t) {
  t.SetColCount(kCols);
  t.SetRowCount(kRows);
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kCols; ++c) t.SetCells(c, r, CellText(c, r));
}

void BM_FillByColumns(benchmark::State& state) {
  for (auto _ : state) {
    TCellTable t;
    FillByColumns(t);
    benchmark::DoNotOptimize(t.StoredCellCount());
  }
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FillByRows(benchmark::State& state) {
  for (auto _ : state) {
    TCellTable t;
    FillByRows(t);
    benchmark::DoNotOptimize(t.StoredCellCount());
  }
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
}

TCellTable& Filled() {
  static TCellTable* table = [] {
    auto* t = new TCellTable;
    FillByColumns(*t);
    return t;
  }();
  return *table;
}

void BM_ReadByRows(benchmark::State& state) {
  const TCellTable& t = Filled();
  for (auto _ : state) {
    size_t total = 0;
    for (int32_t r = 0; r < kRows; ++r)
      for (int32_t c = 0; c < kCols; ++c) total += t.Cells(c, r).size();
    benchmark::DoNotOptimize(total);
  }
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReadByColumns(benchmark::State& state) {
  const TCellTable& t = Filled();
  for (auto _ : state) {
    size_t total = 0;
    for (int32_t c = 0; c < kCols; ++c)
      for (int32_t r = 0; r < kRows; ++r) total += t.Cells(c, r).size();
    benchmark::DoNotOptimize(total);
  }
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
}

// The [Ins] and [Del] keys on row 2: both cost in proportion to the rows below.
void BM_InsertAndDropRowNearTop(benchmark::State& state) {
  TCellTable& t = Filled();
  for (auto _ : state) {
    t.InsertRows(2, 1);
    t.DropRows(2, 1);
  }
}

BENCHMARK(BM_FillByColumns)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FillByRows)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadByRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadByColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertAndDropRowNearTop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--memory") {
    const bool byRows = std::string(argv[2]) == "rows";
    const auto start = std::chrono::steady_clock::now();
    TCellTable t;
    byRows ? FillByRows(t) : FillByColumns(t);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fill by %s: %.3f s, %zu cells, peak memory %.0f MB\n", byRows ? "rows" : "columns",
                seconds, t.StoredCellCount(), bench::PeakMB());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

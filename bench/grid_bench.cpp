// The cell table at the size of a large game table: 200,000 rows by 50
// columns, 10 million short texts. Measures filling in both orders the table
// reader and Paste use, sequential reading, one row inserted and removed
// near the top, and undo of a large Paste and of an Apply Change that
// empties a column. "--memory rows|cols" fills one table in a fresh process
// and prints the time and the peak memory of that alone; "--memory history"
// prints what the edit history holds after 1,000 cell edits.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "grid/clipboard_text.h"
#include "table/cell_table.h"
#include "table/edit_history.h"

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

// A mixed table of 200,000 data rows, shared by the undo benchmarks.
TCellTable& Mixed() {
  static TCellTable* table = [] {
    auto* t = new TCellTable;
    bench::FillMixedTable(*t, kRows, kCols);
    return t;
  }();
  return *table;
}

// Paste as the grid records it: each cell before it is written, then the
// rows the paste added.
void RecordedPaste(TEditHistory& history, TCellTable& t, const std::u16string& text) {
  TEditHistory::TStepScope step(history);
  const int32_t rows = t.RowCount();
  PasteText(t, text, 0, 2, [&](int32_t col, int32_t row, std::u16string& value, bool&) {
    history.RecordCell(col, row, t.Cells(col, row), value);
  });
  history.RecordRowCount(rows, t.RowCount());
}

// Undo of a Paste of 10,000 rows by 50 columns over the table's first rows.
void BM_UndoPaste(benchmark::State& state) {
  TCellTable& t = Mixed();
  TEditHistory history(t);
  std::u16string text;
  for (int32_t r = 0; r < 10000; ++r) {
    for (int32_t c = 0; c < kCols; ++c) text += (c ? u"\t" : u"") + CellText(c, r + 7);
    text += u"\r\n";
  }
  for (auto _ : state) {
    state.PauseTiming();
    RecordedPaste(history, t, text);
    state.ResumeTiming();
    history.Undo();
  }
  state.counters["step MB"] = static_cast<double>(history.MemoryBytes()) / (1 << 20);
}

// Undo of Apply Change from 50 to 49 columns: the step holds the one column
// it emptied.
void BM_UndoApplyChange(benchmark::State& state) {
  TCellTable& t = Mixed();
  TEditHistory history(t);
  for (auto _ : state) {
    state.PauseTiming();
    {
      TEditHistory::TStepScope step(history);
      history.ClearCols(kCols - 1, kCols);
      history.SetColCount(kCols - 1);
    }
    state.ResumeTiming();
    history.Undo();
  }
  state.counters["step MB"] = static_cast<double>(history.MemoryBytes()) / (1 << 20);
}

BENCHMARK(BM_FillByColumns)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FillByRows)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadByRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadByColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertAndDropRowNearTop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoPaste)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UndoApplyChange)->Unit(benchmark::kMillisecond)->Iterations(5);

// 1,000 cell edits as typed into the grid (texts of 1 to 12 characters over
// cells holding short texts): what the history holds, and what the process
// grew by.
int HistoryMemory() {
  TCellTable t;
  bench::FillMixedTable(t, kRows, kCols);
  const double before = bench::PeakMB();
  TEditHistory history(t);
  for (int32_t i = 0; i < 1000; ++i) {
    const int32_t row = 2 + (i * 7919) % kRows;
    history.SetCells(i % kCols, row, std::u16string(static_cast<size_t>(1 + i % 12), u'7'));
  }
  std::printf("1,000 edits: %zu steps, history holds %.1f KB; peak memory %.0f MB -> %.0f MB\n",
              history.StepCount(), static_cast<double>(history.MemoryBytes()) / 1024.0, before,
              bench::PeakMB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--memory" && std::string(argv[2]) == "history") {
    return HistoryMemory();
  }
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

// Exporting a table of 65,536 rows by 20 columns of mixed types (integers,
// floats, short strings half of them repeated, Booleans) to a new workbook,
// and again onto the workbook written. bench/export_vs_xlwt.py times the
// same through tessary-cli beside another writer.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "bench_support.h"
#include "exchange/grid_xls_io.h"
#include "exchange/table_export.h"
#include "table/cell_table.h"
#include "text/number_text.h"
#include "xls/workbook_file.h"

using namespace tessary;

namespace {

constexpr int kRows = 65536;
constexpr int kCols = 20;

void Fill(TCellTable& t) {
  std::mt19937 rng(5);
  t.SetColCount(kCols);
  t.SetRowCount(kRows);
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      switch (c % 4) {
        case 0:
          t.SetCells(c, r, FormatInteger(static_cast<int32_t>(rng() % 1000000)));
          break;
        case 1:
          t.SetCells(c, r, FormatReal(static_cast<float>(rng() % 100000) / 8.0f));
          break;
        case 2:
          t.SetCells(c, r,
                     rng() % 2 ? u"repeat " + FormatInteger(static_cast<int32_t>(rng() % 100))
                               : u"unique " + FormatInteger(r * kCols + c));
          break;
        default:
          t.SetCells(c, r, rng() % 2 ? u"TRUE" : u"FALSE");
          break;
      }
    }
  }
}

void BM_ExportNewWorkbook(benchmark::State& state) {
  TCellTable t;
  Fill(t);
  const auto path = std::filesystem::temp_directory_path() / "tessary_bench_export.xls";
  TGridXlsIO io;
  io.ApplyWindowSettings(t);
  for (auto _ : state) {
    std::filesystem::remove(path);
    io.XLSExport(path, u"bench", -1, 1, InsertInSheet_Clear);
  }
  state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak MB"] = bench::PeakMB();
  std::filesystem::remove(path);
}

BENCHMARK(BM_ExportNewWorkbook)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same cells as a table of the editor (names and types in rows 0 and
// 1, Booleans as 0 and 1), as a game table is exported.
void FillTyped(TCellTable& t) {
  Fill(t);
  const char16_t* types[] = {u"int", u"float", u"string", u"bool"};
  for (int c = 0; c < kCols; ++c) {
    t.SetCells(c, 0, u"Column" + FormatInteger(c));
    t.SetCells(c, 1, types[c % 4]);
    if (c % 4 == 3) {
      for (int r = 2; r < kRows; ++r) t.SetCells(c, r, t.Cells(c, r) == u"TRUE" ? u"1" : u"0");
    }
  }
}

// The typed table through the export function of the window and
// tessary-cli: every data cell is stored by its column's type.
void BM_ExportTypedTable(benchmark::State& state) {
  TCellTable t;
  FillTyped(t);
  const auto path = std::filesystem::temp_directory_path() / "tessary_bench_export_typed.xls";
  for (auto _ : state) {
    std::filesystem::remove(path);
    if (!ExportTableToWorkbook(t, path, u"bench").Ok) state.SkipWithError("export failed");
  }
  state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak MB"] = bench::PeakMB();
  std::filesystem::remove(path);
}

BENCHMARK(BM_ExportTypedTable)->Unit(benchmark::kMillisecond)->Iterations(3);

// The export again onto the workbook it wrote: the workbook is opened, its
// sheet of that name refilled, and saved. The open alone is timed apart.
void BM_ExportTypedTableOverItsWorkbook(benchmark::State& state) {
  TCellTable t;
  FillTyped(t);
  const auto path = std::filesystem::temp_directory_path() / "tessary_bench_export_again.xls";
  std::filesystem::remove(path);
  if (!ExportTableToWorkbook(t, path, u"bench").Ok) state.SkipWithError("export failed");
  double openSeconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    {
      TWorkbookFile book(TRegionalSettings{});
      book.Connect();
      book.OpenFile(path);
      benchmark::DoNotOptimize(book.SheetCount());
    }
    openSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!ExportTableToWorkbook(t, path, u"bench").Ok) state.SkipWithError("export failed");
  }
  state.counters["open_ms"] = 1000 * openSeconds / static_cast<double>(state.iterations());
  state.counters["peak MB"] = bench::PeakMB();
  std::filesystem::remove(path);
}

BENCHMARK(BM_ExportTypedTableOverItsWorkbook)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

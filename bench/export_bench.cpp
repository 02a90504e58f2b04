// Exporting a table of 65,536 rows by 20 columns of mixed types (integers,
// floats, short strings half of them repeated, Booleans) to a new workbook.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "bench_support.h"
#include "grid/cell_table.h"
#include "text/number_text.h"
#include "xls/grid_xls_io.h"

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

}  // namespace

BENCHMARK_MAIN();

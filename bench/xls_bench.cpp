// A workbook of 65,536 rows by 20 columns (integers, floats, short strings of
// which half repeat, Booleans) built through the workbook file and saved,
// then opened again. Counters: cells per second, file size and the
// process's peak memory (ru_maxrss, KiB).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "text/utf16.h"
#include "xls/workbook_file.h"

using namespace tessary;

namespace {

constexpr int kRows = 65536;
constexpr int kCols = 20;

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() /
         ("tessary_bench_xls_" + std::to_string(::getpid()) + ".xls");
}

void Fill(TWorkbookFile& book) {
  for (int r = 1; r <= kRows; ++r) {
    for (int c = 1; c <= kCols; ++c) {
      TXlsCellValue value;
      switch (c % 4) {
        case 0:
          value.Value = static_cast<double>(r * 31 + c);
          break;
        case 1:
          value.Value = r / 7.0 + c;
          break;
        case 2:
          // Half of the strings repeat across the sheet, half are unique.
          value.Value = (r % 2 == 0) ? u"item " + Ascii16(std::to_string(c))
                                     : u"row " + Ascii16(std::to_string(r * kCols + c));
          break;
        default:
          value.Value = (r + c) % 3 == 0;
          break;
      }
      book.SetCellValue(r, c, value);
    }
  }
}

void BM_BuildAndSave(benchmark::State& state) {
  const auto path = BenchFile();
  double fillSeconds = 0, saveSeconds = 0;
  for (auto _ : state) {
    std::filesystem::remove(path);
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    book.NewFile(1);
    const auto t0 = std::chrono::steady_clock::now();
    Fill(book);
    const auto t1 = std::chrono::steady_clock::now();
    book.Save(path);
    const auto t2 = std::chrono::steady_clock::now();
    fillSeconds += std::chrono::duration<double>(t1 - t0).count();
    saveSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["fill_ms"] = 1000 * fillSeconds / static_cast<double>(state.iterations());
  state.counters["save_ms"] = 1000 * saveSeconds / static_cast<double>(state.iterations());
  state.counters["cells/s"] = benchmark::Counter(static_cast<double>(kRows) * kCols,
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  state.counters["peak_KiB"] = bench::PeakMB() * 1024.0;
}

void BM_Open(benchmark::State& state) {
  const auto path = BenchFile();
  if (!std::filesystem::exists(path)) {
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    book.NewFile(1);
    Fill(book);
    book.Save(path);
  }
  for (auto _ : state) {
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    book.OpenFile(path);
    benchmark::DoNotOptimize(book.SheetCount());
  }
  state.counters["cells/s"] = benchmark::Counter(static_cast<double>(kRows) * kCols,
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_KiB"] = bench::PeakMB() * 1024.0;
  std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_BuildAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

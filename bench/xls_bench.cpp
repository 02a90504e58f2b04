// A workbook of 65,536 rows by 20 columns (integers, floats, short strings of
// which half repeat, Booleans) built through the workbook file and saved,
// then opened again. Counters: cells per second, file size and the
// process's peak memory (ru_maxrss, KiB).
//
// First, the largest sheet a workbook can hold as an existing target: 65,536
// rows by 256 formatted blank cells, written as MULBLANK records (a 34 MB
// file), opened and saved again. A child process writes the file, so the
// peak memory of this process is that of the open and the save (run this
// benchmark alone, --benchmark_filter=FormattedBlanks, for that figure).
#include <benchmark/benchmark.h>
#include <sys/wait.h>
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

std::filesystem::path BlanksFile() {
  return std::filesystem::temp_directory_path() /
         ("tessary_bench_blanks_" + std::to_string(::getpid()) + ".xls");
}

// Every cell of the sheet in XF 21, a format of its own: a BLANK record for
// each, joined into one MULBLANK per row.
bool WriteBlanksInChild(const std::filesystem::path& path) {
  const pid_t child = fork();
  if (child == 0) {
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    book.NewFile(1);
    TXlsCellValue blank;
    blank.XF = 21;
    for (int r = 1; r <= kRows; ++r) {
      for (int c = 1; c <= 256; ++c) book.SetCellValue(r, c, blank);
    }
    book.Save(path);
    _exit(0);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void BM_OpenAndSaveFormattedBlanks(benchmark::State& state) {
  const auto path = BlanksFile();
  if (!WriteBlanksInChild(path)) {
    state.SkipWithError("cannot write the bench file");
    return;
  }
  const auto again = path.string() + ".again.xls";
  double openSeconds = 0, saveSeconds = 0;
  for (auto _ : state) {
    std::filesystem::remove(again);
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    const auto t0 = std::chrono::steady_clock::now();
    book.OpenFile(path);
    const auto t1 = std::chrono::steady_clock::now();
    book.Save(again);
    const auto t2 = std::chrono::steady_clock::now();
    openSeconds += std::chrono::duration<double>(t1 - t0).count();
    saveSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["open_ms"] = 1000 * openSeconds / static_cast<double>(state.iterations());
  state.counters["save_ms"] = 1000 * saveSeconds / static_cast<double>(state.iterations());
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.counters["peak_MB"] = bench::PeakMB();
  std::filesystem::remove(path);
  std::filesystem::remove(again);
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

BENCHMARK(BM_OpenAndSaveFormattedBlanks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BuildAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

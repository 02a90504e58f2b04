// Tables read back from what the exports write: the import of the workbook
// that the export writes for 65,536 rows by 20 columns of ints, floats,
// strings and bools, beside python3-xlrd reading every cell of the same
// file; CSV text of the 200,000 by 50 table of mixed types written and read
// in memory.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "bench_support.h"
#include "exchange/column_widths.h"
#include "exchange/table_csv.h"
#include "exchange/table_export.h"
#include "exchange/table_import.h"
#include "table/cell_table.h"
#include "text/number_text.h"

using namespace tessary;

namespace {

constexpr int kBookRows = 65536;  // names, types and 65,534 data rows
constexpr int kBookCols = 20;
constexpr int kCsvRows = 200000;
constexpr int kCsvCols = 50;

// Lets the peak memory of what follows be read on its own (Linux 4.0 on):
// freed memory goes back to the system, and the peak read afterwards
// counts from what the process holds now.
void ResetPeakMemory() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

const std::filesystem::path& WorkbookFile() {
  static const std::filesystem::path path = [] {
    const auto p = std::filesystem::temp_directory_path() / "tessary_bench_import.xls";
    std::filesystem::remove(p);
    TCellTable t;
    const char16_t* types[] = {u"int", u"float", u"string", u"bool"};
    std::mt19937 rng(14);
    t.SetColCount(kBookCols);
    t.SetRowCount(kBookRows);
    for (int c = 0; c < kBookCols; ++c) {
      t.SetCells(c, 0, u"Column" + FormatInteger(c));
      t.SetCells(c, 1, types[c % 4]);
    }
    for (int r = 2; r < kBookRows; ++r) {
      for (int c = 0; c < kBookCols; ++c) {
        switch (c % 4) {
          case 0:
            t.SetCells(c, r, FormatInteger(static_cast<int32_t>(rng() % 2000000) - 1000000));
            break;
          case 1:
            t.SetCells(c, r, FormatReal(static_cast<float>(rng() % 100000) / 7.0f));
            break;
          case 2:
            t.SetCells(c, r,
                       rng() % 2 ? u"repeat " + FormatInteger(static_cast<int32_t>(rng() % 100))
                                 : u"unique " + FormatInteger(r * kBookCols + c));
            break;
          default:
            t.SetCells(c, r, rng() % 2 ? u"1" : u"0");
            break;
        }
      }
    }
    FitColumnWidths(t);
    if (!ExportTableToWorkbook(t, p, u"bench").Ok) std::abort();
    return p;
  }();
  return path;
}

void BM_ImportWorkbook(benchmark::State& state) {
  const auto& path = WorkbookFile();
  ResetPeakMemory();
  for (auto _ : state) {
    auto table = std::make_unique<TCellTable>();
    const TResult imported = ImportTableFromWorkbook(path, nullptr, *table);
    if (!imported) state.SkipWithError(imported.Message.c_str());
    state.PauseTiming();  // freeing the table is not part of the import
    table.reset();
    state.ResumeTiming();
  }
  state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.counters["cells/s"] = benchmark::Counter(double{kBookRows} * kBookCols,
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak MB"] = bench::PeakMB();
}

// python3-xlrd opens the same file and reads the value of every cell; its
// own clock times it, without the interpreter's start.
void BM_XlrdReadsEveryCell(benchmark::State& state) {
  const auto& path = WorkbookFile();
  const char* script =
      "import resource, sys, time\n"
      "import xlrd\n"
      "t = time.perf_counter()\n"
      "cpu = time.process_time()\n"
      "b = xlrd.open_workbook(sys.argv[1])\n"
      "n = 0\n"
      "for s in b.sheets():\n"
      "    for r in range(s.nrows):\n"
      "        for c in range(s.ncols):\n"
      "            s.cell_value(r, c)\n"
      "            n += 1\n"
      "print(time.perf_counter() - t, time.process_time() - cpu, n,\n"
      "      resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)\n";
  const auto scriptPath = std::filesystem::temp_directory_path() / "tessary_bench_xlrd.py";
  std::ofstream(scriptPath) << script;
  double peak = 0;
  double cpu = 0;
  for (auto _ : state) {
    FILE* p = popen(("/usr/bin/python3 " + scriptPath.string() + " " + path.string()).c_str(), "r");
    char line[256] = {};
    const bool read = p != nullptr && std::fgets(line, sizeof line, p) != nullptr;
    if (p != nullptr) pclose(p);
    double seconds = 0;
    double cpuSeconds = 0;
    long cells = 0;
    long maxrss = 0;
    if (!read ||
        std::sscanf(line, "%lf %lf %ld %ld", &seconds, &cpuSeconds, &cells, &maxrss) != 4) {
      state.SkipWithError("python3-xlrd did not run");
      break;
    }
    state.SetIterationTime(seconds);
    cpu += cpuSeconds;
    peak = static_cast<double>(maxrss) / 1024.0;
  }
  // The interpreter's CPU time, comparable with the CPU column of the others.
  state.counters["cpu ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
  state.counters["peak MB"] = peak;
}

void BM_TableToCsv(benchmark::State& state) {
  TCellTable table;
  bench::FillMixedTable(table, kCsvRows, kCsvCols);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string csv = TableToCsv(table);
    bytes = csv.size();
    benchmark::DoNotOptimize(csv.data());
  }
  state.counters["text MB"] = static_cast<double>(bytes) / 1e6;
  // The table and its text.
  state.counters["peak MB"] = bench::PeakMB();
}

void BM_CsvToTable(benchmark::State& state) {
  std::string csv;
  {
    TCellTable table;
    bench::FillMixedTable(table, kCsvRows, kCsvCols);
    csv = TableToCsv(table);
  }
  ResetPeakMemory();
  for (auto _ : state) {
    auto table = std::make_unique<TCellTable>();
    if (!CsvToTable(csv, *table).Ok) state.SkipWithError("CSV refused");
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  state.counters["cells/s"] = benchmark::Counter(double{kCsvRows + 2} * kCsvCols,
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak MB"] = bench::PeakMB();
}

BENCHMARK(BM_ImportWorkbook)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XlrdReadsEveryCell)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_TableToCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvToTable)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

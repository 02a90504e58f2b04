// LoadGDA and SaveGDA on a generated table of 200,000 rows by 50 columns of
// mixed types (int, float, string with repeats, bool, resource), and the
// check for texts Save would store as 0. Counters: cells per second, file
// size, and the process's peak memory (ru_maxrss). The load runs in a
// process that never held the generated table (a child process writes the
// file), so its peak is the load's own.
//
// Before it, two hostile files that are small but refer to one long string
// from every cell: 15,000 rows at one string of 50,000 characters (160 KB),
// and 100,000 cells at one string of 200,000 characters without a
// terminator (800 KB). They run first, so their peaks are their own. After
// it, the same on the distinct-text table (distinct_table.h; a 69.4 MB
// file), saved as it reads back from its file.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "distinct_table.h"
#include "gff/g2da.h"
#include "gff/g2da_values.h"
#include "table/cell_table.h"
#include "text/number_text.h"

using namespace tessary;

namespace {

constexpr int kRows = 200000;
constexpr int kCols = 50;

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() /
         ("tessary_bench_gff_" + std::to_string(::getpid()) + ".gda");
}

std::filesystem::path DistinctFile() { return BenchFile().replace_extension(".distinct.gda"); }

void FillTable(TCellTable& t) { bench::FillMixedTable(t, kRows, kCols); }

// Writes a bench file from a child process, so that this process never
// holds the generated table before the load is measured.
bool WriteFileInChild(const std::filesystem::path& path, bool distinct = false) {
  const pid_t child = fork();
  if (child == 0) {
    TCellTable t;
    distinct ? bench::FillDistinctTextTable(t) : FillTable(t);
    _exit(SaveGDA(t, path) ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// A table of one string column whose `rows` cells all refer to one string
// of `units` code units, with or without a terminator.
std::vector<uint8_t> OneStringFile(uint32_t rows, uint32_t units, bool terminated) {
  std::vector<uint8_t> out;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto fourCC = [&](const char* s) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(s[i]));
  };
  fourCC("GFF ");
  fourCC("V4.0");
  fourCC("PC  ");
  fourCC("G2DA");
  fourCC("V0.2");
  u32(3);
  u32(136);
  const struct {
    const char* Tag;
    uint32_t Fields, At, Size;
  } structs[] = {{"gtop", 2, 76, 8}, {"colm", 2, 100, 5}, {"rows", 1, 124, 4}};
  for (const auto& s : structs) {
    fourCC(s.Tag);
    u32(s.Fields);
    u32(s.At);
    u32(s.Size);
  }
  const uint32_t fields[][4] = {{10002, 1, 0xC000, 0},
                                {10003, 2, 0xC000, 4},
                                {10001, 4, 0, 0},
                                {10999, 0, 0, 4},
                                {10005, 14, 0, 0}};
  for (const auto& f : fields) {
    u32(f[0]);
    u16(static_cast<uint16_t>(f[1]));
    u16(static_cast<uint16_t>(f[2]));
    u32(f[3]);
  }
  u32(8);
  u32(17);
  u32(1);
  u32(0x66FBC936);
  out.push_back(0);
  u32(rows);
  const uint32_t stringAt = 21 + 4 * rows;
  for (uint32_t k = 0; k < rows; ++k) u32(stringAt);
  u32(terminated ? units + 1 : 0x7FFFFFFF);
  for (uint32_t i = 0; i < units; ++i) u16(static_cast<uint16_t>(u'a' + i % 26));
  if (terminated) u16(0);
  return out;
}

void LoadOneStringFile(benchmark::State& state, uint32_t rows, uint32_t units, bool terminated) {
  const std::filesystem::path path = BenchFile().replace_extension(".one.gda");
  const std::vector<uint8_t> bytes = OneStringFile(rows, units, terminated);
  {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
      state.SkipWithError("cannot write the bench file");
      return;
    }
  }
  for (auto _ : state) {
    auto t = std::make_unique<TCellTable>();
    benchmark::DoNotOptimize(LoadGDA(*t, path));
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  std::filesystem::remove(path);
  state.counters["file_KB"] = static_cast<double>(bytes.size()) / 1000.0;
  state.counters["peak_MB"] = bench::PeakMB();
}

void BM_LoadOneLongString(benchmark::State& state) { LoadOneStringFile(state, 15000, 50000, true); }

void BM_LoadOneUnterminatedString(benchmark::State& state) {
  LoadOneStringFile(state, 100000, 200000, false);
}

void AddCounters(benchmark::State& state) {
  state.counters["cells/s"] =
      benchmark::Counter(double{kRows} * kCols, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(BenchFile())) / 1e6;
  state.counters["peak_MB"] = bench::PeakMB();
}

void BM_LoadGDA(benchmark::State& state) {
  if (!std::filesystem::exists(BenchFile()) && !WriteFileInChild(BenchFile())) {
    state.SkipWithError("cannot write the bench file");
    return;
  }
  for (auto _ : state) {
    auto t = std::make_unique<TCellTable>();
    benchmark::DoNotOptimize(LoadGDA(*t, BenchFile()));
    // Freeing the table is the cell table's cost, not the load's.
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  AddCounters(state);
}

void BM_SaveGDA(benchmark::State& state) {
  TCellTable t;
  FillTable(t);
  for (auto _ : state) benchmark::DoNotOptimize(SaveGDA(t, BenchFile()));
  AddCounters(state);
}

// The window's check before Save for texts that would be stored as 0.
void BM_FindUnstorableCells(benchmark::State& state) {
  TCellTable t;
  FillTable(t);
  for (auto _ : state) benchmark::DoNotOptimize(FindUnstorableCells(t).Count);
}

void BM_LoadDistinctGDA(benchmark::State& state) {
  if (!std::filesystem::exists(DistinctFile()) && !WriteFileInChild(DistinctFile(), true)) {
    state.SkipWithError("cannot write the bench file");
    return;
  }
  for (auto _ : state) {
    auto t = std::make_unique<TCellTable>();
    benchmark::DoNotOptimize(LoadGDA(*t, DistinctFile()));
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = bench::PeakMB();
}

void BM_SaveDistinctGDA(benchmark::State& state) {
  TCellTable t;
  if (!LoadGDA(t, DistinctFile())) {
    state.SkipWithError("cannot read the bench file");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(SaveGDA(t, BenchFile()));
  state.counters["peak_MB"] = bench::PeakMB();
}

// Freeing the loaded table: what closing a file or quitting waits for.
void BM_FreeDistinctTable(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto t = std::make_unique<TCellTable>();
    LoadGDA(*t, DistinctFile());
    state.ResumeTiming();
    t.reset();
  }
}

BENCHMARK(BM_LoadOneLongString)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadOneUnterminatedString)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindUnstorableCells)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadDistinctGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDistinctGDA)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FreeDistinctTable)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(BenchFile());
  std::filesystem::remove(DistinctFile());
  return 0;
}

// Comparison and three-way merge of the distinct-text table (200,000 rows x
// 50 columns) against copies that differ in 1,000 cells and 100 rows.
//
//   bench_compare --write DIR   writes base.gda, other.gda (1,000 cells
//                               changed, 50 rows removed, 50 added), ours.gda
//                               and theirs.gda (each 500 cells changed, 25
//                               rows removed and 25 added, on rows the other
//                               leaves alone) for timing tessary-cli diff
//                               and merge (bench/compare.sh)
//   bench_compare               times TTableComparison and MergeTables on
//                               the tables in memory, loading excluded
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <set>

#include "bench_support.h"
#include "compare/table_compare.h"
#include "compare/table_merge.h"
#include "distinct_table.h"
#include "gff/g2da.h"
#include "table/cell_table.h"

using namespace tessary;

namespace {

constexpr int kRows = 200000;
constexpr int kCols = 50;

// Removes `removed` rows, changes `cells` cells of other rows to values
// that stay different once saved, and adds `added` rows with IDs from
// `firstNewId`, all on data rows whose index has the given parity (so that
// two variants with different parities never touch one row).
void Vary(TCellTable& t, unsigned seed, int cells, int removed, int added, int firstNewId,
          int parity) {
  std::mt19937 rng(seed);
  auto pickRow = [&] { return 2 + static_cast<int32_t>(rng() % (kRows / 2)) * 2 + parity; };
  std::set<int32_t, std::greater<>> gone;
  while (static_cast<int>(gone.size()) < removed) gone.insert(pickRow());
  std::set<std::pair<int32_t, int32_t>> changed;
  while (static_cast<int>(changed.size()) < cells) {
    const int32_t r = pickRow();
    const auto c = static_cast<int32_t>(1 + rng() % (kCols - 1));
    if (gone.count(r) || !changed.emplace(r, c).second) continue;
    const std::u16string old(t.Cells(c, r));
    std::u16string text = old == u"0" ? u"1" : old == u"1" ? u"0" : old;
    while (text == old) text = bench::DistinctCellText(c, rng);
    t.SetCells(c, r, text);
  }
  for (int32_t r : gone) t.DropRows(r, 1);
  for (int i = 0; i < added; ++i) {
    const auto r = static_cast<int32_t>(2 + rng() % static_cast<unsigned>(t.RowCount() - 2));
    t.InsertRows(r, 1);
    t.SetCells(0, r, FormatInteger(firstNewId + i));
    for (int c = 1; c < kCols; ++c) t.SetCells(c, r, bench::DistinctCellText(c, rng));
  }
}

void MakeVariant(TCellTable& t, char which) {
  bench::FillDistinctTextTable(t, kRows);
  if (which == 'o') Vary(t, 1, 1000, 50, 50, 300001, 0);
  if (which == 'u') Vary(t, 2, 500, 25, 25, 400001, 0);
  if (which == 't') Vary(t, 3, 500, 25, 25, 500001, 1);
}

int WriteFiles(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  for (auto [which, name] : {std::pair{'b', "base.gda"}, std::pair{'o', "other.gda"},
                             std::pair{'u', "ours.gda"}, std::pair{'t', "theirs.gda"}}) {
    TCellTable t;
    MakeVariant(t, which);
    if (!SaveGDA(t, dir / name)) return 1;
    std::cout << (dir / name).string() << '\n';
  }
  return 0;
}

void BM_CompareTables(benchmark::State& state) {
  TCellTable a, b;
  MakeVariant(a, 'b');
  MakeVariant(b, 'o');
  for (auto _ : state) {
    TTableComparison comparison(a, b);
    benchmark::DoNotOptimize(comparison.ChangedCells().size());
  }
  state.counters["peak_MB"] = bench::PeakMB();
}
BENCHMARK(BM_CompareTables)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeTables(benchmark::State& state) {
  TCellTable base, theirs;
  MakeVariant(base, 'b');
  MakeVariant(theirs, 't');
  for (auto _ : state) {
    state.PauseTiming();
    auto ours = std::make_unique<TCellTable>();
    MakeVariant(*ours, 'u');
    state.ResumeTiming();
    TMergeReport report;
    benchmark::DoNotOptimize(MergeTables(base, *ours, theirs, report).Ok);
    state.PauseTiming();
    ours.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = bench::PeakMB();
}
BENCHMARK(BM_MergeTables)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return WriteFiles(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

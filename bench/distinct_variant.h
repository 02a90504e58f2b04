// Variants of the distinct-text table for comparisons: cells changed and
// rows removed and added at places drawn from a seed.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "distinct_table.h"

namespace tessary::bench {

// Removes `removed` rows, changes `cells` cells of other rows to values
// that stay different once saved, and adds `added` rows with IDs from
// `firstNewId`, all on data rows whose index has the given parity (so that
// two variants with different parities never touch one row).
inline void VaryDistinctTable(TCellTable& t, unsigned seed, int cells, int removed, int added,
                              int firstNewId, int parity) {
  const int32_t rows = t.RowCount() - 2;
  const int32_t cols = t.ColCount();
  std::mt19937 rng(seed);
  auto pickRow = [&] { return 2 + static_cast<int32_t>(rng() % (rows / 2)) * 2 + parity; };
  std::set<int32_t, std::greater<>> gone;
  while (static_cast<int>(gone.size()) < removed) gone.insert(pickRow());
  std::set<std::pair<int32_t, int32_t>> changed;
  while (static_cast<int>(changed.size()) < cells) {
    const int32_t r = pickRow();
    const auto c = static_cast<int32_t>(1 + rng() % (cols - 1));
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
    for (int c = 1; c < cols; ++c) t.SetCells(c, r, bench::DistinctCellText(c, rng));
  }
}

}  // namespace tessary::bench

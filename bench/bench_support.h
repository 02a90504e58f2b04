// What the benchmarks share: the process's peak memory, and the large table.
#pragma once

#include <sys/resource.h>

#include <random>

#include "table/cell_table.h"
#include "text/number_text.h"

namespace tessary::bench {

// Peak resident memory of this process so far, in MiB.
inline double PeakMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A row of column names, a row of column types, then `rows` rows of mixed
// types (int, float, string with repeats, bool, resource), the same for
// every run.
inline void FillMixedTable(TCellTable& t, int rows, int cols) {
  static const char16_t* kTypes[] = {u"int", u"float", u"string", u"bool", u"resource"};
  std::mt19937 rng(7);
  t.SetColCount(cols);
  t.SetRowCount(rows + 2);
  for (int c = 0; c < cols; ++c) {
    t.SetCells(c, 0, u"Column" + FormatInteger(c));
    t.SetCells(c, 1, kTypes[c % 5]);
  }
  for (int r = 2; r < rows + 2; ++r) {
    for (int c = 0; c < cols; ++c) {
      switch (c % 5) {
        case 0:
          t.SetCells(c, r, FormatInteger(static_cast<int32_t>(rng() % 100000)));
          break;
        case 1:
          t.SetCells(c, r, FormatReal(static_cast<float>(rng() % 100000) / 64.0f));
          break;
        case 2:
          t.SetCells(c, r, u"text " + FormatInteger(static_cast<int32_t>(rng() % 5000)));
          break;
        case 3:
          t.SetCells(c, r, rng() % 2 ? u"1" : u"0");
          break;
        default:
          t.SetCells(c, r, u"res_" + FormatInteger(static_cast<int32_t>(r)));
          break;
      }
    }
  }
}

}  // namespace tessary::bench

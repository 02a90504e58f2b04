// The distinct-text table: 200,000 rows shaped like real game tables but
// with many distinct texts. Column 0 "ID" (int, 1 up); Col01..Col49 cycle
// int, float, string, bool, every tenth a resource column. Ints lie in
// -100,000..100,000, floats in -1000..1000 with three decimals (%g),
// strings are "WORD WORD N" (N up to 9999), bools 0 or 1, resources
// "res_WORD_N" (N up to 999). The same table for every run.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "table/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary::bench {

inline const char16_t* const kTableWords[] = {u"sword", u"shield", u"phoenix", u"dagger",
                                              u"bow",   u"armour", u"ring",    u"amulet",
                                              u"helm",  u"boots"};

// The text of a data cell of column `c` (1 and up), drawn from `rng`.
inline std::u16string DistinctCellText(int c, std::mt19937& rng) {
  if (c % 10 == 0) {
    return std::u16string(u"res_") + kTableWords[rng() % 10] + u"_" +
           FormatInteger(static_cast<int32_t>(rng() % 1000));
  }
  switch ((c - 1) % 4) {
    case 0:
      return FormatInteger(static_cast<int32_t>(rng() % 200001) - 100000);
    case 1: {
      char text[32];
      std::snprintf(text, sizeof text, "%g", static_cast<int>(rng() % 2000001 - 1000000) / 1000.0);
      return FromUtf8(text);
    }
    case 2:
      return std::u16string(kTableWords[rng() % 10]) + u" " + kTableWords[rng() % 10] + u" " +
             FormatInteger(static_cast<int32_t>(rng() % 10000));
    default:
      return rng() % 2 ? u"1" : u"0";
  }
}

inline void FillDistinctTextTable(TCellTable& t, int rows = 200000, unsigned seed = 1234567) {
  constexpr int kCols = 50;
  static const char16_t* const kTypes[] = {u"int", u"float", u"string", u"bool"};
  std::mt19937 rng(seed);
  t.SetColCount(kCols);
  t.SetRowCount(rows + 2);
  t.SetCells(0, 0, u"ID");
  t.SetCells(0, 1, u"int");
  for (int c = 1; c < kCols; ++c) {
    t.SetCells(c, 0, (c < 10 ? u"Col0" : u"Col") + FormatInteger(c));
    t.SetCells(c, 1, c % 10 == 0 ? u"resource" : kTypes[(c - 1) % 4]);
  }
  for (int r = 0; r < rows; ++r) {
    t.SetCells(0, r + 2, FormatInteger(r + 1));
    for (int c = 1; c < kCols; ++c) t.SetCells(c, r + 2, DistinctCellText(c, rng));
  }
}

}  // namespace tessary::bench

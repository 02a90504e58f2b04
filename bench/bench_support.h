// What the benchmarks share: the process's peak memory, and the large tables.
#pragma once

#include <sys/resource.h>

#include <cstdio>
#include <random>
#include <string>

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

// The distinct-text table: a game table shaped like the mixed one but with
// many distinct texts. Column 0 "ID" (int, 1 .. rows), then Col01 .. Col49
// whose types cycle int, float, string, bool, except every tenth column,
// which is a resource. Values: int in -100,000 .. 100,000; float in
// -1000 .. 1000 with three decimals in the shortest form (%g); string
// "WORD WORD N" with N in 0 .. 9999 (up to a million distinct texts a
// column); bool 0 or 1; resource "res_WORD_N" with N in 0 .. 999. The same
// for every run; generated, never stored.
inline void FillDistinctTextTable(TCellTable& t, int rows = 200000) {
  static const char16_t* kWords[] = {u"sword",  u"shield", u"phoenix", u"dagger", u"bow",
                                     u"armour", u"ring",   u"amulet",  u"helm",   u"boots"};
  static const char16_t* kCycle[] = {u"int", u"float", u"string", u"bool"};
  constexpr int kCols = 50;
  std::mt19937_64 rng(21);
  auto below = [&](uint64_t n) { return static_cast<int32_t>(rng() % n); };
  t.SetColCount(kCols);
  t.SetRowCount(rows + 2);
  std::u16string types[kCols];
  types[0] = u"int";
  t.SetCells(0, 0, u"ID");
  for (int c = 1; c < kCols; ++c) {
    const std::u16string number = FormatInteger(c);
    t.SetCells(c, 0, u"Col" + std::u16string(number.size() < 2 ? u"0" : u"") + number);
    types[c] = c % 10 == 0 ? u"resource" : kCycle[(c - 1) % 4];
  }
  for (int c = 0; c < kCols; ++c) t.SetCells(c, 1, types[c]);
  std::u16string text;
  for (int r = 0; r < rows; ++r) {
    t.SetCells(0, r + 2, FormatInteger(r + 1));
    for (int c = 1; c < kCols; ++c) {
      const char16_t kind = types[c][0];
      if (kind == u'i') {
        text = FormatInteger(below(200001) - 100000);
      } else if (kind == u'f') {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", (below(2000001) - 1000000) / 1000.0);
        text.assign(buffer, buffer + std::char_traits<char>::length(buffer));
      } else if (kind == u's') {
        text = kWords[below(10)];
        text += u' ';
        text += kWords[below(10)];
        text += u' ';
        text += FormatInteger(below(10000));
      } else if (kind == u'b') {
        text = below(2) ? u"1" : u"0";
      } else {
        text = u"res_";
        text += kWords[below(10)];
        text += u'_';
        text += FormatInteger(below(1000));
      }
      t.SetCells(c, r + 2, text);
    }
  }
}

}  // namespace tessary::bench

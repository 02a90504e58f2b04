// A table of every column type with the texts that are easy to get wrong on
// a way out of the table and back: extreme and hexadecimal integers,
// floats at and beyond the single-precision range, bools other than 0 and
// 1, and texts that look like numbers, dates, markup or CSV syntax.
#pragma once

#include <bit>
#include <random>
#include <string>

#include "table/cell_table.h"
#include "text/number_text.h"

namespace tessary::testing {

inline void FillTypedTable(TCellTable& t, int rows, unsigned randomStart = 14) {
  const char16_t* types[] = {u"int", u"float", u"bool", u"string", u"resource", u"STRING"};
  const char16_t* names[] = {u"ID", u"MaxSpeed", u"$0012E034", u"Label", u"", u"$12345678"};
  const char16_t* ints[] = {u"-2147483648", u"2147483647", u"$FF", u"x", u"12.0"};
  const char16_t* floats[] = {u"0.1", u"1e-40", u"3.4e38", u"-0", u"1e39", u"1E15", u"INF"};
  const char16_t* texts[] = {u"007",      u"1e5",     u"1-2",      u"<b>Sword</b>",
                             u"a,\"b\"",  u"TRUE",    u"50%",      u"=1+2",
                             u"",         u" blank ", u"äöü 漢字", u"two\r\nlines",
                             u"lf\nonly", u"$10",     u"1/2/2009", u"\uFEFFbom"};
  std::mt19937 rng(randomStart);
  t.SetColCount(6);
  t.SetRowCount(rows + 2);
  for (int c = 0; c < 6; ++c) {
    t.SetCells(c, 0, names[c]);
    t.SetCells(c, 1, types[c]);
  }
  for (int r = 2; r < rows + 2; ++r) {
    const auto bits = static_cast<uint32_t>(rng() % 0x7F000000);
    t.SetCells(0, r, r - 2 < 5 ? ints[r - 2] : FormatInteger(static_cast<int32_t>(rng())));
    t.SetCells(1, r, r - 2 < 7 ? floats[r - 2] : FormatReal(std::bit_cast<float>(bits)));
    t.SetCells(2, r, r % 3 == 0 ? u"2" : r % 2 ? u"1" : u"0");
    for (int c = 3; c < 6; ++c) t.SetCells(c, r, texts[rng() % std::size(texts)]);
  }
}

}  // namespace tessary::testing

// Tables for the comparison tests, written as lines of tab-separated cells:
// the names, the types, then the data rows.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "table/cell_table.h"

namespace tessary::testing {

inline void FillTable(TCellTable& t, std::u16string_view text) {
  int32_t row = 0;
  int32_t cols = 1;
  while (!text.empty()) {
    const size_t end = std::min(text.find(u'\n'), text.size());
    std::u16string_view line = text.substr(0, end);
    int32_t col = 0;
    for (;;) {
      const size_t tab = std::min(line.find(u'\t'), line.size());
      if (col >= t.ColCount()) t.SetColCount(col + 1);
      t.SetCells(col++, row, line.substr(0, tab));
      if (tab == line.size()) break;
      line.remove_prefix(tab + 1);
    }
    cols = std::max(cols, col);
    ++row;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  t.SetColCount(cols);
  t.SetRowCount(std::max(row, 2));
}

inline std::unique_ptr<TCellTable> MakeTable(std::u16string_view text) {
  auto t = std::make_unique<TCellTable>();
  FillTable(*t, text);
  return t;
}

// The table as the same text.
inline std::u16string TableText(const TCellTable& t) {
  std::u16string text;
  for (int32_t r = 0; r < t.RowCount(); ++r) {
    for (int32_t c = 0; c < t.ColCount(); ++c) {
      if (c) text += u'\t';
      text += t.Cells(c, r);
    }
    text += u'\n';
  }
  return text;
}

}  // namespace tessary::testing

// Small tables written out in a test: rows of cell texts.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "table/cell_table.h"

namespace tessary::testing {

using TRows = std::initializer_list<std::initializer_list<std::u16string_view>>;

// Sets the extent to the rows given and the widest of them, and writes the
// texts from cell (0, 0) on.
inline void FillRows(TCellTable& t, TRows rows) {
  size_t cols = 1;
  for (const auto& row : rows) cols = std::max(cols, row.size());
  t.SetColCount(static_cast<int32_t>(cols));
  t.SetRowCount(static_cast<int32_t>(rows.size()));
  int32_t r = 0;
  for (const auto& row : rows) {
    int32_t c = 0;
    for (std::u16string_view text : row) t.SetCells(c++, r, text);
    ++r;
  }
}

}  // namespace tessary::testing

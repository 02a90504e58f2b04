// The filter: a view of the table that shows only the data rows matching
// its conditions. It never changes the table; it is a sorted list of the
// data rows it shows, which the grid's commands consult. The names and
// types rows (rows 0 and 1) always show.
//
// The list is taken when the filter is applied and then kept: a row that
// is added while the filter is on shows, and a row whose edit stops it
// matching stays, until the filter changes. Rows inserted, removed or
// reordered through the edit history are followed (Follow).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "grid/row_lookup.h"
#include "table/cell_table.h"
#include "table/edit_history.h"

namespace tessary {

enum class TFilterMatch {
  fmContains,  // the cell holds the text, letters compared case-folded as Find compares them
  fmEquals,    // the cell's text is exactly the text ("" matches empty cells)
};

struct TFilterCondition {
  int32_t Col = 0;
  TFilterMatch Match = TFilterMatch::fmContains;
  std::u16string Text;
  friend bool operator==(const TFilterCondition&, const TFilterCondition&) = default;
};

class TTableFilter {
 public:
  // Shows the data rows of `table` that match every condition. A
  // "contains" condition with an empty text asks nothing and is dropped;
  // with no condition left the filter is off.
  void Apply(const TCellTable& table, std::vector<TFilterCondition> conditions);
  // Shows every row again.
  void Clear();

  bool Active() const { return FActive; }
  const std::vector<TFilterCondition>& Conditions() const { return FConditions; }

  // --- The view ------------------------------------------------------------
  // Whether `row` shows: always when the filter is off, and for rows 0 and 1.
  bool Shows(int32_t row) const;
  // Rows of the table that show, and their positions in the view (from 0,
  // the rows 0 and 1 first). ViewIndex is -1 for a row that does not show;
  // ViewIndexAtOrAfter gives the position of the first shown row at or
  // after `row` (ViewCount when there is none).
  int32_t ViewCount(const TCellTable& table) const;
  int32_t RowAt(int32_t viewIndex) const;
  int32_t ViewIndex(const TCellTable& table, int32_t row) const;
  int32_t ViewIndexAtOrAfter(const TCellTable& table, int32_t row) const;
  // The shown rows among top .. bottom, in order.
  std::vector<int32_t> ShownRows(const TCellTable& table, int32_t top, int32_t bottom) const;
  // Shown data rows, and all data rows of the table.
  int32_t ShownDataRows(const TCellTable& table) const;

  // --- Keeping up with the table --------------------------------------------
  // Follows rows inserted (they show), removed or reordered (each row keeps
  // whether it shows). Cells and column counts change nothing.
  void Follow(const TTableChange& change);
  // Whether a change would alter a row the filter hides: a cell of a hidden
  // data row, a hidden row removed, or hidden rows put in another order
  // among themselves. Rows past the extent (`rowCount` rows) and columns
  // past `colCount` do not count. Follow the change after asking, so that
  // the next change is asked about the rows as they then are.
  bool Touches(const TTableChange& change, int32_t rowCount, int32_t colCount) const;

 private:
  bool FActive = false;
  std::vector<TFilterCondition> FConditions;
  std::vector<int32_t> FRows;  // the shown data rows, ascending
};

// "Showing 120 of 200,000 rows": the shown data rows of all data rows.
std::u16string FilterStatusText(const TCellTable& table, const TTableFilter& filter);

// A count with its thousands grouped by commas: 200,000.
std::u16string GroupedCount(int64_t value);

}  // namespace tessary

// The comparison of a table with another: which columns and rows one has
// and the other lacks, which columns changed their type, and which cells
// of matched rows and columns hold different texts. A moved column or row
// is no change. Cells are compared by the texts the cell tables hold.
//
// The comparison keeps both tables by reference and follows edits of the
// first: after a cell edit only the edited cells are compared again.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "compare/table_match.h"
#include "table/cell_table.h"

namespace tessary {

class TTableComparison {
 public:
  // Compares `table` with `other`. Both must outlive the comparison.
  TTableComparison(const TCellTable& table, const TCellTable& other);

  // Compares the whole tables again: after rows or columns of either table
  // were added, removed or moved, or the other table changed.
  void Compare();
  // Compares the cells of `r` (of the table) again after they were edited.
  // An edit of a column name or type, of an ID, or outside the rows the
  // comparison knows, compares the whole tables again, since what matches
  // what may have changed.
  void Recheck(const TGridRect& r);

  // Whether rows are matched by ID; otherwise by position, and
  // PositionCause says why (empty when no column is common to the tables).
  bool RowsById() const { return FById; }
  const std::optional<TPositionCause>& PositionCause() const { return FCause; }

  // The matching column or row of the other table, or -1. Rows are grid
  // rows; only data rows match.
  int32_t OtherCol(int32_t col) const;
  int32_t OtherRow(int32_t row) const;

  // Columns of the table the other lacks, columns of the other the table
  // lacks, and columns of the table whose type differs from the other's,
  // each in its table's order.
  const std::vector<int32_t>& RemovedColumns() const { return FRemovedCols; }
  const std::vector<int32_t>& AddedColumns() const { return FAddedCols; }
  const std::vector<int32_t>& RetypedColumns() const { return FRetypedCols; }

  // Data rows of the table the other lacks, in order.
  const std::vector<int32_t>& RemovedRows() const { return FRemovedRows; }
  // Data rows of the other the table lacks, in the other's order, each with
  // the row of the table it follows: the match of the nearest row above it
  // in the other table that has one, -1 when none has.
  struct TAddedRow {
    int32_t OtherRow;
    int32_t After;
  };
  const std::vector<TAddedRow>& AddedRows() const { return FAddedRows; }

  // Cells of matched data rows and columns whose texts differ, ordered by
  // row, then column (of the table).
  const std::vector<TGridCoord>& ChangedCells() const { return FChanged; }
  bool Differs(int32_t col, int32_t row) const;
  // The other table's text for a cell of the table: its column name (row
  // 0), type (row 1) or cell. Empty when the other lacks the column or row.
  std::optional<std::u16string_view> OtherText(int32_t col, int32_t row) const;

  // No column or row added, removed or retyped, and no cell changed.
  bool Equal() const;

 private:
  void MatchColumns();
  void MatchRows();
  void ListAddedAndRemovedRows();
  void ListChangedCells();
  bool CellDiffers(int32_t col, int32_t row) const;

  const TCellTable& FTable;
  const TCellTable& FOther;
  bool FById = false;
  std::optional<TPositionCause> FCause;
  std::vector<int32_t> FOtherCol;  // per column of the table
  std::vector<int32_t> FOtherRow;  // per data row of the table
  // Matched columns as (table column, other column), by table column.
  std::vector<std::pair<int32_t, int32_t>> FColPairs;
  std::vector<int32_t> FRemovedCols, FAddedCols, FRetypedCols, FRemovedRows;
  std::vector<TAddedRow> FAddedRows;
  std::vector<TGridCoord> FChanged;
};

}  // namespace tessary

// Tables that share their columns, as one: a base table and extension
// tables with the same columns, used with their rows one after another.
// Columns are matched by what a table file stores of them, the name hash
// and the type, so a column may sit at another place in each table; the
// rows keep the base's column order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "table/cell_table.h"
#include "text/column_type.h"

namespace tessary {

// The data rows of a table: the rows below the names and types rows.
int32_t DataRowCount(const TCellTable& table);

// A column as a table file stores it: the hash of its name (row 0) and the
// type its type text (row 1) is saved as, a text that names no type being
// a string column.
struct TColumnKey {
  uint32_t Hash = 0;
  TColumnType Type = TColumnType::ctString;
  friend bool operator==(const TColumnKey&, const TColumnKey&) = default;
};
TColumnKey ColumnKeyOf(const TCellTable& table, int32_t col);

// The first column where the column sets of two tables differ.
enum class TColumnDifferenceKind {
  TypeDiffers,  // a column of the added table has another type in the base
  NotInBase,    // a column of the added table is not in the base
  NotInAdded,   // a column of the base is not in the added table
};
struct TColumnDifference {
  TColumnDifferenceKind Kind = TColumnDifferenceKind::NotInBase;
  int32_t Col = 0;      // in the added table; in the base for NotInAdded
  int32_t BaseCol = 0;  // for TypeDiffers: the base's column of that name
};

// For each column of the added table, the base column that takes its
// cells; or the first difference, looked for in the added table's column
// order, then in the base's. A name that two columns share is matched in
// order: the first such column of one table with the first of the other.
struct TColumnMatch {
  std::vector<int32_t> ToBase;
  std::optional<TColumnDifference> Difference;
};
TColumnMatch MatchColumns(const TCellTable& base, const TCellTable& added);

// Writes the data rows of `added` as rows `firstRow` onward of the base,
// each cell into the base column `toBase` names (from MatchColumns), empty
// cells left out. The caller makes room first; a window writes through its
// edit history, so that the append is one undo step.
using TCellWriter = std::function<void(int32_t col, int32_t row, std::u16string_view text)>;
void AppendRows(const TCellTable& added, const std::vector<int32_t>& toBase, int32_t firstRow,
                const TCellWriter& write);

// Where the first column is the ID column (named "ID"): each data row whose
// ID, compared as saving stores it (1, 01 and $1 are one ID in an int
// column), an earlier data row holds already, with that earlier row. Rows
// are grid rows, in table order. Rows without a usable ID are left out.
struct TDuplicateId {
  int32_t FirstRow = 0;
  int32_t Row = 0;
};
std::vector<TDuplicateId> FindDuplicateIds(const TCellTable& table);

}  // namespace tessary

// The three-way merge of tables by cell: the changes THEIRS made to BASE
// are carried into OURS, matched as a comparison matches (columns by name
// hash, rows by ID, else by position).
//
// A change on one side only is taken, the same change on both sides once.
// Conflicts keep OURS' state and are reported: different changes to one
// cell; a row changed on one side and removed on the other; a row added on
// both sides with different contents; a column changed on one side (its
// type or cells) and removed on the other; a column retyped differently on
// both sides. Columns keep OURS' order, THEIRS' new columns appended; rows
// keep OURS' order, THEIRS' new rows each after the row it follows in
// THEIRS (first when it follows none).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "compare/table_match.h"
#include "table/cell_table.h"

namespace tessary {

enum class TConflictKind {
  Cell,                  // both sides changed the cell differently
  RowChangedRemoved,     // one side changed the row, the other removed it
  RowAddedTwice,         // both sides added the row with different contents
  ColumnChangedRemoved,  // one side changed the column, the other removed it
  ColumnRetyped,         // both sides changed the column's type differently
};

// One conflict at one cell, or at a column's type (Row empty). A value is
// empty where that table lacks the row or the column.
struct TMergeConflict {
  TConflictKind Kind = TConflictKind::Cell;
  std::u16string Row;  // "ID 12" or "row 5"
  std::u16string Column;
  std::optional<std::u16string> Base, Ours, Theirs;
  friend bool operator==(const TMergeConflict&, const TMergeConflict&) = default;
};

struct TMergeReport {
  bool RowsById = false;
  std::optional<TPositionCause> PositionCause;  // tables 0 base, 1 ours, 2 theirs
  std::vector<TMergeConflict> Conflicts;
};

// Merges into `ours`. Fails, changing nothing, when the rows cannot be
// matched by ID and the tables' data row counts differ; the message names
// the tables by `names` (base, ours, theirs).
TResult MergeTables(const TCellTable& base, TCellTable& ours, const TCellTable& theirs,
                    TMergeReport& report,
                    const std::array<std::string, 3>& names = {"BASE", "OURS", "THEIRS"});

}  // namespace tessary

// What the window does with a comparison while the user edits: keep it up
// to date with the edit history, walk its differences, and take the other
// table's values and rows, each as one step of the history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "compare/table_compare.h"
#include "table/cell_table.h"
#include "table/edit_history.h"

namespace tessary {

// Whether a row shows (a filter may hide some); hidden rows are passed over.
using TRowShown = std::function<bool(int32_t row)>;

// Brings `comparison` up to date after `history` recorded, undid or redid a
// step: the edited cells are compared again, the whole tables when rows or
// columns were added, removed or moved.
void FollowHistoryStep(TTableComparison& comparison, const TEditHistory& history,
                       THistoryChange change);

// The difference after (`forward`) or before `from`, in row order, then
// column order: the changed cells, and the rows only the table has, at
// their first cell (column 0). Nothing when there is none that way.
std::optional<TGridCoord> NextDifference(const TTableComparison& comparison, TGridCoord from,
                                         bool forward, const TRowShown& shows);

// Writes the other table's text into the changed cells of `r` that show,
// as one step. Returns how many cells it wrote.
size_t TakeOtherValues(const TTableComparison& comparison, TEditHistory& history,
                       const TGridRect& r, const TRowShown& shows);

// Inserts rows the other table has and the table lacks (`added` indexes
// AddedRows), each after the row it follows in the other table, at the end
// when it follows none, its cells in the columns of the same name. One
// step; returns the grid row of the first row inserted (in table order),
// or -1 when there was none.
int32_t TakeOtherRows(const TTableComparison& comparison, const TCellTable& table,
                      const TCellTable& other, TEditHistory& history,
                      std::span<const size_t> added);

}  // namespace tessary

#include "grid/table_tools.h"

#include <algorithm>
#include <numeric>

#include "grid/row_lookup.h"
#include "text/column_type.h"

namespace tessary {

namespace {

// The shown rows of the selection that the current cell can reach.
std::vector<int32_t> SelectedShownRows(const TCellTable& t, const TTableFilter& filter) {
  const TGridRect sel = t.Selection();
  return filter.ShownRows(t, std::max(sel.Top, t.FixedRows()), sel.Bottom);
}

// Whether a hidden row holds text in one of the columns left .. right.
bool HiddenRowsHoldText(const TCellTable& t, const TTableFilter& filter, int32_t left,
                        int32_t right) {
  if (!filter.Active()) return false;
  for (int32_t r = kFirstDataRow; r < t.RowCount(); ++r) {
    if (filter.Shows(r)) continue;
    const int32_t last = std::min(right, t.LastStoredCol(r));
    for (int32_t c = left; c <= last; ++c) {
      if (!std::u16string_view(t.Cells(c, r)).empty()) return true;
    }
  }
  return false;
}

}  // namespace

bool SortRows(TGridController& grid, int32_t col, TSortOrder order, const std::string& locale) {
  grid.HideInplaceEdit();
  TCellTable& t = grid.Table();
  if (col < 0 || col >= t.ColCount()) return false;
  const std::vector<int32_t> rows = grid.Filter().ShownRows(t, kFirstDataRow, t.RowCount() - 1);
  if (rows.size() < 2) return false;
  const std::vector<int32_t> sorted = SortedRows(t, col, rows, order, locale);
  if (sorted == rows) return false;
  // The shown rows take each other's places; hidden rows between them stay.
  const int32_t first = rows.front();
  std::vector<int32_t> reordered(static_cast<size_t>(rows.back() - first + 1));
  std::iota(reordered.begin(), reordered.end(), first);
  for (size_t i = 0; i < rows.size(); ++i) {
    reordered[static_cast<size_t>(rows[i] - first)] = sorted[i];
  }
  grid.History().ReorderRows(first, std::move(reordered));
  grid.Notify(TGridNotice::gnRowsSorted);
  return true;
}

void InsertColumn(TGridController& grid) {
  grid.HideInplaceEdit();
  TCellTable& t = grid.Table();
  TEditHistory& h = grid.History();
  const int32_t at = t.Col();
  const int32_t count = t.ColCount();
  if (count >= TCellTable::kMaxCount) return;
  TEditHistory::TStepScope step(h);
  // Text left past the extent would show in the new column.
  h.ClearCols(count, 1);
  h.SetColCount(count + 1);
  h.RelocateColumn(count, at);
  h.SetCells(at, 1, u"string");
  t.MoveCurrent(TGridCoord{at, t.Row()});
}

void DeleteColumns(TGridController& grid) {
  grid.HideInplaceEdit();
  TCellTable& t = grid.Table();
  TEditHistory& h = grid.History();
  const TGridRect sel = t.Selection();
  const int32_t left = std::max(sel.Left, 0);
  const int32_t right = std::min(sel.Right, t.ColCount() - 1);
  if (left > right) return;
  if (HiddenRowsHoldText(t, grid.Filter(), left, right)) {
    grid.ClearFilter();
    grid.Notify(TGridNotice::gnFilterClearedForDeleteColumns);
  }
  const bool keepOne = right - left + 1 >= t.ColCount();
  TEditHistory::TStepScope step(h);
  // Each column is emptied, moved to the end and cut off there, so that
  // every part is a change the history already knows.
  for (int32_t c = right; c >= left + (keepOne ? 1 : 0); --c) {
    h.ClearCols(c, 1);
    h.RelocateColumn(c, t.ColCount() - 1);
    h.SetColCount(t.ColCount() - 1);
  }
  if (keepOne) h.ClearCols(left, 1);
  t.MoveCurrent(TGridCoord{std::min(left, t.ColCount() - 1), t.Row()});
  grid.ScrollCurrentIntoView();
}

void FillDown(TGridController& grid) {
  grid.HideInplaceEdit();
  const TCellTable& t = grid.Table();
  const TGridRect sel = t.Selection();
  const std::vector<int32_t> rows = SelectedShownRows(grid.Table(), grid.Filter());
  if (rows.size() < 2) return;
  TEditHistory::TStepScope step(grid.History());
  for (size_t i = 1; i < rows.size(); ++i) {
    for (int32_t c = std::max(sel.Left, t.FixedCols()); c <= sel.Right; ++c) {
      grid.History().SetCells(c, rows[i], t.Cells(c, rows.front()));
    }
  }
}

void InsertRow(TGridController& grid) {
  grid.HideInplaceEdit();
  TCellTable& t = grid.Table();
  if (t.RowCount() >= TCellTable::kMaxCount) return;
  grid.History().InsertRows(t.Row(), 1);
  grid.ScrollCurrentIntoView();
}

// The rows are emptied, moved below the last row and cut off with the row
// count: one reordering instead of a removal per row, so that deleting
// thousands of scattered rows costs one pass.
void DeleteRows(TGridController& grid) {
  grid.HideInplaceEdit();
  TCellTable& t = grid.Table();
  TEditHistory& h = grid.History();
  std::vector<int32_t> rows = SelectedShownRows(grid.Table(), grid.Filter());
  if (rows.empty()) return;
  TEditHistory::TStepScope step(h);
  if (static_cast<int64_t>(rows.size()) >= int64_t{t.RowCount()} - t.FixedRows()) {
    h.ClearRows(rows.front(), 1);
    rows.erase(rows.begin());
  }
  if (rows.empty()) return;
  const int32_t first = rows.front();
  std::vector<int32_t> order;
  order.reserve(static_cast<size_t>(t.RowCount() - first));
  size_t next = 0;
  for (int32_t r = first; r < t.RowCount(); ++r) {
    if (next < rows.size() && rows[next] == r) {
      ++next;
    } else {
      order.push_back(r);
    }
  }
  order.insert(order.end(), rows.begin(), rows.end());
  for (int32_t r : rows) h.ClearRows(r, 1);
  h.ReorderRows(first, std::move(order));
  h.SetRowCount(t.RowCount() - static_cast<int32_t>(rows.size()));
  grid.KeepCurrentShown();
  grid.ScrollCurrentIntoView();
}

TFilterCondition EqualsCurrentCell(const TCellTable& table) {
  return TFilterCondition{
      table.Col(), TFilterMatch::fmEquals,
      std::u16string(std::u16string_view(table.Cells(table.Col(), table.Row())))};
}

bool IsInvalidTypeCell(const TCellTable& table, int32_t col, int32_t row) {
  if (row != 1) return false;
  const std::u16string_view text = table.Cells(col, row);
  return !text.empty() && !ColumnTypeOf(text);
}

}  // namespace tessary

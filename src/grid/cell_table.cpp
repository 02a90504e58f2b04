#include "grid/cell_table.h"

#include <algorithm>
#include <utility>

#include "common/error.h"

namespace tessary {

// The cells of one stored row that hold text, in ascending column order.
// Rows are usually written left to right, so appending is the common case.
struct TCellTable::TStoreRow {
  using TEntry = std::pair<int32_t, std::u16string>;
  std::vector<TEntry> Cells;

  // First entry with a column of at least `col`.
  std::vector<TEntry>::iterator LowerBound(int32_t col) {
    if (Cells.empty() || Cells.back().first < col) return Cells.end();
    return std::lower_bound(Cells.begin(), Cells.end(), col,
                            [](const TEntry& e, int32_t c) { return e.first < c; });
  }
  const TEntry* Find(int32_t col) const {
    if (Cells.empty() || Cells.back().first < col) return nullptr;
    if (Cells.back().first == col) return &Cells.back();
    auto it = std::lower_bound(Cells.begin(), Cells.end(), col,
                               [](const TEntry& e, int32_t c) { return e.first < c; });
    return it != Cells.end() && it->first == col ? &*it : nullptr;
  }
  // Removes the cells of columns col1 .. col2; returns how many.
  size_t EraseRange(int32_t col1, int32_t col2) {
    auto first = LowerBound(col1);
    auto last = std::lower_bound(first, Cells.end(), col2 == INT32_MAX ? col2 : col2 + 1,
                                 [](const TEntry& e, int32_t c) { return e.first < c; });
    if (col2 == INT32_MAX) last = Cells.end();
    const size_t n = static_cast<size_t>(last - first);
    Cells.erase(first, last);
    return n;
  }
};

namespace {

const std::u16string& EmptyText() {
  static const std::u16string empty;
  return empty;
}

[[noreturn]] void OutOfBounds(int32_t index) { ThrowError("List index out of bounds (%d)", index); }

}  // namespace

TCellTable::TCellTable() = default;
TCellTable::~TCellTable() = default;

// --- Cells -----------------------------------------------------------------

TCellTable::TStoreRow* TCellTable::FindRow(int32_t row) const {
  if (row < 0 || static_cast<size_t>(row) >= FRows.size()) return nullptr;
  return FRows[static_cast<size_t>(row)].get();
}

TCellTable::TStoreRow& TCellTable::MakeRow(int32_t row) {
  if (static_cast<size_t>(row) >= FRows.size()) FRows.resize(static_cast<size_t>(row) + 1);
  auto& slot = FRows[static_cast<size_t>(row)];
  if (!slot) slot = std::make_unique<TStoreRow>();
  return *slot;
}

const std::u16string& TCellTable::Cells(int32_t col, int32_t row) const {
  if (row < 0) OutOfBounds(row);
  const TStoreRow* r = FindRow(row);
  if (r == nullptr) return EmptyText();
  if (col < 0) {
    if (!r->Cells.empty()) OutOfBounds(col);
    return EmptyText();
  }
  const TStoreRow::TEntry* e = r->Find(col);
  return e != nullptr ? e->second : EmptyText();
}

void TCellTable::SetCells(int32_t col, int32_t row, std::u16string_view text) {
  SetCells(col, row, std::u16string(text));
}

void TCellTable::SetCells(int32_t col, int32_t row, std::u16string&& text) {
  if (row < 0 || row > kMaxIndex) OutOfBounds(row);
  if (col < 0 || col > kMaxIndex) OutOfBounds(col);
  StoreCell(col, row, std::move(text));
  if (FObserver != nullptr) FObserver->CellWritten(col, row);
}

void TCellTable::StoreCell(int32_t col, int32_t row, std::u16string&& text) {
  if (text.empty()) {
    if (TStoreRow* r = FindRow(row)) EraseCell(*r, col);
    return;
  }
  TStoreRow& r = MakeRow(row);
  if (r.Cells.empty() || r.Cells.back().first < col) {
    r.Cells.emplace_back(col, std::move(text));
    ++FStoredCells;
    return;
  }
  auto it = r.LowerBound(col);
  if (it != r.Cells.end() && it->first == col) {
    it->second = std::move(text);
  } else {
    r.Cells.emplace(it, col, std::move(text));
    ++FStoredCells;
  }
}

void TCellTable::EraseCell(TStoreRow& row, int32_t col) {
  FStoredCells -= row.EraseRange(col, col);
}

// --- Extent and fixed area ---------------------------------------------------

void TCellTable::SetColCount(int32_t value) { ChangeCount(true, value); }
void TCellTable::SetRowCount(int32_t value) { ChangeCount(false, value); }
void TCellTable::SetFixedCols(int32_t value) { ChangeFixed(true, value); }
void TCellTable::SetFixedRows(int32_t value) { ChangeFixed(false, value); }

void TCellTable::ChangeCount(bool cols, int32_t value) {
  int32_t& count = cols ? FColCount : FRowCount;
  if (value == count) return;
  if (value <= 0) value = 1;
  if (value > kMaxCount) OutOfBounds(value);
  if (value == count) return;
  int32_t& fixed = cols ? FFixedCols : FFixedRows;
  if (fixed >= value) ChangeFixed(cols, value - 1);

  const int32_t oldColCount = FColCount;
  const int32_t oldRowCount = FRowCount;
  count = value;
  std::vector<int32_t>& sizes = cols ? FColWidths : FRowHeights;
  if (sizes.size() > static_cast<size_t>(value)) sizes.resize(static_cast<size_t>(value));

  TGridCoord clamped = FCurrent;
  clamped.X = std::min(clamped.X, FColCount - 1);
  clamped.Y = std::min(clamped.Y, FRowCount - 1);
  try {
    SetCurrentAndAnchor(clamped, clamped);
  } catch (...) {
    // An open editor refused to give up its cell: the extent stays as it was.
    FColCount = oldColCount;
    FRowCount = oldRowCount;
    NotifyLayout();
    throw;
  }
  FLeftCol = std::clamp(FLeftCol, FFixedCols, FColCount - 1);
  FTopRow = std::clamp(FTopRow, FFixedRows, FRowCount - 1);
  NotifyLayout();
}

void TCellTable::ChangeFixed(bool cols, int32_t value) {
  int32_t& fixed = cols ? FFixedCols : FFixedRows;
  if (value == fixed) return;
  if (value < 0) ThrowError("Grid index out of range");
  if (cols && value >= FColCount) ThrowError("Fixed column count must be less than column count");
  if (!cols && value >= FRowCount) ThrowError("Fixed row count must be less than row count");
  const int32_t old = fixed;
  fixed = value;
  const TGridCoord origin{FFixedCols, FFixedRows};
  try {
    SetCurrentAndAnchor(origin, origin);
  } catch (...) {
    fixed = old;
    throw;
  }
  FLeftCol = FFixedCols;
  FTopRow = FFixedRows;
  NotifyLayout();
}

// --- Current cell and selection ---------------------------------------------

TGridRect TCellTable::Selection() const {
  return {std::min(FCurrent.X, FAnchor.X), std::min(FCurrent.Y, FAnchor.Y),
          std::max(FCurrent.X, FAnchor.X), std::max(FCurrent.Y, FAnchor.Y)};
}

TGridCoord TCellTable::ClampToEditable(TGridCoord cell) const {
  const int32_t minX = FFixedCols < FColCount ? FFixedCols : 0;
  const int32_t minY = FFixedRows < FRowCount ? FFixedRows : 0;
  return {std::clamp(cell.X, minX, FColCount - 1), std::clamp(cell.Y, minY, FRowCount - 1)};
}

void TCellTable::SetCurrentAndAnchor(TGridCoord current, TGridCoord anchor) {
  if (current == FCurrent && anchor == FAnchor) return;
  if (!(current == FCurrent) && FObserver != nullptr) FObserver->CurrentCellMoving();
  FCurrent = current;
  FAnchor = anchor;
  if (FObserver != nullptr) FObserver->SelectionChanged();
}

void TCellTable::MoveCurrent(TGridCoord cell, bool extend) {
  const TGridCoord target = ClampToEditable(cell);
  SetCurrentAndAnchor(target, extend ? FAnchor : target);
}

void TCellTable::SetSelection(TGridCoord anchor, TGridCoord current) {
  SetCurrentAndAnchor(ClampToEditable(current), ClampToEditable(anchor));
}

void TCellTable::SetLeftCol(int32_t value) {
  value = std::clamp(value, FFixedCols, FColCount - 1);
  if (value == FLeftCol) return;
  FLeftCol = value;
  NotifyLayout();
}

void TCellTable::SetTopRow(int32_t value) {
  value = std::clamp(value, FFixedRows, FRowCount - 1);
  if (value == FTopRow) return;
  FTopRow = value;
  NotifyLayout();
}

// --- Sizes ---------------------------------------------------------------------

void TCellTable::SetDefaultColWidth(int32_t value) {
  FDefaultColWidth = value;
  FColWidths.clear();
  NotifyLayout();
}

void TCellTable::SetDefaultRowHeight(int32_t value) {
  FDefaultRowHeight = value;
  FRowHeights.clear();
  NotifyLayout();
}

int32_t TCellTable::ColWidths(int32_t col) const {
  if (col < 0 || col >= FColCount) ThrowError("Grid index out of range");
  return static_cast<size_t>(col) < FColWidths.size() ? FColWidths[static_cast<size_t>(col)]
                                                      : FDefaultColWidth;
}

void TCellTable::SetColWidths(int32_t col, int32_t width) {
  if (col < 0 || col >= FColCount) ThrowError("Grid index out of range");
  if (static_cast<size_t>(col) >= FColWidths.size())
    FColWidths.resize(static_cast<size_t>(col) + 1, FDefaultColWidth);
  FColWidths[static_cast<size_t>(col)] = width;
  NotifyLayout();
}

int32_t TCellTable::RowHeights(int32_t row) const {
  if (row < 0 || row >= FRowCount) ThrowError("Grid index out of range");
  return static_cast<size_t>(row) < FRowHeights.size() ? FRowHeights[static_cast<size_t>(row)]
                                                       : FDefaultRowHeight;
}

void TCellTable::SetRowHeights(int32_t row, int32_t height) {
  if (row < 0 || row >= FRowCount) ThrowError("Grid index out of range");
  if (static_cast<size_t>(row) >= FRowHeights.size()) {
    FRowHeights.resize(static_cast<size_t>(row) + 1, FDefaultRowHeight);
  }
  FRowHeights[static_cast<size_t>(row)] = height;
  NotifyLayout();
}

// --- Structural operations ----------------------------------------------------

void TCellTable::ClearRange(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  if (col2 < col1 || row2 < row1 || FRows.empty()) return;
  const int32_t first = std::max(row1, 0);
  const int32_t last = std::min<int64_t>(row2, static_cast<int64_t>(FRows.size()) - 1);
  for (int32_t r = first; r <= last; ++r) {
    if (TStoreRow* row = FRows[static_cast<size_t>(r)].get())
      FStoredCells -= row->EraseRange(col1, col2);
  }
}

void TCellTable::ClearRect(int32_t aCol1, int32_t aRow1, int32_t aCol2, int32_t aRow2) {
  ClearRange(aCol1, aRow1, aCol2, aRow2);
  CellsChanged({aCol1, aRow1, aCol2, aRow2});
}

void TCellTable::Clear() { ClearRect(0, 0, FColCount - 1, FRowCount - 1); }

void TCellTable::ClearCols(int32_t colIndex, int32_t cCount) {
  if (FRowCount <= 0 || FColCount <= 0 || cCount <= 0) return;
  const int64_t last = int64_t{colIndex} + cCount - 1;
  ClearRect(colIndex, 0, static_cast<int32_t>(std::min<int64_t>(last, INT32_MAX)), FRowCount - 1);
}

void TCellTable::ClearRows(int32_t rowIndex, int32_t rCount) {
  if (FRowCount <= 0 || FColCount <= 0 || rCount <= 0) return;
  const int64_t last = int64_t{rowIndex} + rCount - 1;
  ClearRect(0, rowIndex, FColCount - 1, static_cast<int32_t>(std::min<int64_t>(last, INT32_MAX)));
}

void TCellTable::EmptyRowCells(int32_t aRow) {
  ClearRange(0, aRow, FColCount - 1, aRow);
  if (FObserver != nullptr) FObserver->CellsInvalidated({0, aRow, FColCount - 1, aRow});
}

void TCellTable::InsertRows(int32_t rowIndex, int32_t rCount, bool /*updateCellControls*/) {
  if (rCount <= 0) return;
  if (rowIndex < 0) OutOfBounds(rowIndex);
  if (int64_t{FRowCount} + rCount > kMaxCount) OutOfBounds(FRowCount + std::min(rCount, kMaxCount));
  ChangeCount(false, FRowCount + rCount);

  // Rows from the new last one down to rowIndex + rCount take the cells of
  // the visible columns of the row rCount places above; cells beyond
  // ColCount stay where they are.
  const int32_t cols = FColCount;
  for (int32_t r = FRowCount - 1; r >= rowIndex + rCount; --r) {
    const int32_t src = r - rCount;
    TStoreRow* from = FindRow(src);
    TStoreRow* to = FindRow(r);
    if (to != nullptr) FStoredCells -= to->EraseRange(0, cols - 1);
    if (from == nullptr || from->Cells.empty() || from->Cells.front().first >= cols) continue;
    auto end = from->LowerBound(cols);
    if (to == nullptr) {
      to = &MakeRow(r);
      from = FindRow(src);  // MakeRow may have moved the row directory
      end = from->LowerBound(cols);
    }
    const size_t moved = static_cast<size_t>(end - from->Cells.begin());
    to->Cells.insert(to->Cells.begin(), std::make_move_iterator(from->Cells.begin()),
                     std::make_move_iterator(end));
    from->Cells.erase(from->Cells.begin(), end);
    (void)moved;  // moved cells are counted once in both places
  }
  if (static_cast<size_t>(rowIndex) < FRowHeights.size()) {
    FRowHeights.insert(FRowHeights.begin() + rowIndex, static_cast<size_t>(rCount),
                       FDefaultRowHeight);
    if (FRowHeights.size() > static_cast<size_t>(FRowCount))
      FRowHeights.resize(static_cast<size_t>(FRowCount));
  }
  for (int32_t r = rowIndex; r < rowIndex + rCount && r < FRowCount; ++r) EmptyRowCells(r);
  CellsChanged({0, rowIndex, FColCount - 1, rowIndex + rCount});
}

void TCellTable::AppendEmptyRow() {
  ChangeCount(false, FRowCount + 1);
  EmptyRowCells(FRowCount - 1);
}

void TCellTable::DropRows(int32_t rowIndex, int32_t rCount) {
  if (rowIndex >= FRowCount) return;
  if (rowIndex < 0) OutOfBounds(rowIndex);
  const int32_t oldRow = FCurrent.Y;
  const int32_t oldTop = FTopRow;
  for (int32_t n = 0; n < rCount && rowIndex < FRowCount; ++n) {
    const int32_t last = FRowCount - 1;
    // The whole store row moves to the last place; the rows between move up.
    if (FRows.size() < static_cast<size_t>(FRowCount)) FRows.resize(static_cast<size_t>(FRowCount));
    std::rotate(FRows.begin() + rowIndex, FRows.begin() + rowIndex + 1, FRows.begin() + last + 1);
    if (static_cast<size_t>(rowIndex) < FRowHeights.size())
      FRowHeights.erase(FRowHeights.begin() + rowIndex);
    auto follow = [&](int32_t y) {
      if (y == rowIndex) return last;
      if (y > rowIndex && y <= last) return y - 1;
      return y;
    };
    FCurrent.Y = follow(FCurrent.Y);
    FAnchor.Y = follow(FAnchor.Y);
    ChangeCount(false, FRowCount - 1);
    if (FRowCount == 1 && last == 0) break;  // the last row cannot go
  }
  TGridCoord current = FCurrent;
  current.Y = oldRow < FRowCount ? oldRow : FRowCount - 1;
  current = ClampToEditable(current);
  SetCurrentAndAnchor(current, current);
  if (oldRow < FRowCount) FTopRow = std::clamp(oldTop, FFixedRows, FRowCount - 1);
  NotifyLayout();
  CellsChanged({0, rowIndex, FColCount - 1, rowIndex + rCount});
}

void TCellTable::RelocateColumn(int32_t fromIndex, int32_t toIndex) {
  if (fromIndex == toIndex) return;
  if (fromIndex < 0) OutOfBounds(fromIndex);
  if (toIndex < 0) OutOfBounds(toIndex);
  const int32_t lo = std::min(fromIndex, toIndex);
  const int32_t hi = std::max(fromIndex, toIndex);
  for (auto& row : FRows) {
    if (!row) continue;
    auto first = row->LowerBound(lo);
    auto last = std::lower_bound(first, row->Cells.end(), hi + 1,
                                 [](const TStoreRow::TEntry& e, int32_t c) { return e.first < c; });
    if (first == last) continue;
    for (auto it = first; it != last; ++it) {
      if (it->first == fromIndex) {
        it->first = toIndex;
      } else {
        it->first += fromIndex < toIndex ? -1 : 1;
      }
    }
    std::sort(first, last, [](const TStoreRow::TEntry& a, const TStoreRow::TEntry& b) {
      return a.first < b.first;
    });
  }
  if (!FColWidths.empty()) {
    if (FColWidths.size() <= static_cast<size_t>(hi))
      FColWidths.resize(static_cast<size_t>(hi) + 1, FDefaultColWidth);
    if (fromIndex < toIndex) {
      std::rotate(FColWidths.begin() + fromIndex, FColWidths.begin() + fromIndex + 1,
                  FColWidths.begin() + toIndex + 1);
    } else {
      std::rotate(FColWidths.begin() + toIndex, FColWidths.begin() + fromIndex,
                  FColWidths.begin() + fromIndex + 1);
    }
    if (FColWidths.size() > static_cast<size_t>(FColCount))
      FColWidths.resize(static_cast<size_t>(FColCount));
  }
  NotifyLayout();
  if (FObserver != nullptr) FObserver->CellsInvalidated({lo, 0, hi, FRowCount - 1});
}

bool TCellTable::DeleteRowByKey(int32_t aRow) {
  if (FRowCount - FFixedRows < 1) return false;
  bool canDelete = true;
  if (OnCanDeleteRow) OnCanDeleteRow(*this, aRow, canDelete);
  if (!canDelete) return false;
  if (FRowCount - FFixedRows == 1) {
    ClearRows(aRow, 1);
  } else {
    DropRows(aRow, 1);
  }
  if (OnAutoDeleteRow) OnAutoDeleteRow(*this, aRow);
  return true;
}

void TCellTable::CellsChanged(const TGridRect& r) {
  if (OnCellsChanged) OnCellsChanged(*this, r);
  if (FObserver != nullptr) FObserver->CellsInvalidated(r);
}

void TCellTable::NotifyLayout() {
  if (FObserver != nullptr) FObserver->LayoutChanged();
}

}  // namespace tessary

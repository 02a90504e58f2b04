#include "table/edit_history.h"

#include <algorithm>
#include <limits>

#include "common/error.h"

namespace tessary {

namespace {

constexpr size_t kNever = std::numeric_limits<size_t>::max();
constexpr size_t kMaxPool = std::numeric_limits<uint32_t>::max();

int32_t LastOf(int32_t first, int32_t count) {
  const int64_t last = static_cast<int64_t>(first) + count - 1;
  return static_cast<int32_t>(std::min<int64_t>(last, std::numeric_limits<int32_t>::max()));
}

// The order that takes a reordering back: row first+k returns to where it was.
std::vector<int32_t> InverseOrder(int32_t first, std::span<const int32_t> order) {
  std::vector<int32_t> inverse(order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    inverse[static_cast<size_t>(order[i] - first)] = first + static_cast<int32_t>(i);
  }
  return inverse;
}

size_t TextBytes(const std::u16string& s) {
  // Short texts live inside the string object itself.
  return s.capacity() * sizeof(char16_t) > sizeof(std::u16string) ? (s.capacity() + 1) * 2 : 0;
}

}  // namespace

TEditHistory::TEditHistory(TCellTable& table, size_t byteLimit)
    : FTable(table), FByteLimit(byteLimit) {}

// --- Steps ---------------------------------------------------------------------

void TEditHistory::BeginStep() {
  if (FDepth++ > 0) return;
  FOpen = TStep{};
  FOpen.AnchorBefore = FTable.Anchor();
  FOpen.CurrentBefore = FTable.Current();
}

void TEditHistory::EndStep() {
  if (FDepth == 0 || --FDepth > 0) return;
  TStep step = std::move(FOpen);
  FOpen = TStep{};
  if (step.Actions.empty()) return;
  step.AnchorAfter = FTable.Anchor();
  step.CurrentAfter = FTable.Current();
  step.Actions.shrink_to_fit();
  step.Bytes = sizeof(TStep) + step.Actions.capacity() * sizeof(TAction);
  for (TAction& a : step.Actions) {
    a.Cells.shrink_to_fit();
    a.Texts.shrink_to_fit();
    a.Order.shrink_to_fit();
    step.Bytes += a.Cells.capacity() * sizeof(TCellChange) + TextBytes(a.Texts) +
                  (a.Order.capacity() + a.Widths.capacity()) * sizeof(int32_t);
  }

  // A new step ends the redo branch; a saved state in it is gone for good.
  while (FSteps.size() > FPosition) {
    FBytes -= FSteps.back().Bytes;
    FSteps.pop_back();
  }
  if (FSavedAt != kNever && FSavedAt > FPosition) FSavedAt = kNever;
  FBytes += step.Bytes;
  FSteps.push_back(std::move(step));
  ++FPosition;
  // The oldest steps go when the history grows past its limit; the newest
  // step is always kept.
  while (FBytes > FByteLimit && FSteps.size() > 1) {
    FBytes -= FSteps.front().Bytes;
    FSteps.pop_front();
    --FPosition;
    if (FSavedAt != kNever) FSavedAt = FSavedAt == 0 ? kNever : FSavedAt - 1;
  }
  Notify(THistoryChange::hcRecorded);
}

void TEditHistory::Notify(THistoryChange change) {
  if (OnChange) OnChange(change);
}

// --- Recording -------------------------------------------------------------------

TEditHistory::TAction& TEditHistory::CellAction(size_t moreText) {
  if (FOpen.Actions.empty() || FOpen.Actions.back().Kind != TActionKind::akCells ||
      FOpen.Actions.back().Texts.size() + moreText > kMaxPool) {
    FOpen.Actions.emplace_back();
  }
  return FOpen.Actions.back();
}

void TEditHistory::AddAction(TActionKind kind, int32_t a, int32_t b) {
  TAction action;
  action.Kind = kind;
  action.A = a;
  action.B = b;
  FOpen.Actions.push_back(std::move(action));
  RowsChanged(FOpen.Actions.back(), false);
}

// The table changes of one action, in the order Apply makes them.
void TEditHistory::Visit(const TAction& a, bool undo,
                         const std::function<void(const TTableChange&)>& visit) {
  using TKind = TTableChange::TKind;
  TTableChange change;
  auto rows = [&](bool inserted, int32_t row, int32_t count) {
    change.Kind = inserted ? TKind::tcRowsInserted : TKind::tcRowsDropped;
    change.Row = row;
    change.Count = count;
    visit(change);
  };
  switch (a.Kind) {
    case TActionKind::akCells: {
      change.Kind = TKind::tcCell;
      const size_t m = a.Cells.size();
      for (size_t j = 0; j < m; ++j) {
        const TCellChange& c = a.Cells[undo ? m - 1 - j : j];
        change.Col = c.Col;
        change.Row = c.Row;
        visit(change);
      }
      break;
    }
    case TActionKind::akRowCount: {
      const int32_t from = undo ? a.B : a.A;
      const int32_t to = undo ? a.A : a.B;
      if (to > from) rows(true, from, to - from);
      if (to < from) rows(false, to, from - to);
      break;
    }
    case TActionKind::akInsertRows:
    case TActionKind::akDropRows:
      rows(undo != (a.Kind == TActionKind::akInsertRows), a.A, a.B);
      break;
    case TActionKind::akReorderRows: {
      const std::vector<int32_t> inverse =
          undo ? InverseOrder(a.A, a.Order) : std::vector<int32_t>();
      change.Kind = TKind::tcRowsReordered;
      change.Row = a.A;
      change.Order = undo ? std::span<const int32_t>(inverse) : std::span<const int32_t>(a.Order);
      visit(change);
      break;
    }
    case TActionKind::akColCount:
      change.Kind = TKind::tcColCount;
      change.Count = undo ? a.A : a.B;
      visit(change);
      break;
    case TActionKind::akFixedRows:
    case TActionKind::akMoveColumn:
      break;
  }
}

void TEditHistory::RowsChanged(const TAction& a, bool undo) {
  if (!OnRowsChanged || a.Kind == TActionKind::akCells || a.Kind == TActionKind::akColCount) {
    return;
  }
  Visit(a, undo, OnRowsChanged);
}

void TEditHistory::ForEachChange(bool undo,
                                 const std::function<void(const TTableChange&)>& visit) const {
  if (FDepth > 0 || (undo ? !CanUndo() : !CanRedo())) return;
  const TStep& step = FSteps[undo ? FPosition - 1 : FPosition];
  const size_t n = step.Actions.size();
  for (size_t i = 0; i < n; ++i) Visit(step.Actions[undo ? n - 1 - i : i], undo, visit);
}

void TEditHistory::RecordCell(int32_t col, int32_t row, std::u16string_view oldText,
                              std::u16string_view newText) {
  if (!Recording() || oldText == newText) return;
  TStepScope step(*this);
  TAction& a = CellAction(oldText.size() + newText.size());
  TCellChange change{col, row, 0, 0, 0, 0};
  change.OldAt = static_cast<uint32_t>(a.Texts.size());
  change.OldLength = static_cast<uint32_t>(oldText.size());
  a.Texts += oldText;
  change.NewAt = static_cast<uint32_t>(a.Texts.size());
  change.NewLength = static_cast<uint32_t>(newText.size());
  a.Texts += newText;
  a.Cells.push_back(change);
}

void TEditHistory::RecordRowCount(int32_t before, int32_t after) {
  if (!Recording() || before == after) return;
  TStepScope step(*this);
  AddAction(TActionKind::akRowCount, before, after);
}

// Records every cell of the rectangle that holds text as emptied. Rows are
// read only up to their last stored cell.
void TEditHistory::RecordRect(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  if (!Recording() || col2 < col1 || row2 < row1 || col1 < 0 || row1 < 0) return;
  row2 = std::min(row2, TCellTable::kMaxIndex);
  for (int32_t r = row1; r <= row2; ++r) {
    const int32_t last = std::min(col2, FTable.LastStoredCol(r));
    for (int32_t c = col1; c <= last; ++c) {
      const std::u16string_view text = FTable.Cells(c, r);
      if (!text.empty()) RecordCell(c, r, text, std::u16string_view());
    }
  }
}

// --- Changes made through the history ------------------------------------------------

void TEditHistory::SetCells(int32_t col, int32_t row, std::u16string_view text) {
  if (col >= 0 && row >= 0 && FTable.Cells(col, row) == text) return;
  // Copies of both texts: `text` may lie in the table itself.
  std::u16string old(col >= 0 && row >= 0 ? FTable.Cells(col, row) : std::u16string_view());
  std::u16string value(text);
  FTable.SetCells(col, row, value);  // throws for indices the table cannot hold
  RecordCell(col, row, old, value);
}

void TEditHistory::ClearRect(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  TStepScope step(*this);
  RecordRect(col1, row1, col2, row2);
  FTable.ClearRect(col1, row1, col2, row2);
}

void TEditHistory::ClearCols(int32_t colIndex, int32_t cCount) {
  if (FTable.RowCount() <= 0 || FTable.ColCount() <= 0 || cCount <= 0) return;
  ClearRect(colIndex, 0, LastOf(colIndex, cCount), FTable.RowCount() - 1);
}

void TEditHistory::ClearRows(int32_t rowIndex, int32_t rCount) {
  if (FTable.RowCount() <= 0 || FTable.ColCount() <= 0 || rCount <= 0) return;
  ClearRect(0, rowIndex, FTable.ColCount() - 1, LastOf(rowIndex, rCount));
}

void TEditHistory::EmptyRowCells(int32_t row) {
  TStepScope step(*this);
  RecordRect(0, row, FTable.ColCount() - 1, row);
  FTable.EmptyRowCells(row);
}

void TEditHistory::SetCount(TActionKind kind, int32_t value) {
  TStepScope step(*this);
  const int32_t fixedBefore = FTable.FixedRows();
  const int32_t before = kind == TActionKind::akColCount ? FTable.ColCount() : FTable.RowCount();
  // The widths of columns that go, for an undo to bring them back with.
  std::vector<int32_t> widths;
  if (kind == TActionKind::akColCount && Recording()) {
    for (int32_t c = std::max(value, 1); c < before; ++c) widths.push_back(FTable.ColWidths(c));
  }
  ApplyCount(kind, value);
  const int32_t after = kind == TActionKind::akColCount ? FTable.ColCount() : FTable.RowCount();
  // Lowering the row count below the fixed rows lowers them first.
  if (FTable.FixedRows() != fixedBefore && Recording()) {
    AddAction(TActionKind::akFixedRows, fixedBefore, FTable.FixedRows());
  }
  if (before != after && Recording()) {
    AddAction(kind, before, after);
    if (after < before) FOpen.Actions.back().Widths = std::move(widths);
  }
}

void TEditHistory::ApplyCount(TActionKind kind, int32_t value) {
  switch (kind) {
    case TActionKind::akColCount:
      FTable.SetColCount(value);
      break;
    case TActionKind::akRowCount:
      FTable.SetRowCount(value);
      break;
    default:
      FTable.SetFixedRows(value);
      break;
  }
}

void TEditHistory::SetColCount(int32_t value) { SetCount(TActionKind::akColCount, value); }
void TEditHistory::SetRowCount(int32_t value) { SetCount(TActionKind::akRowCount, value); }

void TEditHistory::SetFixedRows(int32_t value) {
  const int32_t before = FTable.FixedRows();
  FTable.SetFixedRows(value);
  if (before == value || !Recording()) return;
  TStepScope step(*this);
  AddAction(TActionKind::akFixedRows, before, value);
}

// The rows just past the extent take the shifted cells of the last rows:
// what they held hidden is recorded as emptied first.
void TEditHistory::InsertRows(int32_t rowIndex, int32_t rCount) {
  if (rCount <= 0) return;
  if (rowIndex < 0 || rowIndex > FTable.RowCount()) {
    ThrowError("List index out of bounds (%d)", static_cast<int>(rowIndex));
  }
  TStepScope step(*this);
  const int32_t rows = FTable.RowCount();
  ClearRect(0, rows, FTable.ColCount() - 1, LastOf(rows, rCount));
  FTable.InsertRows(rowIndex, rCount, true);
  if (Recording()) AddAction(TActionKind::akInsertRows, rowIndex, rCount);
}

void TEditHistory::AppendEmptyRow() {
  TStepScope step(*this);
  SetRowCount(FTable.RowCount() + 1);
  EmptyRowCells(FTable.RowCount() - 1);
}

// The rows are emptied first, so that they are parked empty past the extent
// and come back with their texts on undo.
void TEditHistory::DropRows(int32_t rowIndex, int32_t rCount) {
  if (rowIndex < 0 || rowIndex >= FTable.RowCount() || rCount <= 0) {
    FTable.DropRows(rowIndex, rCount);
    return;
  }
  TStepScope step(*this);
  const int32_t count = std::min(rCount, FTable.RowCount() - rowIndex);
  ClearRect(0, rowIndex, FTable.ColCount() - 1, LastOf(rowIndex, count));
  FTable.DropRows(rowIndex, count);
  if (Recording()) AddAction(TActionKind::akDropRows, rowIndex, count);
}

void TEditHistory::RelocateColumn(int32_t fromIndex, int32_t toIndex) {
  FTable.RelocateColumn(fromIndex, toIndex);
  if (fromIndex == toIndex || !Recording()) return;
  TStepScope step(*this);
  AddAction(TActionKind::akMoveColumn, fromIndex, toIndex);
}

void TEditHistory::ReorderRows(int32_t first, std::vector<int32_t> order) {
  FTable.ReorderRows(first, order);  // throws for an order that is no reordering
  if (!Recording()) return;
  TStepScope step(*this);
  TAction action;
  action.Kind = TActionKind::akReorderRows;
  action.A = first;
  action.Order = std::move(order);
  FOpen.Actions.push_back(std::move(action));
  RowsChanged(FOpen.Actions.back(), false);
}

// --- Undo and redo -----------------------------------------------------------------------

void TEditHistory::Apply(const TStep& step, bool undo) {
  FApplying = true;
  try {
    const size_t n = step.Actions.size();
    for (size_t i = 0; i < n; ++i) {
      const TAction& a = step.Actions[undo ? n - 1 - i : i];
      switch (a.Kind) {
        case TActionKind::akCells: {
          const size_t m = a.Cells.size();
          for (size_t j = 0; j < m; ++j) {
            const TCellChange& c = a.Cells[undo ? m - 1 - j : j];
            const std::u16string_view text =
                undo ? std::u16string_view(a.Texts).substr(c.OldAt, c.OldLength)
                     : std::u16string_view(a.Texts).substr(c.NewAt, c.NewLength);
            FTable.SetCells(c.Col, c.Row, text);
          }
          break;
        }
        case TActionKind::akColCount:
        case TActionKind::akRowCount:
        case TActionKind::akFixedRows:
          ApplyCount(a.Kind, undo ? a.A : a.B);
          if (undo) {
            for (size_t w = 0; w < a.Widths.size(); ++w) {
              FTable.SetColWidths(a.B + static_cast<int32_t>(w), a.Widths[w]);
            }
          }
          break;
        case TActionKind::akInsertRows:
        case TActionKind::akDropRows:
          if (undo == (a.Kind == TActionKind::akInsertRows)) {
            FTable.DropRows(a.A, a.B);
          } else {
            FTable.InsertRows(a.A, a.B, true);
          }
          break;
        case TActionKind::akMoveColumn:
          FTable.RelocateColumn(undo ? a.B : a.A, undo ? a.A : a.B);
          break;
        case TActionKind::akReorderRows:
          FTable.ReorderRows(a.A, undo ? InverseOrder(a.A, a.Order) : a.Order);
          break;
      }
      RowsChanged(a, undo);
    }
    FTable.SetSelection(undo ? step.AnchorBefore : step.AnchorAfter,
                        undo ? step.CurrentBefore : step.CurrentAfter);
  } catch (...) {
    // The table is now somewhere between two steps: no step fits it, and
    // it matches no saved state.
    FApplying = false;
    FSteps.clear();
    FPosition = 0;
    FSavedAt = kNever;
    FBytes = 0;
    Notify(THistoryChange::hcCleared);
    throw;
  }
  FApplying = false;
}

bool TEditHistory::Undo() {
  if (FDepth > 0 || !CanUndo()) return false;
  Apply(FSteps[FPosition - 1], true);
  --FPosition;
  Notify(THistoryChange::hcUndone);
  return true;
}

bool TEditHistory::Redo() {
  if (FDepth > 0 || !CanRedo()) return false;
  Apply(FSteps[FPosition], false);
  ++FPosition;
  Notify(THistoryChange::hcRedone);
  return true;
}

void TEditHistory::Clear() { Reset(0); }

void TEditHistory::ClearUnsaved() { Reset(kNever); }

void TEditHistory::Reset(size_t savedAt) {
  FSteps.clear();
  FOpen = TStep{};
  FPosition = 0;
  FSavedAt = savedAt;
  FBytes = 0;
  Notify(THistoryChange::hcCleared);
}

void TEditHistory::MarkSaved() {
  FSavedAt = FPosition;
  Notify(THistoryChange::hcSaved);
}

}  // namespace tessary

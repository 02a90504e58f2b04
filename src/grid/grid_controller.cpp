#include "grid/grid_controller.h"

#include <algorithm>
#include <climits>

#include "grid/clipboard_text.h"
#include "grid/table_tools.h"

namespace tessary {

TGridController::TGridController(TCellTable& table, TGridViewPort& view, TClipboardPort* clipboard)
    : FTable(table), FView(view), FClipboard(clipboard), FHistory(table) {
  FTable.SetObserver(this);
  // Rows inserted, removed or reordered keep whether they show.
  FHistory.OnRowsChanged = [this](const TTableChange& change) { FFilter.Follow(change); };
}

TGridController::~TGridController() {
  if (FTable.Observer() == this) FTable.SetObserver(nullptr);
}

void TGridController::SetClientSize(TClientSize size) {
  FClient.Width = size.Width;
  FClient.Height = size.Height;
  FVisibleValid = false;
  if (FEditing) {
    FView.Editor().Place(CellRect(FTable, FClient, FEditCell.X, FEditCell.Y, &FFilter));
  }
  FView.LayoutChanged();
}

// --- Table notifications -------------------------------------------------------

void TGridController::CellWritten(int32_t col, int32_t row) {
  // Only a cell that shows costs a repaint; a file load writes many that do
  // not, so the visible range is kept until the layout changes.
  if (!FVisibleValid) {
    FVisible = VisibleRange(FTable, FClient, &FFilter);
    FVisibleValid = true;
  }
  const TVisibleRange& v = FVisible;
  const bool colShows =
      col < PinnedCols(FTable, FClient) || (col >= v.FirstCol && col <= v.LastCol);
  const bool rowShows = row < FTable.FixedRows() || (row >= v.FirstRow && row <= v.LastRow);
  if (colShows && rowShows && col < FTable.ColCount() && row < FTable.RowCount()) {
    FView.InvalidateRect(CellRect(FTable, FClient, col, row, &FFilter));
  }
  if (FEditing && !FWritingFromEditor && FEditCell == TGridCoord{col, row}) {
    TInplaceEditorPort& editor = FView.Editor();
    editor.SetText(std::u16string(FTable.Cells(col, row)));
    FShownText = editor.Text();
  }
  if (row < 2) FView.StatusChanged();  // a column's name or type
}

void TGridController::CellsInvalidated(const TGridRect&) {
  FView.InvalidateAll();
  FView.StatusChanged();
}

void TGridController::LayoutChanged() {
  FVisibleValid = false;
  if (FEditing) {
    FView.Editor().Place(CellRect(FTable, FClient, FEditCell.X, FEditCell.Y, &FFilter));
  }
  FView.LayoutChanged();
  FView.InvalidateAll();
  FView.StatusChanged();
}

void TGridController::CurrentCellMoving() { EndEdit(false); }

void TGridController::SelectionChanged() {
  FView.InvalidateAll();
  FView.StatusChanged();
}

// --- Editing -------------------------------------------------------------------

bool TGridController::CanEdit() const {
  if (!FOptions.Editing || !FView.HasFocus() || !CurrentRowShows()) return false;
  return FTable.Col() >= FTable.FixedCols() && FTable.Row() >= FTable.FixedRows();
}

void TGridController::ShowInplaceEdit(bool selectAll) {
  if (FEditing || !CanEdit()) return;
  ScrollCurrentIntoView();
  FEditCell = FTable.Current();
  FBeforeText = FTable.Cells(FEditCell.X, FEditCell.Y);
  TInplaceEditorPort& editor = FView.Editor();
  // The stored text itself, markup included: cells hold texts such as
  // "<none>" literally.
  editor.Show(CellRect(FTable, FClient, FEditCell.X, FEditCell.Y, &FFilter), FBeforeText,
              selectAll);
  FShownText = editor.Text();
  FEditing = true;
}

void TGridController::HideInplaceEdit() { EndEdit(false); }

void TGridController::CancelEdit() { EndEdit(true); }

void TGridController::WriteEditCell(const std::u16string& text) {
  if (FTable.Cells(FEditCell.X, FEditCell.Y) == text) return;
  FWritingFromEditor = true;
  try {
    FTable.SetCells(FEditCell.X, FEditCell.Y, text);
  } catch (...) {
    FWritingFromEditor = false;
    throw;
  }
  FWritingFromEditor = false;
}

// The editor's text goes back into the cell only when it was edited:
// opening and closing the editor never changes a cell (a lone CR, which the
// editor shows as a line break, stays as it is). A committed edit is one
// step of the history, also when Paste in the editor wrote the cell before.
void TGridController::EndEdit(bool cancel) {
  if (!FEditing) return;
  FEditing = false;
  TInplaceEditorPort& editor = FView.Editor();
  const std::u16string text = editor.Text();
  editor.Hide();
  if (cancel) {
    WriteEditCell(FBeforeText);
  } else if (text != FShownText) {
    WriteEditCell(text);
  }
  FHistory.RecordCell(FEditCell.X, FEditCell.Y, FBeforeText,
                      FTable.Cells(FEditCell.X, FEditCell.Y));
}

void TGridController::EditorFocusLost() { EndEdit(false); }

bool TGridController::Undo() { return UndoOrRedo(true); }

bool TGridController::Redo() { return UndoOrRedo(false); }

// A step that would change rows the filter hides clears the filter first,
// so that no change happens out of sight. The step is tried on a copy of
// the filter, which follows its row changes one by one.
bool TGridController::UndoOrRedo(bool undo) {
  EndEdit(false);
  if (undo ? !FHistory.CanUndo() : !FHistory.CanRedo()) return false;
  if (FFilter.Active()) {
    TTableFilter trial = FFilter;
    int32_t rows = FTable.RowCount();
    int32_t cols = FTable.ColCount();
    bool touches = false;
    FHistory.ForEachChange(undo, [&](const TTableChange& change) {
      if (touches) return;
      touches = trial.Touches(change, rows, cols);
      trial.Follow(change);
      if (change.Kind == TTableChange::TKind::tcRowsInserted) rows += change.Count;
      if (change.Kind == TTableChange::TKind::tcRowsDropped) rows -= change.Count;
      if (change.Kind == TTableChange::TKind::tcColCount) cols = change.Count;
    });
    if (touches) {
      ClearFilter();
      Notify(undo ? TGridNotice::gnFilterClearedForUndo : TGridNotice::gnFilterClearedForRedo);
    }
  }
  try {
    if (!(undo ? FHistory.Undo() : FHistory.Redo())) return false;
  } catch (...) {
    // The history is gone and the rows may be anywhere: show them all.
    FFilter.Clear();
    throw;
  }
  KeepCurrentShown();
  ScrollCurrentIntoView();
  return true;
}

// --- Keys ------------------------------------------------------------------------

void TGridController::ScrollCurrentIntoView() {
  const int32_t left = LeftColShowing(FTable, FClient, FTable.Col());
  const int32_t top = TopRowShowing(FTable, FClient, FTable.Row(), &FFilter);
  if (left != FTable.LeftCol()) FTable.SetLeftCol(left);
  if (top != FTable.TopRow()) FTable.SetTopRow(top);
}

void TGridController::ScrollTo(int32_t leftCol, int32_t topRow) {
  FTable.SetLeftCol(std::clamp(leftCol, PinnedCols(FTable, FClient), MaxLeftCol(FTable, FClient)));
  topRow = std::clamp(topRow, FTable.FixedRows(), MaxTopRow(FTable, FClient, &FFilter));
  // A hidden row cannot be the first one shown: the next shown row is.
  if (!FFilter.Shows(topRow)) topRow = ShownRowMovedBy(FTable, &FFilter, topRow, 1);
  FTable.SetTopRow(topRow);
}

void TGridController::SetKeepFirstColumn(bool keep) {
  FClient.KeptCols = keep ? 1 : 0;
  FVisibleValid = false;
  ScrollTo(FTable.LeftCol(), FTable.TopRow());
  LayoutChanged();
}

bool TGridController::Movement(TGridKey key, TKeyMods mods) {
  const TGridCoord cur = FTable.Current();
  TGridCoord target = cur;
  const bool extend = mods.Shift && FOptions.RangeSelect;
  switch (key) {
    case TGridKey::gkLeft:
    case TGridKey::gkRight: {
      const int32_t sign = key == TGridKey::gkLeft ? -1 : 1;
      if (mods.Ctrl) {
        const int32_t page = ColPage(FTable, FClient);
        target.X += sign * page;
        ScrollTo(FTable.LeftCol() + sign * page, FTable.TopRow());
      } else {
        target.X += sign;
      }
      break;
    }
    case TGridKey::gkUp:
    case TGridKey::gkDown: {
      const int32_t sign = key == TGridKey::gkUp ? -1 : 1;
      if (mods.Ctrl) {
        ScrollTo(FTable.LeftCol(), ShownRowMovedBy(FTable, &FFilter, FTable.TopRow(), sign));
        return true;
      }
      target.Y = ShownRowMovedBy(FTable, &FFilter, cur.Y, sign);
      break;
    }
    case TGridKey::gkPageUp:
    case TGridKey::gkPageDown: {
      const int32_t sign = key == TGridKey::gkPageUp ? -1 : 1;
      if (mods.Ctrl) {
        const TVisibleRange v = VisibleRange(FTable, FClient, &FFilter);
        target.Y = sign < 0 ? v.FirstRow : std::max(v.FirstRow, v.LastFullRow);
      } else {
        const int32_t page = RowPage(FTable, FClient, &FFilter);
        target.Y = ShownRowMovedBy(FTable, &FFilter, cur.Y, sign * page);
        ScrollTo(FTable.LeftCol(), ShownRowMovedBy(FTable, &FFilter, FTable.TopRow(), sign * page));
      }
      break;
    }
    case TGridKey::gkHome:
      target.X = FTable.FixedCols();
      if (mods.Ctrl && FirstShownRow() >= 0) target.Y = FirstShownRow();
      break;
    case TGridKey::gkEnd:
      target.X = FTable.ColCount() - 1;
      if (mods.Ctrl && LastShownRow() >= 0) target.Y = LastShownRow();
      break;
    default:
      return false;
  }
  target.X = std::clamp(target.X, FTable.FixedCols(), FTable.ColCount() - 1);
  target.Y = std::clamp(target.Y, FTable.FixedRows(), FTable.RowCount() - 1);
  if (!(target == cur)) FTable.MoveCurrent(target, extend);
  ScrollCurrentIntoView();
  return true;
}

// Each row key is one step of the history, with whatever its event handlers
// change through the history.
void TGridController::AppendOnDown() {
  const int32_t row = FTable.Row();
  TEditHistory::TStepScope step(FHistory);
  bool canAdd = true;
  if (FTable.OnCanAddRow) FTable.OnCanAddRow(FTable, canAdd);
  if (!canAdd) return;
  FHistory.AppendEmptyRow();
  if (FTable.OnAutoAddRow) FTable.OnAutoAddRow(FTable, row);
}

void TGridController::InsertRowByKey() {
  const int32_t row = FTable.Row();
  TEditHistory::TStepScope step(FHistory);
  bool canInsert = true;
  if (FTable.OnCanInsertRow) FTable.OnCanInsertRow(FTable, row, canInsert);
  if (!canInsert) return;
  FHistory.InsertRows(row, 1);
  if (FTable.OnAutoInsertRow) FTable.OnAutoInsertRow(FTable, row);
}

// The [Del] key's row removal of the cell table; a hidden row is never
// removed.
void TGridController::DeleteRowByKey() {
  const int32_t row = FTable.Row();
  if (FTable.RowCount() - FTable.FixedRows() < 1 || !CurrentRowShows()) return;
  TEditHistory::TStepScope step(FHistory);
  bool canDelete = true;
  if (FTable.OnCanDeleteRow) FTable.OnCanDeleteRow(FTable, row, canDelete);
  if (!canDelete) return;
  if (FTable.RowCount() - FTable.FixedRows() == 1) {
    FHistory.ClearRows(row, 1);
  } else {
    FHistory.DropRows(row, 1);
  }
  if (FTable.OnAutoDeleteRow) FTable.OnAutoDeleteRow(FTable, row);
  KeepCurrentShown();
}

// Insert row and Delete rows of the context menu: the table tools', which
// keep to the shown rows.
void TGridController::InsertRow() {
  EndEdit(false);
  tessary::InsertRow(*this);
}

void TGridController::DeleteSelectedRows() {
  EndEdit(false);
  DeleteRows(*this);
}

// With a filter on, the rows between the first and last shown row: the
// commands that act on a selection skip the hidden ones.
void TGridController::SelectAll() {
  if (FirstShownRow() < 0) return;
  FTable.SetSelection(TGridCoord{FTable.FixedCols(), FirstShownRow()},
                      TGridCoord{FTable.ColCount() - 1, LastShownRow()});
  ScrollCurrentIntoView();
}

bool TGridController::KeyDown(TGridKey key, TKeyMods mods) {
  if (FEditing) return EditorKeyDown(key, mods);
  // The last shown row: with a filter on, the new row comes at the end of
  // the table and shows; in a view where no row matches, Down adds one too.
  if (key == TGridKey::gkDown && FNavigation.AppendOnArrowDown &&
      (FTable.Row() == LastShownRow() || LastShownRow() < 0)) {
    AppendOnDown();
  }
  if (Movement(key, mods)) return true;

  if (mods.Ctrl && !mods.Alt && (key == TGridKey::gkZ || key == TGridKey::gkY)) {
    if (key == TGridKey::gkZ && !mods.Shift) {
      Undo();
    } else {
      Redo();
    }
    return true;
  }
  if (FNavigation.AllowClipboardShortCuts) {
    const bool noAlt = !mods.Alt;
    if (noAlt && mods.Ctrl && key == TGridKey::gkX) {
      CutToClipboard();
      return true;
    }
    if (noAlt && mods.Ctrl && key == TGridKey::gkV) {
      PasteFromClipboard();
      return true;
    }
    if (noAlt && mods.Ctrl && (key == TGridKey::gkC || key == TGridKey::gkInsert)) {
      CopyToClipboard();
      return true;
    }
    if (noAlt && mods.Shift && !mods.Ctrl && key == TGridKey::gkInsert) {
      PasteFromClipboard();
      return true;
    }
    if (noAlt && mods.Shift && !mods.Ctrl && key == TGridKey::gkDelete) {
      CutToClipboard();
      return true;
    }
  }
  switch (key) {
    case TGridKey::gkInsert:
      if (!mods.Ctrl && !mods.Shift && !mods.Alt && FNavigation.AllowInsertRow) InsertRowByKey();
      return true;
    case TGridKey::gkA:
      if (mods.Ctrl && !mods.Alt && FOptions.RangeSelect) {
        SelectAll();
        return true;
      }
      return false;
    case TGridKey::gkDelete:
      if (!mods.Alt && FNavigation.AllowDeleteRow) {
        DeleteRowByKey();
        ScrollCurrentIntoView();
      }
      return true;
    case TGridKey::gkF2:
      ShowInplaceEdit(false);
      return true;
    case TGridKey::gkEnter:
      ShowInplaceEdit(true);
      return true;
    default:
      return false;
  }
}

bool TGridController::KeyPress(char16_t ch) {
  if (FEditing) return false;
  // Ctrl+C, Ctrl+V and Ctrl+X also produce characters; the grid swallows them.
  if (ch == 3 || ch == 22 || ch == 24) return FNavigation.AllowClipboardShortCuts;
  if (ch != u'\b' && (ch < 32 || ch == 127)) return false;
  ShowInplaceEdit(true);
  if (!FEditing) return false;
  FView.Editor().TypeChar(ch);
  return true;
}

void TGridController::Advance() {
  const TGridCoord cur = FTable.Current();
  TGridCoord target{FTable.FixedCols(), std::max(FirstShownRow(), FTable.FixedRows())};
  if (cur.X < FTable.ColCount() - 1) {
    target = TGridCoord{cur.X + 1, cur.Y};
  } else if (cur.Y != LastShownRow()) {
    target = TGridCoord{FTable.FixedCols(), ShownRowMovedBy(FTable, &FFilter, cur.Y, 1)};
  }
  FTable.MoveCurrent(target);
  ScrollCurrentIntoView();
}

bool TGridController::EditorKeyDown(TGridKey key, TKeyMods mods) {
  if (!FEditing) return false;
  TInplaceEditorPort& editor = FView.Editor();
  const bool noAlt = !mods.Alt;
  // The edit box's own clipboard keys.
  if (noAlt && mods.Ctrl && (key == TGridKey::gkC || key == TGridKey::gkInsert)) {
    EditorCopy();
    return true;
  }
  if (noAlt && ((mods.Ctrl && key == TGridKey::gkX) ||
                (mods.Shift && !mods.Ctrl && key == TGridKey::gkDelete))) {
    EditorCut();
    return true;
  }
  if (noAlt && ((mods.Ctrl && key == TGridKey::gkV) ||
                (mods.Shift && !mods.Ctrl && key == TGridKey::gkInsert))) {
    EditorPaste();
    return true;
  }
  switch (key) {
    case TGridKey::gkEnter:
      if (mods.Ctrl) {
        if (FNavigation.AllowCtrlEnter) editor.ReplaceSelection(u"\r\n", false);
        return true;
      }
      EndEdit(false);
      if (FNavigation.AdvanceOnEnter) {
        Advance();
        if (FNavigation.AdvanceAutoEdit) ShowInplaceEdit(true);
      }
      return true;
    case TGridKey::gkEscape:
      EndEdit(true);
      return true;
    case TGridKey::gkUp:
    case TGridKey::gkDown: {
      const bool leaves =
          key == TGridKey::gkUp ? editor.CaretOnFirstLine() : editor.CaretOnLastLine();
      if (!leaves) return false;
      EndEdit(false);
      Movement(key, mods);
      return true;
    }
    case TGridKey::gkPageUp:
    case TGridKey::gkPageDown:
      Movement(key, mods);
      return true;
    case TGridKey::gkInsert:
      return !mods.Ctrl && !mods.Shift && !mods.Alt;
    case TGridKey::gkDelete:
      return mods.Ctrl;
    default:
      return false;
  }
}

// --- Clipboard ---------------------------------------------------------------------

// With a filter on, Copy and Cut take the shown rows of the selection only.
void TGridController::CopyToClipboard() {
  if (!FClipboard) return;
  const TGridRect sel = FTable.Selection();
  const bool removeHtml = !FNavigation.CopyHTMLTagsToClipboard;
  FClipboard->SetText(
      FFilter.Active() ? BuildCopyText(FTable, sel.Left, sel.Right,
                                       FFilter.ShownRows(FTable, sel.Top, sel.Bottom), removeHtml)
                       : BuildCopyText(FTable, sel, removeHtml));
}

// Copy, then the editable cells of the selection are emptied as one step.
void TGridController::CutToClipboard() {
  if (!FClipboard) return;
  CopyToClipboard();
  const TGridRect sel = FTable.Selection();
  const int32_t left = std::max(sel.Left, FTable.FixedCols());
  const int32_t top = std::max(sel.Top, FTable.FixedRows());
  if (!FFilter.Active()) {
    FHistory.ClearRect(left, top, sel.Right, sel.Bottom);
    return;
  }
  TEditHistory::TStepScope step(FHistory);
  for (int32_t r : FFilter.ShownRows(FTable, top, sel.Bottom))
    FHistory.ClearRect(left, r, sel.Right, r);
}

// One step: each cell as Paste writes it, and the rows it added.
void TGridController::PasteFromClipboard() {
  if (!FClipboard || !FOptions.Editing) return;
  const std::u16string text = FClipboard->GetText();
  if (text.empty()) return;
  const TGridRect sel = FTable.Selection();
  TEditHistory::TStepScope step(FHistory);
  if (FFilter.Active()) {
    PasteIntoShownRows(text, sel.Left, sel.Top);
    return;
  }
  const int32_t rows = FTable.RowCount();
  PasteText(FTable, text, sel.Left, sel.Top,
            [this](int32_t col, int32_t row, std::u16string& value, bool&) {
              FHistory.RecordCell(col, row, FTable.Cells(col, row), value);
            });
  FHistory.RecordRowCount(rows, FTable.RowCount());
}

// Line j of the text goes to the j-th shown row from `top`; lines past the
// last shown row are dropped, as rows are never added under a filter.
void TGridController::PasteIntoShownRows(std::u16string_view text, int32_t left, int32_t top) {
  const int32_t index = FFilter.ViewIndexAtOrAfter(FTable, top);
  if (index >= ShownRowCount(FTable, &FFilter)) return;
  int32_t row = RowOfShownIndex(FTable, &FFilter, index);
  int64_t line = 0;
  SplitPasteText(text, [&](TPasteField& f) {
    if (f.Line != line) {
      line = f.Line;
      const int32_t next = ShownRowMovedBy(FTable, &FFilter, row, 1);
      if (next == row) return false;
      row = next;
    }
    const int64_t col = int64_t{left} + f.Index;
    if (f.Written && col < FTable.ColCount()) {
      FHistory.SetCells(static_cast<int32_t>(col), row, f.Value);
    }
    return true;
  });
}

void TGridController::EditorCopy() {
  if (!FEditing || !FClipboard) return;
  TInplaceEditorPort& editor = FView.Editor();
  if (editor.HasSelectedText()) FClipboard->SetText(editor.SelectedText());
}

void TGridController::EditorCut() {
  if (!FEditing || !FClipboard) return;
  TInplaceEditorPort& editor = FView.Editor();
  if (!editor.HasSelectedText()) return;
  FClipboard->SetText(editor.SelectedText());
  editor.ReplaceSelection(u"", false);
}

void TGridController::EditorPaste() {
  if (!FEditing || !FClipboard) return;
  const std::u16string text = EditorPasteText(FClipboard->GetText());
  if (text.empty()) return;
  TInplaceEditorPort& editor = FView.Editor();
  editor.ReplaceSelection(text, editor.HasSelectedText());
  WriteEditCell(editor.Text());
}

// --- Mouse -------------------------------------------------------------------------

void TGridController::MouseDown(int32_t x, int32_t y, TKeyMods mods) {
  FEditOnRelease = false;
  FMouseX = x;
  FMouseY = y;
  const TGridCoord cell = CellAt(FTable, FClient, std::max(x, 0), y, &FFilter);
  const bool extend = mods.Shift && FOptions.RangeSelect;
  if (x < 0) {
    if (cell.Y < FTable.FixedRows()) return;  // also -1
    EndEdit(false);
    SelectRows(extend ? FTable.Anchor().Y : cell.Y, cell.Y);
    FState = TGridState::gsSelecting;
    FSelectingRows = true;
    FView.SetAutoScroll(true);
    return;
  }
  const bool inFixedRows = cell.Y >= 0 && cell.Y < FTable.FixedRows();
  if (inFixedRows) {
    EndEdit(false);
    FPressX = x;
    const int32_t sizing = FOptions.ColSizing ? SizingColumnAt(FTable, FClient, x) : -1;
    if (sizing >= 0) {
      FState = TGridState::gsColSizing;
      FSizingCol = sizing;
      FSizingLeft = ColumnLeft(FTable, FClient, sizing);
      FSizingBoundary = FSizingLeft + FTable.ColWidths(sizing);
      FView.InvalidateAll();
    } else if (cell.X >= FTable.FixedCols()) {
      if (extend) {
        SelectColumns(FTable.Anchor().X, cell.X);
      } else if (FOptions.ColMoving) {
        FState = TGridState::gsColMoving;
        FDragCol = cell.X;
        FDropCol = cell.X;
        FView.SetAutoScroll(true);
        FView.InvalidateAll();
      } else {
        SelectColumns(cell.X, cell.X);
      }
    }
    return;
  }
  if (cell.X < FTable.FixedCols() || cell.Y < FTable.FixedRows()) return;  // also -1
  if (extend) {
    FTable.MoveCurrent(cell, true);
  } else {
    FEditOnRelease = cell == FTable.Current();
    FTable.MoveCurrent(cell);
  }
  // The view scrolls to the cell on release: scrolling under a pressed
  // button would extend the selection at the next move.
  FState = TGridState::gsSelecting;
  FSelectingRows = false;
  FView.SetAutoScroll(true);
}

// The cell under the pointer while selecting, or the nearest one that
// shows when the pointer is outside the cells.
TGridCoord TGridController::CellNearPointer() const {
  const TVisibleRange v = VisibleRange(FTable, FClient, &FFilter);
  const TGridCoord at =
      CellAt(FTable, FClient, std::max(FMouseX, 0), std::max(FMouseY, 0), &FFilter);
  TGridCoord cell = at;
  if (cell.X < 0 || FMouseX >= FClient.Width) cell.X = std::max(v.FirstCol, v.LastCol);
  if (FMouseX < FixedWidth(FTable, FClient) && at.X < v.FirstCol) {
    cell.X = std::max(at.X, FTable.FixedCols());
  }
  if (cell.Y < 0 || FMouseY >= FClient.Height) cell.Y = std::max(v.FirstRow, v.LastRow);
  if (FMouseY < FixedHeight(FTable)) cell.Y = v.FirstRow;
  cell.X = std::clamp(cell.X, FTable.FixedCols(), FTable.ColCount() - 1);
  cell.Y = std::clamp(cell.Y, FTable.FixedRows(), FTable.RowCount() - 1);
  return cell;
}

void TGridController::ExtendSelectionToPointer() {
  const TGridCoord cell = CellNearPointer();
  if (FSelectingRows) {
    SelectRows(FTable.Anchor().Y, cell.Y);
  } else if (!(cell == FTable.Current())) {
    FEditOnRelease = false;
    FTable.MoveCurrent(cell, true);
  }
}

// A column selected whole: from the anchor's column to `col`, the current
// cell at the top. Only the columns scroll into view.
void TGridController::SelectColumns(int32_t anchorCol, int32_t col) {
  FTable.SetSelection(TGridCoord{anchorCol, FTable.RowCount() - 1},
                      TGridCoord{col, FTable.FixedRows()});
  ScrollTo(LeftColShowing(FTable, FClient, FTable.Col()), FTable.TopRow());
}

// Rows selected whole: from the anchor's row to `row`, the current cell in
// the first column. Only the rows scroll into view.
void TGridController::SelectRows(int32_t anchorRow, int32_t row) {
  FTable.SetSelection(TGridCoord{FTable.ColCount() - 1, anchorRow},
                      TGridCoord{FTable.FixedCols(), row});
  ScrollTo(FTable.LeftCol(), TopRowShowing(FTable, FClient, FTable.Row(), &FFilter));
}

bool TGridController::ContextClick(int32_t x, int32_t y) {
  const TGridCoord cell = CellAt(FTable, FClient, std::max(x, 0), y, &FFilter);
  if (cell.Y < 0 || (x >= 0 && cell.X < 0)) return false;
  const TGridRect sel = FTable.Selection();
  EndEdit(false);
  if (x < 0) {
    if (cell.Y < FTable.FixedRows()) return false;
    const bool whole = sel.Left == FTable.FixedCols() && sel.Right == FTable.ColCount() - 1;
    if (!whole || cell.Y < sel.Top || cell.Y > sel.Bottom) SelectRows(cell.Y, cell.Y);
    return true;
  }
  if (cell.X < FTable.FixedCols()) return false;
  if (cell.Y < FTable.FixedRows()) {
    const bool whole = sel.Top == FTable.FixedRows() && sel.Bottom == FTable.RowCount() - 1;
    if (!whole || cell.X < sel.Left || cell.X > sel.Right) SelectColumns(cell.X, cell.X);
    return true;
  }
  if (cell.X < sel.Left || cell.X > sel.Right || cell.Y < sel.Top || cell.Y > sel.Bottom) {
    FTable.MoveCurrent(cell);
    ScrollCurrentIntoView();
  }
  return true;
}

int32_t TGridController::DropColumnAt(int32_t x) const {
  const TVisibleRange v = VisibleRange(FTable, FClient, &FFilter);
  if (x < FixedWidth(FTable, FClient)) {
    const int32_t pinned = CellAt(FTable, FClient, std::max(x, 0), 0, &FFilter).X;
    return pinned >= FTable.FixedCols() ? pinned : v.FirstCol;
  }
  const int32_t col = CellAt(FTable, FClient, x, 0, &FFilter).X;
  if (col < 0) return std::max(v.FirstCol, v.LastCol);
  return std::max(col, FTable.FixedCols());
}

void TGridController::MouseMove(int32_t x, int32_t y) {
  FMouseX = x;
  FMouseY = y;
  if (FState == TGridState::gsSelecting) {
    ExtendSelectionToPointer();
  } else if (FState == TGridState::gsColSizing) {
    FView.InvalidateAll();
  } else if (FState == TGridState::gsColMoving) {
    FDropCol = DropColumnAt(x);
    FView.InvalidateAll();
  }
}

// While a drag goes on past an edge of the cells, the view scrolls one
// column or row a tick toward the pointer.
void TGridController::AutoScrollTick() {
  if (FState != TGridState::gsColMoving && FState != TGridState::gsSelecting) return;
  int32_t left = FTable.LeftCol();
  int32_t top = FTable.TopRow();
  if (FState == TGridState::gsColMoving || !FSelectingRows) {
    if (FMouseX >= FClient.Width) {
      ++left;
    } else if (FMouseX < FixedWidth(FTable, FClient)) {
      --left;
    }
  }
  if (FState == TGridState::gsSelecting) {
    if (FMouseY >= FClient.Height) {
      ++top;
    } else if (FMouseY < FixedHeight(FTable)) {
      --top;
    }
  }
  ScrollTo(left, top);
  if (FState == TGridState::gsSelecting) {
    ExtendSelectionToPointer();
    return;
  }
  FDropCol = DropColumnAt(FMouseX);
  FView.InvalidateAll();
}

void TGridController::FinishColumnMove() {
  const int32_t from = FDragCol;
  const int32_t to = FDropCol;
  if (from == to || to < FTable.FixedCols() || to >= FTable.ColCount()) return;
  int32_t col = FTable.Col();
  if (col == from) {
    col = to;
  } else if (from < to && col > from && col <= to) {
    --col;
  } else if (to < from && col >= to && col < from) {
    ++col;
  }
  TEditHistory::TStepScope step(FHistory);
  FHistory.RelocateColumn(from, to);
  FTable.MoveCurrent(TGridCoord{col, FTable.Row()});
}

void TGridController::MouseUp(int32_t x, int32_t y) {
  FMouseX = x;
  FMouseY = y;
  const TGridState state = FState;
  FState = TGridState::gsNormal;
  if (state == TGridState::gsColSizing) {
    const int32_t width = SizingLine() - FSizingLeft;
    if (width > 1 && FSizingCol < FTable.ColCount()) FTable.SetColWidths(FSizingCol, width);
  } else if (state == TGridState::gsColMoving) {
    FView.SetAutoScroll(false);
    FDropCol = DropColumnAt(x);
    if (FDropCol == FDragCol) {
      SelectColumns(FDragCol, FDragCol);
    } else {
      FinishColumnMove();
    }
  } else if (state == TGridState::gsSelecting) {
    FView.SetAutoScroll(false);
    if (FEditOnRelease) {
      ShowInplaceEdit(true);
    } else if (!FSelectingRows) {
      ScrollCurrentIntoView();
    }
  }
  FEditOnRelease = false;
  FDragCol = FDropCol = FSizingCol = -1;
  FView.InvalidateAll();
}

void TGridController::AutoSizeColumn(int32_t col) {
  int32_t widest = 0;
  for (int32_t r = 0; r < FTable.RowCount(); ++r) {
    const std::u16string_view text = FTable.Cells(col, r);
    if (!text.empty()) widest = std::max(widest, FView.TextWidth(text, r < FTable.FixedRows()));
  }
  // Twice the grid line, the text offset of 2 pixels and 2 more.
  FTable.SetColWidths(col, widest + 2 * kGridLineWidth + 2 + 2);
}

void TGridController::DoubleClick(int32_t x, int32_t y) {
  if (!FNavigation.AutoSizeColOnDblClick) return;
  const TGridCoord cell = CellAt(FTable, FClient, x, y, &FFilter);
  if (cell.Y < 0 || cell.Y >= FTable.FixedRows()) return;
  int32_t col = -1;
  if (cell.X >= 0) {
    const int32_t left = ColumnLeft(FTable, FClient, cell.X);
    const int32_t right = left + FTable.ColWidths(cell.X);
    if (x - left <= 3 && cell.X - 1 >= FTable.FixedCols() && cell.X != FTable.LeftCol()) {
      col = cell.X - 1;
    } else if (right - x <= 3 && x - left > 3) {
      col = cell.X;
    }
  } else {
    // Just past the last column: its right boundary.
    const TVisibleRange v = VisibleRange(FTable, FClient, &FFilter);
    if (v.LastCol >= FTable.FixedCols() && v.LastCol == FTable.ColCount() - 1) {
      const int32_t right = ColumnLeft(FTable, FClient, v.LastCol) + FTable.ColWidths(v.LastCol);
      if (x - right <= 3) col = v.LastCol;
    }
  }
  if (col >= 0) AutoSizeColumn(col);
}

void TGridController::Wheel(int32_t steps, bool sideways) {
  if (steps == 0) return;
  EndEdit(false);
  if (sideways) {
    ScrollTo(FTable.LeftCol() - steps, FTable.TopRow());
  } else {
    // Shown rows: hidden ones take no room and no notch.
    const int64_t rows =
        std::clamp<int64_t>(-int64_t{steps} * FNavigation.WheelRows, INT32_MIN, INT32_MAX);
    ScrollTo(FTable.LeftCol(),
             ShownRowMovedBy(FTable, &FFilter, FTable.TopRow(), static_cast<int32_t>(rows)));
  }
}

}  // namespace tessary

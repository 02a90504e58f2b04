#include "grid/grid_controller.h"

#include <algorithm>

#include "grid/clipboard_text.h"

namespace tessary {

TGridController::TGridController(TCellTable& table, TGridViewPort& view, TClipboardPort* clipboard)
    : FTable(table), FView(view), FClipboard(clipboard), FHistory(table) {
  FTable.SetObserver(this);
}

TGridController::~TGridController() {
  if (FTable.Observer() == this) FTable.SetObserver(nullptr);
}

void TGridController::SetClientSize(TClientSize size) {
  FClient = size;
  FVisibleValid = false;
  if (FEditing) FView.Editor().Place(CellRect(FTable, FClient, FEditCell.X, FEditCell.Y));
  FView.LayoutChanged();
}

// --- Table notifications -------------------------------------------------------

void TGridController::CellWritten(int32_t col, int32_t row) {
  // Only a cell that shows costs a repaint; a file load writes many that do
  // not, so the visible range is kept until the layout changes.
  if (!FVisibleValid) {
    FVisible = VisibleRange(FTable, FClient);
    FVisibleValid = true;
  }
  const TVisibleRange& v = FVisible;
  const bool colShows = col < FTable.FixedCols() || (col >= v.FirstCol && col <= v.LastCol);
  const bool rowShows = row < FTable.FixedRows() || (row >= v.FirstRow && row <= v.LastRow);
  if (colShows && rowShows && col < FTable.ColCount() && row < FTable.RowCount()) {
    FView.InvalidateRect(CellRect(FTable, FClient, col, row));
  }
  if (FEditing && !FWritingFromEditor && FEditCell == TGridCoord{col, row}) {
    TInplaceEditorPort& editor = FView.Editor();
    editor.SetText(std::u16string(FTable.Cells(col, row)));
    FShownText = editor.Text();
  }
}

void TGridController::CellsInvalidated(const TGridRect&) { FView.InvalidateAll(); }

void TGridController::LayoutChanged() {
  FVisibleValid = false;
  if (FEditing) FView.Editor().Place(CellRect(FTable, FClient, FEditCell.X, FEditCell.Y));
  FView.LayoutChanged();
  FView.InvalidateAll();
}

void TGridController::CurrentCellMoving() { EndEdit(false); }

void TGridController::SelectionChanged() { FView.InvalidateAll(); }

// --- Editing -------------------------------------------------------------------

bool TGridController::CanEdit() const {
  if (!FOptions.Editing || !FView.HasFocus()) return false;
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
  editor.Show(CellRect(FTable, FClient, FEditCell.X, FEditCell.Y), FBeforeText, selectAll);
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

bool TGridController::Undo() {
  EndEdit(false);
  if (!FHistory.Undo()) return false;
  ScrollCurrentIntoView();
  return true;
}

bool TGridController::Redo() {
  EndEdit(false);
  if (!FHistory.Redo()) return false;
  ScrollCurrentIntoView();
  return true;
}

// --- Keys ------------------------------------------------------------------------

void TGridController::ScrollCurrentIntoView() {
  const int32_t left = LeftColShowing(FTable, FClient, FTable.Col());
  const int32_t top = TopRowShowing(FTable, FClient, FTable.Row());
  if (left != FTable.LeftCol()) FTable.SetLeftCol(left);
  if (top != FTable.TopRow()) FTable.SetTopRow(top);
}

void TGridController::ScrollTo(int32_t leftCol, int32_t topRow) {
  FTable.SetLeftCol(std::clamp(leftCol, FTable.FixedCols(), MaxLeftCol(FTable, FClient)));
  FTable.SetTopRow(std::clamp(topRow, FTable.FixedRows(), MaxTopRow(FTable, FClient)));
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
        ScrollTo(FTable.LeftCol(), FTable.TopRow() + sign);
        return true;
      }
      target.Y += sign;
      break;
    }
    case TGridKey::gkPageUp:
    case TGridKey::gkPageDown: {
      const int32_t sign = key == TGridKey::gkPageUp ? -1 : 1;
      if (mods.Ctrl) {
        const TVisibleRange v = VisibleRange(FTable, FClient);
        target.Y = sign < 0 ? v.FirstRow : std::max(v.FirstRow, v.LastFullRow);
      } else {
        const int32_t page = RowPage(FTable, FClient);
        target.Y += sign * page;
        ScrollTo(FTable.LeftCol(), FTable.TopRow() + sign * page);
      }
      break;
    }
    case TGridKey::gkHome:
      target.X = FTable.FixedCols();
      if (mods.Ctrl) target.Y = FTable.FixedRows();
      break;
    case TGridKey::gkEnd:
      target.X = FTable.ColCount() - 1;
      if (mods.Ctrl) target.Y = FTable.RowCount() - 1;
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

// The [Del] key's row removal of the cell table.
void TGridController::DeleteRowByKey() {
  const int32_t row = FTable.Row();
  if (FTable.RowCount() - FTable.FixedRows() < 1) return;
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
}

void TGridController::SelectAll() {
  FTable.SetSelection(TGridCoord{FTable.FixedCols(), FTable.FixedRows()},
                      TGridCoord{FTable.ColCount() - 1, FTable.RowCount() - 1});
  ScrollCurrentIntoView();
}

bool TGridController::KeyDown(TGridKey key, TKeyMods mods) {
  if (FEditing) return EditorKeyDown(key, mods);
  if (key == TGridKey::gkDown && FNavigation.AppendOnArrowDown &&
      FTable.Row() + 1 == FTable.RowCount()) {
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
  TGridCoord target{FTable.FixedCols(), FTable.FixedRows()};
  if (cur.X < FTable.ColCount() - 1) {
    target = TGridCoord{cur.X + 1, cur.Y};
  } else if (cur.Y < FTable.RowCount() - 1) {
    target = TGridCoord{FTable.FixedCols(), cur.Y + 1};
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

void TGridController::CopyToClipboard() {
  if (!FClipboard) return;
  FClipboard->SetText(
      BuildCopyText(FTable, FTable.Selection(), !FNavigation.CopyHTMLTagsToClipboard));
}

// Copy, then the editable cells of the selection are emptied as one step.
void TGridController::CutToClipboard() {
  if (!FClipboard) return;
  const TGridRect sel = FTable.Selection();
  FClipboard->SetText(BuildCopyText(FTable, sel, !FNavigation.CopyHTMLTagsToClipboard));
  FHistory.ClearRect(std::max(sel.Left, FTable.FixedCols()), std::max(sel.Top, FTable.FixedRows()),
                     sel.Right, sel.Bottom);
}

// One step: each cell as Paste writes it, and the rows it added.
void TGridController::PasteFromClipboard() {
  if (!FClipboard || !FOptions.Editing) return;
  const std::u16string text = FClipboard->GetText();
  if (text.empty()) return;
  const TGridRect sel = FTable.Selection();
  TEditHistory::TStepScope step(FHistory);
  const int32_t rows = FTable.RowCount();
  PasteText(FTable, text, sel.Left, sel.Top,
            [this](int32_t col, int32_t row, std::u16string& value, bool&) {
              FHistory.RecordCell(col, row, FTable.Cells(col, row), value);
            });
  FHistory.RecordRowCount(rows, FTable.RowCount());
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

void TGridController::MouseDown(int32_t x, int32_t y) {
  const TGridCoord cell = CellAt(FTable, FClient, x, y);
  const bool inFixedRows = cell.Y >= 0 && cell.Y < FTable.FixedRows();
  if (inFixedRows) {
    EndEdit(false);
    FPressX = x;
    FMouseX = x;
    const int32_t sizing = FOptions.ColSizing ? SizingColumnAt(FTable, FClient, x) : -1;
    if (sizing >= 0) {
      FState = TGridState::gsColSizing;
      FSizingCol = sizing;
      FSizingLeft = ColumnLeft(FTable, FClient, sizing);
      FSizingBoundary = FSizingLeft + FTable.ColWidths(sizing);
      FView.InvalidateAll();
    } else if (FOptions.ColMoving && cell.X >= FTable.FixedCols()) {
      FState = TGridState::gsColMoving;
      FDragCol = cell.X;
      FDropCol = cell.X;
      FView.SetAutoScroll(true);
      FView.InvalidateAll();
    }
    return;
  }
  if (cell.X < FTable.FixedCols() || cell.Y < FTable.FixedRows()) return;  // also -1
  if (cell == FTable.Current()) {
    if (!(FTable.Anchor() == cell)) FTable.MoveCurrent(cell);
    ShowInplaceEdit(true);
  } else {
    FTable.MoveCurrent(cell);
    ScrollCurrentIntoView();
  }
}

int32_t TGridController::DropColumnAt(int32_t x) const {
  const TVisibleRange v = VisibleRange(FTable, FClient);
  if (x < FixedWidth(FTable)) return v.FirstCol;
  const int32_t col = CellAt(FTable, FClient, x, 0).X;
  if (col < 0) return std::max(v.FirstCol, v.LastCol);
  return std::max(col, FTable.FixedCols());
}

void TGridController::MouseMove(int32_t x, int32_t) {
  FMouseX = x;
  if (FState == TGridState::gsColSizing) {
    FView.InvalidateAll();
  } else if (FState == TGridState::gsColMoving) {
    FDropCol = DropColumnAt(x);
    FView.InvalidateAll();
  }
}

void TGridController::AutoScrollTick() {
  if (FState != TGridState::gsColMoving) return;
  if (FMouseX >= FClient.Width) {
    ScrollTo(FTable.LeftCol() + 1, FTable.TopRow());
  } else if (FMouseX < FixedWidth(FTable)) {
    ScrollTo(FTable.LeftCol() - 1, FTable.TopRow());
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

void TGridController::MouseUp(int32_t x, int32_t) {
  FMouseX = x;
  const TGridState state = FState;
  FState = TGridState::gsNormal;
  if (state == TGridState::gsColSizing) {
    const int32_t width = SizingLine() - FSizingLeft;
    if (width > 1 && FSizingCol < FTable.ColCount()) FTable.SetColWidths(FSizingCol, width);
  } else if (state == TGridState::gsColMoving) {
    FView.SetAutoScroll(false);
    FDropCol = DropColumnAt(x);
    FinishColumnMove();
  }
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
  const TGridCoord cell = CellAt(FTable, FClient, x, y);
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
    const TVisibleRange v = VisibleRange(FTable, FClient);
    if (v.LastCol >= FTable.FixedCols() && v.LastCol == FTable.ColCount() - 1) {
      const int32_t right = ColumnLeft(FTable, FClient, v.LastCol) + FTable.ColWidths(v.LastCol);
      if (x - right <= 3) col = v.LastCol;
    }
  }
  if (col >= 0) AutoSizeColumn(col);
}

void TGridController::Wheel(int32_t steps) {
  if (steps == 0) return;
  EndEdit(false);
  FTable.MoveCurrent(TGridCoord{FTable.Col(), FTable.Row() - steps});
  ScrollCurrentIntoView();
}

}  // namespace tessary

// The grid's behaviour without a window system: keys, mouse, in-place
// editing and clipboard keys acting on the cell table. The widget forwards
// its input here and implements the small ports below for painting, the
// in-place editor and the clipboard; tests stand in for them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grid/find_replace.h"
#include "grid/grid_geometry.h"
#include "grid/table_filter.h"
#include "table/cell_table.h"
#include "table/edit_history.h"

namespace tessary {

enum class TGridKey {
  gkOther,
  gkLeft,
  gkRight,
  gkUp,
  gkDown,
  gkPageUp,
  gkPageDown,
  gkHome,
  gkEnd,
  gkF2,
  gkEnter,
  gkEscape,
  gkInsert,
  gkDelete,
  gkA,
  gkC,
  gkV,
  gkX,
  gkY,
  gkZ,
};

struct TKeyMods {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

enum class TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// Grid options that change behaviour here (grid lines are always drawn).
struct TGridOptions {
  bool RangeSelect = true;  // Shift + movement keys extend the selection, Ctrl+A
  bool ColSizing = true;    // column boundaries can be dragged in the fixed rows
  bool ColMoving = true;    // columns can be dragged by a fixed-row cell
  bool Editing = true;      // cells can be edited in place
};

// Navigation options, with the values the editor window uses.
struct TNavigation {
  bool AllowDeleteRow = false;
  bool AllowInsertRow = false;
  bool AppendOnArrowDown = true;
  bool AdvanceOnEnter = true;
  bool AdvanceAutoEdit = false;
  bool AllowCtrlEnter = true;
  bool AllowClipboardShortCuts = true;
  bool CopyHTMLTagsToClipboard = false;
  bool AutoSizeColOnDblClick = true;
  int32_t WheelRows = 3;  // rows a wheel step scrolls
};

// The in-place editor: a multi-line edit box over one cell. Texts are in
// the cell's form (line breaks as CR LF).
class TInplaceEditorPort {
 public:
  virtual ~TInplaceEditorPort() = default;
  // Shows the editor over `rect` with `text`, takes the keyboard focus; the
  // whole text selected, or the caret at its end and nothing selected.
  virtual void Show(const TPixelRect& rect, const std::u16string& text, bool selectAll) = 0;
  // Hides the editor; the keyboard focus goes back to the grid.
  virtual void Hide() = 0;
  virtual void Place(const TPixelRect& rect) = 0;
  virtual std::u16string Text() const = 0;
  virtual void SetText(const std::u16string& text) = 0;
  // Delivers a typed character (u'\b' for Backspace) as if typed.
  virtual void TypeChar(char16_t ch) = 0;
  virtual bool CaretOnFirstLine() const = 0;
  virtual bool CaretOnLastLine() const = 0;
  virtual bool HasSelectedText() const = 0;
  virtual std::u16string SelectedText() const = 0;
  // Replaces the selection (or inserts at the caret); the inserted text is
  // then selected, or the caret stands after it.
  virtual void ReplaceSelection(const std::u16string& text, bool selectInserted) = 0;
};

class TClipboardPort {
 public:
  virtual ~TClipboardPort() = default;
  // The clipboard's plain text, "" when it holds none.
  virtual std::u16string GetText() = 0;
  virtual void SetText(const std::u16string& text) = 0;
};

// What the controller needs from the widget.
class TGridViewPort {
 public:
  virtual ~TGridViewPort() = default;
  virtual void InvalidateRect(const TPixelRect& rect) = 0;
  virtual void InvalidateAll() = 0;
  // Extent, sizes or the first visible cell changed: scroll bars follow.
  virtual void LayoutChanged() = 0;
  // The grid (or its editor) is the active control.
  virtual bool HasFocus() const = 0;
  // The 60 ms timer that calls AutoScrollTick while a drag is in progress.
  virtual void SetAutoScroll(bool on) = 0;
  // Width of a text in the font of normal or fixed cells.
  virtual int32_t TextWidth(std::u16string_view text, bool fixed) const = 0;
  // The one in-place editor, created on first use.
  virtual TInplaceEditorPort& Editor() = 0;
  // What a status line shows may have changed: the current cell, the
  // selection, the extent, or a column's name or type.
  virtual void StatusChanged() {}
};

// What the grid tells the status bar after a command.
enum class TGridNotice {
  gnRowsSorted,                    // the order Save writes the rows in changed
  gnFilterClearedForUndo,          // Undo changes rows the filter hid
  gnFilterClearedForRedo,          // Redo changes rows the filter hid
  gnFilterClearedForDeleteColumns  // deleting columns changes hidden rows too
};
std::u16string GridNoticeText(TGridNotice notice);

class TGridController : private TCellTableObserver {
 public:
  // Observes `table` for its lifetime. The clipboard may be null (clipboard
  // keys then do nothing) and can be set later.
  TGridController(TCellTable& table, TGridViewPort& view, TClipboardPort* clipboard = nullptr);
  ~TGridController() override;
  TGridController(const TGridController&) = delete;
  TGridController& operator=(const TGridController&) = delete;

  TCellTable& Table() { return FTable; }
  // The undo history of every change the grid (and the window) makes.
  TEditHistory& History() { return FHistory; }
  TGridOptions& Options() { return FOptions; }
  TNavigation& Navigation() { return FNavigation; }
  void SetClipboard(TClipboardPort* clipboard) { FClipboard = clipboard; }

  void SetClientSize(TClientSize size);
  TClientSize ClientSize() const { return FClient; }

  // --- Input -------------------------------------------------------------
  // A key pressed while the grid has the focus and no editor is open.
  // Returns whether the grid took it.
  bool KeyDown(TGridKey key, TKeyMods mods);
  // A character typed on the grid (u'\b' for Backspace): opens the editor
  // and delivers it. Returns whether the grid took it.
  bool KeyPress(char16_t ch);
  // A key pressed in the in-place editor; false leaves it to the editor.
  bool EditorKeyDown(TGridKey key, TKeyMods mods);
  // The focus left the editor for another control: commit and close.
  void EditorFocusLost();

  // The left button. A press on a cell makes it current (Shift extends the
  // selection to it) and a drag extends the selection; a click on the cell
  // that was current opens the editor on release. A press on a header cell
  // starts a column drag, and its release over the same column selects the
  // column (Shift extends to it); a press on a column boundary there sizes
  // the column. A press in the row-number gutter (x < 0) selects the row
  // and a drag the rows passed over.
  void MouseDown(int32_t x, int32_t y, TKeyMods mods = {});
  void MouseMove(int32_t x, int32_t y);
  void MouseUp(int32_t x, int32_t y);
  void DoubleClick(int32_t x, int32_t y);
  // The right button, before the context menu opens: a cell, a header or a
  // gutter row outside the selection is selected as a click would select
  // it; within the selection nothing changes. False where there is no cell.
  bool ContextClick(int32_t x, int32_t y);
  // Wheel steps: positive scrolls toward the top (the left), negative
  // toward the bottom (the right), by TNavigation::WheelRows rows or one
  // column a step. The current cell stays; an open editor commits first.
  void Wheel(int32_t steps, bool sideways = false);
  void AutoScrollTick();
  // The scroll bars moved.
  void ScrollTo(int32_t leftCol, int32_t topRow);
  // Whether the first column stays in view while the view scrolls right.
  void SetKeepFirstColumn(bool keep);
  bool KeepFirstColumn() const { return FClient.KeptCols > 0; }

  // --- Editing -------------------------------------------------------------
  bool EditorMode() const { return FEditing; }
  TGridCoord EditCell() const { return FEditCell; }
  // Opens the editor on the current cell (scrolled into view first).
  void ShowInplaceEdit(bool selectAll = true);
  // Closes the editor, committing its text.
  void HideInplaceEdit();
  // Closes the editor and puts the text before editing back.
  void CancelEdit();

  // --- Undo ------------------------------------------------------------------
  // Commits an open editor, then undoes (redoes) one step and brings the
  // current cell into view. False when there was nothing to undo (redo).
  bool Undo();
  bool Redo();

  // --- Filter ----------------------------------------------------------------
  // The rows that show. Every command acts on shown rows only, and hidden
  // rows are never changed (see table_filter.h). The window clears the
  // filter when it loads another table.
  const TTableFilter& Filter() const { return FFilter; }
  // Commits an open editor, shows the matching rows and puts the current
  // cell on a shown row. Neither is a step of the history.
  void ApplyFilter(std::vector<TFilterCondition> conditions);
  void ClearFilter();
  // The current cell onto a shown row: the next one, else the one before.
  void KeepCurrentShown();
  // Whether the current cell's row shows (not so when no data row matches).
  bool CurrentRowShows() const { return FFilter.Shows(FTable.Row()); }
  // Where Find and Replace look: the shown rows, and with "In selection"
  // the cells of `selection` (the window keeps the rectangle, as finding a
  // cell moves the current cell and so the selection).
  TFindScope FindScope(std::optional<TGridRect> selection = std::nullopt) const {
    return TFindScope{&FFilter, selection};
  }
  // The first and last shown non-fixed rows; -1 when none shows.
  int32_t FirstShownRow() const;
  int32_t LastShownRow() const;

  // Told to the status bar; may be unassigned.
  std::function<void(TGridNotice)> OnNotice;
  void Notify(TGridNotice notice) {
    if (OnNotice) OnNotice(notice);
  }
  // --- Rows ----------------------------------------------------------------
  // Insert row and Delete rows of the context menu, whatever the row keys'
  // options say: an empty row at the current row; the rows of the
  // selection, the last row below the fixed rows emptied instead, as [Del]
  // does. Each is one step of the history.
  void InsertRow();
  void DeleteSelectedRows();

  // --- Clipboard -------------------------------------------------------------
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void EditorCopy();
  void EditorCut();
  void EditorPaste();

  // --- State for painting --------------------------------------------------
  TGridState State() const { return FState; }
  int32_t DragCol() const { return FDragCol; }
  int32_t DropCol() const { return FDropCol; }
  // Client x of the boundary being dragged while sizing.
  int32_t SizingLine() const { return FSizingBoundary + FMouseX - FPressX; }
  int32_t SizingCol() const { return FSizingCol; }

  // Brings the current cell whole into view.
  void ScrollCurrentIntoView();

 private:
  // TCellTableObserver
  void CellWritten(int32_t col, int32_t row) override;
  void CellsInvalidated(const TGridRect& r) override;
  void LayoutChanged() override;
  void CurrentCellMoving() override;
  void SelectionChanged() override;

  bool CanEdit() const;
  void EndEdit(bool cancel);
  void WriteEditCell(const std::u16string& text);
  bool Movement(TGridKey key, TKeyMods mods);
  void Advance();
  void AppendOnDown();
  void InsertRowByKey();
  void DeleteRowByKey();
  void SelectAll();
  int32_t DropColumnAt(int32_t x) const;
  void FinishColumnMove();
  void AutoSizeColumn(int32_t col);
  bool UndoOrRedo(bool undo);
  void PasteIntoShownRows(std::u16string_view text, int32_t left, int32_t top);
  void SelectColumns(int32_t anchorCol, int32_t col);
  void SelectRows(int32_t anchorRow, int32_t row);
  TGridCoord CellNearPointer() const;
  void ExtendSelectionToPointer();

  TCellTable& FTable;
  TGridViewPort& FView;
  TClipboardPort* FClipboard;
  TEditHistory FHistory;
  TTableFilter FFilter;
  TGridOptions FOptions;
  TNavigation FNavigation;
  TClientSize FClient;
  TVisibleRange FVisible;  // valid while FVisibleValid
  bool FVisibleValid = false;

  bool FEditing = false;
  bool FWritingFromEditor = false;
  TGridCoord FEditCell;
  std::u16string FBeforeText;  // the stored text when the editor opened
  std::u16string FShownText;   // the editor's text when it opened

  TGridState FState = TGridState::gsNormal;
  int32_t FDragCol = -1;
  int32_t FDropCol = -1;
  int32_t FSizingCol = -1;
  int32_t FSizingBoundary = 0;
  int32_t FSizingLeft = 0;
  int32_t FPressX = 0;
  int32_t FMouseX = 0;
  int32_t FMouseY = 0;
  // While selecting: whole rows (a drag in the gutter), and whether the
  // press was on the cell that was current and the pointer has stayed there.
  bool FSelectingRows = false;
  bool FEditOnRelease = false;
};

}  // namespace tessary

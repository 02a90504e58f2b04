// The cell table under the grid: a sparse store of UTF-16 cell texts indexed
// (column, row), the shown extent, the fixed area, the current cell with its
// anchor, column widths and row heights, and the structural operations on
// rows, columns and rectangles. No painting and no platform code: the view
// attaches through TCellTableObserver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "table/text_store.h"

namespace tessary {

// A cell position: X column, Y row, both from 0.
struct TGridCoord {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A rectangle of cells, corners included.
struct TGridRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

class TCellTable;

// A text that several cells of one table hold at once: a table reader gives
// every cell that refers to one stored string the same text instead of a
// copy each. Writing a cell replaces its text; a shared text never changes.
// Made by TCellTable::ShareText; its maker holds it, and counts the cells
// it gives it to, until it hands its hold to a cell or lets go
// (ReleaseText).
class TSharedText {
 public:
  TSharedText() = default;
  TSharedText(TSharedText&& other) noexcept
      : FText(std::exchange(other.FText, TCellText())),
        FHolders(std::exchange(other.FHolders, 0)) {}
  TSharedText& operator=(TSharedText&& other) noexcept {
    FText = std::exchange(other.FText, TCellText());
    FHolders = std::exchange(other.FHolders, 0);
    return *this;
  }
  TSharedText(const TSharedText&) = delete;
  TSharedText& operator=(const TSharedText&) = delete;
  bool Empty() const { return FText.Empty(); }

 private:
  friend class TCellTable;
  explicit TSharedText(TCellText text) : FText(text) {}
  TCellText FText;
  uint64_t FHolders = 0;  // cells given the text so far
};

// A cell's text with what tells stored texts apart: cells that show one
// shared text give the same Id (until the table next changes), and Shared
// says whether other cells may show that very text (false: no other cell
// does).
struct TStoredText {
  std::u16string_view Text;
  uint64_t Id = 0;
  bool Shared = false;
};

// Row and cell events. An unassigned event is skipped; the Boolean of a veto
// event is True on entry and a handler sets it False to cancel.
using TCanDeleteRowEvent = std::function<void(TCellTable& sender, int32_t aRow, bool& canDelete)>;
using TAutoDeleteRowEvent = std::function<void(TCellTable& sender, int32_t aRow)>;
using TCanInsertRowEvent = std::function<void(TCellTable& sender, int32_t aRow, bool& canInsert)>;
using TAutoInsertRowEvent = std::function<void(TCellTable& sender, int32_t aRow)>;
using TCanAddRowEvent = std::function<void(TCellTable& sender, bool& canAdd)>;
using TAutoAddRowEvent = std::function<void(TCellTable& sender, int32_t aRow)>;
using TCellsChangedEvent = std::function<void(TCellTable& sender, const TGridRect& r)>;

// What the view needs to hear from the table. All notifications run
// synchronously inside the operation that caused them.
class TCellTableObserver {
 public:
  virtual ~TCellTableObserver() = default;
  // One cell was written through Cells (repaint it; an in-place editor open
  // on it reloads its text).
  virtual void CellWritten(int32_t /*col*/, int32_t /*row*/) {}
  // Cells of a rectangle changed through a structural operation.
  virtual void CellsInvalidated(const TGridRect& /*r*/) {}
  // The extent, the fixed area, a size or the first visible cell changed.
  virtual void LayoutChanged() {}
  // The current cell is about to move: an open in-place editor commits its
  // text now. May throw; the operation then undoes what it changed so far.
  virtual void CurrentCellMoving() {}
  // The current cell or the anchor (and so the selection) changed.
  virtual void SelectionChanged() {}
};

class TCellTable {
 public:
  // Rows and columns 0 .. kMaxIndex can hold text; counts go up to kMaxCount.
  static constexpr int32_t kMaxIndex = 1048559;
  static constexpr int32_t kMaxCount = kMaxIndex + 1;
  static constexpr int32_t kDefaultColWidth = 64;
  static constexpr int32_t kDefaultRowHeight = 22;

  TCellTable();  // ColCount 1, RowCount 3, no fixed area, current cell (0,0)
  ~TCellTable();
  TCellTable(const TCellTable&) = delete;
  TCellTable& operator=(const TCellTable&) = delete;

  // --- Cells -------------------------------------------------------------
  // The stored text, or "" for a cell that holds none. Indices are not
  // checked against the extent. A negative row, or a negative column in a
  // row that holds cells, throws "List index out of bounds (%d)". The view
  // stays valid until the table is next changed.
  std::u16string_view Cells(int32_t col, int32_t row) const {
    // Inline, as reading a table is a read per cell: a cell of a stored row
    // is found here, anything else (no row, a negative index) below.
    if (row >= 0 && col >= 0 && static_cast<size_t>(row) < FRows.size()) {
      const TStoreRow& entry = FRows[static_cast<size_t>(row)];
      const auto section = static_cast<size_t>(col >> kSectionShift);
      if (section < entry.Sections.size()) {
        const TSection& s = entry.Sections[section];
        if (s.Has(col & kSlotMask)) return FTexts.View(s.Slots[col & kSlotMask]);
      }
      return std::u16string_view(u"", 0);
    }
    return CellsOutside(col, row);
  }
  // The same with what identifies the stored text.
  TStoredText StoredText(int32_t col, int32_t row) const;
  // Stores a copy of the text (which may be another cell's); "" removes the
  // cell's entry. Negative indices and indices above kMaxIndex throw "List
  // index out of bounds (%d)".
  void SetCells(int32_t col, int32_t row, std::u16string_view text);
  void SetCells(int32_t col, int32_t row, const char16_t* text) {
    SetCells(col, row, std::u16string_view(text));
  }
  // Stores a shared text (an empty one removes the entry); Cells then
  // returns that very text. The first form gives the cell one more hold on
  // it, the second hands the caller's own hold to the cell.
  void SetCells(int32_t col, int32_t row, TSharedText& text);
  void SetCells(int32_t col, int32_t row, TSharedText&& text);
  // Number of cells that hold text (over the whole store).
  size_t StoredCellCount() const { return FStoredCells; }

  // --- Shared texts --------------------------------------------------------
  // A new shared text of `units` code units, written by fill(char16_t*)
  // straight into the store. The caller holds it until it hands the hold to
  // a cell or calls ReleaseText; while any is held the store does not
  // compact.
  template <typename TFill>
  TSharedText ShareText(size_t units, TFill&& fill) {
    if (units <= TCellText::kInlineUnits) {
      char16_t text[TCellText::kInlineUnits];
      fill(text);
      return TSharedText(FTexts.Make(std::u16string_view(text, units)));
    }
    char16_t* room = nullptr;
    TSharedText shared(FTexts.MakeShared(units, room));
    ++FHeldTexts;
    fill(room);
    return shared;
  }
  TSharedText ShareText(std::u16string_view text) {
    return ShareText(text.size(), [&](char16_t* room) { text.copy(room, text.size()); });
  }
  void ReleaseText(TSharedText& text);

  // --- Memory ----------------------------------------------------------------
  // Code units of text in use, and held by the store's blocks (in use or
  // not yet reused); texts of up to three code units are held in their cells.
  size_t TextUnits() const { return FTexts.LiveUnits(); }
  size_t TextBlockUnits() const { return FTexts.BlockUnits(); }
  // The highest column of `row` that holds text (also beyond the extent), or
  // -1 when the row holds none: scans of a row can stop there.
  int32_t LastStoredCol(int32_t row) const;
  // Starts loading the texts of a row's cells, for code that reads the table
  // row by row: texts that several cells share lie anywhere in memory, and
  // asking for the next row's while reading a row hides the wait.
  void PrefetchRow(int32_t row) const;

  // --- Extent and fixed area --------------------------------------------
  int32_t ColCount() const { return FColCount; }
  // 0 or less becomes 1; above kMaxCount throws "List index out of bounds (%d)".
  void SetColCount(int32_t value);
  int32_t RowCount() const { return FRowCount; }
  void SetRowCount(int32_t value);
  int32_t FixedCols() const { return FFixedCols; }
  // Throws "Grid index out of range" or "Fixed column count must be less
  // than column count"; a change puts the current cell on the first
  // non-fixed cell.
  void SetFixedCols(int32_t value);
  int32_t FixedRows() const { return FFixedRows; }
  void SetFixedRows(int32_t value);

  // --- Current cell, anchor and selection --------------------------------
  int32_t Col() const { return FCurrent.X; }
  int32_t Row() const { return FCurrent.Y; }
  TGridCoord Current() const { return FCurrent; }
  TGridCoord Anchor() const { return FAnchor; }
  // The rectangle spanned by the current cell and the anchor.
  TGridRect Selection() const;
  // Makes `cell` current (clamped to the non-fixed part of the extent). With
  // `extend` the anchor stays, otherwise it moves along.
  void MoveCurrent(TGridCoord cell, bool extend = false);
  // Sets anchor and current cell at once (both clamped as above).
  void SetSelection(TGridCoord anchor, TGridCoord current);
  // First visible non-fixed column and row, kept for the view.
  int32_t LeftCol() const { return FLeftCol; }
  int32_t TopRow() const { return FTopRow; }
  void SetLeftCol(int32_t value);
  void SetTopRow(int32_t value);

  // --- Sizes ---------------------------------------------------------------
  int32_t DefaultColWidth() const { return FDefaultColWidth; }
  int32_t DefaultRowHeight() const { return FDefaultRowHeight; }
  // A new default applies to every column (row) again.
  void SetDefaultColWidth(int32_t value);
  void SetDefaultRowHeight(int32_t value);
  // Index outside the extent throws "Grid index out of range".
  int32_t ColWidths(int32_t col) const;
  void SetColWidths(int32_t col, int32_t width);
  int32_t RowHeights(int32_t row) const;
  void SetRowHeights(int32_t row, int32_t height);

  // --- Structural operations ----------------------------------------------
  // Empties every cell of the extent.
  void Clear();
  // Empties columns colIndex .. colIndex+cCount-1 over rows 0 .. RowCount-1
  // (also columns beyond the extent). A count of 0 or less does nothing.
  void ClearCols(int32_t colIndex, int32_t cCount);
  // Empties rows rowIndex .. rowIndex+rCount-1 over columns 0 .. ColCount-1.
  void ClearRows(int32_t rowIndex, int32_t rCount);
  // Empties every cell of the rectangle (not clipped to the extent) and
  // raises OnCellsChanged with it.
  void ClearRect(int32_t aCol1, int32_t aRow1, int32_t aCol2, int32_t aRow2);
  // Empties row aRow over columns 0 .. ColCount-1, without OnCellsChanged.
  void EmptyRowCells(int32_t aRow);
  // Inserts rCount empty rows at rowIndex; the cells of columns below
  // ColCount move down, cells beyond ColCount stay.
  void InsertRows(int32_t rowIndex, int32_t rCount, bool updateCellControls = true);
  // Adds one empty row at the end (hidden text of that row is emptied).
  void AppendEmptyRow();
  // Removes rows; the rows below move up and each removed row is parked,
  // whole, just past the new extent. The current row is restored.
  void DropRows(int32_t rowIndex, int32_t rCount);
  // Moves a column's cells to another position in every stored row.
  void RelocateColumn(int32_t fromIndex, int32_t toIndex);
  // Puts rows first .. first+n-1 in a new order, n = order.size(): row
  // first+i takes the whole row (every column, and its height) that was row
  // order[i]. `order` must hold each of those rows once, else "List index
  // out of bounds (%d)" is thrown and nothing changes. Current cell and
  // selection keep their indices.
  void ReorderRows(int32_t first, const std::vector<int32_t>& order);
  // The [Del] key's row removal for row aRow: OnCanDeleteRow, then either
  // empties the only non-fixed row or drops the row, then OnAutoDeleteRow.
  // Returns False when nothing was done (vetoed, or no non-fixed row).
  bool DeleteRowByKey(int32_t aRow);
  // Raises OnCellsChanged with r and tells the observer.
  void CellsChanged(const TGridRect& r);

  // --- Events and observer -----------------------------------------------
  TCanDeleteRowEvent OnCanDeleteRow;
  TAutoDeleteRowEvent OnAutoDeleteRow;
  TCanInsertRowEvent OnCanInsertRow;
  TAutoInsertRowEvent OnAutoInsertRow;
  TCanAddRowEvent OnCanAddRow;
  TAutoAddRowEvent OnAutoAddRow;
  TCellsChangedEvent OnCellsChanged;

  // The one observer (the view), or nullptr. Not owned.
  void SetObserver(TCellTableObserver* observer) { FObserver = observer; }
  TCellTableObserver* Observer() const { return FObserver; }

 private:
  class TSlotPool;

  static constexpr int kSectionShift = 4;
  static constexpr int32_t kSectionSlots = 1 << kSectionShift;
  static constexpr int32_t kSlotMask = kSectionSlots - 1;

  // 16 cells of one row, in a slot array of the pool. A section inside the
  // extent starts with room for its columns there, as rows are mostly
  // filled whole; beyond the extent slots grow in powers of two up to 16,
  // so a sparse row wastes little. Mask tells which slots hold text; the
  // others hold anything. Slots hold TCellText values only: nothing to
  // destroy one by one.
  struct TSection {
    TCellText* Slots = nullptr;
    uint16_t Mask = 0;
    uint8_t Capacity = 0;

    bool Has(int32_t slot) const { return (Mask >> slot) & 1u; }
    // Takes the text out; the slot stays marked until erased.
    TCellText MoveOut(int32_t slot) { return std::exchange(Slots[slot], TCellText()); }
    void Reserve(int32_t slot, int32_t wanted, TSlotPool& pool);
    // Gives the slot array back; the section holds no text.
    void Release(TSlotPool& pool);
  };

  // One row of the store: sections indexed by column >> 4. Trailing empty
  // sections are removed, so the last section holds the row's last cell.
  struct TStoreRow {
    std::vector<TSection> Sections;
    // Highest column holding text, or -1.
    int32_t LastCol() const;
    void TrimSections();
  };

  std::u16string_view CellsOutside(int32_t col, int32_t row) const;
  const TCellText* FindCell(int32_t col, int32_t row) const;
  const TStoreRow* FindRow(int32_t row) const;
  TStoreRow& MakeRow(int32_t row);
  // Puts a text into a cell, letting go of the one it held; the table takes
  // over the caller's hold of `text`.
  void StoreCell(int32_t col, int32_t row, TCellText text);
  void EraseCell(TStoreRow& row, int32_t col);
  void WriteCell(int32_t col, int32_t row, TCellText text);
  // Moves the texts into fresh blocks when the blocks hold more unused text
  // than used; the cells keep their texts and shared texts stay shared.
  void CompactTexts();
  void MoveRowCells(int32_t dst, int32_t src, int32_t colLimit);
  void ClearRange(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  void SetCurrentAndAnchor(TGridCoord current, TGridCoord anchor);
  TGridCoord ClampToEditable(TGridCoord cell) const;
  void ChangeCount(bool cols, int32_t value);
  void ChangeFixed(bool cols, int32_t value);
  void NotifyLayout();

  std::vector<TStoreRow> FRows;  // index = row
  std::unique_ptr<TSlotPool> FSlotPool;
  size_t FStoredCells = 0;
  TTextStore FTexts;
  size_t FHeldTexts = 0;  // shared texts handed out and not yet given back

  int32_t FColCount = 1;
  int32_t FRowCount = 3;
  int32_t FFixedCols = 0;
  int32_t FFixedRows = 0;
  TGridCoord FCurrent;
  TGridCoord FAnchor;
  int32_t FLeftCol = 0;
  int32_t FTopRow = 0;

  int32_t FDefaultColWidth = kDefaultColWidth;
  int32_t FDefaultRowHeight = kDefaultRowHeight;
  // Explicit sizes; entries past the end of a vector have the default.
  std::vector<int32_t> FColWidths;
  std::vector<int32_t> FRowHeights;

  TCellTableObserver* FObserver = nullptr;
};

}  // namespace tessary

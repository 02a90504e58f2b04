// The edit history of a cell table: undo and redo of every change made
// through it. A step holds only what it changed (cells with their old and new
// texts, inserted or removed rows, a column move, count changes), never a copy
// of the table, and the history drops its oldest steps when it grows past
// its memory limit. It also knows whether the table differs from the state
// last saved or opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "table/cell_table.h"

namespace tessary {

// Why the history told its listener.
enum class THistoryChange { hcRecorded, hcUndone, hcRedone, hcCleared, hcSaved };

// One change a step makes to the table, as a view that shows some rows only
// needs to follow it. Rows are those of the table at the time of the change.
struct TTableChange {
  enum class TKind : uint8_t {
    tcCell,           // cell (Col, Row) got another text
    tcRowsInserted,   // Count rows now start at Row; the rows from Row on moved down
    tcRowsDropped,    // rows Row .. Row+Count-1 are gone; the rows below moved up
    tcRowsReordered,  // row Row+i now holds what row Order[i] held
    tcColCount,       // the column count is now Count
  };
  TKind Kind = TKind::tcCell;
  int32_t Col = 0;
  int32_t Row = 0;
  int32_t Count = 0;
  std::span<const int32_t> Order;
};

class TEditHistory {
 public:
  static constexpr size_t kDefaultByteLimit = size_t{256} << 20;

  explicit TEditHistory(TCellTable& table, size_t byteLimit = kDefaultByteLimit);
  TEditHistory(const TEditHistory&) = delete;
  TEditHistory& operator=(const TEditHistory&) = delete;

  // --- Steps ----------------------------------------------------------------
  // Every change between the outermost BeginStep and its EndStep is undone
  // and redone as one step; steps nest. A change made outside a step is a
  // step of its own. A step that changed nothing is not kept.
  void BeginStep();
  void EndStep();
  // Begins a step for the lifetime of the scope.
  class TStepScope {
   public:
    explicit TStepScope(TEditHistory& history) : FHistory(history) { FHistory.BeginStep(); }
    ~TStepScope() { FHistory.EndStep(); }
    TStepScope(const TStepScope&) = delete;
    TStepScope& operator=(const TStepScope&) = delete;

   private:
    TEditHistory& FHistory;
  };

  // --- Changes made through the history ---------------------------------------
  // Each does what the cell table's operation of that name does and records it.
  void SetCells(int32_t col, int32_t row, std::u16string_view text);
  void ClearRect(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  void ClearCols(int32_t colIndex, int32_t cCount);
  void ClearRows(int32_t rowIndex, int32_t rCount);
  void EmptyRowCells(int32_t row);
  void SetColCount(int32_t value);
  void SetRowCount(int32_t value);
  void SetFixedRows(int32_t value);
  void InsertRows(int32_t rowIndex, int32_t rCount);
  void AppendEmptyRow();
  void DropRows(int32_t rowIndex, int32_t rCount);
  void RelocateColumn(int32_t fromIndex, int32_t toIndex);
  // The step keeps `order` itself, one row index per row, and undoes it by
  // the inverse order: no cell is copied.
  void ReorderRows(int32_t first, std::vector<int32_t> order);

  // --- Changes the caller made on the table itself ------------------------------
  // A cell write already made (or about to be made) elsewhere, for code that
  // writes the table directly, such as Paste or a replacement over many cells.
  void RecordCell(int32_t col, int32_t row, std::u16string_view oldText,
                  std::u16string_view newText);
  // A row count change already made.
  void RecordRowCount(int32_t before, int32_t after);

  // --- Undo and redo ----------------------------------------------------------
  bool CanUndo() const { return FPosition > 0; }
  bool CanRedo() const { return FPosition < FSteps.size(); }
  // Undoes the last step (redoes the next one); the current cell and the
  // selection return to where they were. False when there is none.
  bool Undo();
  bool Redo();

  // Forgets every step; the table as it is now counts as saved (Open, Close).
  void Clear();
  // Forgets every step; the table as it is now counts as not saved, until
  // MarkSaved (an import: a new document that has no file yet).
  void ClearUnsaved();
  // The table as it is now has been saved; Save does not forget the steps.
  void MarkSaved();
  // Whether the table differs from the state last saved, opened or cleared.
  bool Modified() const { return FPosition != FSavedAt; }

  size_t StepCount() const { return FSteps.size(); }
  size_t UndoCount() const { return FPosition; }
  // Memory held by the steps, in bytes.
  size_t MemoryBytes() const { return FBytes; }
  size_t ByteLimit() const { return FByteLimit; }

  // Called after every recorded step, undo, redo, Clear and MarkSaved.
  std::function<void(THistoryChange)> OnChange;
  // Called after each insertion, removal or reordering of rows made through
  // the history, also while undoing and redoing (never for tcCell or
  // tcColCount).
  std::function<void(const TTableChange&)> OnRowsChanged;

  // The changes the next Undo (Redo) would make, in the order it would make
  // them; nothing when there is no such step.
  void ForEachChange(bool undo, const std::function<void(const TTableChange&)>& visit) const;

 private:
  struct TCellChange {
    int32_t Col;
    int32_t Row;
    uint32_t OldAt;  // old and new texts lie in the action's text pool
    uint32_t OldLength;
    uint32_t NewAt;
    uint32_t NewLength;
  };
  enum class TActionKind : uint8_t {
    akCells,
    akColCount,
    akRowCount,
    akFixedRows,
    akInsertRows,
    akDropRows,
    akMoveColumn,
    akReorderRows
  };
  // One change of a step. A and B: counts before and after; first row and
  // row count; column from and to; first row of a reordering, whose rows
  // are in Order.
  struct TAction {
    TActionKind Kind = TActionKind::akCells;
    int32_t A = 0;
    int32_t B = 0;
    std::vector<TCellChange> Cells;
    std::u16string Texts;
    std::vector<int32_t> Order;
    std::vector<int32_t> Widths;  // of the columns a lowered column count dropped
  };
  struct TStep {
    std::vector<TAction> Actions;
    TGridCoord AnchorBefore, CurrentBefore, AnchorAfter, CurrentAfter;
    size_t Bytes = 0;
  };

  bool Recording() const { return !FApplying; }
  TAction& CellAction(size_t moreText);
  void AddAction(TActionKind kind, int32_t a, int32_t b);
  void RecordRect(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  void SetCount(TActionKind kind, int32_t value);
  void ApplyCount(TActionKind kind, int32_t value);
  void Apply(const TStep& step, bool undo);
  static void Visit(const TAction& a, bool undo,
                    const std::function<void(const TTableChange&)>& visit);
  void RowsChanged(const TAction& a, bool undo);
  void Notify(THistoryChange change);
  void Reset(size_t savedAt);

  TCellTable& FTable;
  size_t FByteLimit;
  std::deque<TStep> FSteps;
  size_t FPosition = 0;  // steps before it are done, from it on undone
  size_t FSavedAt = 0;   // the position of the saved state; kNever when gone
  size_t FBytes = 0;
  int FDepth = 0;
  bool FApplying = false;
  TStep FOpen;  // the step being recorded
};

}  // namespace tessary

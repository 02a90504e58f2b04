// The cell block of one worksheet: its rows (ROW records) and cells, its
// column entries (COLINFO) and its merged ranges (MERGEDCELLS). Rows and
// columns are zero-based: rows 0-65535, columns 0-255.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/base_record.h"
#include "xls/cell_records.h"

namespace tessary {

// One column's entry.
struct TColInfo {
  uint16_t Column = 0;
  uint16_t Width = 0;  // 1/256 of a character
  uint16_t XF = kDefaultCellXF;
  uint16_t Options = 0;  // bit 0 hidden, bits 8-10 outline level
  bool operator==(const TColInfo&) const = default;
};

// The column entries of a sheet, at most one per column, sorted by column.
// Written as COLINFO records, one per run of equal neighbouring entries.
class TColInfoList {
 public:
  // Expands a COLINFO read from a file into one entry per column (columns
  // beyond 255 are dropped: a sheet has no such columns).
  void AddRecord(std::unique_ptr<TBaseRecord> record);
  // Sets or adds the entry of `info.Column`.
  void Set(const TColInfo& info);
  const TColInfo* Find(int col) const;
  TColInfo* Find(int col);
  // XF of the column's entry, -1 without one.
  int32_t ColumnXF(int col) const;

  void SetColWidth(int col, uint16_t width);
  // Hiding adds an entry of `defaultWidth` when there is none; showing a
  // column of width 0 gives it `defaultWidth`.
  void SetColHidden(int col, bool hidden, uint16_t defaultWidth);
  // The deepest outline level of any entry.
  uint16_t OutlineLevel() const;

  // Moves the entries of column `col` and after `count` columns right. An
  // entry that would move beyond column 255 fails with "Invalid Column (%d)";
  // the check comes first, so a failure changes nothing. A count of 0 or
  // less moves nothing.
  void CheckInsertCols(int col, int count) const;
  void InsertCols(int col, int count);

  size_t Count() const { return FItems.size(); }
  const std::vector<TColInfo>& Items() const { return FItems; }
  void Clear() { FItems.clear(); }
  void SaveToStream(TRecordStream& stream) const;
  uint64_t TotalSize() const;

 private:
  template <class F>
  void ForEachRun(F&& f) const;
  std::vector<TColInfo> FItems;
};

// The merged ranges of a sheet, written as MERGEDCELLS records of up to
// 1027 ranges each.
class TMergedCells {
 public:
  // Takes the ranges of a MERGEDCELLS read from a file.
  void AddRecord(std::unique_ptr<TBaseRecord> record);
  // Merges a range, growing it over every range it overlaps; the ranges it
  // covers are replaced by it.
  void MergeCells(int row1, int col1, int row2, int col2);
  // Room for `count` rows at `row` (columns at `col`): ranges that start at
  // or after it move, ranges across it grow. A range that would reach beyond
  // the sheet fails with "Invalid Row (%d)" ("Invalid Column (%d)") before
  // anything changes.
  void CheckInsertRows(int row, int count) const;
  void InsertRows(int row, int count);
  void CheckInsertCols(int col, int count) const;
  void InsertCols(int col, int count);
  const std::vector<TMergedRange>& Ranges() const { return FRanges; }
  size_t Count() const { return FRanges.size(); }
  void Clear() { FRanges.clear(); }
  void SaveToStream(TRecordStream& stream) const;
  uint64_t TotalSize() const;

 private:
  std::vector<TMergedRange> FRanges;
};

// The cells of one row, sorted by column.
using TCellRecordList = std::vector<std::unique_ptr<TCellRecord>>;

// Rows and cells of a worksheet: a ROW slot and a cell slot per row index.
class TCells {
 public:
  // `columns` gives the default XF of a column; `sst` takes string cells.
  explicit TCells(const TColInfoList* columns = nullptr, TSST* sst = nullptr)
      : FColumns(columns), FSST(sst) {}
  TCells(const TCells&) = delete;
  TCells& operator=(const TCells&) = delete;

  void SetColumns(const TColInfoList* columns) { FColumns = columns; }
  void SetStringTable(TSST* sst) { FSST = sst; }

  // ---- loading ----
  // Files a record read from a file: a ROW in its slot ("Duplicated ROW
  // record" for a second one), a MULRK or MULBLANK split into single cells,
  // any other cell record in its row.
  void AddRecord(std::unique_ptr<TBaseRecord> record);
  void AddRow(std::unique_ptr<TRowRecord> row);
  void AddCell(std::unique_ptr<TCellRecord> cell);
  // Gives every row that has cells a ROW record, so that no cell is lost
  // when the block is written. Run before every save.
  void FixRows();
  void CompleteRows() { FixRows(); }

  // ---- values ----
  // Stores a value ("Invalid Row (%d)", "Invalid Column (%d)"): a BLANK,
  // NUMBER, RK, LABELSST or BOOLERR record, or none for an empty value in
  // the default format.
  void SetValueX2(int row, int col, const TXlsCellValue& value, bool options1904);
  void SetValueX2(int row, int col, const TXlsCellValue& value, const std::vector<TRTFRun>& runs,
                  bool options1904);
  // Value, XF and formula flag of a cell; XF -1 when there is no cell.
  TXlsCellValue GetValue(int row, int col) const;
  // XF of the cell, -1 when there is none.
  int32_t CellXF(int row, int col) const;
  // Sets the XF of an existing cell, or stores an empty value with it.
  void SetFormat(int row, int col, int xf, bool options1904 = false);

  // ---- rows ----
  void SetRowHeight(int row, uint16_t height);
  void SetRowHidden(int row, bool hidden);
  // XF of a formatted row, -1 otherwise.
  int32_t RowXF(int row) const;
  // The deepest outline level of any ROW record.
  uint16_t RowOutlineLevel() const;

  // ---- inserting ----
  // Moves row `row` and every row after it `count` rows down: ROW records
  // (height, flags and format go with them) and cells, with the row numbers
  // they hold. A ROW record or cell that would move beyond row 65535 fails
  // with "Invalid Row (%d)".
  void CheckInsertRows(int row, int count) const;
  void InsertRows(int row, int count);
  // Moves the cells of column `col` and after `count` columns right in every
  // row, and the column span of their ROW records. A cell that would move
  // beyond column 255 fails with "Invalid Column (%d)".
  // The checks come first, so a failure changes nothing; a count of 0 or
  // less moves nothing.
  void CheckInsertCols(int col, int count) const;
  void InsertCols(int col, int count);
  // True when a cell of the block is a formula.
  bool HasFormulas() const;

  const TCellRecord* Cell(int row, int col) const;
  TRowRecord* Row(int row) const;
  // One more than the highest row that has a slot.
  size_t RowCount() const { return FRows.size(); }
  size_t CellRowCount() const { return FCellRows.size(); }
  const TCellRecordList* RowCells(int row) const;

  // ---- writing ----
  // DIMENSIONS, then the rows in blocks of 32: their ROW records, then their
  // cells, with runs of RK and BLANK cells joined.
  void SaveToStream(TRecordStream& stream) const;
  // Exactly the bytes SaveToStream writes.
  uint64_t TotalSize(bool needsRecalc = false) const;
  void Clear();

 private:
  struct TRange {
    uint32_t Top, Bottom;  // Bottom + 1 rows
    uint16_t Right;        // last column written
  };
  TRange Range() const;
  // The last row from `row` on with a ROW record or cells; -1 for none.
  int LastUsedRow(int row) const;
  TRowRecord& EnsureRow(int row);
  TCellRecordList& EnsureCellRow(int row);
  int DefaultXF(int row, int col) const;
  // Position of the cell at `col` in its row, or where it belongs.
  static size_t FindCol(const TCellRecordList& cells, int col, bool& found);
  std::unique_ptr<TCellRecord> MakeRecord(int row, int col, int xf, int defaultXF,
                                          const TXlsCellValue& value,
                                          const std::vector<TRTFRun>* runs, bool options1904);
  void TrimEnd(int row, bool madeRecord);
  static void SaveRowCells(TRecordStream* stream, const TCellRecordList& cells, int maxCol,
                           uint64_t& size);

  std::vector<std::unique_ptr<TRowRecord>> FRows;
  std::vector<std::unique_ptr<TCellRecordList>> FCellRows;
  const TColInfoList* FColumns;
  TSST* FSST;
};

}  // namespace tessary

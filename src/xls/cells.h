// The cell block of one worksheet: its rows (ROW records) and cells, its
// column entries (COLINFO) and its merged ranges (MERGEDCELLS). Rows and
// columns are zero-based: rows 0-65535, columns 0-255.
//
// A cell is a 16-byte value in its row's array, not an object of its own:
// a sheet of a million cells costs 16 MB, and writing it is a walk over
// arrays. Cell records read from files that carry more than a value
// (formulas, LABEL and RSTRING) are kept as record objects beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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
  // Expands a COLINFO payload read from a file (first column, last column,
  // width, XF, options) into one entry per column; columns beyond 255 are
  // dropped: a sheet has no such columns.
  void AddPayload(std::span<const uint8_t> payload);
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
  std::vector<TColInfo> FItems;
};

struct TMergedRange {
  uint16_t FirstRow = 0;
  uint16_t LastRow = 0;
  uint16_t FirstCol = 0;
  uint16_t LastCol = 0;
  bool operator==(const TMergedRange&) const = default;
  bool Overlaps(const TMergedRange& other) const;
};

// The merged ranges of a sheet, written as MERGEDCELLS records of up to
// 1027 ranges each.
class TMergedCells {
 public:
  static constexpr size_t kMaxRangesPerRecord = 1027;
  // Takes the ranges of a MERGEDCELLS payload read from a file (a count,
  // then first row, last row, first column, last column per range); "Error
  // reading Excel records. File invalid" when the count does not fit.
  void AddPayload(std::span<const uint8_t> payload);
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

// How a cell's value is stored.
enum class TCellKind : uint8_t {
  ckBlank,    // no value, only a format
  ckNumber,   // Bits: the double
  ckRK,       // Bits: the RK value
  ckString,   // Bits: the offset of its entry in the string table
  ckBoolErr,  // Bits: the value byte; IsError: an error code, not a Boolean
  ckRecord,   // Bits: the index of the record kept for it
};

// A cell as the block holds it. Its row is the row it is kept in.
struct TCell {
  uint16_t Col = 0;
  uint16_t XF = 0;
  TCellKind Kind = TCellKind::ckBlank;
  bool IsError = false;
  uint64_t Bits = 0;
};

// Rows and cells of a worksheet: a ROW slot and a cell row per row index.
class TCells {
 public:
  // `columns` gives the default XF of a column; `sst` takes string cells.
  explicit TCells(const TColInfoList* columns = nullptr, TSST* sst = nullptr)
      : FColumns(columns), FSST(sst) {}
  TCells(const TCells&) = delete;
  TCells& operator=(const TCells&) = delete;
  // String cells give their references back.
  ~TCells();

  void SetColumns(const TColInfoList* columns) { FColumns = columns; }
  void SetStringTable(TSST* sst) { FSST = sst; }

  // ---- loading ----
  // Files a record of the cell block read from a file: a ROW in its slot
  // ("Duplicated ROW record" for a second one), a MULRK or MULBLANK split
  // into single cells, any other cell record in its row; "Error reading
  // Excel records. File invalid" for a cell beyond the sheet or a payload
  // that does not hold what it says. A later record for a cell replaces an
  // earlier one.
  void AddRecord(std::unique_ptr<TBaseRecord> record);
  // The same for a record stored by its payload alone: ROW, MULRK,
  // MULBLANK, BLANK, NUMBER, RK, LABELSST, BOOLERR. A LABELSST takes the
  // string at its index in the table (in file order while a file loads).
  void AddPayload(uint16_t id, std::span<const uint8_t> payload);
  // True for the types AddPayload takes.
  static bool IsPayloadType(uint16_t id);
  void AddRow(std::unique_ptr<TRowRecord> row);
  // Gives every row that has cells a ROW record, so that no cell is lost
  // when the block is written. Run before every save.
  void FixRows();
  // After loading: rows completed and every cell row's spare room given
  // back.
  void CompleteRows();

  // ---- values ----
  // Stores a value ("Invalid Row (%d)", "Invalid Column (%d)"): a BLANK,
  // NUMBER, RK, LABELSST or BOOLERR cell, or none for an empty value in the
  // default format.
  void SetValueX2(int row, int col, const TXlsCellValue& value, bool options1904);
  void SetValueX2(int row, int col, const TXlsCellValue& value, const std::vector<TRTFRun>& runs,
                  bool options1904);
  // Stores at (row, col), with the XF `xf`, the value of the cell at
  // (fromRow, fromCol): a string cell shares its string entry, so a text
  // used by many cells is serialised and looked up once.
  void CopyValue(int fromRow, int fromCol, int row, int col, int xf);
  // Value, XF and formula flag of a cell; XF -1 when there is no cell.
  TXlsCellValue GetValue(int row, int col) const;
  // XF of the cell, -1 when there is none.
  int32_t CellXF(int row, int col) const;
  // Sets the XF of an existing cell, or stores an empty value with that XF.
  void SetFormat(int row, int col, int xf, bool options1904 = false);

  // ---- reading cells ----
  // The cells of a row, sorted by column; empty for a row without cells.
  std::span<const TCell> RowCells(int row) const;
  const TCell* Cell(int row, int col) const;
  // A cell's value: empty for a blank, text for a string (the error name
  // for an error code), a number or a Boolean.
  TXlsValue Value(const TCell& cell) const;
  bool IsFormula(const TCell& cell) const;
  // The error code of an error value (a BOOLERR, or a formula's result).
  std::optional<uint8_t> ErrorCode(const TCell& cell) const;
  // The record kept for a cell of kind Record, else null.
  const TCellRecord* Record(const TCell& cell) const;

  // ---- rows ----
  void SetRowHeight(int row, uint16_t height);
  void SetRowHidden(int row, bool hidden);
  // XF of a formatted row, -1 otherwise.
  int32_t RowXF(int row) const;

  // ---- inserting ----
  // Moves row `row` and every row after it `count` rows down: ROW records
  // (height, flags and format go with them) and cells. A ROW record or cell
  // that would move beyond row 65535 fails with "Invalid Row (%d)".
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

  TRowRecord* Row(int row) const;
  // One more than the highest row that has a slot.
  size_t RowCount() const { return FRows.size(); }
  size_t CellRowCount() const { return FCellRows.size(); }

  // ---- writing ----
  // DIMENSIONS, then the rows in blocks of 32: their ROW records, then their
  // cells, with runs of RK and BLANK cells joined into MULRK and MULBLANK.
  void SaveToStream(TRecordStream& stream) const;
  // The bytes SaveToStream writes.
  uint64_t TotalSize() const;
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
  std::vector<TCell>& EnsureCellRow(int row);
  int DefaultXF(int row, int col) const;
  // Position of the cell at `col` in its row, or where it belongs.
  static size_t FindCol(const std::vector<TCell>& cells, int col, bool& found);
  // Puts a cell read from a file into its row, replacing one at its column.
  void PlaceCell(int row, const TCell& cell);
  void AddMulPayload(uint16_t id, std::span<const uint8_t> payload);
  std::optional<TCell> MakeCell(int col, int xf, int defaultXF, const TXlsCellValue& value,
                                const std::vector<TRTFRun>* runs, bool options1904);
  // Puts `made` (none: no cell) at (row, col) in place of `existing`.
  void Place(int row, int col, const TCell* existing, const std::optional<TCell>& made);
  // Gives back what a cell holds: its string reference or its record.
  void ReleaseCell(const TCell& cell);
  uint64_t KeepRecord(std::unique_ptr<TCellRecord> record);
  void TrimEnd(int row, bool madeRecord);
  void WriteRowCells(TRecordBuffer& out, uint16_t row, std::span<const TCell> cells,
                     uint16_t right) const;
  void WriteCell(TRecordBuffer& out, uint16_t row, const TCell& cell) const;

  std::vector<std::unique_ptr<TRowRecord>> FRows;
  std::vector<std::vector<TCell>> FCellRows;
  // The records of cells of kind Record; a slot is emptied when its cell
  // goes.
  std::vector<std::unique_ptr<TCellRecord>> FRecords;
  const TColInfoList* FColumns;
  TSST* FSST;
};

}  // namespace tessary

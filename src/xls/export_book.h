// The narrow interface through which a table is exported into a workbook:
// sheets, sizes, formats and cell values. The engine's spreadsheet file
// implements it; the export's tests stand in for it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "xls/cell_records.h"
#include "xls/formats.h"

namespace tessary {

// What the export needs of a workbook; rows, columns and sheets 1-based.
class TExportBook {
 public:
  virtual ~TExportBook() = default;
  virtual void NewFile(int sheetCount) = 0;
  virtual void OpenFile(const std::filesystem::path& fileName) = 0;
  virtual int SheetCount() const = 0;
  virtual std::u16string SheetName(int sheet) const = 0;
  virtual void SetActiveSheet(int sheet) = 0;
  virtual void SetActiveSheetName(std::u16string_view name) = 0;
  virtual void InsertAndCopySheets(int copyFrom, int insertBefore, int sheetCount) = 0;
  virtual void ClearSheet() = 0;
  // Inserts `count` empty rows before row `row` (columns before column
  // `col`) of the active sheet; what was there moves down (right). Throws
  // Error, changing nothing, where the sheet cannot take them.
  virtual void InsertRows(int row, int count) = 0;
  virtual void InsertCols(int col, int count) = 0;
  virtual void SetShowGridLines(bool value) = 0;
  virtual void SetOutlineSummaryRowsBelowDetail(bool value) = 0;
  virtual void SetOutlineSummaryColsRightOfDetail(bool value) = 0;
  virtual void SetColWidth(int col, int width) = 0;
  virtual void SetRowHeight(int row, int height) = 0;
  // XF of an existing cell, of a formatted row, of a column entry; -1 where
  // there is none.
  virtual int CellFormat(int row, int col) const = 0;
  virtual int RowFormat(int row) const = 0;
  virtual int ColFormat(int col) const = 0;
  virtual TCellFormat GetFormat(int xf) const = 0;
  virtual int AddFormat(const TCellFormat& format) = 0;
  virtual void SetCellValue(int row, int col, const TXlsCellValue& value) = 0;
  // Sets a cell to the value of a cell set before, with the XF `xf`: a text
  // that many cells hold is stored once and only referred to again.
  virtual void RepeatCellValue(int fromRow, int fromCol, int row, int col, int xf) = 0;
  // The bytes of strings the workbook has hashed so far to find equal ones
  // (what the benchmarks and tests watch); 0 where nothing is counted.
  virtual uint64_t StringBytesHashed() const { return 0; }
  virtual void SelectSheet(int sheet) = 0;
  // Writes the workbook beside the target and puts it in the target's
  // place when complete.
  virtual void Save(const std::filesystem::path& fileName) = 0;
};

}  // namespace tessary

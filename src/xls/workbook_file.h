// The workbook engine's file-level interface: a workbook made from the
// built-in template or read from a compound file, changed sheet by sheet,
// and written back into a copy of the compound file it came from. Sheet,
// row and column numbers at this interface are 1-based.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "xls/byte_stream.h"
#include "xls/cell_records.h"
#include "xls/export_book.h"
#include "xls/formats.h"
#include "xls/regional_settings.h"
#include "xls/workbook.h"

namespace tessary {

// The whole file-level interface of a workbook; the export uses the part
// that TExportBook declares.
class TSpreadsheetFile : public TExportBook {
 public:
  virtual void Connect() = 0;
  virtual void Disconnect() = 0;
  virtual void LoadFromStream(TByteStream& stream) = 0;

  virtual int ActiveSheet() const = 0;
  virtual std::u16string ActiveSheetName() const = 0;
  virtual void DeleteSheets(int sheetPos, int sheetCount) = 0;

  virtual bool ShowGridLines() const = 0;
  virtual bool OutlineSummaryRowsBelowDetail() const = 0;
  virtual bool OutlineSummaryColsRightOfDetail() const = 0;

  virtual void SetColHidden(int col, bool hidden) = 0;
  virtual void SetRowHidden(int row, bool hidden) = 0;
  virtual void MergeCells(int firstRow, int firstCol, int lastRow, int lastCol) = 0;

  virtual TXlsCellValue GetCellValue(int row, int col) const = 0;
  virtual void SetCellString(int row, int col, std::u16string_view text, TCellFormat* format,
                             std::u16string_view dateFormat, std::u16string_view timeFormat) = 0;

  virtual void SaveToStream(TByteStream& stream) = 0;
};

// A failure of reading the workbook `fileName`, as an Error that names the
// file: the empty name of "The file "" is invalid" becomes the file's, any
// other text that does not name it gets the path in front
// ("/x/b.xls: Error reading record").
Error NamingTheFile(const std::exception& failure, const std::filesystem::path& fileName);

class TWorkbookFile : public TSpreadsheetFile {
 public:
  explicit TWorkbookFile(TRegionalSettings regional = TRegionalSettings::FromUserLocale());
  ~TWorkbookFile() override;

  // Creates the empty workbook model; the other operations need it.
  void Connect() override;
  void Disconnect() override;
  bool Connected() const { return FWorkbook != nullptr; }

  // Loads the template workbook and adds fresh sheets up to `sheetCount`.
  void NewFile(int sheetCount) override;
  // Loads a workbook file; a file that is not a compound file fails with
  // "The file "%s" is invalid", and every failure names the file
  // (NamingTheFile).
  void OpenFile(const std::filesystem::path& fileName) override;
  // Loads the compound file that `stream` holds.
  void LoadFromStream(TByteStream& stream) override;
  void LoadFromBytes(std::span<const uint8_t> bytes);

  int SheetCount() const override;
  int ActiveSheet() const override { return FActiveSheet; }
  // The sheet that the following calls act on ("Sheet number "%d" invalid.
  // Must be between %d and %d" outside the list).
  void SetActiveSheet(int sheet) override;
  std::u16string ActiveSheetName() const override;
  // Renames the active sheet to the valid form of `name`; another sheet of
  // that name fails with "Sheet name already exists: %s".
  void SetActiveSheetName(std::u16string_view name) override;
  std::u16string SheetName(int sheet) const override;
  // Inserts `sheetCount` sheets before sheet `insertBefore`: copies of sheet
  // `copyFrom`, or fresh sheets from the template when `copyFrom` < 1.
  void InsertAndCopySheets(int copyFrom, int insertBefore, int sheetCount) override;
  void DeleteSheets(int sheetPos, int sheetCount) override;
  // The active sheet restarts as a fresh copy of the template's sheet and
  // becomes the selected one.
  void ClearSheet() override;
  // Sheet `sheetNo` becomes the only selected sheet and the workbook's
  // active tab.
  void SelectSheet(int sheetNo) override;

  bool ShowGridLines() const override;
  void SetShowGridLines(bool value) override;
  bool OutlineSummaryRowsBelowDetail() const override;
  void SetOutlineSummaryRowsBelowDetail(bool value) override;
  bool OutlineSummaryColsRightOfDetail() const override;
  void SetOutlineSummaryColsRightOfDetail(bool value) override;

  // Width in 1/256 of a character (clamped to 0-65535), height in twips
  // (clamped to 0-32767).
  void SetColWidth(int col, int width) override;
  void SetRowHeight(int row, int height) override;
  void SetColHidden(int col, bool hidden) override;
  void SetRowHidden(int row, bool hidden) override;
  void MergeCells(int firstRow, int firstCol, int lastRow, int lastCol) override;
  // Inserts `count` empty rows before row `row` (columns before column
  // `col`) of the active worksheet; what was there and after moves down
  // (right). A count of 0 or less inserts nothing. Fails as
  // TWorkbook::InsertRows does, leaving the workbook as it was.
  void InsertRows(int row, int count) override;
  void InsertCols(int col, int count) override;

  // XF of an existing cell, a formatted row, a column entry; -1 for none.
  int CellFormat(int row, int col) const override;
  int RowFormat(int row) const override;
  int ColFormat(int col) const override;
  // The description of an XF; an index outside the list reads XF 0.
  TCellFormat GetFormat(int xf) const override;
  int AddFormat(const TCellFormat& format) override;

  TXlsCellValue GetCellValue(int row, int col) const override;
  void SetCellValue(int row, int col, const TXlsCellValue& value) override;
  void RepeatCellValue(int fromRow, int fromCol, int row, int col, int xf) override;
  uint64_t StringBytesHashed() const override;
  // Reads `text` as a typed value and stores it with the XF of `format`
  // (the default cell format without one); a number format found for the
  // text is written into `format`.
  void SetCellString(int row, int col, std::u16string_view text, TCellFormat* format,
                     std::u16string_view dateFormat = {},
                     std::u16string_view timeFormat = {}) override;

  // Writes the workbook to `fileName`, beside the target first; the target
  // is replaced only by a complete file. An existing target fails with
  // "Can't write to file "%s". Check it is not in use by another user"
  // unless AllowOverwritingFiles.
  void Save(const std::filesystem::path& fileName) override;
  // Writes the whole compound file into `stream`.
  void SaveToStream(TByteStream& stream) override;
  std::vector<uint8_t> SaveToBytes();

  TWorkbook& Workbook() const;
  TWorkSheet& ActiveWorkSheet() const;

  bool AllowOverwritingFiles = false;
  bool IsFileModified = false;
  TRegionalSettings Regional;

 private:
  void CheckSheet(int sheet) const;
  TFormatLists Formats() const;

  std::unique_ptr<TWorkbook> FWorkbook;
  int FActiveSheet = 1;
  std::vector<uint8_t> FOtherStreams;
};

}  // namespace tessary

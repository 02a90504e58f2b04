// The export of a cell table into one worksheet of a workbook file: a new
// workbook from the template, or the existing target with the sheet of the
// same name refilled and every other sheet kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "common/result.h"
#include "table/cell_table.h"
#include "xls/export_book.h"
#include "xls/regional_settings.h"

namespace tessary {

enum TOverwriteMode { omNever = 0, omAlways = 1, omWarn = 2 };

// What the export does to an existing sheet of the target's name: empty
// it, write over its cells, or first insert empty rows (columns) for the
// grid's rows (columns) - all of them, or all but the first two, which are
// written over.
enum TInsertInSheet {
  InsertInSheet_Clear = 0,
  InsertInSheet_OverwriteCells = 1,
  InsertInSheet_InsertRows = 2,
  InsertInSheet_InsertCols = 3,
  InsertInSheet_InsertRowsExceptFirstAndSecond = 4,
  InsertInSheet_InsertColsExceptFirstAndSecond = 5,
};

struct TGridXlsIOOptions {
  TOverwriteMode ExportOverwrite = omNever;
  std::string ExportOverwriteMessage = "File %s already exists\rOk to overwrite ?";
  bool ExportFormulas = true;
  bool ExportCellFormats = true;
  bool ExportCellProperties = true;
  bool ExportCellSizes = true;
  bool ExportHiddenColumns = false;
  bool ExportHTMLTags = true;
  bool ExportShowInExcel = false;
  bool ExportShowGridLines = true;
  bool ExportSummaryRowsBelowDetail = false;
  bool ExportCellMargins = false;
  bool ExportPrintOptions = true;
  bool ExportWordWrapped = false;
  bool ExportHardBorders = false;
  bool ExportReadonlyCellsAsLocked = false;
  bool UseExcelStandardColorPalette = true;
  bool ImportFormulas = true;
  bool ImportImages = true;
  bool ImportCellFormats = true;
  bool ImportCellSizes = true;
  bool ImportPrintOptions = true;
  bool ImportCellProperties = false;
  bool ImportLockedCellsAsReadonly = false;
};

// What an export did, counted for tests and benchmarks.
struct TXlsExportCounts {
  // Bytes of strings hashed to find equal ones in the workbook's string
  // table: about the size of the distinct texts, not of all cells.
  uint64_t StringBytesHashed = 0;
};

class TGridXlsIO {
 public:
  TGridXlsIO();

  const TCellTable* Grid = nullptr;
  TGridXlsIOOptions Options;
  // The grid is a table of the editor: rows 0 and 1 hold the column names
  // and types and go out as texts, and the data cells of a column whose
  // type text names one of the five types are stored by that type (see
  // ConvertTypedCellText). Other columns, and every grid without this
  // layout, are converted by the general rules (ConvertCellText).
  bool TableLayout = false;
  bool UseUnicode = false;
  std::u16string DateFormat;
  std::u16string TimeFormat;
  // The grid's text offset in pixels, taken off widths and heights.
  TGridCoord XYOffset{2, 2};
  // The regional conventions of the conversions; the user's by default.
  TRegionalSettings Regional;
  // The question of omWarn (the message with the file name); true goes on.
  std::function<bool(const std::string& message)> OnConfirmOverwrite;
  // Filled by XLSExport when set.
  TXlsExportCounts* Counts = nullptr;
  // The workbook behind the export; the engine by default.
  std::function<std::unique_ptr<TExportBook>(const TRegionalSettings&)> BookFactory;

  int32_t GridStartRow() const { return FGridStartRow; }
  void SetGridStartRow(int32_t value) { FGridStartRow = value < 0 ? 1 : value; }
  int32_t GridStartCol() const { return FGridStartCol; }
  void SetGridStartCol(int32_t value) { FGridStartCol = value < 0 ? 1 : value; }
  int32_t XlsStartRow() const { return FXlsStartRow; }
  void SetXlsStartRow(int32_t value) { FXlsStartRow = value <= 0 ? 1 : value; }
  int32_t XlsStartCol() const { return FXlsStartCol; }
  void SetXlsStartCol(int32_t value) { FXlsStartCol = value <= 0 ? 1 : value; }

  // Writes the grid into sheet `sheetName` of `fileName`. Throws Error on
  // every failure; an existing file is then left as it was. A grid that
  // does not fit the sheet is refused before the target is touched, the
  // reason in the message. An existing sheet is found by the name the
  // sheet would be stored under (see TSheetNameList::MakeValidSheetName),
  // letters compared without regard to case.
  void XLSExport(const std::filesystem::path& fileName, std::u16string_view sheetName, int sheetPos,
                 int selectSheet, TInsertInSheet insertInSheet);

  // Whether the grid fits a sheet from XlsStartRow and XlsStartCol and
  // every cell a workbook cell; a failure says why ("The table has 100,002
  // rows; a sheet holds at most 65,536.", "Row 7, column Name holds 200,000
  // characters; a workbook cell holds at most 32,767.").
  TResult CheckFitsSheet() const;

  // The settings the editor window gives its export component, with the
  // table layout.
  void ApplyWindowSettings(const TCellTable& grid);

 private:
  void MakeRoom(TExportBook& book, TInsertInSheet insertInSheet);
  void ExportSizes(TExportBook& book);
  void ExportCells(TExportBook& book);
  std::string CellPlace(int32_t col, int32_t row) const;

  int32_t FGridStartRow = 1;
  int32_t FGridStartCol = 1;
  int32_t FXlsStartRow = 1;
  int32_t FXlsStartCol = 1;
};

}  // namespace tessary

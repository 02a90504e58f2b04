// Tables read back from what the exports write: a worksheet of a workbook
// file, or CSV text. Either way the first row holds the column names, the
// second the column types, the rows below the data rows.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "table/cell_table.h"

namespace tessary {

class TByteStream;
class TWorkbook;

// The shortest decimal text that reads back as the same double: "5",
// "0.1", "-2.5", "1e+21", "1e-7".
std::u16string ShortestNumberText(double value);

// The path an imported table is named by: the imported file's path with
// its extension replaced by ".gda", by the rule of the export's target.
std::u16string ImportedDocumentPath(std::u16string_view importedPath);

// Whether the open file starts with the compound-file signature, which
// every workbook does; the file is rewound afterwards.
bool IsWorkbookFile(std::FILE* file);

// "A1"-style name of a cell, rows and columns from 0.
std::string CellName(int col, int row);

// A workbook opened for import. The engine reads the whole file once;
// sheets are then read from the model. A failed import's message is the one
// the user sees, and the table given to it is to be thrown away.
class TWorkbookImport {
 public:
  TWorkbookImport();
  ~TWorkbookImport();
  TWorkbookImport(const TWorkbookImport&) = delete;
  TWorkbookImport& operator=(const TWorkbookImport&) = delete;

  // Reads the workbook. Failures carry the engine's messages: "The file "%s"
  // is invalid" for a file that is not a compound file or has no Workbook
  // stream, and those of the record layer for a damaged workbook.
  TResult Open(const std::filesystem::path& fileName);
  // The compound file `stream` holds, named `fileName` in messages and for
  // the choice of the sheet.
  TResult Open(TByteStream& stream, const std::filesystem::path& fileName);

  // The worksheets, in workbook order (chart and other sheets left out).
  const std::vector<std::u16string>& SheetNames() const { return FNames; }
  // The worksheet the export stores under `name`: names compared as the
  // export finds its sheet again (cleaned, cut to 31 characters, letter
  // case ignored). -1 when there is none.
  int FindSheet(std::u16string_view name) const;
  // The worksheet to offer first: the one the export names after this
  // file's name, else the first. -1 when the workbook has no worksheet.
  int DefaultSheet() const;
  // Reads worksheet `index` into `table` (a fresh table).
  TResult ReadSheet(int index, TCellTable& table) const;
  // The texts of the first row of worksheet `index`, left to right, as the
  // import reads them (a number as its shortest text); empty cells, error
  // values and cells holding neither text nor number, left out. A user's own sheet
  // carries its column names there.
  std::vector<std::u16string> FirstRowTexts(int index) const;

  const std::filesystem::path& FileName() const { return FFileName; }

 private:
  void Load(TByteStream& stream);

  std::filesystem::path FFileName;
  std::unique_ptr<TWorkbook> FBook;
  std::vector<std::u16string> FNames;
  std::vector<int> FSheetIndex;  // the workbook's sheet index of each worksheet
};

// Reads the table from `fileName`: the worksheet `sheet` when given, else
// the default sheet.
TResult ImportTableFromWorkbook(const std::filesystem::path& fileName, const std::u16string* sheet,
                                TCellTable& table);

}  // namespace tessary

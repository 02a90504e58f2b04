#include "exchange/grid_xls_io.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "common/error.h"
#include "common/write_lock.h"
#include "exchange/export_target.h"
#include "text/utf16.h"
#include "xls/cell_text_value.h"
#include "xls/sheet_names.h"
#include "xls/workbook_file.h"

namespace tessary {
namespace {

// The engine's workbook as the export's: the new file takes the place of
// the workbook it opened only once it is complete.
std::unique_ptr<TExportBook> NewWorkbookFile(const TRegionalSettings& regional) {
  auto file = std::make_unique<TWorkbookFile>(regional);
  file->Connect();
  file->AllowOverwritingFiles = true;
  return file;
}

constexpr int kMaxSheetRows = kMaxSheetRow + 1;
constexpr int kMaxSheetCols = kMaxSheetCol + 1;
constexpr int64_t kMaxCellTextLength = 32767;

std::string ReplaceFirst(std::string text, std::string_view what, std::string_view by) {
  const size_t at = text.find(what);
  if (at != std::string::npos) text.replace(at, what.size(), by);
  return text;
}

// A count with its thousands grouped by commas ("100,002"), as the fixed
// English messages write it.
std::string Grouped(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  for (ptrdiff_t at = static_cast<ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<size_t>(at), 1, ',');
  return n < 0 ? "-" + digits : digits;
}

// A cell text by its address, its length and how it is converted.
struct TTextKey {
  const char16_t* Data;
  size_t Size;
  int How;
  bool operator==(const TTextKey&) const = default;
};
struct TTextKeyHash {
  size_t operator()(const TTextKey& k) const noexcept {
    return std::hash<const void*>{}(k.Data) ^ (k.Size * 0x9E3779B97F4A7C15ull) ^
           static_cast<size_t>(k.How);
  }
};
// Where the first cell of a text went, and the number format it took.
struct TConverted {
  int Row;
  int Col;
  std::optional<std::u16string> Format;
};
// Texts at least this long are converted once however many cells show them.
constexpr size_t kRememberedTextLength = 64;

}  // namespace

TGridXlsIO::TGridXlsIO() : Regional(TRegionalSettings::FromUserLocale()) {}

void TGridXlsIO::ApplyWindowSettings(const TCellTable& grid) {
  Grid = &grid;
  TableLayout = true;
  SetGridStartRow(0);
  SetGridStartCol(0);
  UseUnicode = true;
  Options.ExportFormulas = false;
  Options.ExportCellProperties = false;
  Options.ExportHTMLTags = false;
  Options.ExportPrintOptions = false;
  Options.ImportFormulas = false;
  Options.ImportImages = false;
  Options.ImportPrintOptions = false;
}

void TGridXlsIO::XLSExport(const std::filesystem::path& fileName, std::u16string_view sheetName,
                           int sheetPos, int selectSheet, TInsertInSheet insertInSheet) {
  if (Grid == nullptr) ThrowError("There is no grid assigned to this component");
  // Refused before the target is read or written.
  if (const TResult fits = CheckFitsSheet(); !fits) throw Error(fits.Message);
  // One writer of the file at a time, from reading the old workbook to
  // replacing it: a sheet that another export adds meanwhile is not lost.
  const TWriteLock lock(fileName);

  std::error_code ec;
  bool useExisting = std::filesystem::exists(fileName, ec);
  // Replacing an existing file: its content is not read, and the file
  // itself goes only when the new one takes its place.
  if (useExisting && Options.ExportOverwrite == omAlways) useExisting = false;
  if (useExisting && Options.ExportOverwrite == omWarn) {
    const std::string question =
        ReplaceFirst(Options.ExportOverwriteMessage, "%s", fileName.string());
    if (!OnConfirmOverwrite || !OnConfirmOverwrite(question)) return;
    useExisting = false;
  }

  std::unique_ptr<TExportBook> book =
      BookFactory ? BookFactory(Regional) : NewWorkbookFile(Regional);
  if (!useExisting) {
    book->NewFile(1);
  } else {
    book->OpenFile(fileName);
    // The name the sheet was stored under: cleaned and cut as renaming does.
    const std::u16string wanted = UpperSheetName(TSheetNameList::MakeValidSheetName(sheetName));
    int found = 0;
    for (int s = 1; s <= book->SheetCount(); ++s) {
      if (UpperSheetName(book->SheetName(s)) == wanted) {
        found = s;
        break;
      }
    }
    if (found > 0) {
      book->SetActiveSheet(found);
      if (insertInSheet == InsertInSheet_Clear) {
        book->ClearSheet();
      } else {
        MakeRoom(*book, insertInSheet);
      }
    } else {
      const int position =
          sheetPos > 0 && sheetPos <= book->SheetCount() ? sheetPos : book->SheetCount() + 1;
      book->InsertAndCopySheets(-1, position, 1);
      book->SetActiveSheet(position);
    }
  }

  book->SetOutlineSummaryRowsBelowDetail(Options.ExportSummaryRowsBelowDetail);
  book->SetOutlineSummaryColsRightOfDetail(Options.ExportSummaryRowsBelowDetail);
  book->SetShowGridLines(Options.ExportShowGridLines);
  if (Options.ExportCellSizes) ExportSizes(*book);
  ExportCells(*book);
  if (!sheetName.empty()) book->SetActiveSheetName(sheetName);
  book->SelectSheet(selectSheet);
  book->Save(fileName);
}

// The sheet found is kept. The insert modes first open as many empty rows
// (columns) as the grid has rows (columns) to export where the grid goes,
// so that nothing already there is written over; the ..ExceptFirstAndSecond
// modes let the first two be written over and open room for the rest after
// them. InsertInSheet_OverwriteCells writes over the cells as they are.
void TGridXlsIO::MakeRoom(TExportBook& book, TInsertInSheet insertInSheet) {
  const int64_t rows = int64_t{Grid->RowCount()} - FGridStartRow;
  const int64_t cols = int64_t{Grid->ColCount()} - FGridStartCol;
  // A place beyond any sheet is passed on capped, for the book to refuse.
  const auto at = [](int64_t place) {
    return static_cast<int>(std::min<int64_t>(place, std::numeric_limits<int>::max()));
  };
  switch (insertInSheet) {
    case InsertInSheet_InsertRows:
      if (rows > 0) book.InsertRows(FXlsStartRow, at(rows));
      break;
    case InsertInSheet_InsertCols:
      if (cols > 0) book.InsertCols(FXlsStartCol, at(cols));
      break;
    case InsertInSheet_InsertRowsExceptFirstAndSecond:
      if (rows > 2) book.InsertRows(at(int64_t{FXlsStartRow} + 1), at(rows - 2));
      break;
    case InsertInSheet_InsertColsExceptFirstAndSecond:
      if (cols > 2) book.InsertCols(at(int64_t{FXlsStartCol} + 1), at(cols - 2));
      break;
    case InsertInSheet_Clear:
    case InsertInSheet_OverwriteCells:
      break;
  }
}

void TGridXlsIO::ExportSizes(TExportBook& book) {
  const int32_t x = Options.ExportCellMargins ? 0 : XYOffset.X;
  const int32_t y = Options.ExportCellMargins ? 0 : XYOffset.Y;
  int sheetRow = FXlsStartRow;
  for (int32_t r = FGridStartRow; r < Grid->RowCount(); ++r) {
    if (sheetRow > kMaxSheetRows) ThrowError("Invalid Row (%d)", sheetRow - 1);
    book.SetRowHeight(sheetRow++, ExportRowHeight(Grid->RowHeights(r), y));
  }
  int sheetCol = FXlsStartCol;
  for (int32_t c = FGridStartCol; c < Grid->ColCount(); ++c) {
    if (sheetCol > kMaxSheetCols) ThrowError("Invalid Column (%d)", sheetCol - 1);
    book.SetColWidth(sheetCol++, ExportColumnWidth(Grid->ColWidths(c), x));
  }
}

// A sheet holds rows 0 to 65535 and columns 0 to 255, counted from where
// the grid starts.
TResult TGridXlsIO::CheckFitsSheet() const {
  if (Grid == nullptr) return TResult::Success();
  const int64_t rows = std::max<int64_t>(0, int64_t{Grid->RowCount()} - FGridStartRow);
  const int64_t rowRoom = std::max<int64_t>(0, int64_t{kMaxSheetRows} - (FXlsStartRow - 1));
  if (rows > rowRoom) {
    return TResult::Failure(FormatMessage("The table has %s rows; a sheet holds at most %s.",
                                          Grouped(rows).c_str(), Grouped(rowRoom).c_str()));
  }
  const int64_t cols = std::max<int64_t>(0, int64_t{Grid->ColCount()} - FGridStartCol);
  const int64_t colRoom = std::max<int64_t>(0, int64_t{kMaxSheetCols} - (FXlsStartCol - 1));
  if (cols > colRoom) {
    return TResult::Failure(FormatMessage("The table has %s columns; a sheet holds at most %s.",
                                          Grouped(cols).c_str(), Grouped(colRoom).c_str()));
  }
  // A workbook string holds at most 32,767 characters: a longer cell is
  // refused here rather than failing the write halfway.
  for (int32_t r = FGridStartRow; r < Grid->RowCount(); ++r) {
    const int32_t last = std::min(Grid->ColCount() - 1, Grid->LastStoredCol(r));
    for (int32_t c = FGridStartCol; c <= last; ++c) {
      const size_t length = std::u16string_view(Grid->Cells(c, r)).size();
      if (length <= kMaxCellTextLength) continue;
      return TResult::Failure(FormatMessage(
          "%s holds %s characters; a workbook cell holds at most %s.", CellPlace(c, r).c_str(),
          Grouped(static_cast<int64_t>(length)).c_str(), Grouped(kMaxCellTextLength).c_str()));
    }
  }
  return TResult::Success();
}

// A cell as the messages name it: with the table layout the data rows from
// 1 and the column by its name, else rows and columns from 1 as the grid
// counts them.
std::string TGridXlsIO::CellPlace(int32_t col, int32_t row) const {
  if (!TableLayout) return FormatMessage("Row %d, column %d", row + 1, col + 1);
  std::string name = ToUtf8(Grid->Cells(col, 0));
  if (name.empty()) name = std::to_string(col + 1);
  if (row == 0) return "The name of column " + std::to_string(col + 1);
  if (row == 1) return "The type of column " + name;
  return FormatMessage("Row %d, column %s", row - 1, name.c_str());
}

void TGridXlsIO::ExportCells(TExportBook& book) {
  // With the table layout, the type each exported column's row 1 names.
  std::vector<std::optional<TColumnType>> types;
  if (TableLayout) {
    for (int32_t c = FGridStartCol; c < Grid->ColCount(); ++c)
      types.push_back(ColumnTypeOf(Grid->Cells(c, 1)));
  }
  using TFormatRequest = std::pair<int, std::optional<std::u16string>>;
  std::map<TFormatRequest, int> formatXF;
  // Cells that show one stored text (the same characters at the same
  // address) are converted once: later ones repeat the first one's value,
  // so that a long text shared by many cells is read, stored and looked up
  // once. Short texts cost little per cell and are not remembered.
  std::unordered_map<TTextKey, TConverted, TTextKeyHash> converted;
  for (int32_t r = FGridStartRow; r < Grid->RowCount(); ++r) {
    const int sheetRow = r + FXlsStartRow - FGridStartRow;
    if (sheetRow > kMaxSheetRows) ThrowError("Invalid Row (%d)", sheetRow - 1);
    for (int32_t c = FGridStartCol; c < Grid->ColCount(); ++c) {
      const int sheetCol = c + FXlsStartCol - FGridStartCol;
      if (sheetCol > kMaxSheetCols) ThrowError("Invalid Column (%d)", sheetCol - 1);
      const std::u16string_view cellText = Grid->Cells(c, r);
      const std::optional<TColumnType> type =
          TableLayout ? types[static_cast<size_t>(c - FGridStartCol)] : std::nullopt;
      const bool textColumn =
          type.has_value() && (*type == TColumnType::ctString || *type == TColumnType::ctResource);
      // How the text becomes a value: 0 as it is, 1 prepared, 2 by the
      // general rules, 3 and up by the column's type.
      int how = 2;
      if (TableLayout && (r < 2 || textColumn)) {
        how = 0;
      } else if (!Options.ExportCellFormats) {
        how = 1;
      } else if (type) {
        how = 3 + static_cast<int>(*type);
      }

      int xf = book.CellFormat(sheetRow, sheetCol);
      if (xf < 0) {
        const int rowXF = book.RowFormat(sheetRow);
        xf = rowXF > 0 ? rowXF : book.ColFormat(sheetCol);
        if (xf < 0) xf = kDefaultCellXF;
      }
      // The format of the cell's XF, with the number format found for its
      // text: asked for once per pair, since the answer for a pair cannot
      // change while the export only adds formats.
      const auto cellXF = [&](std::optional<std::u16string> numberFormat) {
        TFormatRequest request{xf, std::move(numberFormat)};
        auto known = formatXF.find(request);
        if (known == formatXF.end()) {
          TCellFormat format = book.GetFormat(xf);
          if (request.second) format.Format = *request.second;
          known = formatXF.emplace(std::move(request), book.AddFormat(format)).first;
        }
        return known->second;
      };

      const bool remembered = cellText.size() >= kRememberedTextLength;
      const TTextKey key{cellText.data(), cellText.size(), how};
      if (remembered) {
        if (const auto seen = converted.find(key); seen != converted.end()) {
          book.RepeatCellValue(seen->second.Row, seen->second.Col, sheetRow, sheetCol,
                               cellXF(seen->second.Format));
          continue;
        }
      }

      TCellTextValue typed;
      switch (how) {
        case 0:
          typed.Text = cellText;
          break;
        case 1:
          typed.Text = PrepareExportText(cellText, Options.ExportHTMLTags);
          break;
        case 2:
          typed = ConvertCellText(PrepareExportText(cellText, Options.ExportHTMLTags), Regional,
                                  DateFormat, TimeFormat);
          break;
        default:
          typed = ConvertTypedCellText(cellText, static_cast<TColumnType>(how - 3));
          break;
      }
      if (remembered) converted.emplace(key, TConverted{sheetRow, sheetCol, typed.Format});
      TXlsCellValue value;
      value.XF = cellXF(std::move(typed.Format));
      switch (typed.Kind) {
        case TCellTextValue::TValueKind::vkNumber:
          value.Value = typed.Number;
          break;
        case TCellTextValue::TValueKind::vkBoolean:
          value.Value = typed.Boolean;
          break;
        case TCellTextValue::TValueKind::vkDateTime:
          value.Value = TXlsDate{typed.Number};
          break;
        case TCellTextValue::TValueKind::vkString:
          value.Value = std::move(typed.Text);
          break;
      }
      book.SetCellValue(sheetRow, sheetCol, value);
    }
  }
  if (Counts != nullptr) Counts->StringBytesHashed = book.StringBytesHashed();
}

}  // namespace tessary

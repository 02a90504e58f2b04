// The window's exchange with other programs: Export to and Import from.
#include <QFile>
#include <QString>
#include <cstdio>

#include "app/frm_tessary.h"
#include "app/window_paths.h"
#include "common/safe_file.h"
#include "exchange/column_widths.h"
#include "exchange/export_target.h"
#include "exchange/table_csv.h"
#include "exchange/table_export.h"
#include "exchange/table_import.h"
#include "gff/gff_container.h"
#include "gff/show_error.h"
#include "grid/widget/table_grid.h"
#include "text/utf16.h"

namespace tessary {
namespace {

const QString kXlsFilter = QStringLiteral("Excel files|*.xls|All files|*");
const QString kCsvFilter = QStringLiteral("CSV files|*.csv|All files|*");

}  // namespace

// Writes the grid as a workbook next to the document: the path with ".xls",
// a sheet named after the workbook's file name (27 code units at most).
// The command line exports through the same function. A failure shows the
// export's message with its reason on a second line.
void TfrmTessary::MExcelfileClick() {
  EndGridEdit();
  const std::u16string target = ExportTargetPath(FGDAFilename.toStdU16String());
  // A name byte that is not UTF-8 rides in the path as a lone surrogate; the
  // sheet name shows it as U+FFFD, as the command line does.
  const std::u16string sheet = ExportSheetName(FromUtf8(ToFileNameBytes(target)));
  const TResult exported =
      ExportTableToWorkbook(GDAGrid->Table(), ToPath(QString::fromStdU16String(target)), sheet);
  if (!exported) {
    ShowError(exported.Message);
    return;
  }
  MessageBoxes().Show(QString::fromUtf8(kExportSuccessPrefix) + QString::fromStdU16String(target),
                      QString::fromUtf8(kExportCaption), TBoxIcon::biNone);
}

// Writes the table as CSV where the save dialog says, which starts with
// the document's name and ".csv" in its folder; an existing file is
// replaced only when the user says so, otherwise the dialog comes back.
void TfrmTessary::MCsvfileClick() {
  EndGridEdit();
  QString target = QString::fromStdU16String(CsvExportTargetPath(FGDAFilename.toStdU16String()));
  while (true) {
    const std::optional<QString> chosen = FDialog->ExecuteSave(this, target, kCsvFilter);
    if (!chosen) return;
    target = *chosen;
    if (!QFile::exists(target) ||
        MessageBoxes().AskYesNo(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                    .arg(FileNamePart(target)),
                                QStringLiteral("Export to CSV file"))) {
      break;
    }
  }
  if (const TResult written = WriteTableCsvFile(GDAGrid->Table(), ToPath(target)); !written) {
    ShowError(written.Message);
    return;
  }
  MessageBoxes().Show(QString::fromUtf8(kCsvExportSuccessPrefix) + target,
                      QString::fromUtf8(kCsvExportCaption), TBoxIcon::biNone);
}

// A worksheet of a workbook as a new document: unsaved changes are asked
// about first, then the file is chosen, then its sheet (the one the export
// names after the file preselected). A refused import shows its message
// and changes nothing.
void TfrmTessary::MImportExcelfileClick() {
  if (!ConfirmDiscardChanges()) return;
  const std::optional<QString> chosen = FDialog->Execute(this, QString(), kXlsFilter);
  if (!chosen) return;
  // Only a regular file: a FIFO or a device is refused, not waited on.
  if (std::FILE* probe = OpenRegularFileForReading(ToPath(*chosen))) {
    std::fclose(probe);
  } else {
    ShowError(FileFailureText(kCannotOpenText, ToPath(*chosen), OpenForReadingErrorText(errno)));
    return;
  }
  TWorkbookImport book;
  if (const TResult opened = book.Open(ToPath(*chosen)); !opened) {
    ShowError(opened.Message);
    return;
  }
  if (book.SheetNames().empty()) {
    ShowError("The file " + chosen->toStdString() + " holds no worksheet.");
    return;
  }
  QStringList names;
  for (const std::u16string& name : book.SheetNames()) names << QString::fromStdU16String(name);
  const std::optional<int> sheet =
      SheetChoice->Choose(this, FileNamePart(*chosen), names, book.DefaultSheet());
  if (!sheet) return;
  TCellTable imported;
  if (const TResult read = book.ReadSheet(*sheet, imported); !read) {
    ShowError(read.Message);
    return;
  }
  TakeImportedTable(imported, *chosen);
}

void TfrmTessary::MImportCsvfileClick() {
  if (!ConfirmDiscardChanges()) return;
  const std::optional<QString> chosen = FDialog->Execute(this, QString(), kCsvFilter);
  if (!chosen) return;
  uint64_t size = 0;
  std::FILE* file = OpenRegularFileForReading(ToPath(*chosen), &size);
  if (file == nullptr) {
    ShowError(FileFailureText(kCannotOpenText, ToPath(*chosen), OpenForReadingErrorText(errno)));
    return;
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  TCellTable imported;
  if (const TResult read = CsvToTable(bytes, imported); !read) {
    ShowError(read.Message);
    return;
  }
  TakeImportedTable(imported, *chosen);
}

// The imported table replaces the document: named after the imported file
// with ".gda", in Editor mode, marked as unsaved and without a file, so
// that Save asks where to write it. Every cell of the table before is
// emptied, those beyond its extent too.
void TfrmTessary::TakeImportedTable(const TCellTable& imported, const QString& path) {
  EndGridEdit();
  ResetFilter();
  TCellTable& t = GDAGrid->Table();
  t.SetFixedRows(0);
  t.ClearRect(0, 0, TCellTable::kMaxIndex, TCellTable::kMaxIndex);
  t.SetColCount(imported.ColCount());
  t.SetRowCount(imported.RowCount());
  // Written without telling the view cell by cell; it repaints once.
  TCellTableObserver* view = t.Observer();
  t.SetObserver(nullptr);
  for (int32_t r = 0; r < imported.RowCount(); ++r) {
    for (int32_t c = 0; c < imported.ColCount(); ++c) {
      const std::u16string_view text = imported.Cells(c, r);
      if (!text.empty()) t.SetCells(c, r, text);
    }
  }
  t.SetObserver(view);
  t.CellsChanged(TGridRect{0, 0, t.ColCount() - 1, t.RowCount() - 1});
  t.MoveCurrent(TGridCoord{0, 0});
  FitColumnWidths(t);
  ShowColCount();
  FHasFile = false;
  SetFilename(QString::fromStdU16String(ImportedDocumentPath(path.toStdU16String())));
  DesignerMode(false);
  GDAGrid->History().ClearUnsaved();
}

}  // namespace tessary

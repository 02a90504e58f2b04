// The window's commands over other table files: Append table and Find in
// files with its panel.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <algorithm>
#include <vector>

#include "app/find_in_files_dialog.h"
#include "app/find_in_files_panel.h"
#include "app/frm_tessary.h"
#include "app/window_paths.h"
#include "batch/find_in_files.h"
#include "batch/table_append.h"
#include "gff/show_error.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"
#include "text/column_type.h"

namespace tessary {
namespace {

constexpr int kDuplicatesMessageMs = 30000;

// "Cost" (float)
QString ColumnText(const TCellTable& table, int32_t col) {
  return QStringLiteral("\"%1\" (%2)")
      .arg(ToQString(table.Cells(col, 0)),
           ToQString(kColumnTypeNames[static_cast<size_t>(ColumnKeyOf(table, col).Type)]));
}

QString DifferenceText(const QString& name, const TColumnDifference& d, const TCellTable& table,
                       const TCellTable& added) {
  QString why;
  switch (d.Kind) {
    case TColumnDifferenceKind::TypeDiffers:
      why =
          QStringLiteral("its column \"%1\" is %2, here it is %3")
              .arg(ToQString(added.Cells(d.Col, 0)),
                   ToQString(kColumnTypeNames[static_cast<size_t>(ColumnKeyOf(added, d.Col).Type)]),
                   ToQString(
                       kColumnTypeNames[static_cast<size_t>(ColumnKeyOf(table, d.BaseCol).Type)]));
      break;
    case TColumnDifferenceKind::NotInBase:
      why = QStringLiteral("its column %1 is not in this table").arg(ColumnText(added, d.Col));
      break;
    case TColumnDifferenceKind::NotInAdded:
      why = QStringLiteral("it has no column %1").arg(ColumnText(table, d.Col));
      break;
  }
  return QStringLiteral(
             "%1 cannot be appended: %2. A table is appended only when it has the same "
             "columns.")
      .arg(name, why);
}

}  // namespace

// The rows go below the last row, as inserted rows (a filter shows them), and
// the current cell goes to the first of them; Undo takes them away again.
void TfrmTessary::MAppendtableClick() {
  EndGridEdit();
  const std::optional<QString> chosen = FDialog->Execute(this, QString(), kGdaFilter);
  if (!chosen) return;
  const QString name = FileNamePart(*chosen);
  TCellTable added;
  if (const TResult loaded = LoadTableQuietly(added, ToPath(*chosen)); !loaded) {
    ShowError(loaded.Message);
    return;
  }
  TCellTable& t = GDAGrid->Table();
  const TColumnMatch match = MatchColumns(t, added);
  if (match.Difference) {
    MessageBoxes().Show(DifferenceText(name, *match.Difference, t, added), kApplicationTitle,
                        TBoxIcon::biWarning);
    return;
  }
  const int32_t count = DataRowCount(added);
  if (count == 0) {
    ShowStatusMessage(QStringLiteral("%1 has no rows to append.").arg(name));
    return;
  }
  if (int64_t{t.RowCount()} + count > TCellTable::kMaxCount) {
    MessageBoxes().Show(QStringLiteral("%1 cannot be appended: the table would have more than "
                                       "%2 rows.")
                            .arg(name)
                            .arg(TCellTable::kMaxCount),
                        kApplicationTitle, TBoxIcon::biWarning);
    return;
  }
  const int32_t first = t.RowCount();
  {
    TEditHistory& history = GDAGrid->History();
    TEditHistory::TStepScope step(history);
    history.InsertRows(first, count);
    AppendRows(added, match.ToBase, first,
               [&history](int32_t c, int32_t r, std::u16string_view text) {
                 history.SetCells(c, r, text);
               });
    t.MoveCurrent(TGridCoord{t.Col(), first});
  }
  GDAGrid->Controller().ScrollCurrentIntoView();

  // Duplicates the append made: IDs of appended rows that an earlier row
  // holds already. Rows are named by their data row numbers.
  QString text = count == 1 ? QStringLiteral("Appended 1 row from %1").arg(name)
                            : QStringLiteral("Appended %1 rows from %2").arg(count).arg(name);
  std::vector<TDuplicateId> duplicates = FindDuplicateIds(t);
  std::erase_if(duplicates, [first](const TDuplicateId& d) { return d.Row < first; });
  if (duplicates.empty()) {
    ShowStatusMessage(text + QLatin1Char('.'));
    return;
  }
  const TDuplicateId& d = duplicates.front();
  const QString where = QStringLiteral("%1 in rows %2 and %3")
                            .arg(ToQString(t.Cells(0, d.Row)))
                            .arg(d.FirstRow - 1)
                            .arg(d.Row - 1);
  text += duplicates.size() == 1
              ? QStringLiteral("; 1 duplicate ID: %1.").arg(where)
              : QStringLiteral("; %1 duplicate IDs, first %2.").arg(duplicates.size()).arg(where);
  // Kept longer than other messages: it names rows to look at.
  ShowStatusMessage(text, kDuplicatesMessageMs);
}

TFindInFilesPanel& TfrmTessary::EnsureFindInFilesPanel() {
  if (FFindInFilesPanel) return *FFindInFilesPanel;
  FFindInFilesPanel = new TFindInFilesPanel(this);
  addDockWidget(Qt::BottomDockWidgetArea, FFindInFilesPanel);
  connect(FFindInFilesPanel, &TFindInFilesPanel::CellActivated, this,
          [this](const QString& path, int32_t col, int32_t row) {
            RunCommand([&] { OpenFoundCell(path, col, row); });
          });
  return *FFindInFilesPanel;
}

// The dialog keeps its fields from one search to the next; the folder starts
// as the open table's.
void TfrmTessary::MFindinfilesClick() {
  EndGridEdit();
  if (!FFindInFilesDialog) {
    FFindInFilesDialog = new TFindInFilesDialog(this, *FDialog);
    connect(FFindInFilesDialog, &QDialog::accepted, this, [this] {
      RunCommand([this] { EnsureFindInFilesPanel().Start(FFindInFilesDialog->Query()); });
    });
  }
  TFindInFilesDialog& dialog = *FFindInFilesDialog;
  if (dialog.Folder->text().isEmpty() && FHasFile) {
    dialog.Folder->setText(QFileInfo(FGDAFilename).absolutePath());
  }
  dialog.Message->clear();
  dialog.open();
  dialog.FindText->setFocus(Qt::OtherFocusReason);
  dialog.FindText->selectAll();
}

// The open table is kept when it is the found cell's file without unsaved
// changes, or saved at the question; otherwise the file is opened.
void TfrmTessary::OpenFoundCell(const QString& path, int32_t col, int32_t row) {
  activateWindow();
  const auto isOpen = [&] {
    return FHasFile && !Modified() && QFileInfo(FGDAFilename) == QFileInfo(path);
  };
  if (!isOpen()) {
    if (!ConfirmDiscardChanges()) return;
    if (!isOpen() && !OpenFile(path)) return;
  }
  MoveToFoundCell(col, row);
}

// A file changed since the search may have fewer rows or columns: the
// current cell then goes as near as the table allows, with a word why.
void TfrmTessary::MoveToFoundCell(int32_t col, int32_t row) {
  TCellTable& t = GDAGrid->Table();
  TGridController& grid = GDAGrid->Controller();
  if (col >= t.ColCount() || row >= t.RowCount()) {
    ShowStatusMessage(
        QStringLiteral("The table has changed since the search: the found cell is not there."));
    col = std::min(col, t.ColCount() - 1);
    row = std::min(row, t.RowCount() - 1);
  }
  if (!grid.Filter().Shows(row)) {
    ResetFilter();
    ShowStatusMessage(QStringLiteral("Filter cleared: the found cell was hidden."));
  }
  t.MoveCurrent(TGridCoord{std::max(col, t.FixedCols()), std::max(row, t.FixedRows())});
  grid.ScrollCurrentIntoView();
  FocusGrid();
}

}  // namespace tessary

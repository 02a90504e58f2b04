// The window's Find, Replace and Go to row commands over the grid's table.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "app/find_dialog.h"
#include "app/frm_tessary.h"
#include "app/go_to_row_dialog.h"
#include "grid/find_replace.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"

namespace tessary {

TFindDialog& TfrmTessary::EnsureFindDialog() {
  if (FFindDialog) return *FFindDialog;
  FFindDialog = new TFindDialog(this);
  auto wireButton = [this](QPushButton* button, auto handler) {
    connect(button, &QPushButton::clicked, this, [handler] { RunCommand(handler); });
  };
  wireButton(FFindDialog->FindNextBtn, [this] { FindNextCell(); });
  wireButton(FFindDialog->ReplaceBtn, [this] { ReplaceClick(); });
  wireButton(FFindDialog->ReplaceAllBtn, [this] { ReplaceAllClick(); });
  connect(FFindDialog, &QDialog::finished, this, [this] {
    activateWindow();
    FocusGrid();
  });
  return *FFindDialog;
}

void TfrmTessary::ShowFind(bool replace) {
  EndGridEdit();
  TFindDialog& dialog = EnsureFindDialog();
  // The text of a single selected cell is a likely thing to look for.
  if (dialog.FindText->text().isEmpty()) {
    const TCellTable& t = GDAGrid->Table();
    const std::u16string_view cell = t.Cells(t.Col(), t.Row());
    if (cell.find_first_of(u"\r\n") == std::u16string_view::npos) {
      dialog.FindText->setText(ToQString(cell));
    }
  }
  dialog.ShowFor(replace);
}

void TfrmTessary::MFindClick() { ShowFind(false); }

void TfrmTessary::MReplaceClick() { ShowFind(true); }

void TfrmTessary::MFindnextClick() {
  if (!FFindDialog || FFindDialog->FindText->text().isEmpty()) {
    ShowFind(false);
    return;
  }
  FindNextCell();
}

// From the cell after the current one, down the table and round from the
// top; the found cell becomes current and shows.
void TfrmTessary::FindNextCell() {
  EndGridEdit();
  TFindDialog& dialog = EnsureFindDialog();
  const TFindOptions options = dialog.Options();
  if (options.Text.empty()) return;
  TCellTable& t = GDAGrid->Table();
  const std::optional<TFindResult> found = FindNext(t, options, t.Current());
  if (!found) {
    dialog.ShowMessage(QStringLiteral("\"%1\" was not found.").arg(dialog.FindText->text()));
    return;
  }
  t.MoveCurrent(found->Cell);
  GDAGrid->Controller().ScrollCurrentIntoView();
  // The notice goes to the status line, where it has room.
  if (found->Wrapped) {
    ShowStatusMessage(QStringLiteral("Passed the end of the table; went on from the top."));
  } else {
    statusBar()->clearMessage();
  }
  if (dialog.isVisible()) dialog.Message->clear();
  const QRect cell = GDAGrid->CellRect(found->Cell.X, found->Cell.Y);
  dialog.KeepClearOf(QRect(GDAGrid->viewport()->mapToGlobal(cell.topLeft()), cell.size()));
}

// Replaces the matches in the current cell when it matches, then finds the
// next cell.
void TfrmTessary::ReplaceClick() {
  EndGridEdit();
  TFindDialog& dialog = EnsureFindDialog();
  TCellTable& t = GDAGrid->Table();
  const std::u16string replacement = dialog.Replacement();
  if (const std::optional<TCellEdit> edit =
          ReplaceInCell(t, dialog.Options(), replacement, t.Current())) {
    GDAGrid->History().SetCells(edit->Col, edit->Row, edit->New);
  }
  FindNextCell();
}

void TfrmTessary::ReplaceAllClick() {
  EndGridEdit();
  TFindDialog& dialog = EnsureFindDialog();
  const std::vector<TCellEdit> edits =
      ReplaceAll(GDAGrid->Table(), dialog.Options(), dialog.Replacement());
  if (edits.empty()) {
    dialog.ShowMessage(QStringLiteral("\"%1\" was not found.").arg(dialog.FindText->text()));
    return;
  }
  {
    TEditHistory& history = GDAGrid->History();
    TEditHistory::TStepScope step(history);
    for (const TCellEdit& e : edits) history.SetCells(e.Col, e.Row, e.New);
  }
  dialog.ShowMessage(edits.size() == 1 ? QStringLiteral("Replaced in 1 cell.")
                                       : QStringLiteral("Replaced in %1 cells.").arg(edits.size()));
}

// The dialog is modal to the window but does not block: the row is taken
// when it is accepted.
void TfrmTessary::MGotorowClick() {
  EndGridEdit();
  auto* dialog = new TGoToRowDialog(this, GDAGrid->Table(), FGoToById);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, dialog] {
    FGoToById = dialog->ById();
    TCellTable& t = GDAGrid->Table();
    if (const std::optional<int32_t> row = dialog->FoundRow()) {
      t.MoveCurrent(TGridCoord{t.Col(), *row});
      GDAGrid->Controller().ScrollCurrentIntoView();
    }
  });
  connect(dialog, &QDialog::finished, this, [this] { FocusGrid(); });
  dialog->open();
}

}  // namespace tessary

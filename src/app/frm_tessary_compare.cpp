// Compare with...: the table compared with another table file, its changed
// cells marked in the grid and its rows listed in the comparison panel,
// following every edit until the comparison closes.
#include <QMenu>
#include <QTextDocument>
#include <algorithm>
#include <limits>

#include "app/compare_panel.h"
#include "app/frm_tessary.h"
#include "app/window_paths.h"
#include "batch/find_in_files.h"
#include "compare/comparison_edits.h"
#include "gff/show_error.h"
#include "gff/user_column_names.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"

namespace tessary {
namespace {

// A tooltip shows this much of a long text.
constexpr qsizetype kTipLength = 1000;

// The other table's text as rich text, so that markup in a cell shows as
// the characters it is made of.
QString TipText(const QString& otherName, std::u16string_view text) {
  QString shown = ToLfText(text);
  if (shown.size() > kTipLength) shown = shown.left(kTipLength) + QChar(0x2026);
  const QString body = shown.isEmpty() ? QStringLiteral("<i>empty</i>")
                                       : Qt::convertFromPlainText(shown, Qt::WhiteSpacePre);
  return QStringLiteral("<b>%1:</b>%2").arg(otherName.toHtmlEscaped(), body);
}

}  // namespace

void TfrmTessary::CreateComparePanel() {
  ComparePanel = new TComparePanel(this);
  addDockWidget(Qt::BottomDockWidgetArea, ComparePanel);
  ComparePanel->hide();
  connect(ComparePanel, &TComparePanel::TakeRowsRequested, this,
          [this] { RunCommand([this] { TakeOtherRowsClick(); }); });
  connect(ComparePanel, &TComparePanel::CloseRequested, this, [this] {
    CloseComparison();
    FocusGrid();
  });
  connect(ComparePanel, &TComparePanel::GoToRowRequested, this, [this](int32_t row) {
    EndGridEdit();
    GDAGrid->Table().MoveCurrent(TGridCoord{GDAGrid->Table().Col(), row});
    GDAGrid->Controller().ScrollCurrentIntoView();
    FocusGrid();
  });
}

void TfrmTessary::AddCompareCommands(QMenu* edit) {
  edit->addSeparator();
  MNextdifference = AddCommand(edit, QStringLiteral("Next difference"), {QKeySequence(Qt::Key_F8)},
                               [this] { MNextdifferenceClick(); });
  MPreviousdifference =
      AddCommand(edit, QStringLiteral("Previous difference"),
                 {QKeySequence(Qt::SHIFT | Qt::Key_F8)}, [this] { MPreviousdifferenceClick(); });
  MTakeothervalue =
      AddCommand(edit, QStringLiteral("Take other value"), {}, [this] { MTakeothervalueClick(); });
  for (QAction* a : {MNextdifference, MPreviousdifference, MTakeothervalue}) a->setEnabled(false);
}

const TTableComparison* TfrmTessary::Comparison() const {
  return FComparison ? FComparison->Comparison.get() : nullptr;
}

void TfrmTessary::MComparewithClick() {
  EndGridEdit();
  const std::optional<QString> chosen = FDialog->Execute(this, QString(), kGdaFilter);
  if (chosen) CompareWith(*chosen);
}

// The other table is read whole before anything changes; a file that is
// not a table shows the reader's message, and a comparison already shown
// stays.
bool TfrmTessary::CompareWith(const QString& path) {
  EndGridEdit();
  auto other = std::make_unique<TCellTable>();
  if (const TResult loaded = LoadTableQuietly(*other, ToPath(path)); !loaded) {
    ShowError(loaded.Message);
    return false;
  }
  if (FUserNamesFile) {
    ApplyUserColumnNames(
        *other, TUserColumnNames::Load(*FUserNamesFile,
                                       [this](const std::string& m) { WarnDictionary(m); }));
  }
  auto shown = std::make_unique<TWindowComparison>();
  shown->Path = path;
  shown->Other = std::move(other);
  shown->Comparison = std::make_unique<TTableComparison>(GDAGrid->Table(), *shown->Other);
  ComparePanel->Clear();
  FComparison = std::move(shown);

  const TTableComparison& cmp = *FComparison->Comparison;
  const QString otherName = FileNamePart(path);
  TTableGrid::TCellMarks marks;
  marks.Cell = [this](int32_t col, int32_t row) {
    return FComparison && FComparison->Comparison->Differs(col, row);
  };
  marks.Row = [this](int32_t row) {
    if (!FComparison) return false;
    const std::vector<int32_t>& removed = FComparison->Comparison->RemovedRows();
    return std::binary_search(removed.begin(), removed.end(), row);
  };
  marks.Tip = [this, otherName](int32_t col, int32_t row) {
    if (!FComparison || !FComparison->Comparison->Differs(col, row)) return QString();
    return TipText(otherName,
                   FComparison->Comparison->OtherText(col, row).value_or(std::u16string_view()));
  };
  GDAGrid->SetCellMarks(std::move(marks));
  ComparePanel->Show(cmp, GDAGrid->Table(), *FComparison->Other, FileNamePart(FGDAFilename),
                     otherName);
  if (!ComparePanel->isVisible()) {
    ComparePanel->show();
    // A quarter of the window, so that the grid keeps most of it.
    resizeDocks({ComparePanel}, {std::max(150, height() / 4)}, Qt::Vertical);
  }
  for (QAction* a : {MNextdifference, MPreviousdifference, MTakeothervalue}) a->setEnabled(true);
  ShowStatusMessage(
      cmp.Equal()
          ? QStringLiteral("The tables are equal.")
          : QStringLiteral("Compared with %1: F8 goes to the next difference.").arg(otherName));
  return true;
}

void TfrmTessary::CloseComparison() {
  if (!FComparison) return;
  GDAGrid->SetCellMarks({});
  ComparePanel->Clear();
  ComparePanel->hide();
  FComparison.reset();
  for (QAction* a : {MNextdifference, MPreviousdifference, MTakeothervalue}) a->setEnabled(false);
}

// Every step of the history, its undo and its redo is compared again; a
// new table (Open, Close, an import) ends the comparison.
void TfrmTessary::FollowComparison(THistoryChange change) {
  if (!FComparison) return;
  if (change == THistoryChange::hcCleared) {
    CloseComparison();
    return;
  }
  if (change == THistoryChange::hcSaved) return;
  FollowHistoryStep(*FComparison->Comparison, GDAGrid->History(), change);
  GDAGrid->MarksChanged();
  ComparePanel->Refresh();
}

void TfrmTessary::MNextdifferenceClick() { GoToDifference(true); }

void TfrmTessary::MPreviousdifferenceClick() { GoToDifference(false); }

// From the current cell on, past the last difference back to the first;
// rows the filter hides are passed over.
void TfrmTessary::GoToDifference(bool forward) {
  if (!FComparison) return;
  EndGridEdit();
  TCellTable& t = GDAGrid->Table();
  const TTableComparison& cmp = *FComparison->Comparison;
  const auto shows = [this](int32_t row) { return GDAGrid->Controller().Filter().Shows(row); };
  std::optional<TGridCoord> next = NextDifference(cmp, t.Current(), forward, shows);
  bool wrapped = false;
  if (!next) {
    constexpr int32_t kEnd = std::numeric_limits<int32_t>::max();
    next =
        NextDifference(cmp, forward ? TGridCoord{-1, -1} : TGridCoord{kEnd, kEnd}, forward, shows);
    wrapped = next.has_value();
  }
  if (!next) {
    ShowStatusMessage(QStringLiteral("No differences."));
    return;
  }
  t.MoveCurrent(*next);
  GDAGrid->Controller().ScrollCurrentIntoView();
  if (wrapped) {
    ShowStatusMessage(forward ? QStringLiteral("Past the last difference: back at the first.")
                              : QStringLiteral("Past the first difference: back at the last."));
  }
}

void TfrmTessary::MTakeothervalueClick() {
  if (!FComparison) return;
  EndGridEdit();
  const auto shows = [this](int32_t row) { return GDAGrid->Controller().Filter().Shows(row); };
  const size_t taken = TakeOtherValues(*FComparison->Comparison, GDAGrid->History(),
                                       GDAGrid->Table().Selection(), shows);
  if (taken == 0) ShowStatusMessage(QStringLiteral("No changed cell in the selection."));
}

void TfrmTessary::TakeOtherRowsClick() {
  if (!FComparison) return;
  EndGridEdit();
  const std::vector<size_t> chosen = ComparePanel->SelectedAddedRows();
  TCellTable& t = GDAGrid->Table();
  const int32_t first =
      TakeOtherRows(*FComparison->Comparison, t, *FComparison->Other, GDAGrid->History(), chosen);
  if (first < 0) return;
  t.MoveCurrent(TGridCoord{t.Col(), first});
  GDAGrid->Controller().ScrollCurrentIntoView();
}

}  // namespace tessary

// The window's table tools: the Table menu, Fill down, the filter bar's
// place in the window, and the question before saving. Each handler calls
// the grid's Qt-free command and shows its result.
#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "app/filter_bar.h"
#include "app/frm_tessary.h"
#include "gff/table_check.h"
#include "grid/table_filter.h"
#include "grid/table_tools.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"
#include "text/column_type.h"

namespace tessary {
namespace {

// How the status line names a column: its name, else its number.
QString ColumnTitle(const TCellTable& t, int32_t col) {
  const std::u16string_view name = t.Cells(col, 0);
  return name.empty() ? QStringLiteral("column %1").arg(col + 1) : ToQString(name);
}

void Sort(TfrmTessary& w, TSortOrder order) {
  TGridController& grid = w.GDAGrid->Controller();
  const int32_t col = grid.Table().Col();
  const QString column = ColumnTitle(grid.Table(), col);
  if (!SortRows(grid, col, order, QLocale::system().name().toStdString())) {
    w.ShowStatusMessage(QStringLiteral("The rows are already sorted by %1.").arg(column));
    return;
  }
  w.ShowStatusMessage(
      QStringLiteral("Sorted by %1, %2: the saved row order changes. Undo takes the sort back.")
          .arg(column, order == TSortOrder::soAscending ? QStringLiteral("ascending")
                                                        : QStringLiteral("descending")));
}

}  // namespace

// The Table menu after View, and the context menu's own filter command.
// The grid's notices (a sort, a filter cleared for Undo) go to the status
// line from here on.
void TfrmTessary::CreateTableMenu() {
  using QKS = QKeySequence;
  MTable = menuBar()->addMenu(QStringLiteral("&Table"));
  MSortascending =
      AddCommand(MTable, QStringLiteral("Sort ascending"), {}, [this] { MSortascendingClick(); });
  MSortdescending =
      AddCommand(MTable, QStringLiteral("Sort descending"), {}, [this] { MSortdescendingClick(); });
  MTable->addSeparator();
  // Filter... leaves the keys in the filter bar, unlike the other commands.
  MFilter = MTable->addAction(QStringLiteral("Filter..."));
  MFilter->setShortcut(QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  connect(MFilter, &QAction::triggered, this, [this] { RunCommand([this] { MFilterClick(); }); });
  MClearfilter =
      AddCommand(MTable, QStringLiteral("Clear filter"), {}, [this] { MClearfilterClick(); });
  MTable->addSeparator();
  MInsertcolumn =
      AddCommand(MTable, QStringLiteral("Insert column"), {}, [this] { MInsertcolumnClick(); });
  MDeletecolumns =
      AddCommand(MTable, QStringLiteral("Delete columns"), {}, [this] { MDeletecolumnsClick(); });

  MFilterequals = new QAction(QStringLiteral("Filter: equals this cell"), this);
  connect(MFilterequals, &QAction::triggered, this, [this] {
    RunCommand([this] { MFilterequalsClick(); });
    FocusGrid();
  });

  GDAGrid->Controller().OnNotice = [this](TGridNotice notice) { GridNotice(notice); };
  // A type cell offers the column types; any other text can still be typed.
  GDAGrid->SetCellChoices([](int32_t, int32_t row) {
    QStringList types;
    if (row == 1) {
      for (std::u16string_view name : kColumnTypeNames) types << ToQString(name);
    }
    return types;
  });
  connect(FilterBar, &TFilterBar::FilterChanged, this, [this] { FilterChanged(); });
}

void TfrmTessary::MSortascendingClick() { Sort(*this, TSortOrder::soAscending); }

void TfrmTessary::MSortdescendingClick() { Sort(*this, TSortOrder::soDescending); }

// The filter bar takes the keys; it keeps the conditions already on.
void TfrmTessary::MFilterClick() {
  EndGridEdit();
  FilterBar->Open();
}

void TfrmTessary::MClearfilterClick() { FilterBar->ClearConditions(); }

// "Equals the current cell" joins the conditions already on, in place of
// an earlier "equals" on the same column.
void TfrmTessary::MFilterequalsClick() {
  TGridController& grid = GDAGrid->Controller();
  grid.HideInplaceEdit();
  const TFilterCondition added = EqualsCurrentCell(grid.Table());
  std::vector<TFilterCondition> conditions = grid.Filter().Conditions();
  std::erase_if(conditions, [&added](const TFilterCondition& c) {
    return c.Col == added.Col && c.Match == added.Match;
  });
  conditions.push_back(added);
  grid.ApplyFilter(std::move(conditions));
  FilterBar->Refresh();
  FilterChanged();
}

void TfrmTessary::MInsertcolumnClick() {
  InsertColumn(GDAGrid->Controller());
  ShowColCount();
  FilterBar->Refresh();
}

void TfrmTessary::MDeletecolumnsClick() {
  DeleteColumns(GDAGrid->Controller());
  ShowColCount();
  FilterBar->Refresh();
}

void TfrmTessary::MFilldownClick() { FillDown(GDAGrid->Controller()); }

// Another table: every row shows and the bar closes.
void TfrmTessary::ResetFilter() {
  GDAGrid->Controller().ClearFilter();
  if (FilterBar) FilterBar->Close();
  if (StatusFilter) UpdateFilterStatus();
}

void TfrmTessary::FilterChanged() { UpdateStatus(); }

void TfrmTessary::UpdateFilterStatus() {
  const TTableFilter& filter = GDAGrid->Controller().Filter();
  const QString text =
      filter.Active() ? ToQString(FilterStatusText(GDAGrid->Table(), filter)) : QString();
  if (StatusFilter->text() != text) StatusFilter->setText(text);
  StatusFilter->setVisible(!text.isEmpty());
}

void TfrmTessary::GridNotice(TGridNotice notice) {
  ShowStatusMessage(ToQString(GridNoticeText(notice)));
  FilterBar->Refresh();
  UpdateStatus();
}

// One question for everything Save would not keep as shown: the first case
// of each kind, with counts. Go to puts the current cell on the first case
// (a name or type cell in Designer mode, where it can be edited; with the
// filter cleared when it hides the row) and does not save.
bool TfrmTessary::ConfirmBeforeSave() {
  TCellTable& t = GDAGrid->Table();
  const std::vector<TCheckFinding> findings = CheckBeforeSave(t);
  if (findings.empty()) return true;
  QStringList lines;
  for (const TCheckFinding& finding : findings) lines << ToQString(CheckFindingText(t, finding));
  const TCheckChoice choice =
      MessageBoxes().AskBeforeSave(lines.join(QStringLiteral("\n\n")), kApplicationTitle);
  if (choice == TCheckChoice::ccSaveAnyway) return true;
  if (choice == TCheckChoice::ccGoTo) {
    const TCheckCase& first = findings.front().First;
    const int32_t row = first.Row >= 0                            ? first.Row
                        : first.Kind == TCheckKind::ckUnknownType ? 1
                                                                  : 0;
    if (row < t.FixedRows()) DesignerMode(true);
    if (!GDAGrid->Controller().Filter().Shows(row)) {
      ResetFilter();
      ShowStatusMessage(QStringLiteral("Filter cleared: the row to go to was hidden."));
    }
    t.MoveCurrent(TGridCoord{std::max(first.Col, 0), row});
    GDAGrid->Controller().ScrollCurrentIntoView();
    FocusGrid();
  }
  return false;
}

}  // namespace tessary

#include "grid/widget/table_grid_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "grid/grid_geometry.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"

namespace tessary {
namespace {

// A list of cells handed out at once stays this short: a selection of a
// whole large table is not listed cell by cell.
constexpr int kMaxListedCells = 1024;

enum class TCellKind { ckCell, ckColumnHeader, ckRowHeader };

// Rows of the accessible table are the rows the grid shows below its fixed
// rows, in their order: with a filter on, the hidden rows are left out.
const TTableFilter* FilterOf(TTableGrid* grid) { return &grid->Controller().Filter(); }
int ShownRows(TTableGrid* grid) {
  return ShownRowCount(grid->Table(), FilterOf(grid)) - grid->Table().FixedRows();
}
int GridRowOf(TTableGrid* grid, int row) {
  return RowOfShownIndex(grid->Table(), FilterOf(grid), grid->Table().FixedRows() + row);
}
// The accessible row of a grid row; -1 for a hidden or fixed row.
int AccessibleRowOf(TTableGrid* grid, int gridRow) {
  const int index = ShownIndexOfRow(grid->Table(), FilterOf(grid), gridRow);
  return index < 0 ? -1 : index - grid->Table().FixedRows();
}

class TTableGridAccessible;

// One cell, or a header cell, by its place in the accessible table: row r
// is the grid's row FixedRows + r.
class TGridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  TGridCellAccessible(TTableGrid* grid, TCellKind kind, int row, int col)
      : FGrid(grid), FKind(kind), FRow(row), FCol(col) {}

  bool isValid() const override {
    if (!FGrid) return false;
    const TCellTable& t = FGrid->Table();
    const bool rowOk = FKind == TCellKind::ckColumnHeader || (FRow >= 0 && FRow < ShownRows(FGrid));
    const bool colOk = FKind == TCellKind::ckRowHeader || (FCol >= 0 && FCol < t.ColCount());
    return rowOk && colOk;
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return FGrid ? FGrid->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return table(); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return QString();
    const TCellTable& table = FGrid->Table();
    switch (FKind) {
      case TCellKind::ckColumnHeader:
        if (t == QAccessible::Name) return ToQString(table.Cells(FCol, 0));
        if (t == QAccessible::Description) return ToQString(table.Cells(FCol, 1));
        return QString();
      case TCellKind::ckRowHeader:
        return t == QAccessible::Name ? ToQString(RowLabel(GridRow())) : QString();
      case TCellKind::ckCell:
        break;
    }
    if (t == QAccessible::Name || t == QAccessible::Value) {
      return ToQString(table.Cells(FCol, GridRow()));
    }
    return QString();
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return QRect();
    const TCellTable& t = FGrid->Table();
    QRect r;
    if (FKind == TCellKind::ckRowHeader) {
      const QRect cell = FGrid->CellRect(t.FixedCols(), GridRow());
      if (cell.isNull()) return QRect();
      r = QRect(-FGrid->Gutter()->width(), cell.top(), FGrid->Gutter()->width(), cell.height());
    } else {
      r = FGrid->CellRect(FCol, FKind == TCellKind::ckColumnHeader ? 0 : GridRow());
    }
    if (r.isNull()) return QRect();
    return QRect(FGrid->viewport()->mapToGlobal(r.topLeft()), r.size());
  }

  QAccessible::Role role() const override {
    switch (FKind) {
      case TCellKind::ckColumnHeader:
        return QAccessible::ColumnHeader;
      case TCellKind::ckRowHeader:
        return QAccessible::RowHeader;
      case TCellKind::ckCell:
        break;
    }
    return QAccessible::Cell;
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    if (rect().isNull()) s.offscreen = true;
    if (FKind != TCellKind::ckCell) return s;
    const TCellTable& t = FGrid->Table();
    s.selectable = true;
    s.focusable = true;
    s.editable = true;
    s.multiLine = true;
    s.selected = isSelected();
    s.focused = FGrid->hasFocus() && t.Current() == TGridCoord{FCol, GridRow()};
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface && FKind == TCellKind::ckCell) {
      return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
  }

  // QAccessibleTableCellInterface
  bool isSelected() const override {
    if (!isValid()) return false;
    const TGridRect sel = FGrid->Table().Selection();
    const int row = GridRow();
    return FCol >= sel.Left && FCol <= sel.Right && row >= sel.Top && row <= sel.Bottom;
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override;
  QList<QAccessibleInterface*> rowHeaderCells() const override;
  int columnIndex() const override { return FCol; }
  int rowIndex() const override { return FRow; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override {
    return FGrid ? QAccessible::queryAccessibleInterface(FGrid) : nullptr;
  }

 private:
  int GridRow() const { return GridRowOf(FGrid, FRow); }

  QPointer<TTableGrid> FGrid;
  TCellKind FKind;
  int FRow;
  int FCol;
};

// The grid as a table: children are the cells, row by row.
class TTableGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit TTableGridAccessible(TTableGrid* grid)
      : QAccessibleWidget(grid, QAccessible::Table), FGrid(grid) {}
  ~TTableGridAccessible() override { Forget(); }

  TTableGrid* Grid() const { return FGrid; }

  QAccessibleInterface* Cell(TCellKind kind, int row, int col) const {
    // Rows and columns are at most 2^20 + 1, so the three fields never meet.
    const qint64 key =
        (qint64{static_cast<int>(kind)} << 60) | (qint64{row + 1} << 28) | qint64{col + 1};
    if (const auto found = FCells.constFind(key); found != FCells.constEnd()) {
      return QAccessible::accessibleInterface(*found);
    }
    auto* cell = new TGridCellAccessible(FGrid, kind, row, col);
    if (!cell->isValid()) {
      delete cell;
      return nullptr;
    }
    FCells.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }

  // QAccessibleInterface
  int childCount() const override {
    const qint64 n = qint64{rowCount()} * columnCount();
    return static_cast<int>(std::min<qint64>(n, INT_MAX));
  }
  QAccessibleInterface* child(int index) const override {
    const int cols = columnCount();
    if (index < 0 || cols == 0) return nullptr;
    return cellAt(index / cols, index % cols);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child || child->role() != QAccessible::Cell) return -1;
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell || cell->table() != this) return -1;
    const qint64 index = qint64{cell->rowIndex()} * columnCount() + cell->columnIndex();
    return index <= INT_MAX ? static_cast<int>(index) : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint p = FGrid->viewport()->mapFromGlobal(QPoint(x, y));
    const TGridCoord at =
        CellAt(FGrid->Table(), FGrid->Controller().ClientSize(), p.x(), p.y(), FilterOf(FGrid));
    const int row = at.Y < 0 ? -1 : AccessibleRowOf(FGrid, at.Y);
    return at.X >= 0 && row >= 0 ? cellAt(row, at.X) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (FGrid->EditorMode()) return QAccessibleWidget::focusChild();
    const TCellTable& t = FGrid->Table();
    const int row = AccessibleRowOf(FGrid, t.Row());
    return row >= 0 ? cellAt(row, t.Col()) : nullptr;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // QAccessibleTableInterface
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    return Cell(TCellKind::ckCell, row, column);
  }
  int selectedCellCount() const override {
    const TGridRect s = Selected();
    const qint64 n = qint64{s.Right - s.Left + 1} * std::max(0, s.Bottom - s.Top + 1);
    return static_cast<int>(std::min<qint64>(n, INT_MAX));
  }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    const TGridRect s = Selected();
    for (int r = s.Top; r <= s.Bottom && cells.size() < kMaxListedCells; ++r) {
      for (int c = s.Left; c <= s.Right && cells.size() < kMaxListedCells; ++c) {
        cells << cellAt(r, c);
      }
    }
    return cells;
  }
  QString columnDescription(int column) const override {
    return column >= 0 && column < columnCount() ? ToQString(FGrid->Table().Cells(column, 0))
                                                 : QString();
  }
  QString rowDescription(int row) const override {
    return row >= 0 && row < rowCount() ? ToQString(RowLabel(GridRowOf(FGrid, row))) : QString();
  }
  int selectedColumnCount() const override { return static_cast<int>(selectedColumns().size()); }
  int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
  int columnCount() const override { return FGrid->Table().ColCount(); }
  int rowCount() const override { return ShownRows(FGrid); }
  QList<int> selectedColumns() const override {
    QList<int> columns;
    const TGridRect s = Selected();
    if (s.Top == 0 && s.Bottom == rowCount() - 1) {
      for (int c = s.Left; c <= s.Right; ++c) columns << c;
    }
    return columns;
  }
  QList<int> selectedRows() const override {
    QList<int> rows;
    const TGridRect s = Selected();
    if (s.Left == 0 && s.Right == columnCount() - 1) {
      for (int r = s.Top; r <= s.Bottom; ++r) rows << r;
    }
    return rows;
  }
  bool isColumnSelected(int column) const override {
    const TGridRect s = Selected();
    return s.Top == 0 && s.Bottom == rowCount() - 1 && column >= s.Left && column <= s.Right;
  }
  bool isRowSelected(int row) const override {
    const TGridRect s = Selected();
    return s.Left == 0 && s.Right == columnCount() - 1 && row >= s.Top && row <= s.Bottom;
  }
  bool selectRow(int row) override {
    if (row < 0 || row >= rowCount()) return false;
    TCellTable& t = FGrid->Table();
    const int32_t gridRow = GridRowOf(FGrid, row);
    t.SetSelection(TGridCoord{t.ColCount() - 1, gridRow}, TGridCoord{0, gridRow});
    return true;
  }
  bool selectColumn(int column) override {
    if (column < 0 || column >= columnCount()) return false;
    TCellTable& t = FGrid->Table();
    t.SetSelection(TGridCoord{column, t.RowCount() - 1}, TGridCoord{column, t.FixedRows()});
    return true;
  }
  // The selection is one rectangle: a row or column cannot leave it alone.
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override { Forget(); }

  // What was last told, to tell only changes.
  int FLastRows = -1;
  int FLastCols = -1;
  TGridRect FLastSelection{-1, -1, -1, -1};
  TGridCoord FLastFocus{-1, -1};

 private:
  // The selection in the accessible table's rows: the shown rows it spans
  // below the fixed rows (Bottom < Top when it spans none).
  TGridRect Selected() const {
    const TCellTable& t = FGrid->Table();
    const TTableFilter& f = *FilterOf(FGrid);
    TGridRect s = t.Selection();
    const int top = std::max(s.Top, t.FixedRows());
    const int bottom = std::min(s.Bottom, t.RowCount() - 1);
    s.Top = f.ViewIndexAtOrAfter(t, top) - t.FixedRows();
    s.Bottom = f.ViewIndexAtOrAfter(t, bottom + 1) - 1 - t.FixedRows();
    return s;
  }
  void Forget() {
    for (QAccessible::Id id : std::as_const(FCells)) QAccessible::deleteAccessibleInterface(id);
    FCells.clear();
  }

  TTableGrid* FGrid;
  mutable QHash<qint64, QAccessible::Id> FCells;
};

QList<QAccessibleInterface*> TGridCellAccessible::columnHeaderCells() const {
  auto* t = static_cast<TTableGridAccessible*>(table());
  if (!t || !isValid() || FGrid->Table().FixedRows() == 0) return {};
  return {t->Cell(TCellKind::ckColumnHeader, -1, FCol)};
}

QList<QAccessibleInterface*> TGridCellAccessible::rowHeaderCells() const {
  auto* t = static_cast<TTableGridAccessible*>(table());
  if (!t || !isValid()) return {};
  return {t->Cell(TCellKind::ckRowHeader, FRow, -1)};
}

QAccessibleInterface* GridFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(TTableGrid::staticMetaObject.className()) && object &&
      object->isWidgetType()) {
    return new TTableGridAccessible(static_cast<TTableGrid*>(object));
  }
  return nullptr;
}

}  // namespace

void InstallTableGridAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(GridFactory);
    return true;
  }();
  (void)installed;
}

void NotifyTableGridChanged(TTableGrid* grid) {
  if (!QAccessible::isActive()) return;
  auto* iface = static_cast<TTableGridAccessible*>(QAccessible::queryAccessibleInterface(grid));
  if (!iface) return;
  const TCellTable& t = grid->Table();
  if (iface->rowCount() != iface->FLastRows || iface->columnCount() != iface->FLastCols) {
    iface->FLastRows = iface->rowCount();
    iface->FLastCols = iface->columnCount();
    QAccessibleTableModelChangeEvent reset(grid, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
  }
  if (!(t.Selection() == iface->FLastSelection)) {
    iface->FLastSelection = t.Selection();
    QAccessibleEvent selection(grid, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
  }
  if (grid->hasFocus() && !(t.Current() == iface->FLastFocus)) {
    iface->FLastFocus = t.Current();
    QAccessibleInterface* cell = iface->focusChild();
    const int index = iface->indexOfChild(cell);
    if (index >= 0) {
      QAccessibleEvent focus(grid, QAccessible::Focus);
      focus.setChild(index);
      QAccessible::updateAccessibility(&focus);
    }
  }
}

}  // namespace tessary

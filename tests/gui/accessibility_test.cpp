// The grid as assistive technology sees it, through Qt's accessibility API.
#include <gtest/gtest.h>

#include <QAccessible>
#include <memory>

#include "grid/widget/table_grid.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

TEST(Accessibility, TheGridIsATableOfCellsWithHeadersSelectionAndFocus) {
  TTableGrid grid;
  grid.resize(546, 274);
  TCellTable& t = grid.Table();
  t.SetColCount(3);
  t.SetRowCount(6);
  t.SetCells(1, 0, u"Label");
  t.SetCells(1, 1, u"string");
  t.SetCells(1, 3, u"Phoenix feather");
  t.SetFixedRows(2);
  grid.show();
  QApplication::setActiveWindow(&grid);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
  grid.setFocus();

  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&grid);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Table);
  QAccessibleTableInterface* table = iface->tableInterface();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rowCount(), 4);  // the data rows
  EXPECT_EQ(table->columnCount(), 3);
  EXPECT_EQ(table->columnDescription(1), QStringLiteral("Label"));

  QAccessibleInterface* cell = table->cellAt(1, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->role(), QAccessible::Cell);
  EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("Phoenix feather"));
  EXPECT_EQ(iface->indexOfChild(cell), 4);
  EXPECT_EQ(iface->child(4), cell);
  QAccessibleTableCellInterface* place = cell->tableCellInterface();
  ASSERT_NE(place, nullptr);
  ASSERT_EQ(place->columnHeaderCells().size(), 1);
  EXPECT_EQ(place->columnHeaderCells()[0]->text(QAccessible::Name), QStringLiteral("Label"));
  EXPECT_EQ(place->columnHeaderCells()[0]->text(QAccessible::Description),
            QStringLiteral("string"));
  EXPECT_EQ(place->rowHeaderCells()[0]->text(QAccessible::Name), QStringLiteral("2"));
  EXPECT_FALSE(cell->rect().isEmpty());

  // The current cell is the focused child and follows the keys.
  EXPECT_EQ(iface->focusChild(), table->cellAt(0, 0));
  testing::Press(Qt::Key_Down);
  testing::Press(Qt::Key_Right);
  EXPECT_EQ(iface->focusChild(), cell);
  EXPECT_TRUE(cell->state().focused);
  EXPECT_FALSE(table->cellAt(0, 0)->state().focused);

  // The selection: cells, whole rows, whole columns.
  testing::Press(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(table->selectedCellCount(), 2);
  EXPECT_TRUE(cell->state().selected);
  EXPECT_TRUE(place->isSelected());
  EXPECT_TRUE(table->selectRow(3));
  EXPECT_EQ(table->selectedRows(), QList<int>{3});
  EXPECT_TRUE(table->isRowSelected(3));
  EXPECT_FALSE(table->isColumnSelected(0));
  EXPECT_TRUE(table->selectColumn(2));
  EXPECT_EQ(table->selectedColumns(), QList<int>{2});
  EXPECT_EQ(t.Selection(), (TGridRect{2, 2, 2, 5}));

  // Cells past a shrunken table are no longer valid.
  t.SetRowCount(3);
  EXPECT_EQ(table->rowCount(), 1);
  EXPECT_FALSE(cell->isValid());
  EXPECT_EQ(table->cellAt(2, 0), nullptr);
}

}  // namespace
}  // namespace tessary

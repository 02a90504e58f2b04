// The window's table tools: the Table menu with undo, the filter bar, the
// list of column types and the question before saving.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

#include "app/filter_bar.h"
#include "app/frm_tessary.h"
#include "gff/g2da.h"
#include "grid/widget/choice_list.h"
#include "grid/widget/table_grid.h"
#include "grid/widget/table_inplace_edit.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;
using testing::Focus;
using testing::Press;
using testing::Type;

class TableToolsWindowTest : public ::testing::Test {
 protected:
  // Columns ID and Name; IDs 1, 2, ... unless given.
  QString Table(const std::vector<std::u16string>& names, std::vector<std::u16string> ids = {}) {
    TCellTable t;
    t.SetColCount(2);
    t.SetRowCount(static_cast<int32_t>(names.size()) + 2);
    t.SetCells(0, 0, u"ID");
    t.SetCells(0, 1, u"int");
    t.SetCells(1, 0, u"Name");
    t.SetCells(1, 1, u"string");
    for (size_t i = 0; i < names.size(); ++i) {
      const auto r = static_cast<int32_t>(i) + 2;
      t.SetCells(0, r, i < ids.size() ? ids[i] : FromQString(QString::number(i + 1)));
      t.SetCells(1, r, names[i]);
    }
    const QString path = dir_.filePath(QStringLiteral("t.gda"));
    EXPECT_TRUE(SaveGDA(t, QFile::encodeName(path).toStdString()));
    return path;
  }
  static std::u16string Names(const TCellTable& t) {
    std::u16string s;
    for (int32_t r = 2; r < t.RowCount(); ++r) s += std::u16string(t.Cells(1, r)) + u",";
    return s;
  }

  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
};

TEST_F(TableToolsWindowTest, TableMenuCommandsAreStepsOfTheHistory) {
  auto w = testing::StartWindow(&dialog_, Table({u"b", u"c", u"a"}));
  TCellTable& t = w->GDAGrid->Table();
  QStringList menus;
  for (QAction* m : w->menuBar()->actions()) menus << m->text();
  EXPECT_EQ(menus.join(u','), QStringLiteral("&File,&Edit,&View,&Table,&Help"));

  t.MoveCurrent(TGridCoord{1, 3});
  w->MSortascending->trigger();
  EXPECT_EQ(Names(t), u"a,b,c,");
  EXPECT_TRUE(w->statusBar()->currentMessage().startsWith(QStringLiteral("Sorted by Name")));
  w->MSortdescending->trigger();
  EXPECT_EQ(Names(t), u"c,b,a,");
  w->EditUndo();
  w->EditUndo();
  EXPECT_EQ(Names(t), u"b,c,a,");
  EXPECT_FALSE(w->Modified());

  w->MInsertcolumn->trigger();  // before Name
  EXPECT_EQ(t.ColCount(), 3);
  EXPECT_EQ(w->ColCountSpinEdit->value(), 3);
  EXPECT_EQ(t.Cells(1, 1), u"string");
  EXPECT_EQ(t.Cells(2, 0), u"Name");
  t.SetSelection(TGridCoord{1, 2}, TGridCoord{2, 2});
  w->MDeletecolumns->trigger();
  EXPECT_EQ(t.ColCount(), 1);
  EXPECT_EQ(w->ColCountSpinEdit->value(), 1);
  w->EditUndo();
  w->EditUndo();
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_EQ(w->ColCountSpinEdit->value(), 2);
  EXPECT_EQ(t.Cells(1, 0), u"Name");

  t.SetSelection(TGridCoord{1, 4}, TGridCoord{1, 2});
  Press(Qt::Key_D, Qt::ControlModifier);  // Fill down
  EXPECT_EQ(Names(t), u"b,b,b,");
  w->EditUndo();
  EXPECT_EQ(Names(t), u"b,c,a,");
}

TEST_F(TableToolsWindowTest, TheFilterBarAppliesAndClearsConditions) {
  auto w = testing::StartWindow(&dialog_, Table({u"sword", u"axe", u"long sword", u"bow"}));
  TCellTable& t = w->GDAGrid->Table();
  TFilterBar& bar = *w->FilterBar;
  EXPECT_FALSE(bar.isVisible());
  Press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(bar.isVisible());
  EXPECT_EQ(Focus(), bar.TextEdit);
  bar.ColumnBox->setCurrentIndex(1);
  Type(QStringLiteral("SWORD"));
  Press(Qt::Key_Return);
  bar.ColumnBox->setCurrentIndex(0);
  Type(QStringLiteral("3"));
  Press(Qt::Key_Return);
  EXPECT_EQ(bar.ConditionsLabel->text(),
            QStringLiteral("Showing rows where Name contains 'SWORD' and ID contains '3'"));
  EXPECT_EQ(w->StatusFilter->text(), QStringLiteral("Showing 1 of 4 rows"));
  EXPECT_FALSE(w->Modified());
  // Rows 3 to 5 hide: row 4 ("long sword") takes the place below the types.
  EXPECT_TRUE(w->GDAGrid->CellRect(1, 2).isNull());
  EXPECT_EQ(w->GDAGrid->CellRect(1, 4).top(), 2 * (TCellTable::kDefaultRowHeight + 1));
  EXPECT_EQ(t.Row(), 4);
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(w->GDAGrid);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->tableInterface()->rowCount(), 1);
  EXPECT_EQ(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Value),
            QStringLiteral("long sword"));

  Press(Qt::Key_Escape);  // in the bar: every row shows, the keys go back to the grid
  EXPECT_FALSE(w->GDAGrid->Controller().Filter().Active());
  EXPECT_FALSE(bar.isVisible());
  EXPECT_EQ(Focus(), w->GDAGrid);
  EXPECT_TRUE(w->StatusFilter->isHidden());

  t.MoveCurrent(TGridCoord{1, 3});
  w->MFilterequals->trigger();
  EXPECT_TRUE(bar.isVisible());
  EXPECT_EQ(bar.ConditionsLabel->text(), QStringLiteral("Showing rows where Name equals 'axe'"));
  w->MClearfilter->trigger();
  EXPECT_FALSE(w->GDAGrid->Controller().Filter().Active());

  w->MFilterequals->trigger();
  w->MClose->trigger();  // another table shows every row
  EXPECT_FALSE(w->GDAGrid->Controller().Filter().Active());
  EXPECT_FALSE(bar.isVisible());
}

TEST_F(TableToolsWindowTest, TypeCellsOfferTheColumnTypes) {
  auto w = testing::StartWindow(&dialog_);  // a new table, in Designer mode
  TCellTable& t = w->GDAGrid->Table();
  t.MoveCurrent(TGridCoord{0, 1});
  Press(Qt::Key_F2);
  TChoiceList* list = w->GDAGrid->InplaceEditor()->Choices();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->count(), 5);
  EXPECT_EQ(list->Marked(), QStringLiteral("int"));
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  EXPECT_EQ(t.Cells(0, 1), u"float");
  EXPECT_FALSE(list->isVisible());

  t.MoveCurrent(TGridCoord{0, 1});
  Type(QStringLiteral("RES"));  // a beginning completes
  Press(Qt::Key_Return);
  EXPECT_EQ(t.Cells(0, 1), u"resource");
  t.MoveCurrent(TGridCoord{0, 1});
  Type(QStringLiteral("integer"));  // any text can still be typed, and shows as invalid
  Press(Qt::Key_Return);
  EXPECT_EQ(t.Cells(0, 1), u"integer");
  t.MoveCurrent(TGridCoord{0, 2});
  const QImage cell = w->GDAGrid->viewport()->grab(w->GDAGrid->CellRect(0, 1)).toImage();
  int red = 0;
  for (int x = 0; x < cell.width(); ++x)
    for (int y = 0; y < cell.height(); ++y) red += cell.pixelColor(x, y).hsvHue() == 0;
  EXPECT_GT(red, 3);

  t.MoveCurrent(TGridCoord{0, 2});  // a data cell has no list
  Press(Qt::Key_F2);
  EXPECT_FALSE(list->isVisible());
  Press(Qt::Key_Escape);
}

TEST_F(TableToolsWindowTest, TheQuestionBeforeSavingListsFindingsAndGoesToTheFirst) {
  const QString path = Table({u"a", u"b", u"c"}, {u"1", u"2", u"01"});
  auto w = testing::StartWindow(&dialog_, path);
  TCellTable& t = w->GDAGrid->Table();
  t.SetCells(1, 1, u"integer");
  const qint64 size = QFileInfo(path).size();
  QFile::remove(path);

  w->MSave->trigger();  // Cancel
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(boxes_.Questions[0],
            QStringLiteral("Column Name has the type 'integer', which is not a column type, and "
                           "would be saved as string.\n\nRows 1 and 3 have the same ID, 1."));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(t.Current(), (TGridCoord{0, 2}));

  boxes_.CheckAnswers = {TCheckChoice::ccGoTo};  // the type cell, editable in Designer mode
  w->MSave->trigger();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(t.FixedRows(), 0);
  EXPECT_EQ(t.Current(), (TGridCoord{1, 1}));
  EXPECT_EQ(Focus(), w->GDAGrid);

  boxes_.CheckAnswers = {TCheckChoice::ccSaveAnyway};
  w->MSave->trigger();
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(QFileInfo(path).size(), size);
  EXPECT_FALSE(w->Modified());
}

}  // namespace
}  // namespace tessary

// Compare with... in the window: taking the other table's values and rows
// as undoable steps, marks that follow edits, and F8's order.
#include <gtest/gtest.h>

#include <QFile>
#include <QHelpEvent>
#include <QListView>
#include <QTemporaryDir>
#include <QToolTip>
#include <memory>

#include "app/compare_panel.h"
#include "app/frm_tessary.h"
#include "compare/table_compare.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;
using testing::Press;
using testing::Type;

class CompareWindowTest : public ::testing::Test {
 protected:
  // This table: IDs 1..4. The other: ID 2's Name and ID 3's Cost changed,
  // ID 4 gone, ID 0 first and ID 5 after ID 3 new, a Color column more.
  void SetUp() override {
    base_ =
        Save("base.gda", {u"ID", u"Name", u"Cost"}, {u"int", u"string", u"int"},
             {{u"1", u"a", u"10"}, {u"2", u"b", u"20"}, {u"3", u"c", u"30"}, {u"4", u"d", u"40"}});
    other_ = Save("other.gda", {u"ID", u"Cost", u"Name", u"Color"},
                  {u"int", u"int", u"string", u"string"},
                  {{u"0", u"0", u"z", u"blue"},
                   {u"1", u"10", u"a", u""},
                   {u"2", u"20", u"B", u""},
                   {u"3", u"33", u"c", u""},
                   {u"5", u"50", u"e", u"red"}});
    dialog_.Answer = other_;
    window_ = testing::StartWindow(&dialog_, base_);
    window_->MComparewithClick();
    ASSERT_NE(window_->Comparison(), nullptr);
  }
  QString Save(const char* name, std::vector<std::u16string> names,
               std::vector<std::u16string> types, std::vector<std::vector<std::u16string>> rows) {
    TCellTable t;
    t.SetColCount(static_cast<int32_t>(names.size()));
    t.SetRowCount(static_cast<int32_t>(rows.size()) + 2);
    for (int32_t c = 0; c < t.ColCount(); ++c) {
      t.SetCells(c, 0, names[static_cast<size_t>(c)]);
      t.SetCells(c, 1, types[static_cast<size_t>(c)]);
      for (size_t r = 0; r < rows.size(); ++r) {
        t.SetCells(c, static_cast<int32_t>(r) + 2, rows[r][static_cast<size_t>(c)]);
      }
    }
    const QString path = dir_.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(SaveGDA(t, QFile::encodeName(path).toStdString()));
    return path;
  }
  std::u16string Cell(int32_t col, int32_t row) {
    return std::u16string(window_->GDAGrid->Table().Cells(col, row));
  }
  bool Marked(int32_t col, int32_t row) { return window_->Comparison()->Differs(col, row); }

  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
  QString base_, other_;
  std::unique_ptr<TfrmTessary> window_;
};

TEST_F(CompareWindowTest, TakeOtherValueIsOneStepAndShowsInTheTooltip) {
  TTableGrid* grid = window_->GDAGrid;
  EXPECT_TRUE(Marked(1, 3));
  EXPECT_TRUE(Marked(2, 4));
  EXPECT_FALSE(Marked(1, 2));
  // The tooltip gives the other table's text, markup as characters.
  const QPoint at = grid->CellRect(1, 3).center();
  QHelpEvent help(QEvent::ToolTip, at, grid->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(grid->viewport(), &help);
  EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("other.gda")));
  EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("B")));

  grid->Table().SetSelection(TGridCoord{0, 2}, TGridCoord{2, 5});
  window_->MTakeothervalueClick();
  EXPECT_EQ(Cell(1, 3), u"B");
  EXPECT_EQ(Cell(2, 4), u"33");
  EXPECT_TRUE(window_->Comparison()->ChangedCells().empty());
  window_->EditUndo();
  EXPECT_EQ(Cell(1, 3), u"b");
  EXPECT_EQ(Cell(2, 4), u"30");
  EXPECT_TRUE(Marked(1, 3));
  EXPECT_TRUE(Marked(2, 4));
}

TEST_F(CompareWindowTest, TakeOtherRowPlacesRowsByNameAsOneStep) {
  TComparePanel* panel = window_->ComparePanel;
  EXPECT_TRUE(panel->isVisible());
  ASSERT_EQ(panel->AddedList->model()->rowCount(), 2);
  panel->AddedList->selectAll();
  window_->TakeOtherRowsClick();
  // ID 5 after ID 3, ID 0 (which follows no row here) at the end; Color
  // has no column here.
  ASSERT_EQ(window_->GDAGrid->Table().RowCount(), 8);
  EXPECT_EQ(Cell(0, 5), u"5");
  EXPECT_EQ(Cell(1, 5), u"e");
  EXPECT_EQ(Cell(2, 5), u"50");
  EXPECT_EQ(Cell(0, 7), u"0");
  EXPECT_EQ(Cell(1, 7), u"z");
  EXPECT_TRUE(window_->Comparison()->AddedRows().empty());
  EXPECT_EQ(panel->AddedList->model()->rowCount(), 0);
  window_->EditUndo();
  EXPECT_EQ(window_->GDAGrid->Table().RowCount(), 6);
  EXPECT_EQ(window_->Comparison()->AddedRows().size(), 2u);
}

TEST_F(CompareWindowTest, MarksFollowEditsAndCloseWithTheTable) {
  TTableGrid* grid = window_->GDAGrid;
  grid->Table().MoveCurrent(TGridCoord{1, 3});
  grid->setFocus();
  Type(QStringLiteral("B"));
  Press(Qt::Key_Return);
  EXPECT_FALSE(Marked(1, 3));
  window_->EditUndo();
  EXPECT_TRUE(Marked(1, 3));
  // A row inserted above moves the marks with their rows.
  grid->Table().MoveCurrent(TGridCoord{0, 2});
  grid->Controller().InsertRow();
  EXPECT_TRUE(Marked(1, 4));
  EXPECT_FALSE(Marked(1, 3));

  // A file that is not a table: its message, and the comparison stays.
  QFile junk(dir_.filePath(QStringLiteral("junk.gda")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a table");
  junk.close();
  EXPECT_FALSE(window_->CompareWith(junk.fileName()));
  EXPECT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_TRUE(Marked(1, 4));

  boxes_.SaveAnswers.push_back(TSaveChoice::scDiscard);
  window_->MCloseClick();
  EXPECT_EQ(window_->Comparison(), nullptr);
  EXPECT_FALSE(window_->ComparePanel->isVisible());
}

TEST_F(CompareWindowTest, F8WalksTheDifferencesInTableOrder) {
  TCellTable& t = window_->GDAGrid->Table();
  t.MoveCurrent(TGridCoord{0, 2});
  window_->GDAGrid->setFocus();
  const std::vector<TGridCoord> order = {{1, 3}, {2, 4}, {0, 5}, {1, 3}};
  for (const TGridCoord& expected : order) {
    Press(Qt::Key_F8);
    EXPECT_EQ(t.Current(), expected);
  }
  Press(Qt::Key_F8, Qt::ShiftModifier);
  EXPECT_EQ(t.Current(), (TGridCoord{0, 5}));
  Press(Qt::Key_F8, Qt::ShiftModifier);
  EXPECT_EQ(t.Current(), (TGridCoord{2, 4}));
}

}  // namespace
}  // namespace tessary

// Keys on the grid and in its in-place editor, without a window system.
#include <gtest/gtest.h>

#include "controller_fakes.h"

namespace tessary {
namespace {

using testing::GridRig;
using testing::kCtrl;
using testing::kShift;

TEST(ControllerKeys, DownOnTheLastRowAppendsAnEmptyRowAndMovesIntoIt) {
  GridRig g(3, 4, 2);
  g.Table.SetCells(1, 4, u"hidden");  // store text just past the extent
  g.Table.MoveCurrent({1, 3});
  int32_t addedAfter = -1;
  g.Table.OnAutoAddRow = [&](TCellTable&, int32_t row) { addedAfter = row; };
  g.Key(TGridKey::gkDown);
  EXPECT_EQ(g.Table.RowCount(), 5);
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 4}));
  EXPECT_EQ(g.Table.Cells(1, 4), u"");
  EXPECT_EQ(addedAfter, 3);
}

TEST(ControllerKeys, AppendingRespectsTheVetoAndTheOption) {
  GridRig g(2, 3, 2);
  g.Table.OnCanAddRow = [](TCellTable&, bool& can) { can = false; };
  g.Key(TGridKey::gkDown);
  EXPECT_EQ(g.Table.RowCount(), 3);
  g.Table.OnCanAddRow = nullptr;
  g.Grid.Navigation().AppendOnArrowDown = false;
  g.Key(TGridKey::gkDown);
  EXPECT_EQ(g.Table.RowCount(), 3);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));
}

TEST(ControllerKeys, ShiftDownAppendsAndExtendsCtrlDownAppendsAndStays) {
  GridRig g(2, 3, 2);
  g.Key(TGridKey::gkDown, kShift);
  EXPECT_EQ(g.Table.RowCount(), 4);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 2, 0, 3}));

  GridRig h(2, 3, 2);
  h.Key(TGridKey::gkDown, kCtrl);
  EXPECT_EQ(h.Table.RowCount(), 4);
  EXPECT_EQ(h.Cur(), (TGridCoord{0, 2}));
}

TEST(ControllerKeys, DownInTheEditorOnTheLastRowCommitsWithoutAppending) {
  GridRig g(2, 3, 2);
  g.Type(u"v");
  ASSERT_TRUE(g.Grid.EditorMode());
  g.Key(TGridKey::gkDown);
  EXPECT_FALSE(g.Grid.EditorMode());
  EXPECT_EQ(g.Table.Cells(0, 2), u"v");
  EXPECT_EQ(g.Table.RowCount(), 3);
}

TEST(ControllerKeys, InsertAddsAnEmptyRowAtTheCurrentRowOnlyWhenAllowed) {
  GridRig g(2, 8, 2);
  for (int32_t r = 2; r < 8; ++r) g.Table.SetCells(0, r, std::u16string(1, u'a' + r));
  g.Table.MoveCurrent({0, 5});
  g.Key(TGridKey::gkInsert);
  EXPECT_EQ(g.Table.RowCount(), 8);
  EXPECT_EQ(g.Table.Cells(0, 5), u"f");

  g.Grid.Navigation().AllowInsertRow = true;
  int32_t vetoRow = -1;
  g.Table.OnCanInsertRow = [&](TCellTable&, int32_t row, bool& can) {
    vetoRow = row;
    can = false;
  };
  g.Key(TGridKey::gkInsert);
  EXPECT_EQ(vetoRow, 5);
  EXPECT_EQ(g.Table.RowCount(), 8);

  g.Table.OnCanInsertRow = nullptr;
  g.Key(TGridKey::gkInsert, kCtrl);  // Ctrl+Ins is Copy, not an insertion
  EXPECT_EQ(g.Table.RowCount(), 8);
  g.Key(TGridKey::gkInsert);
  EXPECT_EQ(g.Table.RowCount(), 9);
  EXPECT_EQ(g.Table.Cells(0, 5), u"");
  EXPECT_EQ(g.Table.Cells(0, 6), u"f");
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 5}));
}

TEST(ControllerKeys, DeleteRemovesRowsOnlyWhenAllowedAndEmptiesTheLastOne) {
  GridRig g(2, 3, 2);
  g.Table.SetCells(0, 2, u"keep");
  g.Key(TGridKey::gkDelete);
  EXPECT_EQ(g.Table.Cells(0, 2), u"keep");
  EXPECT_FALSE(g.Grid.EditorMode());

  g.Grid.Navigation().AllowDeleteRow = true;
  g.Key(TGridKey::gkDelete);
  EXPECT_EQ(g.Table.Cells(0, 2), u"");
  EXPECT_EQ(g.Table.RowCount(), 3);

  GridRig h(1, 5, 2);
  h.Grid.Navigation().AllowDeleteRow = true;
  h.Table.SetCells(0, 3, u"three");
  h.Table.SetCells(0, 4, u"four");
  h.Table.MoveCurrent({0, 3});
  h.Key(TGridKey::gkDelete);
  EXPECT_EQ(h.Table.RowCount(), 4);
  EXPECT_EQ(h.Table.Cells(0, 3), u"four");
  EXPECT_EQ(h.Cur(), (TGridCoord{0, 3}));
}

TEST(ControllerKeys, TypingReplacesTheTextAndEscapeKeepsTheCell) {
  GridRig g(2, 3);
  g.Table.SetCells(0, 0, u"xyz");
  g.Type(u"a");
  EXPECT_TRUE(g.Grid.EditorMode());
  EXPECT_EQ(g.View.EditorBox.Value, u"a");
  g.Key(TGridKey::gkEscape);
  EXPECT_FALSE(g.Grid.EditorMode());
  EXPECT_EQ(g.Table.Cells(0, 0), u"xyz");

  g.Type(u"\b");  // Backspace starts with an empty text
  EXPECT_EQ(g.View.EditorBox.Value, u"");
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Table.Cells(0, 0), u"");
}

TEST(ControllerKeys, ControlCharactersAndFixedCellsDoNotOpenTheEditor) {
  GridRig g(2, 3);
  EXPECT_TRUE(g.Grid.KeyPress(3));  // Ctrl+C's character is swallowed
  EXPECT_FALSE(g.Grid.KeyPress(u'\t'));
  EXPECT_FALSE(g.Grid.KeyPress(27));
  EXPECT_FALSE(g.Grid.EditorMode());
  g.View.Focused = false;
  g.Type(u"q");
  EXPECT_FALSE(g.Grid.EditorMode());
}

TEST(ControllerKeys, TheEditorEditsTheStoredTextMarkupIncluded) {
  GridRig g(2, 3);
  g.Table.SetCells(0, 0, u"<none>");
  g.Key(TGridKey::gkF2);
  EXPECT_EQ(g.View.EditorBox.Value, u"<none>");
  EXPECT_EQ(g.View.EditorBox.Caret, 6u);
  EXPECT_FALSE(g.View.EditorBox.HasSelectedText());
  g.Type(u"x");
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Table.Cells(0, 0), u"<none>x");
}

TEST(ControllerKeys, EnterAdvancesAlongTheRowThenWrapsWithoutAddingRows) {
  GridRig g(3, 4, 2);
  g.Table.SetCells(0, 2, u"kept");
  g.Key(TGridKey::gkEnter);
  EXPECT_TRUE(g.View.EditorBox.HasSelectedText());
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Table.Cells(0, 2), u"kept");
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 2}));
  EXPECT_FALSE(g.Grid.EditorMode());

  g.Table.MoveCurrent({2, 2});
  g.Key(TGridKey::gkEnter);
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 3}));

  g.Table.MoveCurrent({2, 3});
  g.Key(TGridKey::gkEnter);
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));
  EXPECT_EQ(g.Table.RowCount(), 4);
}

TEST(ControllerKeys, ShiftExtendsTheSelectionAndAPlainMoveCollapsesIt) {
  GridRig g(8, 4, 2);
  g.Table.MoveCurrent({1, 2});
  for (int i = 0; i < 3; ++i) g.Key(TGridKey::gkRight, kShift);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{1, 2, 4, 2}));
  EXPECT_EQ(g.Cur(), (TGridCoord{4, 2}));
  g.Key(TGridKey::gkRight);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{5, 2, 5, 2}));
}

TEST(ControllerKeys, MovementIsClampedToTheNonFixedArea) {
  GridRig g(4, 40, 2);
  g.Key(TGridKey::gkUp);
  g.Key(TGridKey::gkLeft);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));
  g.Key(TGridKey::gkEnd);
  EXPECT_EQ(g.Cur(), (TGridCoord{3, 2}));
  g.Key(TGridKey::gkRight);
  EXPECT_EQ(g.Cur(), (TGridCoord{3, 2}));
  g.Key(TGridKey::gkHome);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));
  g.Key(TGridKey::gkEnd, kCtrl);
  EXPECT_EQ(g.Cur(), (TGridCoord{3, 39}));
  EXPECT_EQ(g.Table.TopRow(), MaxTopRow(g.Table, g.Grid.ClientSize()));
  g.Key(TGridKey::gkHome, kCtrl);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));
  EXPECT_EQ(g.Table.TopRow(), 2);
}

TEST(ControllerKeys, PagesMoveByTheFullyVisibleRows) {
  // 274 pixels: 2 fixed rows take 46, 228 are left for 9 whole rows of 23
  // plus part of a tenth, so a page is 8 rows.
  GridRig g(2, 100, 2);
  ASSERT_EQ(RowPage(g.Table, g.Grid.ClientSize()), 8);
  g.Key(TGridKey::gkPageDown);
  EXPECT_EQ(g.Cur().Y, 10);
  EXPECT_EQ(g.Table.TopRow(), 10);
  g.Key(TGridKey::gkPageDown, kCtrl);
  EXPECT_EQ(g.Cur().Y, 18);
  g.Key(TGridKey::gkPageUp, kCtrl);
  EXPECT_EQ(g.Cur().Y, 10);
  g.Key(TGridKey::gkPageUp);
  EXPECT_EQ(g.Cur().Y, 2);
  EXPECT_EQ(g.Table.TopRow(), 2);
  g.Key(TGridKey::gkDown, kCtrl);  // scrolls only
  EXPECT_EQ(g.Table.TopRow(), 3);
  EXPECT_EQ(g.Cur().Y, 2);
}

TEST(ControllerKeys, CtrlASelectsEveryNonFixedCell) {
  GridRig g(3, 30, 2);
  g.Key(TGridKey::gkA, kCtrl);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 2, 2, 29}));
  EXPECT_EQ(g.Cur(), (TGridCoord{2, 29}));
  EXPECT_GE(VisibleRange(g.Table, g.Grid.ClientSize()).LastFullRow, 29);
}

TEST(ControllerKeys, UpAndDownInTheEditorLeaveOnlyFromTheOuterLines) {
  GridRig g(1, 5);
  g.Table.SetCells(0, 1, u"one\r\ntwo");
  g.Table.MoveCurrent({0, 1});
  g.Key(TGridKey::gkF2);  // caret at the end, on the last line
  EXPECT_FALSE(g.Key(TGridKey::gkUp));
  g.View.EditorBox.Select(7, 7);
  g.Type(u"!");
  g.View.EditorBox.Select(0, 0);
  EXPECT_TRUE(g.Key(TGridKey::gkUp));
  EXPECT_EQ(g.Table.Cells(0, 1), u"one\r\ntw!o");
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 0}));
}

TEST(ControllerKeys, CtrlEnterBreaksTheLineAndInsertIsIgnoredWhileEditing) {
  GridRig g(1, 3);
  g.Grid.Navigation().AllowInsertRow = true;
  g.Type(u"a");
  g.Key(TGridKey::gkEnter, kCtrl);
  g.Type(u"b");
  EXPECT_TRUE(g.Key(TGridKey::gkInsert));
  EXPECT_EQ(g.Table.RowCount(), 3);
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Table.Cells(0, 0), u"a\r\nb");
}

TEST(ControllerKeys, MovingTheCurrentCellByAnyMeansCommitsTheEditor) {
  GridRig g(3, 3);
  g.Type(u"z");
  g.Table.MoveCurrent({0, 2});
  EXPECT_FALSE(g.Grid.EditorMode());
  EXPECT_EQ(g.Table.Cells(0, 0), u"z");
  EXPECT_FALSE(g.View.EditorBox.Visible);
}

}  // namespace
}  // namespace tessary

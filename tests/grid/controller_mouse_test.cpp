// Mouse, wheel and the geometry under them, without a window system.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "controller_fakes.h"

namespace tessary {
namespace {

using testing::GridRig;

// Column 0 is 86 pixels wide, the others 64; every cell has a 1-pixel line
// after it. Left edges: 0, 87, 152, 217, ...
struct Geometry : GridRig {
  Geometry() : GridRig(6, 40, 2) { Table.SetColWidths(0, 86); }
  int32_t CenterX(int32_t col) {
    const TPixelRect r = CellRect(Table, Grid.ClientSize(), col, 0);
    return (r.Left + r.Right) / 2;
  }
};

TEST(GridGeometry, CellRectanglesAndHitsAgree) {
  Geometry g;
  const TClientSize client = g.Grid.ClientSize();
  EXPECT_EQ(CellRect(g.Table, client, 0, 0), (TPixelRect{0, 0, 86, 22}));
  EXPECT_EQ(CellRect(g.Table, client, 1, 2), (TPixelRect{87, 46, 151, 68}));
  EXPECT_EQ(CellAt(g.Table, client, 86, 22), (TGridCoord{0, 0}));  // the lines count
  EXPECT_EQ(CellAt(g.Table, client, 87, 23), (TGridCoord{1, 1}));
  EXPECT_EQ(CellAt(g.Table, client, 545, 273).X, -1);  // past the last column

  g.Table.SetTopRow(10);
  EXPECT_TRUE(CellRect(g.Table, client, 0, 5).IsEmpty());  // scrolled away
  EXPECT_EQ(CellRect(g.Table, client, 0, 10).Top, 46);     // right below the fixed rows
  EXPECT_EQ(CellAt(g.Table, client, 5, 50), (TGridCoord{0, 10}));
  EXPECT_EQ(CellAt(g.Table, client, 5, 10), (TGridCoord{0, 0}));  // fixed rows stay
}

TEST(GridGeometry, ScrollLimitsKeepTheLastRowWhole) {
  Geometry g;
  const TClientSize client = g.Grid.ClientSize();
  // 228 pixels below the fixed rows hold 9 rows of 23 with the last line cut.
  EXPECT_EQ(MaxTopRow(g.Table, client), 31);
  g.Table.SetTopRow(31);
  EXPECT_EQ(VisibleRange(g.Table, client).LastFullRow, 39);
  EXPECT_EQ(TopRowShowing(g.Table, client, 5), 5);
  EXPECT_EQ(TopRowShowing(g.Table, client, 35), 31);
  g.Table.SetTopRow(2);
  EXPECT_EQ(TopRowShowing(g.Table, client, 20), 12);
  EXPECT_EQ(TopRowShowing(g.Table, client, 10), 2);
  // All six columns fit (86 + 5 * 64 + 6 lines = 412 pixels).
  EXPECT_EQ(MaxLeftCol(g.Table, client), 0);
  // A client too small for even one row still scrolls row by row.
  EXPECT_EQ(MaxTopRow(g.Table, TClientSize{100, 30}), 39);
  EXPECT_EQ(RowPage(g.Table, TClientSize{100, 30}), 1);
}

TEST(ControllerMouse, ClickMovesTheCurrentCellAndASecondClickEdits) {
  Geometry g;
  const TPixelRect r = CellRect(g.Table, g.Grid.ClientSize(), 2, 4);
  g.Grid.MouseDown(r.Left + 3, r.Top + 3);
  g.Grid.MouseUp(r.Left + 3, r.Top + 3);
  EXPECT_EQ(g.Cur(), (TGridCoord{2, 4}));
  EXPECT_FALSE(g.Grid.EditorMode());
  // The editor opens on release, so that a drag from the current cell selects.
  g.Grid.MouseDown(r.Left + 3, r.Top + 3);
  EXPECT_FALSE(g.Grid.EditorMode());
  g.Grid.MouseUp(r.Left + 3, r.Top + 3);
  EXPECT_TRUE(g.Grid.EditorMode());
  EXPECT_EQ(g.View.EditorBox.Rect, r);
  // A double click elsewhere than on a column boundary only clicks.
  g.Grid.DoubleClick(r.Left + 3, r.Top + 3);
  EXPECT_EQ(g.Table.ColWidths(2), 64);
}

TEST(ControllerMouse, DragAndShiftClickSelectRangesWithoutEditing) {
  Geometry g;
  auto at = [&](int32_t c, int32_t r) {
    const TPixelRect p = CellRect(g.Table, g.Grid.ClientSize(), c, r);
    return std::pair{p.Left + 5, p.Top + 5};
  };
  g.Table.MoveCurrent({1, 3});
  auto [x, y] = at(1, 3);
  g.Grid.MouseDown(x, y);  // on the current cell, then away and back
  std::tie(x, y) = at(3, 5);
  g.Grid.MouseMove(x, y);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{1, 3, 3, 5}));
  std::tie(x, y) = at(1, 3);
  g.Grid.MouseMove(x, y);
  g.Grid.MouseUp(x, y);
  EXPECT_FALSE(g.Grid.EditorMode());
  std::tie(x, y) = at(2, 6);
  g.Grid.MouseDown(x, y, testing::kShift);
  g.Grid.MouseUp(x, y);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{1, 3, 2, 6}));
  EXPECT_EQ(g.Cur(), (TGridCoord{2, 6}));

  // Past the bottom edge the view scrolls and the selection follows.
  g.Grid.MouseDown(x, y);
  EXPECT_TRUE(g.View.AutoScroll);
  g.Grid.MouseMove(x, 400);
  g.Grid.AutoScrollTick();
  g.Grid.AutoScrollTick();
  EXPECT_EQ(g.Table.TopRow(), 4);
  EXPECT_EQ(g.Table.Selection(),
            (TGridRect{2, 6, 2, VisibleRange(g.Table, g.Grid.ClientSize()).LastRow}));
  g.Grid.MouseUp(x, 400);
  EXPECT_FALSE(g.View.AutoScroll);
}

TEST(ControllerMouse, HeaderAndGutterClicksSelectColumnsAndRows) {
  Geometry g;
  g.Grid.MouseDown(g.CenterX(2), 5);  // a header cell: a click selects its column
  g.Grid.MouseUp(g.CenterX(2), 5);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{2, 2, 2, 39}));
  EXPECT_EQ(g.Cur(), (TGridCoord{2, 2}));
  g.Grid.MouseDown(g.CenterX(4), 30, testing::kShift);
  g.Grid.MouseUp(g.CenterX(4), 30);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{2, 2, 4, 39}));

  const auto rowY = [&](int32_t r) { return CellRect(g.Table, g.Grid.ClientSize(), 0, r).Top + 3; };
  g.Grid.MouseDown(-10, rowY(4));  // the gutter: whole rows
  g.Grid.MouseMove(-10, rowY(6));
  g.Grid.MouseUp(-10, rowY(6));
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 4, 5, 6}));
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 6}));
  g.Grid.MouseDown(-10, rowY(3), testing::kShift);
  g.Grid.MouseUp(-10, rowY(3));
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 3, 5, 4}));
  g.Grid.MouseDown(-10, rowY(1));  // the types row's label: nothing
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 3, 5, 4}));
  g.Grid.MouseUp(-10, rowY(1));

  // Right-click: inside the selection it stays, outside it moves.
  EXPECT_TRUE(g.Grid.ContextClick(g.CenterX(2), rowY(4)));
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 3, 5, 4}));
  EXPECT_TRUE(g.Grid.ContextClick(g.CenterX(2), rowY(8)));
  EXPECT_EQ(g.Table.Selection(), (TGridRect{2, 8, 2, 8}));
  EXPECT_TRUE(g.Grid.ContextClick(-10, rowY(9)));
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 9, 5, 9}));
  EXPECT_FALSE(g.Grid.ContextClick(540, rowY(9)));  // past the last column
}

TEST(ControllerMouse, DraggingAColumnMovesItAndTheCurrentColumnFollows) {
  for (int32_t current : {1, 2, 3, 4}) {
    Geometry g;
    for (int32_t c = 0; c < 6; ++c) g.Table.SetCells(c, 0, std::u16string(1, u'A' + c));
    g.Table.MoveCurrent({current, 5});
    g.Grid.MouseDown(g.CenterX(1), 5);
    EXPECT_EQ(g.Grid.State(), TGridState::gsColMoving);
    EXPECT_TRUE(g.View.AutoScroll);
    g.Grid.MouseMove(g.CenterX(3), 5);
    EXPECT_EQ(g.Grid.DropCol(), 3);
    g.Grid.MouseUp(g.CenterX(3), 5);
    EXPECT_FALSE(g.View.AutoScroll);
    EXPECT_EQ(g.Grid.State(), TGridState::gsNormal);
    EXPECT_EQ(g.Table.Cells(1, 0), u"C");
    EXPECT_EQ(g.Table.Cells(3, 0), u"B");
    const int32_t expected = current == 1 ? 3 : current <= 3 ? current - 1 : current;
    EXPECT_EQ(g.Table.Col(), expected) << "current column was " << current;
  }
}

TEST(ControllerMouse, ReleasingOverTheStartColumnOrWithoutFixedRowsMovesNothing) {
  Geometry g;
  g.Table.SetCells(1, 0, u"B");
  g.Grid.MouseDown(g.CenterX(1), 5);
  g.Grid.MouseUp(g.CenterX(1) + 5, 5);
  EXPECT_EQ(g.Table.Cells(1, 0), u"B");
  g.Grid.MouseUp(g.CenterX(1) + 5, 5);

  g.Table.SetFixedRows(0);  // a press in row 0 selects
  g.Grid.MouseDown(g.CenterX(1), 5);
  EXPECT_EQ(g.Grid.State(), TGridState::gsSelecting);
  g.Grid.MouseUp(g.CenterX(1), 5);
  g.Grid.MouseDown(86 + 1, 5);  // a boundary: no sizing without fixed rows either
  EXPECT_EQ(g.Grid.State(), TGridState::gsSelecting);
}

TEST(ControllerMouse, DraggingABoundarySizesTheColumn) {
  Geometry g;
  // Column 1's boundary is at x 151; the grip reaches from 148 to 155.
  EXPECT_EQ(SizingColumnAt(g.Table, g.Grid.ClientSize(), 147), -1);
  EXPECT_EQ(SizingColumnAt(g.Table, g.Grid.ClientSize(), 148), 1);
  EXPECT_EQ(SizingColumnAt(g.Table, g.Grid.ClientSize(), 155), 1);
  g.Grid.MouseDown(150, 30);
  ASSERT_EQ(g.Grid.State(), TGridState::gsColSizing);
  g.Grid.MouseMove(170, 30);
  g.Grid.MouseUp(170, 30);
  EXPECT_EQ(g.Table.ColWidths(1), 84);
  // A press and release in place keeps the width; a width of 1 or less is refused.
  g.Grid.MouseDown(172, 30);
  g.Grid.MouseUp(172, 30);
  EXPECT_EQ(g.Table.ColWidths(1), 84);
  g.Grid.MouseDown(171, 30);
  g.Grid.MouseUp(88, 30);
  EXPECT_EQ(g.Table.ColWidths(1), 84);
}

TEST(ControllerMouse, DoubleClickOnABoundarySizesToTheWidestText) {
  Geometry g;
  g.Table.SetCells(1, 0, u"Name");                 // 4 characters, fixed row
  g.Table.SetCells(1, 30, u"twelve chars");        // 12 characters, out of view
  g.Table.SetCells(1, 45, u"beyond the extent!");  // not counted
  g.Grid.DoubleClick(150, 5);                      // right edge of column 1
  EXPECT_EQ(g.Table.ColWidths(1), 12 * 7 + 6);
  g.Grid.DoubleClick(g.CenterX(3) - 30, 5);  // left edge of column 3: column 2
  EXPECT_EQ(g.Table.ColWidths(2), 6);
  EXPECT_EQ(g.Table.ColWidths(3), 64);
  g.Grid.DoubleClick(150, 30);  // outside the fixed rows: nothing
  EXPECT_EQ(g.Table.ColWidths(1), 90);
}

TEST(ControllerMouse, WheelScrollsTheViewAndCommitsTheEditor) {
  Geometry g;
  g.Type(u"w");
  g.Grid.Wheel(-2);  // two steps of three rows
  EXPECT_EQ(g.Table.Cells(0, 2), u"w");
  EXPECT_FALSE(g.Grid.EditorMode());
  EXPECT_EQ(g.Table.TopRow(), 8);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));
  g.Grid.Wheel(-100);
  EXPECT_EQ(g.Table.TopRow(), 31);
  g.Grid.Wheel(100);
  EXPECT_EQ(g.Table.TopRow(), 2);  // not into the fixed rows

  GridRig wide(20, 10, 2);
  wide.Grid.Wheel(-2, true);  // sideways: a column a step
  EXPECT_EQ(wide.Table.LeftCol(), 2);
  EXPECT_EQ(wide.Cur(), (TGridCoord{0, 2}));
}

// The first column stays at the left while the view scrolls, and editable.
TEST(ControllerMouse, TheFirstColumnCanStayInView) {
  GridRig g(20, 10, 2);
  g.Grid.SetKeepFirstColumn(true);
  g.Grid.Wheel(-5, true);
  const TClientSize client = g.Grid.ClientSize();
  EXPECT_EQ(g.Table.LeftCol(), 6);
  EXPECT_EQ(CellRect(g.Table, client, 0, 2).Left, 0);
  EXPECT_EQ(CellRect(g.Table, client, 6, 2).Left, 65);
  EXPECT_EQ(CellAt(g.Table, client, 70, 50), (TGridCoord{6, 2}));
  g.Grid.MouseDown(5, 50);
  g.Grid.MouseUp(5, 50);
  g.Grid.MouseDown(5, 50);
  g.Grid.MouseUp(5, 50);
  EXPECT_TRUE(g.Grid.EditorMode());
  EXPECT_EQ(g.View.EditorBox.Rect.Left, 0);
  g.Grid.SetKeepFirstColumn(false);
  EXPECT_EQ(CellRect(g.Table, g.Grid.ClientSize(), 6, 2).Left, 0);
}

TEST(ControllerRows, InsertAndDeleteRowsIgnoreTheRowKeysOptions) {
  GridRig g(2, 6, 2);
  g.Table.OnCanDeleteRow = [&](TCellTable&, int32_t row, bool&) {
    g.Grid.History().ClearRows(row, 1);
  };
  for (int32_t r = 2; r < 6; ++r) g.Table.SetCells(0, r, std::u16string(1, u'a' + r));
  g.Table.SetSelection({0, 3}, {1, 4});
  g.Grid.DeleteSelectedRows();
  EXPECT_EQ(g.Table.RowCount(), 4);
  EXPECT_EQ(g.Table.Cells(0, 3), u"f");
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 3}));
  g.Grid.InsertRow();
  EXPECT_EQ(g.Table.RowCount(), 5);
  EXPECT_EQ(g.Table.Cells(0, 3), u"");
  EXPECT_EQ(g.Table.Cells(0, 4), u"f");
  g.Table.SetSelection({0, 2}, {0, 4});  // every data row: the first stays, empty
  g.Grid.DeleteSelectedRows();
  EXPECT_EQ(g.Table.RowCount(), 3);
  EXPECT_EQ(g.Table.Cells(0, 2), u"");
  g.Grid.History().Undo();
  EXPECT_EQ(g.Table.RowCount(), 5);
  EXPECT_EQ(g.Table.Cells(0, 2), u"c");
}

TEST(ControllerMouse, AutoScrollFollowsThePointerPastTheEdge) {
  GridRig g(20, 10, 2);
  const TPixelRect r = CellRect(g.Table, g.Grid.ClientSize(), 2, 0);
  g.Grid.MouseDown(r.Left + 10, 5);
  g.Grid.MouseMove(600, 5);
  g.Grid.AutoScrollTick();
  g.Grid.AutoScrollTick();
  EXPECT_EQ(g.Table.LeftCol(), 2);
  EXPECT_EQ(g.Grid.DropCol(), VisibleRange(g.Table, g.Grid.ClientSize()).LastCol);
  g.Grid.MouseMove(-5, 5);
  g.Grid.AutoScrollTick();
  EXPECT_EQ(g.Table.LeftCol(), 1);
  g.Grid.MouseUp(-5, 5);
  EXPECT_FALSE(g.View.AutoScroll);
}

}  // namespace
}  // namespace tessary

#include "table/cell_table.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "support/test_text.h"

namespace tessary {
namespace {

using namespace tessary::testing;

void Column(TCellTable& t, int32_t col, std::initializer_list<const char16_t*> texts) {
  int32_t r = 0;
  for (const char16_t* s : texts) t.SetCells(col, r++, s);
}

void Row(TCellTable& t, int32_t row, std::initializer_list<const char16_t*> texts) {
  int32_t c = 0;
  for (const char16_t* s : texts) t.SetCells(c++, row, s);
}

std::u16string RowText(const TCellTable& t, int32_t row, int32_t cols) {
  std::u16string s;
  for (int32_t c = 0; c < cols; ++c) s += (t.Cells(c, row).empty() ? u"." : t.Cells(c, row));
  return s;
}

TEST(CellTable, StartsWithTheWindowsValues) {
  TCellTable t;
  EXPECT_EQ(t.ColCount(), 1);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.FixedCols(), 0);
  EXPECT_EQ(t.FixedRows(), 0);
  EXPECT_EQ(t.Current(), (TGridCoord{0, 0}));
  EXPECT_EQ(t.ColWidths(0), 64);
  EXPECT_EQ(t.RowHeights(2), 22);
}

TEST(CellTable, CellsAreSparseAndEmptyTextRemovesThem) {
  TCellTable t;
  EXPECT_EQ(t.Cells(5, 7), u"");
  t.SetCells(0, 0, u"ID");
  EXPECT_EQ(t.Cells(0, 0), u"ID");
  EXPECT_EQ(t.StoredCellCount(), 1u);
  t.SetCells(0, 0, u"");
  EXPECT_EQ(t.Cells(0, 0), u"");
  EXPECT_EQ(t.StoredCellCount(), 0u);
  // Written out of order and far outside the extent.
  t.SetCells(9, 1000, u"c");
  t.SetCells(3, 1000, u"a");
  t.SetCells(5, 1000, u"b");
  EXPECT_EQ(t.Cells(3, 1000), u"a");
  EXPECT_EQ(t.Cells(5, 1000), u"b");
  EXPECT_EQ(t.Cells(9, 1000), u"c");
  t.SetCells(TCellTable::kMaxIndex, TCellTable::kMaxIndex, u"far");
  EXPECT_EQ(t.Cells(TCellTable::kMaxIndex, TCellTable::kMaxIndex), u"far");
}

TEST(CellTable, NegativeAndHugeIndicesFail) {
  TCellTable t;
  EXPECT_EQ(ErrorText([&] { t.Cells(0, -1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorText([&] { t.SetCells(0, -1, u"x"); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorText([&] { t.SetCells(-2, 0, u"x"); }), "List index out of bounds (-2)");
  EXPECT_EQ(t.Cells(-1, 0), u"");  // a row that never held a cell
  t.SetCells(0, 0, u"x");
  EXPECT_EQ(ErrorText([&] { t.Cells(-1, 0); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorText([&] { t.SetCells(0, TCellTable::kMaxIndex + 1, u"x"); }),
            "List index out of bounds (1048560)");
  EXPECT_EQ(ErrorText([&] { t.SetRowCount(2000000); }), "List index out of bounds (2000000)");
  EXPECT_EQ(t.RowCount(), 3);
}

TEST(CellTable, ExtentKeepsHiddenTexts) {
  TCellTable t;
  t.SetColCount(5);
  Row(t, 0, {u"a", u"b", u"c", u"d", u"e"});
  t.SetColCount(2);
  t.SetColCount(5);
  EXPECT_EQ(RowText(t, 0, 5), u"abcde");
  t.ClearCols(2, 5);
  t.SetColCount(2);
  t.SetColCount(5);
  EXPECT_EQ(RowText(t, 0, 5), u"ab...");
  t.SetColCount(0);
  EXPECT_EQ(t.ColCount(), 1);
  t.SetColCount(-3);
  EXPECT_EQ(t.ColCount(), 1);
}

TEST(CellTable, ClearEmptiesOnlyTheExtent) {
  TCellTable t;
  t.SetColCount(10);
  t.SetRowCount(100);
  for (int r = 0; r < 100; ++r) {
    for (int c = 0; c < 10; ++c) t.SetCells(c, r, u"x");
  }
  t.SetColCount(1);
  t.SetRowCount(3);
  t.Clear();
  t.SetColCount(4);
  EXPECT_EQ(RowText(t, 0, 4), u".xxx");
  EXPECT_EQ(RowText(t, 2, 4), u".xxx");
  EXPECT_EQ(t.Cells(0, 3), u"x");

  TCellTable u;
  u.SetColCount(3);
  for (int c = 0; c < 12; ++c) u.SetCells(c, 1, u"y");
  u.ClearCols(3, 0);
  EXPECT_EQ(u.Cells(2, 1), u"y");
  u.ClearCols(1, 10);
  EXPECT_EQ(u.Cells(0, 1), u"y");
  for (int c = 1; c <= 10; ++c) EXPECT_EQ(u.Cells(c, 1), u"") << c;
  EXPECT_EQ(u.Cells(11, 1), u"y");
}

TEST(CellTable, FixedRowsAndTheCurrentCell) {
  TCellTable t;
  t.SetRowCount(2);
  EXPECT_EQ(ErrorText([&] { t.SetFixedRows(2); }), "Fixed row count must be less than row count");
  EXPECT_EQ(t.FixedRows(), 0);
  EXPECT_EQ(ErrorText([&] { t.SetFixedRows(-1); }), "Grid index out of range");
  EXPECT_EQ(ErrorText([&] { t.SetFixedCols(1); }),
            "Fixed column count must be less than column count");
  t.SetRowCount(3);
  t.SetFixedRows(2);
  EXPECT_EQ(t.Current(), (TGridCoord{0, 2}));
  t.SetColCount(3);
  t.MoveCurrent({2, 2});
  t.SetFixedRows(2);  // unchanged: the current cell stays
  EXPECT_EQ(t.Current(), (TGridCoord{2, 2}));
  // Lowering the row count below the fixed rows lowers them first.
  t.SetRowCount(1);
  EXPECT_EQ(t.FixedRows(), 0);
  EXPECT_EQ(t.Row(), 0);
}

TEST(CellTable, ExtentChangesClampTheCurrentCellAndCollapseTheSelection) {
  TCellTable t;
  t.SetColCount(5);
  t.SetRowCount(10);
  t.MoveCurrent({1, 1});
  t.MoveCurrent({4, 9}, true);
  EXPECT_EQ(t.Selection(), (TGridRect{1, 1, 4, 9}));
  t.SetRowCount(5);
  EXPECT_EQ(t.Current(), (TGridCoord{4, 4}));
  EXPECT_EQ(t.Selection(), (TGridRect{4, 4, 4, 4}));
  t.SetColCount(2);
  EXPECT_EQ(t.Current(), (TGridCoord{1, 4}));
}

TEST(CellTable, SizesFollowTheExtentAndTheirRows) {
  TCellTable t;
  t.SetColCount(3);
  t.SetColWidths(2, 86);
  t.SetColCount(2);
  t.SetColCount(3);
  EXPECT_EQ(t.ColWidths(2), 64);
  EXPECT_EQ(ErrorText([&] { t.ColWidths(3); }), "Grid index out of range");
  t.SetRowCount(4);
  t.SetRowHeights(2, 40);
  t.InsertRows(1, 1);
  EXPECT_EQ(t.RowHeights(3), 40);
  EXPECT_EQ(t.RowHeights(1), 22);
  t.DropRows(1, 1);
  EXPECT_EQ(t.RowHeights(2), 40);
}

TEST(CellTable, InsertRowsMovesVisibleColumnsOnly) {
  TCellTable t;
  t.SetColCount(1);
  t.SetRowCount(4);
  Column(t, 0, {u"A", u"B", u"C", u"D"});
  t.SetCells(1, 2, u"hidden");
  t.MoveCurrent({0, 2});
  TGridRect changed{};
  t.OnCellsChanged = [&](TCellTable&, const TGridRect& r) { changed = r; };
  t.InsertRows(2, 1);
  EXPECT_EQ(t.RowCount(), 5);
  for (int r = 0; r < 5; ++r)
    EXPECT_EQ(t.Cells(0, r), std::u16string(u"AB.CD").substr(r, 1) == u"."
                                 ? u""
                                 : std::u16string(u"AB.CD").substr(r, 1));
  EXPECT_EQ(t.Cells(1, 2), u"hidden");  // beyond ColCount: stays
  EXPECT_EQ(t.Row(), 2);
  EXPECT_EQ(changed, (TGridRect{0, 2, 0, 3}));
}

TEST(CellTable, AppendEmptyRowHidesOldText) {
  TCellTable t;
  Column(t, 0, {u"A", u"B", u"C"});
  t.DropRows(1, 1);
  EXPECT_EQ(t.RowCount(), 2);
  t.SetRowCount(3);
  EXPECT_EQ(t.Cells(0, 2), u"B");  // the parked row shows again
  t.SetRowCount(2);
  t.AppendEmptyRow();
  EXPECT_EQ(t.Cells(0, 2), u"");
}

TEST(CellTable, DropRowsRestoresTheCurrentRow) {
  TCellTable t;
  t.SetRowCount(5);
  Column(t, 0, {u"0", u"1", u"2", u"3", u"4"});
  t.MoveCurrent({0, 3});
  t.DropRows(3, 1);
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_EQ(t.Row(), 3);
  EXPECT_EQ(t.Cells(0, 3), u"4");
  t.DropRows(3, 1);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Row(), 2);
  t.DropRows(7, 1);  // beyond the extent: nothing
  EXPECT_EQ(t.RowCount(), 3);
}

TEST(CellTable, DropRowsParksRemovedRowsAndRestoresTheView) {
  TCellTable t;
  t.SetRowCount(6);
  Column(t, 0, {u"A", u"B", u"C", u"D", u"E", u"F"});
  t.SetTopRow(2);
  t.MoveCurrent({0, 2});
  TGridRect changed{};
  t.OnCellsChanged = [&](TCellTable&, const TGridRect& r) { changed = r; };
  t.DropRows(1, 2);
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_EQ(RowText(t, 0, 1) + RowText(t, 1, 1) + RowText(t, 2, 1) + RowText(t, 3, 1), u"ADEF");
  // Removed one by one, each to the end: they lie past the extent reversed.
  EXPECT_EQ(t.Cells(0, 4), u"C");
  EXPECT_EQ(t.Cells(0, 5), u"B");
  EXPECT_EQ(t.Row(), 2);
  EXPECT_EQ(t.TopRow(), 2);
  EXPECT_EQ(changed, (TGridRect{0, 1, 0, 3}));
  // Dropping more rows than there are below stops at the last row.
  t.DropRows(2, 100);
  EXPECT_EQ(t.RowCount(), 2);
  EXPECT_EQ(t.Row(), 1);
  EXPECT_EQ(t.Cells(0, 1), u"D");
}

TEST(CellTable, DeleteKeySequence) {
  TCellTable t;
  t.SetColCount(2);
  t.SetRowCount(3);
  t.SetFixedRows(2);
  Row(t, 2, {u"x", u"y"});
  std::vector<int32_t> deleted;
  t.OnCanDeleteRow = [](TCellTable& sender, int32_t row, bool& can) {
    sender.ClearRows(row, 1);  // the editor window's handler
    (void)can;
  };
  t.OnAutoDeleteRow = [&](TCellTable&, int32_t row) { deleted.push_back(row); };
  EXPECT_TRUE(t.DeleteRowByKey(2));  // the only data row: emptied, kept
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(RowText(t, 2, 2), u"..");

  TCellTable u;
  u.SetRowCount(5);
  Column(u, 0, {u"a", u"b", u"c", u"d", u"e"});
  u.MoveCurrent({0, 3});
  EXPECT_TRUE(u.DeleteRowByKey(3));
  EXPECT_EQ(u.RowCount(), 4);
  EXPECT_EQ(u.Row(), 3);
  EXPECT_EQ(u.Cells(0, 3), u"e");
  u.MoveCurrent({0, 3});
  EXPECT_TRUE(u.DeleteRowByKey(3));
  EXPECT_EQ(u.RowCount(), 3);
  EXPECT_EQ(u.Row(), 2);

  u.OnCanDeleteRow = [](TCellTable&, int32_t, bool& can) { can = false; };
  EXPECT_FALSE(u.DeleteRowByKey(1));
  EXPECT_EQ(u.RowCount(), 3);
}

TEST(CellTable, RelocateColumnBothWays) {
  TCellTable t;
  t.SetColCount(4);
  Row(t, 0, {u"A", u"B", u"C", u"D"});
  Row(t, 1, {u"A", u"B", u"C", u"D"});
  t.SetColWidths(0, 100);
  t.RelocateColumn(0, 2);
  EXPECT_EQ(RowText(t, 0, 4), u"BCAD");
  EXPECT_EQ(t.ColWidths(2), 100);
  EXPECT_EQ(t.ColWidths(0), 64);
  t.RelocateColumn(2, 0);
  EXPECT_EQ(RowText(t, 0, 4), u"ABCD");
  t.RelocateColumn(2, 0);
  EXPECT_EQ(RowText(t, 1, 4), u"CABD");
  t.SetCells(1, 5, u"");
  t.RelocateColumn(0, 3);
  EXPECT_EQ(RowText(t, 5, 4), u"....");
}

TEST(CellTable, ObserverHearsWritesAndMoves) {
  struct Recorder : TCellTableObserver {
    int Writes = 0, Moves = 0, Layouts = 0;
    bool Refuse = false;
    void CellWritten(int32_t, int32_t) override { ++Writes; }
    void CurrentCellMoving() override {
      ++Moves;
      if (Refuse) throw Error("refused");
    }
    void LayoutChanged() override { ++Layouts; }
  } rec;
  TCellTable t;
  t.SetColCount(3);
  t.SetObserver(&rec);
  t.SetCells(0, 0, u"x");
  t.MoveCurrent({2, 2});
  EXPECT_EQ(rec.Writes, 1);
  EXPECT_EQ(rec.Moves, 1);
  // Lowering the extent under the current cell moves it, so an open editor
  // commits first.
  t.SetRowCount(2);
  EXPECT_EQ(rec.Moves, 2);
  EXPECT_EQ(t.Current(), (TGridCoord{2, 1}));
  // An editor that refuses to commit keeps the extent as it was.
  rec.Refuse = true;
  EXPECT_THROW(t.SetColCount(1), Error);
  EXPECT_EQ(t.ColCount(), 3);
  EXPECT_EQ(t.Current(), (TGridCoord{2, 1}));
  t.SetObserver(nullptr);
}

}  // namespace
}  // namespace tessary

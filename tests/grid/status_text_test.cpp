// The status line's texts and the gutter's row labels.
#include "grid/status_text.h"

#include <gtest/gtest.h>

#include "grid/grid_geometry.h"

namespace tessary {
namespace {

TEST(StatusText, CellSizeAndSelection) {
  TCellTable t;
  t.SetColCount(3);
  t.SetRowCount(1002);
  t.SetCells(1, 0, u"Label");
  t.SetCells(1, 1, u"string");
  t.MoveCurrent({1, 13});
  EXPECT_EQ(CurrentCellText(t), u"Row 12, column Label (string)");
  EXPECT_EQ(RowLabel(13), u"12");
  t.MoveCurrent({2, 0});
  EXPECT_EQ(CurrentCellText(t), u"Names row, column 3");
  EXPECT_EQ(TableSizeText(t), u"1,000 rows x 3 columns");
  EXPECT_EQ(SelectionText(t), u"");
  t.SetSelection({0, 2}, {2, 1001});
  EXPECT_EQ(SelectionText(t), u"3,000 cells selected");
  t.SetRowCount(3);
  t.SetColCount(1);
  EXPECT_EQ(TableSizeText(t), u"1 row x 1 column");
}

}  // namespace
}  // namespace tessary

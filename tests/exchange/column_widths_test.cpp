// The widths a table opens with, in the window and on the command line.
#include "exchange/column_widths.h"

#include <gtest/gtest.h>

#include <string>

namespace tessary {
namespace {

TEST(ColumnWidths, FollowNamesTypesAndTheFirstDataRowsWithinLimits) {
  TCellTable t;
  t.SetColCount(4);
  t.SetRowCount(2 + kFitDataRows + 1);
  t.SetCells(0, 0, u"ID");
  t.SetCells(0, 1, u"int");
  t.SetCells(1, 0, u"MODELVARIATION");  // a name wider than the default
  t.SetCells(2, 5, std::u16string(200, u'x'));
  t.SetCells(3, 2 + kFitDataRows, std::u16string(40, u'x'));  // past the rows looked at
  t.SetCells(3, 3, u"short\r\nthe second line is the widest");
  FitColumnWidths(t);
  EXPECT_EQ(t.ColWidths(0), kFitMinWidth);
  EXPECT_EQ(t.ColWidths(1), EstimatedTextWidth(u"MODELVARIATION", true) + 7);
  EXPECT_GT(t.ColWidths(1), 110);  // a bold capital is about 8 pixels
  EXPECT_EQ(t.ColWidths(2), kFitMaxWidth);
  EXPECT_EQ(t.ColWidths(3), EstimatedTextWidth(u"the second line is the widest", false) + 7);
}

}  // namespace
}  // namespace tessary

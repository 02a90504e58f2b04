// Save's conversion of numeric cell texts, and the cells it would store as 0.
#include "gff/g2da_values.h"

#include <gtest/gtest.h>

#include "grid/cell_table.h"

namespace tessary {
namespace {

TEST(G2daValues, ConversionAsSaveWritesIt) {
  EXPECT_EQ(ColumnStorage(u"INT").TypeId, 5);
  EXPECT_EQ(ColumnStorage(u" int").TypeByte, 0);  // a string column
  EXPECT_EQ(ColumnStorage(u"bool").Size, 1);
  EXPECT_EQ(ConvertNumericValue(5, u"$FF").Bits, 255u);
  EXPECT_FALSE(ConvertNumericValue(5, u"12.0").Converted);
  EXPECT_EQ(ConvertNumericValue(8, u"1.5").Bits, 0x3FC00000u);
  EXPECT_FALSE(ConvertNumericValue(8, u"1e39").Converted);  // no finite 32-bit float
  EXPECT_EQ(ConvertNumericValue(0, u"2").Bits, 1u);
  EXPECT_FALSE(ConvertNumericValue(0, u"yes").Converted);
  EXPECT_FALSE(CannotBeStored(5, u""));
  EXPECT_FALSE(CannotBeStored(14, u"text"));
  EXPECT_TRUE(CannotBeStored(8, u"1,5"));
}

TEST(G2daValues, FindsTheFirstUnstorableCellInRowOrder) {
  TCellTable t;
  t.SetColCount(3);
  t.SetRowCount(5);
  t.SetCells(0, 1, u"int");
  t.SetCells(1, 1, u"string");
  t.SetCells(2, 1, u"bool");
  t.SetCells(0, 0, u"abc");  // names are not values
  t.SetCells(0, 4, u"x");
  t.SetCells(1, 2, u"x");
  t.SetCells(2, 3, u"yes");
  t.SetCells(2, 2, u"1");
  t.SetCells(0, 9, u"x");  // outside the extent
  const TUnstorableCells found = FindUnstorableCells(t);
  EXPECT_EQ(found.Count, 2u);
  EXPECT_EQ(found.FirstCol, 2);
  EXPECT_EQ(found.FirstRow, 3);
}

}  // namespace
}  // namespace tessary

// The cells Save would store as 0 although they hold another text.
#include "gff/g2da_values.h"

#include <gtest/gtest.h>

#include "table/cell_table.h"
#include "text/stored_value.h"

namespace tessary {
namespace {

TEST(G2daValues, TextsSaveCannotStoreAndTheFirstOfThem) {
  EXPECT_TRUE(CannotBeStored(TColumnType::ctInt, u"12.0"));
  EXPECT_TRUE(CannotBeStored(TColumnType::ctFloat, u"1e39"));  // no finite 32-bit float
  EXPECT_FALSE(
      CannotBeStored(TColumnType::ctFloat, u"-INF"));  // what FormatReal writes for a value
  EXPECT_TRUE(CannotBeStored(TColumnType::ctBool, u"yes"));
  EXPECT_TRUE(CannotBeStored(TColumnType::ctBool, u"2"));  // saved as 1
  EXPECT_FALSE(CannotBeStored(TColumnType::ctBool, u"$1"));
  EXPECT_FALSE(CannotBeStored(TColumnType::ctInt, u""));
  EXPECT_FALSE(CannotBeStored(TColumnType::ctString, u"text"));

  // IDs compare by the value saving stores.
  const auto id = [](TColumnType type, std::u16string_view text) {
    return StoredIdKey(type, text);
  };
  EXPECT_EQ(id(TColumnType::ctInt, u"1"), id(TColumnType::ctInt, u"01"));
  EXPECT_EQ(id(TColumnType::ctInt, u"1"), id(TColumnType::ctInt, u"$1"));
  EXPECT_NE(id(TColumnType::ctString, u"1"), id(TColumnType::ctString, u"01"));
  EXPECT_FALSE(id(TColumnType::ctInt, u"abc"));
  EXPECT_FALSE(id(TColumnType::ctInt, u""));
  EXPECT_TRUE(IsIdColumnName(u"Id"));

  TCellTable t;
  t.SetColCount(3);
  t.SetRowCount(5);
  t.SetCells(0, 1, u"INT");
  t.SetCells(2, 1, u"bool");
  t.SetCells(0, 0, u"abc");  // names are not values
  t.SetCells(0, 4, u"x");
  t.SetCells(1, 2, u"x");  // a string column
  t.SetCells(2, 3, u"yes");
  t.SetCells(0, 9, u"x");  // outside the extent
  const TUnstorableCells found = FindUnstorableCells(t);
  EXPECT_EQ(found.Count, 2u);
  EXPECT_EQ(found.FirstCol, 2);
  EXPECT_EQ(found.FirstRow, 3);
}

}  // namespace
}  // namespace tessary

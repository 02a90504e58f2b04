#include "text/column_type.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(ColumnType, FiveNamesInAnyLetterCase) {
  EXPECT_EQ(ColumnTypeOf(u"int"), TColumnType::Int);
  EXPECT_EQ(ColumnTypeOf(u"FLOAT"), TColumnType::Float);
  EXPECT_EQ(ColumnTypeOf(u"Bool"), TColumnType::Bool);
  EXPECT_EQ(ColumnTypeOf(u"sTrInG"), TColumnType::String);
  EXPECT_EQ(ColumnTypeOf(u"Resource"), TColumnType::Resource);
  for (const char16_t* other :
       {u"", u" int", u"int ", u"integer", u"*ERROR: UNKNOWN TYPE*", u"\u0130NT"}) {
    EXPECT_FALSE(ColumnTypeOf(other));
  }
}

TEST(ColumnType, BoolTextsAsSavingStoresThem) {
  EXPECT_EQ(ParseBool(u"1"), true);
  EXPECT_EQ(ParseBool(u"2"), true);
  EXPECT_EQ(ParseBool(u"-1"), true);
  EXPECT_EQ(ParseBool(u"$0"), false);
  EXPECT_EQ(ParseBool(u"0"), false);
  EXPECT_FALSE(ParseBool(u"true"));
  EXPECT_FALSE(ParseBool(u""));
}

}  // namespace
}  // namespace tessary

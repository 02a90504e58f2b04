// The check before saving: each kind once, with the sentence it shows.
#include "gff/table_check.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(TableCheck, EachKindWithItsFirstCaseAndCount) {
  TCellTable t;
  t.SetColCount(6);
  t.SetRowCount(9);
  const char16_t* names[] = {u"id", u"Label", u"", u"LABEL", u"Cost", u""};
  const char16_t* types[] = {u"int", u"string", u"string", u"integer", u"int", u""};
  for (int32_t c = 0; c < 6; ++c) {
    t.SetCells(c, 0, names[c]);
    t.SetCells(c, 1, types[c]);
  }
  // IDs: 1, $1 (the same value), 2, empty, x, 2, and an empty last row.
  const char16_t* ids[] = {u"1", u"$1", u"2", u"", u"x", u"2"};
  for (int32_t r = 2; r < 8; ++r) t.SetCells(0, r, ids[r - 2]);
  t.SetCells(4, 3, u"12.0");  // stored as 0
  t.SetCells(2, 4, u"data without a name");

  const std::vector<TCheckFinding> findings = CheckBeforeSave(t);
  std::vector<std::u16string> texts;
  for (const TCheckFinding& f : findings) texts.push_back(CheckFindingText(t, f));
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[0],
            u"2 cells cannot be stored as their column type and will be saved as other values "
            u"(first: row 2, "
            u"column Cost).");  // 12.0, and x in the ID column
  EXPECT_EQ(texts[1],
            u"Column LABEL has the type 'integer', which is not a column type, and would be saved "
            u"as string. 1 more column has no column type.");
  EXPECT_EQ(texts[2], u"Column 3 holds data but has no name.");  // column 6 holds nothing
  EXPECT_EQ(texts[3],
            u"Columns 2 and 4 have names saved as the same hash, Label and LABEL; only one of "
            u"them can be looked up.");
  EXPECT_EQ(texts[4],
            u"Row 4 has no ID and would be saved with the ID 0. 2 more rows have no usable ID.");
  EXPECT_EQ(texts[5],
            u"Rows 1 and 2 have IDs saved as the same value, 1 and $1. 1 more row repeats an "
            u"earlier ID.");
  EXPECT_EQ(findings[5].First.Row, 3);
  EXPECT_EQ(findings[5].First.Earlier, 2);

  // A clean table has no finding; without an ID column IDs are not checked.
  t.SetCells(0, 0, u"Index");
  t.SetCells(3, 0, u"Price");
  t.SetCells(3, 1, u"float");
  t.SetCells(5, 1, u"bool");
  t.SetCells(2, 0, u"Note");
  t.SetCells(5, 0, u"Flag");
  t.SetCells(4, 3, u"12");
  t.SetCells(0, 6, u"3");
  EXPECT_TRUE(CheckBeforeSave(t).empty());
}

}  // namespace
}  // namespace tessary

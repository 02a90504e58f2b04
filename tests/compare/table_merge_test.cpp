#include "compare/table_merge.h"

#include <gtest/gtest.h>

#include "compare/table_text.h"
#include "text/number_text.h"

namespace tessary {
namespace {

using testing::MakeTable;
using testing::TableText;

struct TMerged {
  TResult Result;
  std::u16string Text;
  std::vector<TMergeConflict> Conflicts;
};

TMerged Merge(const char16_t* base, const char16_t* ours, const char16_t* theirs) {
  auto b = MakeTable(base);
  auto o = MakeTable(ours);
  auto t = MakeTable(theirs);
  TMergeReport report;
  TResult result = MergeTables(*b, *o, *t, report);
  return {result, TableText(*o), report.Conflicts};
}

using K = TConflictKind;
using std::nullopt;

TEST(TableMerge, TakesOneSidedAndEqualChangesAndKeepsOursOnConflict) {
  const TMerged m = Merge(u"ID\tA\tB\tC\nint\tint\tint\tint\n1\t1\t1\t1\n",
                          u"ID\tA\tB\tC\nint\tint\tint\tint\n1\t2\t1\t3\n",    // A and C changed
                          u"ID\tA\tB\tC\nint\tint\tint\tint\n01\t2\t4\t5\n");  // A, B and C changed
  ASSERT_TRUE(m.Result.Ok);
  EXPECT_EQ(m.Text, u"ID\tA\tB\tC\nint\tint\tint\tint\n01\t2\t4\t3\n");
  ASSERT_EQ(m.Conflicts.size(), 1u);
  EXPECT_EQ(m.Conflicts[0], (TMergeConflict{K::Cell, u"ID 1", u"C", u"1", u"3", u"5"}));
}

// Rows removed on one side go unless the other changed them; new rows of
// theirs follow the row they follow there (the first when none); rows
// added on both sides are one row when equal and a conflict when not.
TEST(TableMerge, MergesRows) {
  const TMerged m = Merge(u"ID\tL\nint\tstring\n1\ta\n2\tb\n3\tc\n4\td\n5\te\n",
                          u"ID\tL\nint\tstring\n1\ta\n3\tc\n4\tD\n5\te\n8\th\n9\ti\n",
                          u"ID\tL\nint\tstring\n7\tg\n1\ta\n2\tb\n6\tf\n3\tC\n5\te\n8\th\n9\tI\n");
  ASSERT_TRUE(m.Result.Ok);
  // 2 removed by ours, 4 removed by theirs but changed by ours.
  EXPECT_EQ(m.Text, u"ID\tL\nint\tstring\n7\tg\n1\ta\n6\tf\n3\tC\n4\tD\n5\te\n8\th\n9\ti\n");
  ASSERT_EQ(m.Conflicts.size(), 2u);
  EXPECT_EQ(m.Conflicts[0],
            (TMergeConflict{K::RowChangedRemoved, u"ID 4", u"L", u"d", u"D", nullopt}));
  EXPECT_EQ(m.Conflicts[1], (TMergeConflict{K::RowAddedTwice, u"ID 9", u"L", nullopt, u"i", u"I"}));

  // A row ours removed and theirs changed stays removed.
  const TMerged removed = Merge(u"ID\tL\nint\tstring\n1\ta\n2\tb\n", u"ID\tL\nint\tstring\n1\ta\n",
                                u"ID\tL\nint\tstring\n1\ta\n2\tB\n");
  EXPECT_EQ(removed.Text, u"ID\tL\nint\tstring\n1\ta\n");
  ASSERT_EQ(removed.Conflicts.size(), 1u);
  EXPECT_EQ(removed.Conflicts[0],
            (TMergeConflict{K::RowChangedRemoved, u"ID 2", u"L", u"b", nullopt, u"B"}));
}

// Columns removed on one side go unless the other changed them; theirs'
// new columns are appended; a type changed on one side is taken.
TEST(TableMerge, MergesColumns) {
  const TMerged m = Merge(
      u"ID\tA\tB\tC\tD\tE\nint\tint\tint\tint\tint\tint\n1\t1\t1\t1\t1\t1\n2\t2\t2\t2\t2\t2\n",
      u"ID\tE\tD\tB\tC\tN\nint\tint\tint\tfloat\tint\tint\n1\t1\t1\t1\t5\t1\n2\t2\t2\t2\t2\t2\n"
      u"3\t3\t3\t3\t3\t3\n",
      u"ID\tA\tC\tD\tT\nint\tint\tint\tstring\tint\n1\t1\t1\t1\t7\n2\t2\t2\t2\t8\n");
  ASSERT_TRUE(m.Result.Ok);
  // A (removed by ours) and E (by theirs) go; B (removed by theirs, retyped by ours)
  // conflicts and stays; C (removed by neither) merges; D takes theirs'
  // type; T is appended, empty in the row only ours has.
  EXPECT_EQ(m.Text,
            u"ID\tD\tB\tC\tN\tT\nint\tstring\tfloat\tint\tint\tint\n1\t1\t1\t5\t1\t7\n"
            u"2\t2\t2\t2\t2\t8\n3\t3\t3\t3\t3\t\n");
  ASSERT_EQ(m.Conflicts.size(), 1u);
  EXPECT_EQ(m.Conflicts[0],
            (TMergeConflict{K::ColumnChangedRemoved, u"", u"B", u"int", u"float", nullopt}));

  const TMerged changed = Merge(u"ID\tA\tB\nint\tint\tint\n1\t1\t1\n", u"ID\tB\nint\tint\n1\t1\n",
                                u"ID\tA\tB\nint\tint\tbool\n1\t2\t1\n");
  EXPECT_EQ(changed.Text, u"ID\tB\nint\tbool\n1\t1\n");
  ASSERT_EQ(changed.Conflicts.size(), 1u);
  EXPECT_EQ(changed.Conflicts[0],
            (TMergeConflict{K::ColumnChangedRemoved, u"ID 1", u"A", u"1", nullopt, u"2"}));

  const TMerged retyped = Merge(u"ID\tA\nint\tint\n1\t1\n", u"ID\tA\nint\tfloat\n1\t1\n",
                                u"ID\tA\nint\tstring\n1\t1\n");
  EXPECT_EQ(retyped.Text, u"ID\tA\nint\tfloat\n1\t1\n");
  ASSERT_EQ(retyped.Conflicts.size(), 1u);
  EXPECT_EQ(retyped.Conflicts[0],
            (TMergeConflict{K::ColumnRetyped, u"", u"A", u"int", u"float", u"string"}));
}

TEST(TableMerge, WithoutUniqueIdsMatchesByPositionOnlyAtEqualRowCounts) {
  const TMerged m = Merge(u"L\tM\nstring\tint\na\t1\nb\t2\n", u"L\tM\nstring\tint\nA\t1\nb\t2\n",
                          u"L\tM\nstring\tint\na\t1\nb\t3\n");
  ASSERT_TRUE(m.Result.Ok);
  EXPECT_EQ(m.Text, u"L\tM\nstring\tint\nA\t1\nb\t3\n");

  auto base = MakeTable(u"ID\tL\nint\tstring\n1\ta\n1\tb\n");
  auto ours = MakeTable(u"ID\tL\nint\tstring\n1\tA\n");
  auto theirs = MakeTable(u"ID\tL\nint\tstring\n1\ta\n1\tb\n");
  const std::u16string before = TableText(*ours);
  TMergeReport report;
  const TResult result = MergeTables(*base, *ours, *theirs, report);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Message,
            "Rows cannot be matched: ID 1 appears twice in BASE (data rows 1 and 2), and by "
            "position they would need equal numbers of data rows (BASE 2, OURS 1, THEIRS 2).");
  EXPECT_EQ(TableText(*ours), before);
}

// Many scattered removals and insertions are put in place by copying rows
// instead of the cell table's row operations; the result is the same.
TEST(TableMerge, ManyScatteredRowChanges) {
  std::u16string base = u"ID\tL\nint\tstring\n";
  std::u16string theirs = base;
  std::u16string expected = base;
  for (int id = 1; id <= 300; ++id) {
    const std::u16string row = FormatInteger(id) + u"\tx" + FormatInteger(id) + u"\n";
    base += row;
    if (id % 2 == 0) continue;  // theirs removes the even IDs
    theirs += row;
    expected += row;
    if (id % 3 == 0) {
      const std::u16string added = FormatInteger(1000 + id) + u"\tnew\n";
      theirs += added;
      expected += added;
    }
  }
  const TMerged m = Merge(base.c_str(), base.c_str(), theirs.c_str());
  ASSERT_TRUE(m.Result.Ok);
  EXPECT_TRUE(m.Conflicts.empty());
  EXPECT_EQ(m.Text, expected);
}

}  // namespace
}  // namespace tessary

#include "compare/table_compare.h"

#include <gtest/gtest.h>

#include <array>

#include "compare/table_text.h"

namespace tessary {
namespace {

using testing::MakeTable;

std::vector<TGridCoord> Cells(std::initializer_list<TGridCoord> cells) { return cells; }

// Rows by ID compared as saving stores them, in any order; columns by name
// in any order; every kind of change found once.
TEST(TableComparison, MatchesRowsByIdAndColumnsByName) {
  auto a = MakeTable(
      u"ID\tLabel\tCost\tOld\n"
      u"int\tstring\tint\tint\n"
      u"1\tsword\t5\tx\n"
      u"2\tbow\t7\tx\n"
      u"3\tring\t9\tx\n");
  auto b = MakeTable(
      u"id\tCost\tLabel\tNew\n"
      u"int\tfloat\tstring\tint\n"
      u"$3\t9\tRING\t0\n"
      u"4\t1\tamulet\t0\n"
      u"01\t5\tsword\t0\n");
  const TTableComparison cmp(*a, *b);
  EXPECT_TRUE(cmp.RowsById());
  EXPECT_EQ(cmp.OtherRow(2), 4);  // ID 1 is 01
  EXPECT_EQ(cmp.OtherRow(3), -1);
  EXPECT_EQ(cmp.RemovedColumns(), std::vector<int32_t>{3});
  EXPECT_EQ(cmp.AddedColumns(), std::vector<int32_t>{3});
  EXPECT_EQ(cmp.RetypedColumns(), std::vector<int32_t>{2});
  EXPECT_EQ(cmp.RemovedRows(), std::vector<int32_t>{3});
  ASSERT_EQ(cmp.AddedRows().size(), 1u);
  EXPECT_EQ(cmp.AddedRows()[0].OtherRow, 3);
  EXPECT_EQ(cmp.AddedRows()[0].After, 4);  // it follows ID 3 in b
  // The ID texts differ as texts; the label of ID 3 changed.
  EXPECT_EQ(cmp.ChangedCells(), Cells({{0, 2}, {0, 4}, {1, 4}}));
  EXPECT_EQ(cmp.OtherText(1, 4), u"RING");
  EXPECT_EQ(cmp.OtherText(2, 1), u"float");
  EXPECT_FALSE(cmp.OtherText(1, 3));
  EXPECT_FALSE(cmp.Equal());
}

TEST(TableComparison, MatchesRowsByPositionAndSaysWhy) {
  struct TCase {
    const char16_t* A;
    const char16_t* B;
    TPositionCauseKind Kind;
    int Table;
    std::string Text;
  };
  // Each case: data row 2 differs in its label, and b has a third row.
  const std::array cases = {
      TCase{u"Key\tLabel\nint\tstring\n1\ta\n2\tb\n",
            u"Key\tLabel\nint\tstring\n1\ta\n2\tc\n3\td\n", TPositionCauseKind::NoIdColumn, 0,
            "the first column of A is not named ID"},
      TCase{u"ID\tLabel\nint\tstring\n1\ta\n2\tb\n", u"ID\tLabel\nint\tstring\n1\ta\n2\tc\n$2\td\n",
            TPositionCauseKind::DuplicateId, 1, "ID $2 appears twice in B (data rows 2 and 3)"},
      TCase{u"ID\tLabel\nint\tstring\n1\ta\nx\tb\n", u"ID\tLabel\nint\tstring\n1\ta\nx\tc\n3\td\n",
            TPositionCauseKind::UnusableId, 0,
            "data row 2 of A has the ID \"x\", which is not a number"},
  };
  for (const TCase& c : cases) {
    auto a = MakeTable(c.A);
    auto b = MakeTable(c.B);
    const TTableComparison cmp(*a, *b);
    EXPECT_FALSE(cmp.RowsById());
    ASSERT_TRUE(cmp.PositionCause());
    EXPECT_EQ(cmp.PositionCause()->Kind, c.Kind);
    const std::array<std::string, 2> names = {"A", "B"};
    EXPECT_EQ(PositionCauseText(*cmp.PositionCause(), names), c.Text);
    EXPECT_EQ(cmp.ChangedCells(), Cells({{1, 3}})) << c.Text;
    ASSERT_EQ(cmp.AddedRows().size(), 1u);
    EXPECT_EQ(cmp.AddedRows()[0].OtherRow, 4);
  }
}

TEST(TableComparison, TablesWithoutACommonColumnDifferWhole) {
  auto a = MakeTable(u"A\nint\n1\n2\n");
  auto b = MakeTable(u"B\nint\n1\n2\n");
  const TTableComparison cmp(*a, *b);
  EXPECT_EQ(cmp.RemovedRows(), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(cmp.AddedRows().size(), 2u);
  EXPECT_EQ(cmp.RemovedColumns().size(), 1u);
  EXPECT_EQ(cmp.AddedColumns().size(), 1u);
  EXPECT_TRUE(cmp.ChangedCells().empty());
}

// Edits are followed: a cell edited to equal the other is no longer
// changed, an ID edit matches the rows anew.
TEST(TableComparison, RecheckFollowsEdits) {
  auto a = MakeTable(u"ID\tLabel\nint\tstring\n1\ta\n2\tb\n");
  auto b = MakeTable(u"ID\tLabel\nint\tstring\n1\tx\n2\tb\n3\tc\n");
  TTableComparison cmp(*a, *b);
  EXPECT_EQ(cmp.ChangedCells(), Cells({{1, 2}}));
  a->SetCells(1, 2, u"x");
  a->SetCells(1, 3, u"y");
  cmp.Recheck(TGridRect{1, 2, 1, 3});
  EXPECT_EQ(cmp.ChangedCells(), Cells({{1, 3}}));
  EXPECT_TRUE(cmp.Differs(1, 3));
  a->SetCells(0, 3, u"3");
  cmp.Recheck(TGridRect{0, 3, 0, 3});
  EXPECT_EQ(cmp.OtherRow(3), 4);
  EXPECT_EQ(cmp.RemovedRows().size(), 0u);
  EXPECT_EQ(cmp.AddedRows().size(), 1u);
  EXPECT_EQ(cmp.ChangedCells(), Cells({{1, 3}}));
}

}  // namespace
}  // namespace tessary

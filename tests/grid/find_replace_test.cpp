#include "grid/find_replace.h"

#include <gtest/gtest.h>

#include "grid/row_lookup.h"
#include "support/table_rows.h"

namespace tessary {
namespace {

// Names and types in rows 0-1, then data rows, in Editor mode (2 fixed rows).
void FillEditor(TCellTable& t, testing::TRows rows) {
  testing::FillRows(t, rows);
  t.SetFixedRows(2);
}

TFindOptions Opts(const char16_t* text, bool matchCase = false, bool wholeCell = false) {
  return {text, matchCase, wholeCell};
}

TEST(Find, GoesOnAfterTheCurrentCellAndWraps) {
  TCellTable t;
  FillEditor(t, {{u"ID", u"Label"}, {u"int", u"string"}, {u"1", u"sword"}, {u"2", u"Sword of id"}});
  // After (1,2) the next match is on the next row; from there it wraps to
  // the first one, which is also found again when it is the only match.
  EXPECT_EQ(FindNext(t, Opts(u"sword"), {1, 2}), (TFindResult{{1, 3}, false}));
  EXPECT_EQ(FindNext(t, Opts(u"sword"), {1, 3}), (TFindResult{{1, 2}, true}));
  EXPECT_EQ(FindNext(t, Opts(u"2"), {0, 3}), (TFindResult{{0, 3}, true}));
  EXPECT_EQ(FindNext(t, Opts(u"axe"), {0, 2}), std::nullopt);
  EXPECT_EQ(FindNext(t, Opts(u""), {0, 2}), std::nullopt);
  // Editor mode skips the names row; Designer mode (no fixed rows) reaches it.
  EXPECT_EQ(FindNext(t, Opts(u"id", false, true), {0, 2}), std::nullopt);
  t.SetFixedRows(0);
  EXPECT_EQ(FindNext(t, Opts(u"id", false, true), {1, 3}), (TFindResult{{0, 0}, true}));
}

TEST(Find, CaseAndWholeCell) {
  TCellTable t;
  FillEditor(t, {{u"a"}, {u"string"}, {u"ÉPÉE"}, {u"Ѐпоха"}, {u"\U00010400x"}, {u"épée longue"}});
  EXPECT_EQ(FindNext(t, Opts(u"épée"), {0, 5})->Cell, (TGridCoord{0, 2}));
  EXPECT_EQ(FindNext(t, Opts(u"épée", true), {0, 5})->Cell, (TGridCoord{0, 5}));
  EXPECT_EQ(FindNext(t, Opts(u"épée", false, true), {0, 2})->Cell, (TGridCoord{0, 2}));
  EXPECT_EQ(FindNext(t, Opts(u"ѐПОХА"), {0, 2})->Cell, (TGridCoord{0, 3}));
  // Letters outside the BMP fold too (Deseret capital and small long I).
  EXPECT_EQ(FindNext(t, Opts(u"\U00010428X"), {0, 2})->Cell, (TGridCoord{0, 4}));
}

TEST(Replace, InTheCellAndAllAsOneUndoableList) {
  TCellTable t;
  FillEditor(t, {{u"Name", u"Note"},
                 {u"string", u"string"},
                 {u"Axe", u"axe and AXE"},
                 {u"sword", u"Axe"},
                 {u"axe", u""}});
  const TFindOptions axe = Opts(u"axe");
  EXPECT_EQ(ReplaceInCell(t, axe, u"Mace", {1, 2}),
            (TCellEdit{1, 2, u"axe and AXE", u"Mace and Mace"}));
  EXPECT_EQ(ReplaceInCell(t, axe, u"Mace", {0, 3}), std::nullopt);
  // A replacement that changes nothing is no edit.
  EXPECT_EQ(ReplaceInCell(t, Opts(u"Axe", true), u"Axe", {0, 2}), std::nullopt);

  const std::vector<TCellEdit> whole = ReplaceAll(t, Opts(u"axe", true, true), u"Mace");
  EXPECT_EQ(whole, (std::vector<TCellEdit>{{0, 4, u"axe", u"Mace"}}));

  const std::vector<TCellEdit> edits = ReplaceAll(t, axe, u"Mace");
  ASSERT_EQ(edits.size(), 4u);
  ApplyCellEdits(t, edits);
  EXPECT_EQ(t.Cells(1, 2), u"Mace and Mace");
  EXPECT_EQ(t.Cells(1, 3), u"Mace");
  EXPECT_EQ(FindNext(t, axe, {0, 2}), std::nullopt);
  RevertCellEdits(t, edits);
  EXPECT_EQ(t.Cells(0, 2), u"Axe");
  EXPECT_EQ(t.Cells(1, 2), u"axe and AXE");
  EXPECT_EQ(t.Cells(0, 4), u"axe");
}

TEST(Find, InSelectionStaysInsideTheRectangleAndWrapsWithinIt) {
  TCellTable t;
  testing::FillRows(t, {{u"A", u"B", u"C"},
                        {u"string", u"string", u"string"},
                        {u"axe", u"axe", u"axe"},
                        {u"axe", u"axe", u"axe"},
                        {u"axe", u"axe", u"axe"}});
  const TFindScope scope{nullptr, TGridRect{1, 3, 2, 4}};
  EXPECT_EQ(FindNext(t, Opts(u"axe"), {2, 3}, scope), (TFindResult{{1, 4}, false}));
  EXPECT_EQ(FindNext(t, Opts(u"axe"), {2, 4}, scope), (TFindResult{{1, 3}, true}));
  EXPECT_EQ(FindNext(t, Opts(u"axe"), {0, 2}, scope), (TFindResult{{1, 3}, false}));
  EXPECT_EQ(ReplaceAll(t, Opts(u"axe"), u"Mace", scope).size(), 4u);
  EXPECT_EQ(ReplaceInCell(t, Opts(u"axe"), u"Mace", {0, 3}, scope), std::nullopt);
}

TEST(GoToRow, ByNumberAndById) {
  TCellTable t;
  FillEditor(
      t, {{u"id", u"Label"}, {u"int", u"string"}, {u"10", u"a"}, {u"0x0B", u"b"}, {u"x", u"c"}});
  EXPECT_EQ(RowOfDataNumber(t, 1), 2);
  EXPECT_EQ(RowOfDataNumber(t, 3), 4);
  EXPECT_EQ(RowOfDataNumber(t, 0), std::nullopt);
  EXPECT_EQ(RowOfDataNumber(t, 4), std::nullopt);
  EXPECT_EQ(RowOfId(t, u"10"), 2);
  EXPECT_EQ(RowOfId(t, u"11"), 3);  // compared as the stored integer
  EXPECT_EQ(RowOfId(t, u"x"), 4);
  EXPECT_EQ(RowOfId(t, u"12"), std::nullopt);
  EXPECT_EQ(RowOfId(t, u""), std::nullopt);
  t.SetCells(0, 0, u"Key");
  EXPECT_FALSE(HasIdColumn(t));
  EXPECT_EQ(RowOfId(t, u"10"), std::nullopt);
}

}  // namespace
}  // namespace tessary

// Undo and redo of every kind of change, through the grid's keys where the
// grid makes it, and the saved point.
#include "table/edit_history.h"

#include <gtest/gtest.h>

#include "controller_fakes.h"

namespace tessary {
namespace {

using testing::GridRig;
using testing::kCtrl;
using testing::kShift;

constexpr TKeyMods kCtrlShift{true, true, false};

// Rows of column 0 and 1 as "a|b" texts, for whole-table comparisons.
std::u16string Rows(const TCellTable& t) {
  std::u16string out;
  for (int32_t r = 0; r < t.RowCount(); ++r) {
    for (int32_t c = 0; c < t.ColCount(); ++c) {
      if (c > 0) out += u"|";
      out += t.Cells(c, r);
    }
    out += u"/";
  }
  return out;
}

void Fill(TCellTable& t) {
  for (int32_t r = 0; r < t.RowCount(); ++r)
    for (int32_t c = 0; c < t.ColCount(); ++c)
      t.SetCells(
          c, r,
          std::u16string(1, static_cast<char16_t>(u'a' + c)) + static_cast<char16_t>(u'0' + r));
}

TEST(EditHistory, ACommittedEditIsOneStepAndUndoingBackClearsTheMark) {
  GridRig g(2, 4);
  TEditHistory& h = g.Grid.History();
  g.Type(u"ab");
  g.Key(TGridKey::gkEscape);  // cancelled: no step
  g.Type(u"ab");
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(h.StepCount(), 1u);
  EXPECT_TRUE(h.Modified());
  g.Key(TGridKey::gkZ, kCtrl);
  EXPECT_EQ(g.Table.Cells(0, 0), u"");
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 0}));
  EXPECT_FALSE(h.Modified());
  g.Key(TGridKey::gkY, kCtrl);
  h.MarkSaved();
  g.Key(TGridKey::gkZ, kCtrl);
  g.Key(TGridKey::gkZ, kCtrlShift);  // redo
  EXPECT_EQ(g.Table.Cells(0, 0), u"ab");
  EXPECT_FALSE(h.Modified());

  // Paste in the editor writes the cell at once; with the commit it is one step.
  g.Clipboard.Value = u"xy";
  g.Key(TGridKey::gkF2);
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_FALSE(g.Key(TGridKey::gkZ, kCtrl));  // in the editor Ctrl+Z is the edit box's
  g.Key(TGridKey::gkEnter);
  EXPECT_TRUE(g.Grid.Undo());
  EXPECT_EQ(g.Table.Cells(0, 0), u"ab");
}

TEST(EditHistory, PasteAndCutAreOneStepEach) {
  GridRig g(2, 3);
  Fill(g.Table);
  const std::u16string before = Rows(g.Table);
  g.Table.MoveCurrent({1, 1});
  g.Clipboard.Value = u"p\tq\r\nr\r\ns";
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(g.Table.RowCount(), 4);
  const std::u16string pasted = Rows(g.Table);
  EXPECT_TRUE(g.Grid.Undo());
  EXPECT_EQ(Rows(g.Table), before);
  EXPECT_TRUE(g.Grid.Redo());
  EXPECT_EQ(Rows(g.Table), pasted);

  g.Table.SetSelection({0, 0}, {1, 1});
  g.Key(TGridKey::gkX, kCtrl);
  EXPECT_EQ(g.Table.Cells(1, 1), u"");
  EXPECT_TRUE(g.Grid.Undo());
  EXPECT_EQ(Rows(g.Table), pasted);
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 0, 1, 1}));
}

TEST(EditHistory, RowKeysAreUndone) {
  GridRig g(2, 5, 2);
  Fill(g.Table);
  g.Grid.Navigation().AllowInsertRow = true;
  g.Grid.Navigation().AllowDeleteRow = true;
  // The window's handler empties the row first, through the history.
  g.Table.OnCanDeleteRow = [&g](TCellTable&, int32_t row, bool&) {
    g.Grid.History().ClearRows(row, 1);
  };
  const std::u16string before = Rows(g.Table);
  g.Table.MoveCurrent({1, 3});
  g.Key(TGridKey::gkInsert);
  g.Key(TGridKey::gkDelete);
  g.Key(TGridKey::gkDelete);
  g.Table.MoveCurrent({0, 3});
  g.Key(TGridKey::gkDown);  // appends
  EXPECT_EQ(g.Grid.History().StepCount(), 4u);
  while (g.Grid.Undo()) {
  }
  EXPECT_EQ(Rows(g.Table), before);
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 3}));
  while (g.Grid.Redo()) {
  }
  EXPECT_EQ(Rows(g.Table), u"a0|b0/a1|b1/a2|b2/a4|b4/|/");
}

TEST(EditHistory, ColumnMovesAndCountChanges) {
  GridRig g(4, 4);
  Fill(g.Table);
  const std::u16string before = Rows(g.Table);
  TEditHistory& h = g.Grid.History();
  h.RelocateColumn(0, 2);
  g.Table.SetColWidths(3, 120);
  {  // Apply Change from 4 to 2 columns
    TEditHistory::TStepScope step(h);
    h.ClearCols(2, 4);
    h.SetColCount(2);
  }
  {  // Editor mode on a table of two rows
    h.SetRowCount(2);
    TEditHistory::TStepScope step(h);
    h.SetRowCount(3);
    h.EmptyRowCells(2);
    h.SetFixedRows(2);
  }
  EXPECT_EQ(g.Table.Cells(2, 0), u"");
  EXPECT_EQ(g.Table.FixedRows(), 2);
  EXPECT_EQ(h.StepCount(), 4u);
  h.Undo();
  EXPECT_EQ(g.Table.FixedRows(), 0);
  EXPECT_EQ(g.Table.RowCount(), 2);
  while (h.Undo()) {
  }
  EXPECT_EQ(Rows(g.Table), before);
  EXPECT_EQ(g.Table.ColWidths(3), 120);  // the dropped columns come back as wide as they were
  while (h.Redo()) {
  }
  EXPECT_EQ(Rows(g.Table), u"b0|c0/b1|c1/|/");
  EXPECT_EQ(g.Table.Cells(2, 1), u"");  // the emptied column stays empty
}

TEST(EditHistory, ABatchIsOneStepAndOldStepsGoPastTheLimit) {
  TCellTable t;
  TEditHistory h(t, 4096);
  h.BeginStep();
  h.SetCells(0, 0, u"x");
  t.SetCells(0, 1, u"y");  // written by the caller, then recorded
  h.RecordCell(0, 1, u"", u"y");
  h.EndStep();
  h.Undo();
  EXPECT_EQ(t.Cells(0, 0), u"");
  EXPECT_EQ(t.Cells(0, 1), u"");
  EXPECT_FALSE(h.Modified());
  h.Redo();
  h.MarkSaved();
  h.Undo();
  h.SetCells(1, 0, u"w");  // ends the redo branch and the saved state in it
  EXPECT_FALSE(h.CanRedo());
  h.Undo();
  EXPECT_TRUE(h.Modified());

  const std::u16string text(200, u'x');
  for (int32_t r = 0; r < 100; ++r) h.SetCells(0, r, text);
  EXPECT_LE(h.MemoryBytes(), 4096u);
  while (h.Undo()) {
  }
  EXPECT_EQ(t.Cells(0, 99), u"");
  EXPECT_EQ(t.Cells(0, 0), text);  // its step was dropped
}

}  // namespace
}  // namespace tessary

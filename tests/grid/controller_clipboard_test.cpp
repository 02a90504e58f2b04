// Clipboard keys on the grid and in the in-place editor, with a stand-in
// clipboard.
#include <gtest/gtest.h>

#include "controller_fakes.h"

namespace tessary {
namespace {

using testing::GridRig;
using testing::kCtrl;
using testing::kShift;

TEST(ControllerClipboard, CopyTakesTheSelectionAndChangesNothing) {
  GridRig g(3, 4);
  g.Table.SetCells(0, 0, u"abc");
  g.Key(TGridKey::gkC, kCtrl);
  EXPECT_EQ(g.Clipboard.Value, u"abc");

  g.Table.SetCells(1, 0, u"b");
  g.Table.SetCells(0, 1, u"c");
  g.Table.SetCells(1, 1, u"<B>d</B>");
  g.Key(TGridKey::gkRight, kShift);
  g.Key(TGridKey::gkDown, kShift);
  g.Key(TGridKey::gkInsert, kCtrl);
  EXPECT_EQ(g.Clipboard.Value, u"abc\tb\r\nc\td\r\n");
  EXPECT_EQ(g.Table.Cells(1, 1), u"<B>d</B>");
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 0, 1, 1}));
}

TEST(ControllerClipboard, CutEmptiesTheRangeAndKeepsTheSelection) {
  GridRig g(3, 4);
  g.Table.SetCells(0, 0, u"a");
  g.Table.SetCells(1, 1, u"d");
  g.Key(TGridKey::gkRight, kShift);
  g.Key(TGridKey::gkDown, kShift);
  g.Key(TGridKey::gkDelete, kShift);
  EXPECT_EQ(g.Clipboard.Value, u"a\t\r\n\td\r\n");
  EXPECT_EQ(g.Table.Cells(0, 0), u"");
  EXPECT_EQ(g.Table.Cells(1, 1), u"");
  EXPECT_EQ(g.Table.Selection(), (TGridRect{0, 0, 1, 1}));
}

TEST(ControllerClipboard, PasteStartsAtTheSelectionAndGrowsRowsOnly) {
  GridRig g(2, 3);
  g.Table.MoveCurrent({0, 2});
  g.Clipboard.Value = u"1\t2\r\n3\t4";
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(g.Table.RowCount(), 4);
  EXPECT_EQ(g.Table.Cells(0, 2), u"1");
  EXPECT_EQ(g.Table.Cells(1, 3), u"4");
  EXPECT_EQ(g.Table.ColCount(), 2);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 2}));

  // A 3 x 3 selection does not limit or repeat the paste.
  GridRig h(4, 4);
  h.Table.SetSelection({1, 1}, {3, 3});
  h.Clipboard.Value = u"word";
  h.Key(TGridKey::gkInsert, kShift);
  EXPECT_EQ(h.Table.Cells(1, 1), u"word");
  EXPECT_EQ(h.Table.Cells(2, 1), u"");
  EXPECT_EQ(h.Table.Cells(1, 2), u"");
}

TEST(ControllerClipboard, NothingHappensWithoutTextOrWithTheShortCutsOff) {
  GridRig g(2, 3);
  g.Table.SetCells(0, 0, u"keep");
  g.Clipboard.Value = u"";
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(g.Table.Cells(0, 0), u"keep");

  g.Grid.Navigation().AllowClipboardShortCuts = false;
  g.Clipboard.Value = u"x";
  EXPECT_FALSE(g.Key(TGridKey::gkV, kCtrl));
  EXPECT_FALSE(g.Key(TGridKey::gkX, kCtrl));
  EXPECT_FALSE(g.Grid.KeyPress(22));
  EXPECT_EQ(g.Table.Cells(0, 0), u"keep");

  g.Grid.Navigation().AllowClipboardShortCuts = true;
  g.Grid.Options().Editing = false;
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(g.Table.Cells(0, 0), u"keep");
}

TEST(ControllerClipboard, InTheEditorCopyTakesOnlyTheSelectedText) {
  GridRig g(2, 3);
  g.Table.SetCells(1, 0, u"range");
  g.Table.SetCells(0, 0, u"hello");
  g.Key(TGridKey::gkF2);
  g.View.EditorBox.Select(1, 3);
  g.Key(TGridKey::gkC, kCtrl);
  EXPECT_EQ(g.Clipboard.Value, u"el");
  g.Key(TGridKey::gkX, kCtrl);
  EXPECT_EQ(g.View.EditorBox.Value, u"hlo");
  EXPECT_EQ(g.Table.Cells(0, 0), u"hello");  // a cut is committed with the edit
  g.Key(TGridKey::gkEnter);
  EXPECT_EQ(g.Table.Cells(0, 0), u"hlo");
}

TEST(ControllerClipboard, PasteInTheEditorWritesTheCellAtOnce) {
  GridRig g(2, 3);
  g.Table.SetCells(0, 0, u"ab");
  g.Key(TGridKey::gkF2);
  g.View.EditorBox.Select(1, 1);
  g.Clipboard.Value = u"x\r\n";  // a single final line end is dropped
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(g.View.EditorBox.Value, u"axb");
  EXPECT_EQ(g.View.EditorBox.Caret, 2u);
  EXPECT_FALSE(g.View.EditorBox.HasSelectedText());
  EXPECT_EQ(g.Table.Cells(0, 0), u"axb");
  EXPECT_TRUE(g.Grid.EditorMode());

  g.View.EditorBox.Select(0, 1);
  g.Clipboard.Value = u"x\r\ny";
  g.Key(TGridKey::gkInsert, kShift);
  EXPECT_EQ(g.View.EditorBox.Value, u"x\r\nyxb");
  EXPECT_EQ(g.View.EditorBox.SelectedText(), u"x\r\ny");  // the inserted text stays selected
  EXPECT_EQ(g.Table.Cells(0, 0), u"x\r\nyxb");

  // Esc after a paste puts the text from before the edit back.
  g.Key(TGridKey::gkEscape);
  EXPECT_EQ(g.Table.Cells(0, 0), u"ab");
}

TEST(ControllerClipboard, ACopiedLineBreakComesBackAsABareLineFeed) {
  GridRig g(2, 3);
  g.Table.SetCells(0, 0, u"one\r\ntwo");
  g.Key(TGridKey::gkC, kCtrl);
  EXPECT_EQ(g.Clipboard.Value, u"\"one\ntwo\"");
  g.Table.MoveCurrent({1, 1});
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(g.Table.Cells(1, 1), u"one\ntwo");
}

}  // namespace
}  // namespace tessary

#include "grid/clipboard_text.h"

#include <gtest/gtest.h>

#include "text/rich_text.h"

namespace tessary {
namespace {

TEST(CopyText, SingleCellsAndRanges) {
  TCellTable t;
  t.SetColCount(2);
  t.SetCells(0, 0, u"abc");
  EXPECT_EQ(BuildCopyText(t, {0, 0, 0, 0}, true), u"abc");
  t.SetCells(1, 0, u"b");
  EXPECT_EQ(BuildCopyText(t, {0, 0, 1, 0}, true), u"abc\tb");
  t.SetCells(0, 0, u"a");
  t.SetCells(0, 1, u"c");
  t.SetCells(1, 1, u"d");
  EXPECT_EQ(BuildCopyText(t, {0, 0, 1, 1}, true), u"a\tb\r\nc\td\r\n");
}

TEST(CopyText, CellPreparation) {
  EXPECT_EQ(CopyCellText(u"line1\r\nline2", true), u"\"line1\nline2\"");
  EXPECT_EQ(CopyCellText(u"say \"hi\"\r\n", true), u"\"say \"hi\"\n\"");
  EXPECT_EQ(CopyCellText(u"<B>x</B>", true), u"x");
  EXPECT_EQ(CopyCellText(u"<B>x</B>", false), u"<B>x</B>");
  EXPECT_EQ(CopyCellText(u"<B>x", true), u"<B>x");
  // A line break made from markup is quoted like a stored one, so that it
  // stays inside the cell when pasted back.
  EXPECT_EQ(CopyCellText(u"a<br>b</i>", true), u"\"a\nb\"");
  EXPECT_EQ(CopyCellText(u"<i>a</i>\r\nb", true), u"\"a\nb\"");
  // Without markup removal (the dump) every stored form is kept.
  EXPECT_EQ(CopyCellText(u"{\\rtf1 x}", false), u"{\\rtf1 x}");
  EXPECT_EQ(CopyCellText(u"|\\AB", false), u"|\\AB");
  EXPECT_EQ(CopyCellText(u"<i>a</i>\r\nb", false), u"\"<i>a</i>\nb\"");
  EXPECT_EQ(CopyCellText(u"a</b <c", true), u"a</b <c");  // "<" without ">" stays with the rest
  EXPECT_EQ(CopyCellText(u"x<i>y</i> < z", true), u"xy < z");
  EXPECT_EQ(CopyCellText(std::u16string(u"|\\\x00\x41\x00\x42", 6), true), u"AB");
  EXPECT_EQ(
      CopyCellText(u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\b world\\b0\\par}", true),
      u"Hello world");
}

TEST(RichText, PlainForm) {
  EXPECT_EQ(RichTextToPlain(u"{\\rtf1 a\\par b}"), u"a\r\nb");
  EXPECT_EQ(RichTextToPlain(u"{\\rtf1 \\'e9t\\'e9}"), u"été");
  EXPECT_EQ(RichTextToPlain(u"{\\rtf1\\uc1 \\u8364?5}"), u"€5");
  EXPECT_EQ(RichTextToPlain(u"{\\rtf1{\\*\\generator x;}{\\colortbl;\\red0;}\\{x\\}}"), u"{x}");
  EXPECT_EQ(RichTextToPlain(u"{\\rtf1 unterminated \\"), u"unterminated ");
}

TEST(RemoveHtml, TagsBreaksAndLoneBrackets) {
  EXPECT_EQ(RemoveHtmlTags(u"a<BR>b<hr>c"), u"a\r\nb\r\nc");
  EXPECT_EQ(RemoveHtmlTags(u"<p>x</p>"), u"x");
  EXPECT_EQ(RemoveHtmlTags(u"5>3<b>x</b>"), u"5>3x");
  EXPECT_EQ(RemoveHtmlTags(u"a<b"), u"a<b");
}

TEST(PasteText, SplitsIntoCellsWithRowGrowth) {
  TCellTable t;
  t.SetColCount(2);
  TGridRect changed{};
  t.OnCellsChanged = [&](TCellTable&, const TGridRect& r) { changed = r; };
  const TGridRect r = PasteText(t, u"1\t2\r\n3\t4", 0, 2);
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_EQ(t.Cells(0, 2), u"1");
  EXPECT_EQ(t.Cells(1, 2), u"2");
  EXPECT_EQ(t.Cells(0, 3), u"3");
  EXPECT_EQ(t.Cells(1, 3), u"4");
  EXPECT_EQ(r, (TGridRect{0, 2, 1, 3}));
  EXPECT_EQ(changed, r);
}

TEST(PasteText, ColumnsNeverGrowAndLineEnds) {
  TCellTable t;
  t.SetColCount(2);
  PasteText(t, u"a\tb\tc\td\r\n", 1, 0);
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_EQ(t.Cells(1, 0), u"a");
  EXPECT_EQ(t.Cells(2, 0), u"");  // dropped, not stored hidden
  EXPECT_EQ(t.RowCount(), 3);     // the final line break adds no row

  t.SetCells(1, 1, u"old");
  PasteText(t, u"x\t\r\n", 0, 1);
  EXPECT_EQ(t.Cells(0, 1), u"x");
  EXPECT_EQ(t.Cells(1, 1), u"");  // emptied by the field after the tab

  t.SetCells(1, 2, u"keep");
  PasteText(t, u"y\t", 0, 2);
  EXPECT_EQ(t.Cells(0, 2), u"y");
  EXPECT_EQ(t.Cells(1, 2), u"keep");  // a final empty field writes nothing

  const TGridRect none = PasteText(t, u"", 0, 0);
  EXPECT_LT(none.Right, none.Left);
}

TEST(PasteText, QuotedFieldsAndEncodedText) {
  TCellTable t;
  t.SetColCount(3);
  PasteText(t, u"\"a\nb\"\t\"x\vy\n\"\t\"plain\"", 0, 0);
  EXPECT_EQ(t.Cells(0, 0), u"a\nb");
  EXPECT_EQ(t.Cells(1, 0), u"x\r\ny\n");
  EXPECT_EQ(t.Cells(2, 0), u"\"plain\"");  // no LF: written as it stands
  PasteText(t, std::u16string(u"|\\\x00\x41", 4), 0, 1);
  EXPECT_EQ(t.Cells(0, 1), std::u16string(u"|\\\x00\x41", 4));
  // A copied cell with a line break comes back with a bare LF.
  t.SetCells(0, 2, u"l1\r\nl2");
  const std::u16string copied = BuildCopyText(t, {0, 2, 0, 2}, true);
  PasteText(t, copied, 1, 2);
  EXPECT_EQ(t.Cells(1, 2), u"l1\nl2");
}

TEST(PasteText, LinuxTextSplitsAtLineFeedsAndLoneCarriageReturns) {
  TCellTable t;
  t.SetColCount(2);
  t.SetRowCount(1);
  PasteText(t, u"a\tb\nc\td\n", 0, 0);
  EXPECT_EQ(t.RowCount(), 2);  // the final LF adds no row
  EXPECT_EQ(t.Cells(1, 0), u"b");
  EXPECT_EQ(t.Cells(0, 1), u"c");
  PasteText(t, u"1\r2\r3", 1, 0);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Cells(1, 1), u"2");
  EXPECT_EQ(t.Cells(1, 2), u"3");
}

TEST(PasteText, LinuxTextQuotedFields) {
  TCellTable t;
  t.SetColCount(3);
  // A quoted field keeps its line breaks and tabs and loses its quotes; a
  // quote inside it followed by other text does not close it.
  PasteText(t, u"\"two\nlines\"\tx\n\"a \"q\" b\tc\nd\"\ty", 0, 0);
  EXPECT_EQ(t.Cells(0, 0), u"two\nlines");
  EXPECT_EQ(t.Cells(1, 0), u"x");
  EXPECT_EQ(t.Cells(0, 1), u"a \"q\" b\tc\nd");
  EXPECT_EQ(t.Cells(1, 1), u"y");
  // Quotes that enclose no line break, and a quote never closed, stay as
  // they stand, so copied cells "x" and "a, b" come back unchanged.
  t.SetRowCount(3);
  PasteText(t, u"\"x\"\t\"a\tb\"\n\"open\tz", 0, 0);
  EXPECT_EQ(t.Cells(0, 0), u"\"x\"");
  EXPECT_EQ(t.Cells(1, 0), u"\"a");
  EXPECT_EQ(t.Cells(2, 0), u"b\"");
  EXPECT_EQ(t.Cells(0, 1), u"\"open");
  EXPECT_EQ(t.Cells(1, 1), u"z");
}

TEST(PasteText, CopiedRowWithLineBreaksComesBackWhole) {
  TCellTable t;
  t.SetColCount(3);
  t.SetCells(0, 0, u"one\ntwo");  // a bare LF, as a Linux program leaves it
  t.SetCells(1, 0, u"\"quoted\"");
  t.SetCells(2, 0, u"x\r\ny");
  const std::u16string copied = BuildCopyText(t, {0, 0, 2, 0}, true);
  EXPECT_EQ(copied, u"\"one\ntwo\"\t\"quoted\"\t\"x\ny\"");
  PasteText(t, copied, 0, 1);
  EXPECT_EQ(t.Cells(0, 1), u"one\ntwo");
  EXPECT_EQ(t.Cells(1, 1), u"\"quoted\"");
  EXPECT_EQ(t.Cells(2, 1), u"x\ny");
  EXPECT_EQ(t.RowCount(), 3);
}

TEST(CutText, EmptiesEditableCellsOnly) {
  TCellTable t;
  t.SetColCount(3);
  t.SetRowCount(4);
  t.SetFixedRows(1);
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t c = 0; c < 3; ++c) t.SetCells(c, r, std::u16string(1, u'a' + r * 3 + c));
  t.SetSelection({0, 2}, {1, 3});
  EXPECT_EQ(CutText(t, t.Selection(), true), u"g\th\r\nj\tk\r\n");
  EXPECT_EQ(t.Cells(0, 2), u"");
  EXPECT_EQ(t.Cells(1, 3), u"");
  EXPECT_EQ(t.Cells(2, 2), u"i");
  EXPECT_EQ(t.Selection(), (TGridRect{0, 2, 1, 3}));
  // A rectangle reaching into the fixed rows leaves them alone.
  CutText(t, {0, 0, 2, 1}, true);
  EXPECT_EQ(t.Cells(0, 0), u"a");
  EXPECT_EQ(t.Cells(2, 1), u"");
}

TEST(PasteText, HookAndLastRow) {
  TCellTable t;
  t.SetColCount(2);
  PasteText(t, u"a\tb\r\nc\td", 0, 0, [](int32_t col, int32_t row, std::u16string& v, bool& allow) {
    if (col == 1 && row == 0) allow = false;
    v += u"!";
  });
  EXPECT_EQ(t.Cells(0, 0), u"a!");
  EXPECT_EQ(t.Cells(1, 0), u"");
  EXPECT_EQ(t.Cells(1, 1), u"d!");

  // Rows grow up to the last row the table can hold; the rest is dropped.
  const int32_t last = TCellTable::kMaxIndex;
  const TGridRect r = PasteText(t, u"1\r\n2\r\n3\r\n4", 0, last - 1);
  EXPECT_EQ(t.RowCount(), TCellTable::kMaxCount);
  EXPECT_EQ(t.Cells(0, last), u"2");
  EXPECT_EQ(r.Bottom, last);
}

TEST(EditorPaste, DropsOnlyALoneFinalLineBreak) {
  EXPECT_EQ(EditorPasteText(u"x\r\n"), u"x");
  EXPECT_EQ(EditorPasteText(u"x\r\ny"), u"x\r\ny");
  EXPECT_EQ(EditorPasteText(u"x\r\ny\r\n"), u"x\r\ny\r\n");
  EXPECT_EQ(EditorPasteText(u""), u"");
  EXPECT_EQ(EditorPasteText(u"x\n"), u"x");
  EXPECT_EQ(EditorPasteText(u"x\ny\n"), u"x\ny\n");
}

}  // namespace
}  // namespace tessary

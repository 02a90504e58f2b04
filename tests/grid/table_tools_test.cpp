// Sort, filter, column insertion and deletion, fill down and row commands
// through the grid controller, without a window system.
#include "grid/table_tools.h"

#include <gtest/gtest.h>

#include "controller_fakes.h"

namespace tessary {
namespace {

using testing::GridRig;
using testing::kCtrl;

// A cell's text as a string of its own, whatever Cells returns.
std::u16string Text(const TCellTable& t, int32_t col, int32_t row) {
  return std::u16string(std::u16string_view(t.Cells(col, row)));
}

// Column `col` of the data rows, joined by "|".
std::u16string Column(const TCellTable& t, int32_t col) {
  std::u16string out;
  for (int32_t r = 2; r < t.RowCount(); ++r) out += (r > 2 ? u"|" : u"") + Text(t, col, r);
  return out;
}

void FillRows(TCellTable& t, std::initializer_list<std::initializer_list<const char16_t*>> rows) {
  int32_t r = 0;
  for (const auto& row : rows) {
    int32_t c = 0;
    for (const char16_t* text : row) t.SetCells(c++, r, text);
    ++r;
  }
}

TEST(SortRows, ByTypeStableAndUndone) {
  GridRig g(4, 9, 2);
  FillRows(g.Table, {{u"A", u"B", u"C", u"Row"},
                     {u"int", u"string", u"float", u"int"},
                     {u"10", u"b", u"1.5", u"2"},
                     {u"abc", u"ä", u"-INF", u"3"},
                     {u"$1", u"a", u"NAN", u"4"},
                     {u"", u"A", u"", u"5"},
                     {u"9", u"z", u"2e3", u"6"},
                     {u"09", u"\u00E9", u"x", u"7"},
                     {u"-5", u"e\u0301", u"0", u"8"}});
  int notices = 0;
  g.Grid.OnNotice = [&](TGridNotice n) { notices += n == TGridNotice::gnRowsSorted; };
  const std::u16string before = Column(g.Table, 3);

  // Numbers by value (9 and 09 keep their order), then other texts, then empty cells.
  ASSERT_TRUE(SortRows(g.Grid, 0, TSortOrder::soAscending, "en"));
  EXPECT_EQ(Column(g.Table, 3), u"8|4|6|7|2|3|5");
  SortRows(g.Grid, 0, TSortOrder::soDescending, "en");
  EXPECT_EQ(Column(g.Table, 3), u"2|6|7|4|8|3|5");
  SortRows(g.Grid, 2, TSortOrder::soAscending, "en");
  EXPECT_EQ(Column(g.Table, 2), u"-INF|0|1.5|2e3|NAN|x|");
  // Collation of the locale; the two forms of é collate equal and keep
  // code-unit order.
  SortRows(g.Grid, 1, TSortOrder::soAscending, "sv");
  EXPECT_EQ(Column(g.Table, 1), u"a|A|b|e\u0301|\u00E9|z|ä");
  SortRows(g.Grid, 1, TSortOrder::soAscending, "de");
  EXPECT_EQ(Column(g.Table, 1), u"a|A|ä|b|e\u0301|\u00E9|z");
  // Stable: by A after B gives the rows of equal A in the order of B.
  SortRows(g.Grid, 0, TSortOrder::soAscending, "sv");
  EXPECT_EQ(Column(g.Table, 3), u"8|4|7|6|2|3|5");
  EXPECT_EQ(Text(g.Table, 0, 0) + Text(g.Table, 0, 1), u"Aint");
  EXPECT_FALSE(SortRows(g.Grid, 0, TSortOrder::soAscending, "sv"));  // already in order
  EXPECT_EQ(notices, 6);

  while (g.Grid.Undo()) {
  }
  EXPECT_EQ(Column(g.Table, 3), before);
  while (g.Grid.Redo()) {
  }
  EXPECT_EQ(Column(g.Table, 3), u"8|4|7|6|2|3|5");
}

TEST(SortRows, TheStepKeepsOneRowIndexPerRow) {
  GridRig g(1, 10002, 2);
  for (int32_t r = 2; r < 10002; ++r) g.Table.SetCells(0, r, std::u16string(40, u'a' + r % 26));
  SortRows(g.Grid, 0, TSortOrder::soAscending, "en");
  EXPECT_LT(g.Grid.History().MemoryBytes(), 10000 * sizeof(int32_t) + 1024);
}

// The texts of the rows the filter hides, in table order.
std::u16string Hidden(const GridRig& g) {
  std::u16string out;
  for (int32_t r = 2; r < g.Table.RowCount(); ++r) {
    if (!g.Grid.Filter().Shows(r)) out += Text(g.Table, 0, r) + u":" + Text(g.Table, 1, r) + u" ";
  }
  return out;
}

TEST(Filter, CommandsActOnShownRowsAndNeverChangeHiddenOnes) {
  GridRig g(2, 10, 2);
  FillRows(g.Table, {{u"ID", u"Name"},
                     {u"int", u"string"},
                     {u"1", u"Sword"},
                     {u"2", u"axe"},
                     {u"3", u"sword2"},
                     {u"4", u"bow"},
                     {u"5", u"SWORD3"},
                     {u"6", u"dagger"},
                     {u"7", u"swordfish"},
                     {u"8", u"helm"}});
  g.Grid.History().SetCells(1, 5, u"bows");  // a step on a row the filter will hide
  std::vector<TGridNotice> notices;
  g.Grid.OnNotice = [&](TGridNotice n) { notices.push_back(n); };
  g.Table.MoveCurrent({1, 3});
  g.Grid.ApplyFilter({{1, TFilterMatch::fmContains, u"sword"}});
  const std::u16string hidden = Hidden(g);
  EXPECT_EQ(hidden, u"2:axe 4:bows 6:dagger 8:helm ");
  EXPECT_EQ(FilterStatusText(g.Table, g.Grid.Filter()), u"Showing 4 of 8 rows");
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 4}));       // off the hidden row
  EXPECT_EQ(g.Grid.History().StepCount(), 1u);  // the filter is no step

  g.Key(TGridKey::gkDown);
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 6}));
  g.Key(TGridKey::gkA, kCtrl);
  g.Key(TGridKey::gkC, kCtrl);
  EXPECT_EQ(g.Clipboard.Value, u"1\tSword\r\n3\tsword2\r\n5\tSWORD3\r\n7\tswordfish\r\n");
  const TFindScope scope = g.Grid.FindScope();
  EXPECT_EQ(FindNext(g.Table, {u"axe"}, {0, 2}, scope), std::nullopt);
  EXPECT_EQ(ReplaceAll(g.Table, {u"s"}, u"S", scope).size(), 2u);  // sword2, swordfish

  // Paste: line by line into shown rows, never adding one.
  g.Table.MoveCurrent({1, 4});
  g.Clipboard.Value = u"x\r\ny\r\nz\r\nw\r\n";
  g.Key(TGridKey::gkV, kCtrl);
  EXPECT_EQ(Column(g.Table, 1), u"Sword|axe|x|bows|y|dagger|z|helm");
  EXPECT_EQ(g.Table.RowCount(), 10);
  // Fill down and Cut skip the hidden rows of the selection.
  g.Table.SetSelection({0, 2}, {0, 6});
  FillDown(g.Grid);
  g.Table.SetSelection({1, 6}, {1, 8});
  g.Key(TGridKey::gkX, kCtrl);
  EXPECT_EQ(g.Clipboard.Value, u"y\r\nz\r\n");
  EXPECT_EQ(Column(g.Table, 0) + u"/" + Column(g.Table, 1),
            u"1|2|1|4|1|6|7|8/Sword|axe|x|bows||dagger||helm");
  // A sort moves shown rows among their own places.
  SortRows(g.Grid, 1, TSortOrder::soDescending, "en");
  EXPECT_EQ(Column(g.Table, 1), u"x|axe|Sword|bows||dagger||helm");
  EXPECT_EQ(Hidden(g), hidden);

  // Rows added under the filter show; so does a row edited out of matching.
  g.Grid.Navigation().AllowInsertRow = true;
  g.Grid.Navigation().AllowDeleteRow = true;
  g.Table.MoveCurrent({0, 8});
  g.Key(TGridKey::gkDown);  // past the last shown row: a new row at the end
  EXPECT_EQ(g.Table.RowCount(), 11);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 10}));
  g.Table.MoveCurrent({0, 4});
  g.Key(TGridKey::gkInsert);
  EXPECT_TRUE(g.Grid.Filter().Shows(4));
  EXPECT_EQ(FilterStatusText(g.Table, g.Grid.Filter()), u"Showing 6 of 10 rows");
  // [Del] and Delete rows remove shown rows only.
  g.Key(TGridKey::gkDelete);
  g.Table.SetSelection({0, 2}, {0, 7});
  DeleteRows(g.Grid);
  EXPECT_EQ(Column(g.Table, 1), u"axe|bows|dagger||helm|");
  EXPECT_EQ(Hidden(g), hidden);
  EXPECT_EQ(notices, std::vector{TGridNotice::gnRowsSorted});

  // Undoing steps that only touched shown rows keeps the filter; the step
  // on a hidden row clears it first and says so.
  while (g.Grid.Filter().Active() && g.Grid.Undo()) {
    if (g.Grid.Filter().Active()) {
      EXPECT_EQ(Hidden(g), hidden);
    }
  }
  EXPECT_EQ(notices.back(), TGridNotice::gnFilterClearedForUndo);
  EXPECT_EQ(Text(g.Table, 1, 5), u"bow");
  EXPECT_EQ(g.Table.RowCount(), 10);
}

TEST(Filter, EmptyViewsStayUsable) {
  GridRig names(2, 2, 0);  // names and types only
  names.Grid.ApplyFilter({{0, TFilterMatch::fmContains, u"x"}});
  EXPECT_EQ(FilterStatusText(names.Table, names.Grid.Filter()), u"Showing 0 of 0 rows");
  EXPECT_FALSE(SortRows(names.Grid, 0, TSortOrder::soAscending, ""));

  GridRig g(1, 5, 2);
  FillRows(g.Table, {{u"ID"}, {u"int"}, {u"1"}, {u"2"}, {u"3"}});
  g.Grid.ApplyFilter({{0, TFilterMatch::fmEquals, u"9"}});
  EXPECT_EQ(ShownRowCount(g.Table, &g.Grid.Filter()), 2);
  g.Key(TGridKey::gkA, kCtrl);
  g.Key(TGridKey::gkC, kCtrl);
  g.Type(u"7");  // the current cell is on a hidden row: no editor
  EXPECT_FALSE(g.Grid.EditorMode());
  g.Key(TGridKey::gkDown);  // adds a row that shows
  EXPECT_EQ(g.Table.RowCount(), 6);
  EXPECT_EQ(g.Cur(), (TGridCoord{0, 5}));
  EXPECT_EQ(Column(g.Table, 0), u"1|2|3|");
}

TEST(Columns, InsertAndDeleteWithUndo) {
  GridRig g(3, 4, 2);
  FillRows(g.Table, {{u"A", u"B", u"C"},
                     {u"int", u"string", u"float"},
                     {u"1", u"b", u"1.5"},
                     {u"2", u"c", u"2.5"}});
  g.Table.SetColWidths(1, 90);
  g.Table.SetCells(3, 2, u"left past the extent");
  g.Table.MoveCurrent({1, 3});
  InsertColumn(g.Grid);
  EXPECT_EQ(g.Table.ColCount(), 4);
  EXPECT_EQ(Column(g.Table, 1), u"|");
  EXPECT_EQ(Text(g.Table, 1, 0) + u"/" + Text(g.Table, 1, 1), u"/string");
  EXPECT_EQ(Text(g.Table, 2, 0) + Text(g.Table, 3, 2), u"B1.5");
  EXPECT_EQ(g.Table.ColWidths(1), TCellTable::kDefaultColWidth);
  EXPECT_EQ(g.Table.ColWidths(2), 90);
  EXPECT_EQ(g.Cur(), (TGridCoord{1, 3}));
  g.Grid.Undo();
  EXPECT_EQ(g.Table.ColCount(), 3);
  EXPECT_EQ(Text(g.Table, 1, 0) + Text(g.Table, 3, 2), u"Bleft past the extent");

  g.Table.SetSelection({0, 2}, {1, 2});
  DeleteColumns(g.Grid);
  EXPECT_EQ(g.Table.ColCount(), 1);
  EXPECT_EQ(Text(g.Table, 0, 0) + Text(g.Table, 0, 1) + Column(g.Table, 0), u"Cfloat1.5|2.5");
  g.Table.SetSelection({0, 2}, {0, 2});
  DeleteColumns(g.Grid);  // never the last column: it is emptied
  EXPECT_EQ(g.Table.ColCount(), 1);
  EXPECT_EQ(Text(g.Table, 0, 0) + Column(g.Table, 0), u"|");
  g.Grid.Undo();
  g.Grid.Undo();
  EXPECT_EQ(g.Table.ColCount(), 3);
  EXPECT_EQ(Text(g.Table, 0, 0) + Text(g.Table, 1, 1) + Column(g.Table, 2), u"Astring1.5|2.5");

  // Deleting a column holds hidden text: the filter goes first.
  std::vector<TGridNotice> notices;
  g.Grid.OnNotice = [&](TGridNotice n) { notices.push_back(n); };
  g.Grid.ApplyFilter({{1, TFilterMatch::fmEquals, u"b"}});
  g.Table.SetSelection({2, 2}, {2, 2});
  DeleteColumns(g.Grid);
  EXPECT_FALSE(g.Grid.Filter().Active());
  EXPECT_EQ(notices, std::vector{TGridNotice::gnFilterClearedForDeleteColumns});
}

}  // namespace
}  // namespace tessary

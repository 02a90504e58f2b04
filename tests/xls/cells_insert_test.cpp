// Inserting empty rows and columns into a worksheet's cell block: cells,
// ROW records, column entries and merged ranges move or grow, the written
// block follows, and anything pushed beyond the sheet fails without a change.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "xls/cells.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace tessary {
namespace {

using namespace tessary::testing;

using Bytes = std::vector<uint8_t>;

struct Sheet {
  TSST Sst;
  TColInfoList Columns;
  TCells Cells{&Columns, &Sst};
  void Set(int row, int col, TXlsValue v, int32_t xf = -1) {
    Cells.SetValueX2(row, col, {std::move(v), xf, false}, false);
  }
  // Every cell by its place, as read through the block's rows.
  std::map<std::pair<int, int>, TXlsValue> Values() const {
    std::map<std::pair<int, int>, TXlsValue> out;
    for (size_t r = 0; r < Cells.CellRowCount(); ++r) {
      for (const TCell& cell : Cells.RowCells(static_cast<int>(r))) {
        out[{static_cast<int>(r), cell.Col}] = Cells.Value(cell);
      }
    }
    return out;
  }
  Bytes Image() const {
    TMemoryRecordStream out;
    Cells.SaveToStream(out);
    Columns.SaveToStream(out);
    return out.Data;
  }
};

// The records of type `id` in a written image.
std::vector<Bytes> RecordsOf(const Bytes& image, uint16_t id) {
  std::vector<Bytes> out;
  for (size_t pos = 0; pos + 4 <= image.size();) {
    const uint16_t size = GetU16(&image[pos + 2]);
    if (GetU16(&image[pos]) == id) {
      out.emplace_back(image.begin() + static_cast<long>(pos) + 4,
                       image.begin() + static_cast<long>(pos) + 4 + size);
    }
    pos += 4 + size;
  }
  return out;
}

using Values = std::map<std::pair<int, int>, TXlsValue>;

TEST(CellsInsert, RowsInTheMiddleMoveCellsAndRowRecordsDown) {
  Sheet s;
  s.Set(0, 0, std::u16string(u"head"));
  s.Set(1, 1, 1.5);
  s.Set(2, 0, true);
  s.Set(2, 3, std::u16string(u"tail"));
  s.Cells.SetRowHeight(1, 400);
  s.Cells.SetRowHidden(2, true);
  s.Cells.SetRowHeight(5, 600);  // a row with a height and no cell

  s.Cells.InsertRows(1, 3);

  EXPECT_EQ(s.Values(), (Values{{{0, 0}, std::u16string(u"head")},
                                {{4, 1}, 1.5},
                                {{5, 0}, true},
                                {{5, 3}, std::u16string(u"tail")}}));
  // Heights and flags go with their rows; the rows opened are empty.
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(s.Cells.Row(r), nullptr) << r;
  ASSERT_NE(s.Cells.Row(4), nullptr);
  EXPECT_EQ(s.Cells.Row(4)->Height(), 400);
  EXPECT_EQ(s.Cells.Row(5)->Flags() & TRowRecord::kHidden, TRowRecord::kHidden);
  EXPECT_EQ(s.Cells.Row(8)->Height(), 600);

  // Written: every ROW record carries its new row, DIMENSIONS spans them.
  const Bytes image = s.Image();
  std::vector<int> rows;
  for (const Bytes& row : RecordsOf(image, xlsid::ROW)) rows.push_back(GetU16(row.data()));
  EXPECT_EQ(rows, (std::vector<int>{0, 4, 5, 8}));
  const Bytes dims = RecordsOf(image, xlsid::DIMENSIONS).at(0);
  EXPECT_EQ(GetU32(dims.data()), 0u);
  EXPECT_EQ(GetU32(dims.data() + 4), 9u);
  EXPECT_EQ(RecordsOf(image, xlsid::LABELSST).size(), 2u);
  // Cells written in the moved rows name those rows.
  const Bytes label = RecordsOf(image, xlsid::LABELSST).at(1);
  EXPECT_EQ(GetU16(label.data()), 5);
  EXPECT_EQ(GetU16(label.data() + 2), 3);
}

TEST(CellsInsert, RowsAtZeroMoveEverythingAndPastTheEndMoveNothing) {
  Sheet s;
  s.Set(0, 0, 1.0, 21);
  s.Set(1, 2, 2.0);
  s.Cells.InsertRows(0, 2);
  EXPECT_EQ(s.Values(), (Values{{{2, 0}, 1.0}, {{3, 2}, 2.0}}));
  EXPECT_EQ(s.Cells.CellXF(2, 0), 21);
  EXPECT_EQ(s.Cells.Row(0), nullptr);
  EXPECT_EQ(s.Cells.Row(3)->Row(), 3);

  // Nothing at or after the point: the block stays as it is.
  const Bytes before = s.Image();
  s.Cells.InsertRows(4, 10);
  s.Cells.InsertRows(65535, 1);
  s.Cells.InsertRows(0, 0);
  s.Cells.InsertRows(0, -3);
  EXPECT_EQ(s.Image(), before);
  EXPECT_EQ(s.Cells.RowCount(), 4u);
}

TEST(CellsInsert, RowsPushedBeyondTheSheetFailWithoutAChange) {
  Sheet s;
  s.Set(3, 0, 1.0);
  s.Set(65530, 4, std::u16string(u"near the end"));
  const Bytes before = s.Image();
  EXPECT_EQ(ErrorText([&] { s.Cells.InsertRows(10, 6); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { s.Cells.InsertRows(0, 0x7FFFFFFF); }), "Invalid Row (2147483647)");
  EXPECT_EQ(s.Image(), before);
  // Five more rows still fit.
  s.Cells.InsertRows(10, 5);
  EXPECT_EQ(s.Values(), (Values{{{3, 0}, 1.0}, {{65535, 4}, std::u16string(u"near the end")}}));

  // A ROW record without cells is pushed off the sheet just the same.
  Sheet heights;
  heights.Cells.SetRowHeight(65535, 500);
  const Bytes kept = heights.Image();
  EXPECT_EQ(ErrorText([&] { heights.Cells.InsertRows(100, 1); }), "Invalid Row (65536)");
  EXPECT_EQ(heights.Image(), kept);
  EXPECT_EQ(ErrorText([&] { heights.Cells.InsertRows(65536, 1); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { heights.Cells.InsertRows(-1, 1); }), "Invalid Row (-1)");
}

TEST(CellsInsert, ColumnsMoveCellsWithinEveryRowAndTheRowSpans) {
  Sheet s;
  s.Set(0, 0, 1.0);
  s.Set(0, 2, 2.0);
  s.Set(0, 5, std::u16string(u"x"));
  s.Set(1, 1, 3.0);  // wholly before the point
  s.Set(2, 3, 4.0);  // wholly after it
  s.Cells.SetRowHeight(3, 300);

  s.Cells.InsertCols(2, 4);

  EXPECT_EQ(s.Values(), (Values{{{0, 0}, 1.0},
                                {{0, 6}, 2.0},
                                {{0, 9}, std::u16string(u"x")},
                                {{1, 1}, 3.0},
                                {{2, 7}, 4.0}}));
  EXPECT_EQ(s.Cells.Row(0)->FirstCol(), 0);
  EXPECT_EQ(s.Cells.Row(0)->LastCol(), 10);
  // Rows built here span from column 0; a span before the point stays.
  EXPECT_EQ(s.Cells.Row(1)->FirstCol(), 0);
  EXPECT_EQ(s.Cells.Row(1)->LastCol(), 2);
  EXPECT_EQ(s.Cells.Row(2)->FirstCol(), 0);
  EXPECT_EQ(s.Cells.Row(2)->LastCol(), 8);
  EXPECT_EQ(s.Cells.Row(3)->Height(), 300);
  // DIMENSIONS reaches the rightmost moved cell.
  const Bytes dims = RecordsOf(s.Image(), xlsid::DIMENSIONS).at(0);
  EXPECT_EQ(GetU16(dims.data() + 10), 10);

  // At column 0 every cell moves.
  s.Cells.InsertCols(0, 1);
  EXPECT_EQ(s.Values().count({0, 1}), 1u);
  EXPECT_EQ(s.Values().count({1, 2}), 1u);
  EXPECT_EQ(s.Cells.Row(1)->LastCol(), 3);

  // A row read from a file spans exactly its cells; the span moves with them.
  Sheet loaded;
  auto row = TRowRecord::Build(4);
  row->SetFirstCol(3);
  row->SetLastCol(6);
  loaded.Cells.AddRow(std::move(row));
  for (const uint8_t col : {3, 5})
    loaded.Cells.AddPayload(xlsid::BLANK, Bytes{4, 0, col, 0, 21, 0});
  loaded.Cells.InsertCols(4, 2);
  EXPECT_EQ(loaded.Cells.Row(4)->FirstCol(), 3);
  EXPECT_EQ(loaded.Cells.Row(4)->LastCol(), 8);
  loaded.Cells.InsertCols(0, 1);
  EXPECT_EQ(loaded.Cells.Row(4)->FirstCol(), 4);
  EXPECT_EQ(loaded.Cells.Row(4)->LastCol(), 9);
  EXPECT_EQ(loaded.Cells.CellXF(4, 8), 21);
}

TEST(CellsInsert, ColumnsPushedBeyondTheSheetFailWithoutAChange) {
  Sheet s;
  s.Set(0, 0, 1.0);
  s.Set(7, 250, 2.0);
  s.Columns.SetColWidth(3, 1000);
  const Bytes before = s.Image();
  EXPECT_EQ(ErrorText([&] { s.Cells.InsertCols(1, 6); }), "Invalid Column (256)");
  EXPECT_EQ(ErrorText([&] { s.Cells.InsertCols(256, 1); }), "Invalid Column (256)");
  EXPECT_EQ(s.Image(), before);
  // A cell before the point does not count.
  s.Cells.InsertCols(251, 200);
  EXPECT_EQ(s.Image(), before);
  s.Cells.InsertCols(1, 5);
  EXPECT_EQ(s.Values(), (Values{{{0, 0}, 1.0}, {{7, 255}, 2.0}}));

  // Column entries: the last one must stay on the sheet.
  TColInfoList columns;
  columns.SetColWidth(254, 500);
  EXPECT_EQ(ErrorText([&] { columns.InsertCols(10, 2); }), "Invalid Column (256)");
  EXPECT_EQ(columns.Items().at(0).Column, 254);
}

// Records kept as read (a LABEL here) hold their row and column
// themselves: they move with their cell.
TEST(CellsInsert, KeptRecordsMoveWithTheirCells) {
  Sheet s;
  s.Cells.AddRecord(CreateRecord(xlsid::LABEL, Bytes{2, 0, 1, 0, 15, 0, 2, 0, 0, 'o', 'k'}));
  s.Cells.InsertRows(1, 3);
  s.Cells.InsertCols(0, 2);
  EXPECT_EQ(s.Values().at({5, 3}), TXlsValue(std::u16string(u"ok")));
  s.Cells.FixRows();
  const std::vector<Bytes> labels = RecordsOf(s.Image(), xlsid::LABEL);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(GetU16(labels[0].data()), 5);
  EXPECT_EQ(GetU16(labels[0].data() + 2), 3);
}

TEST(CellsInsert, ColumnEntriesMoveWithTheirColumns) {
  Sheet s;
  s.Columns.SetColWidth(0, 1000);
  s.Columns.SetColWidth(1, 2000);
  s.Columns.SetColWidth(2, 2000);
  s.Columns.SetColHidden(4, true, 2930);
  s.Columns.InsertCols(1, 3);
  std::vector<std::pair<int, int>> entries;
  for (const TColInfo& info : s.Columns.Items()) entries.emplace_back(info.Column, info.Width);
  EXPECT_EQ(entries,
            (std::vector<std::pair<int, int>>{{0, 1000}, {4, 2000}, {5, 2000}, {7, 2930}}));
  EXPECT_EQ(s.Columns.Find(7)->Options & 1, 1);
  // Written as runs of the moved columns.
  std::vector<std::pair<int, int>> runs;
  for (const Bytes& info : RecordsOf(s.Image(), xlsid::COLINFO)) {
    runs.emplace_back(GetU16(info.data()), GetU16(info.data() + 2));
  }
  EXPECT_EQ(runs, (std::vector<std::pair<int, int>>{{0, 0}, {4, 5}, {7, 7}}));
}

TEST(CellsInsert, MergedRangesMoveOrGrowAndMustStayOnTheSheet) {
  TMergedCells merged;
  merged.MergeCells(0, 0, 1, 1);    // before the point
  merged.MergeCells(3, 0, 5, 2);    // across it
  merged.MergeCells(4, 4, 6, 5);    // starting at it
  merged.MergeCells(10, 1, 10, 3);  // after it
  merged.InsertRows(4, 2);
  EXPECT_EQ(merged.Ranges(),
            (std::vector<TMergedRange>{{0, 1, 0, 1}, {3, 7, 0, 2}, {6, 8, 4, 5}, {12, 12, 1, 3}}));
  merged.InsertCols(2, 1);
  EXPECT_EQ(merged.Ranges(),
            (std::vector<TMergedRange>{{0, 1, 0, 1}, {3, 7, 0, 3}, {6, 8, 5, 6}, {12, 12, 1, 4}}));

  TMergedCells edge;
  edge.MergeCells(100, 250, 65534, 254);
  EXPECT_EQ(ErrorText([&] { edge.InsertRows(65535, 1); }), "");  // after the range
  EXPECT_EQ(ErrorText([&] { edge.InsertRows(200, 2); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { edge.InsertCols(0, 2); }), "Invalid Column (256)");
  EXPECT_EQ(edge.Ranges(), (std::vector<TMergedRange>{{100, 65534, 250, 254}}));
  edge.InsertRows(200, 1);
  edge.InsertCols(251, 1);
  EXPECT_EQ(edge.Ranges(), (std::vector<TMergedRange>{{100, 65535, 250, 255}}));
}

}  // namespace
}  // namespace tessary

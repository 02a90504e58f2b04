// The cell block of a worksheet: storing values with the row bookkeeping,
// writing DIMENSIONS, rows in blocks and joined cells, column entries,
// merged ranges, and loading records read from a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
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

struct Rec {
  uint16_t Id;
  Bytes Payload;
};

std::vector<Rec> Parse(const Bytes& data) {
  std::vector<Rec> recs;
  for (size_t pos = 0; pos + 4 <= data.size();) {
    const uint16_t size = GetU16(&data[pos + 2]);
    recs.push_back(
        {GetU16(&data[pos]), Bytes(data.begin() + pos + 4, data.begin() + pos + 4 + size)});
    pos += 4 + size;
  }
  return recs;
}

// Writes the block, checking that its size was announced exactly.
template <class Block>
std::vector<Rec> Written(const Block& block) {
  TMemoryRecordStream out;
  block.SaveToStream(out);
  EXPECT_EQ(out.Data.size(), block.TotalSize());
  return Parse(out.Data);
}

std::vector<uint16_t> Ids(const std::vector<Rec>& recs) {
  std::vector<uint16_t> ids;
  for (const Rec& r : recs) ids.push_back(r.Id);
  return ids;
}

TXlsCellValue Value(TXlsValue v, int32_t xf = -1) { return {std::move(v), xf, false}; }

struct Sheet {
  TSST Sst;
  TColInfoList Columns;
  TCells Cells{&Columns, &Sst};
  void Set(int row, int col, TXlsValue v, int32_t xf = -1) {
    Cells.SetValueX2(row, col, Value(std::move(v), xf), false);
  }
};

TEST(CellBlock, EmptyTextStoresNothingInTheDefaultFormatAndABlankOtherwise) {
  Sheet s;
  s.Set(0, 0, std::u16string(), 15);
  EXPECT_EQ(s.Cells.RowCount(), 0u);
  EXPECT_EQ(HexBytes(Written(s.Cells)[0].Payload), "00 00 00 00 00 00 00 00 00 00 01 00 00 00");
  EXPECT_EQ(s.Cells.TotalSize(), 18u);

  s.Set(0, 0, std::u16string(), 21);
  const auto recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::BLANK}));
  EXPECT_EQ(HexBytes(recs[0].Payload), "00 00 00 00 01 00 00 00 00 00 01 00 00 00");
  EXPECT_EQ(HexBytes(recs[1].Payload), "00 00 00 00 01 00 FF 00 00 00 00 00 00 01 0F 00");
  EXPECT_EQ(HexBytes(recs[2].Payload), "00 00 00 00 15 00");
}

TEST(CellBlock, RunsOfNumbersAndBlanksAreJoined) {
  Sheet s;
  s.Set(0, 0, 1.0, 21);
  s.Set(0, 1, 2.0, 21);
  s.Set(0, 2, 3.0, 21);
  s.Set(1, 0, 1.0, 21);
  s.Set(1, 1, std::u16string(u"a"), 21);
  s.Set(1, 2, 3.0, 21);
  s.Set(2, 4, std::u16string(), 21);
  s.Set(2, 6, std::u16string(), 21);
  s.Set(3, 0, std::u16string(), 21);
  s.Set(3, 1, std::u16string(), 22);
  s.Set(3, 2, std::u16string(), 23);
  const auto recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs),
            (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::ROW, xlsid::ROW,
                                   xlsid::ROW, xlsid::MULRK, xlsid::RK, xlsid::LABELSST, xlsid::RK,
                                   xlsid::BLANK, xlsid::BLANK, xlsid::MULBLANK}));
  // row 0, columns 0-2, XF 21 with RK 1, 2, 3, last column 2
  EXPECT_EQ(HexBytes(recs[5].Payload),
            "00 00 00 00 15 00 00 00 F0 3F 15 00 00 00 00 40 15 00 00 00 08 40 02 00");
  EXPECT_EQ(HexBytes(recs[11].Payload), "03 00 00 00 15 00 16 00 17 00 02 00");
  EXPECT_EQ(HexBytes(recs[0].Payload), "00 00 00 00 04 00 00 00 00 00 07 00 00 00");
}

TEST(CellBlock, NumbersTakeRKOrNumberAndDatesMoveFor1904) {
  Sheet s;
  s.Set(0, 0, 3.14159);
  s.Set(0, 2, 536870912.0);
  s.Cells.SetValueX2(0, 4, Value(TXlsDate{1462 + 2.5}), true);
  s.Set(0, 6, true);
  const auto recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::NUMBER,
                                              xlsid::RK, xlsid::RK, xlsid::BOOLERR}));
  EXPECT_EQ(GetDouble(recs[2].Payload.data() + 6), 3.14159);
  EXPECT_EQ(GetU32(recs[3].Payload.data() + 6), 0x41C00000u);
  EXPECT_EQ(s.Cells.GetValue(0, 4).Value, TXlsValue(2.5));
  EXPECT_EQ(HexBytes(recs[5].Payload), "00 00 06 00 0F 00 01 00");
}

TEST(CellBlock, RestoringKeepsTheXFAndRemovingUpdatesTheRow) {
  Sheet s;
  s.Set(5, 3, 1.0, 30);
  s.Set(5, 7, 2.0, 31);
  s.Set(5, 3, std::u16string(u"x"));
  EXPECT_EQ(s.Cells.GetValue(5, 3).XF, 30);
  EXPECT_EQ(s.Cells.GetValue(5, 3).Value, TXlsValue(std::u16string(u"x")));
  EXPECT_EQ(s.Cells.Row(5)->LastCol(), 8);

  // Emptying the last cell of a row in its default XF removes the cell;
  // the row shrinks to what remains.
  s.Set(5, 7, TXlsValue(), 15);
  EXPECT_EQ(s.Cells.CellXF(5, 7), -1);
  EXPECT_EQ(s.Cells.Row(5)->FirstCol(), 3);
  EXPECT_EQ(s.Cells.Row(5)->LastCol(), 4);
  // The string loses its reference with its cell.
  const uint32_t entry = s.Sst.EntryOffsetAt(0);
  s.Set(5, 3, TXlsValue(), 15);
  EXPECT_EQ(s.Sst.RefCount(entry), 0u);
  // No cell left and a standard row: the row and the slots before it go.
  EXPECT_EQ(s.Cells.RowCount(), 0u);
  EXPECT_EQ(s.Cells.CellRowCount(), 0u);

  // A row with a height keeps its ROW record when its last cell goes.
  s.Set(2, 1, 5.0);
  s.Cells.SetRowHeight(2, 400);
  s.Set(2, 1, TXlsValue(), 15);
  ASSERT_NE(s.Cells.Row(2), nullptr);
  EXPECT_EQ(s.Cells.Row(2)->LastCol(), 0);
}

TEST(CellBlock, RowWithOnlyAHeightKeepsACustomHeightRow) {
  Sheet s;
  s.Cells.SetRowHeight(3, 300);
  s.Cells.SetRowHidden(4, true);
  const auto recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::ROW}));
  EXPECT_EQ(HexBytes(recs[0].Payload), "03 00 00 00 05 00 00 00 00 00 01 00 00 00");
  EXPECT_EQ(HexBytes(recs[1].Payload), "03 00 00 00 00 00 2C 01 00 00 00 00 40 01 0F 00");
  EXPECT_EQ(recs[2].Payload[12], 0x20);
  s.Cells.SetRowHidden(4, false);
  EXPECT_FALSE(s.Cells.Row(4)->IsModified());
}

TEST(CellBlock, CellsOnlyInRow40) {
  Sheet s;
  s.Set(40, 0, 1.0);
  s.Set(40, 2, std::u16string(u"z"));
  const auto recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs),
            (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::RK, xlsid::LABELSST}));
  EXPECT_EQ(HexBytes(recs[0].Payload), "28 00 00 00 29 00 00 00 00 00 03 00 00 00");
}

TEST(CellBlock, SeventyRowsGoOutInBlocksOf32) {
  Sheet s;
  for (int r = 0; r < 70; ++r) s.Set(r, 0, static_cast<double>(r));
  const auto recs = Written(s.Cells);
  ASSERT_EQ(recs.size(), 1u + 140);
  size_t pos = 1;
  for (const int blockRows : {32, 32, 6}) {
    for (int i = 0; i < blockRows; ++i) EXPECT_EQ(recs[pos + i].Id, xlsid::ROW) << pos + i;
    for (int i = 0; i < blockRows; ++i) {
      EXPECT_EQ(recs[pos + blockRows + i].Id, xlsid::RK) << pos + blockRows + i;
    }
    EXPECT_EQ(GetU16(recs[pos].Payload.data()), GetU16(recs[pos + blockRows].Payload.data()));
    pos += 2 * blockRows;
  }
}

TEST(CellBlock, RowsAndColumnsOutsideTheSheetAreRefused) {
  Sheet s;
  EXPECT_EQ(ErrorText([&] { s.Set(65536, 0, 1.0); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { s.Set(-1, 0, 1.0); }), "Invalid Row (-1)");
  EXPECT_EQ(ErrorText([&] { s.Set(0, 256, 1.0); }), "Invalid Column (256)");
  EXPECT_EQ(ErrorText([&] { s.Cells.SetFormat(0, -2, 21); }), "Invalid Column (-2)");
  EXPECT_EQ(ErrorText([&] { s.Columns.SetColWidth(256, 1); }), "Invalid Column (256)");
  EXPECT_EQ(s.Cells.RowCount(), 0u);
  s.Set(65535, 255, 1.0);
  EXPECT_EQ(HexBytes(Written(s.Cells)[0].Payload), "FF FF 00 00 00 00 01 00 00 00 00 01 00 00");
}

TEST(CellBlock, DefaultXFComesFromAFormattedRowOrTheColumn) {
  Sheet s;
  s.Columns.Set({2, 2000, 40, 0});
  s.Set(0, 2, TXlsValue());
  EXPECT_EQ(s.Cells.CellXF(0, 2), -1);  // the column's XF is the default
  s.Set(0, 2, 7.0);
  EXPECT_EQ(s.Cells.CellXF(0, 2), 40);
  TRowRecord* row = s.Cells.Row(0);
  row->SetFlags(TRowRecord::kFormatted);
  PutU16(row->Data.data() + 14, 50);
  EXPECT_EQ(s.Cells.RowXF(0), 50);
  s.Set(0, 3, 7.0);
  EXPECT_EQ(s.Cells.CellXF(0, 3), 50);
  s.Cells.SetFormat(0, 3, 60);
  EXPECT_EQ(s.Cells.CellXF(0, 3), 60);
  s.Cells.SetFormat(0, 9, 61);
  EXPECT_EQ(s.Cells.GetValue(0, 9).Value, TXlsValue());
  EXPECT_EQ(s.Cells.CellXF(0, 9), 61);
  EXPECT_EQ(s.Cells.RowXF(1), -1);
}

TEST(CellBlock, ColumnEntriesAreWrittenInRuns) {
  TColInfoList columns;
  columns.SetColWidth(0, 3072);
  columns.SetColWidth(1, 3072);
  columns.SetColWidth(2, 2267);
  auto recs = Written(columns);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(HexBytes(recs[0].Payload), "00 00 01 00 00 0C 0F 00 00 00 00 00");
  EXPECT_EQ(HexBytes(recs[1].Payload), "02 00 02 00 DB 08 0F 00 00 00 00 00");

  columns.SetColHidden(1, true, 2344);
  columns.SetColHidden(5, true, 2344);
  columns.SetColWidth(3, 0);
  columns.SetColHidden(3, false, 2344);  // shown again with the default width
  EXPECT_EQ(columns.Find(3)->Width, 2344);
  EXPECT_EQ(columns.Find(5)->Options, 1);
  EXPECT_EQ(columns.Find(5)->Width, 2344);
  recs = Written(columns);
  EXPECT_EQ(recs.size(), 5u);
  columns.SetColHidden(1, false, 2344);
  EXPECT_EQ(columns.Find(1)->Width, 3072);
  EXPECT_EQ(Written(columns).size(), 4u);
}

TEST(CellBlock, LoadedColumnRangesAreExpandedWithinTheSheet) {
  TColInfoList columns;
  // Columns 0-65535, width 1000, XF 15, level 2.
  columns.AddPayload(Bytes{0, 0, 0xFF, 0xFF, 0xE8, 0x03, 15, 0, 0, 2, 0, 0});
  EXPECT_EQ(columns.Count(), 256u);
  EXPECT_EQ(columns.Find(255)->Options, 0x0200);
  const auto recs = Written(columns);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(HexBytes(recs[0].Payload), "00 00 FF 00 E8 03 0F 00 00 02 00 00");
  // A range that begins beyond the sheet adds nothing.
  columns.Clear();
  columns.AddPayload(Bytes{0, 1, 0xFF, 0xFF, 0xE8, 0x03, 15, 0, 0, 0});
  EXPECT_EQ(columns.Count(), 0u);
}

TEST(CellBlock, MergedRangesGrowOverOverlapsAndSplitAt1027) {
  TMergedCells merged;
  merged.MergeCells(3, 3, 1, 1);
  merged.MergeCells(5, 5, 6, 6);
  merged.MergeCells(2, 2, 5, 5);  // overlaps both
  ASSERT_EQ(merged.Count(), 1u);
  EXPECT_EQ(merged.Ranges()[0], (TMergedRange{1, 6, 1, 6}));
  EXPECT_EQ(HexBytes(Written(merged)[0].Payload), "01 00 01 00 06 00 01 00 06 00");

  merged.Clear();
  EXPECT_EQ(merged.TotalSize(), 0u);
  for (int i = 0; i < 1028; ++i) merged.MergeCells(i, 0, i, 1);
  const auto recs = Written(merged);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(GetU16(recs[0].Payload.data()), 1027);
  EXPECT_EQ(recs[0].Payload.size(), 2u + 8 * 1027);
  EXPECT_EQ(GetU16(recs[1].Payload.data()), 1);

  // Ranges read from a file are kept.
  TMergedCells loaded;
  loaded.AddPayload(Bytes{1, 0, 0, 0, 1, 0, 2, 0, 3, 0});
  EXPECT_EQ(loaded.Ranges()[0], (TMergedRange{0, 1, 2, 3}));
  // A count beyond the payload is refused.
  EXPECT_EQ(ErrorText([&] {
              loaded.AddPayload(Bytes{2, 0, 0, 0, 1, 0, 0, 0, 1, 0});
            }),
            kFileInvalidText);
}

std::unique_ptr<TBaseRecord> Make(uint16_t id, Bytes payload) {
  return CreateRecord(id, std::move(payload));
}

Bytes RowPayload(uint16_t row, uint16_t first, uint16_t last) {
  Bytes p(16, 0);
  PutU16(p.data(), row);
  PutU16(p.data() + 2, first);
  PutU16(p.data() + 4, last);
  PutU16(p.data() + 6, 255);
  p[13] = 1;
  PutU16(p.data() + 14, 15);
  return p;
}

TEST(CellBlock, LoadingFilesRowsAndSplitsMultipleCells) {
  TCells cells;
  cells.AddRecord(Make(xlsid::ROW, RowPayload(1, 0, 3)));
  cells.AddRecord(Make(xlsid::MULRK, {1, 0, 0, 0,    21, 0, 0, 0, 0xF0, 0x3F, 21, 0,
                                      0, 0, 0, 0x40, 21, 0, 0, 0, 0x08, 0x40, 2,  0}));
  cells.AddRecord(Make(xlsid::MULBLANK, {1, 0, 4, 0, 22, 0, 22, 0, 5, 0}));
  EXPECT_EQ(cells.GetValue(1, 2).Value, TXlsValue(3.0));
  EXPECT_EQ(cells.CellXF(1, 5), 22);
  EXPECT_EQ(ErrorText([&] { cells.AddRecord(Make(xlsid::ROW, RowPayload(1, 0, 0))); }),
            "Duplicated ROW record");
  EXPECT_EQ(ErrorText([&] {
              cells.AddRecord(Make(xlsid::BLANK, {1, 0, 0, 1, 15, 0}));
            }),
            kFileInvalidText);

  // Written again as one MULRK and one MULBLANK; the row's last column is
  // kept as read.
  cells.FixRows();
  const auto recs = Written(cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::MULRK,
                                              xlsid::BLANK, xlsid::BLANK}));
  EXPECT_EQ(HexBytes(recs[0].Payload), "01 00 00 00 02 00 00 00 00 00 03 00 00 00");
}

TEST(CellBlock, LoadedCellsWithoutARowRecordAreNotLost) {
  TCells cells;
  // Rows 0 and 5 have cells but no ROW; row 2 has a ROW.
  cells.AddRecord(Make(xlsid::BLANK, {0, 0, 3, 0, 21, 0}));
  cells.AddRecord(Make(xlsid::ROW, RowPayload(2, 0, 1)));
  cells.AddRecord(Make(xlsid::BLANK, {2, 0, 0, 0, 21, 0}));
  cells.AddRecord(Make(xlsid::BLANK, {5, 0, 7, 0, 21, 0}));
  cells.FixRows();
  ASSERT_NE(cells.Row(0), nullptr);
  EXPECT_EQ(cells.Row(0)->FirstCol(), 3);
  EXPECT_EQ(cells.Row(0)->LastCol(), 4);
  const auto recs = Written(cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::ROW, xlsid::ROW,
                                              xlsid::BLANK, xlsid::BLANK, xlsid::BLANK}));
  EXPECT_EQ(HexBytes(recs[0].Payload), "00 00 00 00 06 00 00 00 00 00 08 00 00 00");
}

TEST(CellBlock, LoadedRecordsAreWrittenBackAndReplacedByStoredValues) {
  Sheet s;
  s.Cells.AddRecord(Make(xlsid::ROW, RowPayload(0, 0, 3)));
  s.Cells.AddRecord(Make(xlsid::LABEL, {0, 0, 0, 0, 15, 0, 2, 0, 0, 'o', 'k'}));
  Bytes formula(26, 0);
  formula[2] = 1;
  PutU16(formula.data() + 12, 0xFFFF);
  auto record = Make(xlsid::FORMULA, formula);
  static_cast<TFormulaRecord&>(*record).Attach(
      std::make_unique<TBaseRecord>(xlsid::STRING, Bytes{1, 0, 0, 'x'}));
  s.Cells.AddRecord(std::move(record));
  auto recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::LABEL,
                                              xlsid::FORMULA, xlsid::STRING}));
  EXPECT_EQ(HexBytes(recs[2].Payload), "00 00 00 00 0F 00 02 00 00 6F 6B");
  EXPECT_EQ(recs[3].Payload, formula);
  EXPECT_TRUE(s.Cells.GetValue(0, 1).IsFormula);
  EXPECT_EQ(s.Cells.GetValue(0, 1).Value, TXlsValue(std::u16string(u"x")));

  // Storing over them replaces the records, the formula's STRING with it.
  s.Set(0, 0, 4.0);
  s.Set(0, 1, 5.0);
  recs = Written(s.Cells);
  ASSERT_EQ(Ids(recs), (std::vector<uint16_t>{xlsid::DIMENSIONS, xlsid::ROW, xlsid::MULRK}));
  EXPECT_FALSE(s.Cells.GetValue(0, 1).IsFormula);
  EXPECT_EQ(s.Cells.CellXF(0, 1), 0);  // the formula's XF is kept
}

// Random sheets: the announced size is what is written, and what is read
// back is what was stored.
TEST(CellBlock, TotalSizeIsExactOnRandomSheets) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 40; ++round) {
    Sheet s;
    const int rows = 1 + static_cast<int>(rng() % 120);
    for (int op = 0; op < 400; ++op) {
      const int r = static_cast<int>(rng() % rows);
      const int c = static_cast<int>(rng() % 12);
      const int32_t xf = static_cast<int32_t>(rng() % 4) + 14;
      switch (rng() % 8) {
        case 0:
          s.Set(r, c, static_cast<double>(rng() % 1000), xf);
          break;
        case 1:
          s.Set(r, c, (rng() % 1000) / 7.0, xf);
          break;
        case 2:
          s.Set(r, c, std::u16string(1, static_cast<char16_t>(u'a' + rng() % 5)), xf);
          break;
        case 3:
          s.Set(r, c, TXlsValue(), xf);
          break;
        case 4:
          s.Set(r, c, rng() % 2 == 0, xf);
          break;
        case 5:
          s.Cells.SetRowHeight(r, static_cast<uint16_t>(rng() % 600));
          break;
        case 6:
          s.Cells.SetRowHidden(r, rng() % 2 == 0);
          break;
        default:
          s.Set(r, c, 1.5, xf);
          break;
      }
    }
    s.Cells.FixRows();
    TMemoryRecordStream out;
    s.Cells.SaveToStream(out);
    ASSERT_EQ(out.Data.size(), s.Cells.TotalSize()) << "round " << round;

    // Reading the written records back gives the same cells (string cells
    // by their XF only: they are not attached to a table here).
    TCells back;
    for (const Rec& rec : Parse(out.Data)) {
      if (rec.Id == xlsid::DIMENSIONS) continue;
      back.AddRecord(Make(rec.Id, rec.Payload));
    }
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < 12; ++c) {
        ASSERT_EQ(back.CellXF(r, c), s.Cells.CellXF(r, c)) << r << "," << c;
        const TXlsValue v = s.Cells.GetValue(r, c).Value;
        if (!std::holds_alternative<std::u16string>(v)) {
          ASSERT_EQ(back.GetValue(r, c).Value, v) << r << "," << c;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessary

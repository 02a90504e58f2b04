// Single cell-block records: RK forms, string and formula cells, the
// multiple-cell records read from files and payloads too short to read.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "xls/cell_records.h"
#include "xls/cells.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace tessary {
namespace {

using namespace tessary::testing;

using Bytes = std::vector<uint8_t>;

TEST(CellRecords, RKFormsFirstFormBeforeSecondAndTimesOneBeforeTimesHundred) {
  struct Case {
    double Value;
    uint32_t RK;
  } cases[] = {
      {42, 0x40450000},         {0.5, 0x3FE00000},        {0.1, 0x40240001},
      {0.25, 0x3FD00000},       {536870912, 0x41C00000},  {123456789, 0x1D6F3456},
      {536870911, 0x7FFFFFFE},  {12345.67, 0x004B5A1F},   {-1, 0xBFF00000},
      {-536870912, 0xC1C00000}, {-536870911, 0x80000006},
  };
  for (const Case& c : cases) {
    uint32_t rk = 0;
    ASSERT_TRUE(EncodeRK(c.Value, rk)) << c.Value;
    EXPECT_EQ(rk, c.RK) << c.Value;
    EXPECT_EQ(DecodeRK(rk), c.Value) << c.Value;
  }
  uint32_t rk;
  EXPECT_FALSE(EncodeRK(3.14159, rk));
  EXPECT_FALSE(EncodeRK(1.0 / 3, rk));
}

TEST(CellRecords, BoolErrHoldsBooleansAndTheSevenErrorNames) {
  TCells cells;
  cells.AddPayload(xlsid::BOOLERR, Bytes{0, 0, 0, 0, 15, 0, 1, 0});
  cells.AddPayload(xlsid::BOOLERR, Bytes{0, 0, 1, 0, 15, 0, 0x07, 1});
  EXPECT_EQ(cells.GetValue(0, 0).Value, TXlsValue(true));
  EXPECT_EQ(cells.GetValue(0, 1).Value, TXlsValue(std::u16string(u"#DIV/0!")));
  EXPECT_EQ(cells.ErrorCode(*cells.Cell(0, 1)), 0x07);
  EXPECT_EQ(cells.ErrorCode(*cells.Cell(0, 0)), std::nullopt);
  const char16_t* names[] = {u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                             u"#NAME?", u"#NUM!",   u"#N/A"};
  const uint8_t codes[] = {0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(ErrorCodeText(codes[i]), names[i]);
  EXPECT_EQ(ErrorCodeText(0x01), u"");
}

TEST(CellRecords, StringCellsHoldOneReferenceEach) {
  TSST sst;
  {
    TCells cells(nullptr, &sst);
    cells.SetValueX2(0, 0, {std::u16string(u"abc"), -1, false}, false);
    cells.SetValueX2(1, 0, {std::u16string(u"abc"), -1, false}, false);
    ASSERT_EQ(sst.Count(), 1u);
    const uint32_t entry = sst.EntryOffsetAt(0);
    EXPECT_EQ(sst.RefCount(entry), 2u);
    cells.SetValueX2(0, 0, {std::u16string(u"xyz"), -1, false}, false);
    EXPECT_EQ(sst.RefCount(entry), 1u);
    EXPECT_EQ(cells.GetValue(0, 0).Value, TXlsValue(std::u16string(u"xyz")));
  }
  // The block gave its references back with its cells.
  sst.FixRefs();
  EXPECT_EQ(sst.Count(), 0u);
}

TEST(CellRecords, LoadedStringCellTakesTheEntryAtItsIndex) {
  TSST sst;
  sst.AddString(u"first");
  sst.AddString(u"second");
  Bytes payload = {1, 0, 2, 0, 15, 0, 1, 0, 0, 0};
  TCells cells(nullptr, &sst);
  cells.AddPayload(xlsid::LABELSST, payload);
  EXPECT_EQ(cells.GetValue(1, 2).Value, TXlsValue(std::u16string(u"second")));
  EXPECT_EQ(sst.RefCount(sst.EntryOffsetAt(1)), 2u);

  // A record kept as read (a macro sheet's) does the same, and so does its
  // copy.
  TLabelSSTRecord record(xlsid::LABELSST, payload);
  record.AttachToSST(sst);
  EXPECT_EQ(record.GetValue(), TXlsValue(std::u16string(u"second")));
  EXPECT_EQ(record.Clone()->Id, xlsid::LABELSST);
  EXPECT_EQ(sst.RefCount(sst.EntryOffsetAt(1)), 3u);

  payload[6] = 2;
  TLabelSSTRecord outside(xlsid::LABELSST, payload);
  EXPECT_EQ(ErrorText([&] { outside.AttachToSST(sst); }), kFileInvalidText);
  EXPECT_EQ(ErrorText([&] { cells.AddPayload(xlsid::LABELSST, payload); }), kFileInvalidText);
}

TEST(CellRecords, LabelAndFormulaResultsAreRead) {
  TLabelRecord label(xlsid::LABEL, {0, 0, 0, 0, 15, 0, 3, 0, 0, 'a', 'b', 'c'});
  EXPECT_EQ(label.GetValue(), TXlsValue(std::u16string(u"abc")));
  // A count beyond the payload reads as empty, never past it.
  TLabelRecord cut(xlsid::LABEL, {0, 0, 0, 0, 15, 0, 9, 0, 0, 'a'});
  EXPECT_EQ(cut.GetValue(), TXlsValue(std::u16string()));

  Bytes payload(22, 0);
  PutDouble(payload.data() + 6, 2.5);
  TFormulaRecord number(xlsid::FORMULA, payload);
  EXPECT_EQ(number.GetValue(), TXlsValue(2.5));
  EXPECT_TRUE(number.IsFormula());

  PutU16(payload.data() + 12, 0xFFFF);
  payload[6] = 0;  // text in the STRING that follows
  TFormulaRecord text(xlsid::FORMULA, payload);
  text.Attach(std::make_unique<TBaseRecord>(xlsid::STRING, Bytes{2, 0, 0, 'h', 'i'}));
  EXPECT_EQ(text.GetValue(), TXlsValue(std::u16string(u"hi")));
  EXPECT_EQ(text.TotalSize(), 4u + 22 + 4 + 5);
  TMemoryRecordStream out;
  text.SaveToStream(out);
  EXPECT_EQ(out.Data.size(), text.TotalSize());
  EXPECT_EQ(text.Clone()->TotalSize(), text.TotalSize());

  payload[6] = 1;
  payload[8] = 1;
  EXPECT_EQ(TFormulaRecord(xlsid::FORMULA, payload).GetValue(), TXlsValue(true));
  payload[6] = 2;
  payload[8] = 0x2A;
  EXPECT_EQ(TFormulaRecord(xlsid::FORMULA, payload).GetValue(), TXlsValue(std::u16string(u"#N/A")));
}

TEST(CellRecords, MultipleCellRecordsSplitIntoSingleCells) {
  // Row 3, columns 1-2: XF 21 with RK 1, XF 22 with RK 2.
  Bytes mulRK = {3, 0, 1, 0, 21, 0, 0, 0, 0xF0, 0x3F, 22, 0, 0, 0, 0, 0x40, 2, 0};
  TCells cells;
  cells.AddPayload(xlsid::MULRK, mulRK);
  ASSERT_EQ(cells.RowCells(3).size(), 2u);
  EXPECT_EQ(cells.GetValue(3, 1).Value, TXlsValue(1.0));
  EXPECT_EQ(cells.CellXF(3, 1), 21);
  EXPECT_EQ(cells.GetValue(3, 2).Value, TXlsValue(2.0));
  EXPECT_EQ(cells.CellXF(3, 2), 22);

  cells.AddPayload(xlsid::MULBLANK, Bytes{0, 0, 254, 0, 15, 0, 16, 0, 255, 0});
  EXPECT_EQ(cells.CellXF(0, 255), 16);
  EXPECT_EQ(cells.GetValue(0, 255).Value, TXlsValue());

  // Damaged: last column not matching the length, a partial entry, columns
  // beyond the sheet, no entry at all.
  Bytes badLast = mulRK;
  badLast.back() = 5;
  Bytes partial = mulRK;
  partial.insert(partial.end() - 2, 0);
  Bytes beyond = {0, 0, 255, 0, 15, 0, 16, 0, 0, 1};
  for (const Bytes& bad : {badLast, partial, Bytes{3, 0, 1, 0, 1, 0}}) {
    EXPECT_EQ(ErrorText([&] { cells.AddPayload(xlsid::MULRK, bad); }), kFileInvalidText);
  }
  EXPECT_EQ(ErrorText([&] { cells.AddPayload(xlsid::MULBLANK, beyond); }), kFileInvalidText);
}

// One rule for every record the engine reads fields of: a payload too short
// for them refuses the file.
TEST(CellRecords, PayloadsTooShortForTheirFieldsAreRefused) {
  const struct {
    uint16_t Id;
    size_t Size;
  } shortest[] = {{xlsid::BLANK, 6},     {xlsid::NUMBER, 14}, {xlsid::RK, 10},
                  {xlsid::LABELSST, 10}, {xlsid::BOOLERR, 8}, {xlsid::ROW, 16},
                  {xlsid::COLINFO, 10},  {xlsid::FORMULA, 6}, {xlsid::LABEL, 6},
                  {xlsid::WINDOW1, 16},  {xlsid::WINDOW2, 2}, {xlsid::DEFAULTROWHEIGHT, 4},
                  {xlsid::WSBOOL, 2},    {xlsid::NAME, 10},   {xlsid::FORMAT, 5}};
  for (const auto& s : shortest) {
    EXPECT_NO_THROW(CreateRecord(s.Id, Bytes(s.Size, 0))) << s.Id;
    EXPECT_EQ(ErrorText([&] { CreateRecord(s.Id, Bytes(s.Size - 1, 0)); }), kFileInvalidText)
        << s.Id;
  }

  // A ROW keeps its 16 bytes, with offset 8 cleared.
  auto record = CreateRecord(xlsid::ROW, Bytes(20, 0x11));
  ASSERT_EQ(record->DataSize(), 16);
  EXPECT_EQ(GetU16(record->Data.data() + 8), 0);
  EXPECT_EQ(record->TotalSize(), 20u);
}

}  // namespace
}  // namespace tessary

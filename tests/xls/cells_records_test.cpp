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

TEST(CellRecords, RKRecordRefusesValuesWithoutRKForm) {
  auto record = TRKRecord::Build(1, 2, 15);
  record->SetValue(0.1);
  EXPECT_EQ(record->RK(), 0x40240001u);
  EXPECT_EQ(ErrorText([&] { record->SetValue(3.14159); }), "Invalid cell value: \"3.14159\"");
  EXPECT_EQ(record->RK(), 0x40240001u);
}

TEST(CellRecords, BoolErrHoldsBooleansAndTheSevenErrorNames) {
  auto record = TBoolErrRecord::Build(0, 0, 15);
  record->SetBool(true);
  EXPECT_EQ(record->GetValue(), TXlsValue(true));
  record->SetErrorText(u"#DIV/0!");
  EXPECT_EQ(record->Data[6], 0x07);
  EXPECT_EQ(record->Data[7], 1);
  EXPECT_EQ(record->GetValue(), TXlsValue(std::u16string(u"#DIV/0!")));
  EXPECT_EQ(ErrorText([&] { record->SetErrorText(u"#BAD!"); }),
            "Invalid cell error code: \"#BAD!\"");
}

TEST(CellRecords, StringCellsHoldOneReferenceEach) {
  TSST sst;
  auto a = TLabelSSTRecord::Build(0, 0, 15, sst);
  a->SetAsString(u"abc");
  const auto entry = static_cast<uint32_t>(a->FEntry);
  EXPECT_EQ(sst.RefCount(entry), 1u);
  {
    auto copy = a->Clone();
    EXPECT_EQ(sst.RefCount(entry), 2u);
    EXPECT_EQ(static_cast<TLabelSSTRecord&>(*copy).Text(), u"abc");
  }
  EXPECT_EQ(sst.RefCount(entry), 1u);
  a->SetAsString(u"xyz");
  EXPECT_EQ(sst.RefCount(entry), 0u);
  EXPECT_EQ(a->Text(), u"xyz");
  a.reset();
  sst.FixRefs();
  EXPECT_EQ(sst.Count(), 0u);
}

TEST(CellRecords, LoadedStringCellTakesTheEntryAtItsIndex) {
  TSST sst;
  sst.AddString(u"first");
  sst.AddString(u"second");
  Bytes payload = {1, 0, 2, 0, 15, 0, 1, 0, 0, 0};
  TLabelSSTRecord record(xlsid::LABELSST, payload);
  record.AttachToSST(sst);
  EXPECT_EQ(record.Text(), u"second");
  EXPECT_EQ(sst.RefCount(sst.EntryOffsetAt(1)), 2u);

  payload[6] = 2;
  TLabelSSTRecord outside(xlsid::LABELSST, payload);
  EXPECT_EQ(ErrorText([&] { outside.AttachToSST(sst); }), kFileInvalidText);
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
  auto cells = TMulRKRecord(xlsid::MULRK, mulRK).Split();
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0]->Row(), 3);
  EXPECT_EQ(cells[0]->Column(), 1);
  EXPECT_EQ(cells[0]->XF(), 21);
  EXPECT_EQ(cells[0]->GetValue(), TXlsValue(1.0));
  EXPECT_EQ(cells[1]->Column(), 2);
  EXPECT_EQ(cells[1]->XF(), 22);
  EXPECT_EQ(cells[1]->GetValue(), TXlsValue(2.0));

  Bytes mulBlank = {0, 0, 254, 0, 15, 0, 16, 0, 255, 0};
  cells = TMulBlankRecord(xlsid::MULBLANK, mulBlank).Split();
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[1]->Column(), 255);
  EXPECT_EQ(cells[1]->XF(), 16);

  // Damaged: last column not matching the length, a partial entry, columns
  // beyond the sheet, no entry at all.
  Bytes badLast = mulRK;
  badLast.back() = 5;
  Bytes partial = mulRK;
  partial.insert(partial.end() - 2, 0);
  Bytes beyond = {0, 0, 255, 0, 15, 0, 16, 0, 0, 1};
  for (const Bytes& bad : {badLast, partial, Bytes{3, 0, 1, 0, 1, 0}}) {
    EXPECT_EQ(ErrorText([&] { TMulRKRecord(xlsid::MULRK, bad).Split(); }), kFileInvalidText);
  }
  EXPECT_EQ(ErrorText([&] { TMulBlankRecord(xlsid::MULBLANK, beyond).Split(); }), kFileInvalidText);
}

TEST(CellRecords, FactoryRefusesPayloadsTooShortForTheirFields) {
  const struct {
    uint16_t Id;
    size_t Size;
  } shortest[] = {{xlsid::BLANK, 6},     {xlsid::NUMBER, 14}, {xlsid::RK, 10},
                  {xlsid::LABELSST, 10}, {xlsid::BOOLERR, 8}, {xlsid::ROW, 16},
                  {xlsid::COLINFO, 10},  {xlsid::FORMULA, 6}, {xlsid::LABEL, 6}};
  for (const auto& s : shortest) {
    Bytes ok(s.Size, 0);
    EXPECT_NE(CreateCellBlockRecord(s.Id, ok), nullptr) << s.Id;
    Bytes cut(s.Size - 1, 0);
    EXPECT_EQ(ErrorText([&] { CreateCellBlockRecord(s.Id, cut); }), kFileInvalidText) << s.Id;
  }
  Bytes other(4, 0);
  EXPECT_EQ(CreateCellBlockRecord(xlsid::WINDOW2, other), nullptr);

  // A ROW keeps its 16 bytes, with offset 8 cleared.
  Bytes row(20, 0x11);
  auto record = CreateCellBlockRecord(xlsid::ROW, row);
  ASSERT_EQ(record->DataSize(), 16);
  EXPECT_EQ(GetU16(record->Data.data() + 8), 0);
  EXPECT_EQ(record->TotalSize(), 20u);

  Bytes merged = {2, 0, 0, 0, 1, 0, 0, 0, 1, 0};
  auto merging = CreateCellBlockRecord(xlsid::MERGEDCELLS, merged);
  EXPECT_EQ(ErrorText([&] { static_cast<TCellMergingRecord&>(*merging).Ranges(); }),
            kFileInvalidText);
}

}  // namespace
}  // namespace tessary

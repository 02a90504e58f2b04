// The record layer: record classes by type, CONTINUE chains and the rules by
// which records are read and attached.
#include "xls/records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "xls/record_reader.h"

namespace tessary {
namespace {

using Bytes = std::vector<uint8_t>;

// Appends one record (header and payload) to a stream image.
void Rec(Bytes& out, uint16_t id, std::initializer_list<uint8_t> payload) {
  AppendU16(out, id);
  AppendU16(out, static_cast<uint16_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
}

// Reads every record of `image` until the invented EOF at its end.
std::vector<std::unique_ptr<TBaseRecord>> ReadAll(const Bytes& image) {
  TRecordReader stream(image);
  std::vector<std::unique_ptr<TBaseRecord>> records;
  for (;;) {
    const uint16_t id = stream.Header.Id;
    records.push_back(ReadNextRecord(stream));
    if (id == xlsid::EOFREC) break;
  }
  return records;
}

std::string FailureOf(const Bytes& image) {
  try {
    ReadAll(image);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

Bytes SaveAll(const std::vector<std::unique_ptr<TBaseRecord>>& records) {
  TMemoryRecordStream out;
  for (const auto& r : records) r->SaveToStream(out);
  return out.Data;
}

// A record's length is what its writer put after Begin; what the buffer
// holds reaches the stream in pieces and in order, and counts in Position
// before it does.
TEST(RecordBuffer, LengthsComeFromTheBytesWritten) {
  TMemoryRecordStream sink;
  TRecordBuffer out(sink);
  out.Begin(0x0208);
  out.U16(7);
  out.U32(0x01020304);
  out.End();
  EXPECT_EQ(out.Position(), 10u);
  EXPECT_TRUE(sink.Data.empty());
  out.Flush();
  EXPECT_EQ(sink.Data, (Bytes{0x08, 0x02, 6, 0, 7, 0, 4, 3, 2, 1}));

  // The largest payload is 8224 bytes; one more is refused.
  out.Begin(0x003C);
  for (int i = 0; i < 8224; ++i) out.U8(0);
  out.End();
  out.Begin(0x003C);
  for (int i = 0; i < 8225; ++i) out.U8(0);
  EXPECT_THROW(out.End(), Error);

  // Forty records of 4 KiB: handed on while written, none split.
  TMemoryRecordStream many;
  TRecordBuffer big(many);
  for (int r = 0; r < 40; ++r) {
    big.Begin(static_cast<uint16_t>(r));
    for (int i = 0; i < 4096; ++i) big.U8(static_cast<uint8_t>(r));
    big.End();
  }
  EXPECT_FALSE(many.Data.empty());
  big.Flush();
  ASSERT_EQ(many.Data.size(), 40u * 4100);
  for (size_t r = 0; r < 40; ++r) EXPECT_EQ(GetU16(&many.Data[r * 4100]), r);
}

TEST(RecordReader, ContinueChainOfThreeIsWrittenBackByteForByte) {
  Bytes image;
  Rec(image, 0x00E1, {0xB0, 0x04});  // a generic record
  Rec(image, 0x003C, {1, 2, 3});
  Rec(image, 0x003C, {});  // an empty CONTINUE is kept too
  Rec(image, 0x003C, {4, 5, 6, 7, 8});
  Rec(image, 0x000A, {});
  auto records = ReadAll(image);
  ASSERT_EQ(records.size(), 2u);
  const TBaseRecord& first = *records[0];
  ASSERT_NE(first.Continue, nullptr);
  ASSERT_NE(first.Continue->Continue, nullptr);
  ASSERT_NE(first.Continue->Continue->Continue, nullptr);
  EXPECT_EQ(first.Continue->Continue->Continue->Continue, nullptr);
  EXPECT_EQ(first.TotalSize(), 6u + 7u + 4u + 9u);
  EXPECT_EQ(SaveAll(records), image);
  // A deep copy writes the same bytes.
  TMemoryRecordStream copyOut;
  first.Clone()->SaveToStream(copyOut);
  EXPECT_EQ(copyOut.Data, Bytes(image.begin(), image.end() - 4));
}

TEST(RecordReader, VeryLongContinueChainIsReadCopiedAndFreed) {
  // 200,000 empty CONTINUE records: reading, copying and destroying the
  // chain must not recurse once per link.
  Bytes image;
  Rec(image, 0x00E1, {0xB0, 0x04});
  for (int i = 0; i < 200000; ++i) Rec(image, 0x003C, {});
  auto records = ReadAll(image);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->TotalSize(), 6u + 4u * 200000u);
  auto copy = records[0]->Clone();
  EXPECT_EQ(copy->TotalSize(), records[0]->TotalSize());
}

TEST(RecordReader, StrayBytesAfterTheLastRecordEndTheStream) {
  for (int stray = 1; stray <= 3; ++stray) {
    Bytes image;
    Rec(image, 0x00E1, {0xB0, 0x04});
    image.insert(image.end(), static_cast<size_t>(stray), 0xAB);
    auto records = ReadAll(image);
    ASSERT_EQ(records.size(), 2u) << stray << " stray bytes";
    EXPECT_EQ(records[1]->Id, xlsid::EOFREC);
  }
}

TEST(RecordReader, PayloadRunningPastTheEndFailsInTheStreamLayer) {
  Bytes image;
  AppendU16(image, 0x00E1);
  AppendU16(image, 200);  // announces 200 bytes, holds 5
  image.insert(image.end(), 5, 0);
  EXPECT_EQ(FailureOf(image), "End of stream reached with 195 bytes left to read");
}

TEST(RecordReader, RecordsThatMustFollowAFormula) {
  const std::string invalid = "Error reading Excel records. File invalid";
  Bytes number;
  AppendU16(number, xlsid::NUMBER);
  AppendU16(number, 14);
  number.insert(number.end(), 14, 0);

  Bytes stringAfterNumber = number;
  Rec(stringAfterNumber, xlsid::STRING, {1, 0, 0, 'x'});
  EXPECT_EQ(FailureOf(stringAfterNumber), invalid);

  Bytes arrayAfterNumber = number;
  Rec(arrayAfterNumber, xlsid::ARRAY, {0, 0, 0, 0, 0, 0});
  EXPECT_EQ(FailureOf(arrayAfterNumber), invalid);

  Bytes tableAfterNumber = number;
  Rec(tableAfterNumber, xlsid::TABLE, {0, 0, 0, 0, 0, 0});
  EXPECT_EQ(FailureOf(tableAfterNumber), invalid);

  Bytes tipAfterNumber = number;
  Rec(tipAfterNumber, xlsid::HLINKTOOLTIP, {0, 8});
  EXPECT_EQ(FailureOf(tipAfterNumber), invalid);
}

TEST(RecordReader, ToolTipIsAttachedToItsHyperlink) {
  Bytes image;
  Rec(image, xlsid::HLINK, {1, 2, 3, 4});
  Rec(image, xlsid::HLINKTOOLTIP, {0x00, 0x08, 9});
  Rec(image, xlsid::EOFREC, {});
  auto records = ReadAll(image);
  ASSERT_EQ(records.size(), 2u);
  auto* link = dynamic_cast<THLinkRecord*>(records[0].get());
  ASSERT_NE(link, nullptr);
  ASSERT_NE(link->ToolTip(), nullptr);
  EXPECT_EQ(link->TotalSize(), 8u + 7u);
  EXPECT_EQ(SaveAll(records), image);

  Bytes twoTips = Bytes(image.begin(), image.end() - 4);
  Rec(twoTips, xlsid::HLINKTOOLTIP, {0x00, 0x08, 9});
  EXPECT_EQ(FailureOf(twoTips), "Error reading Excel records. File invalid");
}

TEST(RecordFactory, RefusedAndDroppedTypes) {
  EXPECT_THROW(
      {
        try {
          CreateRecord(xlsid::FILEPASS, Bytes(6, 0));
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "File is password protected");
          throw;
        }
      },
      Error);
  for (uint16_t id : {0x0059, 0x005A, 0x00D7, 0x00ED, 0x00FF, 0x01C1, 0x020B, 0x1060}) {
    auto record = CreateRecord(id, Bytes(4, 1));
    EXPECT_NE(dynamic_cast<TIgnoreRecord*>(record.get()), nullptr) << std::hex << id;
    EXPECT_EQ(record->TotalSize(), 0u);
    TMemoryRecordStream out;
    record->SaveToStream(out);
    EXPECT_TRUE(out.Data.empty());
  }
  // A type without a class of its own is carried unchanged.
  const auto generic = CreateRecord(0x0161, Bytes{0, 0});
  const TBaseRecord& record = *generic;
  EXPECT_EQ(typeid(record), typeid(TBaseRecord));
}

TEST(RecordFactory, BofVersionAndKind) {
  Bytes biff8 = {0x00, 0x06, 0x10, 0x00, 0x38, 0x13, 0xCD, 0x07};
  auto bof = CreateRecord(xlsid::BOF, biff8);
  auto* typed = dynamic_cast<TBOFRecord*>(bof.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->Kind(), kBofWorksheet);

  Bytes biff5 = biff8;
  biff5[1] = 0x05;
  try {
    CreateRecord(xlsid::BOF, biff5);
    FAIL() << "a BIFF5 BOF was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Template file is saved with an invalid Excel version");
  }
  EXPECT_THROW(CreateRecord(xlsid::BOF, Bytes{0x00, 0x06}), Error);
}

TEST(RecordFactory, ShortPayloadsOfReadRecordsAreRefused) {
  // The engine never reads past a payload: a WINDOW1 too short for its tab
  // words refuses the file, rather than being carried while the active
  // sheet it names is lost.
  EXPECT_THROW(CreateRecord(xlsid::WINDOW1, Bytes(10, 0)), Error);
  EXPECT_NE(dynamic_cast<TWindow1Record*>(CreateRecord(xlsid::WINDOW1, Bytes(18, 0)).get()),
            nullptr);
  // A BOUNDSHEET whose name runs past its payload cannot be used at all.
  EXPECT_THROW(CreateRecord(xlsid::BOUNDSHEET, Bytes{0, 0, 0, 0, 0, 0, 9, 0, 'a'}), Error);
}

TEST(BoundSheetRecord, NameAndRebuild) {
  auto sheet = TBoundSheetRecord::Build(0x0001, u"Sheet1");
  EXPECT_EQ(sheet->Data, (Bytes{0, 0, 0, 0, 0x01, 0x00, 6, 0, 'S', 'h', 'e', 'e', 't', '1'}));
  sheet->SetPosition(1441);
  sheet->SetSheetName(u"Data \u0416");  // 6 characters, now 16-bit
  EXPECT_EQ(sheet->Position(), 1441u);
  EXPECT_EQ(sheet->OptionFlags(), 0x0001);
  EXPECT_EQ(sheet->Visibility(), 1);
  EXPECT_EQ(sheet->SheetName(), u"Data \u0416");
  EXPECT_EQ(sheet->Data[7], 1);
  EXPECT_EQ(sheet->DataSize(), 8 + 12);
}

TEST(PaletteRecord, StandardColours) {
  auto palette = TPaletteRecord::BuildStandard();
  EXPECT_EQ(palette->TotalSize(), 230u);
  EXPECT_EQ(palette->ColorCount(), 56u);
  // Entries 8, 10, 12 and 63 of the colour indexes: black, red, blue, grey 80%.
  EXPECT_EQ(palette->Color(0), 0x000000u);
  EXPECT_EQ(palette->Color(2), 0x0000FFu);
  EXPECT_EQ(palette->Color(4), 0xFF0000u);
  EXPECT_EQ(palette->Color(55), 0x333333u);
  EXPECT_EQ(StandardPaletteColor(22), 0xCC6600u);  // index 30: 0066CC as BGR
  try {
    StandardPaletteColor(56);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The index \"56\" of the property \"Palette index\" is not in the range 0-55");
  }
}

TEST(ExternSheetRecord, SheetShifts) {
  // Three entries: own book sheets 1..1, own book 0..2, external book 0..0.
  Bytes payload;
  AppendU16(payload, 3);
  for (uint16_t v : {0, 1, 1, 0, 0, 2, 1, 0, 0}) AppendU16(payload, v);
  TExternSheetRecord record(xlsid::EXTERNSHEET, payload);
  record.ShiftSheets(0, 1, 2);  // two sheets inserted before sheet 1
  EXPECT_EQ(GetU16(&record.Data[4]), 3);
  EXPECT_EQ(GetU16(&record.Data[6]), 3);
  EXPECT_EQ(GetU16(&record.Data[10]), 0);
  EXPECT_EQ(GetU16(&record.Data[12]), 4);
  EXPECT_EQ(GetU16(&record.Data[16]), 0);  // the external book is untouched
  record.ShiftSheets(0, 1, -2);            // and removed again
  EXPECT_EQ(record.Data, payload);
  record.ShiftSheets(0, 1, -1);  // sheet 1 removed: the single-sheet entry is deleted
  EXPECT_EQ(GetU16(&record.Data[4]), 0xFFFF);
  EXPECT_EQ(GetU16(&record.Data[12]), 1);
}

}  // namespace
}  // namespace tessary

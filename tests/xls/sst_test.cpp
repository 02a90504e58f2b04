// Shared string table and BIFF8 strings: entry order, reference counts, the
// writer's record splitting, EXTSST, exact sizes and reading back.
#include "xls/sst.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "xls/compound_file.h"
#include "xls/excel_string.h"
#include "xls/record_stream.h"
#include "xls/sst_records.h"

namespace tessary {
namespace {

using namespace tessary::testing;

struct Record {
  uint16_t Id;
  std::vector<uint8_t> Payload;
};

// Splits bytes into records; `exact` demands that they end on a record end.
std::vector<Record> SplitRecords(const std::vector<uint8_t>& bytes, bool exact = true) {
  std::vector<Record> records;
  size_t pos = 0;
  while (pos + 4 <= bytes.size()) {
    const uint16_t id = GetU16(&bytes[pos]);
    const uint16_t size = GetU16(&bytes[pos + 2]);
    EXPECT_LE(pos + 4 + size, bytes.size()) << "record at " << pos << " runs past the end";
    records.push_back({id, {bytes.begin() + pos + 4, bytes.begin() + pos + 4 + size}});
    pos += 4 + size;
  }
  if (exact) {
    EXPECT_EQ(pos, bytes.size());
  }
  return records;
}

std::vector<uint8_t> Save(TSST& sst) {
  TMemoryRecordStream out;
  sst.SaveToStream(out);
  EXPECT_EQ(out.Data.size(), sst.TotalSize());
  return out.Data;
}

// The SST and CONTINUE payloads of written bytes, for reading back.
std::vector<std::span<const uint8_t>> SSTPayloads(const std::vector<Record>& records) {
  std::vector<std::span<const uint8_t>> payloads;
  for (const Record& r : records) {
    if (r.Id == 0x00FF) break;
    payloads.emplace_back(r.Payload);
  }
  return payloads;
}

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

TEST(SST, EmptyTableWritesZeroCountsAndBareExtSST) {
  TSST sst;
  EXPECT_EQ(HexBytes(Save(sst)), "FC 00 08 00 00 00 00 00 00 00 00 00 FF 00 02 00 08 00");
}

TEST(SST, OneTextInManyCellsIsOneEntryWithItsCount) {
  TSST sst;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(sst.AddString(u"same"), 0u);
  ASSERT_EQ(sst.Count(), 1u);
  EXPECT_EQ(sst.RefCount(sst.EntryOffsetAt(0)), 100u);
  const auto records = SplitRecords(Save(sst));
  EXPECT_EQ(GetU32(&records[0].Payload[0]), 100u);
  EXPECT_EQ(GetU32(&records[0].Payload[4]), 1u);
}

TEST(SST, EntriesOrderShorterFirstThenByBytes) {
  TSST sst;
  sst.AddString(u"b");
  sst.AddString(u"aa");
  sst.AddString(u"a");
  const uint32_t a = sst.EntryOffsetAt(0), b = sst.EntryOffsetAt(1), aa = sst.EntryOffsetAt(2);
  EXPECT_EQ(sst.EntryText(a), u"a");
  EXPECT_EQ(sst.EntryText(b), u"b");
  EXPECT_EQ(sst.EntryText(aa), u"aa");
  const auto records = SplitRecords(Save(sst));
  EXPECT_EQ(sst.EntryIndex(a), 0u);
  EXPECT_EQ(sst.EntryIndex(b), 1u);
  EXPECT_EQ(sst.EntryIndex(aa), 2u);
  EXPECT_EQ(HexBytes(records[0].Payload),
            "03 00 00 00 03 00 00 00 01 00 00 61 01 00 00 62 02 00 00 61 61");
}

TEST(SST, CharacterWidthFollowsTheText) {
  TSST sst;
  sst.AddString(u"\u00E9t\u00E9");  // Latin-1 only: 8-bit
  sst.AddString(u"\u0100");         // above U+00FF: 16-bit
  sst.AddString(u"E");              // differs from "e" by case: its own entry
  sst.AddString(u"e");
  EXPECT_EQ(sst.Count(), 4u);
  const auto records = SplitRecords(Save(sst));
  // Order: "E" and "e" (equal size, then by bytes), "\u0100" (16-bit), "\u00E9t\u00E9".
  EXPECT_EQ(HexBytes(records[0].Payload),
            "04 00 00 00 04 00 00 00 01 00 00 45 01 00 00 65 01 00 01 00 01 03 00 00 E9 74 E9");
}

TEST(SST, RichTextRunsFollowTheCharacters) {
  TSST sst;
  const std::vector<TRTFRun> runs = {{0, 1}, {2, 5}};
  sst.AddString(u"abc", runs);
  sst.AddString(u"abc");
  ASSERT_EQ(sst.Count(), 2u);  // runs make a different entry
  const uint32_t rich = sst.EntryOffsetAt(1);
  EXPECT_EQ(sst.EntryRuns(rich), runs);
  const auto records = SplitRecords(Save(sst));
  EXPECT_EQ(HexBytes(records[0].Payload),
            "02 00 00 00 02 00 00 00 03 00 00 61 62 63 03 00 08 02 00 61 62 63 00 00 01 00 02 00 "
            "05 00");
}

TEST(SST, ReferenceCountsPastSixteenBitsNeverDropAUsedString) {
  TSST sst;
  for (int i = 0; i < 70000; ++i) sst.AddString(u"x");
  const uint32_t entry = sst.EntryOffsetAt(0);
  for (int i = 0; i < 65536; ++i) sst.Release(entry);
  EXPECT_EQ(sst.RefCount(entry), 70000u - 65536u);
  sst.FixRefs();
  ASSERT_EQ(sst.Count(), 1u);
  EXPECT_EQ(GetU32(&SplitRecords(Save(sst))[0].Payload[0]), 70000u - 65536u);
}

TEST(SST, FixRefsDropsUnusedEntriesAndDuplicatesCostNoMemory) {
  TSST sst;
  sst.AddString(u"keep");
  sst.AddString(u"drop");
  sst.Release(sst.EntryOffsetAt(0));  // "drop" sorts before "keep"
  sst.FixRefs();
  ASSERT_EQ(sst.Count(), 1u);
  EXPECT_EQ(sst.EntryText(sst.EntryOffsetAt(0)), u"keep");
  // Adding an existing text must not keep its serialised copy: the next
  // new entry lands right after the two entries made so far (21 bytes each).
  sst.AddString(u"keep");
  sst.AddString(u"zz");
  size_t index = 9;
  ASSERT_TRUE(sst.Find(sst.EntryOffsetAt(1), index));
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(sst.EntryText(sst.EntryOffsetAt(0)), u"zz");
  EXPECT_EQ(sst.EntryOffsetAt(0), 42u);
  EXPECT_EQ(sst.RefCount(sst.EntryOffsetAt(1)), 2u);

  // A dropped text added again is a new entry of its own, found again by
  // later adds: the dropped one is not revived outside the list.
  const uint32_t again = sst.AddEntry(u"drop");
  EXPECT_EQ(sst.AddEntry(u"drop"), again);
  EXPECT_EQ(sst.RefCount(again), 2u);
  EXPECT_EQ(sst.Count(), 3u);
  EXPECT_EQ(SplitRecords(Save(sst))[0].Payload.size(), 8u + 3 * (3 + 4) - 2);
}

// An 8300-character string at q = 12 fills the SST record with 8213
// characters and goes on in a CONTINUE of an option byte and 87 characters.
TEST(SSTRecordWriter, LongStringSplitsAtTheRecordEnd) {
  const std::vector<uint8_t> chars(8300, 'q');
  TMemoryRecordStream out;
  TSSTRecordWriter writer(out, 1, 1);
  EXPECT_EQ(writer.Write({8300, 0, 0, 0, chars.data()}).RecordOffset, 12u);
  writer.Finish();
  const auto records = SplitRecords(out.Data);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Id, 0x00FC);
  EXPECT_EQ(records[0].Payload.size(), 8224u);  // 8228 bytes with the header
  EXPECT_EQ(GetU16(&records[0].Payload[8]), 8300u);
  EXPECT_EQ(records[1].Id, 0x003C);
  ASSERT_EQ(records[1].Payload.size(), 88u);
  EXPECT_EQ(records[1].Payload[0], 0u);
  EXPECT_EQ(records[1].Payload[1], 'q');
}

// A string header never starts in the last 31 bytes of a record. A first
// string of 8182 characters leaves 31 bytes (8228 - 12 - 3 - 8182); one
// character less leaves 32.
TEST(SST, StringStartsInANewRecordWhenFewerThan32BytesRemain) {
  for (const int firstLength : {8182, 8181}) {
    TSST sst;
    sst.AddString(Repeat(u'a', firstLength));
    sst.AddString(Repeat(u'b', 8190));  // longer, so written second
    const auto records = SplitRecords(Save(sst));
    const uint32_t second = sst.EntryOffsetAt(1);
    if (firstLength == 8182) {
      EXPECT_EQ(records[0].Payload.size(), 8197u - 4u) << "record not closed with 31 bytes left";
      EXPECT_EQ(sst.EntryRecordOffset(second), 4u);
      EXPECT_EQ(sst.EntryStreamPos(second), 8197u + 4u);
      EXPECT_EQ(records[1].Id, 0x003C);
      EXPECT_EQ(GetU16(&records[1].Payload[0]), 8190u);  // header at the CONTINUE start
    } else {
      EXPECT_EQ(records[0].Payload.size(), 8224u);
      EXPECT_EQ(sst.EntryRecordOffset(second), 8196u);
      EXPECT_EQ(sst.EntryStreamPos(second), 8196u);
    }
  }
}

// A 16-bit string whose leading 8-bit run is at least as long as the 16-bit
// characters that would fit is written 8-bit up to the run's end, and the
// record ends there even though space is left.
TEST(SST, WidthSwitchesOnlyAtRecordBoundaries) {
  std::u16string text = Repeat(u'a', 5000) + Repeat(u'\u0100', 4000);
  TSST sst;
  sst.AddString(text);
  const auto records = SplitRecords(Save(sst));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Payload.size(), 8u + 3u + 5000u);
  EXPECT_EQ(records[0].Payload[10], 0x00) << "first segment must be marked 8-bit";
  ASSERT_EQ(records[1].Payload.size(), 1u + 8000u);
  EXPECT_EQ(records[1].Payload[0], 0x01);

  TSST back;
  back.Load(SSTPayloads(records));
  ASSERT_EQ(back.Count(), 1u);
  EXPECT_EQ(back.EntryText(back.EntryOffsetAt(0)), text);
}

TEST(SST, ExtSSTBuckets) {
  struct Case {
    int Strings;
    uint16_t BucketSize;
    size_t Buckets;
  };
  for (const Case c : {Case{9, 8, 2}, Case{2000, 16, 125}}) {
    TSST sst;
    for (int i = 0; i < c.Strings; ++i)
      sst.AddString(u"s" + std::u16string(1, char16_t(0x4000 + i)));
    const auto records = SplitRecords(Save(sst));
    const Record& ext = records.back();
    ASSERT_EQ(ext.Id, 0x00FF);
    EXPECT_EQ(GetU16(&ext.Payload[0]), c.BucketSize);
    ASSERT_EQ(ext.Payload.size(), 2 + 8 * c.Buckets) << c.Strings << " strings";
    // Each bucket points at the stamped position of its first string.
    for (size_t j = 0; j < c.Buckets; ++j) {
      const uint32_t entry = sst.EntryOffsetAt(static_cast<uint32_t>(j * c.BucketSize));
      EXPECT_EQ(GetU32(&ext.Payload[2 + 8 * j]), sst.EntryStreamPos(entry));
      EXPECT_EQ(GetU16(&ext.Payload[6 + 8 * j]), sst.EntryRecordOffset(entry));
    }
  }
}

// Positions are stream positions: a table written after other bytes stamps
// where its strings really lie.
TEST(SST, StampedPositionsPointAtTheStrings) {
  TSST sst;
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    std::u16string s(random() % 200, u'x');
    for (char16_t& c : s)
      c = static_cast<char16_t>(random() % 2 ? 'a' + random() % 26 : 0x400 + random() % 64);
    sst.AddString(s);
  }
  TMemoryRecordStream out;
  const uint8_t prefix[10] = {};
  out.WriteMem(prefix, sizeof prefix);
  sst.SaveToStream(out);
  for (size_t i = 0; i < sst.Count(); ++i) {
    const uint32_t entry = sst.EntryOffsetAt(static_cast<uint32_t>(i));
    const uint32_t pos = sst.EntryStreamPos(entry);
    ASSERT_LT(pos + 2, out.Data.size());
    EXPECT_EQ(GetU16(&out.Data[pos]), sst.EntryText(entry).size()) << "string " << i;
  }
}

// TotalSize must equal the bytes written for any set of strings, including
// strings that end near a record boundary.
TEST(SST, TotalSizeMatchesWrittenBytesAndReadsBack) {
  std::mt19937 random(12345);
  for (int round = 0; round < 60; ++round) {
    TSST sst;
    const int count = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      size_t length = random() % 4 == 0 ? 8150 + random() % 150 : random() % 600;
      std::u16string s(length, u'a');
      const int kind = static_cast<int>(random() % 3);
      for (char16_t& c : s) {
        c = kind == 0   ? static_cast<char16_t>(0x20 + random() % 0xE0)
            : kind == 1 ? static_cast<char16_t>(0x3000 + random() % 64)
                        : static_cast<char16_t>(random() % 3 ? 'a' + random() % 3 : 0x400);
      }
      std::vector<TRTFRun> runs;
      if (random() % 3 == 0) {
        for (size_t r = random() % 2100; r > 0; --r) runs.push_back({uint16_t(r), uint16_t(r % 7)});
      }
      sst.AddString(s, runs);
    }
    TMemoryRecordStream out;
    sst.SaveToStream(out);
    ASSERT_EQ(out.Data.size(), sst.TotalSize()) << "round " << round;
    const auto records = SplitRecords(out.Data);
    for (const Record& r : records) ASSERT_LE(r.Payload.size(), 8224u);

    TSST back;
    back.Load(SSTPayloads(records));
    ASSERT_EQ(back.Count(), sst.Count());
    for (size_t i = 0; i < sst.Count(); ++i) {
      const uint32_t a = sst.EntryOffsetAt(static_cast<uint32_t>(i));
      const uint32_t b = back.EntryOffsetAt(static_cast<uint32_t>(i));
      ASSERT_EQ(back.EntryText(b), sst.EntryText(a)) << "round " << round << " string " << i;
      ASSERT_EQ(back.EntryRuns(b), sst.EntryRuns(a));
    }
  }
}

TEST(SSTLoad, CharactersWidenAcrossContinueRecords) {
  // "ab" 8-bit in the SST, then "\u0100c" 16-bit in a CONTINUE; then a
  // 16-bit "\u0101" whose second character comes 8-bit.
  const std::vector<uint8_t> sst = {0, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 'a', 'b'};
  const std::vector<uint8_t> cont1 = {1, 0x00, 0x01, 'c', 0, 2, 0, 1, 0x01, 0x01};
  const std::vector<uint8_t> cont2 = {0, 'z'};
  TSST table;
  table.Load({sst, cont1, cont2});
  ASSERT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.EntryText(table.EntryOffsetAt(0)), u"ab\u0100c");
  EXPECT_EQ(table.EntryText(table.EntryOffsetAt(1)), u"\u0101z");
}

TEST(SSTLoad, HeaderFieldsAndFarEastDataContinueWithoutOptionByte) {
  // A string whose run count is split across records, with runs and
  // far-east data continuing plainly.
  const std::vector<uint8_t> sst = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0x0C, 1};
  const std::vector<uint8_t> cont = {0, 2, 0, 0, 0, 'x', 0, 0, 3, 0, 0xAA, 0xBB};
  TSST table;
  table.Load({sst, cont});
  ASSERT_EQ(table.Count(), 1u);
  const uint32_t e = table.EntryOffsetAt(0);
  EXPECT_EQ(table.EntryText(e), u"x");
  EXPECT_EQ(table.EntryRuns(e), (std::vector<TRTFRun>{{0, 3}}));
  // The far-east data is written back as read.
  table.AddRef(e);
  const auto records = SplitRecords(Save(table));
  EXPECT_EQ(HexBytes(records[0].Payload),
            "01 00 00 00 01 00 00 00 01 00 0C 01 00 02 00 00 00 78 00 00 03 00 AA BB");
}

TEST(SSTLoad, RunningOutOfPayloadFails) {
  auto fails = [](std::vector<std::vector<uint8_t>> parts) {
    std::vector<std::span<const uint8_t>> payloads(parts.begin(), parts.end());
    TSST table;
    try {
      table.Load(payloads);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(fails({{0, 0, 0, 0}}), "Error reading record");
  EXPECT_EQ(fails({{0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 'a'}}), "Error reading record");
  EXPECT_EQ(fails({{0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 'a'}, {}}), "Error reading record");
  // A 16-bit character cut in half by the record end.
  EXPECT_EQ(fails({{0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0x41}, {1, 0}}), "Error reading record");
  // Far-east size of 4 GB in a few bytes: refused before anything is reserved.
  EXPECT_EQ(fails({{0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 4, 0xFF, 0xFF, 0xFF, 0xFF}}),
            "Error reading record");
  // A count of 2^32 strings ends as soon as the bytes do.
  EXPECT_EQ(fails({{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}}), "Error reading record");
}

// A table written by another program, with strings split across 11
// CONTINUE records, reads completely and survives our writing.
TEST(SSTLoad, TableWrittenByAnotherProgram) {
  const std::string path = std::string(TESSARY_SHARED_TESTDATA) + "/xls/xlwt_sst.xls";
  std::ifstream f(path, std::ios::binary);
  if (!f) GTEST_SKIP() << path << " not available";
  TMemoryByteStream file(
      std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>()));
  TCompoundFile cf(file);
  cf.SelectStream(u"Workbook");
  std::vector<uint8_t> stream(cf.Length());
  cf.ReadMem(stream.data(), static_cast<uint32_t>(stream.size()));
  const auto records = SplitRecords(stream, false);  // zero padding at the end
  std::vector<std::span<const uint8_t>> payloads;
  for (size_t i = 0; i < records.size() && payloads.empty(); ++i) {
    if (records[i].Id != 0x00FC) continue;
    payloads.emplace_back(records[i].Payload);
    for (size_t k = i + 1; k < records.size() && records[k].Id == 0x003C; ++k) {
      payloads.emplace_back(records[k].Payload);
    }
  }
  ASSERT_EQ(payloads.size(), 12u);
  TSST sst;
  sst.Load(payloads);
  ASSERT_EQ(sst.Count(), 444u);
  size_t wide = 0, longest = 0;
  for (size_t i = 0; i < sst.Count(); ++i) {
    const std::u16string text = sst.EntryText(sst.EntryOffsetAt(static_cast<uint32_t>(i)));
    longest = std::max(longest, text.size());
    if (std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; })) ++wide;
    sst.AddRef(sst.EntryOffsetAt(static_cast<uint32_t>(i)));
  }
  EXPECT_GT(wide, 0u);
  EXPECT_GT(longest, 2000u);
  // Written in entry order, the strings read back in that order.
  sst.Sort();
  TSST back;
  back.Load(SSTPayloads(SplitRecords(Save(sst))));
  ASSERT_EQ(back.Count(), 444u);
  for (size_t i = 0; i < back.Count(); ++i) {
    ASSERT_EQ(back.EntryText(back.EntryOffsetAt(static_cast<uint32_t>(i))),
              sst.EntryText(sst.EntryOffsetAt(static_cast<uint32_t>(i))));
  }
}

TEST(ExcelString, WrittenFormAndSize) {
  TExcelString s(1, u"Arial", true);
  EXPECT_EQ(HexBytes(s.ToBytes()), "05 01 41 00 72 00 69 00 61 00 6C 00");
  EXPECT_EQ(s.TotalSize(), 12u);
  TExcelString narrow(2, u"Sheet1");
  EXPECT_EQ(HexBytes(narrow.ToBytes()), "06 00 00 53 68 65 65 74 31");
  TExcelString wide(2, u"\u0416");
  EXPECT_EQ(HexBytes(wide.ToBytes()), "01 00 01 16 04");
}

TEST(ExcelString, ParseKeepsRunsAndFarEastDataAndChecksBounds) {
  const std::vector<uint8_t> bytes = {0xEE, 2,   0, 0x0D, 1, 0, 2, 0,    0,    0,   'h',
                                      0,    'i', 0, 0,    0, 5, 0, 0xF0, 0xF1, 0x77};
  size_t offset = 1;
  TExcelString s = TExcelString::Parse(2, bytes, offset);
  EXPECT_EQ(offset, 20u);
  EXPECT_EQ(s.Value(), u"hi");
  EXPECT_EQ(s.NumberRichTextFormats, 1u);
  EXPECT_EQ(s.FarEastDataSize, 2u);
  EXPECT_EQ(s.TotalSize(), 19u);
  EXPECT_EQ(s.ToBytes(), std::vector<uint8_t>(bytes.begin() + 1, bytes.begin() + 20));
  for (size_t cut = 1; cut < 20; ++cut) {
    size_t at = 1;
    const std::span<const uint8_t> part(bytes.data(), cut);
    EXPECT_THROW(TExcelString::Parse(2, part, at), Error) << "cut at " << cut;
  }
}

TEST(ExcelString, RefusesBadCountWidthsAndLengths) {
  auto text = [](auto f) {
    try {
      f();
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(text([] { TExcelString(3, u"x"); }), "StrLenLength should be 1 or 2");
  EXPECT_EQ(text([] { TExcelString(1, Repeat(u'x', 256)); }), "Invalid String record");
  EXPECT_EQ(text([] { TExcelString(1, Repeat(u'x', 255)); }), "no failure");
  TExcelString s(2, u"x");
  s.StrLenLength = 0;
  EXPECT_EQ(text([&] { s.ToBytes(); }), "StrLenLength should be 1 or 2");
}

}  // namespace
}  // namespace tessary

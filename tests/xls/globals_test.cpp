// The workbook globals: sheet names, the sheet list, palette, flags and references.
#include "xls/globals.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "text/utf16.h"
#include "workbook_template.h"
#include "xls/record_reader.h"
#include "xls/sheet_names.h"
#include "xls/workbook.h"

namespace tessary {
namespace {

using namespace tessary::testing;

TEST(SheetNames, MakeValidSheetName) {
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(u"a/b:c"), u"a_b.c");
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(u"x\\y?z[1]*"), u"x_y_z_1__");
  const std::u16string forty(40, u'n');
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(forty), std::u16string(31, u'n'));
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(std::u16string(31, u'k')).size(), 31u);
}

TEST(SheetNames, UniqueNamesCountOnFromTheRoot) {
  TSheetNameList names;
  names.Add(u"Sheet1");
  // A loaded "Sheet1" is a name of its own: the first "Sheet" is free, the
  // second skips the taken "Sheet1".
  EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet");
  EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet2");
  EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet3");
  // A root whose plain name is taken by another root's entry moves on too.
  EXPECT_EQ(names.AddUniqueName(u"Sheet1"), u"Sheet11");
  EXPECT_TRUE(names.Contains(u"Sheet11"));
  EXPECT_EQ(names.Count(), 5u);
}

TEST(SheetNames, DuplicatesAndCase) {
  TSheetNameList names;
  names.Add(u"Data");
  names.Add(u"DATA");  // letter case makes a different name
  EXPECT_EQ(ErrorText([&] { names.Add(u"Data"); }), "Sheet name already exists: Data");
  EXPECT_EQ(ErrorText([&] { names.Rename(u"Data", u"DATA"); }), "Sheet name already exists: DATA");
  EXPECT_TRUE(names.Contains(u"Data"));  // a failed rename keeps the old name
  names.Rename(u"Data", u"Data");        // same name: nothing happens
  names.Rename(u"Data", u"Other");
  EXPECT_FALSE(names.Contains(u"Data"));
  EXPECT_TRUE(names.Contains(u"Other"));
  // Ordering is by length first, so the halving search finds every entry.
  for (const char16_t* n : {u"b", u"aa", u"a", u"zzzz", u"c\u00e9"}) names.Add(n);
  for (const char16_t* n : {u"b", u"aa", u"a", u"zzzz", u"c\u00e9", u"DATA", u"Other"}) {
    EXPECT_TRUE(names.Contains(n)) << ToUtf8(n);
  }
}

TEST(BoundSheetList, RenameRebuildsTheRecordAndAdaptsTheSize) {
  TBoundSheetList list;
  auto sheet = TBoundSheetRecord::Build(0, u"Sheet1");
  sheet->SetPosition(1441);
  list.Add(std::move(sheet));
  list.InsertSheet(1, 0, u"Sheet");
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.TotalSize(), 18u + 17u);

  list.RenameSheet(0, u"a/b:c");
  EXPECT_EQ(list.Sheet(0).SheetName(), u"a_b.c");
  EXPECT_EQ(list.Sheet(0).Position(), 1441u);
  EXPECT_EQ(list.TotalSize(), 17u + 17u);

  list.RenameSheet(0, std::u16string(40, u'x'));
  EXPECT_EQ(list.Sheet(0).SheetName(), std::u16string(31, u'x'));
  EXPECT_EQ(list.TotalSize(), 43u + 17u);

  EXPECT_EQ(ErrorText([&] { list.RenameSheet(0, u"Sheet"); }), "Sheet name already exists: Sheet");
  EXPECT_EQ(list.Sheet(0).SheetName(), std::u16string(31, u'x'));
  list.RenameSheet(0, u"SHEET");
  EXPECT_EQ(list.Sheet(0).SheetName(), u"SHEET");

  list.DeleteSheet(1);
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.InsertSheet(0, 0, u"Sheet"), u"Sheet");  // the name is free again
  EXPECT_EQ(ErrorText([&] { list.Sheet(5); }),
            "Sheet number \"5\" invalid. Must be between 0 and 1");
}

// Globals loaded from a stream image of their records.
void LoadGlobals(TWorkbookGlobals& globals, const Bytes& records) {
  TRecordReader in(records);
  std::unique_ptr<TBaseRecord> bof = ReadNextRecord(in);
  globals.LoadFromStream(in, std::unique_ptr<TBOFRecord>(static_cast<TBOFRecord*>(bof.release())),
                         globals.SST());
}

Bytes TemplateGlobals() { return Join(TemplateGlobalsParts()); }

Bytes Written(TWorkbookGlobals& globals) {
  TMemoryRecordStream out;
  globals.SaveToStream(out);
  return out.Data;
}

TEST(WorkbookGlobals, RenameGrowsTheSectionByThePayloadDifference) {
  TWorkbook workbook;
  const Bytes stream = TemplateWorkbookStream();
  TRecordReader in(stream);
  workbook.LoadFromStream(in);
  TWorkbookGlobals& globals = workbook.Globals();
  const uint64_t before = globals.TotalSize();
  EXPECT_EQ(workbook.PrepareOffsets(), before + 243);
  globals.RenameSheet(0, u"Creature Statistics");  // 19 characters instead of 6
  EXPECT_EQ(globals.TotalSize(), before + 13);
  workbook.PrepareOffsets();
  EXPECT_EQ(globals.BoundSheets().Sheet(0).Position(), before + 13);
  EXPECT_EQ(Written(globals).size(), globals.TotalSize());

  globals.RenameSheet(0, u"a/b:c");
  EXPECT_EQ(globals.SheetName(0), u"a_b.c");
  globals.RenameSheet(0, std::u16string(40, u'w'));
  EXPECT_EQ(globals.SheetName(0), std::u16string(31, u'w'));
  EXPECT_EQ(globals.TotalSize(), before + 25);
}

TEST(WorkbookGlobals, SettingAPaletteColourInsertsAStandardPalette) {
  TWorkbookGlobals globals;
  LoadGlobals(globals, TemplateGlobals());
  EXPECT_EQ(globals.PaletteColor(2), 0x0000FFu);  // standard red without a PALETTE
  const uint64_t before = globals.TotalSize();
  globals.SetPaletteColor(2, 0x123456);
  EXPECT_EQ(globals.TotalSize(), before + 230);
  EXPECT_EQ(globals.PaletteColor(2), 0x123456u);
  EXPECT_EQ(globals.PaletteColor(3), 0x00FF00u);
  // The record stands between the fifth and the sixth STYLE.
  const TBaseRecordList& misc = globals.MiscRecords();
  ASSERT_EQ(misc.Count(), 34u);
  EXPECT_EQ(misc[28]->Id, 0x0293);
  EXPECT_EQ(misc[29]->Id, 0x0092);
  EXPECT_EQ(misc[30]->Id, 0x0293);
  EXPECT_EQ(misc[29]->DataSize(), 226);
  EXPECT_EQ(ErrorText([&] { globals.SetPaletteColor(56, 0); }),
            "Too many entries for this kind of record (56 out of a maximum of 55)");
}

TEST(WorkbookGlobals, LoadedPaletteKeepsItsPlace) {
  auto parts = TemplateGlobalsParts();
  Bytes palette = Words({56});
  for (int i = 0; i < 56; ++i) AppendU32(palette, 0x010101u * static_cast<uint32_t>(i));
  Bytes head = parts[0];
  PutRecord(head, 0x0092, palette);  // right after BOOKBOOL
  const Bytes records = Join({head, parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]});
  TWorkbookGlobals globals;
  LoadGlobals(globals, records);
  EXPECT_EQ(globals.PaletteColor(5), 0x050505u);
  globals.SetPaletteColor(5, 0xABCDEF);
  const Bytes written = Written(globals);
  ASSERT_GE(written.size(), head.size());
  const size_t at = parts[0].size();
  EXPECT_EQ(GetU16(&written[at]), 0x0092);
  EXPECT_EQ(GetU32(&written[at + 4 + 2 + 4 * 5]), 0xABCDEFu);
  EXPECT_EQ(globals.MiscRecords().Count(), 34u);
}

TEST(WorkbookGlobals, FlagsReadFromTheirRecords) {
  TWorkbookGlobals globals;
  LoadGlobals(globals, TemplateGlobals());
  globals.SetIs1904(true);
  globals.SetPrecisionAsDisplayed(true);
  globals.SetSaveExternalLinkValues(false);
  EXPECT_TRUE(globals.Is1904());
  EXPECT_TRUE(globals.PrecisionAsDisplayed());
  EXPECT_FALSE(globals.SaveExternalLinkValues());
  EXPECT_EQ(globals.Record1904()->Value(), 1);
  EXPECT_EQ(globals.Precision()->Value(), 0);
  EXPECT_EQ(globals.BookBool()->Value(), 1);

  // Without the records every flag reads false and ignores a change.
  auto parts = TemplateGlobalsParts();
  Bytes head;
  PutRecord(head, 0x0809, Bof(0x0005));
  TWorkbookGlobals bare;
  LoadGlobals(bare, Join({head, parts[1], parts[2], parts[6]}));
  bare.SetIs1904(true);
  EXPECT_FALSE(bare.Is1904());
  EXPECT_FALSE(bare.PrecisionAsDisplayed());
  EXPECT_FALSE(bare.SaveExternalLinkValues());
  EXPECT_EQ(bare.ActiveSheet(), 0);
}

TEST(WorkbookGlobals, SheetsAndTheirReferences) {
  // Globals with the workbook's own SUPBOOK, an external one, an EXTERNSHEET
  // pointing at own sheets 0 and 0..1, and a NAME local to sheet 2 (1-based).
  auto parts = TemplateGlobalsParts();
  Bytes refs;
  PutRecord(refs, 0x01AE, Words({2, 0x0401}));
  PutRecord(refs, 0x01AE, {1, 0, 1, 0, 0, 'x', 1, 0, 0, 'A'});
  Bytes externSheet = Words({3, 0, 0, 0, 0, 0, 1, 1, 0, 0});
  PutRecord(refs, 0x0017, externSheet);
  Bytes name = Words({0, 0, 0, 0, 2});
  name.insert(name.end(), {0, 0, 0, 0, 0, 0});
  PutRecord(refs, 0x0018, name);
  Bytes second;
  AppendU32(second, 0);
  second.insert(second.end(), {0, 0, 2, 0, 'S', '2'});
  Bytes sheets = parts[2];
  PutRecord(sheets, 0x0085, second);
  TWorkbookGlobals globals;
  LoadGlobals(globals, Join({parts[0], parts[1], sheets, refs, parts[3], parts[5], parts[6]}));
  ASSERT_EQ(globals.SheetCount(), 2u);
  EXPECT_EQ(globals.References().SupBooks().Count(), 2u);
  EXPECT_EQ(globals.Names().Count(), 1u);

  globals.InsertSheets(1, 0, u"Sheet", 2);  // two sheets before sheet 1
  EXPECT_EQ(globals.SheetName(1), u"Sheet");
  EXPECT_EQ(globals.SheetName(2), u"Sheet2");
  EXPECT_EQ(globals.SheetName(3), u"S2");
  const TBaseRecord& own = *globals.References().SupBooks()[0];
  EXPECT_EQ(GetU16(own.Data.data()), 4);  // the own book now has four sheets
  const TBaseRecord& xti = *globals.References().ExternSheets()[0];
  EXPECT_EQ(GetU16(&xti.Data[4]), 0);  // sheet 0 stays
  EXPECT_EQ(GetU16(&xti.Data[10]), 0);
  EXPECT_EQ(GetU16(&xti.Data[12]), 3);  // the range 0..1 now ends at 3
  EXPECT_EQ(GetU16(&xti.Data[16]), 0);  // the external book is untouched
  EXPECT_EQ(GetU16(&globals.Names()[0]->Data[8]), 4);

  globals.DeleteSheets(1, 2);
  EXPECT_EQ(GetU16(own.Data.data()), 2);
  EXPECT_EQ(globals.References().ExternSheets()[0]->Data, externSheet);
  EXPECT_EQ(GetU16(&globals.Names()[0]->Data[8]), 2);
  EXPECT_EQ(ErrorText([&] { globals.DeleteSheets(1, 2); }),
            "Sheet number \"2\" invalid. Must be between 0 and 1");
  globals.SetHasMacro(true);
  EXPECT_EQ(ErrorText([&] { globals.DeleteSheets(0, 1); }),
            "Can't delete a sheet on a file containing macros");
  // Written in the order SUPBOOK, EXTERNSHEET, NAME after the sheet list.
  const Bytes written = Written(globals);
  EXPECT_EQ(written.size(), globals.TotalSize());
}

TEST(WorkbookGlobals, LoadingFailures) {
  auto parts = TemplateGlobalsParts();
  Bytes twice = parts[2];
  twice.insert(twice.end(), parts[2].begin(), parts[2].end());
  TWorkbookGlobals globals;
  EXPECT_EQ(ErrorText([&] {
              LoadGlobals(globals, Join({parts[0], parts[1], twice, parts[6]}));
            }),
            "Sheet name already exists: Sheet1");
  TWorkbookGlobals empty;
  EXPECT_EQ(ErrorText([&] { Written(empty); }), "A section of the workbook is not loaded");
}

}  // namespace
}  // namespace tessary

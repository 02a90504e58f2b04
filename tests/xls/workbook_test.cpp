// The workbook model: reading the Workbook stream into sections and writing
// it back with recomputed stream positions.
#include "xls/workbook.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "workbook_template.h"

namespace tessary {
namespace {

using namespace tessary::testing;

void Load(TWorkbook& workbook, const Bytes& stream) {
  TRecordReader in(stream);
  workbook.LoadFromStream(in);
}

Bytes Save(TWorkbook& workbook) {
  TMemoryRecordStream out;
  workbook.SaveToStream(out);
  return out.Data;
}

// The records of a stream image as (offset, type) pairs.
std::vector<std::pair<size_t, uint16_t>> RecordsOf(const Bytes& stream) {
  std::vector<std::pair<size_t, uint16_t>> records;
  for (size_t pos = 0; pos + 4 <= stream.size();) {
    records.emplace_back(pos, GetU16(&stream[pos]));
    pos += 4 + GetU16(&stream[pos + 2]);
  }
  return records;
}

// Names the record of `expected` in which `actual` first differs, or ""
// when the two are equal.
std::string RecordDifference(const Bytes& expected, const Bytes& actual) {
  const long at = FirstDifference(expected, actual);
  if (at < 0) return "";
  const size_t pos = static_cast<size_t>(at);
  if (pos >= expected.size()) {
    return "lengths differ: expected " + std::to_string(expected.size()) + ", found " +
           std::to_string(actual.size());
  }
  const auto records = RecordsOf(expected);
  size_t i = 0;
  while (i + 1 < records.size() && records[i + 1].first <= pos) ++i;
  char text[160];
  std::snprintf(text, sizeof text,
                "record %zu (type 0x%04X at offset %zu) differs at offset %zu: expected %02X, "
                "found %s",
                i, records[i].second, records[i].first, pos, expected[pos],
                pos < actual.size() ? HexBytes({actual[pos]}).c_str() : "end");
  return text;
}

// What saving the untouched template writes: the globals without RECALCID,
// COUNTRY and BOOKEXT moved before BOUNDSHEET, a fresh SST and EXTSST; the
// sheet without INDEX, with the cell block of an empty sheet.
Bytes SavedTemplate() {
  const uint32_t globalsSize = 1429;
  auto g = TemplateGlobalsParts(globalsSize);
  Bytes expected = Join({g[0], g[1], g[3], g[5], g[2]});
  PutRecord(expected, 0x00FC, Words({0, 0, 0, 0}));
  PutRecord(expected, 0x00FF, Words({8}));
  expected.insert(expected.end(), g[6].begin(), g[6].end());
  auto s = TemplateSheetParts();
  Bytes dimensions;
  PutRecord(dimensions, 0x0200, Words({0, 0, 0, 0, 0, 1, 0}));
  const Bytes sheet = Join({s[0], s[2], dimensions, s[4], s[5]});
  expected.insert(expected.end(), sheet.begin(), sheet.end());
  return expected;
}

TEST(Workbook, TemplateLoadsIntoItsSections) {
  TWorkbook workbook;
  Load(workbook, TemplateWorkbookStream());
  const TWorkbookGlobals& globals = workbook.Globals();
  EXPECT_EQ(globals.MiscRecords().Count(), 33u);
  EXPECT_EQ(globals.PaletteIndex(), 29u);
  EXPECT_EQ(globals.Fonts().Count(), 4u);
  EXPECT_EQ(globals.Formats().Count(), 8u);
  EXPECT_EQ(globals.XF().Count(), 21u);
  EXPECT_NE(globals.Window1(), nullptr);
  EXPECT_FALSE(globals.Is1904());
  EXPECT_FALSE(globals.PrecisionAsDisplayed());
  EXPECT_TRUE(globals.SaveExternalLinkValues());
  ASSERT_EQ(workbook.SheetCount(), 1);
  TWorkSheet* sheet = workbook.WorkSheet(0);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->DefColWidth(), 2344);
  EXPECT_EQ(sheet->DefRowHeight(), 255);
  EXPECT_EQ(sheet->MiscRecords1().Count(), 18u);
  EXPECT_EQ(sheet->MiscRecords2().Count(), 3u);
  EXPECT_TRUE(sheet->Selected());
  EXPECT_TRUE(sheet->ShowGridLines());
  EXPECT_TRUE(sheet->OutlineSummaryRowsBelowDetail());
}

TEST(Workbook, UntouchedTemplateIsWrittenInSavedOrder) {
  TWorkbook workbook;
  Load(workbook, TemplateWorkbookStream());
  const Bytes saved = Save(workbook);
  const Bytes expected = SavedTemplate();
  EXPECT_EQ(RecordDifference(expected, saved), "");
  // The BOUNDSHEET position is the size of the written globals section.
  EXPECT_EQ(workbook.Globals().BoundSheets().Sheet(0).Position(), 1429u);
  EXPECT_EQ(workbook.Globals().TotalSize(), 1429u);
  // A second save of the same model writes the same bytes.
  EXPECT_EQ(Save(workbook), saved);
  // What was written reads back and writes the same again.
  TWorkbook reread;
  Load(reread, saved);
  EXPECT_EQ(Save(reread), saved);
}

TEST(Workbook, BoundSheetPositionsAreTheBofOffsets) {
  TWorkbook workbook;
  Load(workbook, TemplateWorkbookStream());
  workbook.InsertSheets(-1, 1, 2);
  ASSERT_EQ(workbook.SheetCount(), 3);
  EXPECT_EQ(workbook.Globals().SheetName(0), u"Sheet1");
  EXPECT_EQ(workbook.Globals().SheetName(1), u"Sheet");
  EXPECT_EQ(workbook.Globals().SheetName(2), u"Sheet2");
  const Bytes saved = Save(workbook);
  std::vector<size_t> bofs;
  for (const auto& [offset, id] : RecordsOf(saved)) {
    if (id == 0x0809) bofs.push_back(offset);
  }
  ASSERT_EQ(bofs.size(), 4u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(workbook.Globals().BoundSheets().Sheet(i).Position(), bofs[i + 1]) << "sheet " << i;
  }
  // The new sheets carry the template sheet's records; they are not
  // selected (WINDOW2 bits 0x0600), the template's sheet stays so.
  const Bytes first(saved.begin() + static_cast<long>(bofs[2]), saved.begin() + bofs[3]);
  const Bytes second(saved.begin() + static_cast<long>(bofs[3]), saved.end());
  EXPECT_EQ(first, second);
  EXPECT_TRUE(workbook.Sheets()[0].Selected());
  EXPECT_FALSE(workbook.Sheets()[1].Selected());
}

TEST(Workbook, VisibilityCheckWhenSaving) {
  TWorkbook workbook;
  Load(workbook, TemplateWorkbookStream());
  workbook.InsertSheets(-1, 1, 1);
  auto hide = [&](size_t i) {
    TBoundSheetRecord& entry = workbook.Globals().BoundSheets().Sheet(i);
    entry.SetOptionFlags(entry.OptionFlags() | 0x0001);
  };
  hide(0);
  // Sheet 0 is hidden but still selected.
  EXPECT_EQ(ErrorText([&] { Save(workbook); }),
            "To save this file, you must select a visible sheet");
  workbook.SetActiveSheet(1);
  Save(workbook);
  EXPECT_EQ(workbook.Globals().Window1()->FirstVisibleTab(), 1);
  hide(1);
  workbook.Sheets()[1].SetSelected(false);
  EXPECT_EQ(ErrorText([&] { Save(workbook); }), "There are not visible sheets on the file");
}

TEST(Workbook, ActiveSheetMovesTheSelection) {
  TWorkbook workbook;
  Load(workbook, TemplateWorkbookStream());
  workbook.InsertSheets(-1, 1, 2);
  workbook.SetActiveSheet(2);
  EXPECT_EQ(workbook.ActiveSheet(), 2);
  EXPECT_FALSE(workbook.Sheets()[0].Selected());
  EXPECT_FALSE(workbook.Sheets()[1].Selected());
  EXPECT_TRUE(workbook.Sheets()[2].Selected());
  EXPECT_EQ(workbook.Globals().Window1()->SelectedTabs(), 1);
  EXPECT_EQ(ErrorText([&] { workbook.SetActiveSheet(3); }),
            "Sheet number \"3\" invalid. Must be between 0 and 2");
  EXPECT_EQ(ErrorText([&] { workbook.InsertSheets(-1, 4, 1); }),
            "Sheet number \"4\" invalid. Must be between 0 and 3");
}

// A worksheet section built from records: BOF, the given records, EOF.
Bytes SheetWith(const std::function<void(Bytes&)>& body) {
  Bytes sheet;
  PutRecord(sheet, 0x0809, Bof(0x0010));
  body(sheet);
  PutRecord(sheet, 0x000A, {});
  return sheet;
}

TEST(Workbook, DefaultColumnWidth) {
  struct Case {
    std::vector<std::pair<uint16_t, uint16_t>> records;
    int32_t expected;
  };
  const Case cases[] = {
      {{{0x0055, 8}, {0x0099, 2560}}, 2560},
      {{{0x0099, 2560}, {0x0055, 8}}, 2560},
      {{{0x0055, 10}}, 2930},
      {{{0x0055, 10}, {0x0099, 2560}}, 2930},
      {{}, 2930},
  };
  for (const Case& c : cases) {
    TWorkbook workbook;
    Load(workbook, WorkbookWith({SheetWith([&](Bytes& s) {
           for (const auto& [id, value] : c.records) PutRecord(s, id, Words({value}));
         })}));
    EXPECT_EQ(workbook.WorkSheet(0)->DefColWidth(), c.expected);
  }
}

// A workbook whose tab order differs from the order of its sheet sections:
// each sheet belongs to the BOUNDSHEET that holds its BOF's position, also
// once saved and read again.
TEST(Workbook, SheetsAreFoundByTheirPositions) {
  const Bytes narrow = SheetWith([](Bytes& s) { PutRecord(s, 0x0055, Words({10})); });
  const Bytes wide = SheetWith([](Bytes& s) { PutRecord(s, 0x0055, Words({20})); });
  Bytes s = WorkbookWith({narrow, wide});
  std::vector<size_t> positions;
  for (const auto& [offset, type] : RecordsOf(s)) {
    if (type == 0x0085) positions.push_back(offset + 4);
  }
  const uint32_t first = GetU32(&s[positions[0]]);
  PutU32(&s[positions[0]], GetU32(&s[positions[1]]));
  PutU32(&s[positions[1]], first);
  TWorkbook workbook;
  Load(workbook, s);
  TWorkbook again;
  Load(again, Save(workbook));
  for (TWorkbook* book : {&workbook, &again}) {
    EXPECT_EQ(book->Globals().SheetName(0), u"S1");
    EXPECT_EQ(book->WorkSheet(0)->DefColWidth(), 20 * 293);
    EXPECT_EQ(book->WorkSheet(1)->DefColWidth(), 10 * 293);
  }
}

TEST(Workbook, MalformedStreams) {
  const std::string invalid = "Error reading Excel records. File invalid";
  // A record between sections that is neither BOF nor EOF.
  {
    auto g = TemplateGlobalsParts();
    Bytes s = Join({g[0], g[1], g[2], g[3], g[4], g[5], g[6]});
    PutRecord(s, 0x0042, Words({1200}));
    const Bytes sheet = SheetWith([](Bytes&) {});
    s.insert(s.end(), sheet.begin(), sheet.end());
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] { Load(workbook, s); }), invalid);
  }
  // A worksheet BOF inside a worksheet.
  {
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] {
                Load(
                    workbook,
                    WorkbookWith({SheetWith([](Bytes& s) { PutRecord(s, 0x0809, Bof(0x0010)); })}));
              }),
              invalid);
  }
  // A chart BOF that does not follow a drawing object.
  {
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] {
                Load(workbook, WorkbookWith({SheetWith([](Bytes& s) {
                       PutRecord(s, 0x0809, Bof(0x0020));
                       PutRecord(s, 0x000A, {});
                     })}));
              }),
              invalid);
  }
  // A BOF inside the globals.
  {
    auto g = TemplateGlobalsParts();
    Bytes s = g[0];
    PutRecord(s, 0x0809, Bof(0x0005));
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] { Load(workbook, s); }), invalid);
  }
  // A second globals section after a sheet.
  {
    Bytes s = WorkbookWith({SheetWith([](Bytes&) {}), SheetWith([](Bytes&) {})});
    const Bytes globals = Join(TemplateGlobalsParts());
    // Put a globals section between the two sheets.
    const Bytes firstSheet = SheetWith([](Bytes&) {});
    const size_t at = s.size() - firstSheet.size();
    s.insert(s.begin() + static_cast<long>(at), globals.begin(), globals.end());
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] { Load(workbook, s); }), invalid);
  }
  // FILEPASS anywhere.
  {
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] {
                Load(workbook,
                     WorkbookWith({SheetWith([](Bytes& s) { PutRecord(s, 0x002F, Words({0})); })}));
              }),
              "File is password protected");
  }
  // A sheet section that no BOUNDSHEET names, before the one that is named.
  {
    const Bytes sheet = SheetWith([](Bytes&) {});
    Bytes s = WorkbookWith({sheet});
    for (const auto& [offset, type] : RecordsOf(s)) {
      if (type == 0x0085) PutU32(&s[offset + 4], GetU32(&s[offset + 4]) + sheet.size());
    }
    s.insert(s.end() - static_cast<long>(sheet.size()), sheet.begin(), sheet.end());
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] { Load(workbook, s); }), invalid);
  }
  // More BOUNDSHEET records than sheet sections: nothing to pair the
  // BOUNDSHEET with.
  {
    auto g = TemplateGlobalsParts();
    Bytes s = Join({g[0], g[1], g[2], g[3], g[4], g[5], g[6]});
    TWorkbook workbook;
    EXPECT_EQ(ErrorText([&] { Load(workbook, s); }), invalid);
  }
}

TEST(Workbook, FormulaWithItsRecordsIsCountedAndWrittenInPlace) {
  // A FORMULA followed by its SHRFMLA and its STRING result, then a cell.
  Bytes formula = Words({1, 0, 15});
  formula.resize(20, 0);
  formula.insert(formula.end(), {3, 0, 0x1E, 0x01, 0x00});
  const Bytes sheet = SheetWith([&](Bytes& s) {
    PutRecord(s, 0x0208, Words({1, 0, 2, 255, 0, 0, 0, 0x100, 15}));
    PutRecord(s, 0x0006, formula);
    PutRecord(s, 0x04BC, Bytes(19, 0x11));
    PutRecord(s, 0x0207, {2, 0, 0, 'o', 'k'});
    PutRecord(s, 0x027E, Words({1, 1, 15, 0, 0x4045}));
  });
  TWorkbook workbook;
  Load(workbook, WorkbookWith({sheet}));
  const uint64_t counted = workbook.PrepareOffsets();
  const Bytes saved = Save(workbook);
  EXPECT_EQ(counted, saved.size());
  // The formula's records follow it directly, in their order (the ROW
  // record is rewritten by the cell block, the RK after them stays apart).
  const std::string image(saved.begin(), saved.end());
  const std::string run(sheet.begin() + 20 + 20 + 20, sheet.end() - 4 - 14);
  EXPECT_NE(image.find(run), std::string::npos);
  // A SHRFMLA without a formula before it is refused.
  TWorkbook orphan;
  EXPECT_EQ(
      ErrorText([&] {
        Load(orphan,
             WorkbookWith({SheetWith([](Bytes& s) { PutRecord(s, 0x04BC, Bytes(19, 0x11)); })}));
      }),
      "Error reading Excel records. File invalid");
}

TEST(Workbook, VbaProjectGivesEverySheetACodeName) {
  auto g = TemplateGlobalsParts();
  Bytes head = g[0];
  PutRecord(head, 0x00D3, {});                                       // OBPROJ
  PutRecord(head, 0x01BA, {6, 0, 0, 'S', 'h', 'e', 'e', 't', '2'});  // the workbook's code name
  Bytes stream = Join({head, g[1]});
  const Bytes tail = Join({g[3], g[5], g[6]});
  const Bytes named = SheetWith([](Bytes& s) { PutRecord(s, 0x01BA, {1, 0, 0, 'Z'}); });
  const Bytes unnamed = SheetWith([](Bytes&) {});
  uint32_t position = static_cast<uint32_t>(stream.size() + 2 * 13 + tail.size());
  for (const char* name : {"A", "B"}) {
    Bytes boundSheet;
    AppendU32(boundSheet, position);
    boundSheet.insert(boundSheet.end(), {0, 0, 1, 0, static_cast<uint8_t>(name[0])});
    PutRecord(stream, 0x0085, boundSheet);
    position += static_cast<uint32_t>(unnamed.size());
  }
  stream.insert(stream.end(), tail.begin(), tail.end());
  for (const Bytes* sheet : {&unnamed, &named})
    stream.insert(stream.end(), sheet->begin(), sheet->end());
  TWorkbook workbook;
  Load(workbook, stream);
  EXPECT_TRUE(workbook.Globals().HasMacro());
  EXPECT_EQ(workbook.Globals().CodeName(), u"Sheet2");
  const uint64_t counted = workbook.PrepareOffsets();
  EXPECT_EQ(Save(workbook).size(), counted);
  auto* first = dynamic_cast<TCodeNameRecord*>(workbook.Sheets()[0].CodeName().get());
  auto* second = dynamic_cast<TCodeNameRecord*>(workbook.Sheets()[1].CodeName().get());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Name(), u"Sheet1");
  EXPECT_EQ(second->Name(), u"Z");
  EXPECT_EQ(ErrorText([&] { workbook.DeleteSheets(0, 1); }),
            "Can't delete a sheet on a file containing macros");
}

TEST(Workbook, EmbeddedChartIsWrittenBackUnchanged) {
  Bytes chart;
  PutRecord(chart, 0x0809, Bof(0x0020));
  PutRecord(chart, 0x1060, Words({1, 2, 3, 4, 5}));  // FBI: dropped elsewhere, kept in a chart
  PutRecord(chart, 0x0200, Bytes(14, 0));            // DIMENSIONS of the chart
  for (int depth = 0; depth < 3000; ++depth) PutRecord(chart, 0x1033, {});
  for (int depth = 0; depth < 3000; ++depth) PutRecord(chart, 0x1034, {});
  PutRecord(chart, 0x000A, {});
  const Bytes sheet = SheetWith([&](Bytes& s) {
    PutRecord(s, 0x0055, Words({8}));
    PutRecord(s, 0x00EC, Bytes(24, 0xAA));  // MSODRAWING
    PutRecord(s, 0x005D, Bytes(26, 0x05));  // OBJ
    s.insert(s.end(), chart.begin(), chart.end());
    PutRecord(s, 0x00EC, Bytes(8, 0xBB));
    PutRecord(s, 0x023E, Words({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0}));
  });
  TWorkbook workbook;
  Load(workbook, WorkbookWith({sheet}));
  const TWorkSheet* loaded = workbook.WorkSheet(0);
  ASSERT_EQ(loaded->Drawing().Count(), 4u);
  const Bytes saved = Save(workbook);
  // The sheet section after the globals: BOF, DEFCOLWIDTH, the cell block of
  // an empty sheet, the drawing with its chart, WINDOW2, EOF.
  const size_t sheetStart = workbook.Globals().BoundSheets().Sheet(0).Position();
  const Bytes written(saved.begin() + static_cast<long>(sheetStart), saved.end());
  Bytes expected;
  PutRecord(expected, 0x0809, Bof(0x0010));
  PutRecord(expected, 0x0055, Words({8}));
  PutRecord(expected, 0x0200, Words({0, 0, 0, 0, 0, 1, 0}));
  PutRecord(expected, 0x00EC, Bytes(24, 0xAA));
  PutRecord(expected, 0x005D, Bytes(26, 0x05));
  expected.insert(expected.end(), chart.begin(), chart.end());
  PutRecord(expected, 0x00EC, Bytes(8, 0xBB));
  PutRecord(expected, 0x023E, Words({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0}));
  PutRecord(expected, 0x000A, {});
  EXPECT_EQ(RecordDifference(expected, written), "");
  EXPECT_EQ(workbook.Sheets()[0].TotalSize(), written.size());
}

TEST(Workbook, ChartSheetsAndOtherSheetsKeepTheirRecords) {
  Bytes chartSheet;
  PutRecord(chartSheet, 0x0809, Bof(0x0020));
  PutRecord(chartSheet, 0x0200, Bytes(14, 0));  // dropped
  PutRecord(chartSheet, 0x1033, {});
  PutRecord(chartSheet, 0x1002, Bytes(16, 7));
  PutRecord(chartSheet, 0x1034, {});
  PutRecord(chartSheet, 0x023E, Words({0x0000, 0, 0, 0, 0}));
  PutRecord(chartSheet, 0x01BA, {2, 0, 0, 'C', '1'});  // CODENAME, written before EOF
  PutRecord(chartSheet, 0x0042, Words({1200}));
  PutRecord(chartSheet, 0x000A, {});
  Bytes macroSheet;
  PutRecord(macroSheet, 0x0809, Bof(0x0040));
  PutRecord(macroSheet, 0x0203, Bytes(14, 0));
  PutRecord(macroSheet, 0x000A, {});
  TWorkbook workbook;
  Load(workbook, WorkbookWith({SheetWith([](Bytes&) {}), chartSheet, macroSheet}));
  ASSERT_EQ(workbook.SheetCount(), 3);
  EXPECT_TRUE(workbook.IsWorksheet(0));
  EXPECT_FALSE(workbook.IsWorksheet(1));
  EXPECT_FALSE(workbook.IsWorksheet(2));
  const Bytes saved = Save(workbook);
  const size_t chartStart = workbook.Globals().BoundSheets().Sheet(1).Position();
  const size_t macroStart = workbook.Globals().BoundSheets().Sheet(2).Position();
  Bytes expectedChart;
  PutRecord(expectedChart, 0x0809, Bof(0x0020));
  PutRecord(expectedChart, 0x1033, {});
  PutRecord(expectedChart, 0x1002, Bytes(16, 7));
  PutRecord(expectedChart, 0x1034, {});
  PutRecord(expectedChart, 0x023E, Words({0x0000, 0, 0, 0, 0}));
  PutRecord(expectedChart, 0x0042, Words({1200}));
  PutRecord(expectedChart, 0x01BA, {2, 0, 0, 'C', '1'});
  PutRecord(expectedChart, 0x000A, {});
  EXPECT_EQ(Bytes(saved.begin() + static_cast<long>(chartStart),
                  saved.begin() + static_cast<long>(macroStart)),
            expectedChart);
  EXPECT_EQ(Bytes(saved.begin() + static_cast<long>(macroStart), saved.end()), macroSheet);
}

}  // namespace
}  // namespace tessary

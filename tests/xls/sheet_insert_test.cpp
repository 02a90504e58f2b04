// Inserting empty rows and columns into a worksheet of a workbook: what
// moves, what a saved file holds afterwards, and the sheets and workbooks
// whose other records refer to cells, where the insertion is refused and
// nothing changes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "workbook_template.h"
#include "xls/workbook.h"
#include "xls/workbook_file.h"

namespace tessary {
namespace {

using namespace tessary::testing;

const std::string kRowsRefused =
    "Rows cannot be inserted into a sheet that holds formulas, objects or other cell references";
const std::string kColsRefused =
    "Columns cannot be inserted into a sheet that holds formulas, objects or other cell "
    "references";
const std::string kRowsReferred =
    "Rows cannot be inserted into a sheet that defined names or other sheets may refer to";
const std::string kColsReferred =
    "Columns cannot be inserted into a sheet that defined names or other sheets may refer to";

std::unique_ptr<TWorkbookFile> NewBook() {
  auto book = std::make_unique<TWorkbookFile>(TRegionalSettings{});
  book->Connect();
  book->NewFile(1);
  return book;
}

std::unique_ptr<TWorkbookFile> LoadBook(const Bytes& file) {
  auto book = std::make_unique<TWorkbookFile>(TRegionalSettings{});
  book->Connect();
  book->LoadFromBytes(file);
  return book;
}

TXlsValue Text(const char16_t* text) { return std::u16string(text); }

// A worksheet section: BOF, an RK cell at (0, 0), the given records, EOF.
Bytes SheetWith(const std::function<void(Bytes&)>& body) {
  Bytes sheet;
  PutRecord(sheet, 0x0809, Bof(0x0010));
  PutRecord(sheet, 0x027E, Words({0, 0, 15, 0, 0x4045}));
  body(sheet);
  PutRecord(sheet, 0x000A, {});
  return sheet;
}

struct Book {
  TWorkbook Workbook;
  explicit Book(const Bytes& stream) {
    TRecordReader in(stream);
    Workbook.LoadFromStream(in);
  }
  Bytes Saved() {
    TMemoryRecordStream out;
    Workbook.SaveToStream(out);
    return out.Data;
  }
};

TEST(SheetInsert, SavedWorkbookHoldsEverythingAtItsNewPlace) {
  auto book = NewBook();
  book->SetCellValue(1, 1, {Text(u"head")});
  book->SetCellValue(2, 1, {1.5});
  book->SetCellValue(3, 2, {Text(u"x")});
  book->SetRowHeight(3, 500);
  book->SetColWidth(2, 4000);
  book->MergeCells(2, 1, 3, 2);

  EXPECT_FALSE(book->IsFileModified);
  book->InsertRows(2, 2);
  EXPECT_TRUE(book->IsFileModified);
  book->IsFileModified = false;
  book->InsertCols(1, 1);
  EXPECT_TRUE(book->IsFileModified);

  auto back = LoadBook(book->SaveToBytes());
  EXPECT_EQ(back->GetCellValue(1, 2).Value, Text(u"head"));
  EXPECT_EQ(back->GetCellValue(4, 2).Value, TXlsValue(1.5));
  EXPECT_EQ(back->GetCellValue(5, 3).Value, Text(u"x"));
  for (int row = 1; row <= 6; ++row) EXPECT_EQ(back->CellFormat(row, 1), -1) << row;
  for (int row : {2, 3}) {
    for (int col = 1; col <= 4; ++col) EXPECT_EQ(back->CellFormat(row, col), -1);
  }
  TWorkSheet& sheet = back->ActiveWorkSheet();
  ASSERT_NE(sheet.Cells().Row(4), nullptr);
  EXPECT_EQ(sheet.Cells().Row(4)->Height(), 500);
  ASSERT_NE(sheet.Columns().Find(2), nullptr);
  EXPECT_EQ(sheet.Columns().Find(2)->Width, 4000);
  EXPECT_EQ(sheet.Columns().Find(1), nullptr);
  EXPECT_EQ(sheet.Ranges().MergedCells().Ranges(), (std::vector<TMergedRange>{{3, 4, 1, 2}}));
}

TEST(SheetInsert, NothingChangesWhenAnythingWouldLeaveTheSheet) {
  // The cells would fit; the merged range or the column entry would not.
  auto book = NewBook();
  book->SetCellValue(60, 1, {1.0});
  book->SetColWidth(255, 1000);
  book->MergeCells(100, 1, 65535, 2);
  const Bytes before = book->SaveToBytes();
  EXPECT_EQ(ErrorText([&] { book->InsertRows(50, 2); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { book->InsertCols(1, 2); }), "Invalid Column (256)");
  EXPECT_EQ(book->SaveToBytes(), before);
  // A cell in the last row.
  book->SetCellValue(65536, 5, {2.0});
  const Bytes full = book->SaveToBytes();
  EXPECT_EQ(ErrorText([&] { book->InsertRows(65536, 1); }), "Invalid Row (65536)");
  EXPECT_EQ(book->SaveToBytes(), full);

  // Positions outside the sheet; a count of 0 or less inserts nothing.
  EXPECT_EQ(ErrorText([&] { book->InsertRows(0, 1); }), "Invalid Row (-1)");
  EXPECT_EQ(ErrorText([&] { book->InsertRows(65537, 1); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { book->InsertCols(257, 1); }), "Invalid Column (256)");
  book->InsertRows(1, 0);
  book->InsertCols(1, -4);
  EXPECT_EQ(book->SaveToBytes(), full);
  EXPECT_FALSE(book->IsFileModified);
}

TEST(SheetInsert, SheetsWithRecordsReferringToCellsRefuse) {
  Bytes formula = Words({1, 0, 15});
  formula.resize(20, 0);
  formula.insert(formula.end(), {3, 0, 0x1E, 0x01, 0x00});
  const struct {
    const char* What;
    std::function<void(Bytes&)> Records;
  } cases[] = {
      {"formula", [&](Bytes& s) { PutRecord(s, 0x0006, formula); }},
      {"drawing and object",
       [](Bytes& s) {
         PutRecord(s, 0x00EC, Bytes(24, 0xAA));
         PutRecord(s, 0x005D, Bytes(26, 0x05));
       }},
      {"note",
       [](Bytes& s) {
         PutRecord(s, 0x001C, Words({0, 0, 0, 1, 0}));
       }},
      {"hyperlink", [](Bytes& s) { PutRecord(s, 0x01B8, Bytes(32, 0)); }},
      {"conditional format",
       [](Bytes& s) {
         PutRecord(s, 0x01B0, Words({1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
         PutRecord(s, 0x01B1, Bytes(12, 0));
       }},
      {"row page break",
       [](Bytes& s) {
         PutRecord(s, 0x001B, Words({1, 10, 0, 255}));
       }},
      {"column page break",
       [](Bytes& s) {
         PutRecord(s, 0x001A, Words({1, 3, 0, 65535}));
       }},
      {"data validation",
       [](Bytes& s) {
         PutRecord(s, 0x01B2, Bytes(18, 0));
         PutRecord(s, 0x01BE, Bytes(30, 0));
       }},
      {"phonetic ranges",
       [](Bytes& s) {
         PutRecord(s, 0x00EF, {0, 0, 0x37, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
       }},
      {"unknown record", [](Bytes& s) { PutRecord(s, 0x0868, Bytes(40, 0)); }},
  };
  for (const auto& c : cases) {
    Book book(WorkbookWith({SheetWith(c.Records)}));
    const Bytes before = book.Saved();
    EXPECT_EQ(ErrorText([&] { book.Workbook.InsertRows(0, 0, 1); }), kRowsRefused) << c.What;
    EXPECT_EQ(ErrorText([&] { book.Workbook.InsertCols(0, 0, 1); }), kColsRefused) << c.What;
    EXPECT_EQ(book.Saved(), before) << c.What;
  }

  // Window, print and protection records refer to no cell.
  Book plain(WorkbookWith({SheetWith([](Bytes& s) {
    PutRecord(s, 0x0012, Words({1}));                                     // PROTECT
    PutRecord(s, 0x023E, Words({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0}));       // WINDOW2
    PutRecord(s, 0x0041, Words({0, 1, 1, 0, 2}));                         // PANE
    PutRecord(s, 0x001D, {3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});  // SELECTION
    PutRecord(s, 0x00EF, {0, 0, 0x37, 0, 0, 0});                          // PHONETIC
    PutRecord(s, 0x0862, Bytes(20, 0));                                   // SHEETEXT
  })}));
  plain.Workbook.InsertRows(0, 0, 2);
  plain.Workbook.InsertCols(0, 0, 1);
  const TCells& cells = plain.Workbook.WorkSheet(0)->Cells();
  EXPECT_EQ(cells.GetValue(2, 1).Value, TXlsValue(42.0));
  EXPECT_EQ(cells.CellXF(0, 0), -1);
}

TEST(SheetInsert, SheetsThatTheWorkbookMayReferToRefuse) {
  Bytes formula = Words({0, 1, 15});
  formula.resize(20, 0);
  formula.insert(formula.end(), {3, 0, 0x1E, 0x01, 0x00});
  const Bytes plainSheet = SheetWith([](Bytes&) {});
  const Bytes formulaSheet = SheetWith([&](Bytes& s) { PutRecord(s, 0x0006, formula); });
  // This workbook's own SUPBOOK, an external one, and the references
  // through them: sheet 1 of this workbook, sheet 3 of the other file.
  Bytes references;
  PutRecord(references, 0x01AE, Words({3, 0x0401}));
  PutRecord(references, 0x01AE, {1, 0, 3, 0, 0, 'a', 'b', 'c'});
  PutRecord(references, 0x0017, Words({2, 0, 0, 0, 1, 2, 2}));

  Book book(WorkbookWith({plainSheet, formulaSheet, plainSheet}, references));
  const Bytes before = book.Saved();
  EXPECT_EQ(ErrorText([&] { book.Workbook.InsertRows(0, 0, 1); }), kRowsReferred);
  EXPECT_EQ(ErrorText([&] { book.Workbook.InsertCols(0, 0, 1); }), kColsReferred);
  EXPECT_EQ(ErrorText([&] { book.Workbook.InsertRows(1, 0, 1); }), kRowsRefused);
  EXPECT_EQ(book.Saved(), before);
  // Sheet 3 is referred to only in the other file.
  book.Workbook.InsertRows(2, 0, 1);
  EXPECT_EQ(book.Workbook.WorkSheet(2)->Cells().GetValue(1, 0).Value, TXlsValue(42.0));

  const struct {
    const char* What;
    Bytes Globals;
  } referring[] = {
      {"defined name",
       [] {
         Bytes name;
         PutRecord(name, 0x0018, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x'});
         return name;
       }()},
      {"reference through an unknown SUPBOOK",
       [] {
         Bytes r;
         PutRecord(r, 0x0017, Words({1, 4, 0, 2}));
         return r;
       }()},
      {"unreadable reference list",
       [] {
         Bytes r;
         PutRecord(r, 0x0017, Words({3, 0, 0, 0}));
         return r;
       }()},
      {"pivot cache",
       [] {
         Bytes r;
         PutRecord(r, 0x00D5, Words({1}));
         return r;
       }()},
  };
  for (const auto& c : referring) {
    Book other(WorkbookWith({plainSheet, plainSheet, plainSheet}, c.Globals));
    EXPECT_EQ(ErrorText([&] { other.Workbook.InsertRows(2, 0, 1); }), kRowsReferred) << c.What;
    EXPECT_EQ(ErrorText([&] { other.Workbook.InsertCols(2, 0, 1); }), kColsReferred) << c.What;
  }
}

TEST(SheetInsert, OnlyWorksheetsTakeRowsAndColumns) {
  Bytes chartSheet;
  PutRecord(chartSheet, 0x0809, Bof(0x0020));
  PutRecord(chartSheet, 0x000A, {});
  Book book(WorkbookWith({SheetWith([](Bytes&) {}), chartSheet}));
  EXPECT_EQ(ErrorText([&] { book.Workbook.InsertRows(1, 0, 1); }), "The sheet is not a worksheet");
  EXPECT_EQ(ErrorText([&] { book.Workbook.InsertCols(1, 0, 1); }), "The sheet is not a worksheet");
  EXPECT_EQ(ErrorText([&] { book.Workbook.InsertRows(2, 0, 1); }),
            "Sheet number \"2\" invalid. Must be between 0 and 1");
}

}  // namespace
}  // namespace tessary

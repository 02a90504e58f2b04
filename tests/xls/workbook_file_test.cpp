// The workbook file: new workbooks from the template, saving into a copy of
// the compound file, reading saved files back, sheet operations and the
// failures of saving.
#include "xls/workbook_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "text/utf16.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"

namespace tessary {
namespace {

using namespace tessary::testing;

using Bytes = std::vector<uint8_t>;

Bytes WorkbookStreamOf(const Bytes& file) {
  TMemoryByteStream bytes(file);
  TCompoundFile container(bytes);
  container.SelectStream(u"Workbook");
  Bytes stream(container.Length());
  if (!stream.empty()) container.ReadMem(stream.data(), static_cast<uint32_t>(stream.size()));
  return stream;
}

struct TRec {
  size_t Offset;
  uint16_t Id;
  Bytes Payload;
};

std::vector<TRec> RecordsOf(const Bytes& stream) {
  std::vector<TRec> out;
  size_t pos = 0;
  while (pos + 4 <= stream.size()) {
    const uint16_t id = GetU16(stream.data() + pos);
    const uint16_t size = GetU16(stream.data() + pos + 2);
    if (pos + 4 + size > stream.size()) break;
    out.push_back({pos, id, Bytes(stream.begin() + pos + 4, stream.begin() + pos + 4 + size)});
    pos += 4 + size;
  }
  return out;
}

std::unique_ptr<TWorkbookFile> NewBook(int sheets) {
  auto book = std::make_unique<TWorkbookFile>(TRegionalSettings{});
  book->Connect();
  book->NewFile(sheets);
  return book;
}

std::filesystem::path TempPath(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / "tessary_workbook_file_test";
  std::filesystem::create_directories(dir);
  auto path = dir / name;
  std::filesystem::remove(path);
  return path;
}

TEST(WorkbookFile, TemplateSavedUntouched) {
  auto owner = NewBook(1);
  TWorkbookFile& book = *owner;
  EXPECT_EQ(book.SheetCount(), 1);
  EXPECT_EQ(book.ActiveSheet(), 1);
  EXPECT_EQ(ToUtf8(book.ActiveSheetName()), "Sheet1");
  const Bytes file = book.SaveToBytes();
  EXPECT_EQ(file.size() % 512, 0u);
  const Bytes stream = WorkbookStreamOf(file);
  const auto records = RecordsOf(stream);
  ASSERT_FALSE(records.empty());
  // Every byte of the stream is a whole record: no padding is written.
  EXPECT_EQ(records.back().Offset + 4 + records.back().Payload.size(), stream.size());

  std::vector<uint16_t> ids;
  size_t sheetBof = 0, boundSheetPos = 0;
  int bofs = 0;
  for (const TRec& r : records) {
    ids.push_back(r.Id);
    if (r.Id == 0x0809 && bofs++ == 1) sheetBof = r.Offset;
    if (r.Id == 0x0085) boundSheetPos = GetU32(r.Payload.data());
  }
  for (uint16_t dropped : {0x01C1, 0x020B, 0x00D7}) {
    EXPECT_EQ(std::count(ids.begin(), ids.end(), dropped), 0) << std::hex << dropped;
  }
  EXPECT_EQ(bofs, 2);
  EXPECT_EQ(boundSheetPos, sheetBof);
  // COUNTRY and BOOKEXT before BOUNDSHEET; SST and EXTSST right before the
  // globals' EOF.
  auto at = [&](uint16_t id) { return std::find(ids.begin(), ids.end(), id) - ids.begin(); };
  EXPECT_LT(at(0x008C), at(0x0085));
  EXPECT_LT(at(0x0863), at(0x0085));
  EXPECT_EQ(ids[at(0x00FC) + 1], 0x00FF);
  EXPECT_EQ(ids[at(0x00FC) + 2], 0x000A);

  // A second save of the same workbook gives the same bytes, and so does a
  // save of the file read back.
  EXPECT_EQ(book.SaveToBytes(), file);
  TWorkbookFile again(TRegionalSettings{});
  again.Connect();
  again.LoadFromBytes(file);
  EXPECT_EQ(again.SaveToBytes(), file);
}

TEST(WorkbookFile, NewFileWithThreeSheets) {
  auto owner = NewBook(3);
  TWorkbookFile& book = *owner;
  ASSERT_EQ(book.SheetCount(), 3);
  EXPECT_EQ(ToUtf8(book.SheetName(1)), "Sheet1");
  EXPECT_EQ(ToUtf8(book.SheetName(2)), "Sheet");
  EXPECT_EQ(ToUtf8(book.SheetName(3)), "Sheet2");
  const Bytes stream = WorkbookStreamOf(book.SaveToBytes());
  std::vector<size_t> bofs;
  std::vector<uint32_t> positions;
  std::vector<Bytes> window2;
  for (const TRec& r : RecordsOf(stream)) {
    if (r.Id == 0x0809) bofs.push_back(r.Offset);
    if (r.Id == 0x0085) positions.push_back(GetU32(r.Payload.data()));
    if (r.Id == 0x023E) window2.push_back(r.Payload);
  }
  ASSERT_EQ(bofs.size(), 4u);
  ASSERT_EQ(positions.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(positions[i], bofs[i + 1]) << "sheet " << i + 1;
  // The added sheets carry the template sheet's records, not selected.
  ASSERT_EQ(window2.size(), 3u);
  EXPECT_EQ(GetU16(window2[0].data()), 0x06B6);
  EXPECT_EQ(GetU16(window2[1].data()) & 0x0600, 0);
}

TEST(WorkbookFile, CellsSurviveSaveAndLoad) {
  auto owner = NewBook(2);
  TWorkbookFile& book = *owner;
  const std::u16string longText(9000, u'\u0416');
  book.SetCellValue(1, 1, {42.5});
  book.SetCellValue(1, 2, {std::u16string(u"abc")});
  book.SetCellValue(2, 1, {true});
  book.SetCellValue(2, 2, {longText});
  book.SetCellValue(3, 3, {std::u16string(u"abc")});
  book.SetActiveSheet(2);
  book.SetCellValue(65536, 256, {-7.0});
  book.SetActiveSheet(1);
  TCellFormat fm = book.GetFormat(15);
  book.SetCellString(4, 1, u"50%", &fm);
  EXPECT_EQ(ToUtf8(fm.Format), "0%");

  TWorkbookFile back(TRegionalSettings{});
  back.Connect();
  back.LoadFromBytes(book.SaveToBytes());
  EXPECT_EQ(back.GetCellValue(1, 1).Value, TXlsValue(42.5));
  EXPECT_EQ(back.GetCellValue(1, 2).Value, TXlsValue(std::u16string(u"abc")));
  EXPECT_EQ(back.GetCellValue(2, 1).Value, TXlsValue(true));
  EXPECT_EQ(back.GetCellValue(2, 2).Value, TXlsValue(longText));
  EXPECT_EQ(back.GetCellValue(3, 3).Value, TXlsValue(std::u16string(u"abc")));
  EXPECT_EQ(back.GetCellValue(4, 1).Value, TXlsValue(0.5));
  EXPECT_EQ(ToUtf8(back.GetFormat(back.CellFormat(4, 1)).Format), "0%");
  EXPECT_EQ(back.CellFormat(9, 9), -1);
  back.SetActiveSheet(2);
  EXPECT_EQ(back.GetCellValue(65536, 256).Value, TXlsValue(-7.0));
  EXPECT_EQ(ErrorText([&] { back.SetCellValue(65537, 1, {1.0}); }), "Invalid Row (65536)");
  EXPECT_EQ(ErrorText([&] { back.SetActiveSheet(3); }),
            "Sheet number \"3\" invalid. Must be between 1 and 2");
}

TEST(WorkbookFile, SheetNamesFlagsAndSelection) {
  auto owner = NewBook(2);
  TWorkbookFile& book = *owner;
  book.SetActiveSheetName(u"a/b:c");
  EXPECT_EQ(ToUtf8(book.ActiveSheetName()), "a_b.c");
  book.SetActiveSheetName(std::u16string(40, u'x'));
  EXPECT_EQ(book.ActiveSheetName(), std::u16string(31, u'x'));
  book.SetActiveSheetName(std::u16string(31, u'x'));  // its own name: no change
  EXPECT_EQ(ErrorText([&] { book.SetActiveSheetName(u"Sheet"); }),
            "Sheet name already exists: Sheet");
  book.SetActiveSheetName(u"SHEET");  // letter case counts
  EXPECT_EQ(ToUtf8(book.ActiveSheetName()), "SHEET");

  book.SetShowGridLines(true);
  book.SetOutlineSummaryRowsBelowDetail(false);
  book.SetOutlineSummaryColsRightOfDetail(false);
  EXPECT_TRUE(book.ShowGridLines());
  EXPECT_FALSE(book.OutlineSummaryRowsBelowDetail());
  book.SelectSheet(2);
  const Bytes stream = WorkbookStreamOf(book.SaveToBytes());
  std::vector<uint16_t> wsbool, window2;
  uint16_t activeTab = 0xFFFF;
  for (const TRec& r : RecordsOf(stream)) {
    if (r.Id == 0x0081) wsbool.push_back(GetU16(r.Payload.data()));
    if (r.Id == 0x023E) window2.push_back(GetU16(r.Payload.data()));
    if (r.Id == 0x003D) activeTab = GetU16(r.Payload.data() + 10);
  }
  ASSERT_EQ(wsbool.size(), 2u);
  EXPECT_EQ(wsbool[0], 0x0401);
  EXPECT_EQ(wsbool[1], 0x04C1);
  EXPECT_EQ(activeTab, 1);
  EXPECT_EQ(window2[0] & 0x0602, 0x0002);
  EXPECT_EQ(window2[1] & 0x0600, 0x0600);
}

TEST(WorkbookFile, ClearSheetAndInsertCopies) {
  auto owner = NewBook(1);
  TWorkbookFile& book = *owner;
  book.SetCellValue(1, 1, {std::u16string(u"kept")});
  book.InsertAndCopySheets(1, 2, 1);
  ASSERT_EQ(book.SheetCount(), 2);
  book.SetActiveSheet(2);
  EXPECT_EQ(book.GetCellValue(1, 1).Value, TXlsValue(std::u16string(u"kept")));
  book.SetActiveSheet(1);
  book.ClearSheet();
  EXPECT_EQ(book.CellFormat(1, 1), -1);
  EXPECT_EQ(ToUtf8(book.ActiveSheetName()), "Sheet1");
  TWorkbookFile back(TRegionalSettings{});
  back.Connect();
  back.LoadFromBytes(book.SaveToBytes());
  back.SetActiveSheet(2);
  EXPECT_EQ(back.GetCellValue(1, 1).Value, TXlsValue(std::u16string(u"kept")));
  EXPECT_EQ(ErrorText([&] { book.InsertAndCopySheets(-1, 4, 1); }),
            "Sheet number \"4\" invalid. Must be between 1 and 3");
}

TEST(WorkbookFile, SavingToFiles) {
  const auto path = TempPath("saved.xls");
  auto owner = NewBook(1);
  TWorkbookFile& book = *owner;
  book.SetCellValue(1, 1, {1.0});
  book.Save(path);
  ASSERT_TRUE(std::filesystem::exists(path));
  const auto size = std::filesystem::file_size(path);

  // An existing target is refused and left as it was.
  book.SetCellValue(1, 2, {2.0});
  EXPECT_EQ(ErrorText([&] { book.Save(path); }), "Can't write to file \"" + path.string() +
                                                     "\". Check it is not in use by another user");
  EXPECT_EQ(std::filesystem::file_size(path), size);

  TWorkbookFile opened(TRegionalSettings{});
  opened.Connect();
  opened.OpenFile(path);
  EXPECT_EQ(opened.GetCellValue(1, 1).Value, TXlsValue(1.0));

  // Every sheet hidden: nothing is written.
  const auto hiddenPath = TempPath("hidden.xls");
  TWorkbook& model = book.Workbook();
  model.Globals().BoundSheets().Sheet(0).SetOptionFlags(1);
  model.Sheets()[0].SetSelected(false);
  EXPECT_EQ(ErrorText([&] { book.Save(hiddenPath); }), "There are not visible sheets on the file");
  EXPECT_FALSE(std::filesystem::exists(hiddenPath));
  for (const auto& entry : std::filesystem::directory_iterator(hiddenPath.parent_path())) {
    EXPECT_NE(entry.path().filename().string().rfind("hidden", 0), 0u) << entry.path();
  }

  // A file that is not a compound file.
  const auto textPath = TempPath("text.xls");
  std::ofstream(textPath) << "not a workbook";
  EXPECT_EQ(ErrorText([&] { opened.OpenFile(textPath); }),
            "The file \"" + textPath.string() + "\" is invalid");
}

// The checks that refuse damaged files pass every workbook other programs
// wrote.
TEST(WorkbookFile, WorkbooksOfOtherProgramsOpen) {
  const auto dir = std::filesystem::path(TESSARY_SHARED_TESTDATA) / "xls";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << dir << " not available";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".xls") continue;
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    EXPECT_EQ(ErrorText([&] { book.OpenFile(entry.path()); }), "") << entry.path();
  }
}

}  // namespace
}  // namespace tessary

// The export through the real workbook engine: what the written workbook
// holds, read back with the engine and from its record stream.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "common/bytes.h"
#include "common/error.h"
#include "common/write_lock.h"
#include "exchange/export_target.h"
#include "exchange/grid_xls_io.h"
#include "exchange/table_export.h"
#include "gff/g2da.h"
#include "gff/gff_container.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/workbook_file.h"

namespace tessary {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The payloads of every record of type `id` in the Workbook stream.
std::vector<std::vector<uint8_t>> Records(const std::filesystem::path& file, uint16_t id) {
  TMemoryByteStream bytes;
  bytes.Bytes = ReadFile(file);
  TCompoundFile container(bytes);
  container.SelectStream(u"Workbook");
  std::vector<uint8_t> stream(container.Length());
  container.ReadMem(stream.data(), static_cast<uint32_t>(stream.size()));
  std::vector<std::vector<uint8_t>> out;
  for (size_t pos = 0; pos + 4 <= stream.size();) {
    const uint16_t type = GetU16(&stream[pos]);
    const uint16_t size = GetU16(&stream[pos + 2]);
    if (type == id)
      out.emplace_back(stream.begin() + static_cast<long>(pos) + 4,
                       stream.begin() + static_cast<long>(pos) + 4 + size);
    pos += 4 + size;
  }
  return out;
}

class ExportWorkbookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() /
           ("tessary_export_wb_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    FGrid.SetColCount(2);
    FGrid.SetRowCount(3);
    FGrid.SetColWidths(0, 86);
    FGrid.SetCells(0, 0, u"ID");
    FGrid.SetCells(1, 0, u"Label");
    FGrid.SetCells(0, 1, u"int");
    FGrid.SetCells(1, 1, u"string");
    FGrid.SetCells(0, 2, u"7");
    FGrid.SetCells(1, 2, u"seven");
    FIO.ApplyWindowSettings(FGrid);
    FIO.Regional = TRegionalSettings{};
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  std::unique_ptr<TWorkbookFile> Open(const std::filesystem::path& p) {
    auto book = std::make_unique<TWorkbookFile>(TRegionalSettings{});
    book->Connect();
    book->OpenFile(p);
    return book;
  }

  std::filesystem::path FDir;
  TCellTable FGrid;
  TGridXlsIO FIO;
};

TEST_F(ExportWorkbookTest, FreshWorkbookHoldsTheGrid) {
  const auto path = FDir / "t.xls";
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_Clear);
  TWorkbookFile book(TRegionalSettings{});
  book.Connect();
  book.OpenFile(path);
  ASSERT_EQ(book.SheetCount(), 1);
  book.SetActiveSheet(1);
  EXPECT_EQ(book.ActiveSheetName(), u"t.xls");
  EXPECT_EQ(std::get<std::u16string>(book.GetCellValue(1, 1).Value), u"ID");
  EXPECT_EQ(std::get<double>(book.GetCellValue(3, 1).Value), 7.0);
  EXPECT_TRUE(book.ShowGridLines());
  EXPECT_FALSE(book.OutlineSummaryRowsBelowDetail());
  // WSBOOL of the sheet: the template's 0x04C1 with the outline bits cleared.
  const auto wsbool = Records(path, 0x0081);
  ASSERT_EQ(wsbool.size(), 1u);
  EXPECT_EQ(GetU16(wsbool[0].data()), 0x0401);
  // Widths 3072 (86 pixels) and 2267 (64 pixels), heights 300.
  bool saw3072 = false, saw2267 = false;
  for (const auto& p : Records(path, 0x007D)) {
    saw3072 = saw3072 || GetU16(p.data() + 4) == 3072;
    saw2267 = saw2267 || GetU16(p.data() + 4) == 2267;
  }
  EXPECT_TRUE(saw3072);
  EXPECT_TRUE(saw2267);
  const auto rows = Records(path, 0x0208);
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& r : rows) EXPECT_EQ(GetU16(r.data() + 6) & 0x7FFF, 300);
}

// A table file whose cells all refer to one stored text loads as cells
// sharing that text; the export hashes it once, not once per cell.
TEST_F(ExportWorkbookTest, ASharedTextIsHashedOnce) {
  const std::u16string text(5000, u'w');
  FGrid.SetRowCount(1002);
  for (int32_t r = 2; r < 1002; ++r) {
    FGrid.SetCells(0, r, u"1");
    FGrid.SetCells(1, r, text);
  }
  TMemoryGFF gff;
  ASSERT_TRUE(gff.LoadFromBytes(*BuildGDA(FGrid)));
  TCellTable shared;
  ASSERT_TRUE(LoadGDAFromContainer(shared, gff));
  TXlsExportCounts counts;
  FIO.ApplyWindowSettings(shared);
  FIO.Counts = &counts;
  const auto path = FDir / "t.xls";
  FIO.XLSExport(path, u"t", -1, 1, InsertInSheet_Clear);
  EXPECT_GT(counts.StringBytesHashed, text.size());
  EXPECT_LT(counts.StringBytesHashed, 4 * text.size());
  auto book = Open(path);
  book->SetActiveSheet(1);
  EXPECT_EQ(std::get<std::u16string>(book->GetCellValue(1002, 2).Value), text);
}

TEST_F(ExportWorkbookTest, ExportingTwiceKeepsTheOtherSheets) {
  const auto path = FDir / "t.xls";
  FIO.XLSExport(path, u"first", -1, 1, InsertInSheet_Clear);
  FIO.XLSExport(path, u"second", -1, 1, InsertInSheet_Clear);
  FGrid.SetCells(1, 2, u"changed");
  FIO.XLSExport(path, u"FIRST", -1, 1, InsertInSheet_Clear);
  auto opened = Open(path);
  TWorkbookFile& book = *opened;
  ASSERT_EQ(book.SheetCount(), 2);
  EXPECT_EQ(book.SheetName(1), u"FIRST");
  EXPECT_EQ(book.SheetName(2), u"second");
  book.SetActiveSheet(1);
  EXPECT_EQ(std::get<std::u16string>(book.GetCellValue(3, 2).Value), u"changed");
  book.SetActiveSheet(2);
  EXPECT_EQ(std::get<std::u16string>(book.GetCellValue(3, 2).Value), u"seven");
}

// "x[1].gda" exported twice refills its sheet "x_1_.xls"; a name longer
// than a sheet's is found under its first 31 characters.
TEST_F(ExportWorkbookTest, CleanedSheetNamesAreFoundAgain) {
  const auto path = FDir / "t.xls";
  const std::u16string longName(40, u'n');
  for (int pass = 0; pass < 2; ++pass) {
    FGrid.SetCells(1, 2, pass == 0 ? u"first" : u"changed");
    FIO.XLSExport(path, u"x[1].xls", -1, 1, InsertInSheet_Clear);
    FIO.XLSExport(path, longName, -1, 1, InsertInSheet_Clear);
  }
  auto book = Open(path);
  ASSERT_EQ(book->SheetCount(), 2);
  book->SetActiveSheet(1);
  EXPECT_EQ(book->ActiveSheetName(), u"x_1_.xls");
  EXPECT_EQ(book->GetCellValue(3, 2).Value, TXlsValue(std::u16string(u"changed")));
}

// A ROW record holds 15 bits of height: 40,000 twips are capped, not
// wrapped to 7,232.
TEST_F(ExportWorkbookTest, TooTallRowsGetTheLargestHeight) {
  const auto path = FDir / "t.xls";
  FGrid.SetRowHeights(2, 2669);  // (2669 - 2) * 15 = 40,005 twips
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_Clear);
  const auto rows = Records(path, 0x0208);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(GetU16(rows[2].data() + 6) & 0x7FFF, 0x7FFF);
}

TEST_F(ExportWorkbookTest, UnwritableTargetLeavesTheOldFile) {
  const auto path = FDir / "t.xls";
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_Clear);
  const std::vector<uint8_t> before = ReadFile(path);
  // The directory cannot take a new file: the save fails before the old
  // file is touched.
  std::filesystem::permissions(
      FDir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const bool root = ::geteuid() == 0;
  if (!root) {
    EXPECT_THROW(FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_Clear), Error);
  }
  std::filesystem::permissions(FDir, std::filesystem::perms::owner_all);
  // A target that is a directory cannot be replaced either (also as root).
  const auto dirTarget = FDir / "dir.xls";
  std::filesystem::create_directories(dirTarget / "inside");
  EXPECT_ANY_THROW(FIO.XLSExport(dirTarget, u"d", -1, 1, InsertInSheet_Clear));
  EXPECT_TRUE(std::filesystem::exists(dirTarget / "inside"));
  EXPECT_EQ(ReadFile(path), before);
}

// Another writer holds the workbook: the export waits, then is refused
// with the file named and the workbook untouched.
TEST_F(ExportWorkbookTest, AnExportWaitsForAnotherWriterOfTheWorkbook) {
  const auto path = FDir / "t.xls";
  FIO.XLSExport(path, u"first", -1, 1, InsertInSheet_Clear);
  const std::vector<uint8_t> before = ReadFile(path);
  TWriteLock::SetWaitLimit(std::chrono::milliseconds(100));
  const TWriteLock held(path);
  const TResult result = ExportTableToWorkbook(FGrid, path, u"second", {});
  TWriteLock::SetWaitLimit(TWriteLock::kDefaultWait);
  EXPECT_EQ(result.Message, std::string(kExportErrorText) + "\n" + path.string() +
                                ": Another save of this file is in progress (waited 0.1 seconds)");
  EXPECT_EQ(ReadFile(path), before);
}

TEST_F(ExportWorkbookTest, InsertingRowsMovesTheEarlierExportDown) {
  const auto path = FDir / "t.xls";
  // A new workbook has nothing to move.
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_InsertRows);
  FGrid.SetCells(0, 2, u"8");
  FGrid.SetCells(1, 2, u"eight");
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_InsertRows);
  auto book = Open(path);
  ASSERT_EQ(book->SheetCount(), 1);
  book->SetActiveSheet(1);
  const auto value = [&](int row, int col) { return book->GetCellValue(row, col).Value; };
  // The second export in rows 1-3, the first one below it.
  EXPECT_EQ(value(1, 1), TXlsValue(std::u16string(u"ID")));
  EXPECT_EQ(value(3, 1), TXlsValue(8.0));
  EXPECT_EQ(value(3, 2), TXlsValue(std::u16string(u"eight")));
  EXPECT_EQ(value(4, 1), TXlsValue(std::u16string(u"ID")));
  EXPECT_EQ(value(5, 2), TXlsValue(std::u16string(u"string")));
  EXPECT_EQ(value(6, 1), TXlsValue(7.0));
  EXPECT_EQ(value(6, 2), TXlsValue(std::u16string(u"seven")));
  // Six ROW records, each with its own row and the grid's height.
  const auto rows = Records(path, 0x0208);
  ASSERT_EQ(rows.size(), 6u);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(GetU16(rows[i].data()), i);
    EXPECT_EQ(GetU16(rows[i].data() + 6) & 0x7FFF, 300);
  }
}

TEST_F(ExportWorkbookTest, InsertingAllButTheFirstTwoRowsKeepsOneHeader) {
  const auto path = FDir / "t.xls";
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_Clear);
  FGrid.SetCells(0, 2, u"8");
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_InsertRowsExceptFirstAndSecond);
  auto book = Open(path);
  book->SetActiveSheet(1);
  EXPECT_EQ(book->GetCellValue(1, 1).Value, TXlsValue(std::u16string(u"ID")));
  EXPECT_EQ(book->GetCellValue(2, 1).Value, TXlsValue(std::u16string(u"int")));
  EXPECT_EQ(book->GetCellValue(3, 1).Value, TXlsValue(8.0));
  EXPECT_EQ(book->GetCellValue(4, 1).Value, TXlsValue(7.0));
  EXPECT_EQ(book->GetCellValue(4, 2).Value, TXlsValue(std::u16string(u"seven")));
  EXPECT_EQ(book->CellFormat(5, 1), -1);
}

TEST_F(ExportWorkbookTest, RowsThatCannotBeInsertedLeaveTheFile) {
  const auto path = FDir / "t.xls";
  FIO.SetXlsStartRow(65534);  // the grid fills the sheet's last three rows
  FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_Clear);
  const std::vector<uint8_t> before = ReadFile(path);
  try {
    FIO.XLSExport(path, u"t.xls", -1, 1, InsertInSheet_InsertRows);
    FAIL() << "the last rows were pushed off the sheet";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid Row (65538)");
  }
  EXPECT_EQ(ReadFile(path), before);
}

}  // namespace
}  // namespace tessary

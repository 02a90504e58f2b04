#include "exchange/grid_xls_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "common/error.h"
#include "text/utf16.h"

namespace tessary {
namespace {

// A workbook that records what the export does to it.
class FakeBook : public TExportBook {
 public:
  struct Sheet {
    std::u16string Name;
    bool Cleared = false;
    std::map<std::pair<int, int>, TXlsCellValue> Cells{};
    std::map<int, int> Widths{}, Heights{};
    bool GridLines = false, RowsBelow = true, ColsRight = true;
  };
  std::vector<Sheet> Sheets;
  // Style XFs 0-14 differ from the default cell format XF 15.
  std::vector<TCellFormat> Formats = [] {
    std::vector<TCellFormat> f(16);
    for (size_t i = 0; i < 15; ++i) f[i].Indent = static_cast<uint8_t>(i + 1);
    return f;
  }();
  int Active = 1;
  int Selected = 0;
  std::filesystem::path SavedTo;
  std::vector<std::string>* Log = nullptr;
  std::vector<Sheet> OnDisk;  // what OpenFile finds

  void NewFile(int count) override {
    Sheets.assign(static_cast<size_t>(count), Sheet{u"Sheet1"});
    Log->push_back("new");
  }
  void OpenFile(const std::filesystem::path&) override {
    Sheets = OnDisk;
    Log->push_back("open");
  }
  int SheetCount() const override { return static_cast<int>(Sheets.size()); }
  std::u16string SheetName(int s) const override { return Sheets[static_cast<size_t>(s - 1)].Name; }
  void SetActiveSheet(int s) override { Active = s; }
  // Like the engine: the name made valid, then checked against the others.
  void SetActiveSheetName(std::u16string_view name) override {
    std::u16string valid(name);
    for (char16_t& c : valid) {
      if (c == u'[' || c == u']' || c == u'/' || c == u'\\' || c == u'?' || c == u'*') c = u'_';
    }
    for (int s = 1; s <= SheetCount(); ++s) {
      if (s != Active && Sheets[static_cast<size_t>(s - 1)].Name == valid) {
        ThrowError("Sheet name already exists: %s", ToUtf8(valid).c_str());
      }
    }
    Cur().Name = valid;
  }
  void InsertAndCopySheets(int, int before, int count) override {
    Sheets.insert(Sheets.begin() + (before - 1), static_cast<size_t>(count), Sheet{u"SheetN"});
    Log->push_back("insert " + std::to_string(before));
  }
  void ClearSheet() override {
    std::u16string name = Cur().Name;
    Cur() = Sheet{name};
    Cur().Cleared = true;
  }
  // Like the engine: what lies at or after the place moves by `count`.
  void InsertRows(int row, int count) override {
    Log->push_back("insert rows " + std::to_string(row) + " " + std::to_string(count));
    Sheet& s = Cur();
    std::map<std::pair<int, int>, TXlsCellValue> cells;
    for (const auto& [at, v] : s.Cells)
      cells[{at.first >= row ? at.first + count : at.first, at.second}] = v;
    s.Cells = std::move(cells);
    std::map<int, int> heights;
    for (const auto& [r, h] : s.Heights) heights[r >= row ? r + count : r] = h;
    s.Heights = std::move(heights);
  }
  void InsertCols(int col, int count) override {
    Log->push_back("insert cols " + std::to_string(col) + " " + std::to_string(count));
    Sheet& s = Cur();
    std::map<std::pair<int, int>, TXlsCellValue> cells;
    for (const auto& [at, v] : s.Cells)
      cells[{at.first, at.second >= col ? at.second + count : at.second}] = v;
    s.Cells = std::move(cells);
    std::map<int, int> widths;
    for (const auto& [c, w] : s.Widths) widths[c >= col ? c + count : c] = w;
    s.Widths = std::move(widths);
  }
  void SetShowGridLines(bool v) override { Cur().GridLines = v; }
  void SetOutlineSummaryRowsBelowDetail(bool v) override { Cur().RowsBelow = v; }
  void SetOutlineSummaryColsRightOfDetail(bool v) override { Cur().ColsRight = v; }
  void SetColWidth(int col, int w) override { Cur().Widths[col] = w; }
  void SetRowHeight(int row, int h) override { Cur().Heights[row] = h; }
  int CellFormat(int row, int col) const override {
    auto it = Sheets[static_cast<size_t>(Active - 1)].Cells.find({row, col});
    return it == Sheets[static_cast<size_t>(Active - 1)].Cells.end() ? -1 : it->second.XF;
  }
  int RowFormat(int) const override { return -1; }
  int ColFormat(int) const override { return -1; }
  TCellFormat GetFormat(int xf) const override { return Formats[static_cast<size_t>(xf)]; }
  int AddFormat(const TCellFormat& f) override {
    for (size_t i = 0; i < Formats.size(); ++i) {
      if (Formats[i] == f) return static_cast<int>(i);
    }
    Formats.push_back(f);
    return static_cast<int>(Formats.size() - 1);
  }
  void SetCellValue(int row, int col, const TXlsCellValue& v) override {
    Cur().Cells[{row, col}] = v;
  }
  void RepeatCellValue(int fromRow, int fromCol, int row, int col, int xf) override {
    TXlsCellValue v = Cur().Cells[{fromRow, fromCol}];
    v.XF = xf;
    Cur().Cells[{row, col}] = v;
  }
  void SelectSheet(int s) override { Selected = s; }
  void Save(const std::filesystem::path& f) override {
    SavedTo = f;
    Log->push_back("save");
  }
  Sheet& Cur() { return Sheets[static_cast<size_t>(Active - 1)]; }
};

class GridXlsIOTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir =
        std::filesystem::temp_directory_path() / ("tessary_export_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    FGrid.SetColCount(2);
    FGrid.SetRowCount(3);
    FGrid.SetColWidths(1, 86);
    FIO.ApplyWindowSettings(FGrid);
    FIO.Regional = TRegionalSettings{};
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  // Runs the export and keeps a copy of the fake book's final state.
  FakeBook Export(const std::filesystem::path& target, std::u16string_view sheet,
                  TInsertInSheet insertInSheet = InsertInSheet_Clear) {
    FakeBook snapshot;
    FIO.BookFactory = [this, &snapshot](const TRegionalSettings&) {
      struct Keeper : FakeBook {
        FakeBook* Out;
        ~Keeper() override { *Out = *this; }
      };
      auto book = std::make_unique<Keeper>();
      book->Out = &snapshot;
      book->Log = &FLog;
      book->OnDisk = FDisk;
      return std::unique_ptr<TExportBook>(std::move(book));
    };
    FIO.XLSExport(target, sheet, -1, 1, insertInSheet);
    return snapshot;
  }

  std::filesystem::path FDir;
  TCellTable FGrid;
  TGridXlsIO FIO;
  std::vector<std::string> FLog;
  std::vector<FakeBook::Sheet> FDisk;
};

TEST_F(GridXlsIOTest, NewWorkbookGetsSizesValuesAndTheName) {
  FGrid.SetCells(0, 0, u"ID");
  FGrid.SetCells(1, 0, u"Label");
  FGrid.SetCells(0, 1, u"int");
  FGrid.SetCells(0, 2, u"42");
  FGrid.SetCells(1, 2, u"a<b>c</b>");
  FakeBook book = Export(FDir / "t.xls", u"t.xls");
  EXPECT_EQ(FLog, (std::vector<std::string>{"new", "save"}));
  ASSERT_EQ(book.Sheets.size(), 1u);
  const FakeBook::Sheet& s = book.Sheets[0];
  EXPECT_EQ(s.Name, u"t.xls");
  EXPECT_TRUE(s.GridLines);
  EXPECT_FALSE(s.RowsBelow);
  EXPECT_FALSE(s.ColsRight);
  EXPECT_EQ(s.Widths.at(1), 2267);
  EXPECT_EQ(s.Widths.at(2), 3072);
  EXPECT_EQ(s.Heights.at(1), 300);
  EXPECT_EQ(s.Heights.at(3), 300);
  EXPECT_EQ(std::get<std::u16string>(s.Cells.at({1, 1}).Value), u"ID");
  EXPECT_EQ(std::get<double>(s.Cells.at({3, 1}).Value), 42.0);
  EXPECT_EQ(std::get<std::u16string>(s.Cells.at({3, 2}).Value), u"ac");
  // An empty grid cell is exported as an empty text (a blank cell).
  EXPECT_EQ(std::get<std::u16string>(s.Cells.at({2, 2}).Value), u"");
  EXPECT_EQ(s.Cells.at({3, 1}).XF, 15);
  EXPECT_EQ(book.Selected, 1);
  EXPECT_EQ(book.SavedTo, FDir / "t.xls");
}

// Columns whose row 1 names no type (here empty) convert by the general
// rules.
TEST_F(GridXlsIOTest, ConvertedCellsGetTheirNumberFormat) {
  FGrid.SetColCount(3);
  FGrid.SetCells(0, 2, u"50%");
  FGrid.SetCells(1, 2, u"1e3");
  FGrid.SetCells(2, 2, u"TRUE");
  FakeBook book = Export(FDir / "t.xls", u"t.xls");
  const FakeBook::Sheet& s = book.Sheets[0];
  const TXlsCellValue& pct = s.Cells.at({3, 1});
  EXPECT_DOUBLE_EQ(std::get<double>(pct.Value), 0.5);
  EXPECT_EQ(book.Formats[static_cast<size_t>(pct.XF)].Format, u"0%");
  const TXlsCellValue& exp = s.Cells.at({3, 2});
  EXPECT_EQ(book.Formats[static_cast<size_t>(exp.XF)].Format, u"0.00E+00");
  EXPECT_EQ(std::get<bool>(s.Cells.at({3, 3}).Value), true);
  EXPECT_EQ(s.Cells.at({3, 3}).XF, 15);
}

TEST_F(GridXlsIOTest, TableRowsAndTypedColumnsKeepWhatTheTableHolds) {
  using S = std::u16string;
  // Per column: name, type, a data cell and what it becomes.
  const struct {
    const char16_t *Name, *Type, *Text;
    TXlsValue Value;
  } cols[] = {
      {u"$12345678", u"INT", u"$10", 16.0},
      {u"$0012E034", u"int", u"12.0", S(u"12.0")},
      {u"A", u"Float", u"0.100000001490116", 0.100000001490116},  // not rounded to single
      {u"B", u"float", u"1e400", S(u"1e400")},                    // beyond a number cell
      {u"C", u"bool", u"2", 1.0},
      {u"D", u"BOOL", u"true", S(u"true")},
      {u"E", u"string", u"007", S(u"007")},
      {u"F", u"resource", u"<b>Sword</b>", S(u"<b>Sword</b>")},
      {u"G", u"*ERROR: UNKNOWN TYPE*", u"50%", 0.5},
  };
  FGrid.SetColCount(9);
  for (int c = 0; c < 9; ++c) {
    FGrid.SetCells(c, 0, cols[c].Name);
    FGrid.SetCells(c, 1, cols[c].Type);
    FGrid.SetCells(c, 2, cols[c].Text);
  }
  const FakeBook::Sheet s = Export(FDir / "t.xls", u"t.xls").Sheets[0];
  for (int c = 0; c < 9; ++c) {
    EXPECT_EQ(s.Cells.at({1, c + 1}).Value, TXlsValue(S(cols[c].Name)));
    EXPECT_EQ(s.Cells.at({2, c + 1}).Value, TXlsValue(S(cols[c].Type)));
    EXPECT_EQ(s.Cells.at({3, c + 1}).Value, cols[c].Value) << c;
  }
  EXPECT_EQ(s.Cells.at({3, 1}).XF, 15);  // no number format for typed cells

  // A grid without the table layout converts every row.
  FIO.TableLayout = false;
  EXPECT_EQ(Export(FDir / "t.xls", u"t.xls").Sheets[0].Cells.at({1, 1}).Value,
            TXlsValue(12345678.0));
}

TEST_F(GridXlsIOTest, ExistingWorkbookKeepsOtherSheets) {
  std::ofstream(FDir / "t.xls") << "exists";
  FDisk = {FakeBook::Sheet{u"Other"}, FakeBook::Sheet{u"T.XLS"}, FakeBook::Sheet{u"Third"}};
  FDisk[1].Cells[{9, 9}] = TXlsCellValue{std::u16string(u"old"), 15, false};
  FakeBook book = Export(FDir / "t.xls", u"t.xls");
  EXPECT_EQ(FLog, (std::vector<std::string>{"open", "save"}));
  ASSERT_EQ(book.Sheets.size(), 3u);
  EXPECT_EQ(book.Sheets[0].Name, u"Other");
  EXPECT_TRUE(book.Sheets[1].Cleared);  // found without regard to case, then emptied
  EXPECT_EQ(book.Sheets[1].Name, u"t.xls");
  EXPECT_EQ(book.Sheets[1].Cells.count({9, 9}), 0u);
  EXPECT_EQ(book.Sheets[2].Name, u"Third");
}

TEST_F(GridXlsIOTest, MissingSheetIsAppendedAndCleanedNamesAreFound) {
  std::ofstream(FDir / "t.xls") << "exists";
  FDisk = {FakeBook::Sheet{u"One"}, FakeBook::Sheet{u"Two"}};
  FakeBook appended = Export(FDir / "t.xls", u"new");
  EXPECT_EQ(FLog, (std::vector<std::string>{"open", "insert 3", "save"}));
  EXPECT_EQ(appended.Sheets[2].Name, u"new");
  // "[x]" was stored as "_X_" and is found again under that name.
  FDisk = {FakeBook::Sheet{u"One"}, FakeBook::Sheet{u"_X_"}};
  EXPECT_TRUE(Export(FDir / "t.xls", u"[x]").Sheets[1].Cleared);
}

TEST_F(GridXlsIOTest, OverwriteModesAndMissingGrid) {
  std::ofstream(FDir / "t.xls") << "exists";
  FDisk = {FakeBook::Sheet{u"Other"}};
  FIO.Options.ExportOverwrite = omAlways;
  Export(FDir / "t.xls", u"t.xls");
  EXPECT_EQ(FLog.front(), "new");  // the old content is not read

  FLog.clear();
  FIO.Options.ExportOverwrite = omWarn;
  std::string asked;
  FIO.OnConfirmOverwrite = [&](const std::string& q) {
    asked = q;
    return false;
  };
  Export(FDir / "t.xls", u"t.xls");
  EXPECT_TRUE(FLog.empty());
  EXPECT_EQ(asked, "File " + (FDir / "t.xls").string() + " already exists\rOk to overwrite ?");

  TGridXlsIO none;
  try {
    none.XLSExport(FDir / "x.xls", u"x", -1, 1, InsertInSheet_Clear);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "There is no grid assigned to this component");
  }
}

// Refused before a workbook is made or opened.
TEST_F(GridXlsIOTest, TablesLargerThanASheetAreRefusedUpFront) {
  std::ofstream(FDir / "t.xls") << "exists";
  FGrid.SetRowCount(65536);
  FGrid.SetColCount(256);
  EXPECT_TRUE(FIO.CheckFitsSheet());
  FGrid.SetRowCount(100002);
  EXPECT_EQ(FIO.CheckFitsSheet().Message,
            "The table has 100,002 rows; a sheet holds at most 65,536.");
  FGrid.SetRowCount(3);
  FGrid.SetColCount(257);
  try {
    Export(FDir / "t.xls", u"t.xls");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The table has 257 columns; a sheet holds at most 256.");
  }
  // A cell longer than a workbook string.
  FGrid.SetColCount(2);
  FGrid.SetCells(1, 0, u"Name");
  FGrid.SetCells(1, 2, std::u16string(32767, u'x'));
  EXPECT_TRUE(FIO.CheckFitsSheet());
  FGrid.SetRowCount(8);
  FGrid.SetCells(1, 7, std::u16string(200000, u'x'));
  try {
    Export(FDir / "t.xls", u"t.xls");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "Row 6, column Name holds 200,000 characters; a workbook cell holds at most "
                 "32,767.");
  }
  EXPECT_TRUE(FLog.empty());
}

TEST_F(GridXlsIOTest, InsertModesMakeRoomInTheFoundSheetBeforeWriting) {
  std::ofstream(FDir / "t.xls") << "exists";
  FGrid.SetColCount(4);
  FGrid.SetRowCount(5);
  FGrid.SetCells(0, 0, u"new");
  // The sheet on disk: a cell, a height and a width where the grid goes,
  // and a cell far from it.
  FakeBook::Sheet onDisk{u"T.XLS"};
  onDisk.Cells[{1, 1}] = TXlsCellValue{std::u16string(u"old"), 15, false};
  onDisk.Cells[{100, 100}] = TXlsCellValue{std::u16string(u"far"), 15, false};
  onDisk.Heights[1] = 111;
  onDisk.Widths[1] = 222;
  const auto text = [](const FakeBook::Sheet& s, int row, int col) {
    auto it = s.Cells.find({row, col});
    return it == s.Cells.end() ? std::u16string(u"(none)")
                               : std::get<std::u16string>(it->second.Value);
  };

  const struct {
    TInsertInSheet Mode;
    std::vector<std::string> Log;
    // Where the old cells end up; row 0 for a cell written over.
    std::pair<int, int> Old, Far;
  } cases[] = {
      {InsertInSheet_OverwriteCells, {"open", "save"}, {0, 0}, {100, 100}},
      {InsertInSheet_InsertRows, {"open", "insert rows 1 5", "save"}, {6, 1}, {105, 100}},
      {InsertInSheet_InsertCols, {"open", "insert cols 1 4", "save"}, {1, 5}, {100, 104}},
      {InsertInSheet_InsertRowsExceptFirstAndSecond,
       {"open", "insert rows 2 3", "save"},
       {0, 0},
       {103, 100}},
      {InsertInSheet_InsertColsExceptFirstAndSecond,
       {"open", "insert cols 2 2", "save"},
       {0, 0},
       {100, 102}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Mode));
    FLog.clear();
    FDisk = {FakeBook::Sheet{u"Other"}, onDisk};
    const FakeBook book = Export(FDir / "t.xls", u"t.xls", c.Mode);
    EXPECT_EQ(FLog, c.Log);
    const FakeBook::Sheet& s = book.Sheets[1];
    EXPECT_FALSE(s.Cleared);
    // The grid's first cell is written at (1, 1) after the insertion.
    EXPECT_EQ(text(s, 1, 1), u"new");
    if (c.Old.first > 0) {
      EXPECT_EQ(text(s, c.Old.first, c.Old.second), u"old");
    }
    EXPECT_EQ(text(s, c.Far.first, c.Far.second), u"far");
  }
  // The old height and width moved before the grid's were written.
  FDisk = {onDisk};
  EXPECT_EQ(Export(FDir / "t.xls", u"t.xls", InsertInSheet_InsertRows).Sheets[0].Heights.at(6),
            111);
  EXPECT_EQ(Export(FDir / "t.xls", u"t.xls", InsertInSheet_InsertCols).Sheets[0].Widths.at(5), 222);

  // Clear empties the sheet and inserts nothing.
  FLog.clear();
  EXPECT_TRUE(Export(FDir / "t.xls", u"t.xls", InsertInSheet_Clear).Sheets[0].Cleared);
  EXPECT_EQ(FLog, (std::vector<std::string>{"open", "save"}));
}

TEST_F(GridXlsIOTest, InsertedRoomFollowsTheStartPositions) {
  std::ofstream(FDir / "t.xls") << "exists";
  FGrid.SetColCount(4);
  FGrid.SetRowCount(5);
  FIO.SetGridStartRow(1);
  FIO.SetGridStartCol(1);
  FIO.SetXlsStartRow(3);
  FIO.SetXlsStartCol(2);
  const std::pair<TInsertInSheet, std::string> cases[] = {
      {InsertInSheet_InsertRows, "insert rows 3 4"},
      {InsertInSheet_InsertCols, "insert cols 2 3"},
      {InsertInSheet_InsertRowsExceptFirstAndSecond, "insert rows 4 2"},
      {InsertInSheet_InsertColsExceptFirstAndSecond, "insert cols 3 1"},
  };
  for (const auto& [mode, call] : cases) {
    FLog.clear();
    FDisk = {FakeBook::Sheet{u"t.xls"}};
    const FakeBook book = Export(FDir / "t.xls", u"t.xls", mode);
    EXPECT_EQ(FLog, (std::vector<std::string>{"open", call, "save"}));
    // The first exported cell lands on the first place opened.
    EXPECT_EQ(book.Sheets[0].Cells.count({3, 2}), 1u) << call;
  }
  // Two grid rows and two columns: the ..ExceptFirstAndSecond modes have
  // nothing to insert.
  FGrid.SetColCount(3);
  FGrid.SetRowCount(3);
  for (const TInsertInSheet mode : {InsertInSheet_InsertRowsExceptFirstAndSecond,
                                    InsertInSheet_InsertColsExceptFirstAndSecond}) {
    FLog.clear();
    Export(FDir / "t.xls", u"t.xls", mode);
    EXPECT_EQ(FLog, (std::vector<std::string>{"open", "save"}));
  }
}

TEST_F(GridXlsIOTest, NewSheetsAndNewWorkbooksNeedNoRoom) {
  for (const TInsertInSheet mode : {InsertInSheet_InsertRows, InsertInSheet_InsertCols,
                                    InsertInSheet_InsertRowsExceptFirstAndSecond,
                                    InsertInSheet_InsertColsExceptFirstAndSecond}) {
    FLog.clear();
    Export(FDir / "new.xls", u"t.xls", mode);
    EXPECT_EQ(FLog, (std::vector<std::string>{"new", "save"}));
    std::ofstream(FDir / "t.xls") << "exists";
    FDisk = {FakeBook::Sheet{u"Other"}};
    FLog.clear();
    Export(FDir / "t.xls", u"t.xls", mode);
    EXPECT_EQ(FLog, (std::vector<std::string>{"open", "insert 2", "save"}));
  }
}

}  // namespace
}  // namespace tessary

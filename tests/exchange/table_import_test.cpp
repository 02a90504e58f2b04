// Tables read from workbook sheets: hand-built cell records of every kind
// the reader takes, the refusals, and the choice of the sheet.
#include "exchange/table_import.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/empty_sheet_template.h"
#include "xls/workbook_template.h"

namespace tessary {
namespace {

using testing::Bytes;
using testing::PutRecord;
using testing::Words;

Bytes At(uint16_t row, uint16_t col) { return Words({row, col, 15}); }

void Label(Bytes& s, uint16_t row, uint16_t col, const std::string& text, uint16_t id = 0x0204) {
  Bytes p = At(row, col);
  AppendU16(p, static_cast<uint16_t>(text.size()));
  p.push_back(0);
  p.insert(p.end(), text.begin(), text.end());
  if (id == 0x00D6) p.insert(p.end(), {1, 0, 0, 0, 1, 0});  // one rich-text run
  PutRecord(s, id, p);
}

void Number(Bytes& s, uint16_t row, uint16_t col, double value) {
  Bytes p = At(row, col);
  p.resize(14);
  PutDouble(p.data() + 6, value);
  PutRecord(s, 0x0203, p);
}

void BoolErr(Bytes& s, uint16_t row, uint16_t col, uint8_t value, uint8_t isError) {
  Bytes p = At(row, col);
  p.insert(p.end(), {value, isError});
  PutRecord(s, 0x0205, p);
}

// A formula without tokens whose cached result is `result` (8 bytes).
void Formula(Bytes& s, uint16_t row, uint16_t col, const Bytes& result) {
  Bytes p = At(row, col);
  p.insert(p.end(), result.begin(), result.end());
  p.resize(p.size() + 8, 0);  // flags, chn, token size 0
  PutRecord(s, 0x0006, p);
}

Bytes NumberResult(double value) {
  Bytes r(8);
  PutDouble(r.data(), value);
  return r;
}

// The template's worksheet with `cells` records between DIMENSIONS and
// WINDOW2.
Bytes Sheet(const std::function<void(Bytes&)>& cells) {
  auto parts = testing::TemplateSheetParts();
  Bytes records;
  cells(records);
  parts[3].insert(parts[3].end(), records.begin(), records.end());
  return testing::Join(parts);
}

class TableImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir =
        std::filesystem::temp_directory_path() / ("tessary_import_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  // A compound file holding a Workbook stream of one sheet, "S1".
  std::filesystem::path Workbook(const std::function<void(Bytes&)>& cells) {
    const Bytes stream = testing::WorkbookWith({Sheet(cells)});
    TMemoryByteStream source(EmptySheetTemplate());
    TCompoundFile container(source);
    TMemoryByteStream out;
    container.PrepareForWrite(out, u"Workbook");
    container.WriteMem(stream.data(), static_cast<uint32_t>(stream.size()));
    container.Close();
    return Write("book.xls", out.Bytes);
  }

  std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
    const auto path = FDir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // The message of importing a sheet whose first two rows are "ID", "int"
  // and whose third row holds `data`.
  std::string Refusal(const std::function<void(Bytes&)>& cells) {
    TCellTable t;
    const TResult result = ImportTableFromWorkbook(Workbook(cells), nullptr, t);
    EXPECT_FALSE(result.Ok);
    return result.Message;
  }

  std::filesystem::path FDir;
};

TEST_F(TableImportTest, EveryCellRecordBecomesTheTextOfItsColumnType) {
  const auto path = Workbook([](Bytes& s) {
    for (auto [c, name] :
         {std::pair<uint16_t, const char*>{0, "ID"}, {1, "Speed"}, {2, "Flag"}, {3, "Name"}}) {
      Label(s, 0, c, name);  // column E has no name: it is kept
    }
    uint16_t c = 0;
    for (const char* type : {"int", "FLOAT", "bool", "string", "resource"}) Label(s, 1, c++, type);
    PutRecord(s, 0x027E, Words({2, 0, 15, 42 * 4 + 2, 0}));  // RK 42
    Number(s, 2, 1, 0.1);
    BoolErr(s, 2, 2, 1, 0);
    Number(s, 2, 3, 5);
    Label(s, 2, 4, "rich", 0x00D6);
    // MULRK: 7, 3, 1 in columns A to C.
    PutRecord(s, 0x00BD, Words({3, 0, 15, 7 * 4 + 2, 0, 15, 3 * 4 + 2, 0, 15, 1 * 4 + 2, 0, 2}));
    Number(s, 3, 3, 0.1);
    BoolErr(s, 3, 4, 0, 0);
    PutRecord(s, 0x0201, At(3, 7));  // a BLANK right of the table is no value
    Formula(s, 4, 0, NumberResult(9));
    Label(s, 4, 1, "1.50");
    Label(s, 4, 2, "$0");
    Formula(s, 4, 3, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
    Bytes str = Words({12});
    str.push_back(0);
    for (char ch : std::string("from formula")) str.push_back(static_cast<uint8_t>(ch));
    PutRecord(s, 0x0207, str);
    Formula(s, 4, 4, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF});  // Boolean TRUE
    PutRecord(s, 0x00BE, Words({5, 0, 15, 15, 1}));    // MULBLANK A6:B6
    PutRecord(s, 0x0201, At(6, 2));                    // BLANK C7 ends the table
  });
  TCellTable t;
  const TResult result = ImportTableFromWorkbook(path, nullptr, t);
  ASSERT_TRUE(result.Ok) << result.Message;
  ASSERT_EQ(t.ColCount(), 5);
  ASSERT_EQ(t.RowCount(), 7);
  const std::vector<std::vector<std::u16string>> expected = {
      {u"ID", u"Speed", u"Flag", u"Name", u""},
      {u"int", u"FLOAT", u"bool", u"string", u"resource"},
      {u"42", u"0.100000001490116", u"1", u"5", u"rich"},
      {u"7", u"3", u"1", u"0.1", u"FALSE"},
      {u"9", u"1.50", u"0", u"from formula", u"TRUE"},
      {u"", u"", u"", u"", u""},
      {u"", u"", u"", u"", u""}};
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 5; ++c) EXPECT_EQ(t.Cells(c, r), expected[r][c]) << CellName(c, r);
  }
}

// Each sheet starts with "ID" over the type given.
TEST_F(TableImportTest, RefusalsNameTheCell) {
  using Cells = std::function<void(Bytes&)>;
  const std::tuple<const char*, Cells, std::string> cases[] = {
      {"int", [](Bytes& s) { Label(s, 0, 3, "Later"); }, "B2: '' is not a column type"},
      {"integer", [](Bytes&) {}, "A2: 'integer' is not a column type"},
      {"int", [](Bytes& s) { Number(s, 6, 0, 2.5); }, "A7: 2.5 is not a whole number"},
      {"int", [](Bytes& s) { Number(s, 2, 0, 3e9); },
       "A3: 3000000000 is outside the int range (-2147483648 to 2147483647)"},
      {"string", [](Bytes& s) { BoolErr(s, 2, 0, 0x2A, 1); }, "A3: #N/A is an error value"},
      {"float",
       [](Bytes& s) {
         Formula(s, 3, 0, {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF});
       },
       "A4: #DIV/0! is an error value"},
      // Values saving would not keep, and a formula whose value was never computed.
      {"int", [](Bytes& s) { Label(s, 6, 0, "abc"); }, "A7: 'abc' is not a whole number"},
      {"bool", [](Bytes& s) { Number(s, 2, 0, 2); }, "A3: 2 is not 0 or 1"},
      {"float", [](Bytes& s) { Number(s, 2, 0, 1e40); },
       "A3: 1e+40 is outside the float range (-3.40282346638529E38 to 3.40282346638529E38)"},
      {"string",
       [](Bytes& s) {
         Formula(s, 2, 0, {3, 0, 0, 0, 0, 0, 0xFF, 0xFF});
       },
       "A3 holds a formula without a stored value; open and save the workbook in a spreadsheet "
       "first."},
      {"string", [](Bytes& s) { Label(s, 2, 0, std::string("a\0b", 3)); },
       "A3: the text holds a NUL character, which a table cannot store"},
      {"string", [](Bytes& s) { Label(s, 4, 2, "note"); },
       "C5: a value outside the table: its column has no name and no type"},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(Refusal([&](Bytes& s) {
                Label(s, 0, 0, "ID");
                Label(s, 1, 0, std::get<0>(item));
                std::get<1>(item)(s);
              }),
              "Sheet S1, cell " + std::get<2>(item));
  }
  EXPECT_EQ(Refusal([](Bytes& s) { Label(s, 0, 0, "ID"); }),
            "Sheet S1 has fewer than two rows: a table needs a row of column names and a row of "
            "column types.");
}

TEST_F(TableImportTest, RefusesFilesThatAreNoWorkbooksAndMissingSheets) {
  TCellTable t;
  const auto text = Write("text.xls", {'I', 'D', '\r', '\n'});
  EXPECT_EQ(ImportTableFromWorkbook(text, nullptr, t).Message,
            "The file \"" + text.string() + "\" is invalid");
  // A compound file whose one stream has another name.
  Bytes other(EmptySheetTemplate().begin(), EmptySheetTemplate().end());
  const std::u16string name = u"Workbook";
  const auto* at = reinterpret_cast<const uint8_t*>(name.data());
  auto found = std::search(other.begin(), other.end(), at, at + 16);
  ASSERT_NE(found, other.end());
  found[14] = 'X';
  const auto noWorkbook = Write("other.xls", other);
  EXPECT_EQ(ImportTableFromWorkbook(noWorkbook, nullptr, t).Message,
            "The file \"" + noWorkbook.string() + "\" is invalid");
  const std::u16string sheet = u"Speed";
  const auto book = Workbook([](Bytes&) {});
  EXPECT_EQ(ImportTableFromWorkbook(book, &sheet, t).Message,
            "Sheet Speed not found in " + book.string());
}

// A BOOLERR whose length takes in the cell after it is refused, not read
// past, and the message names the file.
TEST_F(TableImportTest, DamagedWorkbooksAreRefusedNamingTheFile) {
  TCellTable t;
  const auto book = Workbook([](Bytes& s) {
    Bytes boolErr = At(2, 0);
    boolErr.insert(boolErr.end(), {1, 0});
    Number(boolErr, 3, 0, 1);
    PutRecord(s, 0x0205, boolErr);
  });
  EXPECT_EQ(ImportTableFromWorkbook(book, nullptr, t).Message,
            book.string() + ": Error reading Excel records. File invalid");
}

TEST(ShortestNumberText, ReadsBackAsTheSameDouble) {
  EXPECT_EQ(ShortestNumberText(5), u"5");
  EXPECT_EQ(ShortestNumberText(0.1), u"0.1");
  EXPECT_EQ(ShortestNumberText(123456789012.0), u"123456789012");
  EXPECT_EQ(ShortestNumberText(1e-7), u"1e-7");
  EXPECT_EQ(ShortestNumberText(-1.5e300), u"-1.5e+300");
  EXPECT_EQ(CellName(26, 6), "AA7");
  EXPECT_EQ(CellName(255, 65535), "IV65536");
}

}  // namespace
}  // namespace tessary

// Tables exported to workbooks and read back by real spreadsheet readers:
// python3-xlrd (values and number formats), LibreOffice and gnumeric (the
// text of every cell as CSV).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "grid/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"
#include "xls/grid_xls_io.h"

namespace tessary {
namespace {

std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (p == nullptr) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int rc = pclose(p);
  if (status != nullptr) *status = rc;
  return out;
}

bool Have(const std::string& probe) {
  int status = 0;
  Shell(probe, &status);
  return status == 0;
}

TRegionalSettings UsSettings() {
  TRegionalSettings s;
  s.ShortDateFormat = u"M/d/yyyy";
  s.ShortTimeFormat = u"h:mm AMPM";
  return s;
}

class ExportReadersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() /
           ("tessary_export_readers_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  // A table of every column type with generated values, and a column of
  // unknown type whose texts convert by the general rules.
  void Fill(TCellTable& t, int rows) {
    std::mt19937 rng(99);
    const std::u16string types[] = {u"int",    u"float",    u"bool",
                                    u"string", u"resource", u"*ERROR: UNKNOWN TYPE*"};
    t.SetColCount(6);
    t.SetRowCount(rows + 2);
    for (int c = 0; c < 6; ++c) {
      t.SetCells(c, 0, u"Col" + FormatInteger(c));
      t.SetCells(c, 1, types[c]);
    }
    const std::u16string converted[] = {u"50%",      u"12.5%", u"1e3",   u"TRUE", u"false",
                                        u"1/2/2009", u"12:30", u"1.2.3", u"=1+2", u"  abc  "};
    for (int r = 2; r < rows + 2; ++r) {
      t.SetCells(0, r, FormatInteger(static_cast<int32_t>(rng() % 200000) - 100000));
      t.SetCells(1, r, FormatReal(static_cast<float>(rng() % 100000) / 128.0f));
      t.SetCells(2, r, rng() % 2 ? u"1" : u"0");
      std::u16string s = u"text ";
      for (int k = 0, n = static_cast<int>(rng() % 6); k < n; ++k)
        s += static_cast<char16_t>(u'a' + rng() % 26);
      if (r % 7 == 0) s += u" äöü ĀāĂ 漢字";
      t.SetCells(3, r, s);
      t.SetCells(4, r, r % 5 == 0 ? u"" : u"res_" + FormatInteger(r));
      t.SetCells(5, r, converted[r % 10]);
    }
  }

  std::filesystem::path Export(const TCellTable& t) {
    TGridXlsIO io;
    io.ApplyWindowSettings(const_cast<TCellTable&>(t));
    io.Regional = UsSettings();
    const auto path = FDir / "table.xls";
    io.XLSExport(path, u"table.xls", -1, 1, InsertInSheet_Clear);
    return path;
  }

  std::filesystem::path FDir;
};

TEST_F(ExportReadersTest, XlrdSeesEveryValueAndFormat) {
  if (!Have("/usr/bin/python3 -c 'import xlrd'")) GTEST_SKIP() << "python3-xlrd not installed";
  TCellTable t;
  Fill(t, 500);
  const auto path = Export(t);
  const std::string script = R"(
import sys, xlrd
b = xlrd.open_workbook(sys.argv[1], formatting_info=True)
s = b.sheet_by_index(0)
print(s.name)
print(s.nrows, s.ncols)
for r in range(s.nrows):
    out = []
    for c in range(s.ncols):
        cell = s.cell(r, c)
        fmt = b.format_map[b.xf_list[cell.xf_index].format_key].format_str
        if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
            v = repr(cell.value)
        elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
            v = 'B' + str(int(cell.value))
        elif cell.ctype == xlrd.XL_CELL_TEXT:
            v = 'S' + cell.value
        else:
            v = 'E'
        out.append(v + '|' + fmt)
    print('\t'.join(out))
)";
  std::ofstream(FDir / "read.py") << script;
  std::istringstream lines(
      Shell("/usr/bin/python3 " + (FDir / "read.py").string() + " " + path.string()));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "table.xls");
  std::getline(lines, line);
  EXPECT_EQ(line, "502 6");
  auto expected = [&](int c, int r) -> std::string {
    const std::u16string& text = t.Cells(c, r);
    if (r < 2 || c == 3 || c == 4)
      return text.empty() ? "E|General" : "S" + ToUtf8(text) + "|General";
    if (c == 2) return std::string(text == u"1" ? "1.0" : "0.0") + "|General";
    if (c == 0) return std::to_string(std::stoi(ToUtf8(text))) + ".0|General";
    static const std::map<std::u16string, std::string> conv = {
        {u"50%", "0.5|0%"},
        {u"12.5%", "0.125|0.00%"},
        {u"1e3", "1000.0|0.00E+00"},
        {u"TRUE", "B1|General"},
        {u"false", "B0|General"},
        {u"1/2/2009", "39815.0|M/d/yyyy"},
        {u"12:30", "0.5208333333333334|h:mm AM/PM"},
        {u"1.2.3", "S1.2.3|General"},
        {u"=1+2", "S=1+2|General"},
        {u"  abc  ", "S  abc  |General"}};
    return conv.at(text);
  };
  int checked = 0;
  for (int r = 0; r < 502; ++r) {
    ASSERT_TRUE(std::getline(lines, line)) << r;
    std::vector<std::string> cells;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 6u) << line;
    for (int c = 0; c < 6; ++c) {
      if (r >= 2 && c == 1) {
        EXPECT_DOUBLE_EQ(std::stod(cells[1].substr(0, cells[1].find('|'))),
                         std::stod(ToUtf8(t.Cells(1, r))));
      } else {
        EXPECT_EQ(cells[static_cast<size_t>(c)], expected(c, r)) << "row " << r << " col " << c;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 502 * 6);
}

// The CSV text of every string and integer cell as LibreOffice and gnumeric
// show it.
TEST_F(ExportReadersTest, OfficeReadersSeeEveryTextAndInteger) {
  TCellTable t;
  Fill(t, 200);
  const auto path = Export(t);
  std::vector<std::pair<std::string, std::filesystem::path>> outputs;
  if (Have("command -v soffice")) {
    Shell("cd " + FDir.string() + " && timeout 180 soffice -env:UserInstallation=file://" +
          (FDir / "lo").string() +
          " --headless --convert-to 'csv:Text - txt - csv (StarCalc):9,34,76' --outdir " +
          (FDir / "lo_out").string() + " " + path.string());
    outputs.emplace_back("LibreOffice", FDir / "lo_out" / "table.csv");
  }
  if (Have("command -v ssconvert")) {
    Shell(
        "timeout 180 ssconvert --export-type=Gnumeric_stf:stf_assistant -O 'separator=; "
        "quoting-mode=never' " +
        path.string() + " " + (FDir / "gn.csv").string());
    outputs.emplace_back("gnumeric", FDir / "gn.csv");
  }
  if (outputs.empty()) GTEST_SKIP() << "no office reader installed";
  for (const auto& [reader, csv] : outputs) {
    const char separator = reader == "gnumeric" ? ';' : '\t';
    std::ifstream in(csv);
    ASSERT_TRUE(in) << reader << " wrote no output";
    std::string line;
    int r = 0;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> cells;
      std::stringstream ss(line);
      std::string cell;
      while (std::getline(ss, cell, separator)) cells.push_back(cell);
      cells.resize(6);
      ASSERT_LT(r, 202) << reader;
      if (r < 2) {
        for (int c = 0; c < 6; ++c)
          EXPECT_EQ(cells[static_cast<size_t>(c)], ToUtf8(t.Cells(c, r))) << reader;
      } else {
        EXPECT_EQ(cells[0], ToUtf8(t.Cells(0, r))) << reader << " row " << r;
        EXPECT_EQ(cells[3], ToUtf8(t.Cells(3, r))) << reader << " row " << r;
        EXPECT_EQ(cells[4], ToUtf8(t.Cells(4, r))) << reader << " row " << r;
      }
      ++r;
    }
    EXPECT_EQ(r, 202) << reader;
  }
}

}  // namespace
}  // namespace tessary

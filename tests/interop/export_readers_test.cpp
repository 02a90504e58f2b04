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
#include <memory>
#include <random>
#include <sstream>

#include "exchange/column_widths.h"
#include "exchange/grid_xls_io.h"
#include "exchange/table_export.h"
#include "gff/g2da.h"
#include "table/cell_table.h"
#include "text/column_type.h"
#include "text/number_text.h"
#include "text/utf16.h"

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

  // A table of every column type with generated values (names and string
  // texts that would convert if they were not kept as text), and a column of
  // unknown type whose texts convert by the general rules.
  void Fill(TCellTable& t, int rows) {
    std::mt19937 rng(99);
    const std::u16string names[] = {u"Col0",  u"$12345678", u"$0012E034",
                                    u"Label", u"Model",     u"Col5"};
    const std::u16string types[] = {u"INT",    u"Float",    u"bool",
                                    u"string", u"resource", u"*ERROR: UNKNOWN TYPE*"};
    const std::u16string tricky[] = {u"007",   u"1e5",          u"1-2",    u"3/4",
                                     u"mar-1", u"<b>Sword</b>", u"x<br>y", u"TRUE"};
    t.SetColCount(6);
    t.SetRowCount(rows + 2);
    for (int c = 0; c < 6; ++c) {
      t.SetCells(c, 0, names[c]);
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
      t.SetCells(3, r, r % 3 == 0 ? tricky[r % 8] : s);
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
    const std::u16string_view text = t.Cells(c, r);
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
    return conv.at(std::u16string(text));
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

// The cells a reader must find, as JSON [row, col, kind, value]: names,
// types and string cells as "S" with their text, typed cells that convert
// as "N" with their number. Empty cells and untyped columns are left out.
std::string ExpectedCells(const TCellTable& t) {
  std::string out = "[";
  for (int32_t r = 0; r < t.RowCount(); ++r) {
    for (int32_t c = 0; c < t.ColCount(); ++c) {
      const std::string text = ToUtf8(t.Cells(c, r));
      const std::optional<TColumnType> type = ColumnTypeOf(t.Cells(c, 1));
      std::optional<double> number;
      if (r >= 2 && type == TColumnType::ctInt && ParseInteger(t.Cells(c, r)))
        number = *ParseInteger(t.Cells(c, r));
      if (r >= 2 && type == TColumnType::ctFloat && ParseReal(t.Cells(c, r)))
        number = static_cast<double>(*ParseReal(t.Cells(c, r)));
      if (r >= 2 && type == TColumnType::ctBool && ParseBool(t.Cells(c, r)))
        number = *ParseBool(t.Cells(c, r)) ? 1 : 0;
      if (text.empty() || (r >= 2 && !type)) continue;
      char value[64];
      std::snprintf(value, sizeof value, "%.17g", number.value_or(0));
      std::string json;
      for (char ch : text)
        json += ch == '"' || ch == '\\' ? std::string("\\") + ch : std::string(1, ch);
      out += (out.size() > 1 ? ",[" : "[") + std::to_string(r) + "," + std::to_string(c) +
             (number ? ",\"N\"," + std::string(value) : ",\"S\",\"" + json + "\"") + "]";
    }
  }
  return out + "]";
}

// Every table of the shared test data, a generated table of every column
// type and a de_CH sheet, exported as the window does into one workbook,
// read by each reader in one run: texts stay texts, typed cells are
// numbers, and the de_CH currency format shows its quoted symbol.
TEST_F(ExportReadersTest, EveryReaderSeesTextsAsTextsAndNumbersAsNumbers) {
  std::vector<std::pair<std::string, std::unique_ptr<TCellTable>>> tables;
  const std::filesystem::path shared = std::filesystem::path(TESSARY_SHARED_TESTDATA) / "gda";
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(shared, ec)) {
    tables.emplace_back(e.path().stem().string(), std::make_unique<TCellTable>());
    ASSERT_TRUE(LoadGDA(*tables.back().second, e.path())) << e.path();
  }
  tables.emplace_back("generated", std::make_unique<TCellTable>());
  Fill(*tables.back().second, 100);
  tables.emplace_back("de_CH", std::make_unique<TCellTable>());
  tables.back().second->SetCells(0, 1, u"note");
  tables.back().second->SetCells(0, 2, u"CHF 1234.50");

  const auto book = FDir / "all.xls";
  std::string expected = "[";
  for (const auto& [name, table] : tables) {
    FitColumnWidths(*table);
    const TResult exported =
        ExportTableToWorkbook(*table, book, FromUtf8(name),
                              TRegionalSettings::ForLocale(name == "de_CH" ? "de_CH" : "en_US"));
    ASSERT_TRUE(exported) << exported.Message;
    expected += (expected.size() > 1 ? "," : "") + ExpectedCells(*table);
  }
  std::ofstream(FDir / "expected.json") << expected << "]";

  std::string args = " " + (FDir / "expected.json").string();
  std::vector<std::string> readers;
  if (Have("/usr/bin/python3 -c 'import xlrd'")) {
    readers.push_back("xlrd");
    args += " xlrd=" + book.string();
  }
  if (Have("command -v soffice")) {
    Shell("timeout 180 soffice -env:UserInstallation=file://" + (FDir / "lo").string() +
          " --headless --convert-to fods --outdir " + FDir.string() + " " + book.string());
    readers.push_back("LibreOffice");
    args += " LibreOffice=" + (FDir / "all.fods").string();
  }
  if (Have("command -v ssconvert")) {
    Shell("timeout 180 ssconvert " + book.string() + " " + (FDir / "all.gnumeric").string());
    Shell("timeout 180 ssconvert -S -O format=preserve --export-type=Gnumeric_stf:stf_assistant " +
          book.string() + " " + (FDir / "gn_%n.csv").string());
    readers.push_back("gnumeric");
    args += " gnumeric=" + (FDir / "all.gnumeric").string() + " gnumeric-shown=" +
            (FDir / ("gn_" + std::to_string(tables.size() - 1) + ".csv")).string();
  }
  if (readers.empty()) GTEST_SKIP() << "no spreadsheet reader installed";
  const std::string script = R"(
import gzip, json, sys, xml.etree.ElementTree as ET
expected, files = json.load(open(sys.argv[1])), dict(a.split('=', 1) for a in sys.argv[2:])
def xlrd_sheets(path):
    import xlrd
    kinds = {xlrd.XL_CELL_TEXT: 'S', xlrd.XL_CELL_NUMBER: 'N', xlrd.XL_CELL_BOOLEAN: 'B'}
    return [{(r, c): (kinds.get(s.cell_type(r, c)), s.cell_value(r, c))
             for r in range(s.nrows) for c in range(s.ncols)} for s in xlrd.open_workbook(path).sheets()]
def lo_sheets(path):  # kinds, and the shown text of each cell
    T, O = ('{urn:oasis:names:tc:opendocument:xmlns:%s:1.0}' % n for n in ('table', 'office'))
    sheets = []
    for table in ET.parse(path).getroot().iter(T + 'table'):
        cells, r = {}, 0
        for row in table.iter(T + 'table-row'):
            rows, c = int(row.get(T + 'number-rows-repeated', '1')), 0
            for cell in row:
                n, kind = int(cell.get(T + 'number-columns-repeated', '1')), cell.get(O + 'value-type')
                for i in range(rows * n if kind else 0):
                    cells[r + i // n, c + i % n] = ('S' if kind == 'string' else 'N', ''.join(cell.itertext()))
                c += n
            r += rows
        sheets.append(cells)
    return sheets
def gnumeric_sheets(path):
    kinds, root = {'60': 'S', '40': 'N', '20': 'B'}, ET.fromstring(gzip.open(path).read())
    return [{(int(e.get('Row')), int(e.get('Col'))): (kinds.get(e.get('ValueType')), e.text or '')
             for e in s.iter() if e.tag.endswith('}Cell')} for s in root.iter() if s.tag.endswith('}Sheet')]
read = {'xlrd': xlrd_sheets, 'LibreOffice': lo_sheets, 'gnumeric': gnumeric_sheets}
for reader in (r for r in read if r in files):
    sheets, bad = read[reader](files[reader]), []
    for want, got in zip(expected, sheets + [{}] * len(expected)):
        for r, c, kind, value in want:
            have = got.get((r, c), (None, None))
            if have[0] != kind or (kind == 'S' and reader != 'LibreOffice' and have[1] != value) or \
               (kind == 'N' and reader == 'xlrd' and have[1] != value):
                bad.append('r%d c%d: %s %r, found %r' % (r, c, kind, value, have))
    shown = sheets[-1].get((2, 0), ('', ''))[1] if reader == 'LibreOffice' else \
        open(files.get('gnumeric-shown', '')).read() if reader == 'gnumeric' else 'CHF'
    if 'CHF' not in shown: bad.append('de_CH amount shown as %r' % shown)
    print(reader, 'OK' if not bad else 'FAIL', len(bad), bad[:10])
)";
  std::ofstream(FDir / "check.py") << script;
  const std::string report = Shell("/usr/bin/python3 " + (FDir / "check.py").string() + args);
  std::string failed;
  for (const std::string& reader : readers)
    if (report.find(reader + " OK 0") == std::string::npos) failed += reader + " ";
  EXPECT_EQ(failed, "") << report;
}

}  // namespace
}  // namespace tessary

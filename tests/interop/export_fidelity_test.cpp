// Tables exported as the window exports them, read back by python3-xlrd,
// LibreOffice and gnumeric in one run each: names, types and every string
// cell are texts, every int, float and bool cell a number; currency and
// date formats made from regional settings show their literal text.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "gff/g2da.h"
#include "grid/cell_table.h"
#include "text/column_type.h"
#include "text/number_text.h"
#include "text/utf16.h"
#include "xls/table_export.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (p == nullptr) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int rc = pclose(p);
  if (status != nullptr) *status = rc;
  return out;
}

bool Have(const std::string& probe) {
  int status = 0;
  Shell(probe, &status);
  return status == 0;
}

std::string Json(std::u16string_view text) {
  std::string out = "\"";
  for (const unsigned char c : ToUtf8(std::u16string(text))) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

struct TShows {
  int Row, Col;
  std::u16string Text;
};

struct TSheet {
  std::u16string Name;
  TCellTable Table;
  TRegionalSettings Regional = TRegionalSettings::ForLocale("en_US");
  std::vector<TShows> Shows{};
};

// What a reader should find in a cell: rows 0 and 1 and string columns as
// texts; typed cells as the number saving would read; untyped data cells
// only by kind (the general conversion), numbers where a display is given.
std::string ExpectedCell(const TSheet& sheet, int col, int row) {
  const std::u16string& text = sheet.Table.Cells(col, row);
  const std::string at = "[" + std::to_string(row) + "," + std::to_string(col) + ",";
  const std::string asText = at + (text.empty() ? "\"E\",null]" : "\"S\"," + Json(text) + "]");
  if (row < 2) return asText;
  const std::optional<TColumnType> type = ColumnTypeOf(sheet.Table.Cells(col, 1));
  if (!type) return at + "\"N\",null]";
  std::optional<double> number;
  if (*type == TColumnType::Int && ParseInteger(text)) number = *ParseInteger(text);
  if (*type == TColumnType::Float && ParseReal(text))
    number = static_cast<double>(*ParseReal(text));
  if (*type == TColumnType::Bool && ParseBool(text)) number = *ParseBool(text) ? 1 : 0;
  if (!number || !std::isfinite(*number)) return asText;
  char value[40];
  std::snprintf(value, sizeof value, "%.17g", *number);
  return at + "\"N\"," + value + "]";
}

// A table of every column type (type names in several letter cases) with
// names that look like numbers and texts that the general conversion would
// have turned into numbers, dates or Booleans.
void FillGenerated(TCellTable& t) {
  const std::u16string names[] = {u"ID",    u"$12345678", u"$0012E034", u"Label",
                                  u"Model", u"On",        u"Speed",     u"Note"};
  const std::u16string types[] = {u"int",      u"FLOAT", u"Bool",  u"string",
                                  u"resource", u"bool",  u"float", u"String"};
  const std::u16string tricky[] = {
      u"007",     u"1e5",   u"1-2",        u"3/4",
      u"mar-1",   u"TRUE",  u"50%",        u"<b>Sword</b>",
      u"a&amp;b", u"=1+2",  u"  padded  ", u"$10",
      u"12:30",   u"1,000", u"two\nlines", u"\u00e4\u00f6 \u6f22\u5b57"};
  t.SetColCount(8);
  t.SetRowCount(302);
  for (int c = 0; c < 8; ++c) {
    t.SetCells(c, 0, names[c]);
    t.SetCells(c, 1, types[c]);
  }
  std::mt19937 rng(13);
  for (int r = 2; r < 302; ++r) {
    t.SetCells(0, r,
               r % 10 == 0   ? u"$1F"
               : r % 13 == 0 ? u"007"
               : r % 17 == 0 ? u""
                             : FormatInteger(static_cast<int32_t>(rng()) / 3));
    const float f =
        std::ldexp(static_cast<float>(rng() % 100000) - 50000, static_cast<int>(rng() % 80) - 40);
    t.SetCells(1, r, r % 23 == 0 ? u"1,5" : FormatReal(f));
    t.SetCells(2, r, FormatInteger(static_cast<int32_t>(rng() % 3)));
    t.SetCells(3, r, tricky[r % 16]);
    t.SetCells(4, r, r % 5 == 0 ? u"" : u"res_" + FormatInteger(r));
    t.SetCells(5, r, r % 7 == 0 ? u"x" : u"1");
    t.SetCells(6, r, r % 11 == 0 ? u"1e39" : FormatInteger(r) + u".5");
    t.SetCells(7, r, tricky[(r * 7) % 16]);
  }
}

// A sheet whose untyped columns hold a currency amount, a date and a time
// in the locale's own form.
std::unique_ptr<TSheet> RegionalSheet(const char* locale, std::vector<std::u16string> texts,
                                      std::vector<std::u16string> shows) {
  auto s = std::make_unique<TSheet>();
  s->Name = Ascii16(locale);
  s->Regional = TRegionalSettings::ForLocale(locale);
  s->Table.SetColCount(static_cast<int32_t>(texts.size()));
  for (size_t c = 0; c < texts.size(); ++c) {
    const auto col = static_cast<int32_t>(c);
    s->Table.SetCells(col, 0, u"Value" + FormatInteger(col));
    s->Table.SetCells(col, 1, u"note");
    s->Table.SetCells(col, 2, texts[c]);
    s->Shows.push_back({2, col, shows[c]});
  }
  return s;
}

TEST(ExportFidelity, ReadersSeeTextsNumbersAndRegionalFormats) {
  if (!Have("/usr/bin/python3 -c ''")) GTEST_SKIP() << "no /usr/bin/python3";
  const fs::path dir =
      fs::temp_directory_path() / ("tessary_fidelity_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  std::vector<std::unique_ptr<TSheet>> sheets;
  const fs::path shared = fs::path(TESSARY_SHARED_TESTDATA) / "gda";
  std::vector<fs::path> files;
  if (fs::is_directory(shared)) {
    for (const auto& e : fs::directory_iterator(shared)) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    sheets.push_back(std::make_unique<TSheet>());
    sheets.back()->Name = FromUtf8(file.stem().string());
    ASSERT_TRUE(LoadGDA(sheets.back()->Table, file)) << file;
  }
  sheets.push_back(std::make_unique<TSheet>());
  sheets.back()->Name = u"generated";
  FillGenerated(sheets.back()->Table);
  sheets.push_back(RegionalSheet("de_CH", {u"CHF 1234.50", u"2.1.2009"}, {u"CHF", u"2009"}));
  sheets.push_back(RegionalSheet("sv_SE", {u"1234.50 kr", u"2009-01-02"}, {u"kr", u"2009"}));
  sheets.push_back(RegionalSheet("bg_BG", {u"12.50 \u043b\u0432.", u"2.01.2009", u"8:15"},
                                 {u"\u043b\u0432.", u"\u0433.", u"\u0447."}));

  // Every sheet into one workbook, each with its own regional settings.
  const fs::path book = dir / "all.xls";
  std::string expected = "[";
  for (const std::unique_ptr<TSheet>& sheet : sheets) {
    TSheet& s = *sheet;
    ApplyWindowColumnWidths(s.Table);
    const TTableExportResult result = ExportTableToWorkbook(s.Table, book, s.Name, s.Regional);
    ASSERT_TRUE(result.Ok) << result.ErrorText();
    expected +=
        std::string(expected.size() > 1 ? "," : "") + "{\"name\":" + Json(s.Name) + ",\"cells\":[";
    for (int32_t r = 0; r < s.Table.RowCount(); ++r) {
      for (int32_t c = 0; c < s.Table.ColCount(); ++c)
        expected += (r + c > 0 ? "," : "") + ExpectedCell(s, c, r);
    }
    expected += "],\"shows\":[";
    for (size_t i = 0; i < s.Shows.size(); ++i) {
      expected += (i > 0 ? ",[" : "[") + std::to_string(s.Shows[i].Row) + "," +
                  std::to_string(s.Shows[i].Col) + "," + Json(s.Shows[i].Text) + "]";
    }
    expected += "]}";
  }
  std::ofstream(dir / "expected.json") << expected << "]";

  std::vector<std::string> readers;
  std::string args;
  if (Have("/usr/bin/python3 -c 'import xlrd'")) {
    readers.push_back("xlrd");
    args += " xlrd=" + book.string();
  }
  if (Have("command -v soffice")) {
    Shell("cd " + dir.string() + " && timeout 180 soffice -env:UserInstallation=file://" +
          (dir / "lo").string() + " --headless --convert-to fods --outdir " + dir.string() + " " +
          book.string());
    readers.push_back("fods");
    args += " fods=" + (dir / "all.fods").string();
  }
  if (Have("command -v ssconvert")) {
    Shell("timeout 180 ssconvert --export-type=Gnumeric_XmlIO:sax " + book.string() + " " +
          (dir / "all.gnumeric").string());
    Shell("timeout 180 ssconvert -S --export-type=Gnumeric_stf:stf_assistant -O format=preserve " +
          book.string() + " " + (dir / "gn_%n.csv").string());
    readers.push_back("gnumeric");
    readers.push_back("gnumeric-csv");
    args +=
        " gnumeric=" + (dir / "all.gnumeric").string() + " gnumeric-csv=" + (dir / "gn_").string();
  }
  if (readers.empty()) GTEST_SKIP() << "no spreadsheet reader installed";
  const std::string report =
      Shell("/usr/bin/python3 " TESSARY_SOURCE_DIR "/tests/interop/read_cells.py " +
            (dir / "expected.json").string() + args);
  std::string failed;
  for (const std::string& reader : readers) {
    if (("\n" + report).find("\n" + reader + " OK ") == std::string::npos) failed += reader + " ";
  }
  EXPECT_EQ(failed, "") << report;
  if (!HasFailure()) fs::remove_all(dir);
}

}  // namespace
}  // namespace tessary

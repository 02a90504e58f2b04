// Workbooks written through the workbook file and read by independent
// readers (python3-xlrd, LibreOffice, gnumeric's ssconvert), and workbooks
// written by those programs opened, extended by a sheet and saved again with
// every original sheet intact.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "text/utf16.h"
#include "xls/workbook_file.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

// dump XLS: every sheet's name and cells as JSON (type letter, value).
// expect JSON XLS [CSV...]: compares xlrd's reading with the expected cells,
// and the n-th CSV file with the n-th sheet; prints the first differences.
constexpr const char* kCheckScript = R"PY(
import sys, json, csv, xlrd

def dump(path):
    book = xlrd.open_workbook(path)
    out = {"names": [], "sheets": []}
    for sh in book.sheets():
        rows = []
        for r in range(sh.nrows):
            row = []
            for c in range(sh.row_len(r)):
                cell = sh.cell(r, c)
                t = cell.ctype
                if t in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                    row.append(["n", cell.value])
                elif t == xlrd.XL_CELL_TEXT:
                    row.append(["s", cell.value])
                elif t == xlrd.XL_CELL_BOOLEAN:
                    row.append(["b", bool(cell.value)])
                elif t == xlrd.XL_CELL_ERROR:
                    row.append(["x", cell.value])
                else:
                    row.append(["e", ""])
            while row and row[-1][0] == "e":
                row.pop()
            rows.append(row)
        while rows and not rows[-1]:
            rows.pop()
        out["names"].append(sh.name)
        out["sheets"].append(rows)
    return out

def cell(rows, r, c):
    if r < len(rows) and c < len(rows[r]):
        return rows[r][c]
    return ["e", ""]

def csv_texts(kind, value):
    # A Boolean in the general format is written as a word or as 1 and 0.
    if kind == "b":
        return ("TRUE", "1") if value else ("FALSE", "0")
    if kind == "e":
        return ("",)
    return (value,)

errors = []
def report(msg):
    if len(errors) < 10:
        errors.append(msg)
    else:
        errors.append(None)

if sys.argv[1] == "dump":
    json.dump(dump(sys.argv[2]), sys.stdout)
    sys.exit(0)

exp = json.load(open(sys.argv[2], encoding="utf-8"))
got = dump(sys.argv[3])
if got["names"][:len(exp["names"])] != exp["names"]:
    report("names %r != %r" % (got["names"], exp["names"]))
for si, rows in enumerate(exp["sheets"]):
    if si >= len(got["sheets"]):
        break
    grows = got["sheets"][si]
    for r in range(max(len(rows), len(grows))):
        for c in range(max(len(rows[r]) if r < len(rows) else 0,
                           len(grows[r]) if r < len(grows) else 0)):
            e, g = cell(rows, r, c), cell(grows, r, c)
            if e != g:
                report("xlrd sheet %d R%dC%d: %r != %r" % (si, r, c, g, e))
for si, path in enumerate(sys.argv[4:]):
    rows = exp["sheets"][si]
    with open(path, encoding="utf-8", newline="") as f:
        lines = list(csv.reader(f))
    for r in range(max(len(rows), len(lines))):
        width = max(len(rows[r]) if r < len(rows) else 0, len(lines[r]) if r < len(lines) else 0)
        for c in range(width):
            kind, value = cell(rows, r, c)
            text = lines[r][c] if r < len(lines) and c < len(lines[r]) else ""
            if kind == "n":
                try:
                    ok = abs(float(text) - value) <= 1e-9 * max(1.0, abs(value))
                except ValueError:
                    ok = False
            else:
                ok = text in csv_texts(kind, value)
            if not ok:
                report("%s R%dC%d: %r != %r" % (path, r, c, text[:40], str(value)[:40]))
errors = [e for e in errors if e is not None] + (["..."] if None in errors else [])
print("\n".join(errors))
sys.exit(1 if errors else 0)
)PY";

struct TRun {
  int Status;
  std::string Output;
};

TRun RunCommand(const std::string& command) {
  TRun run{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.Output.append(buf, n);
  run.Status = pclose(pipe);
  return run;
}

bool Have(const std::string& check) { return RunCommand(check).Status == 0; }

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class WorkbookReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("tessary_workbook_readers_" + std::to_string(::getpid()) + "_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    std::ofstream(FDir / "check.py") << kCheckScript;
    FHaveXlrd = Have(std::string(kPython) + " -c 'import xlrd'");
    FHaveOffice = Have("command -v soffice");
    FHaveGnumeric = Have("command -v ssconvert");
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(FDir);
  }

  // The CSV file of every sheet of `xls`, by LibreOffice, in sheet order.
  std::vector<fs::path> OfficeCsv(const fs::path& xls, const std::vector<std::string>& names) {
    const fs::path out = FDir / ("lo_" + xls.stem().string());
    fs::create_directories(out);
    const TRun run = RunCommand(
        "soffice -env:UserInstallation=file://" + (FDir / "lo_profile").string() +
        " --headless --convert-to "
        "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "
        "--outdir " +
        Quote(out) + " " + Quote(xls));
    EXPECT_EQ(run.Status, 0) << run.Output;
    std::vector<fs::path> files;
    for (const std::string& name : names) {
      const fs::path path = out / (xls.stem().string() + "-" + name + ".csv");
      EXPECT_TRUE(fs::exists(path)) << path << "\n" << run.Output;
      files.push_back(path);
    }
    return files;
  }

  std::vector<fs::path> GnumericCsv(const fs::path& xls, size_t sheets) {
    const fs::path out = FDir / ("gn_" + xls.stem().string());
    fs::create_directories(out);
    const TRun run = RunCommand("ssconvert -S --export-type=Gnumeric_stf:stf_csv " + Quote(xls) +
                                " " + Quote(out / "sheet_%n.csv"));
    EXPECT_EQ(run.Status, 0) << run.Output;
    std::vector<fs::path> files;
    for (size_t i = 0; i < sheets; ++i) {
      files.push_back(out / ("sheet_" + std::to_string(i) + ".csv"));
      EXPECT_TRUE(fs::exists(files.back())) << files.back() << "\n" << run.Output;
    }
    return files;
  }

  void ExpectXlrd(const fs::path& expected, const fs::path& xls,
                  const std::vector<fs::path>& csvFiles = {}) {
    std::string command = std::string(kPython) + " " + Quote(FDir / "check.py") + " expect " +
                          Quote(expected) + " " + Quote(xls);
    for (const fs::path& f : csvFiles) command += " " + Quote(f);
    const TRun run = RunCommand(command);
    EXPECT_EQ(run.Status, 0) << run.Output;
  }

  fs::path FDir;
  bool FHaveXlrd = false;
  bool FHaveOffice = false;
  bool FHaveGnumeric = false;
};

// JSON text of a UTF-16 string.
std::string JsonString(const std::u16string& s) {
  std::string out = "\"";
  for (char16_t ch : s) {
    if (ch == u'"' || ch == u'\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch < 0x20 || ch >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(ch));
      out += buf;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out + "\"";
}

TEST_F(WorkbookReaders, TemplateAndTenThousandRowsOnThreeSheets) {
  if (!FHaveXlrd) GTEST_SKIP() << "python3-xlrd not installed";
  // The untouched template.
  {
    TWorkbookFile book(TRegionalSettings{});
    book.Connect();
    book.NewFile(1);
    book.Save(FDir / "template.xls");
    std::ofstream(FDir / "template.json") << R"({"names": ["Sheet1"], "sheets": [[]]})";
    ExpectXlrd(FDir / "template.json", FDir / "template.xls");
  }

  TWorkbookFile book(TRegionalSettings{});
  book.Connect();
  book.NewFile(3);
  std::ostringstream json;
  json.precision(17);
  json << R"({"names": ["Sheet1", "Sheet", "Sheet2"], "sheets": [)";
  const std::u16string longLatin(9000, u'q');
  const std::u16string longWide = u"\u0416\u4e2d" + std::u16string(4500, u'\u00e9') + u"\u20ac";
  for (int s = 1; s <= 3; ++s) {
    book.SetActiveSheet(s);
    const int rows = s == 1 ? 10000 : 50;
    json << (s > 1 ? ", [" : "[");
    for (int r = 1; r <= rows; ++r) {
      // Columns: integer, fraction, string (repeated, wide, long), Boolean,
      // blank, integer.
      const double whole = r * 7 - 3000 + s;
      const double fraction = r + 0.25 * (r % 4);
      std::u16string text = u"row " + Ascii16(std::to_string(r % 97));
      if (r % 10 == 3) text = u"\u041f\u0440\u0438\u0432\u0435\u0442 " + Ascii16(std::to_string(r));
      if (r == 17) text = longLatin;
      if (r == 18) text = longWide;
      const bool flag = r % 3 == 0;
      book.SetCellValue(r, 1, {whole});
      book.SetCellValue(r, 2, {fraction});
      book.SetCellValue(r, 3, {text});
      book.SetCellValue(r, 4, {flag});
      book.SetCellValue(r, 5, {std::monostate{}, 15});
      book.SetCellValue(r, 6, {static_cast<double>(r)});
      json << (r > 1 ? ", " : "") << "[[\"n\", " << whole << "], [\"n\", " << fraction
           << "], [\"s\", " << JsonString(text) << "], [\"b\", " << (flag ? "true" : "false")
           << "], [\"e\", \"\"], [\"n\", " << r << "]]";
    }
    json << "]";
  }
  json << "]}";
  std::ofstream(FDir / "cells.json") << json.str();
  const fs::path xls = FDir / "cells.xls";
  book.Save(xls);

  ExpectXlrd(FDir / "cells.json", xls);
  if (FHaveGnumeric) ExpectXlrd(FDir / "cells.json", xls, GnumericCsv(xls, 3));
  if (FHaveOffice) {
    ExpectXlrd(FDir / "cells.json", xls, OfficeCsv(xls, {"Sheet1", "Sheet", "Sheet2"}));
  }
}

// Opens `source`, inserts a sheet with a few cells, saves, and checks that
// every reader still sees each original sheet as it saw it before.
void ExtendAndCompare(WorkbookReaders& t, const fs::path& source, const fs::path& dir,
                      bool haveOffice, bool haveGnumeric,
                      const std::function<std::vector<fs::path>(const fs::path&)>& office,
                      const std::function<std::vector<fs::path>(const fs::path&, size_t)>& gnumeric,
                      const std::function<void(const fs::path&, const fs::path&)>& expect) {
  const std::string stem = source.stem().string();
  const fs::path before = dir / (stem + "_before.json");
  const TRun dump = RunCommand(std::string(kPython) + " " + Quote(dir / "check.py") + " dump " +
                               Quote(source) + " > " + Quote(before));
  ASSERT_EQ(dump.Status, 0) << dump.Output;

  TWorkbookFile book(TRegionalSettings{});
  book.Connect();
  book.OpenFile(source);
  const int sheets = book.SheetCount();
  book.InsertAndCopySheets(-1, sheets + 1, 1);
  book.SetActiveSheet(sheets + 1);
  book.SetActiveSheetName(u"Added");
  book.SetCellValue(1, 1, {std::u16string(u"added")});
  book.SetCellValue(2, 2, {3.5});
  book.SelectSheet(1);
  const fs::path saved = dir / (stem + "_extended.xls");
  book.Save(saved);

  expect(before, saved);
  (void)t;
  if (haveGnumeric) {
    const auto a = gnumeric(source, static_cast<size_t>(sheets));
    const auto b = gnumeric(saved, static_cast<size_t>(sheets));
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
      EXPECT_EQ(ReadFile(a[i]), ReadFile(b[i])) << "gnumeric, sheet " << i << " of " << stem;
    }
  }
  if (haveOffice) {
    const auto a = office(source);
    const auto b = office(saved);
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
      EXPECT_EQ(ReadFile(a[i]), ReadFile(b[i])) << "LibreOffice, sheet " << i << " of " << stem;
    }
  }
}

TEST_F(WorkbookReaders, OtherProgramsWorkbooksKeepTheirSheets) {
  if (!FHaveXlrd) GTEST_SKIP() << "python3-xlrd not installed";
  std::vector<fs::path> sources;
  // Workbooks written from a text table by LibreOffice and by gnumeric.
  std::ofstream(FDir / "table.csv") << "name,count,price\nalpha,3,1.5\n\xc3\xa9t\xc3\xa9,-7,"
                                       "2.25\nomega,12,0\n";
  if (FHaveOffice) {
    const TRun run =
        RunCommand("soffice -env:UserInstallation=file://" + (FDir / "lo_profile").string() +
                   " --headless --convert-to xls --outdir " + Quote(FDir / "lo") + " " +
                   Quote(FDir / "table.csv"));
    if (fs::exists(FDir / "lo" / "table.xls")) {
      fs::rename(FDir / "lo" / "table.xls", FDir / "lo_table.xls");
      sources.push_back(FDir / "lo_table.xls");
    } else {
      ADD_FAILURE() << run.Output;
    }
  }
  if (FHaveGnumeric) {
    const TRun run = RunCommand("ssconvert --export-type=Gnumeric_Excel:excel_biff8 " +
                                Quote(FDir / "table.csv") + " " + Quote(FDir / "gn_table.xls"));
    if (fs::exists(FDir / "gn_table.xls")) {
      sources.push_back(FDir / "gn_table.xls");
    } else {
      ADD_FAILURE() << run.Output;
    }
  }
  for (const char* shared : {"lo_3sheets.xls", "xlwt_sst.xls"}) {
    const fs::path path = fs::path(TESSARY_SHARED_TESTDATA) / "xls" / shared;
    if (fs::exists(path)) sources.push_back(path);
  }
  for (const fs::path& source : sources) {
    SCOPED_TRACE(source.string());
    // The sheet names as xlrd reads them, for LibreOffice's file names.
    std::vector<std::string> names;
    {
      TWorkbookFile probe(TRegionalSettings{});
      probe.Connect();
      probe.OpenFile(source);
      for (int i = 1; i <= probe.SheetCount(); ++i) names.push_back(ToUtf8(probe.SheetName(i)));
    }
    ExtendAndCompare(
        *this, source, FDir, FHaveOffice, FHaveGnumeric,
        [&](const fs::path& xls) {
          std::vector<std::string> all = names;
          if (xls != source) all.push_back("Added");
          auto files = OfficeCsv(xls, all);
          files.resize(names.size());
          return files;
        },
        [&](const fs::path& xls, size_t n) { return GnumericCsv(xls, n); },
        [&](const fs::path& before, const fs::path& saved) { ExpectXlrd(before, saved); });
  }
}

}  // namespace
}  // namespace tessary

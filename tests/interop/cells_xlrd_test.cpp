// A worksheet with every kind of cell record, sizes, hidden rows and
// columns, merged ranges and number formats, written by the engine and read
// back by an independent reader (python3-xlrd) and by the engine itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "xls/workbook_file.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

// Prints what xlrd reads, one fact per line.
constexpr const char* kDumpScript = R"PY(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sheet = book.sheet_by_index(0)
print("sheet", ascii(sheet.name), sheet.nrows, sheet.ncols)
for r in range(sheet.nrows):
    for c in range(sheet.row_len(r)):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_EMPTY:
            continue
        fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
        print("cell", r, c, cell.ctype, ascii(cell.value), cell.xf_index, ascii(fmt))
for c, info in sorted(sheet.colinfo_map.items()):
    print("col", c, info.width, info.hidden)
for r, info in sorted(sheet.rowinfo_map.items()):
    print("row", r, info.height, info.height_mismatch, info.hidden)
for m in sorted(sheet.merged_cells):
    print("merged", *m)
)PY";

bool HaveXlrd() {
  if (!fs::exists(kPython)) return false;
  return std::system((std::string(kPython) + " -c 'import xlrd' 2>/dev/null").c_str()) == 0;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TXlsCellValue V(TXlsValue value, int xf) { return {std::move(value), xf, false}; }

// The sheet under test, 1-based as the interface counts.
void FillSheet(TWorkbookFile& book) {
  TCellFormat normal = book.GetFormat(15);
  const int xf = book.AddFormat(normal);  // 21
  TCellFormat percent = normal;
  percent.Format = u"0%";
  TCellFormat date = normal;
  date.Format = u"dd/mm/YYYY";
  TCellFormat exponent = normal;
  exponent.Format = u"0.00E+00";

  // Row 0: one MULRK.
  book.SetCellValue(1, 1, V(1.0, xf));
  book.SetCellValue(1, 2, V(2.0, xf));
  book.SetCellValue(1, 3, V(3.0, xf));
  // Row 1: NUMBER, LABELSST, BOOLERR, BLANK, RK with the x100 flag, a
  // 16-bit string and the same text again.
  book.SetCellValue(2, 1, V(3.14159, xf));
  book.SetCellValue(2, 2, V(std::u16string(u"abc"), xf));
  book.SetCellValue(2, 3, V(true, xf));
  book.SetCellValue(2, 4, V(std::u16string(), xf));
  book.SetCellValue(2, 5, V(12345.67, xf));
  book.SetCellValue(2, 6, V(std::u16string(u"\u0416x"), xf));
  book.SetCellValue(2, 7, V(std::u16string(u"abc"), xf));
  // Row 2: number formats.
  book.SetCellValue(3, 1, V(0.5, book.AddFormat(percent)));
  book.SetCellValue(3, 2, V(TXlsDate{39815}, book.AddFormat(date)));
  book.SetCellValue(3, 3, V(1000.0, book.AddFormat(exponent)));
  // Row 3: one MULBLANK.
  for (int c = 1; c <= 4; ++c) book.SetCellValue(4, c, V(std::u16string(), xf));
  // Row 40 only far down.
  book.SetCellValue(41, 6, V(std::u16string(u"z"), xf));

  book.SetColWidth(1, 3072);
  book.SetColWidth(2, 3072);
  book.SetColWidth(3, 2267);
  book.SetColHidden(7, true);
  book.SetRowHeight(1, 300);
  book.SetRowHeight(6, 600);
  book.SetRowHidden(4, true);
  book.MergeCells(11, 1, 12, 3);
}

TEST(CellsInterop, XlrdReadsValuesFormatsSizesAndMergedRanges) {
  if (!HaveXlrd()) GTEST_SKIP() << "python3-xlrd is not installed";
  TWorkbookFile book;
  book.Connect();
  book.NewFile(1);
  FillSheet(book);
  const fs::path file =
      fs::temp_directory_path() / ("tessary_cells_xlrd_" + std::to_string(::getpid()) + ".xls");
  const fs::path script =
      fs::temp_directory_path() / ("tessary_cells_xlrd_" + std::to_string(::getpid()) + ".py");
  fs::remove(file);
  book.Save(file);
  std::ofstream(script) << kDumpScript;

  const std::vector<std::string> got = Lines(
      RunCommand(std::string(kPython) + " " + script.string() + " " + file.string() + " 2>&1"));
  const std::vector<std::string> expected = {
      "sheet 'Sheet1' 41 7",
      "cell 0 0 2 1.0 21 'General'",
      "cell 0 1 2 2.0 21 'General'",
      "cell 0 2 2 3.0 21 'General'",
      "cell 1 0 2 3.14159 21 'General'",
      "cell 1 1 1 'abc' 21 'General'",
      "cell 1 2 4 1 21 'General'",
      "cell 1 3 6 '' 21 'General'",
      "cell 1 4 2 12345.67 21 'General'",
      "cell 1 5 1 '\\u0416x' 21 'General'",
      "cell 1 6 1 'abc' 21 'General'",
      "cell 2 0 2 0.5 22 '0%'",
      "cell 2 1 3 39815.0 23 'dd/mm/YYYY'",
      "cell 2 2 2 1000.0 24 '0.00E+00'",
      "cell 3 0 6 '' 21 'General'",
      "cell 3 1 6 '' 21 'General'",
      "cell 3 2 6 '' 21 'General'",
      "cell 3 3 6 '' 21 'General'",
      "cell 40 5 1 'z' 21 'General'",
      "col 0 3072 0",
      "col 1 3072 0",
      "col 2 2267 0",
      "col 6 2344 1",
      "row 0 300 1 0",
      "row 1 255 0 0",
      "row 2 255 0 0",
      "row 3 255 0 1",
      "row 5 600 1 0",
      "row 40 255 0 0",
      "merged 10 12 0 3",
  };
  EXPECT_EQ(got, expected);
  fs::remove(file);
  fs::remove(script);
}

TEST(CellsInterop, TheEngineReadsBackWhatItWrote) {
  TWorkbookFile book;
  book.Connect();
  book.NewFile(1);
  FillSheet(book);
  const std::vector<uint8_t> bytes = book.SaveToBytes();

  TWorkbookFile back;
  back.Connect();
  back.LoadFromBytes(bytes);
  for (int r = 1; r <= 45; ++r) {
    for (int c = 1; c <= 10; ++c) {
      const TXlsCellValue a = book.GetCellValue(r, c);
      const TXlsCellValue b = back.GetCellValue(r, c);
      EXPECT_EQ(b.Value, a.Value) << r << "," << c;
      EXPECT_EQ(b.XF, a.XF) << r << "," << c;
    }
  }
  EXPECT_EQ(back.GetFormat(23).Format, u"dd/mm/YYYY");
  // Written again unchanged, the workbook gives the same bytes.
  EXPECT_EQ(back.SaveToBytes(), bytes);
}

}  // namespace
}  // namespace tessary

// An exported workbook opened and saved again by LibreOffice and by
// gnumeric imports as the table it was exported from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "gff/g2da.h"
#include "grid/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"
#include "xls/table_export.h"
#include "xls/table_import.h"

namespace tessary {
namespace {

bool Have(const std::string& command) {
  return std::system(("command -v " + command + " >/dev/null 2>&1").c_str()) == 0;
}

// A table of every column type, as a table file gives it.
void Fill(TCellTable& t, const std::filesystem::path& file, int rows) {
  const char16_t* texts[] = {
      u"007",  u"1e5", u"1-2",     u"<b>Sword</b>", u"a,\"b\"",    u"TRUE",      u"50%",
      u"=1+2", u"",    u" blank ", u"äöü 漢字",     u"two\nlines", u"$12345678", u"1/2/2009"};
  std::mt19937 rng(41);
  TCellTable made;
  made.SetColCount(6);
  made.SetRowCount(rows + 2);
  const char16_t* names[] = {u"ID", u"MaxSpeed", u"$0012E034", u"Label", u"", u"Icon"};
  const char16_t* types[] = {u"int", u"float", u"bool", u"string", u"resource", u"string"};
  for (int c = 0; c < 6; ++c) {
    made.SetCells(c, 0, names[c]);
    made.SetCells(c, 1, types[c]);
  }
  for (int r = 2; r < rows + 2; ++r) {
    made.SetCells(0, r, FormatInteger(static_cast<int32_t>(rng())));
    made.SetCells(1, r,
                  FormatReal(std::bit_cast<float>(static_cast<uint32_t>(rng() % 0x7F000000))));
    made.SetCells(2, r, rng() % 2 ? u"1" : u"0");
    for (int c = 3; c < 6; ++c) made.SetCells(c, r, texts[rng() % std::size(texts)]);
  }
  ASSERT_TRUE(SaveGDA(made, file));
  ASSERT_TRUE(LoadGDA(t, file));
}

TEST(RoundTripReaders, OfficeProgramsKeepTheTableTexts) {
  const bool office = Have("soffice");
  const bool gnumeric = Have("ssconvert");
  if (!office && !gnumeric) GTEST_SKIP() << "no office program installed";
  const auto dir =
      std::filesystem::temp_directory_path() / ("tessary_round_trip_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "lo");
  TCellTable table;
  Fill(table, dir / "table.gda", 200);
  ASSERT_TRUE(ExportTableToWorkbook(table, dir / "table.xls", u"table.xls").Ok);

  std::vector<std::pair<std::string, std::filesystem::path>> saved;
  if (office) {
    std::system(("cd " + dir.string() + " && timeout 180 soffice -env:UserInstallation=file://" +
                 (dir / "profile").string() + " --headless --convert-to xls --outdir lo table.xls" +
                 " >/dev/null 2>&1")
                    .c_str());
    saved.emplace_back("LibreOffice", dir / "lo" / "table.xls");
  }
  if (gnumeric) {
    std::system(("timeout 180 ssconvert " + (dir / "table.xls").string() + " " +
                 (dir / "gnumeric.xls").string() + " >/dev/null 2>&1")
                    .c_str());
    saved.emplace_back("gnumeric", dir / "gnumeric.xls");
  }
  for (const auto& [program, file] : saved) {
    SCOPED_TRACE(program);
    TCellTable back;
    const TImportResult result = ImportTableFromWorkbook(file, nullptr, back);
    ASSERT_TRUE(result.Ok) << result.Error;
    ASSERT_EQ(back.ColCount(), table.ColCount());
    ASSERT_EQ(back.RowCount(), table.RowCount());
    for (int r = 0; r < table.RowCount(); ++r) {
      for (int c = 0; c < table.ColCount(); ++c) {
        EXPECT_EQ(ToUtf8(back.Cells(c, r)), ToUtf8(table.Cells(c, r))) << CellName(c, r);
      }
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tessary

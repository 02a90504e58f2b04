// An exported workbook opened and saved again by LibreOffice and by
// gnumeric imports as the table it was exported from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "exchange/table_export.h"
#include "exchange/table_import.h"
#include "gff/g2da.h"
#include "support/typed_table.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary {
namespace {

bool Have(const std::string& command) {
  return std::system(("command -v " + command + " >/dev/null 2>&1").c_str()) == 0;
}

// The generated table as a table file gives it.
void Fill(TCellTable& t, const std::filesystem::path& file, int rows) {
  TCellTable made;
  testing::FillTypedTable(made, rows, 41);
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
    const TResult imported = ImportTableFromWorkbook(file, nullptr, back);
    ASSERT_TRUE(imported) << imported.Message;
    ASSERT_EQ(back.ColCount(), table.ColCount());
    ASSERT_EQ(back.RowCount(), table.RowCount());
    for (int r = 0; r < table.RowCount(); ++r) {
      for (int c = 0; c < table.ColCount(); ++c) {
        std::u16string expected(table.Cells(c, r));
        // LibreOffice keeps a line break inside a cell as a LF alone.
        for (size_t at; program == "LibreOffice" && (at = expected.find(u"\r\n")) != expected.npos;)
          expected.erase(at, 1);
        EXPECT_EQ(ToUtf8(back.Cells(c, r)), ToUtf8(expected)) << CellName(c, r);
      }
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tessary

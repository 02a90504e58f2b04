// Tables exported and imported again through tessary-cli come back as the
// same file that resave writes: through a workbook and through CSV.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "gff/g2da.h"
#include "support/typed_table.h"
#include "table/cell_table.h"

namespace tessary::cli {
namespace {

struct Result {
  int Code;
  std::string Out;
  std::string Err;
};

Result RunCli(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const int code = Run(args, in, out, err);
  return {code, out.str(), err.str()};
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class RoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() /
           ("tessary_round_trip_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  // Exports `table` to `extension` and imports it again; the result must be
  // the file resave writes.
  void ExpectRoundTrip(const std::filesystem::path& table, const std::string& extension) {
    SCOPED_TRACE(table.filename().string() + " through " + extension);
    const auto resaved = FDir / "resaved.gda";
    const auto exported = FDir / ("exported" + extension);
    const auto imported = FDir / "imported.gda";
    std::filesystem::remove(exported);
    ASSERT_EQ(RunCli({"resave", table.string(), resaved.string()}).Code, 0);
    const Result out = RunCli({"export", table.string(), exported.string()});
    ASSERT_EQ(out.Code, 0) << out.Err;
    const Result in = RunCli({"import", exported.string(), imported.string()});
    ASSERT_EQ(in.Code, 0) << in.Err;
    EXPECT_TRUE(ReadBytes(resaved) == ReadBytes(imported));
  }

  std::filesystem::path FDir;
};

// The generated table as a table file, so that the round trip starts from
// what a file gives.
std::filesystem::path GeneratedTable(const std::filesystem::path& dir, int rows,
                                     const std::string& name = "generated.gda") {
  TCellTable t;
  testing::FillTypedTable(t, rows);
  const auto path = dir / name;
  EXPECT_TRUE(SaveGDA(t, path));
  return path;
}

// A table ending in empty data rows, of text columns only: the workbook
// must still show where the table ends.
std::filesystem::path TrailingEmptyRows(const std::filesystem::path& dir) {
  TCellTable t;
  t.SetColCount(2);
  t.SetRowCount(5);
  for (int32_t c = 0; c < 2; ++c) t.SetCells(c, 1, c == 0 ? u"string" : u"resource");
  t.SetCells(0, 0, u"Label");
  t.SetCells(1, 2, u"res_a");
  const auto path = dir / "trailing.gda";
  EXPECT_TRUE(SaveGDA(t, path));
  return path;
}

TEST_F(RoundTripTest, SharedTablesAndGeneratedTablesComeBackAsResaved) {
  std::vector<std::filesystem::path> tables = {GeneratedTable(FDir, 300), TrailingEmptyRows(FDir)};
  const std::filesystem::path shared = std::filesystem::path(TESSARY_SHARED_TESTDATA) / "gda";
  if (std::filesystem::is_directory(shared)) {
    for (const auto& entry : std::filesystem::directory_iterator(shared))
      tables.push_back(entry.path());
  }
  for (const auto& table : tables) {
    ExpectRoundTrip(table, ".xls");
    ExpectRoundTrip(table, ".csv");
  }
}

// Without --sheet the sheet named after the file, whatever else is there;
// --sheet finds a sheet as the export stored it (cut to 31, any case).
TEST_F(RoundTripTest, ImportChoosesTheSheet) {
  const std::string book = (FDir / "book.xls").string();
  const std::string longName = "a sheet name longer than thirty-one characters";
  ASSERT_EQ(
      RunCli({"export", GeneratedTable(FDir, 3, "a.gda").string(), book, "--sheet", longName}).Code,
      0);
  ASSERT_EQ(RunCli({"export", GeneratedTable(FDir, 5, "b.gda").string(), book}).Code, 0);
  const std::string own = (FDir / "own.gda").string();
  const std::string named = (FDir / "named.gda").string();
  ASSERT_EQ(RunCli({"import", book, own}).Code, 0);
  ASSERT_EQ(RunCli({"import", book, named, "--sheet", "A SHEET NAME LONGER THAN THIRTY-ONE"}).Code,
            0);
  TCellTable t;
  ASSERT_TRUE(LoadGDA(t, own));
  EXPECT_EQ(t.RowCount(), 7);
  ASSERT_TRUE(LoadGDA(t, named));
  EXPECT_EQ(t.RowCount(), 5);
  // --sheet belongs to workbooks and needs its value.
  std::ofstream(FDir / "t.txt", std::ios::binary) << "ID\r\nint\r\n";
  EXPECT_EQ(RunCli({"import", (FDir / "t.txt").string(), own, "--sheet", "S"}).Code, kExitUsage);
  EXPECT_EQ(RunCli({"import", book, own, "--sheet"}).Code, kExitUsage);
}

}  // namespace
}  // namespace tessary::cli

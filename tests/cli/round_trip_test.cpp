// Tables exported and imported again through tessary-cli come back as the
// same file that resave writes: through a workbook and through CSV.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/commands.h"
#include "gff/g2da.h"
#include "grid/cell_table.h"
#include "text/number_text.h"

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

// A table of every column type with the values that are easy to get wrong,
// saved as a table file so that the round trip starts from what a file
// gives.
std::filesystem::path GeneratedTable(const std::filesystem::path& dir, int rows,
                                     const std::string& name = "generated.gda") {
  const char16_t* types[] = {u"int", u"float", u"bool", u"string", u"resource", u"STRING"};
  const char16_t* names[] = {u"ID", u"MaxSpeed", u"$0012E034", u"Label", u"", u"$12345678"};
  const char16_t* ints[] = {u"-2147483648", u"2147483647", u"0", u"$FF", u"x", u"12.0"};
  const char16_t* floats[] = {u"0.1", u"1e-40", u"3.4e38", u"-0", u"1e39", u"1E15", u"INF", u"x"};
  const char16_t* texts[] = {u"007",          u"1e5",      u"1-2", u"<b>Sword</b>", u"a,\"b\"",
                             u"two\r\nlines", u"TRUE",     u"50%", u"=1+2",         u"",
                             u" blank ",      u"äöü 漢字", u"$10", u"lf\nonly",     u"1/2/2009"};
  std::mt19937 rng(14);
  TCellTable t;
  t.SetColCount(6);
  t.SetRowCount(rows + 2);
  for (int c = 0; c < 6; ++c) {
    t.SetCells(c, 0, names[c]);
    t.SetCells(c, 1, types[c]);
  }
  for (int r = 2; r < rows + 2; ++r) {
    t.SetCells(0, r,
               r < 8 ? std::u16string(ints[r - 2]) : FormatInteger(static_cast<int32_t>(rng())));
    t.SetCells(1, r,
               r < 10
                   ? std::u16string(floats[r - 2])
                   : FormatReal(std::bit_cast<float>(static_cast<uint32_t>(rng() % 0x7F000000))));
    t.SetCells(2, r, r % 3 == 0 ? u"2" : r % 2 ? u"1" : u"0");
    for (int c = 3; c < 6; ++c) t.SetCells(c, r, texts[rng() % std::size(texts)]);
  }
  const auto path = dir / name;
  EXPECT_TRUE(SaveGDA(t, path));
  return path;
}

TEST_F(RoundTripTest, SharedTablesAndGeneratedTablesComeBackAsResaved) {
  std::vector<std::filesystem::path> tables = {GeneratedTable(FDir, 300)};
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

TEST_F(RoundTripTest, ImportChoosesTheSheetAndReportsFailures) {
  const auto book = FDir / "book.xls";
  ASSERT_EQ(RunCli({"export", GeneratedTable(FDir, 3, "a.gda").string(), book.string(), "--sheet",
                    "First"})
                .Code,
            0);
  ASSERT_EQ(RunCli({"export", GeneratedTable(FDir, 5, "b.gda").string(), book.string()}).Code,
            0);  // the sheet book.xls
  // Without --sheet the sheet named after the file, whatever else is there.
  const Result own = RunCli({"import", book.string(), (FDir / "own.gda").string()});
  ASSERT_EQ(own.Code, 0) << own.Err;
  const Result first =
      RunCli({"import", book.string(), (FDir / "first.gda").string(), "--sheet", "FIRST"});
  ASSERT_EQ(first.Code, 0) << first.Err;
  TCellTable t;
  ASSERT_TRUE(LoadGDA(t, FDir / "own.gda"));
  EXPECT_EQ(t.RowCount(), 7);
  ASSERT_TRUE(LoadGDA(t, FDir / "first.gda"));
  EXPECT_EQ(t.RowCount(), 5);

  const Result missing =
      RunCli({"import", book.string(), (FDir / "x.gda").string(), "--sheet", "Nope"});
  EXPECT_EQ(missing.Code, 1);
  EXPECT_EQ(missing.Err, "Sheet Nope not found in " + book.string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(FDir / "x.gda"));

  std::ofstream(FDir / "bad.csv", std::ios::binary) << "ID,Speed\r\nint,integer\r\n";
  const Result badType = RunCli({"import", (FDir / "bad.csv").string(), (FDir / "x.gda").string()});
  EXPECT_EQ(badType.Code, 1);
  EXPECT_EQ(badType.Err, "Line 2, field 2: 'integer' is not a column type\n");

  std::ofstream(FDir / "t.txt", std::ios::binary) << "ID\r\nint\r\n";
  EXPECT_EQ(
      RunCli({"import", (FDir / "t.txt").string(), (FDir / "x.gda").string(), "--sheet", "S"}).Code,
      kExitUsage);
  EXPECT_EQ(RunCli({"import", book.string(), (FDir / "x.gda").string(), "--sheet"}).Code,
            kExitUsage);
}

}  // namespace
}  // namespace tessary::cli

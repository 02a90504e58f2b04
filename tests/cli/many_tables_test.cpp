// Commands over many tables: batches, join, find, names from workbooks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "exchange/table_export.h"
#include "gff/g2da.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int Code;
  std::string Out;
  std::string Err;
};

TRun Cli(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  const int code = Run(args, in, out, err);
  return {code, out.str(), err.str()};
}

// Rows of cells, the names and types rows first.
void Fill(TCellTable& t, const std::vector<std::vector<std::u16string>>& rows) {
  t.SetColCount(static_cast<int32_t>(rows[0].size()));
  t.SetRowCount(static_cast<int32_t>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      t.SetCells(static_cast<int32_t>(c), static_cast<int32_t>(r), rows[r][c]);
}

class ManyTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("tessary_many_" + std::to_string(::getpid()));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }
  std::string P(const std::string& name) const { return (FDir / name).native(); }
  void Table(const std::string& name, const std::vector<std::vector<std::u16string>>& rows) {
    fs::create_directories(fs::path(P(name)).parent_path());
    TCellTable t;
    Fill(t, rows);
    ASSERT_TRUE(SaveGDA(t, P(name)));
  }
  std::string Dump(const std::string& name) { return Cli({"dump", P(name)}).Out; }
  fs::path FDir;
};

TEST_F(ManyTablesTest, BatchResultsFailuresAndFolders) {
  Table("in/a.gda", {{u"ID"}, {u"int"}, {u"1"}});
  Table("in/t\xFF.gda", {{u"ID"}, {u"int"}, {u"2"}});
  Table("in/sub/c.gda", {{u"ID"}, {u"int"}, {u"3"}});
  std::ofstream(P("in/bad.gda")) << "not a table";
  std::ofstream(P("in/notes.txt")) << "notes";
  fs::create_directory_symlink("..", P("in/sub/loop"));

  // Without -r the subfolder is left out; the failed file stops nothing and
  // leaves nothing behind; the other file is skipped with a warning.
  TRun flat = Cli({"export", P("in"), "-d", P("out")});
  EXPECT_EQ(flat.Code, 1);
  EXPECT_EQ(flat.Out, P("in/a.gda") + " -> " + P("out/a.xls") + "\n" + P("in/t\xFF.gda") + " -> " +
                          P("out/t\xFF.xls") + "\n");
  EXPECT_EQ(flat.Err, P("in/notes.txt") + ": not a table file; skipped.\n" + P("in/bad.gda") +
                          ": File is corrupted.\n");
  EXPECT_FALSE(fs::exists(P("out/bad.xls")));

  // With -r the loop of links is followed once.
  TRun deep = Cli({"resave", P("in"), "-r", "-d", P("deep")});
  EXPECT_EQ(deep.Code, 1);
  EXPECT_EQ(std::count(deep.Out.begin(), deep.Out.end(), '\n'), 3) << deep.Out;
  EXPECT_EQ(Dump("deep/c.gda"), Dump("in/sub/c.gda"));

  TRun csv = Cli({"export", P("in/a.gda"), P("in/sub/c.gda"), "-d", P("csv"), "--csv"});
  EXPECT_EQ(csv.Code, 0) << csv.Err;
  std::ifstream written(P("csv/c.csv"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "ID\r\nint\r\n3\r\n");
  EXPECT_EQ(Cli({"import", P("csv"), "-d", P("back")}).Code, 0);
  EXPECT_EQ(Dump("back/c.gda"), Dump("in/sub/c.gda"));
}

TEST_F(ManyTablesTest, BatchRefusesOutputNamesWrittenTwice) {
  Table("x/A.gda", {{u"ID"}, {u"int"}});
  Table("y/A.gda", {{u"ID"}, {u"int"}});
  Table("x/a.GDA", {{u"ID"}, {u"int"}});
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"resave", P("x/A.gda"), P("y/A.gda"), "-d", P("out")},
        std::vector<std::string>{"export", P("x"), "-d", P("out")}}) {
    TRun r = Cli(args);
    EXPECT_EQ(r.Code, 2);
    EXPECT_NE(r.Err.find("would both be written as"), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(P("out")));
  }
  EXPECT_EQ(Cli({"export", P("x/A.gda"), "--csv"}).Code, 2);  // a batch needs -d
}

TEST_F(ManyTablesTest, JoinMatchesColumnsAndRefusesDuplicates) {
  Table("base.gda", {{u"ID", u"Label", u"Cost"},
                     {u"int", u"string", u"float"},
                     {u"1", u"one", u"1.5"},
                     {u"2", u"two", u""}});
  Table("ext.gda",
        {{u"Cost", u"ID", u"Label"}, {u"float", u"int", u"string"}, {u"3.5", u"3", u"three"}});
  TRun joined = Cli({"join", P("out.gda"), P("base.gda"), P("ext.gda")});
  EXPECT_EQ(joined.Code, 0) << joined.Err;
  EXPECT_EQ(Dump("out.gda"),
            "ID\tLabel\tCost\r\nint\tstring\tfloat\r\n1\tone\t1.5\r\n2\ttwo\t0\r\n"
            "3\tthree\t3.5\r\n");

  Table("other.gda", {{u"ID", u"Name", u"Cost"}, {u"int", u"string", u"float"}});
  Table("typed.gda", {{u"ID", u"Label", u"Cost"}, {u"int", u"string", u"int"}});
  TRun different = Cli({"join", P("no.gda"), P("base.gda"), P("other.gda"), P("typed.gda")});
  EXPECT_EQ(different.Code, 1);
  EXPECT_EQ(different.Err, P("other.gda") + ": the column \"Name\" (string) is not in " +
                               P("base.gda") + ".\n" + P("typed.gda") +
                               ": the column \"Cost\" is int here and float in " + P("base.gda") +
                               ".\nNothing was written.\n");
  EXPECT_FALSE(fs::exists(P("no.gda")));

  Table("dup.gda", {{u"ID", u"Label", u"Cost"},
                    {u"int", u"string", u"float"},
                    {u"5", u"", u""},
                    {u"2", u"again", u""}});
  TRun dup = Cli({"join", P("no.gda"), P("base.gda"), P("ext.gda"), P("dup.gda")});
  EXPECT_EQ(dup.Code, 1);
  const std::string report =
      "Duplicate ID 2: " + P("base.gda") + " row 2 and " + P("dup.gda") + " row 2\n";
  EXPECT_EQ(dup.Err, report + "Nothing was written.\n");
  EXPECT_FALSE(fs::exists(P("no.gda")));
  TRun check = Cli({"join", "--check", P("no.gda"), P("base.gda"), P("dup.gda")});
  EXPECT_EQ(check.Code, 1);
  EXPECT_EQ(check.Out, report);
  EXPECT_FALSE(fs::exists(P("no.gda")));
  EXPECT_EQ(Cli({"join", "--check", P("no.gda"), P("base.gda"), P("ext.gda")}).Code, 0);
  EXPECT_EQ(Cli({"join", "--check", P("no.gda"), P("base.gda"), P("missing.gda")}).Code, 2);
}

TEST_F(ManyTablesTest, FindPrintsHitsEscapedWithExitCodesAsGrep) {
  Table("t/items.gda", {{u"ID", u"Label"},
                        {u"int", u"string"},
                        {u"1930003", u"Phoenix Claws"},
                        {u"7", u"phoenix\tx\\y\r\nz"},
                        {u"8", u"none"}});
  Table("t/sub/plain.GDA", {{u"Label"}, {u"string"}, {u"PHOENIX"}});
  TRun all = Cli({"find", "phoenix", P("t"), "-r"});
  EXPECT_EQ(all.Code, 0);
  EXPECT_EQ(all.Out, P("t/items.gda") + ":1[1930003]:Label: Phoenix Claws\n" + P("t/items.gda") +
                         ":2[7]:Label: phoenix\\tx\\\\y\\r\\nz\n" + P("t/sub/plain.GDA") +
                         ":1:Label: PHOENIX\n");
  EXPECT_EQ(Cli({"find", "--case", "Phoenix", P("t")}).Out,
            P("t/items.gda") + ":1[1930003]:Label: Phoenix Claws\n");
  EXPECT_EQ(Cli({"find", "--whole", "phoenix", P("t"), "-r"}).Out,
            P("t/sub/plain.GDA") + ":1:Label: PHOENIX\n");
  EXPECT_EQ(Cli({"find", "--column", "id", "193", P("t")}).Out,
            P("t/items.gda") + ":1[1930003]:ID: 1930003\n");
  EXPECT_EQ(Cli({"find", "--column", "Name", "phoenix", P("t")}).Code, 1);

  std::ofstream(P("t/broken.gda")) << "GFF V4.0 but nothing more";
  TRun trouble = Cli({"find", "Claws", P("t")});
  EXPECT_EQ(trouble.Code, 2);
  EXPECT_EQ(trouble.Out, P("t/items.gda") + ":1[1930003]:Label: Phoenix Claws\n");
  EXPECT_EQ(std::count(trouble.Err.begin(), trouble.Err.end(), '\n'), 1) << trouble.Err;
}

TEST_F(ManyTablesTest, NamesFromWorkbooksAndCsv) {
  ::setenv("XDG_DATA_HOME", P("xdg").c_str(), 1);
  fs::create_directory(P("names"));
  TCellTable first, second;
  Fill(first, {{u"ID", u"MyBonus"}, {u"int", u"int"}});
  Fill(second, {{u"MyRange", u"Label"}, {u"hello", u"world"}});
  ASSERT_TRUE(ExportTableToWorkbook(first, P("names/book.xls"), u"one").Ok);
  ASSERT_TRUE(ExportTableToWorkbook(second, P("names/book.xls"), u"two").Ok);
  std::ofstream(P("names/more.csv")) << "\"My, Comma\",MyBonus\r\nnot,types\r\n";
  TRun added = Cli({"names", "add", P("names")});
  EXPECT_EQ(added.Code, 0) << added.Err;
  EXPECT_EQ(added.Out, "MyBonus\nMyRange\nMy, Comma\n");
  ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace tessary::cli

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "gff/g2da.h"
#include "table/cell_table.h"
#include "tessary_version.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

struct Result {
  int Code;
  std::string Out;
  std::string Err;
};

Result RunCli(std::vector<std::string> args, const std::string& input = {}) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  int code = Run(args, in, out, err);
  return {code, out.str(), err.str()};
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() / ("tessary_cli_" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  std::string Path(const char* name) const { return (FDir / name).string(); }
  std::filesystem::path FDir;
};

TEST_F(CliTest, ImportDumpAndResaveRoundTrip) {
  const std::string text =
      "ID\tlabel\tMAXSPEED\tOn\r\nint\tstring\tfloat\tbool\r\n1\t<B>x</"
      "B>\t0.1\t1\r\n2\t\"a\nb\"\t1.5\t0\r\n";
  Result imported = RunCli({"import", "-", Path("t.gda")}, text);
  ASSERT_EQ(imported.Code, 0) << imported.Err;
  Result dumped = RunCli({"dump", Path("t.gda")});
  ASSERT_EQ(dumped.Code, 0) << dumped.Err;
  // Names come back in the dictionary's letter case or as hashes; markup is
  // kept; the float shows its stored value; the quoted field lost its quotes
  // on the way in and is quoted again on the way out, as Copy quotes it.
  EXPECT_EQ(dumped.Out,
            "ID\tLabel\tMaxSpeed\t$B97F7E60\r\nint\tstring\tfloat\tbool\r\n1\t<B>x</"
            "B>\t0.100000001490116\t1\r\n"
            "2\t\"a\nb\"\t1.5\t0\r\n");

  ASSERT_EQ(RunCli({"resave", Path("t.gda"), Path("u.gda")}).Code, 0);
  std::ifstream a(Path("t.gda"), std::ios::binary), b(Path("u.gda"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
            std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(CliTest, ImportTakesTheWidestLine) {
  std::ofstream(Path("in.txt"), std::ios::binary) << "a\tb\r\nint\tint\tint\r\n1\r\n";
  ASSERT_EQ(RunCli({"import", Path("in.txt"), Path("t.gda")}).Code, 0);
  TCellTable t;
  ASSERT_TRUE(LoadGDA(t, Path("t.gda")));
  EXPECT_EQ(t.ColCount(), 3);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Cells(2, 1), u"int");
}

TEST_F(CliTest, FailuresAndTheirExitCodes) {
  Result missing = RunCli({"dump", Path("missing.gda")});
  EXPECT_EQ(missing.Code, 1);
  EXPECT_EQ(missing.Err, "File cannot be opened (Is it already in use?).\n" + Path("missing.gda") +
                             ": No such file or directory\n");

  std::ofstream(Path("junk.gda"), std::ios::binary) << "not a table file at all, just text";
  Result junk = RunCli({"dump", Path("junk.gda")});
  EXPECT_EQ(junk.Code, 1);
  EXPECT_EQ(junk.Err, "Unrecognized file format.\n");

  // A valid container whose first struct is not the table's top struct.
  std::string head("GFF V4.0PC  G2DAV0.2\x01\0\0\0\x2C\0\0\0rows\0\0\0\0\0\0\0\0\0\0\0\0", 44);
  std::ofstream(Path("other.gda"), std::ios::binary) << head;
  Result other = RunCli({"dump", Path("other.gda")});
  EXPECT_EQ(other.Code, 2);
  EXPECT_EQ(other.Err, "Not a G2DA table.\n");

  ASSERT_EQ(RunCli({"import", "-", Path("t.gda")}, "ID\r\nint\r\n").Code, 0);
  Result uncreatable = RunCli({"resave", Path("t.gda"), Path("no/such/dir/t.gda")});
  EXPECT_EQ(uncreatable.Code, 1);
  EXPECT_FALSE(uncreatable.Err.empty());
  EXPECT_EQ(uncreatable.Err.substr(uncreatable.Err.size() - 2), ".\n");

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"frobnicate"}, {}, {"dump"}, {"resave", "a"}}) {
    Result usage = RunCli(bad);
    EXPECT_EQ(usage.Code, 2);
    EXPECT_EQ(usage.Err.rfind("usage: tessary-cli dump [--user-names] [--escaped] FILE.gda\n", 0),
              0u)
        << usage.Err;
  }
  Result help = RunCli({"--help"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("Exit codes"), std::string::npos);
  Result version = RunCli({"--version"});
  EXPECT_EQ(version.Code, 0);
  EXPECT_EQ(version.Out, std::string("tessary-cli ") + kProductVersion + "\n");
}

// Dump shows every text as stored: texts that Copy would turn from rich or
// encoded text into plain text are kept, only CRs go as Copy quotes them.
TEST_F(CliTest, DumpKeepsEveryText) {
  TCellTable t;
  t.SetColCount(4);
  t.SetCells(0, 0, u"A");
  t.SetCells(0, 1, u"string");
  t.SetCells(0, 2, u"{\\rtf1 x}");
  t.SetCells(1, 2, u"|\\0041");
  t.SetCells(2, 2, u"two\r\nlines");
  t.SetCells(3, 2, u"\u00e9\U0001F600");
  ASSERT_TRUE(SaveGDA(t, Path("t.gda")));
  Result dumped = RunCli({"dump", Path("t.gda")});
  ASSERT_EQ(dumped.Code, 0) << dumped.Err;
  EXPECT_EQ(dumped.Out,
            "$3D3F4819\t\t\t\r\nstring\tstring\tstring\tstring\r\n"
            "{\\rtf1 x}\t|\\0041\t\"two\nlines\"\t\u00e9\U0001F600\r\n");
}

TEST_F(CliTest, ImportSplitsLinuxTextIntoRows) {
  std::ofstream(Path("lf.txt"), std::ios::binary) << "ID\tNote\nint\tstring\n1\t\"a\nb\"\n";
  ASSERT_EQ(RunCli({"import", Path("lf.txt"), Path("t.gda")}).Code, 0);
  TCellTable t;
  ASSERT_TRUE(LoadGDA(t, Path("t.gda")));
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Cells(1, 2), u"a\nb");
}

// The user dictionary: only "names add" writes it, "dump --user-names" reads it.
TEST_F(CliTest, UserColumnNames) {
  ::setenv("XDG_DATA_HOME", FDir.c_str(), 1);
  const std::string text = "ID\tMyBonus\tLabel\r\nint\tint\tstring\r\n";
  ASSERT_EQ(RunCli({"import", "-", Path("t.gda")}, text).Code, 0);
  Result plain = RunCli({"dump", "--user-names", Path("t.gda")});
  EXPECT_EQ(plain.Code, 0);
  EXPECT_EQ(plain.Out.substr(0, 4), "ID\t$");
  EXPECT_FALSE(std::filesystem::exists(FDir / "tessary"));

  Result added = RunCli({"names", "add", "-"}, text);
  EXPECT_EQ(added.Code, 0) << added.Err;
  EXPECT_EQ(added.Out, "MyBonus\n");
  EXPECT_EQ(RunCli({"names", "add", Path("t.gda")}).Out, "");  // a table file holds hashes only
  EXPECT_EQ(RunCli({"names", "list"}).Out, "MyBonus\n");
  EXPECT_EQ(RunCli({"dump", "--user-names", Path("t.gda")}).Out.substr(0, 18),
            "ID\tMyBonus\tLabel\r\n");
  EXPECT_EQ(RunCli({"dump", Path("t.gda")}).Out.substr(0, 4), "ID\t$");

  std::ofstream(FDir / "tessary" / "column-names.txt", std::ios::binary) << "bad\xFF\n";
  Result damaged = RunCli({"dump", "--user-names", Path("t.gda")});
  EXPECT_EQ(damaged.Code, 0);
  EXPECT_EQ(damaged.Out.substr(0, 4), "ID\t$");
  EXPECT_NE(damaged.Err.find("is ignored"), std::string::npos);
  EXPECT_EQ(RunCli({"names", "list"}).Code, 1);
  EXPECT_EQ(RunCli({"names", "frobnicate"}).Code, 2);
  ::unsetenv("XDG_DATA_HOME");
}

// A dictionary that can be read but not written: "names add" fails and
// says why, and its names are still used. As root the check runs as the
// user nobody, for whom the file is read-only as well.
TEST_F(CliTest, ReadOnlyUserDictionaryStillNamesColumns) {
  const std::filesystem::path folder = FDir / "tessary";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "column-names.txt") << "MyBonus\n";
  ASSERT_EQ(RunCli({"import", "-", Path("t.gda")}, "MyBonus\r\nint\r\n").Code, 0);
  ::chmod(FDir.c_str(), 0755);
  ::chmod(Path("t.gda").c_str(), 0644);
  ::chmod((folder / "column-names.txt").c_str(), 0444);
  ::chmod(folder.c_str(), 0555);
  ::setenv("XDG_DATA_HOME", FDir.c_str(), 1);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    const Result added = RunCli({"names", "add", "-"}, "Speedy\r\n");
    const Result dumped = RunCli({"dump", "--user-names", Path("t.gda")});
    const bool refused =
        added.Code == 1 && added.Err.starts_with(
                               "New column names cannot be stored in the user dictionary; the "
                               "names it holds are still used.\n" +
                               (folder / "column-names.txt").string() + ": Permission denied");
    ::_exit(!refused ? 1 : dumped.Out.starts_with("MyBonus\r\n") && dumped.Err.empty() ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::unsetenv("XDG_DATA_HOME");
  ::chmod(folder.c_str(), 0755);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: names add not refused as it should be; 2: names not used";
}

TEST_F(CliTest, ImportEncoding) {
  // A byte order mark is skipped.
  ASSERT_EQ(RunCli({"import", "-", Path("bom.gda")}, "\xEF\xBB\xBFID\r\nint\r\n7\r\n").Code, 0);
  TCellTable t;
  ASSERT_TRUE(LoadGDA(t, Path("bom.gda")));
  EXPECT_EQ(t.Cells(0, 0), u"ID");
  EXPECT_EQ(t.Cells(0, 2), u"7");

  // Invalid UTF-8 is refused with its offset; nothing is written.
  for (const std::string& bad :
       {std::string("ID\r\n\xC3("), std::string("a\xC0\xAF"), std::string("a\xED\xA0\x80"),
        std::string("\xEF\xBB\xBF"
                    "ab\xFF")}) {
    Result r = RunCli({"import", "-", Path("bad.gda")}, bad);
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err.rfind("Input is not valid UTF-8 (byte ", 0), 0u) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Path("bad.gda")));
  }
  EXPECT_EQ(RunCli({"import", "-", Path("bad.gda")}, "ab\xFF").Err,
            "Input is not valid UTF-8 (byte 2).\n");
  // So is a data text saving would store as another value.
  Result unkept =
      RunCli({"import", "-", Path("bad.gda")}, "ID\tOn\r\nint\tbool\r\n1\t1\r\n2\t2\r\n");
  EXPECT_EQ(unkept.Code, 1);
  EXPECT_EQ(unkept.Err, "Line 4, field 2: '2' is not 0 or 1\n");
  EXPECT_FALSE(std::filesystem::exists(Path("bad.gda")));
  // So is a NUL, which a saved table would cut the text at.
  Result nul = RunCli({"import", "-", Path("bad.gda")}, std::string("ID\r\na\0b", 7));
  EXPECT_EQ(nul.Code, 1);
  EXPECT_EQ(nul.Err, "Input holds a NUL character (byte 5).\n");
  EXPECT_FALSE(std::filesystem::exists(Path("bad.gda")));
  for (const auto& [unreadable, reason] :
       {std::pair{Path("missing.txt"), "No such file or directory"},
        std::pair{FDir.string(), "Is a directory"}}) {
    Result r = RunCli({"import", unreadable, Path("bad.gda")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "File cannot be opened (Is it already in use?).\n" + unreadable + ": " +
                         reason + "\n");
  }
}

// File names are bytes: a table whose name is not valid UTF-8 is saved and
// exported under exactly that name, never under another one.
TEST_F(CliTest, PathsAreKeptAsBytes) {
  const std::string source = Path("t\xFF.gda");
  ASSERT_EQ(RunCli({"import", "-", source}, "ID\r\nint\r\n7\r\n").Code, 0);
  ASSERT_EQ(RunCli({"resave", source, Path("u\xFE.gda")}).Code, 0);
  Result exported = RunCli({"export", source});
  ASSERT_EQ(exported.Code, 0) << exported.Err;
  EXPECT_EQ(exported.Out, "Excel file created: " + Path("t\xFF.xls") + "\n");
  EXPECT_TRUE(std::filesystem::exists(Path("u\xFE.gda")));
  EXPECT_TRUE(std::filesystem::exists(Path("t\xFF.xls")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir), {}), 3);
}

// Names that are not regular files are refused at once and stay as they
// are; standard input stays a stream.
TEST_F(CliTest, OnlyRegularFilesAreReadOrWritten) {
  for (const char* name : {"p.gda", "p.txt", "p.xls"})
    ASSERT_EQ(::mkfifo(Path(name).c_str(), 0600), 0);
  ASSERT_EQ(RunCli({"import", "-", Path("t.gda")}, "ID\r\nint\r\n7\r\n").Code, 0);
  const std::string cannotOpen = "File cannot be opened (Is it already in use?).\n";
  EXPECT_EQ(RunCli({"dump", Path("p.gda")}).Err,
            cannotOpen + Path("p.gda") + ": Not a regular file\n");
  EXPECT_EQ(RunCli({"import", Path("p.txt"), Path("u.gda")}).Err,
            cannotOpen + Path("p.txt") + ": Not a regular file\n");
  EXPECT_EQ(RunCli({"names", "add", Path("p.txt")}).Err,
            cannotOpen + Path("p.txt") + ": Not a regular file\n");
  EXPECT_EQ(RunCli({"export", Path("t.gda"), Path("p.xls")}).Code, 1);
  Result saved = RunCli({"resave", Path("t.gda"), Path("p.gda")});
  EXPECT_EQ(saved.Code, 1);
  EXPECT_EQ(saved.Err, "File cannot be written.\n" + Path("p.gda") + ": Not a regular file.\n");
  for (const char* name : {"p.gda", "p.txt", "p.xls"})
    EXPECT_TRUE(std::filesystem::is_fifo(Path(name)));
}

// The bundled sample is what importing its text gives.
TEST_F(CliTest, SampleTableMatchesItsText) {
  const std::string dir = std::string(TESSARY_SOURCE_DIR) + "/samples/";
  ASSERT_EQ(RunCli({"import", dir + "sample.txt", Path("s.gda")}).Code, 0);
  std::ifstream a(dir + "sample.gda", std::ios::binary), b(Path("s.gda"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
            std::string(std::istreambuf_iterator<char>(b), {}))
      << "regenerate samples/sample.gda (see samples/README.md)";
}

TEST_F(CliTest, ExportFailuresGiveTheirReason) {
  // A flag without its value is a usage error, not a file named "--sheet".
  ASSERT_EQ(RunCli({"import", "-", Path("t.gda")}, "ID\r\nint\r\n1\r\n").Code, 0);
  Result noValue = RunCli({"export", Path("t.gda"), "--sheet"});
  EXPECT_EQ(noValue.Code, 2);
  EXPECT_FALSE(std::filesystem::exists(Path("t.xls")));
  EXPECT_FALSE(std::filesystem::exists("--sheet"));

  const std::string message =
      "Error attempting to export as Excel file. Maybe File already in use?\n";
  std::string wide;
  for (int c = 0; c < 257; ++c) wide += "int\t";
  ASSERT_EQ(RunCli({"import", "-", Path("wide.gda")}, wide + "\r\n" + wide + "\r\n").Code, 0);
  Result tooWide = RunCli({"export", Path("wide.gda")});
  EXPECT_EQ(tooWide.Code, 1);
  EXPECT_EQ(tooWide.Err, message + "The table has 258 columns; a sheet holds at most 256.\n");
  EXPECT_FALSE(std::filesystem::exists(Path("wide.xls")));

  const std::string csv = Path("missing/t.csv");
  Result noFolder = RunCli({"export", Path("t.gda"), csv});
  EXPECT_EQ(noFolder.Code, 1);
  EXPECT_EQ(noFolder.Err,
            "Error attempting to export as CSV file.\n" + csv + ": No such file or directory\n");
}

TEST_F(CliTest, TheProgramReportsExitCodes) {
  const std::string exe = std::string(TESSARY_BINARY_DIR) + "/src/cli/tessary-cli";
  const std::string sample = std::string(TESSARY_SOURCE_DIR) + "/samples/sample.gda";
  int status = std::system((exe + " dump " + sample + " > " + Path("out.txt")).c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  status = std::system((exe + " dump " + Path("missing.gda") + " 2> " + Path("err.txt")).c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream err(Path("err.txt"));
  std::string line;
  std::getline(err, line);
  EXPECT_EQ(line, "File cannot be opened (Is it already in use?).");

  // Standard input, then the table read back through the program.
  status = std::system(("printf 'ID\\tName\\r\\nint\\tstring\\r\\n5\\tfive\\r\\n' | " + exe +
                        " import - " + Path("in.gda") + " && " + exe + " dump " + Path("in.gda") +
                        " > " + Path("in.txt"))
                           .c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream dumped(Path("in.txt"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(dumped), {}),
            "ID\tName\r\nint\tstring\r\n5\tfive\r\n");

  status = std::system((exe + " resave " + Path("in.gda") + " > /dev/null 2>&1").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  status = std::system((exe + " --help > /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(CliTest, CheckReportsRepeatsAndEmptyNamesWithItsExitCodes) {
  const std::string clean = "ID\tLabel\r\nint\tstring\r\n1\ta\r\n2\tb\r\n";
  ASSERT_EQ(RunCli({"import", "-", Path("clean.gda")}, clean).Code, 0);
  // 01 and 1 are one ID once saved; "label" has the hash of Label.
  const std::string faulty =
      "ID\tLabel\t\tlabel\r\nint\tstring\tint\tint\r\n1\ta\t\t\r\n01\tb\t\t\r\n";
  ASSERT_EQ(RunCli({"import", "-", Path("faulty.gda")}, faulty).Code, 0);
  std::ofstream(Path("junk.gda"), std::ios::binary) << "not a table";

  Result ok = RunCli({"check", Path("clean.gda")});
  EXPECT_EQ(ok.Code, 0);
  EXPECT_EQ(ok.Out, "");
  Result found = RunCli({"check", Path("clean.gda"), Path("faulty.gda")});
  EXPECT_EQ(found.Code, 1);
  const std::string f = Path("faulty.gda") + ": ";
  EXPECT_EQ(found.Out, f + "column 3: name hash $00000000 is that of an empty name\n" + f +
                           "column 4: name hash $B49CA166 (Label) is also that of column 2\n" + f +
                           "row 2: ID 1 is also the ID of row 1\n");
  // A file that cannot be read wins over findings, and the others are still checked.
  Result bad = RunCli({"check", Path("junk.gda"), Path("faulty.gda")});
  EXPECT_EQ(bad.Code, 2);
  EXPECT_NE(bad.Err, "");
  EXPECT_NE(bad.Out, "");
}

}  // namespace
}  // namespace tessary::cli

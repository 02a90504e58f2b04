// diff, merge and dump --escaped: their output and exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "compare/table_text.h"
#include "gff/g2da.h"
#include "table/cell_table.h"

namespace tessary::cli {
namespace {

struct Result {
  int Code;
  std::string Out;
  std::string Err;
};

Result RunCli(std::vector<std::string> args, const std::string& input = {}) {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = Run(args, in, out, err);
  return {code, out.str(), err.str()};
}

class CompareCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() / ("tessary_compare_" + std::to_string(getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  // A table file of tab-separated lines; `edit` may change the table first.
  std::string Table(const char* name, std::u16string_view text,
                    void (*edit)(TCellTable&) = nullptr) {
    TCellTable t;
    testing::FillTable(t, text);
    if (edit) edit(t);
    const std::string path = (FDir / name).string();
    EXPECT_TRUE(SaveGDA(t, path));
    return path;
  }
  std::filesystem::path FDir;
};

TEST_F(CompareCliTest, DiffFormatsAndExitCodes) {
  const std::string a =
      Table("a.gda", u"ID\tLabel\tCost\nint\tstring\tint\n1\tsword\t5\n2\tbow\t7\n");
  const std::string b = Table("b.gda", u"ID\tLabel\tColor\nint\tstring\tstring\n1\n3\tring\tred\n",
                              [](TCellTable& t) { t.SetCells(1, 2, u"\"two\nlines\" \\"); });
  Result text = RunCli({"diff", a, b});
  EXPECT_EQ(text.Code, 1);
  EXPECT_EQ(text.Out, "--- " + a + "\n+++ " + b +
                          "\n"
                          "- column Cost (int)\n"
                          "+ column Color (string)\n"
                          "~ ID 1, Label: \"sword\" -> \"\\\"two\\nlines\\\" \\\\\"\n"
                          "- ID 2: ID \"2\", Label \"bow\", Cost \"7\"\n"
                          "+ ID 3: ID \"3\", Label \"ring\", Color \"red\"\n");

  Result csv = RunCli({"diff", "--format", "csv", a, b});
  EXPECT_EQ(csv.Code, 1);
  EXPECT_EQ(csv.Out,
            "change,id,row,column,old,new\r\n"
            "column-removed,,,Cost,int,\r\n"
            "column-added,,,Color,,string\r\n"
            "cell,1,1,Label,sword,\"\"\"two\nlines\"\" \\\"\r\n"
            "row-removed,2,2,ID,2,\r\nrow-removed,2,2,Label,bow,\r\nrow-removed,2,2,Cost,7,\r\n"
            "row-added,3,2,ID,,3\r\nrow-added,3,2,Label,,ring\r\nrow-added,3,2,Color,,red\r\n");

  Result json = RunCli({"diff", "--format", "json", a, b});
  EXPECT_EQ(json.Code, 1);
  EXPECT_NE(json.Out.find("\"rows_matched_by\": \"id\""), std::string::npos);
  EXPECT_NE(json.Out.find("{\"id\": \"1\", \"row\": 1, \"column\": \"Label\", \"old\": \"sword\", "
                          "\"new\": \"\\\"two\\nlines\\\" \\\\\"}"),
            std::string::npos)
      << json.Out;
  EXPECT_NE(json.Out.find("{\"id\": \"3\", \"row\": 2, \"cells\": [[\"ID\", \"3\"], [\"Label\", "
                          "\"ring\"], [\"Color\", \"red\"]]}"),
            std::string::npos);

  Result same = RunCli({"diff", a, a});
  EXPECT_EQ(same.Code, 0);
  EXPECT_EQ(same.Out, "");

  // Duplicate IDs: rows by position, the first duplicate named.
  const std::string dup = Table("dup.gda", u"ID\tLabel\nint\tstring\n1\tsword\n1\tbow\n");
  Result positional = RunCli({"diff", a, dup});
  EXPECT_EQ(positional.Err,
            "Rows matched by position: ID 1 appears twice in " + dup + " (data rows 1 and 2).\n");
  EXPECT_NE(positional.Out.find("~ row 2, ID: \"2\" -> \"1\"\n"), std::string::npos);

  std::ofstream(FDir / "junk.gda") << "not a table file at all, just text";
  Result junk = RunCli({"diff", a, (FDir / "junk.gda").string()});
  EXPECT_EQ(junk.Code, 2);
  EXPECT_EQ(junk.Err, "Unrecognized file format.\n" + (FDir / "junk.gda").string() + "\n");
  EXPECT_EQ(RunCli({"diff", a, (FDir / "missing.gda").string()}).Code, 2);
  EXPECT_EQ(RunCli({"diff", "--format", "xml", a, b}).Code, 2);
}

TEST_F(CompareCliTest, MergeExitCodes) {
  const std::string head = "ID\tLabel\tCost\r\nint\tstring\tint\r\n";
  const std::u16string head16 = u"ID\tLabel\tCost\nint\tstring\tint\n";
  const std::string base = Table("base.gda", head16 + u"1\tsword\t5\n2\tbow\t7\n");
  const std::string ours = Table("ours.gda", head16 + u"1\tsword\t6\n2\tbow\t7\n");
  const std::string theirs = Table("theirs.gda", head16 + u"1\tsword\t5\n2\tbow\t8\n");
  const std::string other = Table("other.gda", head16 + u"1\tsword\t9\n2\tbow\t7\n");
  const std::string out = (FDir / "out.gda").string();

  Result clean = RunCli({"merge", base, ours, theirs, "-o", out});
  EXPECT_EQ(clean.Code, 0) << clean.Err;
  EXPECT_EQ(RunCli({"dump", out}).Out, head + "1\tsword\t6\r\n2\tbow\t8\r\n");

  Result conflict = RunCli({"merge", base, ours, other, "-o", out});
  EXPECT_EQ(conflict.Code, 1);
  EXPECT_EQ(conflict.Err,
            "CONFLICT (changed on both sides): ID 1, column Cost: base \"5\", ours \"6\", theirs "
            "\"9\"\n1 conflict; " +
                out + " holds OURS' side of each.\n");
  EXPECT_EQ(RunCli({"dump", out}).Out, head + "1\tsword\t6\r\n2\tbow\t7\r\n");

  // Nothing is written when an input cannot be read or rows cannot be matched.
  std::filesystem::remove(out);
  EXPECT_EQ(RunCli({"merge", base, ours, (FDir / "missing.gda").string(), "-o", out}).Code, 2);
  const std::string noIds = Table("noids.gda", u"Label\nstring\na\n");
  Result unmatched = RunCli({"merge", base, ours, noIds, "-o", out});
  EXPECT_EQ(unmatched.Code, 2);
  EXPECT_EQ(unmatched.Err.rfind("Rows cannot be matched: the first column of THEIRS", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(RunCli({"merge", base, ours, theirs}).Code, 2);
}

TEST_F(CompareCliTest, DumpEscapedKeepsEachRowOnOneLine) {
  const std::string t = Table("t.gda", u"Label\tComment\nstring\tstring\nx\td\\e\n",
                              [](TCellTable& t) { t.SetCells(0, 2, u"a\tb\r\nc"); });
  Result dumped = RunCli({"dump", "--escaped", t});
  EXPECT_EQ(dumped.Code, 0);
  EXPECT_EQ(dumped.Out, "Label\tComment\nstring\tstring\na\\tb\\r\\nc\td\\\\e\n");
}

}  // namespace
}  // namespace tessary::cli

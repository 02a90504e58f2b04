// diff, merge and dump --escaped: their output and exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
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
  // A table file of the given rows of cells.
  std::string Table(const char* name, std::vector<std::vector<std::u16string>> rows) {
    TCellTable t;
    t.SetRowCount(static_cast<int32_t>(rows.size()));
    t.SetColCount(static_cast<int32_t>(rows[0].size()));
    for (size_t r = 0; r < rows.size(); ++r) {
      for (size_t c = 0; c < rows[r].size(); ++c) {
        t.SetCells(static_cast<int32_t>(c), static_cast<int32_t>(r), rows[r][c]);
      }
    }
    const std::string path = (FDir / name).string();
    EXPECT_TRUE(SaveGDA(t, path));
    return path;
  }
  std::filesystem::path FDir;
};

TEST_F(CompareCliTest, DiffFormatsAndExitCodes) {
  const std::string a = Table("a.gda", {{u"ID", u"Label", u"Cost"},
                                        {u"int", u"string", u"int"},
                                        {u"1", u"sword", u"5"},
                                        {u"2", u"bow", u"7"}});
  const std::string b = Table("b.gda", {{u"ID", u"Label", u"Color"},
                                        {u"int", u"string", u"string"},
                                        {u"1", u"\"two\nlines\" \\", u""},
                                        {u"3", u"ring", u"red"}});
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
  const std::string dup =
      Table("dup.gda", {{u"ID", u"Label"}, {u"int", u"string"}, {u"1", u"sword"}, {u"1", u"bow"}});
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
  auto table = [&](const char* name, const char16_t* cost1, const char16_t* cost2) {
    return Table(name, {{u"ID", u"Label", u"Cost"},
                        {u"int", u"string", u"int"},
                        {u"1", u"sword", cost1},
                        {u"2", u"bow", cost2}});
  };
  const std::string base = table("base.gda", u"5", u"7");
  const std::string ours = table("ours.gda", u"6", u"7");
  const std::string theirs = table("theirs.gda", u"5", u"8");
  const std::string other = table("other.gda", u"9", u"7");
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
  const std::string noIds = Table("noids.gda", {{u"Label"}, {u"string"}, {u"a"}});
  Result unmatched = RunCli({"merge", base, ours, noIds, "-o", out});
  EXPECT_EQ(unmatched.Code, 2);
  EXPECT_EQ(unmatched.Err.rfind("Rows cannot be matched: the first column of THEIRS", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(RunCli({"merge", base, ours, theirs}).Code, 2);
}

TEST_F(CompareCliTest, DumpEscapedKeepsEachRowOnOneLine) {
  const std::string t =
      Table("t.gda", {{u"Label", u"Comment"}, {u"string", u"string"}, {u"a\tb\r\nc", u"d\\e"}});
  Result dumped = RunCli({"dump", "--escaped", t});
  EXPECT_EQ(dumped.Code, 0);
  EXPECT_EQ(dumped.Out, "Label\tComment\nstring\tstring\na\\tb\\r\\nc\td\\\\e\n");
}

}  // namespace
}  // namespace tessary::cli

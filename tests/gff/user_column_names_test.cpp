#include "gff/user_column_names.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "gff/column_names.h"
#include "gff/g2da.h"
#include "table/cell_table.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

class UserNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("tessary_names_" + std::to_string(::getpid()));
    fs::remove_all(FDir);
    FFile = FDir / "tessary" / "column-names.txt";
  }
  void TearDown() override { fs::remove_all(FDir); }
  void Write(const std::string& bytes) {
    fs::create_directories(FFile.parent_path());
    std::ofstream(FFile, std::ios::binary) << bytes;
  }
  std::string Read() const {
    std::ifstream in(FFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  TMessageHandler Collect() {
    return [this](const std::string& m) { FWarnings.push_back(m); };
  }
  fs::path FDir;
  fs::path FFile;
  std::vector<std::string> FWarnings;
};

TEST_F(UserNamesTest, SavedNamesComeBackAfterReopening) {
  TCellTable t;
  t.SetColCount(5);
  const char16_t* names[] = {u"ID", u"MyBonus", u"$0000ABCD", u"myBONUS", u"Ränge"};
  for (int32_t c = 0; c < 5; ++c) t.SetCells(c, 0, names[c]);
  // Built-in names, hash texts and a second spelling of one hash are not added.
  auto added = AddUserColumnNames(FFile, t, Collect());
  ASSERT_TRUE(added);
  EXPECT_EQ(*added, (std::vector<std::u16string>{u"MyBonus", u"Ränge"}));
  EXPECT_EQ(Read(), "MyBonus\nR\xC3\xA4nge\n");
  EXPECT_EQ(AddUserColumnNames(FFile, t, Collect())->size(), 0u);
  EXPECT_EQ(Read(), "MyBonus\nR\xC3\xA4nge\n");

  const fs::path gda = FDir / "t.gda";
  ASSERT_TRUE(SaveGDA(t, gda));
  TCellTable back;
  ASSERT_TRUE(LoadGDA(back, gda));
  EXPECT_EQ(back.Cells(1, 0)[0], u'$');  // the file holds only the hash
  const TUserColumnNames user = TUserColumnNames::Load(FFile, Collect());
  EXPECT_EQ(ApplyUserColumnNames(back, user), 3);
  EXPECT_EQ(back.Cells(0, 0), u"ID");
  EXPECT_EQ(back.Cells(1, 0), u"MyBonus");
  EXPECT_EQ(back.Cells(2, 0), u"$0000ABCD");
  EXPECT_EQ(back.Cells(3, 0), u"MyBonus");
  EXPECT_EQ(back.Cells(4, 0), u"Ränge");
  EXPECT_EQ(HashToName(NameToHash(u"mybonus"), user), u"MyBonus");
  EXPECT_TRUE(FWarnings.empty());
}

TEST_F(UserNamesTest, ReadingKeepsTheFirstOfAHashAndSkipsWhatDoesNotQualify) {
  Write(
      "\xEF\xBB\xBF"
      "Alpha\r\nALPHA\n\n$12345678\nLabel\nBeta");
  const TUserColumnNames user = TUserColumnNames::Load(FFile, Collect());
  EXPECT_EQ(user.Names(), (std::vector<std::u16string>{u"Alpha", u"Beta"}));
  // Appending to a file without a final line break starts a new line.
  TCellTable t;
  t.SetCells(0, 0, u"Gamma");
  AddUserColumnNames(FFile, t, Collect());
  EXPECT_EQ(Read().substr(Read().size() - 11), "Beta\nGamma\n");
  EXPECT_TRUE(FWarnings.empty());
}

TEST_F(UserNamesTest, DamagedOrUnreadableFileIsIgnoredWithOneWarning) {
  EXPECT_TRUE(TUserColumnNames::Load(FFile, Collect()).Names().empty());  // missing: no warning
  EXPECT_TRUE(FWarnings.empty());
  TCellTable t;
  t.SetCells(0, 0, u"Gamma");
  for (const std::string& bad : {std::string("Alpha\n\xC3("), std::string("Al\0pha\n", 7)}) {
    Write(bad);
    FWarnings.clear();
    EXPECT_TRUE(TUserColumnNames::Load(FFile, Collect()).Names().empty());
    ASSERT_EQ(FWarnings.size(), 1u);
    EXPECT_EQ(FWarnings[0].rfind("The user dictionary of column names is ignored.\n", 0), 0u);
    // Nothing is added to a damaged file: it stays as the user left it.
    FWarnings.clear();
    EXPECT_FALSE(AddUserColumnNames(FFile, t, Collect()));
    EXPECT_EQ(FWarnings.size(), 1u);
    EXPECT_EQ(Read(), bad);
  }
  fs::remove(FFile);
  fs::create_directories(FFile);  // a folder where the file should be
  FWarnings.clear();
  EXPECT_TRUE(TUserColumnNames::Load(FFile, Collect()).Names().empty());
  ASSERT_EQ(FWarnings.size(), 1u);
  EXPECT_NE(FWarnings[0].find(": Is a directory"), std::string::npos) << FWarnings[0];
  fs::remove(FFile);
  ASSERT_EQ(::mkfifo(FFile.c_str(), 0600), 0);  // no writer: reading it would block
  FWarnings.clear();
  EXPECT_TRUE(TUserColumnNames::Load(FFile, Collect()).Names().empty());
  ASSERT_EQ(FWarnings.size(), 1u);
  EXPECT_NE(FWarnings[0].find(": Not a regular file"), std::string::npos) << FWarnings[0];
}

TEST(UserNamesLocation, FollowsTheDataHomeRules) {
  EXPECT_EQ(UserColumnNamesLocation("/x/data", "/home/u"), "/x/data/tessary/column-names.txt");
  EXPECT_EQ(UserColumnNamesLocation(nullptr, "/home/u"),
            "/home/u/.local/share/tessary/column-names.txt");
  EXPECT_EQ(UserColumnNamesLocation("", "/home/u"),
            "/home/u/.local/share/tessary/column-names.txt");
  EXPECT_EQ(UserColumnNamesLocation("relative", "/home/u"),
            "/home/u/.local/share/tessary/column-names.txt");
  EXPECT_EQ(UserColumnNamesLocation(nullptr, nullptr), std::nullopt);
}

}  // namespace
}  // namespace tessary

#include "common/safe_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "common/error.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessary {
namespace {

namespace fs = std::filesystem;

class SafeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessary_safe_file_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  size_t EntryCount() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  fs::path dir_;
};

TEST_F(SafeFileTest, CommitReplacesTargetAndLeavesNoTemporaryFile) {
  const fs::path target = dir_ / "a.gda";
  WriteText(target, "old");
  {
    TSafeFileWriter writer(target);
    ASSERT_TRUE(writer.Write("new!", 4));
    // The old file stays in place until the commit.
    EXPECT_EQ(Read(target), "old");
    ASSERT_TRUE(writer.Commit());
  }
  EXPECT_EQ(Read(target), "new!");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SafeFileTest, SeekWritesInPlace) {
  const fs::path target = dir_ / "b.bin";
  TSafeFileWriter writer(target);
  ASSERT_TRUE(writer.Write("abcdef", 6));
  ASSERT_TRUE(writer.Seek(2));
  ASSERT_TRUE(writer.Write("XY", 2));
  EXPECT_EQ(writer.Position(), 4u);
  ASSERT_TRUE(writer.Seek(6));
  ASSERT_TRUE(writer.Write("g", 1));
  ASSERT_TRUE(writer.Commit());
  EXPECT_EQ(Read(target), "abXYefg");
}

TEST_F(SafeFileTest, AbandonedWriteKeepsTheOldFile) {
  const fs::path target = dir_ / "c.gda";
  WriteText(target, "keep me");
  {
    TSafeFileWriter writer(target);
    writer.Write("partial", 7);
    // Destroyed without Commit, as after a failure part-way.
  }
  EXPECT_EQ(Read(target), "keep me");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SafeFileTest, MissingDirectoryThrowsTheSystemText) {
  try {
    TSafeFileWriter writer(dir_ / "no" / "such" / "x.gda");
    FAIL() << "expected a failure";
  } catch (const Error& e) {
    EXPECT_FALSE(std::string(e.what()).empty());
  }
}

#if !defined(_WIN32)
TEST_F(SafeFileTest, ReadOnlyTargetIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
  const fs::path target = dir_ / "ro.gda";
  WriteText(target, "locked");
  fs::permissions(target, fs::perms::owner_read);
  EXPECT_THROW(TSafeFileWriter{target}, Error);
  EXPECT_EQ(Read(target), "locked");
}

TEST_F(SafeFileTest, SavingThroughALinkUpdatesTheLinkedFile) {
  fs::create_directories(dir_ / "game");
  const fs::path real = dir_ / "game" / "table.gda";
  const fs::path link = dir_ / "link.gda";
  WriteText(real, "old");
  fs::create_symlink(real, link);
  TSafeFileWriter writer(link);
  ASSERT_TRUE(writer.Write("new", 3));
  ASSERT_TRUE(writer.Commit());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(real), "new");
  // The linked file was replaced (its new file made beside it), and nothing
  // else is left.
  EXPECT_EQ(writer.TargetPath(), real);
  EXPECT_EQ(EntryCount(), 2u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "game"), {}), 1);

  // A link to a file not there yet creates it.
  const fs::path dangling = dir_ / "new.gda";
  fs::create_symlink(dir_ / "game" / "fresh.gda", dangling);
  TSafeFileWriter fresh(dangling);
  ASSERT_TRUE(fresh.Write("x", 1));
  ASSERT_TRUE(fresh.Commit());
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(Read(dir_ / "game" / "fresh.gda"), "x");
}

// Named files that are not regular files are neither read (which could
// wait forever on a FIFO) nor replaced by a regular file; links that loop
// fail with their reason and stay.
TEST_F(SafeFileTest, OnlyRegularFilesAreReadOrReplaced) {
  const fs::path fifo = dir_ / "pipe.gda";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(OpenRegularFileForReading(fifo), nullptr);
  EXPECT_EQ(OpenRegularFileForReading("/dev/null"), nullptr);
  EXPECT_EQ(OpenRegularFileForReading(dir_), nullptr);
  EXPECT_THROW(TSafeFileWriter{fifo}, Error);
  EXPECT_TRUE(fs::is_fifo(fifo));

  const fs::path loop = dir_ / "loop.gda";
  fs::create_symlink(loop.filename(), loop);
  try {
    TSafeFileWriter writer(loop);
    FAIL() << "expected a failure";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), std::error_code(ELOOP, std::generic_category()).message());
  }
  EXPECT_TRUE(fs::is_symlink(loop));
  EXPECT_EQ(EntryCount(), 2u);
}

// The longest file name the system allows can be saved: the new file's
// own name does not grow with the target's.
TEST_F(SafeFileTest, LongestNameCanBeSaved) {
  for (bool named : {false, true}) {
    TSafeFileWriter::UseNamedTemporaryFiles(named);
    const fs::path target = dir_ / (std::string(251, named ? 'n' : 'u') + ".gda");
    TSafeFileWriter writer(target);
    ASSERT_TRUE(writer.Write("x", 1));
    EXPECT_TRUE(writer.Commit());
    EXPECT_EQ(Read(target), "x");
  }
  TSafeFileWriter::UseNamedTemporaryFiles(false);
  EXPECT_EQ(EntryCount(), 2u);
}

// A save ended by SIGTERM or SIGINT leaves nothing beside the old file.
TEST_F(SafeFileTest, InterruptedSaveLeavesNothingBehind) {
  const fs::path target = dir_ / "t.gda";
  WriteText(target, "old");
  for (int sig : {SIGTERM, SIGINT}) {
    for (bool named : {false, true}) {
      const pid_t child = ::fork();
      if (child == 0) {
        TSafeFileWriter::UseNamedTemporaryFiles(named);
        TSafeFileWriter writer(target);
        writer.Write("partial", 7);
        ::raise(sig);
        ::_exit(0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << named;
      EXPECT_EQ(EntryCount(), 1u) << "signal " << sig << (named ? ", named" : ", unnamed");
      EXPECT_EQ(Read(target), "old");
    }
  }
}

// The mode always; another user's owner and group where the process may
// set them (as root: a file of some other user saved by root stays that
// user's).
TEST_F(SafeFileTest, CommitKeepsModeOwnerAndGroupOfTheOldFile) {
  const fs::path target = dir_ / "mode.gda";
  WriteText(target, "x");
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 12345, 23456), 0);
  }
  ::chmod(target.c_str(), 0640);
  TSafeFileWriter writer(target);
  writer.Write("y", 1);
  ASSERT_TRUE(writer.Commit());
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_uid, root ? 12345u : ::geteuid());
  EXPECT_EQ(st.st_gid, root ? 23456u : ::getegid());
}
#endif

}  // namespace
}  // namespace tessary

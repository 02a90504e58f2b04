// One writer at a time: the lock file beside the target, the wait for the
// holder, and lock files left behind by writers that were killed.
#include "common/write_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

class WriteLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("tessary_write_lock_" + std::to_string(::getpid()));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    TWriteLock::SetWaitLimit(milliseconds(100));
  }
  void TearDown() override {
    TWriteLock::SetWaitLimit(TWriteLock::kDefaultWait);
    fs::remove_all(FDir);
  }
  fs::path FDir;
};

TEST_F(WriteLockTest, ASecondWriterWaitsForTheFirstAndGivesUpAfterTheWait) {
  const fs::path target = FDir / "t.xls";
  EXPECT_EQ(TWriteLock::LockFileOf(target), FDir / ".t.xls.lock");
  std::optional<TWriteLock> first(std::in_place, target);
  EXPECT_TRUE(fs::exists(FDir / ".t.xls.lock"));
  try {
    TWriteLock second(target);
    FAIL() << "a second writer took the lock";
  } catch (const TLockTimeout& e) {
    EXPECT_STREQ(e.what(), "Another save of this file is in progress (waited 0.1 seconds)");
  }
  // Released while the next writer waits: that writer goes ahead.
  TWriteLock::SetWaitLimit(milliseconds(5000));
  std::thread release([&] {
    std::this_thread::sleep_for(milliseconds(50));
    first.reset();
  });
  EXPECT_NO_THROW(TWriteLock{target});
  release.join();
  EXPECT_FALSE(fs::exists(FDir / ".t.xls.lock"));
}

TEST_F(WriteLockTest, LeftoverLockFilesLinksAndLongNames) {
  // A lock file left by a writer that was killed holds no lock.
  const fs::path target = FDir / "t.gda";
  std::ofstream(FDir / ".t.gda.lock") << "";
  EXPECT_NO_THROW(TWriteLock{target});
  EXPECT_FALSE(fs::exists(FDir / ".t.gda.lock"));
  // Every name of a file shares its lock.
  fs::create_symlink(target, FDir / "link.gda");
  EXPECT_EQ(TWriteLock::LockFileOf(FDir / "link.gda"), FDir / ".t.gda.lock");
  {
    TWriteLock held(target);
    EXPECT_THROW(TWriteLock{FDir / "link.gda"}, TLockTimeout);
  }
  // The longest file name still has a lock file the system can create.
  const fs::path longName = FDir / std::string(255, 'n');
  EXPECT_EQ(TWriteLock::LockFileOf(longName).filename().string().size(), 255u);
  EXPECT_NO_THROW(TWriteLock{longName});
}

}  // namespace
}  // namespace tessary

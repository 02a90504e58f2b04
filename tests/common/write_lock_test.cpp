// One writer at a time: the wait for the holder, lock files left by killed
// writers, every name of a file sharing its lock, the longest file names.
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

TEST(WriteLock, WritersTakeTurnsOnOneLockFileBesideTheFile) {
  const fs::path dir = fs::temp_directory_path() / ("tessary_lock_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path target = dir / "t.xls";
  fs::create_symlink(target, dir / "link.xls");
  std::ofstream(dir / ".t.xls.lock") << "";  // left by a writer that was killed
  TWriteLock::SetWaitLimit(milliseconds(100));
  std::optional<TWriteLock> first(std::in_place, dir / "link.xls");
  EXPECT_EQ(TWriteLock::LockFileOf(target), dir / ".t.xls.lock");
  EXPECT_THROW(TWriteLock{target}, TLockTimeout);  // its text: the export's test
  // Released while the next writer waits: that one goes ahead.
  TWriteLock::SetWaitLimit(TWriteLock::kDefaultWait);
  std::thread release([&] {
    std::this_thread::sleep_for(milliseconds(50));
    first.reset();
  });
  EXPECT_NO_THROW(TWriteLock{target});
  release.join();
  EXPECT_FALSE(fs::exists(dir / ".t.xls.lock"));
  // A file name of the most bytes the system allows still has a lock file.
  const fs::path longName = dir / std::string(255, 'n');
  EXPECT_EQ(TWriteLock::LockFileOf(longName).filename().string().size(), 255u);
  EXPECT_NO_THROW(TWriteLock{longName});
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tessary

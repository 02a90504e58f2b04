// One writer at a time for a file that is read, changed and replaced (a
// workbook that an export adds its sheet to, a table, the user dictionary):
// without it, two writers that read the same old file each replace it with
// their own change, and the first change is lost.
//
// The lock is advisory, an exclusive flock() on a hidden lock file beside
// the target: ".NAME.lock" for the file NAME (links followed, so that every
// name of the file shares one lock; a name too long for that gets a shorter
// form with a hash). The holder removes the lock file when it releases the
// lock. A file left behind by a program that was killed holds no lock (the
// system releases it with the process) and is taken over and removed by the
// next writer. Only writers that take this lock wait for each other.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "common/error.h"

namespace tessary {

// The failure of a writer that waited for the lock in vain.
class TLockTimeout : public Error {
 public:
  using Error::Error;
};

class TWriteLock {
 public:
  // How long a writer waits for the holder before it gives up.
  static constexpr std::chrono::milliseconds kDefaultWait{5000};

  // Takes the lock for replacing `target`, waiting up to WaitLimit() while
  // another writer holds it. Throws when it cannot be taken: TLockTimeout
  // with LockedText() after the wait, Error with the system's text when the lock file
  // cannot be made (a missing or read-only folder, where the save would
  // fail too). A file system without locks gives a lock that excludes
  // nobody rather than refusing every save.
  explicit TWriteLock(const std::filesystem::path& target);
  // Removes the lock file, then releases the lock.
  ~TWriteLock();
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;

  // The lock file of `target`.
  static std::filesystem::path LockFileOf(const std::filesystem::path& target);
  // The reason given when the wait ran out.
  static std::string LockedText();

  static std::chrono::milliseconds WaitLimit();
  // Tests only: a shorter wait.
  static void SetWaitLimit(std::chrono::milliseconds wait);

 private:
  std::filesystem::path FPath;
  int FFd = -1;
};

}  // namespace tessary

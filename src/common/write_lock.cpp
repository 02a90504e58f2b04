#include "common/write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

#include "common/error.h"
#include "common/safe_file.h"

namespace tessary {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameBytes = 255;
constexpr auto kPollInterval = std::chrono::milliseconds(20);

std::atomic<int64_t> gWaitMs{TWriteLock::kDefaultWait.count()};

// FNV-1a of a file name, for the short form of a long lock file name.
uint64_t NameHash(const std::string& name) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : name) hash = (hash ^ c) * 0x100000001b3ull;
  return hash;
}

// The lock is held on whatever file the name refers to at the moment; a
// holder may remove that file and another writer create a new one, so a
// lock counts only while the name still refers to the file locked.
bool StillNamed(int fd, const fs::path& path) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Opens the lock file, creating it when needed. Links are not followed and
// only a regular file is taken: a link or a FIFO planted under the name
// must neither redirect the creation nor block. Another user's lock file
// can still be opened for reading, which is enough for flock().
int OpenLockFile(const fs::path& path) {
  constexpr int kFlags = O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | kFlags, 0666);
  if (fd < 0) throw Error(LastSystemErrorText());
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error(path.filename().string() + ": Not a regular file");
  }
  return fd;
}

}  // namespace

fs::path TWriteLock::LockFileOf(const fs::path& target) {
  const fs::path file = FileReplacedBySave(target);
  const std::string name = file.filename().string();
  // Built by appending: GCC 12 at -O3 reports a false overlap when
  // temporaries are joined here (-Wrestrict, GCC bug 105329).
  std::string lockName(1, '.');
  if (name.size() + 6 <= kMaxNameBytes) {
    lockName.append(name);
  } else {
    char hash[18];
    std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(NameHash(name)));
    lockName.append(name, 0, kMaxNameBytes - 6 - 17).append(hash);
  }
  lockName.append(".lock");
  return file.parent_path() / lockName;
}

std::string TWriteLock::LockedText() {
  return FormatMessage("Another save of this file is in progress (waited %g seconds)",
                       static_cast<double>(WaitLimit().count()) / 1000);
}

std::chrono::milliseconds TWriteLock::WaitLimit() {
  return std::chrono::milliseconds(gWaitMs.load());
}

void TWriteLock::SetWaitLimit(std::chrono::milliseconds wait) { gWaitMs.store(wait.count()); }

TWriteLock::TWriteLock(const fs::path& target) : FPath(LockFileOf(target)) {
  const auto deadline = std::chrono::steady_clock::now() + WaitLimit();
  for (;;) {
    FFd = OpenLockFile(FPath);
    int taken = ::flock(FFd, LOCK_EX | LOCK_NB);
    while (taken != 0 && errno == EWOULDBLOCK && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(kPollInterval);
      taken = ::flock(FFd, LOCK_EX | LOCK_NB);
    }
    if (taken != 0) {
      const int code = errno;
      if (code == ENOLCK || code == EOPNOTSUPP || code == EINVAL) return;  // no locks here
      ::close(FFd);
      FFd = -1;
      if (code == EWOULDBLOCK) throw TLockTimeout(LockedText());
      throw Error(SystemErrorText(code));
    }
    if (StillNamed(FFd, FPath)) return;
    // The previous holder removed the file while this writer waited on it.
    ::close(FFd);
    FFd = -1;
  }
}

TWriteLock::~TWriteLock() {
  if (FFd < 0) return;
  // Removed while still held, so that nobody takes a lock on a file that
  // is about to lose its name (StillNamed).
  ::unlink(FPath.c_str());
  ::close(FFd);
}

}  // namespace tessary

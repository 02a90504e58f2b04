#include "common/safe_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <system_error>

#include "common/error.h"

namespace tessary {

namespace fs = std::filesystem;

std::string LastSystemErrorText() { return SystemErrorText(errno); }

std::string SystemErrorText(int code) {
  return std::error_code(code, std::generic_category()).message();
}

std::string FileFailureText(const std::string& message, const fs::path& path,
                            const std::string& reason) {
  if (reason.empty()) return message;
  return message + "\n" + path.string() + ": " + reason;
}

namespace {

constexpr char kNotRegular[] = "Not a regular file";

std::string ErrorText(int code) { return SystemErrorText(code); }

std::FILE* CloseAndFail(int fd, int code) {
  ::close(fd);
  errno = code;
  return nullptr;
}

// ---- Hidden files removed when SIGINT or SIGTERM ends the program ----------

// A fixed table, so that the signal handler needs no allocation or lock.
constexpr int kMaxPending = 16;
struct TPendingName {
  std::atomic<bool> Used{false};
  char Path[PATH_MAX];
};
TPendingName gPending[kMaxPending];
struct sigaction gPreviousInt;
struct sigaction gPreviousTerm;

extern "C" void RemovePendingAndResignal(int signal) {
  for (TPendingName& p : gPending) {
    if (p.Used.load()) ::unlink(p.Path);
  }
  ::sigaction(signal, signal == SIGINT ? &gPreviousInt : &gPreviousTerm, nullptr);
  ::raise(signal);
}

// Takes over SIGINT and SIGTERM where nobody handles them yet; a program
// that handles them itself keeps its handlers.
void InstallSignalCleanup() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = RemovePendingAndResignal;
    sigemptyset(&action.sa_mask);
    struct sigaction current {};
    if (::sigaction(SIGINT, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      ::sigaction(SIGINT, &action, &gPreviousInt);
    }
    if (::sigaction(SIGTERM, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      ::sigaction(SIGTERM, &action, &gPreviousTerm);
    }
  });
}

// The entry of a name to remove on a signal, or -1 when the table is full
// or the name too long (the file is then only removed on the usual paths).
int AddPending(const fs::path& path) {
  const std::string& name = path.native();
  if (name.size() >= PATH_MAX) return -1;
  InstallSignalCleanup();
  for (int i = 0; i < kMaxPending; ++i) {
    if (gPending[i].Used.load()) continue;
    std::memcpy(gPending[i].Path, name.c_str(), name.size() + 1);
    gPending[i].Used.store(true);
    return i;
  }
  return -1;
}

void RemovePending(int& index) {
  if (index >= 0) gPending[index].Used.store(false);
  index = -1;
}

// A hidden name beside the target, of the same short length whatever the
// target's name, so that a target of the longest allowed name can be saved.
fs::path HiddenName(const fs::path& dir) {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = ".tessary-";
  for (int i = 0; i < 8; ++i) name.push_back(kDigits[generator() % 36]);
  return dir / name;
}

std::atomic<bool> gNamedOnly{false};

}  // namespace

std::string OpenForReadingErrorText(int code) {
  // The opener refuses what is not a regular file with EINVAL.
  return code == EINVAL ? kNotRegular : SystemErrorText(code);
}

std::FILE* OpenRegularFileForReading(const fs::path& path, uint64_t* size) {
  // Checked before opening, so that opening has no effect on a device, and
  // again on what was opened, in case the name changed in between. The
  // open does not wait for a writer should a FIFO have slipped in.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return nullptr;
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (::fstat(fd, &st) != 0) return CloseAndFail(fd, errno);
  if (!S_ISREG(st.st_mode)) return CloseAndFail(fd, EINVAL);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return CloseAndFail(fd, errno);
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) return CloseAndFail(fd, errno);
  if (size != nullptr) *size = static_cast<uint64_t>(st.st_size);
  return file;
}

void TSafeFileWriter::UseNamedTemporaryFiles(bool named) { gNamedOnly.store(named); }

fs::path FileReplacedBySave(const fs::path& target) {
  // Saving through a symbolic link updates the file it points to, as
  // writing in place would, rather than replacing the link by a plain file.
  // A link to a file not there yet creates that file. Chains are followed
  // as far as the system itself would follow them; a longer chain is a loop.
  std::error_code ec;
  fs::path file = target;
  int hops = 0;
  for (; hops <= 40 && fs::is_symlink(fs::symlink_status(file, ec)); ++hops) {
    const fs::path next = fs::read_symlink(file, ec);
    if (ec) throw Error(ec.message());
    file = next.is_absolute() ? next : file.parent_path() / next;
  }
  if (hops > 40) throw Error(ErrorText(ELOOP));
  return file;
}

TSafeFileWriter::TSafeFileWriter(const fs::path& target) : target_(FileReplacedBySave(target)) {
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw Error(ErrorText(EISDIR));
    // A FIFO or a device is never replaced by a regular file.
    if (!S_ISREG(st.st_mode)) throw Error(kNotRegular);
    if (::access(target_.c_str(), W_OK) != 0) throw Error(LastSystemErrorText());
  } else if (errno != ENOENT) {
    throw Error(LastSystemErrorText());
  }

  const fs::path dir = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  int fd = -1;
#if defined(O_TMPFILE)
  if (!gNamedOnly.load()) {
    fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    unnamed_ = fd >= 0;
  }
#endif
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp_ = HiddenName(dir);
    fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    temp_.clear();
    throw Error(LastSystemErrorText());
  }
  if (!unnamed_) pending_ = AddPending(temp_);
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int code = errno;
    ::close(fd);
    Abandon();
    throw Error(ErrorText(code));
  }
}

TSafeFileWriter::~TSafeFileWriter() {
  if (!committed_) Abandon();
}

void TSafeFileWriter::Fail(int code) {
  if (!failed_ && error_ == 0) error_ = code;
  failed_ = true;
}

bool TSafeFileWriter::Write(const void* data, size_t size) {
  if (failed_ || file_ == nullptr) return false;
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) Fail(errno);
  return !failed_;
}

bool TSafeFileWriter::Seek(uint64_t position) {
  if (failed_ || file_ == nullptr) return false;
  if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) Fail(errno);
  return !failed_;
}

uint64_t TSafeFileWriter::Position() const {
  if (file_ == nullptr) return 0;
  return static_cast<uint64_t>(ftello(file_));
}

// Gives the unnamed file its hidden name, for the move into place.
bool TSafeFileWriter::LinkUnnamedFile() {
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file_));
  const fs::path dir = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp_ = HiddenName(dir);
    pending_ = AddPending(temp_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        ::linkat(::fileno(file_), "", AT_FDCWD, temp_.c_str(), AT_EMPTY_PATH) == 0) {
      return true;
    }
    RemovePending(pending_);
    if (errno != EEXIST) break;
  }
  temp_.clear();
  return false;
}

bool TSafeFileWriter::Commit() {
  if (file_ == nullptr || failed_) {
    Abandon();
    return false;
  }
  bool ok = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
  if (!ok) Fail(errno);
  if (ok) {
    // An existing target's owner, group and permission bits; a new file
    // gets the usual ones, as a plain create would. Only a privileged
    // process may give the file another owner, and only a member of the
    // group another group: what is not allowed keeps the process's own.
    // The mode is set last, as a change of owner clears set-id bits.
    struct stat st {};
    mode_t mode = 0;
    if (::stat(target_.c_str(), &st) == 0) {
      const int fd = ::fileno(file_);
      if (::fchown(fd, st.st_uid, st.st_gid) != 0 &&
          ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
        // Neither is allowed: the new file stays the process's.
      }
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::fchmod(::fileno(file_), mode);
  }
  if (ok && unnamed_ && !LinkUnnamedFile()) {
    Fail(errno);
    ok = false;
  }
  if (std::fclose(file_) != 0) {
    Fail(errno);
    ok = false;
  }
  file_ = nullptr;
  if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    Fail(errno);
    ok = false;
  }
  if (!ok) {
    failed_ = true;
    Abandon();
    return false;
  }
  RemovePending(pending_);
  committed_ = true;
  return true;
}

void TSafeFileWriter::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty() && !committed_) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  RemovePending(pending_);
}

}  // namespace tessary

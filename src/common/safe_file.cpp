#include "common/safe_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "common/error.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessary {

namespace fs = std::filesystem;

std::string LastSystemErrorText() {
  return std::error_code(errno, std::generic_category()).message();
}

static std::string RandomSuffix() {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix.push_back(kDigits[generator() % 36]);
  return suffix;
}

TSafeFileWriter::TSafeFileWriter(const fs::path& target) : target_(target) {
  std::error_code ec;
  // Saving through a symbolic link updates the file it points to, as
  // writing in place would, rather than replacing the link by a plain file.
  // A link to a file not there yet creates that file. Chains are followed
  // as far as the system itself would follow them.
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target_, ec)); ++hops) {
    const fs::path next = fs::read_symlink(target_, ec);
    if (ec) break;
    target_ = next.is_absolute() ? next : target_.parent_path() / next;
  }
  if (fs::exists(target_, ec)) {
#if !defined(_WIN32)
    if (::access(target_.c_str(), W_OK) != 0) throw Error(LastSystemErrorText());
#endif
    if (fs::is_directory(target_, ec))
      throw Error(std::error_code(EISDIR, std::generic_category()).message());
  }
  const fs::path dir = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  const std::string stem = "." + target_.filename().string() + ".";
  for (int attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
    temp_ = dir / (stem + RandomSuffix() + ".tmp");
    errno = 0;
    file_ = std::fopen(temp_.string().c_str(), "wbx");
    if (file_ == nullptr && errno != EEXIST) break;
  }
  if (file_ == nullptr) throw Error(LastSystemErrorText());
}

TSafeFileWriter::~TSafeFileWriter() {
  if (!committed_) Abandon();
}

bool TSafeFileWriter::Write(const void* data, size_t size) {
  if (failed_ || file_ == nullptr) return false;
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return !failed_;
}

bool TSafeFileWriter::Seek(uint64_t position) {
  if (failed_ || file_ == nullptr) return false;
#if defined(_WIN32)
  if (_fseeki64(file_, static_cast<long long>(position), SEEK_SET) != 0) failed_ = true;
#else
  if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) failed_ = true;
#endif
  return !failed_;
}

uint64_t TSafeFileWriter::Position() const {
  if (file_ == nullptr) return 0;
#if defined(_WIN32)
  return static_cast<uint64_t>(_ftelli64(file_));
#else
  return static_cast<uint64_t>(ftello(file_));
#endif
}

bool TSafeFileWriter::Commit() {
  if (file_ == nullptr || failed_) {
    Abandon();
    return false;
  }
  bool ok = std::fflush(file_) == 0;
#if !defined(_WIN32)
  if (ok) ok = ::fsync(fileno(file_)) == 0;
#endif
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (!ok) {
    failed_ = true;
    Abandon();
    return false;
  }
  std::error_code ec;
#if !defined(_WIN32)
  struct stat st;
  if (::stat(target_.c_str(), &st) == 0) {
    ::chmod(temp_.c_str(), st.st_mode & 07777);
  } else {
    // A new file gets the usual permissions, as a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp_.c_str(), 0666 & ~mask);
  }
#endif
  fs::rename(temp_, target_, ec);
  if (ec) {
    failed_ = true;
    Abandon();
    return false;
  }
  committed_ = true;
  return true;
}

void TSafeFileWriter::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty() && !committed_) {
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

}  // namespace tessary

#include "app/recovery_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"
#include "common/safe_file.h"
#include "table/cell_table.h"

namespace tessary {
namespace {

constexpr char kSignature[8] = {'T', 'S', 'R', 'Y', 'R', 'E', 'C', '1'};
constexpr char kCopyExtension[] = ".recovery";
constexpr char kLockExtension[] = ".lock";

void PutU32(std::string& out, uint32_t v) {
  for (int b = 0; b < 4; ++b) out += static_cast<char>(v >> (8 * b));
}

void PutText(std::string& out, std::u16string_view text) {
  PutU32(out, static_cast<uint32_t>(text.size()));
  for (char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
}

std::u16string TakeText(TByteReader& in) {
  const uint32_t units = in.U32();
  if (!in.Has(uint64_t{units} * 2)) in.Fail();
  const std::span<const uint8_t> bytes = in.Bytes(size_t{units} * 2);
  std::u16string text(units, u'\0');
  for (uint32_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(GetU16(&bytes[2 * i]));
  return text;
}

std::filesystem::path LockFileOf(const std::filesystem::path& copy) {
  std::filesystem::path lock = copy;
  lock.replace_extension(kLockExtension);
  return lock;
}

// Windows of this process, counted from 1.
std::atomic<unsigned> gWindowSerial{0};

}  // namespace

std::filesystem::path RecoveryFolder() {
  std::filesystem::path base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
    base = state;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    base = std::filesystem::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return base / "tessary" / "recovery";
}

std::string SerializeRecovery(const TRecoveryHeader& header, const TCellTable& table) {
  std::string out(kSignature, sizeof kSignature);
  PutText(out, header.DocumentPath);
  out += static_cast<char>((header.HasFile ? 1 : 0) | (header.Designer ? 2 : 0));
  PutU32(out, static_cast<uint32_t>(static_cast<uint64_t>(header.SavedAt)));
  PutU32(out, static_cast<uint32_t>(static_cast<uint64_t>(header.SavedAt) >> 32));
  PutU32(out, static_cast<uint32_t>(table.ColCount()));
  PutU32(out, static_cast<uint32_t>(table.RowCount()));
  // The size first, so that the cells are copied into one buffer made once.
  size_t size = out.size();
  const auto forEachCell = [&table](auto&& visit) {
    for (int32_t r = 0; r < table.RowCount(); ++r) {
      const int32_t last = std::min(table.ColCount() - 1, table.LastStoredCol(r));
      for (int32_t c = 0; c <= last; ++c) {
        const std::u16string_view text = table.Cells(c, r);
        if (!text.empty()) visit(c, r, text);
      }
    }
  };
  forEachCell(
      [&size](int32_t, int32_t, std::u16string_view text) { size += 12 + 2 * text.size(); });
  const size_t headerSize = out.size();
  out.resize(size);
  char* p = out.data() + headerSize;
  forEachCell([&p](int32_t c, int32_t r, std::u16string_view text) {
    const uint32_t fields[3] = {static_cast<uint32_t>(c), static_cast<uint32_t>(r),
                                static_cast<uint32_t>(text.size())};
    for (uint32_t v : fields) {
      PutU32(reinterpret_cast<uint8_t*>(p), v);
      p += 4;
    }
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(p, text.data(), 2 * text.size());
      p += 2 * text.size();
    } else {
      for (char16_t unit : text) {
        PutU16(reinterpret_cast<uint8_t*>(p), unit);
        p += 2;
      }
    }
  });
  return out;
}

namespace {

// The header, and the cells too when `table` is given.
bool ParseCopy(std::string_view bytes, TRecoveryHeader& header, TCellTable* table) {
  if (bytes.size() < sizeof kSignature ||
      std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) {
    return false;
  }
  try {
    TByteReader in({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()},
                   "Recovery copy cut short");
    in.Skip(sizeof kSignature);
    header.DocumentPath = TakeText(in);
    const uint8_t flags = in.U8();
    header.HasFile = (flags & 1) != 0;
    header.Designer = (flags & 2) != 0;
    header.SavedAt = static_cast<int64_t>(in.U64());
    const int32_t cols = in.I32();
    const int32_t rows = in.I32();
    if (cols < 1 || rows < 1 || cols > TCellTable::kMaxCount || rows > TCellTable::kMaxCount) {
      return false;
    }
    if (table == nullptr) return true;
    table->SetColCount(cols);
    table->SetRowCount(rows);
    while (in.Left() > 0) {
      const int32_t c = in.I32();
      const int32_t r = in.I32();
      if (c < 0 || r < 0 || c >= cols || r >= rows) return false;
      table->SetCells(c, r, TakeText(in));
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace

bool ParseRecovery(std::string_view bytes, TRecoveryHeader& header, TCellTable& table) {
  return ParseCopy(bytes, header, &table);
}

// ---- lock ----

TFileLock::~TFileLock() {
  if (FFd >= 0) ::close(FFd);
}

TFileLock::TFileLock(TFileLock&& other) noexcept
    : FFd(std::exchange(other.FFd, -1)), FFile(std::move(other.FFile)) {}

TFileLock& TFileLock::operator=(TFileLock&& other) noexcept {
  if (this != &other) {
    if (FFd >= 0) ::close(FFd);
    FFd = std::exchange(other.FFd, -1);
    FFile = std::move(other.FFile);
  }
  return *this;
}

std::optional<TFileLock> TFileLock::TryLock(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  TFileLock lock;
  lock.FFd = fd;
  lock.FFile = file;
  return lock;
}

void TFileLock::RemoveAndRelease() {
  if (FFd < 0) return;
  std::error_code ec;
  std::filesystem::remove(FFile, ec);
  ::close(FFd);
  FFd = -1;
}

// ---- schedule ----

TRecoverySchedule::TRecoverySchedule(TClock clock) : FClock(std::move(clock)) {}

void TRecoverySchedule::Changed() {
  if (!FDue) FDue = FClock() + kInterval;
}

void TRecoverySchedule::Done() { FDue.reset(); }

std::optional<std::chrono::milliseconds> TRecoverySchedule::DueIn() const {
  if (!FDue) return std::nullopt;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*FDue - FClock());
  return std::max(left, std::chrono::milliseconds(0));
}

// ---- a window's copy ----

TRecoveryCopy::TRecoveryCopy(std::filesystem::path folder) {
  std::error_code ec;
  if (folder.empty()) return;
  std::filesystem::create_directories(folder, ec);
  if (ec) return;
  // A name no copy left by an earlier run of the same process id holds.
  while (true) {
    const std::string name =
        std::to_string(::getpid()) + "-" + std::to_string(++gWindowSerial) + kCopyExtension;
    const std::filesystem::path path = folder / name;
    if (std::filesystem::exists(path, ec) || std::filesystem::exists(LockFileOf(path), ec)) {
      continue;
    }
    FLock = TFileLock::TryLock(LockFileOf(path));
    if (FLock) FPath = path;
    return;
  }
}

TRecoveryCopy::~TRecoveryCopy() {
  Remove();
  if (FLock) FLock->RemoveAndRelease();
}

bool TRecoveryCopy::Busy() const {
  return FWriting.valid() &&
         FWriting.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void TRecoveryCopy::Write(std::string bytes) {
  if (!Usable()) return;
  Wait();
  FWriting = std::async(std::launch::async, [path = FPath, bytes = std::move(bytes)] {
    // A copy that cannot be written is tried again at the next change;
    // the one before stays whole meanwhile.
    try {
      TSafeFileWriter file(path);
      if (file.Write(bytes.data(), bytes.size())) file.Commit();
    } catch (const std::exception&) {
    }
  });
}

void TRecoveryCopy::Wait() {
  if (FWriting.valid()) FWriting.get();
}

void TRecoveryCopy::Remove() {
  Wait();
  if (FPath.empty()) return;
  std::error_code ec;
  std::filesystem::remove(FPath, ec);
}

// ---- copies left behind ----

void TLeftCopy::Remove() {
  std::error_code ec;
  std::filesystem::remove(Path, ec);
  Lock.RemoveAndRelease();
}

namespace {

// The file's bytes, or its first `limit` bytes.
bool ReadBytes(const std::filesystem::path& path, std::string& bytes,
               size_t limit = std::string::npos) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  if (limit == std::string::npos) {
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  } else {
    bytes.resize(limit);
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<size_t>(in.gcount()));
  }
  return !in.bad();
}

// Enough for the header of any path.
constexpr size_t kHeaderBytes = 1 << 20;
// A lock file without its copy, untouched this long, was left by a window
// that ended before it wrote a copy.
constexpr auto kOrphanLockAge = std::chrono::minutes(1);

}  // namespace

std::vector<TLeftCopy> FindLeftCopies(const std::filesystem::path& folder) {
  std::vector<TLeftCopy> found;
  std::error_code ec;
  if (folder.empty()) return found;
  const auto now = std::filesystem::file_time_type::clock::now();
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::filesystem::path& path = entry.path();
    if (!entry.is_regular_file(ec)) continue;
    if (path.extension() == kLockExtension) {
      std::filesystem::path copyPath = path;
      copyPath.replace_extension(kCopyExtension);
      if (std::filesystem::exists(copyPath, ec) ||
          now - entry.last_write_time(ec) < kOrphanLockAge) {
        continue;
      }
      if (std::optional<TFileLock> orphan = TFileLock::TryLock(path)) orphan->RemoveAndRelease();
      continue;
    }
    if (path.extension() != kCopyExtension) continue;
    std::optional<TFileLock> lock = TFileLock::TryLock(LockFileOf(path));
    if (!lock) continue;  // its window still runs
    // Only the header is read here; the cells are read on Restore.
    std::string bytes;
    TLeftCopy copy{path, {}, std::move(*lock)};
    if (!ReadBytes(path, bytes, kHeaderBytes) || !ParseCopy(bytes, copy.Header, nullptr)) continue;
    found.push_back(std::move(copy));
  }
  std::sort(found.begin(), found.end(), [](const TLeftCopy& a, const TLeftCopy& b) {
    return a.Header.SavedAt < b.Header.SavedAt;
  });
  return found;
}

bool ReadLeftCopy(const TLeftCopy& copy, TCellTable& table) {
  std::string bytes;
  TRecoveryHeader header;
  return ReadBytes(copy.Path, bytes) && ParseRecovery(bytes, header, table);
}

}  // namespace tessary

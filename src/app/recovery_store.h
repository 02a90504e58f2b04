// Recovery copies of unsaved tables, without Qt: while a window's table has
// unsaved changes its texts are copied now and then into a file of its own
// under $XDG_STATE_HOME/tessary/recovery, so that a crash or a killed
// session loses at most the last moments of work. Each window holds a lock
// on its copy while it runs; a copy whose lock nobody holds was left by a
// window that did not close cleanly and is offered at the next start.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

class TCellTable;

// $XDG_STATE_HOME/tessary/recovery, or ~/.local/state/tessary/recovery when
// XDG_STATE_HOME is unset or not an absolute path.
std::filesystem::path RecoveryFolder();

// What a copy says about its document besides the cells.
struct TRecoveryHeader {
  std::u16string DocumentPath;
  bool HasFile = false;   // the path names a file opened or saved
  bool Designer = false;  // Designer mode, else Editor mode
  int64_t SavedAt = 0;    // seconds since 1970, UTC
};

// A copy's bytes: a fixed signature, the header, the extent, then every
// non-empty cell of the extent as column, row and its UTF-16 code units,
// each text exactly as the table holds it (Save would turn some of them
// into 0; the copy keeps them).
std::string SerializeRecovery(const TRecoveryHeader& header, const TCellTable& table);
// Reads a copy into `header` and a fresh `table`; false when the bytes are
// not a whole copy.
bool ParseRecovery(std::string_view bytes, TRecoveryHeader& header, TCellTable& table);

// An advisory lock (flock) on a lock file, held while the object lives.
class TFileLock {
 public:
  TFileLock() = default;
  ~TFileLock();
  TFileLock(TFileLock&& other) noexcept;
  TFileLock& operator=(TFileLock&& other) noexcept;
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  // Creates the file when needed and locks it; empty when another holder
  // has it or it cannot be created.
  static std::optional<TFileLock> TryLock(const std::filesystem::path& file);
  // Removes the lock file, then releases the lock.
  void RemoveAndRelease();

 private:
  int FFd = -1;
  std::filesystem::path FFile;
};

// When a window writes its copy: 30 seconds after the first change the
// copy does not hold yet, so copies are written at most every 30 seconds
// and a crash loses at most the last 30 seconds of edits. The clock is
// given, so that tests run on their own time.
class TRecoverySchedule {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::chrono::seconds kInterval{30};

  explicit TRecoverySchedule(TClock clock);
  // The table changed and holds unsaved changes.
  void Changed();
  // A copy of the table as it is now was written, or nothing is unsaved.
  void Done();
  // Time left until a copy is due (zero when overdue); none when nothing is.
  std::optional<std::chrono::milliseconds> DueIn() const;

 private:
  TClock FClock;
  std::optional<std::chrono::steady_clock::time_point> FDue;
};

// One window's copy: a name of its own in the folder (process id and
// window serial), the lock on it held from construction to destruction,
// and the writes, each atomic and done on a worker thread.
class TRecoveryCopy {
 public:
  explicit TRecoveryCopy(std::filesystem::path folder);
  // Waits for a running write, then removes the copy and its lock file: a
  // window that closes cleanly leaves nothing behind.
  ~TRecoveryCopy();
  TRecoveryCopy(const TRecoveryCopy&) = delete;
  TRecoveryCopy& operator=(const TRecoveryCopy&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // False when the folder or the lock could not be made: nothing is written.
  bool Usable() const { return FLock.has_value(); }
  // A write still running.
  bool Busy() const;
  // Writes the bytes in place of the copy on a worker thread (after the
  // write before it).
  void Write(std::string bytes);
  // Waits for a running write.
  void Wait();
  // Waits for a running write and deletes the copy; the lock stays.
  void Remove();

 private:
  std::filesystem::path FPath;
  std::optional<TFileLock> FLock;
  std::future<void> FWriting;
};

// A copy left by a window that did not close cleanly, with its lock taken
// while it is offered, so that two starts do not offer it both.
struct TLeftCopy {
  std::filesystem::path Path;
  TRecoveryHeader Header;
  TFileLock Lock;
  // Deletes the copy and its lock file.
  void Remove();
};

// The copies in `folder` that no running window holds, oldest first. A
// file that is no whole copy is left alone.
std::vector<TLeftCopy> FindLeftCopies(const std::filesystem::path& folder);
// Reads the cells of a left copy into a fresh table; false when it cannot.
bool ReadLeftCopy(const TLeftCopy& copy, TCellTable& table);

}  // namespace tessary

// Files read and written by name. Reading opens regular files only, so that
// a FIFO or a device named by mistake cannot block the program. Writing
// never destroys the file that was there: the bytes go to a new file beside
// the target, which takes the target's place only when every byte has been
// written and flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tessary {

// Opens a named file for reading. Links are followed; anything but a
// regular file (a FIFO, a device, a socket, a directory) is refused without
// waiting on it. Returns nullptr with errno set on failure; `size`, when
// given, receives the file's size.
std::FILE* OpenRegularFileForReading(const std::filesystem::path& path, uint64_t* size = nullptr);
// The reason for a failure of OpenRegularFileForReading with errno `code`.
std::string OpenForReadingErrorText(int code);

// The file that saving `target` replaces: `target` with its symbolic links
// followed as far as the system follows them. Throws Error with the
// system's text for links that loop or cannot be read.
std::filesystem::path FileReplacedBySave(const std::filesystem::path& target);

class TSafeFileWriter {
 public:
  // Creates the new file beside `target`, unnamed where the file system
  // allows it (it then only appears under a name when committed), else
  // under a hidden name of fixed short length that is removed again if
  // SIGINT or SIGTERM ends the program first. Throws Error with the
  // system's text when it cannot be created, when `target` exists and may
  // not be written (a read-only file is never replaced behind the user's
  // back), when `target` is not a regular file or a link to one, or when
  // its links loop.
  explicit TSafeFileWriter(const std::filesystem::path& target);
  // Removes the new file unless Commit succeeded.
  ~TSafeFileWriter();
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  // Each returns false once any write or seek has failed (the failure sticks).
  bool Write(const void* data, size_t size);
  bool Seek(uint64_t position);
  uint64_t Position() const;
  bool Failed() const { return failed_; }
  // The system's error number of the first step that failed (a write, a
  // seek, or a step of Commit), 0 when none failed or the system gave none.
  int ErrorCode() const { return error_; }

  // Flushes, closes and moves the file into the target's place, keeping an
  // existing target's permission bits, and its owner and group where the
  // process may set them. The target's name then refers to a new file:
  // other hard links to the old one keep the old content. False when any step failed; the
  // target is then unchanged and the new file removed.
  bool Commit();
  // Closes and removes the new file; the target is unchanged.
  void Abandon();

  // The file that is replaced: the target with its links followed.
  const std::filesystem::path& TargetPath() const { return target_; }

  // Tests only: new writers use a named temporary file, as on a file system
  // without unnamed ones.
  static void UseNamedTemporaryFiles(bool named);

 private:
  bool LinkUnnamedFile();
  void Fail(int code);

  std::filesystem::path target_;
  std::filesystem::path temp_;  // the hidden name while the new file has one
  std::FILE* file_ = nullptr;
  int pending_ = -1;  // its entry in the list of names removed on a signal
  bool unnamed_ = false;
  bool failed_ = false;
  bool committed_ = false;
  int error_ = 0;
};

// The system's text for the last failed file operation (errno), and for
// an error number.
std::string LastSystemErrorText();
std::string SystemErrorText(int code);

// A file operation's fixed message with its reason on a second line, after
// the path: "File cannot be written.\n/x/t.gda: Permission denied". An
// empty reason gives the message alone.
std::string FileFailureText(const std::string& message, const std::filesystem::path& path,
                            const std::string& reason);

}  // namespace tessary

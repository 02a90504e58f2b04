// Writing a file so that a failure never destroys the file that was there:
// the bytes go to a new file beside the target, which takes the target's
// place only when every byte has been written and flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tessary {

class TSafeFileWriter {
 public:
  // Creates the temporary file beside `target`. Throws Error with the
  // system's text when it cannot be created, or when `target` exists and
  // may not be written (a read-only file is never replaced behind the
  // user's back).
  explicit TSafeFileWriter(const std::filesystem::path& target);
  // Removes the temporary file unless Commit succeeded.
  ~TSafeFileWriter();
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  // Each returns false once any write or seek has failed (the failure sticks).
  bool Write(const void* data, size_t size);
  bool Seek(uint64_t position);
  uint64_t Position() const;
  bool Failed() const { return failed_; }

  // Flushes, closes and moves the file into the target's place, keeping an
  // existing target's permission bits. False when any step failed; the
  // target is then unchanged and the temporary file removed.
  bool Commit();
  // Closes and removes the temporary file; the target is unchanged.
  void Abandon();

  const std::filesystem::path& TempPath() const { return temp_; }

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
};

// The system's text for the last failed file operation (errno).
std::string LastSystemErrorText();

}  // namespace tessary

// Seekable byte streams under the compound file: bytes in memory, a file
// being read, and a file being written beside its target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <vector>

#include "common/safe_file.h"

namespace tessary {

class TByteStream {
 public:
  virtual ~TByteStream();
  virtual uint64_t Size() const = 0;
  virtual uint64_t Position() const = 0;
  // Moves the position; a position past the end is allowed, and a write
  // there fills the gap with zeros.
  virtual void Seek(uint64_t pos) = 0;
  // Reads exactly n bytes or throws Error
  // ("End of stream reached with %d bytes left to read").
  virtual void Read(void* buf, size_t n) = 0;
  // Writes n bytes at the position; throws Error on failure.
  virtual void Write(const void* buf, size_t n) = 0;
};

// Growable bytes in memory; writes past the end extend them.
class TMemoryByteStream : public TByteStream {
 public:
  TMemoryByteStream() = default;
  explicit TMemoryByteStream(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}
  explicit TMemoryByteStream(std::span<const uint8_t> bytes) : Bytes(bytes.begin(), bytes.end()) {}

  uint64_t Size() const override { return Bytes.size(); }
  uint64_t Position() const override { return FPosition; }
  void Seek(uint64_t pos) override { FPosition = pos; }
  void Read(void* buf, size_t n) override;
  void Write(const void* buf, size_t n) override;

  std::vector<uint8_t> Bytes;

 private:
  uint64_t FPosition = 0;
};

// A file opened for reading (shared, read-only). Throws Error with the
// system's text when it cannot be opened or is not a regular file.
class TFileReadStream : public TByteStream {
 public:
  explicit TFileReadStream(const std::filesystem::path& path);
  ~TFileReadStream() override;
  TFileReadStream(const TFileReadStream&) = delete;
  TFileReadStream& operator=(const TFileReadStream&) = delete;

  uint64_t Size() const override { return FSize; }
  uint64_t Position() const override { return FPosition; }
  void Seek(uint64_t pos) override { FPosition = pos; }
  void Read(void* buf, size_t n) override;
  // Always fails: the stream is read-only.
  void Write(const void* buf, size_t n) override;

 private:
  std::FILE* FFile = nullptr;
  uint64_t FSize = 0;
  uint64_t FPosition = 0;
};

// A file written beside its target (TSafeFileWriter); Commit moves it into
// the target's place, and destroying it without Commit leaves the target
// untouched. Write-only: Read fails.
class TFileWriteStream : public TByteStream {
 public:
  explicit TFileWriteStream(const std::filesystem::path& target) : FWriter(target) {}

  uint64_t Size() const override { return FSize; }
  uint64_t Position() const override { return FWriter.Position(); }
  void Seek(uint64_t pos) override;
  void Read(void* buf, size_t n) override;
  void Write(const void* buf, size_t n) override;
  // Throws Error with the system's text when the file cannot be completed.
  void Commit();
  void Abandon() { FWriter.Abandon(); }

 private:
  TSafeFileWriter FWriter;
  uint64_t FSize = 0;
};

}  // namespace tessary

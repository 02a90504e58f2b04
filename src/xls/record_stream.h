// The byte stream the record layer reads a Workbook stream from and writes
// one to. TCompoundFile implements it over a compound file; TMemoryRecordStream
// over a byte vector (tests, and streams held in memory).
#pragma once

#include <cstdint>
#include <vector>

namespace tessary {

class TRecordStream {
 public:
  virtual ~TRecordStream() = default;
  // Reads exactly `count` bytes at the read position or throws Error
  // ("End of stream reached with %d bytes left to read").
  virtual void ReadMem(void* buffer, uint32_t count) = 0;
  // True when fewer than count + 1 bytes remain to be read.
  virtual bool NextEof(uint32_t count) const = 0;
  // Appends bytes to the stream being written.
  virtual void WriteMem(const void* buffer, uint32_t count) = 0;
  // The read position while reading; the number of bytes written while writing.
  virtual uint64_t Position() const = 0;
};

// A stream over bytes in memory: reads from the start of `Data`, writes append.
class TMemoryRecordStream : public TRecordStream {
 public:
  TMemoryRecordStream() = default;
  explicit TMemoryRecordStream(std::vector<uint8_t> data) : Data(std::move(data)) {}

  void ReadMem(void* buffer, uint32_t count) override;
  bool NextEof(uint32_t count) const override;
  void WriteMem(const void* buffer, uint32_t count) override;
  uint64_t Position() const override;

  std::vector<uint8_t> Data;
  uint64_t ReadPos = 0;
  bool Writing = false;  // set by the first WriteMem: Position then counts written bytes
};

}  // namespace tessary

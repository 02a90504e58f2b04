// The byte streams the record layer writes a Workbook stream to: bytes in
// memory, a counter (which is how every size is found: the writer runs
// into it), and a buffer that builds records in place and hands them on in
// large pieces. TCompoundFile is the stream of a file being written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessary {

// A record is a 16-bit type, a 16-bit payload length and the payload, of
// at most 8224 bytes; longer content goes on in CONTINUE records.
inline constexpr uint32_t kRecordHeaderSize = 4;
inline constexpr uint32_t kMaxRecordDataSize = 8224;

class TRecordStream {
 public:
  virtual ~TRecordStream() = default;
  // Appends bytes to the stream.
  virtual void WriteMem(const void* buffer, uint32_t count) = 0;
  // The number of bytes written so far.
  virtual uint64_t Position() const = 0;
};

// The bytes written, in `Data`.
class TMemoryRecordStream : public TRecordStream {
 public:
  void WriteMem(const void* buffer, uint32_t count) override;
  uint64_t Position() const override { return Data.size(); }

  std::vector<uint8_t> Data;
};

// Counts what is written and keeps nothing: the size of anything the record
// layer writes is the count of running its writer into this stream.
class TCountingStream : public TRecordStream {
 public:
  void WriteMem(const void*, uint32_t count) override { FCount += count; }
  uint64_t Position() const override { return FCount; }

 private:
  uint64_t FCount = 0;
};

// The size of what `write(stream)` writes.
template <class Writer>
uint64_t CountWritten(Writer&& write) {
  TCountingStream counter;
  write(counter);
  return counter.Position();
}

// Collects records in memory and hands them to `sink` in pieces of about
// 64 KiB. Begin and End build a record in place: End sets the record's
// payload length from the bytes written since Begin. Flush hands on the
// rest; what is not flushed is lost.
class TRecordBuffer : public TRecordStream {
 public:
  explicit TRecordBuffer(TRecordStream& sink);

  void WriteMem(const void* buffer, uint32_t count) override;
  uint64_t Position() const override { return FSink.Position() + FBytes.size(); }
  void Flush();

  // Starts a record of type `id`.
  void Begin(uint16_t id);
  // Ends it; a payload above 8224 bytes fails with "Invalid record size
  // (%d)": content that long goes on in CONTINUE records.
  void End();
  void U8(uint8_t value) { FBytes.push_back(value); }
  void U16(uint16_t value) {
    FBytes.push_back(static_cast<uint8_t>(value));
    FBytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
  }
  void F64(double value);

 private:
  void HandOnWhenFull();

  TRecordStream& FSink;
  std::vector<uint8_t> FBytes;
  size_t FRecordStart = 0;
  bool FInRecord = false;
};

}  // namespace tessary

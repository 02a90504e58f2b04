#include "xls/record_stream.h"

#include <cstring>

#include "common/bytes.h"
#include "common/error.h"

namespace tessary {

namespace {

constexpr size_t kHandOnSize = 64 * 1024;

}  // namespace

void TMemoryRecordStream::WriteMem(const void* buffer, uint32_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  Data.insert(Data.end(), bytes, bytes + count);
}

TRecordBuffer::TRecordBuffer(TRecordStream& sink) : FSink(sink) {
  FBytes.reserve(kHandOnSize + kRecordHeaderSize + kMaxRecordDataSize);
}

void TRecordBuffer::WriteMem(const void* buffer, uint32_t count) {
  if (!FInRecord && count >= kHandOnSize) {
    // A large piece (another buffer's) goes on as it is.
    Flush();
    FSink.WriteMem(buffer, count);
    return;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  FBytes.insert(FBytes.end(), bytes, bytes + count);
  HandOnWhenFull();
}

void TRecordBuffer::HandOnWhenFull() {
  if (!FInRecord && FBytes.size() >= kHandOnSize) Flush();
}

void TRecordBuffer::Flush() {
  if (FInRecord) throw Error("A record is still being written");
  if (FBytes.empty()) return;
  FSink.WriteMem(FBytes.data(), static_cast<uint32_t>(FBytes.size()));
  FBytes.clear();
}

void TRecordBuffer::Begin(uint16_t id) {
  if (FInRecord) throw Error("A record is still being written");
  FRecordStart = FBytes.size();
  FInRecord = true;
  U16(id);
  U16(0);
}

void TRecordBuffer::End() {
  const size_t payload = FBytes.size() - FRecordStart - kRecordHeaderSize;
  if (payload > kMaxRecordDataSize)
    ThrowError("Invalid record size (%d)", static_cast<int>(payload));
  PutU16(FBytes.data() + FRecordStart + 2, static_cast<uint16_t>(payload));
  FInRecord = false;
  HandOnWhenFull();
}

void TRecordBuffer::F64(double value) {
  uint8_t b[8];
  PutDouble(b, value);
  FBytes.insert(FBytes.end(), b, b + 8);
}

}  // namespace tessary

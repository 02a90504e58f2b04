#include "xls/record_stream.h"

#include <cstring>

#include "common/error.h"

namespace tessary {

void TMemoryRecordStream::ReadMem(void* buffer, uint32_t count) {
  const uint64_t left = Data.size() > ReadPos ? Data.size() - ReadPos : 0;
  if (count > left) {
    ThrowError("End of stream reached with %d bytes left to read", static_cast<int>(count - left));
  }
  if (count != 0) std::memcpy(buffer, Data.data() + ReadPos, count);
  ReadPos += count;
}

bool TMemoryRecordStream::NextEof(uint32_t count) const { return ReadPos + count >= Data.size(); }

void TMemoryRecordStream::WriteMem(const void* buffer, uint32_t count) {
  if (!Writing) {
    Writing = true;
    Data.clear();
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  Data.insert(Data.end(), bytes, bytes + count);
}

uint64_t TMemoryRecordStream::Position() const { return Writing ? Data.size() : ReadPos; }

}  // namespace tessary

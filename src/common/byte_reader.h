// Reading little-endian values from bytes held in memory. Every read is
// checked against the end of the bytes; a read that would pass it fails
// with the text its caller gave, so each reader states what was being read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/bytes.h"

namespace tessary {

class TByteReader {
 public:
  // `failure` is the text of the Error thrown by a short read or seek; it
  // must outlive the reader (a string literal, as a rule).
  TByteReader(std::span<const uint8_t> bytes, std::string_view failure)
      : FBytes(bytes), FFailure(failure) {}

  size_t Position() const { return FPos; }
  size_t Size() const { return FBytes.size(); }
  size_t Left() const { return FBytes.size() - FPos; }
  bool Has(size_t count) const { return count <= Left(); }
  // True when `count` bytes lie at `position`.
  bool HasAt(uint64_t position, size_t count) const {
    return position <= FBytes.size() && count <= FBytes.size() - position;
  }

  // Moves to `position`, which may be the end but not beyond it.
  void Seek(size_t position) {
    if (position > FBytes.size()) Fail();
    FPos = position;
  }
  void Skip(size_t count) { Take(count); }

  uint8_t U8() { return *Take(1); }
  uint16_t U16() { return GetU16(Take(2)); }
  uint32_t U32() { return GetU32(Take(4)); }
  uint64_t U64() { return GetU64(Take(8)); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  double F64() { return GetDouble(Take(8)); }
  float F32() { return GetFloat(Take(4)); }
  // The next `count` bytes, as a view into the reader's bytes.
  std::span<const uint8_t> Bytes(size_t count) {
    const uint8_t* p = Take(count);
    return {p, count};
  }

  // Throws Error with the failure text.
  [[noreturn]] void Fail() const;

 private:
  const uint8_t* Take(size_t count) {
    if (count > Left()) Fail();
    const uint8_t* p = FBytes.data() + FPos;
    FPos += count;
    return p;
  }

  std::span<const uint8_t> FBytes;
  size_t FPos = 0;
  std::string_view FFailure;
};

}  // namespace tessary

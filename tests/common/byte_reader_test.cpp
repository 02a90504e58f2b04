// The checked reader under the workbook records and the table-file reader.
#include "common/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/error.h"

namespace tessary {
namespace {

constexpr char kShort[] = "Error reading the test bytes";

TEST(ByteReader, ReadsLittleEndianValuesInOrder) {
  const std::vector<uint8_t> bytes = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0,
                                      0,    0,    0,    0,    0,    0xF8, 0x3F, 0xAA};
  TByteReader in(bytes, kShort);
  EXPECT_EQ(in.U8(), 0x01);
  EXPECT_EQ(in.U16(), 0x1234);
  EXPECT_EQ(in.U32(), 0x12345678u);
  EXPECT_EQ(in.F64(), 1.5);
  EXPECT_EQ(in.Left(), 1u);
  const auto rest = in.Bytes(1);
  EXPECT_EQ(rest.data(), bytes.data() + 15);  // a view, not a copy
  EXPECT_EQ(in.Left(), 0u);
  EXPECT_EQ(in.Bytes(0).size(), 0u);  // an empty read at the end is no failure
}

// Each read that would pass the end fails with the caller's text and leaves
// the position where it was.
TEST(ByteReader, ShortReadsAndSeeksFailWithTheCallersText) {
  const std::vector<uint8_t> bytes = {1, 2, 3};
  TByteReader in(bytes, kShort);
  in.Skip(2);
  for (const auto& read : std::vector<void (*)(TByteReader&)>{
           [](TByteReader& r) { r.U16(); }, [](TByteReader& r) { r.U32(); },
           [](TByteReader& r) { r.F64(); }, [](TByteReader& r) { r.Bytes(2); },
           [](TByteReader& r) { r.Seek(4); }}) {
    try {
      read(in);
      ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), kShort);
    }
    EXPECT_EQ(in.Position(), 2u);
  }
  // A count near the top of size_t cannot wrap past the end.
  EXPECT_THROW(in.Bytes(SIZE_MAX), Error);
  in.Seek(3);
  EXPECT_FALSE(in.Has(1));
}

}  // namespace
}  // namespace tessary

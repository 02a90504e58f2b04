#include "gff/column_names.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary {
namespace {

uint32_t Crc(std::u16string_view lowered) {
  std::string bytes;
  for (char16_t c : lowered) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST(KnownColumns, SortedUniqueAndHashedFromTheirNames) {
  EXPECT_EQ(KnownColumns[0].Name, u"");
  EXPECT_EQ(KnownColumns[0].Value, 0u);
  for (size_t i = 1; i < KnownColumns.size(); ++i) {
    EXPECT_LT(KnownColumns[i - 1].Value, KnownColumns[i].Value) << i;
    EXPECT_EQ(KnownColumns[i].Value, Crc(AsciiLower(KnownColumns[i].Name)))
        << ToUtf8(std::u16string(KnownColumns[i].Name));
    EXPECT_EQ(NameToHash(KnownColumns[i].Name), KnownColumns[i].Value);
    EXPECT_EQ(HashToName(KnownColumns[i].Value), KnownColumns[i].Name);
  }
}

TEST(NameToHash, NamesAndDollarTexts) {
  EXPECT_EQ(NameToHash(u"ID"), 0x66FBC936u);
  EXPECT_EQ(NameToHash(u"id"), 0x66FBC936u);
  EXPECT_EQ(NameToHash(u"Label"), 0xB49CA166u);
  EXPECT_EQ(NameToHash(u""), 0u);
  EXPECT_EQ(NameToHash(u"$0000000A"), 10u);
  EXPECT_EQ(NameToHash(u"$a"), 10u);
  EXPECT_EQ(NameToHash(u"$A"), 10u);
  EXPECT_EQ(NameToHash(u"$000000001"), 1u);
  EXPECT_EQ(NameToHash(u"$FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(NameToHash(u"$80000000"), 0x80000000u);
  for (std::u16string_view refused : {u"$123456789", u"$", u"$12 ", u"$-1", u"$0x12"}) {
    EXPECT_EQ(NameToHash(refused), 0u) << ToUtf8(std::u16string(refused));
  }
  // A sign or a blank before the "$" makes it an ordinary name.
  EXPECT_EQ(NameToHash(u"-$1"), Crc(u"-$1"));
  EXPECT_EQ(NameToHash(u" $1"), Crc(u" $1"));
  EXPECT_EQ(NameToHash(u"MaxSpeed"), NameToHash(u"mAXsPEED"));
  EXPECT_NE(NameToHash(u"  EN-US"), NameToHash(u"en-us"));
  EXPECT_EQ(NameToHash(u"Größe"), Crc(u"größe"));
}

TEST(HashToName, DictionaryOrDollarText) {
  EXPECT_EQ(HashToName(0), u"");
  EXPECT_EQ(HashToName(0x66FBC936u), u"ID");
  EXPECT_EQ(HashToName(0xABCD), u"$0000ABCD");
  EXPECT_EQ(HashToName(0xFFFFFFFFu), u"$FFFFFFFF");
  EXPECT_EQ(HashToName(NameToHash(u"maxspeed")), u"MaxSpeed");
  EXPECT_EQ(HashToName(NameToHash(u"  EN-US")), u"  EN-US");
  EXPECT_EQ(HashToName(NameToHash(u"en-us")), u"en-us");
  // Between two entries, and above the last.
  EXPECT_EQ(HashToName(KnownColumns[1].Value + 1), u"$" + FromUtf8([&] {
                                                     char buf[9];
                                                     std::snprintf(buf, sizeof buf, "%08X",
                                                                   KnownColumns[1].Value + 1);
                                                     return std::string(buf);
                                                   }()));
  // Every hash survives the way back and forth.
  for (uint64_t h = 0; h <= 0xFFFFFFFFu; h += 0x10001) {
    EXPECT_EQ(NameToHash(HashToName(static_cast<uint32_t>(h))), h);
  }
}

}  // namespace
}  // namespace tessary

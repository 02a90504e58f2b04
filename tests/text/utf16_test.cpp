#include "text/utf16.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(Utf16, RoundTripsEveryPlane) {
  const std::u16string text = u"ID \u00E9\u4E2D\U0001F600z";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u00E9"), "\xC3\xA9");
}

TEST(Utf16, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  // An overlong encoding of "/" and a truncated sequence are not accepted.
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("\xE4\xB8"), u"\uFFFD\uFFFD");
}

// Any file name comes back as the same bytes; valid names read as text.
TEST(Utf16, FileNameBytesSurviveTheTrip) {
  for (const std::string& name :
       {std::string("t\xFF.gda"), std::string("\xC3("), std::string("\xED\xA0\x80x"),
        std::string("\xF0\x90\x82\x80\xE4\xB8"), std::string("caf\xC3\xA9")}) {
    EXPECT_EQ(ToFileNameBytes(FromFileNameBytes(name)), name);
  }
  EXPECT_EQ(FromFileNameBytes("caf\xC3\xA9"), u"caf\u00E9");
  EXPECT_FALSE(HoldsFileNameBytes(FromFileNameBytes("caf\xC3\xA9\xF0\x90\x82\x80")));
  EXPECT_TRUE(HoldsFileNameBytes(FromFileNameBytes("t\xFF")));
}

// Input that must come back exactly is refused at its first ill-formed byte.
TEST(Utf16, StrictReadingStopsAtTheFirstIllFormedByte) {
  std::u16string out;
  EXPECT_EQ(AppendWellFormedUtf8("a\xC3\xA9\xF0\x9F\x98\x80", out), std::string_view::npos);
  EXPECT_EQ(out, u"a\u00E9\U0001F600");
  for (const auto& [text, at] : {std::pair<std::string_view, size_t>{"ab\xC0\xAF", 2},  // overlong
                                 {"a\xED\xA0\x80", 1},                                  // surrogate
                                 {"\xF4\x90\x80\x80", 0},  // > U+10FFFF
                                 {"abc\xE2\x82", 3}}) {    // cut short
    out.clear();
    EXPECT_EQ(AppendWellFormedUtf8(text, out), at);
    EXPECT_EQ(FirstInvalidUtf8(text), at);
    EXPECT_EQ(out.size(), at);
  }
}

}  // namespace
}  // namespace tessary

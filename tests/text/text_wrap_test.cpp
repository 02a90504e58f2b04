#include "text/text_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary {
namespace {

// Every character 6 pixels wide.
int32_t Advance(std::u16string_view part) { return static_cast<int32_t>(part.size()) * 6; }

std::vector<std::u16string> Lines(std::u16string_view text, int32_t width, size_t maxLines = 10) {
  std::vector<std::u16string> out;
  for (const TTextLine& line : WrapAtBlanks(text, width, Advance, maxLines)) {
    out.emplace_back(text.substr(line.Start, line.Length));
  }
  return out;
}

using L = std::vector<std::u16string>;

TEST(TextWrap, WrapsAtBlanksOnly) {
  EXPECT_EQ(Lines(u"Human warrior", 60), (L{u"Human", u"warrior"}));
  EXPECT_EQ(Lines(u"Human warrior", 78), (L{u"Human warrior"}));
  EXPECT_EQ(Lines(u"a b c d e", 30), (L{u"a b c", u"d e"}));
  // Numbers, names with underscores and hyphenated words are never cut.
  EXPECT_EQ(Lines(u"6.80000019073486", 58), (L{u"6.80000019073486"}));
  EXPECT_EQ(Lines(u"por_human_m", 30), (L{u"por_human_m"}));
  EXPECT_EQ(Lines(u"a-b-c-d-e-f", 30), (L{u"a-b-c-d-e-f"}));
  EXPECT_EQ(Lines(u"x 3.40282346638529E38 y", 30), (L{u"x", u"3.40282346638529E38", u"y"}));
}

TEST(TextWrap, BlanksAtAWrapBelongToNoLine) {
  EXPECT_EQ(Lines(u"ab   cd", 24), (L{u"ab", u"cd"}));
  EXPECT_EQ(Lines(u"  ab cd", 24), (L{u"  ab", u"cd"}));
  EXPECT_EQ(Lines(u"ab \tcd   ", 24), (L{u"ab", u"cd"}));
  EXPECT_EQ(Lines(u"ab  ", 60), (L{u"ab  "}));
}

TEST(TextWrap, LineBreaksAndTheLineLimit) {
  EXPECT_EQ(Lines(u"a\r\nb\rc\nd", 60), (L{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(Lines(u"a\n\nb", 60), (L{u"a", u"", u"b"}));
  EXPECT_EQ(Lines(u"one two three\nfour", 30, 2), (L{u"one", u"two"}));
  EXPECT_EQ(Lines(u"one two", 30, 0), L{});
  EXPECT_EQ(Lines(u"", 30), (L{u""}));
}

TEST(TextWrap, LongTextsMeasureOnlyWhatTheCellCanShow) {
  std::u16string text;
  for (int i = 0; i < 20000; ++i) text += u"word ";
  size_t measured = 0;
  const auto counting = [&](std::u16string_view part) {
    measured += part.size();
    return Advance(part);
  };
  const auto lines = WrapAtBlanks(text, 60, counting, 2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LT(measured, 200u);
  // One word of 100,000 characters: not measured at all.
  measured = 0;
  EXPECT_EQ(WrapAtBlanks(std::u16string(100000, u'x'), 60, counting, 2).size(), 1u);
  EXPECT_EQ(measured, 0u);
}

}  // namespace
}  // namespace tessary

#include "xls/cell_text_value.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "text/number_text.h"
#include "text/utf16.h"
#include "xls/date_parser.h"

namespace tessary {
namespace {

using TValueKind = TCellTextValue::TValueKind;

TRegionalSettings Settings() {
  TRegionalSettings s;  // month-first, comma thousands, "$" in front
  s.ThousandSeparator = u",";
  s.CurrencySymbol = u"$";
  s.CurrencyPositionMode = 0;
  s.NegativeCurrencyMode = 1;
  s.CurrencyDecimals = 2;
  s.ShortDateFormat = u"M/d/yyyy";
  s.ShortTimeFormat = u"h:mm AMPM";
  s.DateSeparator = u"/";
  s.TimeSeparator = u":";
  return s;
}

TCellTextValue Convert(std::u16string_view text) {
  return ConvertCellText(text, Settings(), {}, {}, 2026);
}

std::string Show(std::u16string_view text) { return ToUtf8(std::u16string(text)); }

void ExpectNumber(std::u16string_view text, double value,
                  std::optional<std::u16string> format = std::nullopt) {
  TCellTextValue v = Convert(text);
  ASSERT_EQ(v.Kind, TValueKind::vkNumber) << Show(text);
  EXPECT_DOUBLE_EQ(v.Number, value) << Show(text);
  EXPECT_EQ(v.Format, format) << Show(text);
}

void ExpectText(std::u16string_view text) {
  TCellTextValue v = Convert(text);
  EXPECT_EQ(v.Kind, TValueKind::vkString) << Show(text);
  EXPECT_EQ(v.Text, text);
  EXPECT_FALSE(v.Format.has_value()) << Show(text);
}

TEST(CellTextValue, PlainNumbers) {
  ExpectNumber(u"42", 42);
  ExpectNumber(u"-7", -7);
  ExpectNumber(u"0.5", 0.5);
  ExpectNumber(u" +2.25 ", 2.25);
  ExpectNumber(u".", 0);
  ExpectNumber(u"5.", 5);
  ExpectNumber(u"0.1", 0.1);
  ExpectNumber(u"1e3", 1000, u"0.00E+00");
  ExpectNumber(u"1e", 1, u"0.00E+00");
  ExpectNumber(u"2.5E-2", 0.025, u"0.00E+00");
  ExpectText(u"e5");
  ExpectText(u"- 5");
  ExpectText(u"1.5.2");
  ExpectText(u"1e5000");  // beyond the range of a number cell
}

TEST(CellTextValue, ThousandsSeparators) {
  ExpectNumber(u"1,000", 1000);
  ExpectNumber(u"12,345,678", 12345678);
  ExpectNumber(u"-1,000.5", -1000.5);
  ExpectText(u"1,00");
  ExpectText(u",100");
  ExpectText(u"1.000,5");
}

TEST(CellTextValue, PercentAndCurrency) {
  ExpectNumber(u"50%", 0.5, u"0%");
  ExpectNumber(u"12.5%", 0.125, u"0.00%");
  ExpectNumber(u"%50", 0.5, u"0%");
  ExpectNumber(u"50 %", 0.5, u"0%");
  ExpectText(u"%");
  ExpectText(u"abc%");
  ExpectNumber(u"$5", 5, u"$###,###;[Red]-$###,###");
  ExpectNumber(u"$1,234.50", 1234.5, u"$###,###.00;[Red]-$###,###.00");
  ExpectNumber(u"5$", 5, u"$###,###;[Red]-$###,###");
  ExpectText(u"$");
}

TEST(CellTextValue, Booleans) {
  for (std::u16string_view text : {u"true", u"TRUE", u" False ", u"fAlSe"}) {
    TCellTextValue v = Convert(text);
    ASSERT_EQ(v.Kind, TValueKind::vkBoolean) << Show(text);
    EXPECT_EQ(v.Boolean, text.find(u'r') != std::u16string_view::npos ||
                             text.find(u'R') != std::u16string_view::npos);
    EXPECT_FALSE(v.Format.has_value());
  }
  ExpectText(u"yes");
}

TEST(CellTextValue, TextsStayWhole) {
  ExpectText(u"  abc  ");
  ExpectText(u"=1+2");
  ExpectText(u"");
  ExpectText(u"x<y");
}

TEST(CellTextValue, DatesAndTimes) {
  TCellTextValue d = Convert(u"1/2/2009");
  ASSERT_EQ(d.Kind, TValueKind::vkDateTime);
  EXPECT_DOUBLE_EQ(d.Number, 39815);
  EXPECT_EQ(d.Format, u"M/d/yyyy");

  TCellTextValue t = Convert(u"12:30");
  ASSERT_EQ(t.Kind, TValueKind::vkDateTime);
  EXPECT_DOUBLE_EQ(t.Number, 0.5 + 30.0 / 1440);
  EXPECT_EQ(t.Format, u"h:mm AM/PM");

  TCellTextValue dt = Convert(u"1/2/2009 12:30");
  ASSERT_EQ(dt.Kind, TValueKind::vkDateTime);
  EXPECT_EQ(dt.Format, u"M/d/yyyy h:mm AM/PM");

  TCellTextValue own = ConvertCellText(u"1/2/2009 8:00", Settings(), u"yyyy-mm-dd", u"hh:mm", 2026);
  EXPECT_EQ(own.Format, u"yyyy-mm-dd hh:mm");

  // Read as times of day by the date reader, but refused as dotted numbers.
  ExpectText(u"1.2.3");
  ExpectText(u"1.2.3.4");
  ExpectText(u"1.2.3.x");
  ExpectText(u"12.5.x");
}

TEST(CellTextValue, DottedDatesInADayFirstLocale) {
  TRegionalSettings de = TRegionalSettings::ForLocale("de_DE");
  TCellTextValue v = ConvertCellText(u"2.1.2009", de, {}, {}, 2026);
  ASSERT_EQ(v.Kind, TValueKind::vkDateTime);
  EXPECT_DOUBLE_EQ(v.Number, 39815);
  EXPECT_EQ(v.Format, u"dd.MM.yyyy");
  // The full stop stays the decimal separator where it also groups thousands.
  TCellTextValue n = ConvertCellText(u"1.000", de, {}, {}, 2026);
  ASSERT_EQ(n.Kind, TValueKind::vkNumber);
  EXPECT_DOUBLE_EQ(n.Number, 1);
}

TEST(CellTextValue, AmPmMarkerOutsideQuotes) {
  EXPECT_EQ(ExpandAmPm(u"h:mm AMPM"), u"h:mm AM/PM");
  EXPECT_EQ(ExpandAmPm(u"h:mm ampm"), u"h:mm AM/PM");
  EXPECT_EQ(ExpandAmPm(u"h:mm \"AMPM\" AMPM"), u"h:mm \"AMPM\" AM/PM");
  EXPECT_EQ(ExpandAmPm(u"HH:mm"), u"HH:mm");
}

TEST(CellTextValue, NumberGrammarLimits) {
  EXPECT_EQ(ParseExportNumber(u"1e499"), std::nullopt);  // beyond double: not storable
  EXPECT_EQ(ParseExportNumber(u"1e5000"), std::nullopt);
  EXPECT_EQ(ParseExportNumber(u"1e-5000"), std::nullopt);  // exponent digits stop at 500
  EXPECT_EQ(ParseExportNumber(u"1e-499"), 0.0);
  EXPECT_EQ(ParseExportNumber(u"+"), std::nullopt);
  EXPECT_EQ(ParseExportNumber(u"1 2"), std::nullopt);
  EXPECT_EQ(ParseExportNumber(u"  3  "), 3.0);
}

// The number reader as it was written before its powers of ten came from a
// table: the power computed for each text.
std::optional<double> PowerPerTextNumber(std::u16string_view s) {
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  long double mantissa = 0;
  int fractionDigits = 0;
  bool any = false;
  while (i < s.size() && digit(s[i])) {
    mantissa = mantissa * 10 + (s[i++] - u'0');
    any = true;
  }
  if (i < s.size() && s[i] == u'.') {
    any = true;
    ++i;
    while (i < s.size() && digit(s[i])) {
      mantissa = mantissa * 10 + (s[i++] - u'0');
      ++fractionDigits;
    }
  }
  if (!any) return std::nullopt;
  int exponent = 0;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negativeExponent = s[i++] == u'-';
    while (i < s.size() && digit(s[i]) && exponent < 500)
      exponent = exponent * 10 + (s[i++] - u'0');
    if (negativeExponent) exponent = -exponent;
  }
  while (i < s.size() && s[i] == u' ') ++i;
  if (i != s.size()) return std::nullopt;
  long double value = mantissa;
  const int scale = exponent - fractionDigits;
  if (value != 0 && scale != 0) {
    const long double power = std::pow(10.0L, static_cast<long double>(scale < 0 ? -scale : scale));
    value = scale < 0 ? value / power : value * power;
  }
  if (negative) value = -value;
  const double result = static_cast<double>(value);
  if (!std::isfinite(result)) return std::nullopt;
  return result;
}

// Many generated number texts (digits before and after the point, signs,
// exponents of every size, blanks) read to exactly the same doubles.
TEST(CellTextValue, NumbersReadAsWithAPowerPerText) {
  std::mt19937 rng(2026);
  auto digits = [&](int count) {
    std::u16string out;
    for (int k = 0; k < count; ++k) out += static_cast<char16_t>(u'0' + rng() % 10);
    return out;
  };
  for (int round = 0; round < 200000; ++round) {
    std::u16string text;
    if (rng() % 8 == 0) text += u' ';
    if (rng() % 3 == 0) text += rng() % 2 ? u'-' : u'+';
    text += digits(static_cast<int>(rng() % 12));
    if (rng() % 2) text += u'.' + digits(static_cast<int>(rng() % (rng() % 10 == 0 ? 60 : 12)));
    if (rng() % 3 == 0) {
      text += rng() % 2 ? u'e' : u'E';
      if (rng() % 2) text += rng() % 2 ? u'-' : u'+';
      text += FormatInteger(static_cast<int32_t>(rng() % (rng() % 4 == 0 ? 5000 : 40)));
    }
    if (rng() % 8 == 0) text += u' ';
    const std::optional<double> expected = PowerPerTextNumber(text);
    const std::optional<double> got = ParseExportNumber(text);
    ASSERT_EQ(got.has_value(), expected.has_value()) << ToUtf8(text);
    if (got) {
      ASSERT_EQ(std::bit_cast<uint64_t>(*got), std::bit_cast<uint64_t>(*expected)) << ToUtf8(text);
    }
  }
}

}  // namespace
}  // namespace tessary

namespace tessary {
namespace {

TEST(PrepareExportText, TagsEntitiesAndLineBreaks) {
  EXPECT_EQ(PrepareExportText(u"a<b>c</b>", false), u"ac");
  EXPECT_EQ(PrepareExportText(u"a</b", false), u"a</b");
  EXPECT_EQ(PrepareExportText(u"x<y", false), u"x<y");
  EXPECT_EQ(PrepareExportText(u"a&amp;b</i>", false), u"a&b");
  EXPECT_EQ(PrepareExportText(u"5>3<b>x</b>", false), u"5>3x");
  EXPECT_EQ(PrepareExportText(u"a&NBSP;b&Quot;</i>", false), u"a b\"");
  EXPECT_EQ(PrepareExportText(u"a&amp;b", false), u"a&amp;b");  // no "</": entities stay
  EXPECT_EQ(PrepareExportText(u"l1<BR>l2", false), u"l1\r\nl2");
  EXPECT_EQ(PrepareExportText(u"l1<br>l2", true), u"l1<br>l2");
  EXPECT_EQ(PrepareExportText(u"a\r\nb\rc\nd", false), u"a\nb\nc\nd");
  EXPECT_EQ(PrepareExportText(u"{\\rtf1 Hello\\par World}", false), u"Hello\nWorld");
  EXPECT_EQ(PrepareExportText(u"<b>a</b>", true), u"<b>a</b>");
}

}  // namespace
}  // namespace tessary

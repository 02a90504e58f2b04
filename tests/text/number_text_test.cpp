#include "text/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "text/utf16.h"

namespace tessary {
namespace {

float FromBits(uint32_t bits) { return std::bit_cast<float>(bits); }

std::string Real(float v) { return ToUtf8(FormatReal(v)); }

TEST(FormatInteger, DecimalWithoutGrouping) {
  EXPECT_EQ(FormatInteger(0), u"0");
  EXPECT_EQ(FormatInteger(255), u"255");
  EXPECT_EQ(FormatInteger(-42), u"-42");
  EXPECT_EQ(FormatInteger(INT32_MIN), u"-2147483648");
  EXPECT_EQ(FormatInteger(INT32_MAX), u"2147483647");
}

TEST(ParseInteger, AcceptsAndRefuses) {
  EXPECT_EQ(ParseInteger(u" 42"), 42);
  EXPECT_EQ(ParseInteger(u"+7"), 7);
  EXPECT_EQ(ParseInteger(u"-0"), 0);
  EXPECT_EQ(ParseInteger(u"007"), 7);
  EXPECT_EQ(ParseInteger(u"x1F"), 31);
  EXPECT_EQ(ParseInteger(u"0X1f"), 31);
  EXPECT_EQ(ParseInteger(u"$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger(u"$80000000"), INT32_MIN);
  EXPECT_EQ(ParseInteger(u"-$FFFFFFFF"), 1);
  EXPECT_EQ(ParseInteger(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInteger(u"2147483647"), INT32_MAX);
  for (std::u16string_view refused :
       {u"", u"42 ", u"0x", u"$", u"-", u" ", u"2147483648", u"-2147483649", u"1e3", u"$100000000",
        u"4294967296", u"12a", u"- 1", u"0x-1"}) {
    EXPECT_EQ(ParseInteger(refused), std::nullopt) << ToUtf8(std::u16string(refused));
  }
}

TEST(FormatReal, WorkedExamples) {
  EXPECT_EQ(Real(std::ldexp(1.0f, 60)), "1.15292150460685E18");
  EXPECT_EQ(Real(std::ldexp(1.0f, -20)), "9.5367431640625E-7");
  EXPECT_EQ(Real(std::ldexp(1.0f, -14)), "6.103515625E-5");
  EXPECT_EQ(Real(std::ldexp(1.0f, -13)), "0.0001220703125");
  EXPECT_EQ(Real(std::ldexp(1.0f, 49)), "562949953421312");
  EXPECT_EQ(Real(std::ldexp(1.0f, 50)), "1.12589990684262E15");
  EXPECT_EQ(Real(1.5f), "1.5");
  EXPECT_EQ(Real(100.0f), "100");
  EXPECT_EQ(Real(0.5f), "0.5");
  EXPECT_EQ(Real(0.1f), "0.100000001490116");
  EXPECT_EQ(Real(FLT_MAX), "3.40282346638529E38");
  EXPECT_EQ(Real(1e15f), "999999986991104");
  EXPECT_EQ(Real(100000.0f), "100000");
  EXPECT_EQ(Real(123456.7f), "123456.703125");
  EXPECT_EQ(Real(-2.5f), "-2.5");
  EXPECT_EQ(Real(0.0f), "0");
  EXPECT_EQ(Real(-0.0f), "0");
  EXPECT_EQ(Real(NAN), "NAN");
  EXPECT_EQ(Real(INFINITY), "INF");
  EXPECT_EQ(Real(-INFINITY), "-INF");
  // Rounded at the 16th digit of the 18-digit string, not half to even.
  EXPECT_EQ(Real(FromBits(0x45122F35)), "2338.95043945313");
  EXPECT_EQ(Real(FromBits(0x70FC3681)), "6.24448909236116E29");
  EXPECT_EQ(Real(0.001f), "0.00100000004749745");
  EXPECT_EQ(Real(0.0001f), "9.99999974737875E-5");
  EXPECT_EQ(Real(0.00025f), "0.000250000011874363");
}

// The 15-digit string computed independently: the exact decimal expansion
// of the float by long division, cut to 18 digits, then rounded at the 16th.
std::string Reference(float value) {
  // value = m * 2^e exactly; expand with a decimal big number.
  int e = 0;
  float m = std::frexp(std::fabs(value), &e);
  uint64_t mant = static_cast<uint64_t>(std::ldexp(m, 24));
  e -= 24;
  std::string digits = std::to_string(mant);  // integer part digits, little work for e >= 0
  int pointPos = static_cast<int>(digits.size());
  auto times2 = [&]() {
    int carry = 0;
    for (int k = static_cast<int>(digits.size()) - 1; k >= 0; --k) {
      int v = (digits[k] - '0') * 2 + carry;
      digits[k] = static_cast<char>('0' + v % 10);
      carry = v / 10;
    }
    if (carry) {
      digits.insert(digits.begin(), static_cast<char>('0' + carry));
      ++pointPos;
    }
  };
  auto half = [&]() {  // divide by 2, the point stays
    digits += '0';
    int rem = 0;
    for (char& c : digits) {
      int v = rem * 10 + (c - '0');
      c = static_cast<char>('0' + v / 2);
      rem = v % 2;
    }
  };
  for (; e > 0; --e) times2();
  for (; e < 0; ++e) half();
  size_t first = digits.find_first_not_of('0');
  int exponent = pointPos - static_cast<int>(first);
  std::string sig = digits.substr(first);
  sig.resize(std::max<size_t>(sig.size(), 19), '0');
  // 18 digits, correctly rounded.
  bool up18 = sig[18] > '5' ||
              (sig[18] == '5' && sig.find_first_not_of('0', 19) != std::string::npos) ||
              (sig[18] == '5' && (sig[17] - '0') % 2 == 1);
  std::string d18 = sig.substr(0, 18);
  if (up18) {
    int k = 17;
    while (k >= 0 && d18[k] == '9') d18[k--] = '0';
    if (k < 0) {
      d18 = "1" + d18.substr(0, 17);
      ++exponent;
    } else {
      ++d18[k];
    }
  }
  std::string d15 = d18.substr(0, 15);
  if (d18[15] >= '5') {
    int k = 14;
    while (k >= 0 && d15[k] == '9') d15[k--] = '0';
    if (k < 0) {
      d15 = "1" + d15.substr(0, 14);
      ++exponent;
    } else {
      ++d15[k];
    }
  }
  while (d15.size() > 1 && d15.back() == '0') d15.pop_back();
  std::string out = value < 0 ? "-" : "";
  if (exponent > 15 || exponent < -3) {
    out += d15[0];
    if (d15.size() > 1) out += "." + d15.substr(1);
    out += "E" + std::to_string(exponent - 1);
  } else if (exponent >= 1) {
    std::string whole = d15.substr(0, std::min<size_t>(d15.size(), exponent));
    whole.resize(static_cast<size_t>(exponent), '0');
    out += whole;
    if (d15.size() > static_cast<size_t>(exponent))
      out += "." + d15.substr(static_cast<size_t>(exponent));
  } else {
    out += "0." + std::string(static_cast<size_t>(-exponent), '0') + d15;
  }
  return out;
}

TEST(FormatReal, AgreesWithExactExpansionAndReadsBack) {
  int checked = 0;
  for (uint64_t bits = 1; bits < 0x7F800000u; bits += 65521) {
    for (uint32_t sign : {0u, 0x80000000u}) {
      const float v = FromBits(static_cast<uint32_t>(bits) | sign);
      const std::u16string text = FormatReal(v);
      ASSERT_EQ(ToUtf8(text), Reference(v)) << std::hex << bits;
      std::optional<long double> back = ParseReal(text);
      ASSERT_TRUE(back.has_value()) << ToUtf8(text);
      ASSERT_EQ(std::bit_cast<uint32_t>(static_cast<float>(*back)), std::bit_cast<uint32_t>(v))
          << ToUtf8(text);
      // Where long double is the 64-bit format the texts read back as well.
      std::optional<double> narrow = ParseRealAs<double>(text);
      ASSERT_TRUE(narrow.has_value()) << ToUtf8(text);
      ASSERT_EQ(std::bit_cast<uint32_t>(static_cast<float>(*narrow)), std::bit_cast<uint32_t>(v))
          << ToUtf8(text);
      ++checked;
    }
  }
  EXPECT_GT(checked, 60000);
}

TEST(ParseReal, AcceptsAndRefuses) {
  EXPECT_EQ(ParseReal(u"1.5"), 1.5L);
  EXPECT_EQ(ParseReal(u" 1.5 "), 1.5L);
  EXPECT_EQ(ParseReal(u"+1.5"), 1.5L);
  EXPECT_EQ(ParseReal(u"-1.5"), -1.5L);
  EXPECT_EQ(ParseReal(u".5"), 0.5L);
  EXPECT_EQ(ParseReal(u"5."), 5.0L);
  EXPECT_EQ(ParseReal(u"."), 0.0L);
  EXPECT_EQ(ParseReal(u"1.5E+2"), 150.0L);
  EXPECT_EQ(ParseReal(u"1e"), 1.0L);
  EXPECT_EQ(ParseReal(u"25e-1"), 2.5L);
  for (std::u16string_view refused : {u"", u"+", u"-", u"1,5", u"1.5.2", u"1.5x", u"INF", u"NAN",
                                      u"1 5", u"e5", u"1e5000", u"1e99999"}) {
    EXPECT_EQ(ParseReal(refused), std::nullopt) << ToUtf8(std::u16string(refused));
  }
  // Far outside the float range but inside the extended range: accepted,
  // the writer rounds it.
  EXPECT_TRUE(ParseReal(u"1e400").has_value());
  // A long run of digits does not overflow.
  EXPECT_EQ(ParseReal(std::u16string(6000, u'1')), std::nullopt);
  // Huge mantissas with small exponents and the reverse meet in range.
  EXPECT_EQ(ParseReal(u"1" + std::u16string(400, u'0') + u"e-400"), 1.0L);
  EXPECT_EQ(ParseReal(u"0." + std::u16string(399, u'0') + u"1e400"), 1.0L);
  EXPECT_EQ(ParseRealAs<double>(u"1" + std::u16string(400, u'0') + u"e-400"), 1.0);
  EXPECT_EQ(ParseRealAs<double>(u"1e-320"), 1e-320);
  EXPECT_EQ(ParseRealAs<double>(u"1e400"), std::nullopt);
  EXPECT_EQ(ParseRealAs<double>(u"1,5"), std::nullopt);
}

// What a float cell is saved as: FormatReal's texts for NaN and the
// infinities come back as those values, nothing else that is not a number.
TEST(ParseStoredFloat, KeepsFormatRealsNonFiniteTexts) {
  EXPECT_TRUE(std::isnan(*ParseStoredFloat(FormatReal(std::numeric_limits<float>::quiet_NaN()))));
  EXPECT_EQ(ParseStoredFloat(u"INF"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(ParseStoredFloat(u"-INF"), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(ParseStoredFloat(u"1.5"), 1.5f);
  for (std::u16string_view refused : {u"inf", u" INF", u"+INF", u"INF ", u"-NAN", u"1e39", u""}) {
    EXPECT_EQ(ParseStoredFloat(refused), std::nullopt) << ToUtf8(std::u16string(refused));
  }
}

TEST(AsciiLower, OnlyAsciiLettersChange) {
  EXPECT_EQ(AsciiLower(u"ABCxyz_09"), u"abcxyz_09");
  EXPECT_EQ(AsciiLower(u"ÄÖÜ Straße"), u"ÄÖÜ straße");
}

}  // namespace
}  // namespace tessary

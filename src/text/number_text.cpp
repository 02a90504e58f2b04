#include "text/number_text.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tessary {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Ten to the power n, by squaring so that large exponents cost a few
// multiplications.
template <typename Real>
Real PowerOfTen(int n) {
  Real result = 1;
  Real base = 10;
  while (n > 0) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return result;
}

// The decimal digits of n without leading zeros (n > 0); returns the count.
int DecimalDigits(unsigned __int128 n, char* out) {
  constexpr uint64_t kTen19 = 10000000000000000000u;
  uint64_t parts[3];
  int count = 0;
  while (n >> 64 != 0) {
    parts[count++] = static_cast<uint64_t>(n % kTen19);
    n /= kTen19;
  }
  char* p = std::to_chars(out, out + 20, static_cast<uint64_t>(n)).ptr;
  while (count > 0) {
    // Lower parts are 19 digits wide, zeros in front.
    char part[19];
    char* end = std::to_chars(part, part + 19, parts[--count]).ptr;
    const auto width = static_cast<size_t>(end - part);
    std::memset(p, '0', 19 - width);
    std::memcpy(p + 19 - width, part, width);
    p += 19;
  }
  return static_cast<int>(p - out);
}

// The first 18 significant digits of a positive finite float's exact value,
// correctly rounded (to even on a tie), and the exponent E with value =
// 0.d1d2... x 10^E. The exact value m x 2^e is an integer of at most 128
// bits, or for e from -44 to -1 the integer m x 5^-e scaled by 10^e; smaller
// values take the library's exact conversion, which is slower.
int ExactDigits18(float value, char digits[18]) {
  int binaryExponent = 0;
  const float fraction = std::frexp(value, &binaryExponent);
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 24));
  const int e = binaryExponent - 24;  // value = mantissa x 2^e
  if (e < -44) {
    // d.ddddddddddddddddde-x
    char buf[40];
    const char* end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value),
                                    std::chars_format::scientific, 17)
                          .ptr;
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, 17);
    int decimalExponent = 0;
    std::from_chars(buf + 20, end, decimalExponent);  // takes the minus sign
    return decimalExponent + 1;
  }
  static constexpr auto kPowersOfFive = [] {
    std::array<unsigned __int128, 45> powers{};
    powers[0] = 1;
    for (size_t k = 1; k < powers.size(); ++k) powers[k] = powers[k - 1] * 5;
    return powers;
  }();
  unsigned __int128 n = mantissa;
  int scale = 0;  // value = n x 10^-scale
  if (e >= 0) {
    n <<= e;
  } else {
    n *= kPowersOfFive[static_cast<size_t>(-e)];
    scale = -e;
  }
  char all[40];
  const int length = DecimalDigits(n, all);
  int exponent = length - scale;
  if (length <= 18) {
    std::memcpy(digits, all, static_cast<size_t>(length));
    std::memset(digits + length, '0', static_cast<size_t>(18 - length));
    return exponent;
  }
  std::memcpy(digits, all, 18);
  bool rest = false;  // a non-zero digit after the 19th
  for (int k = 19; k < length && !rest; ++k) rest = all[k] != '0';
  const char next = all[18];
  const bool up = next > '5' || (next == '5' && (rest || (digits[17] - '0') % 2 == 1));
  if (up) {
    int k = 17;
    while (k >= 0 && digits[k] == '9') digits[k--] = '0';
    if (k >= 0) {
      ++digits[k];
    } else {
      digits[0] = '1';
      ++exponent;
    }
  }
  return exponent;
}

}  // namespace

size_t FormatIntegerTo(int32_t value, char16_t* out) {
  char buf[16];
  const char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  std::copy(static_cast<const char*>(buf), end, out);
  return static_cast<size_t>(end - buf);
}

std::u16string FormatInteger(int32_t value) {
  char16_t out[kNumberTextUnits];
  return std::u16string(out, FormatIntegerTo(value, out));
}

std::optional<int32_t> ParseInteger(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) return std::nullopt;

  size_t hexStart = 0;
  if (text[i] == u'$' || text[i] == u'x' || text[i] == u'X') {
    hexStart = i + 1;
  } else if (text[i] == u'0' && i + 1 < text.size() &&
             (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hexStart = i + 2;
  }
  if (hexStart != 0) {
    if (hexStart >= text.size()) return std::nullopt;
    uint32_t value = 0;
    for (size_t k = hexStart; k < text.size(); ++k) {
      int digit = HexValue(text[k]);
      if (digit < 0 || value > 0x0FFFFFFFu) return std::nullopt;
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
  }

  uint32_t value = 0;
  for (size_t k = i; k < text.size(); ++k) {
    if (!IsDigit(text[k]) || value > 214748364u) return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(text[k] - u'0');
  }
  if (!negative && value > 2147483647u) return std::nullopt;
  if (negative && value > 2147483648u) return std::nullopt;
  return static_cast<int32_t>(negative ? 0u - value : value);
}

std::u16string FormatReal(float value) {
  char16_t out[kNumberTextUnits];
  return std::u16string(out, FormatRealTo(value, out));
}

size_t FormatRealTo(float value, char16_t* out) {
  auto put = [out](std::u16string_view text) { return text.copy(out, text.size()); };
  if (std::isnan(value)) return put(u"NAN");
  if (std::isinf(value)) return put(value < 0 ? u"-INF" : u"INF");
  if (value == 0) return put(u"0");

  char digits[18];
  int exponent = ExactDigits18(std::fabs(value), digits);  // value = 0.d1d2... x 10^exponent

  // Round to 15 digits looking at the 16th digit only.
  int count = 15;
  if (digits[15] >= '5') {
    int k = 14;
    while (k >= 0 && digits[k] == '9') {
      digits[k] = '0';
      --k;
    }
    if (k >= 0) {
      ++digits[k];
    } else {
      digits[0] = '1';
      for (int j = 1; j < 15; ++j) digits[j] = '0';
      ++exponent;
    }
  }
  while (count > 1 && digits[count - 1] == '0') --count;

  // At most a sign, 15 digits, "0." with three zeros, or "." with "E-46".
  char16_t* p = out;
  if (value < 0) *p++ = u'-';
  if (exponent > 15 || exponent < -3) {
    *p++ = static_cast<char16_t>(digits[0]);
    if (count > 1) {
      *p++ = u'.';
      for (int k = 1; k < count; ++k) *p++ = static_cast<char16_t>(digits[k]);
    }
    *p++ = u'E';
    char buf[8];
    const char* end = std::to_chars(buf, buf + sizeof buf, exponent - 1).ptr;
    for (const char* c = buf; c != end; ++c) *p++ = static_cast<char16_t>(*c);
  } else if (exponent >= 1) {
    for (int k = 0; k < exponent; ++k) *p++ = static_cast<char16_t>(k < count ? digits[k] : '0');
    if (count > exponent) {
      *p++ = u'.';
      for (int k = exponent; k < count; ++k) *p++ = static_cast<char16_t>(digits[k]);
    }
  } else {
    *p++ = u'0';
    *p++ = u'.';
    for (int k = 0; k < -exponent; ++k) *p++ = u'0';
    for (int k = 0; k < count; ++k) *p++ = static_cast<char16_t>(digits[k]);
  }
  return static_cast<size_t>(p - out);
}

template <typename Real>
std::optional<Real> ParseRealAs(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  Real mantissa = 0;
  int scale = 0;  // power of ten to apply to the mantissa
  bool any = false;
  // Digits beyond what extended precision holds only move the scale, so a
  // long run of digits cannot overflow the mantissa.
  auto addDigit = [&](char16_t c, bool fraction) {
    if (mantissa < Real(1e19)) {
      mantissa = mantissa * 10 + (c - u'0');
      if (fraction) --scale;
    } else if (!fraction) {
      ++scale;
    }
  };
  while (i < text.size() && IsDigit(text[i])) {
    addDigit(text[i++], false);
    any = true;
  }
  if (i < text.size() && text[i] == u'.') {
    any = true;
    ++i;
    while (i < text.size() && IsDigit(text[i])) addDigit(text[i++], true);
  }
  if (!any) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      negativeExponent = text[i] == u'-';
      ++i;
    }
    int exponent = 0;
    while (i < text.size() && IsDigit(text[i]) && exponent < 500)
      exponent = exponent * 10 + (text[i++] - u'0');
    scale += negativeExponent ? -exponent : exponent;
  }
  while (i < text.size() && text[i] == u' ') ++i;
  if (i != text.size()) return std::nullopt;

  Real value = mantissa;
  if (value != 0 && scale != 0) {
    // Scale in steps whose power stays finite in the type at hand (4932 for
    // the 80-bit format, 308 where long double is the 64-bit format).
    constexpr int kMaxStep = std::numeric_limits<Real>::max_exponent10;
    int magnitude = scale < 0 ? -scale : scale;
    while (magnitude > 0) {
      int step = magnitude > kMaxStep ? kMaxStep : magnitude;
      Real power = PowerOfTen<Real>(step);
      value = scale < 0 ? value / power : value * power;
      magnitude -= step;
    }
  }
  if (std::isinf(value)) return std::nullopt;
  return negative ? -value : value;
}

template std::optional<double> ParseRealAs<double>(std::u16string_view);
template std::optional<long double> ParseRealAs<long double>(std::u16string_view);

std::optional<long double> ParseReal(std::u16string_view text) {
  return ParseRealAs<long double>(text);
}

std::optional<float> ParseStoredFloat(std::u16string_view text) {
  if (text == u"NAN") return std::numeric_limits<float>::quiet_NaN();
  if (text == u"INF") return std::numeric_limits<float>::infinity();
  if (text == u"-INF") return -std::numeric_limits<float>::infinity();
  const std::optional<long double> real = ParseReal(text);
  if (!real) return std::nullopt;
  const auto value = static_cast<float>(*real);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

}  // namespace tessary

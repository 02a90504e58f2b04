#include "xls/regional_settings.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>

#include <array>
#include <memory>
#include <string_view>

namespace tessary {
namespace {

std::u16string ToU16(const icu::UnicodeString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.getBuffer()),
                        static_cast<size_t>(s.length()));
}

bool IsBlankLike(char16_t c) {
  return c == u' ' || c == u'\u00A0' || c == u'\u202F' || c == u'\u2009';
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Turns an ICU date or time pattern into the picture syntax of the settings.
// Quoted literals are kept, blank-like characters become blanks, fields
// without a counterpart (era, weekday, zone) are dropped.
std::u16string ConvertPattern(std::u16string_view pattern) {
  std::u16string out;
  size_t i = 0;
  while (i < pattern.size()) {
    char16_t c = pattern[i];
    if (c == u'\'') {
      size_t end = pattern.find(u'\'', i + 1);
      if (end == std::u16string_view::npos) end = pattern.size();
      if (end == i + 1) {
        out += u'\'';
      } else {
        out.append(pattern.substr(i + 1, end - i - 1));
      }
      i = end + 1;
      continue;
    }
    if (!IsAsciiLetter(c)) {
      out += IsBlankLike(c) ? u' ' : c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    i += run;
    switch (c) {
      case u'y':
      case u'u':
      case u'Y':
        out += u"yyyy";
        break;
      case u'M':
      case u'L':
        out += run == 1 ? u"M" : run == 2 ? u"MM" : run == 3 ? u"MMM" : u"MMMM";
        break;
      case u'd':
        out += run == 1 ? u"d" : u"dd";
        break;
      case u'h':
      case u'K':
        out += run == 1 ? u"h" : u"hh";
        break;
      case u'H':
      case u'k':
        out += run == 1 ? u"H" : u"HH";
        break;
      case u'm':
        out += u"mm";
        break;
      case u's':
        out += u"ss";
        break;
      case u'a':
      case u'b':
      case u'B':
        out += u"AMPM";
        break;
      default:
        break;  // era, weekday, zone: not part of the short picture
    }
  }
  // Dropped fields can leave blanks at the ends.
  size_t first = out.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  size_t last = out.find_last_not_of(u' ');
  return out.substr(first, last - first + 1);
}

// The first character between fields that is neither a letter nor a blank.
std::u16string FirstSeparator(std::u16string_view picture, std::u16string_view fallback) {
  for (char16_t c : picture) {
    if (!IsAsciiLetter(c) && c != u' ' && c != u',') return std::u16string(1, c);
  }
  return std::u16string(fallback);
}

// Reduces a currency pattern to the tokens that tell the placement of the
// symbol, the minus sign, parentheses and blanks around the number N.
std::u16string CurrencyShape(std::u16string_view pattern) {
  std::u16string shape;
  bool number = false;
  bool quoted = false;
  for (char16_t c : pattern) {
    if (c == u'\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (c == u'#' || c == u'0' || c == u',' || c == u'.' || (c >= u'1' && c <= u'9')) {
      if (!number) shape += u'N';
      number = true;
      continue;
    }
    if (c == u'\u00A4') {
      shape += u'$';
    } else if (c == u'-' || c == u'\u2212') {
      shape += u'-';
    } else if (c == u'(' || c == u')') {
      shape += c;
    } else if (IsBlankLike(c)) {
      if (!shape.empty() && shape.back() != u' ') shape += u' ';
    }
  }
  while (!shape.empty() && shape.back() == u' ') shape.pop_back();
  while (!shape.empty() && shape.front() == u' ') shape.erase(0, 1);
  return shape;
}

constexpr std::array<std::u16string_view, 16> kNegativeShapes = {
    u"($N)", u"-$N",  u"$-N",  u"$N-",  u"(N$)", u"-N$",  u"N-$",   u"N$-",
    u"-N $", u"-$ N", u"N $-", u"$ N-", u"$ -N", u"N- $", u"($ N)", u"(N $)"};

void FillCurrency(const icu::Locale& locale, TRegionalSettings& s) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(
      icu::NumberFormat::createCurrencyInstance(locale, status));
  auto* decimal = dynamic_cast<icu::DecimalFormat*>(format.get());
  if (U_FAILURE(status) || decimal == nullptr) return;
  icu::UnicodeString pattern;
  decimal->toPattern(pattern);
  std::u16string full = ToU16(pattern);
  size_t semicolon = full.find(u';');
  std::u16string positive = full.substr(0, semicolon);
  std::u16string negative =
      semicolon == std::u16string::npos ? u"-" + positive : full.substr(semicolon + 1);

  std::u16string shape = CurrencyShape(positive);
  if (shape == u"$N")
    s.CurrencyPositionMode = 0;
  else if (shape == u"N$")
    s.CurrencyPositionMode = 1;
  else if (shape == u"$ N")
    s.CurrencyPositionMode = 2;
  else if (shape == u"N $")
    s.CurrencyPositionMode = 3;

  static constexpr int kFallbackByPosition[4] = {1, 5, 9, 8};
  s.NegativeCurrencyMode = kFallbackByPosition[s.CurrencyPositionMode];
  std::u16string negativeShape = CurrencyShape(negative);
  for (size_t mode = 0; mode < kNegativeShapes.size(); ++mode) {
    if (negativeShape == kNegativeShapes[mode]) {
      s.NegativeCurrencyMode = static_cast<int>(mode);
      break;
    }
  }
  s.CurrencyDecimals = decimal->getMinimumFractionDigits();
}

}  // namespace

TRegionalSettings TRegionalSettings::ForLocale(const char* icuLocaleName) {
  TRegionalSettings s;
  icu::Locale locale(icuLocaleName);
  if (locale.isBogus()) return s;
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    s.ThousandSeparator =
        ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
    std::u16string currency = ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kCurrencySymbol));
    if (!currency.empty()) s.CurrencySymbol = currency;
  }
  FillCurrency(locale, s);

  std::unique_ptr<icu::DateFormat> date(
      icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(date.get())) {
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    std::u16string picture = ConvertPattern(ToU16(pattern));
    if (!picture.empty()) {
      s.ShortDateFormat = picture;
      s.DateSeparator = FirstSeparator(picture, u"/");
    }
  }
  std::unique_ptr<icu::DateFormat> time(
      icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(time.get())) {
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    std::u16string picture = ConvertPattern(ToU16(pattern));
    if (!picture.empty()) {
      s.ShortTimeFormat = picture;
      s.TimeSeparator = FirstSeparator(picture, u":");
    }
  }
  status = U_ZERO_ERROR;
  icu::DateFormatSymbols dateSymbols(locale, status);
  if (U_SUCCESS(status)) {
    int32_t count = 0;
    const icu::UnicodeString* ampm = dateSymbols.getAmPmStrings(count);
    if (ampm != nullptr && count >= 2) {
      s.AMText = ToU16(ampm[0]);
      s.PMText = ToU16(ampm[1]);
    }
  }
  return s;
}

TRegionalSettings TRegionalSettings::FromUserLocale() {
  return ForLocale(icu::Locale::getDefault().getName());
}

std::u16string BuiltinDateFormat(const TRegionalSettings& settings) {
  const std::u16string& sep = settings.DateSeparator;
  for (char16_t c : settings.ShortDateFormat) {
    switch (c) {
      case u'y':
      case u'Y':
        return u"YYYY" + sep + u"mm" + sep + u"dd";
      case u'm':
      case u'M':
        return u"mm" + sep + u"dd" + sep + u"YYYY";
      case u'd':
      case u'D':
        return u"dd" + sep + u"mm" + sep + u"YYYY";
      default:
        break;
    }
  }
  return u"mm/dd/YYYY";
}

std::u16string BuiltinDateTimeFormat(const TRegionalSettings& settings) {
  for (char16_t c : settings.ShortDateFormat) {
    if (c == u'y' || c == u'Y' || c == u'm' || c == u'M' || c == u'd' || c == u'D') {
      return BuiltinDateFormat(settings) + u" hh" + settings.TimeSeparator + u"mm";
    }
  }
  return u"mm/dd/YYYY hh:mm";
}

std::u16string CurrencyFormat(const TRegionalSettings& settings, bool withDecimals) {
  std::u16string n = u"###,###";
  if (withDecimals) {
    n += u'.';
    n.append(static_cast<size_t>(std::max(settings.CurrencyDecimals, 0)), u'0');
  }
  const std::u16string& cur = settings.CurrencySymbol;
  std::u16string p;
  switch (settings.CurrencyPositionMode) {
    case 1:
      p = n + cur;
      break;
    case 2:
      p = cur + u"\\ " + n;
      break;
    case 3:
      p = n + u"\\ " + cur;
      break;
    default:
      p = cur + n;
      break;
  }
  switch (settings.NegativeCurrencyMode) {
    case 1:
      return p + u";[Red]-" + cur + n;
    case 2:
      return p + u";[Red]" + cur + u"-" + n;
    case 3:
      return p + u";[Red]" + cur + n + u"-";
    case 4:
      return p + u"_);[Red]\\(" + n + cur + u"\\)";
    case 5:
      return p + u";[Red]-" + n + cur;
    case 6:
      return p + u";[Red]" + n + u"-" + cur;
    case 7:
      return p + u";[Red]" + n + cur + u"-";
    case 8:
      return p + u";[Red]-" + n + u"\\ " + cur;
    case 9:
      return p + u";[Red]-" + cur + u"\\ " + n;
    case 10:
      return p + u";[Red]" + n + u"\\ " + cur + u"-";
    case 11:
      return p + u";[Red]" + cur + u"\\ " + n + u"-";
    case 12:
      return p + u";[Red]" + cur + u"\\ -" + n;
    case 13:
      return p + u";[Red]" + n + u"-\\ " + cur;
    case 14:
      return p + u"_);[Red]\\(" + cur + u"\\ " + n + u"\\)";
    case 15:
      return p + u"_);[Red]\\(" + n + u"\\ " + cur + u"\\)";
    default:
      return p + u"_);[Red]\\(" + cur + n + u"\\)";
  }
}

}  // namespace tessary

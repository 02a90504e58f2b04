#include "xls/regional_settings.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>

#include <algorithm>
#include <array>
#include <cstdlib>
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

// Characters that a date or time format shows as themselves unquoted.
bool IsPlainDateLiteral(char16_t c) {
  return c == u' ' || c == u'.' || c == u',' || c == u'/' || c == u'-' || c == u':' || c == u'(' ||
         c == u')';
}

// Characters that a number format shows as themselves unquoted.
bool IsPlainNumberLiteral(char16_t c) {
  return std::u16string_view(u"$-+/():!^&'~{}<>= ").find(c) != std::u16string_view::npos;
}

// `text` as literal text of a format: unchanged when every character is
// plain, else quoted, or escaped character by character when it holds a
// quote.
std::u16string Literal(std::u16string_view text, bool (*plain)(char16_t)) {
  if (std::all_of(text.begin(), text.end(), plain)) return std::u16string(text);
  if (text.find(u'"') == std::u16string_view::npos) return u"\"" + std::u16string(text) + u"\"";
  std::u16string out;
  for (char16_t c : text) {
    out += u'\\';
    out += c;
  }
  return out;
}

// Calls `visit` for each character of a format outside quoted parts and
// backslash escapes.
template <typename Visit>
void ForEachUnquoted(std::u16string_view format, Visit visit) {
  bool quoted = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && c == u'\\') {
      ++i;
    } else if (!quoted && !visit(c)) {
      return;
    }
  }
}

// Turns an ICU date or time pattern into the picture syntax of the settings.
// Literal text keeps its place; what is not a plain separator goes in
// double quotes, so that spreadsheet programs show it. Blank-like
// characters become blanks; fields without a counterpart (era, weekday,
// zone) are dropped.
std::u16string ConvertPattern(std::u16string_view pattern) {
  std::u16string out;
  std::u16string literal;
  const auto flushLiteral = [&] {
    out += Literal(literal, IsPlainDateLiteral);
    literal.clear();
  };
  size_t i = 0;
  while (i < pattern.size()) {
    char16_t c = pattern[i];
    if (c == u'\'') {
      size_t end = pattern.find(u'\'', i + 1);
      if (end == std::u16string_view::npos) end = pattern.size();
      if (end == i + 1) {
        literal += u'\'';
      } else {
        for (char16_t q : pattern.substr(i + 1, end - i - 1)) literal += IsBlankLike(q) ? u' ' : q;
      }
      i = end + 1;
      continue;
    }
    if (!IsAsciiLetter(c)) {
      literal += IsBlankLike(c) ? u' ' : c;
      ++i;
      continue;
    }
    flushLiteral();
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
  flushLiteral();
  // Dropped fields can leave blanks at the ends.
  size_t first = out.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  size_t last = out.find_last_not_of(u' ');
  return out.substr(first, last - first + 1);
}

// The first character between fields that is neither a letter nor a blank,
// quoted text left out.
std::u16string FirstSeparator(std::u16string_view picture, std::u16string_view fallback) {
  std::u16string found(fallback);
  ForEachUnquoted(picture, [&](char16_t c) {
    if (IsAsciiLetter(c) || c == u' ' || c == u',') return true;
    found.assign(1, c);
    return false;
  });
  return found;
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

void FillNumeric(const icu::Locale& locale, TRegionalSettings& s) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    s.ThousandSeparator =
        ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
  }
}

void FillMonetary(const icu::Locale& locale, TRegionalSettings& s) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    std::u16string currency = ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kCurrencySymbol));
    if (!currency.empty()) s.CurrencySymbol = currency;
  }
  FillCurrency(locale, s);
}

void FillTime(const icu::Locale& locale, TRegionalSettings& s) {
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
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols dateSymbols(locale, status);
  if (U_SUCCESS(status)) {
    int32_t count = 0;
    const icu::UnicodeString* ampm = dateSymbols.getAmPmStrings(count);
    if (ampm != nullptr && count >= 2) {
      s.AMText = ToU16(ampm[0]);
      s.PMText = ToU16(ampm[1]);
    }
  }
}

}  // namespace

TRegionalSettings TRegionalSettings::ForLocale(const char* icuLocaleName) {
  return ForCategories(icuLocaleName, icuLocaleName, icuLocaleName);
}

TRegionalSettings TRegionalSettings::ForCategories(const char* monetary, const char* numeric,
                                                   const char* time) {
  TRegionalSettings s;
  const icu::Locale monetaryLocale(monetary);
  if (!monetaryLocale.isBogus()) FillMonetary(monetaryLocale, s);
  const icu::Locale numericLocale(numeric);
  if (!numericLocale.isBogus()) FillNumeric(numericLocale, s);
  const icu::Locale timeLocale(time);
  if (!timeLocale.isBogus()) FillTime(timeLocale, s);
  return s;
}

TRegionalSettings TRegionalSettings::FromEnvironment(const TEnvironmentLookup& env) {
  const std::string monetary = IcuLocaleName(PosixLocaleName("LC_MONETARY", env));
  const std::string numeric = IcuLocaleName(PosixLocaleName("LC_NUMERIC", env));
  const std::string time = IcuLocaleName(PosixLocaleName("LC_TIME", env));
  return ForCategories(monetary.c_str(), numeric.c_str(), time.c_str());
}

TRegionalSettings TRegionalSettings::FromUserLocale() {
  return FromEnvironment([](const char* name) -> const char* { return std::getenv(name); });
}

std::string PosixLocaleName(const char* category, const TEnvironmentLookup& env) {
  for (const char* name : {"LC_ALL", category, "LANG"}) {
    const char* value = env(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

std::string IcuLocaleName(std::string_view posixName) {
  const std::string_view base = posixName.substr(0, posixName.find_first_of(".@"));
  if (base.empty() || base == "C" || base == "POSIX") return "en_US_POSIX";
  return std::string(base);
}

std::u16string FormatLiteral(std::u16string_view text) {
  return Literal(text, IsPlainNumberLiteral);
}

// The first of y, m, d (either case) in the short date format outside
// quoted text, upper-cased; 0 when there is none.
static char16_t FirstDateField(const TRegionalSettings& settings) {
  char16_t field = 0;
  ForEachUnquoted(settings.ShortDateFormat, [&](char16_t c) {
    const char16_t upper = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    if (upper != u'Y' && upper != u'M' && upper != u'D') return true;
    field = upper;
    return false;
  });
  return field;
}

std::u16string BuiltinDateFormat(const TRegionalSettings& settings) {
  const std::u16string sep = Literal(settings.DateSeparator, IsPlainDateLiteral);
  switch (FirstDateField(settings)) {
    case u'Y':
      return u"YYYY" + sep + u"mm" + sep + u"dd";
    case u'M':
      return u"mm" + sep + u"dd" + sep + u"YYYY";
    case u'D':
      return u"dd" + sep + u"mm" + sep + u"YYYY";
    default:
      return u"mm/dd/YYYY";
  }
}

std::u16string BuiltinDateTimeFormat(const TRegionalSettings& settings) {
  if (FirstDateField(settings) == 0) return u"mm/dd/YYYY hh:mm";
  return BuiltinDateFormat(settings) + u" hh" +
         Literal(settings.TimeSeparator, IsPlainDateLiteral) + u"mm";
}

std::u16string CurrencyFormat(const TRegionalSettings& settings, bool withDecimals) {
  std::u16string n = u"###,###";
  if (withDecimals) {
    n += u'.';
    n.append(static_cast<size_t>(std::max(settings.CurrencyDecimals, 0)), u'0');
  }
  const std::u16string cur = FormatLiteral(settings.CurrencySymbol);
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

// The user's regional conventions that the export needs: thousands
// separator, currency, short date and time formats and their separators.
// Filled from a locale through ICU; tests build their own.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessary {

// An environment variable's value, or nullptr when it is not set.
using TEnvironmentLookup = std::function<const char*(const char* name)>;

struct TRegionalSettings {
  std::u16string ThousandSeparator = u",";
  std::u16string CurrencySymbol = u"$";
  // 0: $1, 1: 1$, 2: $ 1, 3: 1 $.
  int CurrencyPositionMode = 0;
  // 0 to 15 in the platform's order: 0 ($1), 1 -$1, 2 $-1, 3 $1-, 4 (1$),
  // 5 -1$, 6 1-$, 7 1$-, 8 -1 $, 9 -$ 1, 10 1 $-, 11 $ 1-, 12 $ -1,
  // 13 1- $, 14 ($ 1), 15 (1 $).
  int NegativeCurrencyMode = 1;
  int CurrencyDecimals = 2;
  // Picture formats: d, dd, M, MM, MMM, yy, yyyy; h, hh (12-hour),
  // H, HH (24-hour), mm, ss, and AMPM for the day-half marker; literal
  // text other than separators and blanks in double quotes.
  std::u16string ShortDateFormat = u"M/d/yyyy";
  std::u16string ShortTimeFormat = u"h:mm AMPM";
  std::u16string DateSeparator = u"/";
  std::u16string TimeSeparator = u":";
  std::u16string AMText = u"AM";
  std::u16string PMText = u"PM";

  // The user's settings, from the process environment (FromEnvironment).
  static TRegionalSettings FromUserLocale();
  // Each convention from the locale of its POSIX category: the currency
  // from LC_MONETARY, the thousands separator from LC_NUMERIC, dates and
  // times from LC_TIME (see PosixLocaleName).
  static TRegionalSettings FromEnvironment(const TEnvironmentLookup& env);
  // The settings of a named locale ("en_US", "de_DE", "ja_JP", ...); the
  // defaults above where the locale data has nothing.
  static TRegionalSettings ForLocale(const char* icuLocaleName);
  // The same with one locale per category (ICU names).
  static TRegionalSettings ForCategories(const char* monetary, const char* numeric,
                                         const char* time);
};

// The locale a POSIX category ("LC_MONETARY", "LC_NUMERIC", "LC_TIME")
// takes: LC_ALL when set and not empty, else the category's variable when
// set and not empty, else LANG when set and not empty, else "C".
std::string PosixLocaleName(const char* category, const TEnvironmentLookup& env);

// The ICU name of a POSIX locale name: "de_CH.UTF-8" and "de_DE@euro" give
// "de_CH" and "de_DE"; "C" and "POSIX" (with or without a codeset) give
// "en_US_POSIX".
std::string IcuLocaleName(std::string_view posixName);

// Text that a number format shows as it stands: as it is when each of its
// characters shows as itself in a format ("$", "-", "/", blanks, ...),
// else in double quotes, or with a backslash before each character when it
// holds a double quote itself.
std::u16string FormatLiteral(std::u16string_view text);

// Built-in number format 14 (the short date) and 22 (short date and time)
// of a workbook, derived from the short date format's field order.
std::u16string BuiltinDateFormat(const TRegionalSettings& settings);
std::u16string BuiltinDateTimeFormat(const TRegionalSettings& settings);

// The number format of a currency amount: "###,###" with the decimals when
// the typed number had a decimal separator, the symbol (as a FormatLiteral)
// placed by the position mode and the negative part by the negative mode.
std::u16string CurrencyFormat(const TRegionalSettings& settings, bool withDecimals);

}  // namespace tessary

// The user's regional conventions that the export needs: thousands
// separator, currency, short date and time formats and their separators.
// Filled from a locale through ICU; tests build their own.
#pragma once

#include <string>

namespace tessary {

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
  // H, HH (24-hour), mm, ss, and AMPM for the day-half marker.
  std::u16string ShortDateFormat = u"M/d/yyyy";
  std::u16string ShortTimeFormat = u"h:mm AMPM";
  std::u16string DateSeparator = u"/";
  std::u16string TimeSeparator = u":";
  std::u16string AMText = u"AM";
  std::u16string PMText = u"PM";

  // The settings of the process's default locale (the user's).
  static TRegionalSettings FromUserLocale();
  // The settings of a named locale ("en_US", "de_DE", "ja_JP", ...); the
  // defaults above where the locale data has nothing.
  static TRegionalSettings ForLocale(const char* icuLocaleName);
};

// Built-in number format 14 (the short date) and 22 (short date and time)
// of a workbook, derived from the short date format's field order.
std::u16string BuiltinDateFormat(const TRegionalSettings& settings);
std::u16string BuiltinDateTimeFormat(const TRegionalSettings& settings);

// The number format of a currency amount: "###,###" with the decimals when
// the typed number had a decimal separator, the symbol placed by the
// position mode and the negative part by the negative mode.
std::u16string CurrencyFormat(const TRegionalSettings& settings, bool withDecimals);

}  // namespace tessary

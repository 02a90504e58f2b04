// Reads arbitrary text as the export reads a cell: the general conversion
// (numbers, percentages, currency, Booleans, dates and times), the date and
// time reader on its own, the typed conversion of each column type and the
// preparation of rich text and markup.
//
// The first byte chooses the regional settings and how the rest is read:
// the letter A (or a) the first settings below, B the second, and so on
// (any byte: (byte - 1) & 0x1F, modulo their number); a lower-case letter
// (bit 0x20) passes explicit date and time formats; bit 0x80 reads the rest
// as UTF-16LE code units instead of UTF-8. So the corpus file "B1.234,56 €"
// is a German currency amount read with the regional formats.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/utf16.h"
#include "xls/cell_text_value.h"
#include "xls/date_parser.h"
#include "xls/regional_settings.h"

using namespace tessary;

namespace {

const std::vector<TRegionalSettings>& AllSettings() {
  static const std::vector<TRegionalSettings> settings = [] {
    std::vector<TRegionalSettings> all;
    for (const char* locale :
         {"en_US", "de_DE", "fr_FR", "en_GB", "ja_JP", "de_CH", "ru_RU", "pl_PL",
          "nl_NL", "sv_SE", "it_IT", "pt_BR", "fi_FI", "ko_KR", "zh_CN", "hi_IN",
          "ar_EG", "fr_CH", "es_ES", "da_DK", "cs_CZ", "hu_HU", "tr_TR", "en_US_POSIX"}) {
      all.push_back(TRegionalSettings::ForLocale(locale));
    }
    // Settings no locale has: empty and long separators, a currency symbol
    // that is a digit. (Date and time formats are never empty.)
    all.push_back({.ThousandSeparator = u"",
                   .CurrencySymbol = u"",
                   .DateSeparator = u"",
                   .TimeSeparator = u"",
                   .AMText = u"",
                   .PMText = u""});
    all.push_back({.ThousandSeparator = u"..",
                   .CurrencySymbol = u"1",
                   .CurrencyPositionMode = 3,
                   .NegativeCurrencyMode = 15,
                   .ShortDateFormat = u"\"y\"d.MM.yyyy",
                   .ShortTimeFormat = u"HH.mm.ss ampm",
                   .DateSeparator = u".",
                   .TimeSeparator = u"."});
    return all;
  }();
  return settings;
}

bool InDateRange(double serial) {
  static const double first = static_cast<double>(DaysSince1899(100, 1, 1));
  static const double end = static_cast<double>(DaysSince1899(10000, 1, 1));
  return std::isfinite(serial) && serial >= first && serial < end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::vector<TRegionalSettings>& all = AllSettings();
  const uint8_t choice = data[0];
  const TRegionalSettings& settings = all[((choice - 1) & 0x1F) % all.size()];
  std::u16string text;
  if (choice & 0x80) {
    for (size_t i = 1; i + 1 < size; i += 2)
      text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  } else {
    text = FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  }
  const std::u16string_view dateFormat = (choice & 0x20) ? u"dd.MM.yyyy" : u"";
  const std::u16string_view timeFormat = (choice & 0x20) ? u"HH:mm:ss" : u"";

  using TKind = TCellTextValue::TValueKind;
  const TCellTextValue value = ConvertCellText(text, settings, dateFormat, timeFormat, 2009);
  // A text that is not recognised goes out exactly as it came.
  if ((value.Kind == TKind::vkNumber && !std::isfinite(value.Number)) ||
      (value.Kind == TKind::vkDateTime &&
       (!InDateRange(value.Number) || !value.Format || value.Format->empty())) ||
      (value.Kind == TKind::vkString && (value.Text != text || value.Format))) {
    std::abort();
  }
  if (std::optional<double> serial = ParseDateTime(text, settings, 2009)) {
    if (!InDateRange(*serial)) std::abort();
  }
  for (TColumnType type : {TColumnType::ctInt, TColumnType::ctFloat, TColumnType::ctBool,
                           TColumnType::ctString, TColumnType::ctResource}) {
    const TCellTextValue typed = ConvertTypedCellText(text, type);
    const bool textType = type == TColumnType::ctString || type == TColumnType::ctResource;
    if (typed.Kind == TKind::vkNumber ? textType || !std::isfinite(typed.Number)
                                      : typed.Kind != TKind::vkString || typed.Text != text) {
      std::abort();
    }
  }
  // Every line break becomes one LF.
  const std::u16string kept = PrepareExportText(text, true);
  if (!text.starts_with(u"{\\rtf") && kept.find(u'\r') != std::u16string::npos) std::abort();
  PrepareExportText(text, false);
  return 0;
}

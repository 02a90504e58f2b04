#include "xls/cell_text_value.h"

#include <cmath>
#include <vector>

#include "text/number_text.h"
#include "text/rich_text.h"
#include "xls/date_parser.h"

namespace tessary {
namespace {

constexpr char16_t kDecimal = u'.';

std::u16string_view TrimWhite(std::u16string_view s) {
  size_t first = 0;
  while (first < s.size() && s[first] <= u' ') ++first;
  size_t last = s.size();
  while (last > first && s[last - 1] <= u' ') --last;
  return s.substr(first, last - first);
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return !prefix.empty() && s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::u16string_view s, std::u16string_view suffix) {
  return !suffix.empty() && s.size() >= suffix.size() &&
         s.substr(s.size() - suffix.size()) == suffix;
}

// Removes thousands separators when they stand every three digits before
// the decimal separator; leaves the text as it is otherwise.
void RemoveThousands(std::u16string& s, std::u16string_view t) {
  if (t.empty()) return;
  size_t dot = s.find(kDecimal);
  std::u16string_view whole = std::u16string_view(s).substr(0, dot);
  if (dot != std::u16string::npos &&
      std::u16string_view(s).substr(dot).find(t) != std::u16string_view::npos)
    return;
  if (StartsWith(s, t)) return;
  // Positions L-3, L-7, ... (1-based) hold one code unit of the separator.
  for (std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(whole.size()) - 3; pos >= 1; pos -= 4) {
    char16_t c = whole[static_cast<size_t>(pos - 1)];
    if (c != t[0] && c != u'-') return;
  }
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (s.compare(i, t.size(), t) == 0) {
      i += t.size();
    } else {
      out += s[i++];
    }
  }
  s = std::move(out);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Ten to the power n in extended precision, exactly as the library's power
// function gives it: a table of its results for every exponent a number
// text can have (the exponent stops below 5000), so that a cell costs one
// lookup; only a text with thousands of digits after its point computes
// its power.
long double PowerOfTen(int n) {
  constexpr int kTableSize = 5000;
  static const std::vector<long double> kTable = [] {
    std::vector<long double> table(kTableSize);
    for (int i = 0; i < kTableSize; ++i) table[i] = std::pow(10.0L, static_cast<long double>(i));
    return table;
  }();
  return n < kTableSize ? kTable[static_cast<size_t>(n)]
                        : std::pow(10.0L, static_cast<long double>(n));
}

// A text that the integer reader accepts with a value of 0 or more.
bool IsNonNegativeInteger(std::u16string_view s) {
  std::optional<int32_t> v = ParseInteger(s);
  return v.has_value() && *v >= 0;
}

// "1.2": two numbers joined by one full stop. "1.2.3", "1.2.3.4",
// "1.2.3.x": three leading numbers, each followed by a full stop or the end.
bool LooksLikeDottedNumbers(std::u16string_view s) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (true) {
    size_t dot = s.find(kDecimal, start);
    parts.push_back(s.substr(
        start, dot == std::u16string_view::npos ? std::u16string_view::npos : dot - start));
    if (dot == std::u16string_view::npos) break;
    start = dot + 1;
  }
  if (parts.size() == 2 && IsNonNegativeInteger(parts[0]) && IsNonNegativeInteger(parts[1]))
    return true;
  return parts.size() >= 3 && IsNonNegativeInteger(parts[0]) && IsNonNegativeInteger(parts[1]) &&
         IsNonNegativeInteger(parts[2]);
}

bool ContainsAny(std::u16string_view s, std::u16string_view chars, std::u16string_view extra) {
  if (s.find_first_of(chars) != std::u16string_view::npos) return true;
  return !extra.empty() && s.find(extra) != std::u16string_view::npos;
}

// Position of `upper` in `text` from `from`, letters compared without case.
size_t FindNoCase(std::u16string_view text, std::u16string_view upper, size_t from) {
  for (size_t i = from; i + upper.size() <= text.size(); ++i) {
    bool match = true;
    for (size_t k = 0; k < upper.size() && match; ++k) {
      char16_t c = text[i + k];
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      match = c == upper[k];
    }
    if (match) return i;
  }
  return std::u16string_view::npos;
}

std::u16string ReplaceNoCase(std::u16string_view text, std::u16string_view upper,
                             std::u16string_view by) {
  std::u16string out;
  size_t pos = 0;
  while (true) {
    const size_t hit = FindNoCase(text, upper, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(by);
    pos = hit + upper.size();
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace

std::u16string PrepareExportText(std::u16string_view text, bool keepHtmlTags) {
  std::u16string s = text.starts_with(u"{\\rtf") ? RichTextToPlain(text) : std::u16string(text);
  std::u16string lines;
  lines.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r') {
      lines += u'\n';
      if (i + 1 < s.size() && s[i + 1] == u'\n') ++i;
    } else {
      lines += s[i];
    }
  }
  if (keepHtmlTags) return lines;
  lines = ReplaceNoCase(lines, u"<BR>", u"\r\n");
  if (lines.find(u"</") == std::u16string::npos) return lines;
  std::u16string plain = RemoveHtmlTags(lines);
  plain = ReplaceNoCase(plain, u"&NBSP;", u" ");
  plain = ReplaceNoCase(plain, u"&AMP;", u"&");
  return ReplaceNoCase(plain, u"&QUOT;", u"\"");
}

std::optional<double> ParseExportNumber(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  long double mantissa = 0;
  int fractionDigits = 0;
  bool any = false;
  while (i < s.size() && IsDigit(s[i])) {
    mantissa = mantissa * 10 + (s[i] - u'0');
    ++i;
    any = true;
  }
  if (i < s.size() && s[i] == kDecimal) {
    any = true;
    ++i;
    while (i < s.size() && IsDigit(s[i])) {
      mantissa = mantissa * 10 + (s[i] - u'0');
      ++fractionDigits;
      ++i;
    }
  }
  if (!any) return std::nullopt;
  int exponent = 0;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
      negativeExponent = s[i] == u'-';
      ++i;
    }
    while (i < s.size() && IsDigit(s[i]) && exponent < 500) {
      exponent = exponent * 10 + (s[i] - u'0');
      ++i;
    }
    if (negativeExponent) exponent = -exponent;
  }
  while (i < s.size() && s[i] == u' ') ++i;
  if (i != s.size()) return std::nullopt;
  long double value = mantissa;
  int scale = exponent - fractionDigits;
  if (value != 0 && scale != 0) {
    const long double power = PowerOfTen(scale < 0 ? -scale : scale);
    value = scale < 0 ? value / power : value * power;
  }
  if (negative) value = -value;
  double result = static_cast<double>(value);
  // A value beyond the double range cannot be stored as a number cell.
  if (!std::isfinite(result)) return std::nullopt;
  return result;
}

std::u16string ExpandAmPm(std::u16string_view format) {
  std::u16string out;
  bool quoted = false;
  for (size_t i = 0; i < format.size();) {
    char16_t c = format[i];
    if (c == u'"') quoted = !quoted;
    if (!quoted && i + 4 <= format.size()) {
      bool match = true;
      static constexpr char16_t kAmPm[] = u"AMPM";
      for (size_t k = 0; k < 4; ++k) {
        char16_t u = format[i + k];
        if (u >= u'a' && u <= u'z') u = static_cast<char16_t>(u - 32);
        if (u != kAmPm[k]) match = false;
      }
      if (match) {
        out += u"AM/PM";
        i += 4;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

std::optional<std::pair<double, std::u16string>> RecogniseDateTime(
    std::u16string_view s0, const TRegionalSettings& settings, std::u16string_view dateFormat,
    std::u16string_view timeFormat, int currentYear) {
  std::u16string dateFmt(dateFormat.empty() ? std::u16string_view(settings.ShortDateFormat)
                                            : dateFormat);
  std::u16string timeFmt =
      timeFormat.empty() ? ExpandAmPm(settings.ShortTimeFormat) : std::u16string(timeFormat);
  std::optional<double> parsed = ParseDateTime(s0, settings, currentYear);
  if (!parsed) return std::nullopt;
  const double whole = std::trunc(*parsed);
  if (whole == 0 && LooksLikeDottedNumbers(s0)) return std::nullopt;
  const bool datePart = ContainsAny(s0, u"./-", settings.DateSeparator) && whole > 0;
  const bool timePart = ContainsAny(s0, u":", settings.TimeSeparator);
  if (!datePart && !timePart) return std::nullopt;
  std::u16string format;
  if (datePart) format = dateFmt;
  if (timePart) {
    if (datePart) format += u' ';
    format += timeFmt;
  }
  return std::make_pair(*parsed, format);
}

TCellTextValue ConvertCellText(std::u16string_view text, const TRegionalSettings& settings,
                               std::u16string_view dateFormat, std::u16string_view timeFormat,
                               int currentYear) {
  TCellTextValue result;
  const std::u16string_view s0 = TrimWhite(text);
  std::u16string s(s0);

  // Decorations.
  bool exponentFlag = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'e' || s[i] == u'E') {
      exponentFlag = i >= 1;
      break;
    }
  }
  bool percentFlag = false;
  bool currencyFlag = false;
  if (!s.empty() && s.front() == u'%') {
    s.erase(0, 1);
    percentFlag = true;
  } else if (s.size() > 1 && s.back() == u'%') {
    s.pop_back();
    percentFlag = true;
  } else if (StartsWith(s, settings.CurrencySymbol)) {
    s.erase(0, settings.CurrencySymbol.size());
    currencyFlag = true;
  } else if (EndsWith(s, settings.CurrencySymbol)) {
    s.erase(s.size() - settings.CurrencySymbol.size());
    currencyFlag = true;
  }

  RemoveThousands(s, settings.ThousandSeparator);

  if (std::optional<double> number = ParseExportNumber(s)) {
    result.Kind = TCellTextValue::TValueKind::vkNumber;
    result.Number = percentFlag ? *number / 100 : *number;
    const size_t dot = s.find(kDecimal);
    const bool decimalsTyped = dot != std::u16string::npos && dot >= 1;
    if (exponentFlag) {
      result.Format = u"0.00E+00";
    } else if (percentFlag) {
      result.Format = decimalsTyped ? u"0.00%" : u"0%";
    } else if (currencyFlag) {
      result.Format = CurrencyFormat(settings, decimalsTyped);
    }
    return result;
  }

  std::u16string upper(s0);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  if (upper == u"FALSE" || upper == u"TRUE") {
    result.Kind = TCellTextValue::TValueKind::vkBoolean;
    result.Boolean = upper == u"TRUE";
    return result;
  }

  if (auto date = RecogniseDateTime(s0, settings, dateFormat, timeFormat, currentYear)) {
    result.Kind = TCellTextValue::TValueKind::vkDateTime;
    result.Number = date->first;
    result.Format = std::move(date->second);
    return result;
  }

  result.Kind = TCellTextValue::TValueKind::vkString;
  result.Text = std::u16string(text);
  return result;
}

TCellTextValue ConvertTypedCellText(std::u16string_view text, TColumnType type) {
  TCellTextValue result;
  std::optional<double> number;
  switch (type) {
    case TColumnType::ctInt:
      if (std::optional<int32_t> v = ParseInteger(text)) number = *v;
      break;
    case TColumnType::ctFloat:
      if (std::optional<long double> v = ParseReal(text)) number = static_cast<double>(*v);
      break;
    case TColumnType::ctBool:
      if (std::optional<bool> v = ParseBool(text)) number = *v ? 1 : 0;
      break;
    case TColumnType::ctString:
    case TColumnType::ctResource:
      break;
  }
  if (number && std::isfinite(*number)) {
    result.Kind = TCellTextValue::TValueKind::vkNumber;
    result.Number = *number;
  } else {
    result.Text = std::u16string(text);
  }
  return result;
}

}  // namespace tessary

#include "xls/date_parser.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {
namespace {

enum class TTokenKind { tkNumber, tkWord, tkDateSep, tkTimeSep, tkDot };

struct TToken {
  explicit TToken(TTokenKind kind) : Kind(kind) {}
  TTokenKind Kind;
  int64_t Value = 0;     // Number: its value (capped)
  int Digits = 0;        // Number: count of digits
  std::u16string Text;   // Word
  bool Timeish = false;  // Dot: read as a time separator
};

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool IsBlank(char16_t c) { return c <= u' ' || c == u'\u00A0' || c == u'\u202F' || c == u','; }

char16_t FirstOr(const std::u16string& s, char16_t fallback) { return s.empty() ? fallback : s[0]; }

bool Tokenize(std::u16string_view text, const TRegionalSettings& s, std::vector<TToken>& out) {
  const char16_t dateSep = FirstOr(s.DateSeparator, u'/');
  const char16_t timeSep = FirstOr(s.TimeSeparator, u':');
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if (c >= u'0' && c <= u'9') {
      TToken t(TTokenKind::tkNumber);
      while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        if (t.Value < 1000000) t.Value = t.Value * 10 + (text[i] - u'0');
        ++t.Digits;
        ++i;
      }
      out.push_back(std::move(t));
    } else if (c == u'.') {
      // A full stop is a date or a time separator depending on its chain.
      out.emplace_back(TTokenKind::tkDot);
      ++i;
    } else if (c == u':' || c == timeSep) {
      out.emplace_back(TTokenKind::tkTimeSep);
      ++i;
    } else if (c == u'/' || c == u'-' || c == dateSep) {
      out.emplace_back(TTokenKind::tkDateSep);
      ++i;
    } else {
      TToken t(TTokenKind::tkWord);
      while (i < text.size() && !IsBlank(text[i]) && !(text[i] >= u'0' && text[i] <= u'9') &&
             text[i] != u'.' && text[i] != u':' && text[i] != u'/' && text[i] != u'-' &&
             text[i] != dateSep && text[i] != timeSep) {
        t.Text += text[i];
        ++i;
      }
      out.push_back(std::move(t));
    }
    if (out.size() > 32) return false;  // no date or time has this many parts
  }
  return true;
}

// Decides for each chain of numbers joined by full stops whether it is a
// date ("2.1.2009") or a time ("1.2.3"): a time where the locale writes
// times with full stops, or where it does not write dates with them and no
// part of the chain is a year of three or more digits.
void ClassifyDots(std::vector<TToken>& tokens, const TRegionalSettings& s) {
  const bool dotTime = FirstOr(s.TimeSeparator, u':') == u'.';
  const bool dotDate = FirstOr(s.DateSeparator, u'/') == u'.';
  size_t i = 0;
  while (i < tokens.size()) {
    if (tokens[i].Kind != TTokenKind::tkNumber) {
      ++i;
      continue;
    }
    size_t end = i;  // last number of the chain
    bool longPart = tokens[i].Digits >= 3;
    while (end + 2 < tokens.size() && tokens[end + 1].Kind == TTokenKind::tkDot &&
           tokens[end + 2].Kind == TTokenKind::tkNumber) {
      end += 2;
      longPart = longPart || tokens[end].Digits >= 3;
    }
    bool timeish = dotTime || (!dotDate && !longPart);
    for (size_t k = i; k <= end; ++k) {
      if (tokens[k].Kind == TTokenKind::tkDot) tokens[k].Timeish = timeish;
    }
    i = end + 1;
  }
  for (TToken& t : tokens) {
    if (t.Kind == TTokenKind::tkDot)
      t.Kind = t.Timeish ? TTokenKind::tkTimeSep : TTokenKind::tkDateSep;
  }
}

constexpr std::array<std::u16string_view, 12> kMonthNames = {
    u"JANUARY", u"FEBRUARY", u"MARCH",     u"APRIL",   u"MAY",      u"JUNE",
    u"JULY",    u"AUGUST",   u"SEPTEMBER", u"OCTOBER", u"NOVEMBER", u"DECEMBER"};

// 1 to 12 for an English month name or its first three letters, else 0.
int MonthFromName(std::u16string_view word) {
  if (word.size() < 3) return 0;
  for (size_t m = 0; m < kMonthNames.size(); ++m) {
    std::u16string_view full = kMonthNames[m];
    if (SameText(word, full) || SameText(word, full.substr(0, 3))) return static_cast<int>(m) + 1;
  }
  return 0;
}

// 1: morning, 2: afternoon, 0: not a day-half marker.
int DayHalf(std::u16string_view word, const TRegionalSettings& s) {
  if (SameText(word, u"AM") || SameText(word, u"A") || SameText(word, s.AMText)) return 1;
  if (SameText(word, u"PM") || SameText(word, u"P") || SameText(word, s.PMText)) return 2;
  return 0;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

struct TNumberPart {
  int64_t Value;
  int Digits;
};

int FullYear(const TNumberPart& p) {
  if (p.Digits <= 2)
    return p.Value < 30 ? 2000 + static_cast<int>(p.Value) : 1900 + static_cast<int>(p.Value);
  return static_cast<int>(p.Value);
}

bool ValidDate(int y, int m, int d) {
  return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

enum class TDateOrder { doMDY, doDMY, doYMD };

// The order of the first field of the format; quoted text does not count.
TDateOrder OrderOf(std::u16string_view format) {
  bool quoted = false;
  for (char16_t c : format) {
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u'y' || c == u'Y') return TDateOrder::doYMD;
    if (c == u'd' || c == u'D') return TDateOrder::doDMY;
    if (c == u'M' || c == u'm') return TDateOrder::doMDY;
  }
  return TDateOrder::doMDY;
}

// Three numbers in the locale's order, then in the other orders when the
// locale's gives no valid date (13/1/2009 in a month-first locale).
std::optional<int64_t> DateFromThree(const std::vector<TNumberPart>& n, TDateOrder order) {
  auto tryOrder = [&](TDateOrder o) -> std::optional<int64_t> {
    TNumberPart y{}, m{}, d{};
    switch (o) {
      case TDateOrder::doMDY:
        m = n[0];
        d = n[1];
        y = n[2];
        break;
      case TDateOrder::doDMY:
        d = n[0];
        m = n[1];
        y = n[2];
        break;
      case TDateOrder::doYMD:
        y = n[0];
        m = n[1];
        d = n[2];
        break;
    }
    if (m.Digits > 2 || d.Digits > 2 || y.Digits > 4) return std::nullopt;
    int year = FullYear(y);
    if (!ValidDate(year, static_cast<int>(m.Value), static_cast<int>(d.Value))) return std::nullopt;
    return DaysSince1899(year, static_cast<int>(m.Value), static_cast<int>(d.Value));
  };
  if (n[0].Digits >= 3) return tryOrder(TDateOrder::doYMD);
  for (TDateOrder o : {order, TDateOrder::doMDY, TDateOrder::doDMY, TDateOrder::doYMD}) {
    if (auto r = tryOrder(o)) return r;
  }
  return std::nullopt;
}

std::optional<int64_t> ParseDatePart(const std::vector<TToken>& tokens, const TRegionalSettings& s,
                                     int currentYear) {
  std::vector<TNumberPart> numbers;
  int namedMonth = 0;
  bool lastWasValue = false;
  for (const TToken& t : tokens) {
    switch (t.Kind) {
      case TTokenKind::tkNumber:
        numbers.push_back({t.Value, t.Digits});
        lastWasValue = true;
        break;
      case TTokenKind::tkWord: {
        int m = MonthFromName(t.Text);
        if (m == 0 || namedMonth != 0) return std::nullopt;
        namedMonth = m;
        lastWasValue = true;
        break;
      }
      case TTokenKind::tkDateSep:
        if (!lastWasValue) return std::nullopt;
        lastWasValue = false;
        break;
      default:
        return std::nullopt;
    }
  }
  if (!tokens.empty() && tokens.back().Kind == TTokenKind::tkDateSep) return std::nullopt;
  const TDateOrder order = OrderOf(s.ShortDateFormat);
  if (namedMonth != 0) {
    int day = 1;
    int year = currentYear;
    if (numbers.size() == 1) {
      if (numbers[0].Digits <= 2 && numbers[0].Value <= 31)
        day = static_cast<int>(numbers[0].Value);
      else
        year = FullYear(numbers[0]);
    } else if (numbers.size() == 2) {
      bool firstIsDay = numbers[0].Digits <= 2 && numbers[0].Value <= 31;
      const TNumberPart& d = firstIsDay ? numbers[0] : numbers[1];
      const TNumberPart& y = firstIsDay ? numbers[1] : numbers[0];
      if (d.Digits > 2) return std::nullopt;
      day = static_cast<int>(d.Value);
      year = FullYear(y);
    } else {
      return std::nullopt;
    }
    if (!ValidDate(year, namedMonth, day)) return std::nullopt;
    return DaysSince1899(year, namedMonth, day);
  }
  if (numbers.size() == 3) return DateFromThree(numbers, order);
  if (numbers.size() == 2) {
    const TNumberPart& a = numbers[0];
    const TNumberPart& b = numbers[1];
    // Month and year ("1/2009") when one of them cannot be a day.
    if (b.Digits >= 3 || b.Value > 31) {
      if (a.Digits > 2 || !ValidDate(FullYear(b), static_cast<int>(a.Value), 1))
        return std::nullopt;
      return DaysSince1899(FullYear(b), static_cast<int>(a.Value), 1);
    }
    if (a.Digits >= 3 || a.Value > 31) {
      if (b.Digits > 2 || !ValidDate(FullYear(a), static_cast<int>(b.Value), 1))
        return std::nullopt;
      return DaysSince1899(FullYear(a), static_cast<int>(b.Value), 1);
    }
    int m = static_cast<int>(order == TDateOrder::doDMY ? b.Value : a.Value);
    int d = static_cast<int>(order == TDateOrder::doDMY ? a.Value : b.Value);
    if (ValidDate(currentYear, m, d)) return DaysSince1899(currentYear, m, d);
    if (ValidDate(currentYear, d, m)) return DaysSince1899(currentYear, d, m);
    return std::nullopt;
  }
  return std::nullopt;
}

// Removes the time of day from the tokens and returns it as a fraction of
// a day; nullopt when the tokens hold no time; sets bad on a malformed one.
std::optional<double> TakeTimePart(std::vector<TToken>& tokens, const TRegionalSettings& s,
                                   bool& bad) {
  size_t start = tokens.size();
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i].Kind == TTokenKind::tkNumber &&
        (tokens[i + 1].Kind == TTokenKind::tkTimeSep ||
         (tokens[i + 1].Kind == TTokenKind::tkWord && DayHalf(tokens[i + 1].Text, s) != 0))) {
      start = i;
      break;
    }
  }
  if (start == tokens.size()) return std::nullopt;
  int64_t parts[3] = {0, 0, 0};
  int count = 0;
  size_t i = start;
  while (i < tokens.size() && tokens[i].Kind == TTokenKind::tkNumber && count < 3) {
    if (tokens[i].Digits > 2) {
      bad = true;
      return std::nullopt;
    }
    parts[count++] = tokens[i].Value;
    ++i;
    if (i < tokens.size() && tokens[i].Kind == TTokenKind::tkTimeSep) {
      ++i;
      if (i >= tokens.size() || tokens[i].Kind != TTokenKind::tkNumber) {
        bad = true;
        return std::nullopt;
      }
    } else {
      break;
    }
  }
  int half = 0;
  if (i < tokens.size() && tokens[i].Kind == TTokenKind::tkWord) {
    half = DayHalf(tokens[i].Text, s);
    if (half != 0) ++i;
  }
  // A marker may also stand before the time in some locales ("PM 3:15").
  if (half == 0 && start > 0 && tokens[start - 1].Kind == TTokenKind::tkWord) {
    half = DayHalf(tokens[start - 1].Text, s);
    if (half != 0) --start;
  }
  int64_t hour = parts[0];
  if (half != 0) {
    if (hour > 12) {
      bad = true;
      return std::nullopt;
    }
    if (hour == 12) hour = 0;
    if (half == 2) hour += 12;
  }
  if (hour > 23 || parts[1] > 59 || parts[2] > 59 || (count == 1 && half == 0)) {
    bad = true;
    return std::nullopt;
  }
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(start),
               tokens.begin() + static_cast<std::ptrdiff_t>(i));
  return static_cast<double>(hour * 3600 + parts[1] * 60 + parts[2]) / 86400.0;
}

int YearNow() {
  auto now = std::chrono::system_clock::now();
  std::chrono::year_month_day ymd{std::chrono::floor<std::chrono::days>(now)};
  return static_cast<int>(ymd.year());
}

}  // namespace

int64_t DaysSince1899(int year, int month, int day) {
  // Days from civil (H. Hinnant's algorithm), then shifted to 1899-12-30.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days1970 = static_cast<int64_t>(era) * 146097 + doe - 719468;
  return days1970 + 25569;
}

std::optional<double> ParseDateTime(std::u16string_view text, const TRegionalSettings& settings,
                                    int currentYear) {
  std::vector<TToken> tokens;
  if (!Tokenize(text, settings, tokens) || tokens.empty()) return std::nullopt;
  ClassifyDots(tokens, settings);
  bool bad = false;
  std::optional<double> time = TakeTimePart(tokens, settings, bad);
  if (bad) return std::nullopt;
  if (tokens.empty()) return time;
  for (const TToken& t : tokens) {
    if (t.Kind == TTokenKind::tkTimeSep) return std::nullopt;
  }
  std::optional<int64_t> date =
      ParseDatePart(tokens, settings, currentYear != 0 ? currentYear : YearNow());
  if (!date) return std::nullopt;
  return static_cast<double>(*date) + time.value_or(0.0);
}

}  // namespace tessary

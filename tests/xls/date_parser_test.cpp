#include "xls/date_parser.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

constexpr int kYear = 2026;

TRegionalSettings EnUs() { return TRegionalSettings::ForLocale("en_US"); }
TRegionalSettings DeDe() { return TRegionalSettings::ForLocale("de_DE"); }
TRegionalSettings JaJp() { return TRegionalSettings::ForLocale("ja_JP"); }

double Time(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

void ExpectDate(const TRegionalSettings& settings, std::u16string_view text, double expected) {
  std::optional<double> got = ParseDateTime(text, settings, kYear);
  ASSERT_TRUE(got.has_value()) << std::string(text.begin(), text.end());
  EXPECT_NEAR(*got, expected, 1e-9) << std::string(text.begin(), text.end());
}

void ExpectRefused(const TRegionalSettings& settings, std::u16string_view text) {
  EXPECT_FALSE(ParseDateTime(text, settings, kYear).has_value())
      << std::string(text.begin(), text.end());
}

TEST(DateParser, SerialNumbersCountFromTheEndOf1899) {
  EXPECT_EQ(DaysSince1899(1899, 12, 30), 0);
  EXPECT_EQ(DaysSince1899(1900, 1, 1), 2);
  EXPECT_EQ(DaysSince1899(2009, 1, 2), 39815);
  EXPECT_EQ(DaysSince1899(2000, 2, 29), 36585);
  EXPECT_EQ(DaysSince1899(1800, 1, 1), -36522);
}

TEST(DateParser, MonthFirstLocale) {
  const TRegionalSettings us = EnUs();
  ExpectDate(us, u"1/2/2009", 39815);
  ExpectDate(us, u"01-02-2009", 39815);
  ExpectDate(us, u"2009-01-02", 39815);
  ExpectDate(us, u"1/2/09", 39815);
  ExpectDate(us, u"1/2/75", DaysSince1899(1975, 1, 2));
  ExpectDate(us, u"13/1/2009", DaysSince1899(2009, 1, 13));  // no 13th month: read day first
  ExpectDate(us, u"1/2", DaysSince1899(kYear, 1, 2));
  ExpectDate(us, u"Jan 2, 2009", 39815);
  ExpectDate(us, u"2 january 2009", 39815);
  ExpectDate(us, u"1/2/2009 12:30", 39815 + Time(12, 30, 0));
  ExpectDate(us, u"12:30 1/2/2009", 39815 + Time(12, 30, 0));
}

TEST(DateParser, DayFirstAndYearFirstLocales) {
  const TRegionalSettings de = DeDe();
  ExpectDate(de, u"2.1.2009", 39815);
  ExpectDate(de, u"02.01.09", 39815);
  ExpectDate(de, u"1.2.3", DaysSince1899(2003, 2, 1));
  ExpectDate(de, u"2.1.2009 20:15:30", 39815 + Time(20, 15, 30));
  const TRegionalSettings ja = JaJp();
  ExpectDate(ja, u"2009/1/2", 39815);
  ExpectDate(ja, u"09/1/2", 39815);
  ExpectDate(ja, u"午後3:15", Time(15, 15, 0));
}

TEST(DateParser, TimesOfDay) {
  const TRegionalSettings us = EnUs();
  ExpectDate(us, u"12:30", Time(12, 30, 0));
  ExpectDate(us, u"8:15:30", Time(8, 15, 30));
  ExpectDate(us, u"12:00 AM", 0);
  ExpectDate(us, u"12:00 pm", 0.5);
  ExpectDate(us, u"3 PM", Time(15, 0, 0));
  ExpectDate(us, u"3:05:07 p", Time(15, 5, 7));
  // Full stops between short numbers are read as a time where dates do not
  // use them; the export's own rules then refuse such texts.
  ExpectDate(us, u"1.2.3", Time(1, 2, 3));
  ExpectDate(us, u"1.2.2009", 39815);
}

TEST(DateParser, Refusals) {
  const TRegionalSettings us = EnUs();
  for (std::u16string_view text :
       {u"",          u"abc",     u"12",      u"yes",       u"1/2/",        u"/5",
        u"1//2",      u"1/2/3/4", u"25:00",   u"1:60",      u"13:00 PM",    u"2/30/2009",
        u"2/29/2009", u"12.5%",   u"1e3",     u"12:30 xyz", u"Foo 2, 2009", u"1:2:3:4",
        u"99999/1/1", u"12:",     u"12345:00"}) {
    ExpectRefused(us, text);
  }
  ExpectDate(us, u"2/29/2008", DaysSince1899(2008, 2, 29));
}

TEST(DateParser, LongInputIsRefusedCheaply) {
  std::u16string text;
  for (int i = 0; i < 10000; ++i) text += u"1/";
  ExpectRefused(EnUs(), text);
}

}  // namespace
}  // namespace tessary

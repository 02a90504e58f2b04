#include "xls/regional_settings.h"

#include <gtest/gtest.h>

#include <map>

#include "text/utf16.h"
#include "xls/date_parser.h"

namespace tessary {
namespace {

TEST(RegionalSettings, LocalesGiveTheirConventions) {
  const TRegionalSettings us = TRegionalSettings::ForLocale("en_US");
  EXPECT_EQ(us.ThousandSeparator, u",");
  EXPECT_EQ(us.CurrencySymbol, u"$");
  EXPECT_EQ(us.CurrencyPositionMode, 0);
  EXPECT_EQ(us.NegativeCurrencyMode, 1);
  EXPECT_EQ(us.CurrencyDecimals, 2);
  EXPECT_EQ(us.ShortDateFormat, u"M/d/yyyy");
  EXPECT_EQ(us.ShortTimeFormat, u"h:mm AMPM");
  EXPECT_EQ(us.DateSeparator, u"/");
  EXPECT_EQ(us.TimeSeparator, u":");

  const TRegionalSettings de = TRegionalSettings::ForLocale("de_DE");
  EXPECT_EQ(de.ThousandSeparator, u".");
  EXPECT_EQ(de.CurrencySymbol, u"€");
  EXPECT_EQ(de.CurrencyPositionMode, 3);
  EXPECT_EQ(de.NegativeCurrencyMode, 8);
  EXPECT_EQ(de.ShortDateFormat, u"dd.MM.yyyy");
  EXPECT_EQ(de.ShortTimeFormat, u"HH:mm");
  EXPECT_EQ(de.DateSeparator, u".");

  const TRegionalSettings ja = TRegionalSettings::ForLocale("ja_JP");
  EXPECT_EQ(ja.ShortDateFormat, u"yyyy/MM/dd");
  EXPECT_EQ(ja.CurrencyDecimals, 0);
}

// Each category from its own variable, in POSIX precedence; LC_MESSAGES
// plays no part and an empty variable counts as unset.
TEST(RegionalSettings, CategoriesFollowTheirVariables) {
  std::map<std::string, std::string> env = {{"LANG", "ja_JP.UTF-8"},
                                            {"LC_MESSAGES", "fr_FR"},
                                            {"LC_MONETARY", "de_CH.UTF-8"},
                                            {"LC_NUMERIC", "de_DE@euro"},
                                            {"LC_TIME", ""}};
  const TEnvironmentLookup lookup = [&env](const char* name) -> const char* {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  const TRegionalSettings s = TRegionalSettings::FromEnvironment(lookup);
  EXPECT_EQ(s.CurrencySymbol, u"CHF");
  EXPECT_EQ(s.ThousandSeparator, u".");
  EXPECT_EQ(s.ShortDateFormat, u"yyyy/MM/dd");
  env["LC_ALL"] = "sv_SE.UTF-8";
  EXPECT_EQ(TRegionalSettings::FromEnvironment(lookup).CurrencySymbol, u"kr");
  EXPECT_EQ(IcuLocaleName(PosixLocaleName("LC_TIME", [](const char*) { return nullptr; })),
            "en_US_POSIX");
}

// Literal text is quoted where a spreadsheet program would read it as a
// format code; quoted letters decide nothing about the field order.
TEST(RegionalSettings, LiteralsInFormatsAreQuoted) {
  EXPECT_EQ(FormatLiteral(u"$"), u"$");
  EXPECT_EQ(FormatLiteral(u"a\"b"), u"\\a\\\"\\b");
  EXPECT_EQ(CurrencyFormat(TRegionalSettings::ForLocale("de_CH"), false).substr(0, 15),
            u"\"CHF\"\\ ###,###;");
  EXPECT_EQ(TRegionalSettings::ForLocale("bg_BG").ShortDateFormat, u"d.MM.yyyy\" \u0433.\"");
  TRegionalSettings quoted;
  quoted.ShortDateFormat = u"\"y\"dd.MM.yyyy";
  quoted.DateSeparator = u".";
  EXPECT_EQ(BuiltinDateFormat(quoted), u"dd.mm.YYYY");
  EXPECT_EQ(ParseDateTime(u"2.1.2009", quoted), DaysSince1899(2009, 1, 2));
}

TEST(RegionalSettings, UserLocaleIsComplete) {
  const TRegionalSettings s = TRegionalSettings::FromUserLocale();
  EXPECT_FALSE(s.ShortDateFormat.empty());
  EXPECT_FALSE(s.ShortTimeFormat.empty());
  EXPECT_FALSE(s.DateSeparator.empty());
  EXPECT_FALSE(s.TimeSeparator.empty());
  EXPECT_GE(s.CurrencyPositionMode, 0);
  EXPECT_LE(s.CurrencyPositionMode, 3);
  EXPECT_GE(s.NegativeCurrencyMode, 0);
  EXPECT_LE(s.NegativeCurrencyMode, 15);
}

TEST(RegionalSettings, BuiltinDateFormatsFollowTheFieldOrder) {
  TRegionalSettings s;
  s.DateSeparator = u".";
  s.TimeSeparator = u":";
  s.ShortDateFormat = u"dd.MM.yyyy";
  EXPECT_EQ(BuiltinDateFormat(s), u"dd.mm.YYYY");
  EXPECT_EQ(BuiltinDateTimeFormat(s), u"dd.mm.YYYY hh:mm");
  s.ShortDateFormat = u"yyyy.MM.dd";
  EXPECT_EQ(BuiltinDateFormat(s), u"YYYY.mm.dd");
  s.ShortDateFormat = u"M.d.yy";
  s.TimeSeparator = u".";
  EXPECT_EQ(BuiltinDateFormat(s), u"mm.dd.YYYY");
  EXPECT_EQ(BuiltinDateTimeFormat(s), u"mm.dd.YYYY hh.mm");
  s.ShortDateFormat = u"---";
  EXPECT_EQ(BuiltinDateFormat(s), u"mm/dd/YYYY");
  EXPECT_EQ(BuiltinDateTimeFormat(s), u"mm/dd/YYYY hh:mm");
}

TEST(RegionalSettings, CurrencyFormatByPositionAndNegativeMode) {
  TRegionalSettings s;
  s.CurrencySymbol = u"$";
  s.CurrencyDecimals = 2;
  const std::u16string n = u"###,###.00";
  const std::u16string expected[16] = {u"$" + n + u"_);[Red]\\($" + n + u"\\)",
                                       u"$" + n + u";[Red]-$" + n,
                                       u"$" + n + u";[Red]$-" + n,
                                       u"$" + n + u";[Red]$" + n + u"-",
                                       u"$" + n + u"_);[Red]\\(" + n + u"$\\)",
                                       u"$" + n + u";[Red]-" + n + u"$",
                                       u"$" + n + u";[Red]" + n + u"-$",
                                       u"$" + n + u";[Red]" + n + u"$-",
                                       u"$" + n + u";[Red]-" + n + u"\\ $",
                                       u"$" + n + u";[Red]-$\\ " + n,
                                       u"$" + n + u";[Red]" + n + u"\\ $-",
                                       u"$" + n + u";[Red]$\\ " + n + u"-",
                                       u"$" + n + u";[Red]$\\ -" + n,
                                       u"$" + n + u";[Red]" + n + u"-\\ $",
                                       u"$" + n + u"_);[Red]\\($\\ " + n + u"\\)",
                                       u"$" + n + u"_);[Red]\\(" + n + u"\\ $\\)"};
  for (int mode = 0; mode < 16; ++mode) {
    s.NegativeCurrencyMode = mode;
    EXPECT_EQ(CurrencyFormat(s, true), expected[mode]) << "mode " << mode;
  }
  s.NegativeCurrencyMode = 16;
  EXPECT_EQ(CurrencyFormat(s, true), expected[0]);

  s.NegativeCurrencyMode = 1;
  const std::u16string positives[4] = {u"$###,###", u"###,###$", u"$\\ ###,###", u"###,###\\ $"};
  for (int pos = 0; pos < 4; ++pos) {
    s.CurrencyPositionMode = pos;
    EXPECT_EQ(CurrencyFormat(s, false), positives[pos] + u";[Red]-$###,###") << "position " << pos;
  }
  s.CurrencyPositionMode = 0;
  s.CurrencyDecimals = 3;
  EXPECT_EQ(CurrencyFormat(s, true), u"$###,###.000;[Red]-$###,###.000");
}

}  // namespace
}  // namespace tessary

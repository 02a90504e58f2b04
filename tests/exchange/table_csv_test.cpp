// Tables as CSV text and back.
#include "exchange/table_csv.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "support/table_rows.h"

namespace tessary {
namespace {

using testing::FillRows;

std::string Refusal(std::string_view csv) {
  TCellTable t;
  const TResult read = CsvToTable(csv, t);
  EXPECT_FALSE(read);
  return read.Message;
}

TEST(TableCsv, WritesRfc4180WithCrLfAndQuotesOnlyWhereNeeded) {
  TCellTable t;
  FillRows(t, {{u"ID", u"Label", u"Note"},
               {u"int", u"string", u"string"},
               {u"1", u"a,b", u"say \"hi\""},
               {u"2", u"two\r\nlines", u"Grüße 漢字"},
               {u"3", u"", u"lf\nonly"}});
  t.SetRowCount(6);  // an empty last row is written too
  EXPECT_EQ(TableToCsv(t),
            "ID,Label,Note\r\nint,string,string\r\n1,\"a,b\",\"say \"\"hi\"\"\"\r\n"
            "2,\"two\r\nlines\",Gr\xC3\xBC\xC3\x9F"
            "e \xE6\xBC\xA2\xE5\xAD\x97\r\n"
            "3,,\"lf\nonly\"\r\n,,\r\n");
}

TEST(TableCsv, ReadsBackWhatItWrites) {
  TCellTable t;
  FillRows(t, {{u"\uFEFFID", u"", u"Text"},  // a column with an empty name is kept
               {u"int", u"Float", u"RESOURCE"},
               {u"-5", u"0.100000001490116", u"\"quoted\", with comma"},
               {u"", u"", u"cr\rlf\n crlf\r\n"},
               {u"$7", u"", u"\U0001F600 \u00e9"}});
  t.SetRowCount(7);
  TCellTable back;
  ASSERT_TRUE(CsvToTable(TableToCsv(t), back).Ok);
  EXPECT_EQ(back.RowCount(), 7);
  EXPECT_EQ(TableToCsv(back), TableToCsv(t));
}

TEST(TableCsv, AcceptsByteOrderMarkLfAndLooseQuotes) {
  TCellTable t;
  ASSERT_TRUE(CsvToTable("\xEF\xBB\xBFID,Name\nint,string\n7,5\" long\n8,\"a\"b\n", t).Ok);
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_EQ(t.Cells(0, 0), u"ID");
  EXPECT_EQ(t.Cells(1, 2), u"5\" long");
  EXPECT_EQ(t.Cells(1, 3), u"ab");
  // The last line needs no line end; short lines leave their cells empty.
  TCellTable u;
  ASSERT_TRUE(CsvToTable("A,B\r\nint,int\r\n1", u).Ok);
  EXPECT_EQ(u.RowCount(), 3);
  EXPECT_EQ(u.Cells(1, 2), u"");
}

TEST(TableCsv, RefusesWithLineAndFieldNamed) {
  EXPECT_EQ(Refusal("ID\r\n"),
            "The file has fewer than two lines: a table needs a line of column names and a line "
            "of column types.");
  EXPECT_EQ(Refusal("ID,Speed,X,Y\r\nint,float,string,integer\r\n"),
            "Line 2, field 4: 'integer' is not a column type");
  EXPECT_EQ(Refusal("\"two\nline\",Y\r\nint\r\n"), "Line 3, field 2: '' is not a column type");
  EXPECT_EQ(Refusal("ID\r\nint\r\n1,stray\r\n"),
            "Line 3, field 2: a value outside the table: its column has no name and no type");
  EXPECT_EQ(Refusal("ID\r\nint\r\n\"1\r\n2\r\n"), "Line 3: a quoted field has no closing quote.");
  EXPECT_EQ(Refusal("ID\r\nint\r\n\xC3("), "Input is not valid UTF-8 (byte 9).");
  EXPECT_EQ(Refusal(std::string_view("ID\r\nint\r\na\0b", 12)),
            "Input holds a NUL character (byte 10).");

  // Data texts saving would store as another value; the same value in
  // another spelling, and the empty text, are kept.
  const std::string head = "I,F,B\r\nint,float,bool\r\n$10,1.50,01\r\n007,,\r\n";
  EXPECT_EQ(Refusal(head + "abc"), "Line 5, field 1: 'abc' is not a whole number");
  EXPECT_EQ(Refusal(head + "1.5"), "Line 5, field 1: '1.5' is not a whole number");
  EXPECT_EQ(Refusal(head + "99999999999"),
            "Line 5, field 1: '99999999999' is outside the int range (-2147483648 to 2147483647)");
  EXPECT_EQ(Refusal(head + "\xEF\xBB\xBF"
                           "1"),
            "Line 5, field 1: '<U+FEFF>1' is not a whole number");
  EXPECT_EQ(Refusal(head + ",1e40"),
            "Line 5, field 2: '1e40' is outside the float range (-3.40282346638529E38 to "
            "3.40282346638529E38)");
  EXPECT_EQ(Refusal(head + ",,yes"), "Line 5, field 3: 'yes' is not 0 or 1");
  EXPECT_EQ(Refusal(head + ",,2"), "Line 5, field 3: '2' is not 0 or 1");
  TCellTable kept;
  EXPECT_TRUE(CsvToTable(head, kept).Ok);
}

}  // namespace
}  // namespace tessary

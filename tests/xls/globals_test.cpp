// The workbook globals: sheet names and the sheet list.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/error.h"
#include "common/utf16.h"
#include "xls/sheet_names.h"

namespace tessary {
namespace {

std::string FailureText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(SheetNames, MakeValidSheetName) {
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(u"a/b:c"), u"a_b.c");
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(u"x\\y?z[1]*"), u"x_y_z_1__");
  const std::u16string forty(40, u'n');
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(forty), std::u16string(31, u'n'));
  EXPECT_EQ(TSheetNameList::MakeValidSheetName(std::u16string(31, u'k')).size(), 31u);
}

TEST(SheetNames, UniqueNamesCountOnFromTheRoot) {
  TSheetNameList names;
  names.Add(u"Sheet1");
  // A loaded "Sheet1" is a name of its own: the first "Sheet" is free, the
  // second skips the taken "Sheet1".
  EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet");
  EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet2");
  EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet3");
  // A root whose plain name is taken by another root's entry moves on too.
  EXPECT_EQ(names.AddUniqueName(u"Sheet1"), u"Sheet11");
  EXPECT_TRUE(names.Contains(u"Sheet11"));
  EXPECT_EQ(names.Count(), 5u);
}

TEST(SheetNames, DuplicatesAndCase) {
  TSheetNameList names;
  names.Add(u"Data");
  names.Add(u"DATA");  // letter case makes a different name
  EXPECT_EQ(FailureText([&] { names.Add(u"Data"); }), "Sheet name already exists: Data");
  EXPECT_EQ(FailureText([&] { names.Rename(u"Data", u"DATA"); }),
            "Sheet name already exists: DATA");
  EXPECT_TRUE(names.Contains(u"Data"));  // a failed rename keeps the old name
  names.Rename(u"Data", u"Data");        // same name: nothing happens
  names.Rename(u"Data", u"Other");
  EXPECT_FALSE(names.Contains(u"Data"));
  EXPECT_TRUE(names.Contains(u"Other"));
  // Ordering is by length first, so the halving search finds every entry.
  for (const char16_t* n : {u"b", u"aa", u"a", u"zzzz", u"c\u00e9"}) names.Add(n);
  for (const char16_t* n : {u"b", u"aa", u"a", u"zzzz", u"c\u00e9", u"DATA", u"Other"}) {
    EXPECT_TRUE(names.Contains(n)) << ToUtf8(n);
  }
}

TEST(BoundSheetList, RenameRebuildsTheRecordAndAdaptsTheSize) {
  TBoundSheetList list;
  auto sheet = TBoundSheetRecord::Build(0, u"Sheet1");
  sheet->SetPosition(1441);
  list.Add(std::move(sheet));
  list.InsertSheet(1, 0, u"Sheet");
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.TotalSize(), 18u + 17u);

  list.RenameSheet(0, u"a/b:c");
  EXPECT_EQ(list.Sheet(0).SheetName(), u"a_b.c");
  EXPECT_EQ(list.Sheet(0).Position(), 1441u);
  EXPECT_EQ(list.TotalSize(), 17u + 17u);

  list.RenameSheet(0, std::u16string(40, u'x'));
  EXPECT_EQ(list.Sheet(0).SheetName(), std::u16string(31, u'x'));
  EXPECT_EQ(list.TotalSize(), 43u + 17u);

  EXPECT_EQ(FailureText([&] { list.RenameSheet(0, u"Sheet"); }),
            "Sheet name already exists: Sheet");
  EXPECT_EQ(list.Sheet(0).SheetName(), std::u16string(31, u'x'));
  list.RenameSheet(0, u"SHEET");
  EXPECT_EQ(list.Sheet(0).SheetName(), u"SHEET");

  list.DeleteSheet(1);
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.InsertSheet(0, 0, u"Sheet"), u"Sheet");  // the name is free again
  EXPECT_EQ(FailureText([&] { list.Sheet(5); }),
            "Sheet number \"5\" invalid. Must be between 0 and 1");
}

}  // namespace
}  // namespace tessary

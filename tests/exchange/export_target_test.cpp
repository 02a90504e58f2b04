#include "exchange/export_target.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(ExportTarget, PathAndSheetName) {
  EXPECT_EQ(ExportTargetPath(u"noname.gda"), u"noname.xls");
  EXPECT_EQ(ExportTargetPath(u"C:\\t\\items.gda"), u"C:\\t\\items.xls");
  EXPECT_EQ(ExportTargetPath(u"C:\\t\\items"), u"C:\\t\\items.xls");
  EXPECT_EQ(ExportTargetPath(u"C:\\v1.2\\items"), u"C:\\v1.2\\items.xls");
  EXPECT_EQ(ExportTargetPath(u"/home/u/v1.2/items"), u"/home/u/v1.2/items.xls");
  EXPECT_EQ(ExportTargetPath(u"/home/u/a.b.gda"), u"/home/u/a.b.xls");
  EXPECT_EQ(ExportSheetName(u"noname.xls"), u"noname.xls");
  EXPECT_EQ(ExportSheetName(u"C:\\t\\items.xls"), u"items.xls");
  EXPECT_EQ(ExportSheetName(u"/t/abcdefghijklmnopqrstuvwxyz0123.xls"),
            u"abcdefghijklmnopqrstuvwxyz0");
  EXPECT_EQ(ExportSheetName(u"/t/[draft].xls"), u"[draft].xls");
}

TEST(ExportTarget, SizesInSheetUnits) {
  EXPECT_EQ(ExportColumnWidth(64, 2), 2267);
  EXPECT_EQ(ExportColumnWidth(86, 2), 3072);
  EXPECT_EQ(ExportRowHeight(22, 2), 300);
  EXPECT_EQ(ExportColumnWidth(2, 2), 0);
  EXPECT_EQ(ExportColumnWidth(0, 2), 0);
  EXPECT_EQ(ExportRowHeight(1, 2), 0);
  // 7 pixels and a half-unit tie: 3.5 units round to 4, 2.5 to 2.
  EXPECT_EQ(ExportColumnWidth(9, 2), 256);
}

TEST(ExportTarget, UpperCaseForSheetSearch) {
  EXPECT_EQ(UpperSheetName(u"items.xls"), u"ITEMS.XLS");
  EXPECT_EQ(UpperSheetName(u"Größe"), u"GRÖßE");  // one code unit for one
  EXPECT_EQ(UpperSheetName(u"émile"), u"ÉMILE");
}

}  // namespace
}  // namespace tessary

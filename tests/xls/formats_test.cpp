// Cell formats over the globals' FONT, FORMAT and XF lists: the template's
// default format coming back as XF 21, number formats, fonts, and the
// description of an XF read back.
#include "xls/formats.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "workbook_template.h"
#include "xls/records.h"

namespace tessary {
namespace {

using namespace tessary::testing;

using Bytes = std::vector<uint8_t>;

// The template's FONT, FORMAT and XF lists, taken from its documented
// records.
struct TemplateLists {
  TBaseRecordList XF, Fonts, Formats;
  TRegionalSettings Regional;
  TFormatLists Lists{XF, Fonts, Formats, Regional};

  TemplateLists() {
    const Bytes records = testing::TemplateGlobalsParts()[1];
    for (size_t pos = 0; pos + 4 <= records.size();) {
      const uint16_t id = GetU16(&records[pos]);
      const uint16_t size = GetU16(&records[pos + 2]);
      Bytes payload(records.begin() + pos + 4, records.begin() + pos + 4 + size);
      pos += 4 + size;
      if (id == xlsid::XF) XF.Add(CreateRecord(id, payload));
      if (id == xlsid::FONT) Fonts.Add(CreateRecord(id, payload));
      if (id == xlsid::FORMAT) Formats.Add(CreateRecord(id, payload));
    }
  }
};

TEST(Formats, TemplateDefaultFormatComesBackAsXF21WithAFifthFont) {
  TemplateLists t;
  ASSERT_EQ(t.XF.Count(), 21u);
  ASSERT_EQ(t.Fonts.Count(), 4u);
  ASSERT_EQ(t.Formats.Count(), 8u);

  const TCellFormat normal = t.Lists.GetFormat(15);
  EXPECT_EQ(normal.Font.Name, u"Arial");
  EXPECT_EQ(normal.Font.Size20, 200);
  EXPECT_EQ(normal.Format, u"");
  EXPECT_TRUE(normal.Locked);
  EXPECT_EQ(normal.VAlignment, 2);
  EXPECT_EQ(normal.FillPattern.FgColorIndex, 57);
  EXPECT_EQ(normal.FillPattern.BgColorIndex, 58);

  // The reserved font byte is written as 0 where the template has 0x7F.
  EXPECT_EQ(t.Lists.AddFormat(normal), 21);
  ASSERT_EQ(t.Fonts.Count(), 5u);
  ASSERT_EQ(t.XF.Count(), 22u);
  EXPECT_EQ(HexBytes(t.XF[21]->Data),
            "05 00 00 00 01 00 20 00 00 FC 00 00 08 04 08 04 02 00 C0 20");
  // Asking again finds it.
  EXPECT_EQ(t.Lists.AddFormat(normal), 21);
  EXPECT_EQ(t.Lists.AddFormat(t.Lists.GetFormat(21)), 21);
  EXPECT_EQ(t.XF.Count(), 22u);
  EXPECT_EQ(t.Fonts.Count(), 5u);
}

TEST(Formats, NumberFormatsOfTheExportGetTheirOwnXF) {
  TemplateLists t;
  TCellFormat f = t.Lists.GetFormat(15);
  ASSERT_EQ(t.Lists.AddFormat(f), 21);

  f.Format = u"0%";
  EXPECT_EQ(t.Lists.AddFormat(f), 22);
  f.Format = u"0.00E+00";
  EXPECT_EQ(t.Lists.AddFormat(f), 23);
  EXPECT_EQ(GetU16(t.XF[22]->Data.data() + 2), 9);
  EXPECT_EQ(GetU16(t.XF[23]->Data.data() + 2), 11);
  // Only the format index differs from XF 21.
  Bytes a = t.XF[21]->Data, b = t.XF[22]->Data;
  a[2] = b[2] = 0;
  EXPECT_EQ(a, b);

  // Texts of neither kind get FORMAT records numbered from 164.
  f.Format = u"$###,###.00;[Red]-$###,###.00";
  EXPECT_EQ(t.Lists.AddFormat(f), 24);
  EXPECT_EQ(GetU16(t.XF[24]->Data.data() + 2), 164);
  EXPECT_EQ(t.Lists.FormatIndex(u"dd/mm/YYYY"), 165);
  EXPECT_EQ(t.Lists.FormatIndex(u"$###,###.00;[Red]-$###,###.00"), 164);
  EXPECT_EQ(t.Formats.Count(), 10u);
  EXPECT_EQ(t.Lists.GetFormat(24).Format, u"$###,###.00;[Red]-$###,###.00");
  // A template FORMAT keeps its number; letter case counts.
  EXPECT_EQ(t.Lists.FormatIndex(u"_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ "), 41);
  EXPECT_EQ(t.Lists.FormatIndex(u"#,##0"), 3);
  EXPECT_EQ(t.Lists.FormatIndex(u"dd-mmm-yy"), 166);
  EXPECT_EQ(t.Lists.FormatIndex(u"DD-MMM-YY"), 15);
}

TEST(Formats, FormatNumbersContinueAboveTheHighestPresent) {
  TBaseRecordList xf, fonts, formats;
  TRegionalSettings regional;
  TFormatLists lists(xf, fonts, formats, regional);
  formats.Add(TFormatRecord::Build(200, u"x"));
  EXPECT_EQ(lists.FormatIndex(u"y"), 201);
  // A text with a character above U+00FF is stored with 16-bit characters.
  EXPECT_EQ(lists.FormatIndex(u"0 \u20AC"), 202);
  EXPECT_EQ(formats[2]->Data[4], 1);
  EXPECT_EQ(lists.FormatText(202), u"0 \u20AC");
  EXPECT_EQ(lists.FormatText(49), u"@");
  EXPECT_EQ(lists.FormatText(30), u"");
  EXPECT_EQ(lists.FormatText(300), u"");
}

TEST(Formats, BuiltinTextsByNumber) {
  const TRegionalSettings r;
  const std::map<int, std::u16string> texts = {{1, u"0"},
                                               {2, u"0.00"},
                                               {3, u"#,##0"},
                                               {4, u"#,##0.00"},
                                               {9, u"0%"},
                                               {10, u"0.00%"},
                                               {11, u"0.00E+00"},
                                               {12, u"?/?"},
                                               {13, u"# ?\?/??"},
                                               {14, u"mm/dd/YYYY"},
                                               {15, u"DD-MMM-YY"},
                                               {16, u"DD-MMM"},
                                               {17, u"MMM-YY"},
                                               {18, u"h:mm AM/PM"},
                                               {19, u"h:mm:ss AM/PM"},
                                               {20, u"hh:mm"},
                                               {21, u"hh:mm:ss"},
                                               {22, u"mm/dd/YYYY hh:mm"},
                                               {37, u"#,##0 _$;-#,##0 _$"},
                                               {38, u"#,##0 _$;[Red]-#,##0 _$"},
                                               {39, u"#,##0.00 _$;-#,##0.00 _$"},
                                               {40, u"#,##0.00 _$;[Red]-#,##0.00 _$"},
                                               {45, u"mm:ss"},
                                               {46, u"[h]:mm:ss"},
                                               {47, u"mm:ss,0"},
                                               {48, u"##0.0E+0"},
                                               {49, u"@"}};
  for (int n = -1; n <= 50; ++n) {
    const auto it = texts.find(n);
    EXPECT_EQ(BuiltinFormatText(n, r), it != texts.end() ? it->second : u"") << n;
  }
}

TEST(Formats, BuiltinDateFormatsFollowTheRegionalOrder) {
  TRegionalSettings r;
  r.ShortDateFormat = u"d.M.yyyy";
  r.DateSeparator = u".";
  r.TimeSeparator = u":";
  EXPECT_EQ(BuiltinFormatText(14, r), u"dd.mm.YYYY");
  EXPECT_EQ(BuiltinFormatText(22, r), u"dd.mm.YYYY hh:mm");
  r.ShortDateFormat = u"yyyy-MM-dd";
  r.DateSeparator = u"-";
  r.TimeSeparator = u".";
  EXPECT_EQ(BuiltinFormatText(14, r), u"YYYY-mm-dd");
  EXPECT_EQ(BuiltinFormatText(22, r), u"YYYY-mm-dd hh.mm");
  r.ShortDateFormat = u"M/d/yy";
  r.DateSeparator = u"/";
  EXPECT_EQ(BuiltinFormatText(14, r), u"mm/dd/YYYY");
  r.ShortDateFormat = u"gg";
  EXPECT_EQ(BuiltinFormatText(14, r), u"mm/dd/YYYY");
  EXPECT_EQ(BuiltinFormatText(22, r), u"mm/dd/YYYY hh:mm");

  // The regional date format is found as number 14, not added.
  TBaseRecordList xf, fonts, formats;
  r.ShortDateFormat = u"d.M.yyyy";
  r.DateSeparator = u".";
  TFormatLists lists(xf, fonts, formats, r);
  EXPECT_EQ(lists.FormatIndex(u"dd.mm.YYYY"), 14);
  EXPECT_EQ(formats.Count(), 0u);
}

TEST(Formats, FontsRoundTripAndSkipIndexFour) {
  TBaseRecordList xf, fonts, formats;
  TRegionalSettings regional;
  TFormatLists lists(xf, fonts, formats, regional);
  TCellFont f;
  f.Name = u"Arial";
  for (uint16_t i = 0; i < 6; ++i) {
    f.Size20 = static_cast<uint16_t>(200 + i);
    EXPECT_EQ(lists.AddFont(f), i < 4 ? i : i + 1);
  }
  EXPECT_EQ(lists.GetFont(5).Size20, 204);
  EXPECT_EQ(lists.GetFont(3).Size20, 203);
  EXPECT_EQ(lists.GetFont(99).Size20, 200);  // out of range reads entry 0

  TCellFont g;
  g.Name = u"Times \u0141";
  g.Size20 = 240;
  g.ColorIndex = 10;
  g.Style = fsBold | fsItalic | fsStrikeOut | fsSubscript;
  g.Underline = 4;
  g.Family = 2;
  g.CharSet = 238;
  const uint16_t index = lists.AddFont(g);
  EXPECT_EQ(lists.GetFont(index), g);
  g.Style = fsSuperscript;
  g.Underline = 3;
  EXPECT_EQ(lists.GetFont(lists.AddFont(g)), g);

  g.Name.assign(256, u'a');
  try {
    lists.AddFont(g);
    FAIL() << "a 256-character font name was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid String record");
  }
}

TEST(Formats, DescriptionReadsBackWhatAddFormatWrote) {
  TemplateLists t;
  TCellFormat f;
  f.Font.Name = u"Courier New";
  f.Font.Size20 = 180;
  f.Font.Style = fsBold;
  f.Borders.Left = {1, 3};
  f.Borders.Right = {2, 57};
  f.Borders.Top = {13, 1};
  f.Borders.Bottom = {5, 20};
  f.Borders.Diagonal = {7, 12};
  f.Borders.DiagonalStyle = 3;
  f.Format = u"0.00";
  f.FillPattern = {18, 4, 9};
  f.HAlignment = 6;
  f.VAlignment = 4;
  f.Locked = true;
  f.Hidden = true;
  f.WrapText = true;
  f.ShrinkToFit = true;
  f.Rotation = 90;
  f.Indent = 15;
  const uint16_t index = t.Lists.AddFormat(f);
  EXPECT_EQ(index, 21);
  EXPECT_EQ(t.Lists.GetFormat(index), f);

  // Border colours outside the palette are kept within 8-64 when written.
  TCellFormat g = f;
  g.Borders.Left.ColorIndex = 0;
  g.Borders.Top.ColorIndex = 100;
  const TCellFormat back = t.Lists.GetFormat(t.Lists.AddFormat(g));
  EXPECT_EQ(back.Borders.Left.ColorIndex, 1);
  EXPECT_EQ(back.Borders.Top.ColorIndex, 57);

  // An index outside the list reads XF 0.
  EXPECT_EQ(t.Lists.GetFormat(5000), t.Lists.GetFormat(0));
  EXPECT_EQ(t.Lists.GetFormat(-1), t.Lists.GetFormat(0));
  EXPECT_EQ(t.Lists.GetFormat(16).Format, u"_ * #,##0.00_ ;_ * \\-#,##0.00_ ;_ * \"-\"??_ ;_ @_ ");
  EXPECT_EQ(t.Lists.GetFormat(20).Format, u"0%");
}

}  // namespace
}  // namespace tessary

#include "xls/formats.h"

#include <algorithm>
#include <array>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"
#include "xls/excel_string.h"

namespace tessary {

// ---- FORMAT ----

std::unique_ptr<TFormatRecord> TFormatRecord::Build(uint16_t number, std::u16string_view text) {
  const bool wide = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
  const size_t size = 5 + text.size() * (wide ? 2 : 1);
  if (size > kMaxRecordDataSize) throw Error("Invalid String record");
  std::vector<uint8_t> data;
  data.reserve(size);
  AppendU16(data, number);
  AppendU16(data, static_cast<uint16_t>(text.size()));
  data.push_back(wide ? 1 : 0);
  for (char16_t c : text) {
    if (wide) {
      AppendU16(data, c);
    } else {
      data.push_back(static_cast<uint8_t>(c));
    }
  }
  return std::make_unique<TFormatRecord>(xlsid::FORMAT, std::move(data));
}

static uint16_t FormatNumberOf(const TBaseRecord& record) {
  return record.Data.size() >= 2 ? GetU16(record.Data.data()) : 0;
}

// Where the characters of a FORMAT payload's text lie; false when the
// payload does not hold a whole string.
struct TFormatChars {
  const uint8_t* Chars = nullptr;
  size_t Count = 0;
  bool Wide = false;
  char16_t At(size_t i) const {
    return Wide ? static_cast<char16_t>(GetU16(Chars + 2 * i)) : static_cast<char16_t>(Chars[i]);
  }
};

static bool FormatCharsOf(const TBaseRecord& record, TFormatChars& out) {
  TByteReader in(record.Data, kFileInvalidText);
  if (!in.Has(TFormatRecord::kMinSize)) return false;
  in.Seek(TFormatRecord::kOfsText);
  const size_t count = in.U16();
  const uint8_t options = in.U8();
  const size_t skip =
      ((options & xlstr::kRichText) ? 2 : 0) + ((options & xlstr::kFarEast) ? 4 : 0);
  const size_t width = (options & xlstr::kWide) ? 2 : 1;
  if (!in.Has(skip) || count > (in.Left() - skip) / width) return false;
  in.Skip(skip);
  out = {in.Bytes(count * width).data(), count, width == 2};
  return true;
}

static std::u16string FormatTextOf(const TBaseRecord& record) {
  TFormatChars chars;
  if (!FormatCharsOf(record, chars)) return {};
  std::u16string text(chars.Count, u'\0');
  for (size_t i = 0; i < chars.Count; ++i) text[i] = chars.At(i);
  return text;
}

// Compares in place: the export looks format texts up once per cell.
static bool FormatTextEquals(const TBaseRecord& record, std::u16string_view text) {
  TFormatChars chars;
  if (!FormatCharsOf(record, chars) || chars.Count != text.size()) return false;
  for (size_t i = 0; i < chars.Count; ++i) {
    if (chars.At(i) != text[i]) return false;
  }
  return true;
}

std::u16string TFormatRecord::Text() const { return FormatTextOf(*this); }

// ---- built-in formats ----

// Built-in format texts by number; 14 and 22 come from the regional
// settings, every other number below 50 is empty.
static constexpr struct {
  int Number;
  std::u16string_view Text;
} kBuiltinFormatList[] = {
    {1, u"0"},
    {2, u"0.00"},
    {3, u"#,##0"},
    {4, u"#,##0.00"},
    {9, u"0%"},
    {10, u"0.00%"},
    {11, u"0.00E+00"},
    {12, u"?/?"},
    {13,
     u"# ??"
     u"/??"},  // split so that no trigraph is read
    {15, u"DD-MMM-YY"},
    {16, u"DD-MMM"},
    {17, u"MMM-YY"},
    {18, u"h:mm AM/PM"},
    {19, u"h:mm:ss AM/PM"},
    {20, u"hh:mm"},
    {21, u"hh:mm:ss"},
    {37, u"#,##0 _$;-#,##0 _$"},
    {38, u"#,##0 _$;[Red]-#,##0 _$"},
    {39, u"#,##0.00 _$;-#,##0.00 _$"},
    {40, u"#,##0.00 _$;[Red]-#,##0.00 _$"},
    {45, u"mm:ss"},
    {46, u"[h]:mm:ss"},
    {47, u"mm:ss,0"},
    {48, u"##0.0E+0"},
    {49, u"@"},
};

static constexpr std::array<std::u16string_view, 50> kBuiltinFormats = [] {
  std::array<std::u16string_view, 50> table{};
  for (const auto& f : kBuiltinFormatList) table[f.Number] = f.Text;
  return table;
}();

std::u16string BuiltinFormatText(int number, const TRegionalSettings& regional) {
  if (number == 14) return BuiltinDateFormat(regional);
  if (number == 22) return BuiltinDateTimeFormat(regional);
  if (number < 0 || number >= 50) return {};
  return std::u16string(kBuiltinFormats[number]);
}

// ---- FONT ----

static constexpr uint8_t kUnderlineCodes[] = {0, 0x01, 0x02, 0x21, 0x22};

std::vector<uint8_t> BuildFontPayload(const TCellFont& font) {
  if (font.Name.size() > 255) throw Error("Invalid String record");
  std::vector<uint8_t> data;
  data.reserve(16 + 2 * font.Name.size());
  AppendU16(data, font.Size20);
  AppendU16(data, static_cast<uint16_t>(((font.Style & fsItalic) ? 0x02 : 0) |
                                        ((font.Style & fsStrikeOut) ? 0x08 : 0)));
  AppendU16(data, static_cast<uint16_t>(font.ColorIndex + 7));
  AppendU16(data, (font.Style & fsBold) ? 700 : 400);
  AppendU16(data, (font.Style & fsSubscript) ? 2 : (font.Style & fsSuperscript) ? 1 : 0);
  data.push_back(font.Underline <= 4 ? kUnderlineCodes[font.Underline] : 0);
  data.push_back(font.Family);
  data.push_back(font.CharSet);
  data.push_back(0);
  data.push_back(static_cast<uint8_t>(font.Name.size()));
  data.push_back(1);  // always 16-bit characters
  for (char16_t c : font.Name) AppendU16(data, c);
  return data;
}

// Font index of list position `i`: index 4 is never used.
static uint16_t FontIndexOf(size_t i) { return static_cast<uint16_t>(i > 3 ? i + 1 : i); }

uint16_t TFormatLists::AddFont(const TCellFont& font) {
  std::vector<uint8_t> payload = BuildFontPayload(font);
  for (size_t i = 0; i < FFonts.Count(); ++i) {
    if (FFonts[i]->Data == payload) return FontIndexOf(i);
  }
  FFonts.Add(std::make_unique<TBaseRecord>(xlsid::FONT, std::move(payload)));
  return FontIndexOf(FFonts.Count() - 1);
}

TCellFont TFormatLists::GetFont(int fontIndex) const {
  TCellFont font;
  if (FFonts.Count() == 0) return font;
  size_t entry = static_cast<size_t>(fontIndex > 3 ? fontIndex - 1 : fontIndex);
  if (fontIndex < 0 || entry >= FFonts.Count()) entry = 0;
  const std::vector<uint8_t>& d = FFonts[entry]->Data;
  if (d.size() < 14) return font;
  font.Size20 = GetU16(d.data());
  const uint16_t options = GetU16(d.data() + 2);
  if (options & 0x02) font.Style |= fsItalic;
  if (options & 0x08) font.Style |= fsStrikeOut;
  font.ColorIndex = static_cast<int32_t>(GetU16(d.data() + 4)) - 7;
  if (GetU16(d.data() + 6) == 700) font.Style |= fsBold;
  const uint16_t escapement = GetU16(d.data() + 8);
  if (escapement == 1) font.Style |= fsSuperscript;
  if (escapement == 2) font.Style |= fsSubscript;
  for (uint8_t u = 1; u <= 4; ++u) {
    if (d[10] == kUnderlineCodes[u]) font.Underline = u;
  }
  font.Family = d[11];
  font.CharSet = d[12];
  if (d.size() >= 16) {
    const size_t count = d[14];
    const size_t width = (d[15] & 0x01) ? 2 : 1;
    if (count * width <= d.size() - 16) {
      font.Name.resize(count);
      for (size_t i = 0; i < count; ++i) {
        font.Name[i] = width == 2 ? static_cast<char16_t>(GetU16(d.data() + 16 + 2 * i))
                                  : static_cast<char16_t>(d[16 + i]);
      }
    }
  }
  return font;
}

// ---- FORMAT texts ----

uint16_t TFormatLists::FormatIndex(std::u16string_view text) {
  for (size_t i = 0; i < FFormats.Count(); ++i) {
    if (FormatTextEquals(*FFormats[i], text)) return FormatNumberOf(*FFormats[i]);
  }
  for (int n = 0; n < 50; ++n) {
    const bool equal =
        n == 14 || n == 22 ? BuiltinFormatText(n, FRegional) == text : kBuiltinFormats[n] == text;
    if (equal) return static_cast<uint16_t>(n);
  }
  int number = kFirstUserFormat;
  for (size_t i = 0; i < FFormats.Count(); ++i) {
    number = std::max(number, FormatNumberOf(*FFormats[i]) + 1);
  }
  if (number > 0xFFFF) {
    ThrowError("Too many entries for this kind of record (%d out of a maximum of %d)", number,
               0xFFFF);
  }
  FFormats.Add(TFormatRecord::Build(static_cast<uint16_t>(number), text));
  return static_cast<uint16_t>(number);
}

std::u16string TFormatLists::FormatText(int number) const {
  for (size_t i = 0; i < FFormats.Count(); ++i) {
    if (FormatNumberOf(*FFormats[i]) == number) return FormatTextOf(*FFormats[i]);
  }
  if (number >= 0 && number < 50) return BuiltinFormatText(number, FRegional);
  return {};
}

// ---- XF ----

// A border colour field: the colour index + 7, kept within 8-64.
static uint32_t BorderColor(int32_t colorIndex) {
  const uint32_t v = static_cast<uint32_t>(colorIndex + 7) & 127;
  return std::clamp<uint32_t>(v, 8, 64);
}

static uint32_t ColorField(int32_t colorIndex) {
  return static_cast<uint32_t>(colorIndex + 7) & 127;
}

std::vector<uint8_t> TFormatLists::BuildXFPayload(const TCellFormat& f) {
  std::vector<uint8_t> data(20, 0);
  uint8_t* p = data.data();
  const TCellBorders& b = f.Borders;
  PutU16(p, AddFont(f.Font));
  PutU16(p + 2, FormatIndex(f.Format));
  PutU16(p + 4, static_cast<uint16_t>((f.Locked ? 1 : 0) | (f.Hidden ? 2 : 0)));
  PutU16(p + 6, static_cast<uint16_t>((f.HAlignment & 7) | (f.WrapText ? 8 : 0) |
                                      ((f.VAlignment & 7) << 4) | (f.Rotation << 8)));
  // All six "differs from the parent style" bits are set.
  PutU16(p + 8, static_cast<uint16_t>((f.Indent & 15) | (f.ShrinkToFit ? 16 : 0) | 0xFC00));
  PutU16(p + 10, static_cast<uint16_t>((b.Left.Style & 15) | ((b.Right.Style & 15) << 4) |
                                       ((b.Top.Style & 15) << 8) | ((b.Bottom.Style & 15) << 12)));
  PutU16(p + 12, static_cast<uint16_t>(BorderColor(b.Left.ColorIndex) |
                                       (BorderColor(b.Right.ColorIndex) << 7) |
                                       ((b.DiagonalStyle & 3u) << 14)));
  PutU32(p + 14, BorderColor(b.Top.ColorIndex) | (BorderColor(b.Bottom.ColorIndex) << 7) |
                     (ColorField(b.Diagonal.ColorIndex) << 14) | ((b.Diagonal.Style & 15u) << 21) |
                     ((static_cast<uint32_t>(f.FillPattern.Pattern - 1) & 63u) << 26));
  PutU16(p + 18, static_cast<uint16_t>(ColorField(f.FillPattern.FgColorIndex) |
                                       (ColorField(f.FillPattern.BgColorIndex) << 7)));
  return data;
}

uint16_t TFormatLists::AddFormat(const TCellFormat& format) {
  std::vector<uint8_t> payload = BuildXFPayload(format);
  for (size_t i = 0; i < FXF.Count(); ++i) {
    if (FXF[i]->Data == payload) return static_cast<uint16_t>(i);
  }
  FXF.Add(std::make_unique<TBaseRecord>(xlsid::XF, std::move(payload)));
  return static_cast<uint16_t>(FXF.Count() - 1);
}

// A border colour read back: v - 7 above 7, else 1.
static int32_t ReadBorderColor(uint32_t v) {
  v &= 127;
  return v > 7 ? static_cast<int32_t>(v) - 7 : 1;
}

TCellFormat TFormatLists::GetFormat(int index) const {
  TCellFormat f;
  if (FXF.Count() == 0) return f;
  if (index < 0 || static_cast<size_t>(index) >= FXF.Count()) index = 0;
  uint8_t p[20] = {};
  const std::vector<uint8_t>& d = FXF[index]->Data;
  std::copy_n(d.begin(), std::min<size_t>(d.size(), 20), p);

  f.Font = GetFont(GetU16(p));
  f.Format = FormatText(GetU16(p + 2));
  const uint16_t w4 = GetU16(p + 4);
  f.Locked = (w4 & 1) != 0;
  f.Hidden = (w4 & 2) != 0;
  f.Parent = w4 & 0xFFF0;
  f.HAlignment = p[6] & 7;
  f.WrapText = (p[6] & 8) != 0;
  f.VAlignment = (p[6] >> 4) & 7;
  f.Rotation = p[7];
  f.Indent = p[8] & 15;
  f.ShrinkToFit = (p[8] & 16) != 0;

  TCellBorders& b = f.Borders;
  b.Left.Style = p[10] & 15;
  b.Right.Style = p[10] >> 4;
  b.Top.Style = p[11] & 15;
  b.Bottom.Style = p[11] >> 4;
  const uint16_t w12 = GetU16(p + 12);
  const uint32_t w14 = GetU32(p + 14);
  b.Left.ColorIndex = ReadBorderColor(w12);
  b.Right.ColorIndex = ReadBorderColor(w12 >> 7);
  b.DiagonalStyle = static_cast<uint8_t>(w12 >> 14);
  b.Top.ColorIndex = ReadBorderColor(w14);
  b.Bottom.ColorIndex = ReadBorderColor(w14 >> 7);
  b.Diagonal.ColorIndex = ReadBorderColor(w14 >> 14);
  b.Diagonal.Style = (w14 >> 21) & 15;
  f.FillPattern.Pattern = static_cast<uint8_t>((w14 >> 26) + 1);
  const uint16_t w18 = GetU16(p + 18);
  f.FillPattern.FgColorIndex = static_cast<int32_t>(w18 & 127) - 7;
  f.FillPattern.BgColorIndex = static_cast<int32_t>((w18 >> 7) & 127) - 7;
  return f;
}

}  // namespace tessary

// Cell formats of a workbook: the FONT, FORMAT and XF lists of the globals
// and the engine's exchange form for them, TCellFormat. A format that the
// export asks for is found among the existing XF records by its payload or
// appended, with its font and number format found or appended the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/base_record.h"
#include "xls/regional_settings.h"

namespace tessary {

// FORMAT numbers below this are the built-in formats.
inline constexpr uint16_t kFirstUserFormat = 164;

// TCellFont::Style bits.
enum TFontStyle : uint8_t {
  fsBold = 0x01,
  fsItalic = 0x02,
  fsStrikeOut = 0x04,
  fsSuperscript = 0x08,
  fsSubscript = 0x10,
};

struct TCellFont {
  std::u16string Name;
  uint16_t Size20 = 200;  // twentieths of a point
  int32_t ColorIndex = 0;
  uint8_t Style = 0;      // TFontStyle bits
  uint8_t Underline = 0;  // 0 none, 1 single, 2 double, 3 single accounting, 4 double accounting
  uint8_t Family = 0;
  uint8_t CharSet = 0;
  bool operator==(const TCellFont&) const = default;
};

struct TCellBorder {
  uint8_t Style = 0;  // 0-13
  int32_t ColorIndex = 0;
  bool operator==(const TCellBorder&) const = default;
};

struct TCellBorders {
  TCellBorder Left, Right, Top, Bottom, Diagonal;
  uint8_t DiagonalStyle = 0;  // 0 none, 1 down, 2 up, 3 both
  bool operator==(const TCellBorders&) const = default;
};

struct TFillPattern {
  uint8_t Pattern = 1;  // 1 = none
  int32_t FgColorIndex = 0;
  int32_t BgColorIndex = 0;
  bool operator==(const TFillPattern&) const = default;
};

struct TCellFormat {
  TCellFont Font;
  TCellBorders Borders;
  std::u16string Format;  // number format text, empty for the general format
  TFillPattern FillPattern;
  uint8_t HAlignment = 0;  // 0 general, 1 left, 2 center, 3 right, 4 fill, 5 justify, 6 across
  uint8_t VAlignment = 0;  // 0 top, 1 center, 2 bottom, 3 justify, 4 distributed
  bool Locked = false;
  bool Hidden = false;
  int32_t Parent = 0;  // kept as read, never written
  bool WrapText = false;
  bool ShrinkToFit = false;
  uint8_t Rotation = 0;
  uint8_t Indent = 0;
  bool operator==(const TCellFormat&) const = default;
};

// FORMAT: the format number and its text with a 16-bit character count.
// (XF and FONT records are carried as plain records: the lists below read
// their payloads.)
class TFormatRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsNumber = 0;
  static constexpr size_t kOfsText = 2;
  static constexpr size_t kMinSize = 5;  // number, count, option byte
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TFormatRecord)
  static std::unique_ptr<TFormatRecord> Build(uint16_t number, std::u16string_view text);
  uint16_t Number() const { return U16At(kOfsNumber); }
  // The text; empty when the payload does not hold a whole string.
  std::u16string Text() const;
};

// The text of built-in number format `number`; empty for numbers without
// one. Formats 14 and 22 follow the regional short date format.
std::u16string BuiltinFormatText(int number, const TRegionalSettings& regional);

// Payloads built from a description, as AddFont and AddFormat compare them.
// A font name of 256 or more characters fails with "Invalid String record".
std::vector<uint8_t> BuildFontPayload(const TCellFont& font);

// The FONT, FORMAT and XF lists of a workbook's globals, seen together: the
// lists are owned by the globals; this only looks them up and extends them.
class TFormatLists {
 public:
  TFormatLists(TBaseRecordList& xf, TBaseRecordList& fonts, TBaseRecordList& formats,
               const TRegionalSettings& regional)
      : FXF(xf), FFonts(fonts), FFormats(formats), FRegional(regional) {}

  // The XF index of a format: an equal XF payload found from index 0, or a
  // new XF appended.
  uint16_t AddFormat(const TCellFormat& format);
  // The font index of a font (list position, plus 1 above 3: index 4 is
  // never used), found or appended.
  uint16_t AddFont(const TCellFont& font);
  // The number of a format text: a FORMAT record with that exact text, a
  // built-in format, or a new FORMAT record numbered from 164.
  uint16_t FormatIndex(std::u16string_view text);

  // The description of XF `index`; an index outside the list reads XF 0.
  TCellFormat GetFormat(int index) const;
  // The font of a font index (entry index - 1 above 3); entry 0 when out of
  // range.
  TCellFont GetFont(int fontIndex) const;
  // The text of FORMAT number `number`, else the built-in text below 50,
  // else empty.
  std::u16string FormatText(int number) const;
  // The XF payload of a description (fonts and format texts are added).
  std::vector<uint8_t> BuildXFPayload(const TCellFormat& format);

 private:
  TBaseRecordList& FXF;
  TBaseRecordList& FFonts;
  TBaseRecordList& FFormats;
  const TRegionalSettings& FRegional;
};

}  // namespace tessary

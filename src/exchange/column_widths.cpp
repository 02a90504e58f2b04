#include "exchange/column_widths.h"

#include <algorithm>

namespace tessary {
namespace {

// Tenths of a pixel per character at 11 pixels, close to the grid's fonts
// (Tahoma, else Liberation Sans or DejaVu Sans); bold adds a tenth.
int32_t CharTenths(char16_t c) {
  if (c >= u'0' && c <= u'9') return 62;
  if (c == u'M' || c == u'W') return 100;
  if (c >= u'A' && c <= u'Z') return c == u'I' ? 32 : 76;
  if (c == u'm' || c == u'w') return 86;
  switch (c) {
    case u'i':
    case u'j':
    case u'l':
    case u'f':
    case u't':
    case u'r':
    case u' ':
    case u'.':
    case u',':
    case u':':
    case u';':
    case u'\'':
    case u'|':
    case u'!':
      return 32;
    default:
      break;
  }
  if (c < 0x80) return 58;
  // CJK and other wide scripts take about a full em.
  if (c >= 0x2E80 && c < 0xD800) return 110;
  if (c >= 0xDC00 && c < 0xE000) return 0;  // the second half of a pair
  return 66;
}

// Margins: the text offset on both sides, the grid line and 2 pixels spare.
constexpr int32_t kTextMargins = 2 + 2 + 1 + 2;

}  // namespace

int32_t EstimatedTextWidth(std::u16string_view text, bool bold) {
  int32_t widest = 0;
  int32_t line = 0;
  for (char16_t c : text) {
    if (c == u'\r' || c == u'\n') {
      widest = std::max(widest, line);
      line = 0;
      continue;
    }
    const int32_t tenths = CharTenths(c);
    line += bold ? tenths + tenths / 10 : tenths;
  }
  widest = std::max(widest, line);
  return (widest + 9) / 10;
}

int32_t FittedColumnWidth(const TCellTable& table, int32_t col) {
  int32_t widest = 0;
  const int32_t rows = std::min(table.RowCount(), 2 + kFitDataRows);
  for (int32_t r = 0; r < rows && widest < kFitMaxWidth; ++r) {
    std::u16string_view text = table.Cells(col, r);
    if (!text.empty()) widest = std::max(widest, EstimatedTextWidth(text, r < 2));
  }
  return std::clamp(widest + kTextMargins, kFitMinWidth, kFitMaxWidth);
}

void FitColumnWidths(TCellTable& table) {
  for (int32_t c = 0; c < table.ColCount(); ++c) table.SetColWidths(c, FittedColumnWidth(table, c));
}

}  // namespace tessary

#include "exchange/column_widths.h"

#include <algorithm>
#include <cstdint>

namespace tessary {
namespace {

// Tenths of a pixel taken by the printable ASCII characters (from the
// blank on) at 11 pixels: the wider of Liberation Sans and DejaVu Sans, the
// grid's fonts where Tahoma is missing.
constexpr uint8_t kRegularTenths[95] = {
    35, 45,  51, 93, 70, 105, 86, 31, 43, 43, 55, 93, 35, 40,  35, 38, 70, 70,  70,
    70, 70,  70, 70, 70, 70,  70, 38, 38, 93, 93, 93, 62, 112, 76, 76, 80, 85,  74,
    68, 86,  83, 33, 55, 74,  62, 95, 83, 87, 74, 87, 80, 74,  68, 81, 76, 109, 76,
    74, 76,  43, 38, 43, 93,  62, 55, 68, 70, 61, 70, 68, 39,  70, 70, 31, 31,  64,
    31, 108, 70, 68, 70, 70,  46, 58, 44, 70, 65, 90, 65, 65,  58, 70, 38, 70,  93,
};
constexpr uint8_t kBoldTenths[95] = {
    39, 51,  58, 93, 77, 111, 96, 34,  51, 51, 58, 93,  42, 46,  42, 41, 77, 77,  77,
    77, 77,  77, 77, 77, 77,  77, 44,  44, 93, 93, 93,  68, 110, 85, 84, 81, 92,  75,
    75, 91,  93, 41, 62, 86,  70, 110, 93, 94, 81, 94,  85, 80,  75, 90, 85, 122, 85,
    80, 80,  51, 41, 51, 93,  62, 55,  75, 79, 66, 79,  75, 48,  79, 79, 38, 38,  74,
    38, 115, 79, 76, 79, 79,  55, 66,  53, 79, 72, 102, 71, 72,  64, 79, 41, 79,  93,
};

int32_t CharTenths(char16_t c, bool bold) {
  if (c == u'\t') c = u' ';
  if (c >= 0x20 && c < 0x7F) return (bold ? kBoldTenths : kRegularTenths)[c - 0x20];
  if (c < 0x20 || (c >= 0xDC00 && c < 0xE000)) return 0;  // controls; a pair's second half
  // CJK and other wide scripts take about a full em, the rest a letter.
  if (c >= 0x2E80 && c < 0xD800) return 110;
  return bold ? 80 : 72;
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
    line += CharTenths(c, bold);
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

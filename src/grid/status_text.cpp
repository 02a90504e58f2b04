#include "grid/status_text.h"

#include <algorithm>
#include <cstdint>

#include "grid/grid_geometry.h"

namespace tessary {
namespace {

// A count with a comma between groups of three digits.
std::u16string Grouped(int64_t n) {
  std::u16string digits;
  for (int i = 0; n > 0 || digits.empty(); ++i, n /= 10) {
    if (i > 0 && i % 3 == 0) digits.insert(digits.begin(), u',');
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
  }
  return digits;
}

std::u16string Counted(int64_t n, std::u16string_view one, std::u16string_view many) {
  return Grouped(n) + u' ' + std::u16string(n == 1 ? one : many);
}

}  // namespace

std::u16string CurrentCellText(const TCellTable& table) {
  const int32_t col = table.Col();
  const int32_t row = table.Row();
  std::u16string text = row >= 2 ? u"Row " + RowLabel(row) : RowLabel(row) + u" row";
  text += u", column ";
  std::u16string_view name = table.Cells(col, 0);
  text += name.empty() ? Grouped(col + 1) : std::u16string(name);
  std::u16string_view type = table.Cells(col, 1);
  if (!type.empty()) text += u" (" + std::u16string(type) + u")";
  return text;
}

std::u16string TableSizeText(const TCellTable& table) {
  return Counted(std::max(0, table.RowCount() - 2), u"row", u"rows") + u" x " +
         Counted(table.ColCount(), u"column", u"columns");
}

std::u16string SelectionText(const TCellTable& table) {
  const TGridRect s = table.Selection();
  const int64_t cells = int64_t{s.Right - s.Left + 1} * (s.Bottom - s.Top + 1);
  return cells > 1 ? Counted(cells, u"cell", u"cells") + u" selected" : std::u16string();
}

}  // namespace tessary

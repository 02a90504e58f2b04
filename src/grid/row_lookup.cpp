#include "grid/row_lookup.h"

#include "text/number_text.h"

namespace tessary {

std::optional<int32_t> RowOfDataNumber(const TCellTable& table, int64_t number) {
  if (number < 1 || number > int64_t{table.RowCount()} - kFirstDataRow) return std::nullopt;
  return static_cast<int32_t>(number - 1 + kFirstDataRow);
}

bool HasIdColumn(const TCellTable& table) { return AsciiLower(table.Cells(0, 0)) == u"id"; }

std::optional<int32_t> RowOfId(const TCellTable& table, std::u16string_view id) {
  if (id.empty() || !HasIdColumn(table)) return std::nullopt;
  const std::optional<int32_t> value = ParseInteger(id);
  for (int32_t r = kFirstDataRow; r < table.RowCount(); ++r) {
    const std::u16string_view cell = table.Cells(0, r);
    if (value ? ParseInteger(cell) == value : cell == id) return r;
  }
  return std::nullopt;
}

}  // namespace tessary

#include "gff/g2da_values.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "gff/g2da_layout.h"
#include "table/cell_table.h"
#include "text/column_type.h"
#include "text/number_text.h"

namespace tessary {

TColumnStorage ColumnStorage(std::u16string_view typeText) {
  // A text that names no type is stored as a string column.
  switch (ColumnTypeOf(typeText).value_or(TColumnType::String)) {
    case TColumnType::Int:
      return {kFieldInt32, 1, 4};
    case TColumnType::Float:
      return {kFieldFloat32, 2, 4};
    case TColumnType::Bool:
      return {kFieldUInt8, 3, 1};
    case TColumnType::Resource:
      return {kFieldString, 4, 4};
    default:
      return {kFieldString, 0, 4};
  }
}

TNumericValue ConvertNumericValue(uint16_t typeId, std::u16string_view text) {
  TNumericValue result;
  switch (typeId) {
    case kFieldInt32:
      if (const std::optional<int32_t> value = ParseInteger(text)) {
        result.Converted = true;
        result.Bits = static_cast<uint32_t>(*value);
      }
      break;
    case kFieldUInt8:
      if (const std::optional<bool> value = ParseBool(text)) {
        result.Converted = true;
        result.Bits = *value ? 1 : 0;
      }
      break;
    case kFieldFloat32:
      // FormatReal's NAN, INF and -INF are values; a value that does not
      // round to a finite 32-bit float is written as 0.
      if (const std::optional<float> f = ParseStoredFloat(text)) {
        result.Converted = true;
        std::memcpy(&result.Bits, &*f, 4);
      }
      break;
    default:
      break;
  }
  return result;
}

bool CannotBeStored(uint16_t typeId, std::u16string_view text) {
  if (text.empty() || typeId == kFieldString) return false;
  return !ConvertNumericValue(typeId, text).Converted;
}

// Row by row, as Save reads the table: each stored row is visited while it
// is at hand.
TUnstorableCells FindUnstorableCells(const TCellTable& table) {
  struct TNumericColumn {
    int32_t Col;
    uint16_t TypeId;
  };
  std::vector<TNumericColumn> numeric;
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    const uint16_t typeId = ColumnStorage(table.Cells(c, 1)).TypeId;
    if (typeId != kFieldString) numeric.push_back({c, typeId});
  }
  TUnstorableCells found;
  if (numeric.empty()) return found;
  for (int32_t r = 2; r < table.RowCount(); ++r) {
    for (const TNumericColumn& n : numeric) {
      if (!CannotBeStored(n.TypeId, table.Cells(n.Col, r))) continue;
      if (found.Count++ == 0) {
        found.FirstCol = n.Col;
        found.FirstRow = r;
      }
    }
  }
  return found;
}

}  // namespace tessary

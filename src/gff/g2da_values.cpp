#include "gff/g2da_values.h"

#include <optional>
#include <vector>

#include "gff/g2da_layout.h"
#include "table/cell_table.h"
#include "text/column_type.h"
#include "text/stored_value.h"

namespace tessary {

TColumnStorage ColumnStorage(std::u16string_view typeText) {
  // A text that names no type is stored as a string column.
  const TColumnType type = ColumnTypeOf(typeText).value_or(TColumnType::ctString);
  switch (type) {
    case TColumnType::ctInt:
      return {type, kFieldInt32, 1, 4};
    case TColumnType::ctFloat:
      return {type, kFieldFloat32, 2, 4};
    case TColumnType::ctBool:
      return {type, kFieldUInt8, 3, 1};
    case TColumnType::ctResource:
      return {type, kFieldString, 4, 4};
    default:
      return {type, kFieldString, 0, 4};
  }
}

// Row by row, as Save reads the table: each stored row is visited while it
// is at hand.
TUnstorableCells FindUnstorableCells(const TCellTable& table) {
  struct TNumericColumn {
    int32_t Col;
    TColumnType Type;
  };
  std::vector<TNumericColumn> numeric;
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    const TColumnStorage storage = ColumnStorage(table.Cells(c, 1));
    if (storage.TypeId != kFieldString) numeric.push_back({c, storage.Type});
  }
  TUnstorableCells found;
  if (numeric.empty()) return found;
  for (int32_t r = 2; r < table.RowCount(); ++r) {
    for (const TNumericColumn& n : numeric) {
      if (!CannotBeStored(n.Type, table.Cells(n.Col, r))) continue;
      if (found.Count++ == 0) {
        found.FirstCol = n.Col;
        found.FirstRow = r;
      }
    }
  }
  return found;
}

}  // namespace tessary

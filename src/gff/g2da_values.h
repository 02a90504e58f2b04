// How Save stores a cell text in a column of each type: the value field a
// column's type text gives, and the conversion of numeric cell texts. The
// writer uses these, and so does the check for texts it would store as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/column_type.h"

namespace tessary {

class TCellTable;

// The value field of a column: "int" (TypeId 5, type byte 1), "float" (8, 2),
// "bool" (0, 3), "resource" (14, 4), any other text a string (14, 0). The
// type text is compared whole after ASCII lower-casing.
struct TColumnStorage {
  TColumnType Type;
  uint16_t TypeId;
  uint8_t TypeByte;
  uint8_t Size;  // bytes in a row record
};
TColumnStorage ColumnStorage(std::u16string_view typeText);

// The data cells of the extent (rows 2 onward) that cannot be stored
// (CannotBeStored, text/stored_value.h), and
// the first of them in the order Save writes them (row by row).
struct TUnstorableCells {
  size_t Count = 0;
  int32_t FirstCol = -1;
  int32_t FirstRow = -1;
};
TUnstorableCells FindUnstorableCells(const TCellTable& table);

}  // namespace tessary

// Go to row: the grid row of a data row number or of an ID value. Tables
// hold the column names in row 0 and the type names in row 1 in both of the
// window's modes, so data row 1 is grid row 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "table/cell_table.h"

namespace tessary {

constexpr int32_t kFirstDataRow = 2;

// The grid row of data row `number` (the first data row is 1), or nothing
// when the table has no such row.
std::optional<int32_t> RowOfDataNumber(const TCellTable& table, int64_t number);

// Whether the first column is the ID column: its name is "ID" in any letter
// case (all of them are stored as the same column).
bool HasIdColumn(const TCellTable& table);

// The first data row whose ID cell holds `id`. Texts that read as integers
// compare by value, as the table stores them ("7" finds " 7" and "0x7");
// other texts compare exactly. Nothing for the empty text, without an ID
// column or without a match.
std::optional<int32_t> RowOfId(const TCellTable& table, std::u16string_view id);

}  // namespace tessary

// The order of rows sorted by one column, free of Qt. Moving the rows is
// the caller's: table_tools.h sorts the table as one step of its history.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/cell_table.h"

namespace tessary {

enum class TSortOrder { soAscending, soDescending };

// `rows` ordered by their cells in column `col`, by the column's type (row
// 1; a text that names no type is a string column, as Save stores it):
// - int, float and bool cells by their value; then the cells that are no
//   number (for a float column also "NAN") in code-unit order;
// - string and resource cells by the collation of `locale` (an ICU locale
//   name such as "de_DE"; "" for ICU's default), equal ones in code-unit
//   order;
// - empty cells last.
// Descending reverses the order within numbers and within texts; numbers
// still come before the other texts and empty cells last. Rows whose cells
// are equal keep their order (the sort is stable).
std::vector<int32_t> SortedRows(const TCellTable& table, int32_t col, std::vector<int32_t> rows,
                                TSortOrder order, const std::string& locale);

}  // namespace tessary

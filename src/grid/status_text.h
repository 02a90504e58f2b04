// The texts of the window's status line: where the current cell is, how
// large the table is and how many cells are selected.
#pragma once

#include <string>

#include "table/cell_table.h"

namespace tessary {

// "Row 12, column Label (string)": the data row number (or "Names row",
// "Types row"), the column's name or else its number, and its type.
std::u16string CurrentCellText(const TCellTable& table);

// "200,000 rows x 50 columns": data rows, below the names and types rows.
std::u16string TableSizeText(const TCellTable& table);

// "6 cells selected", or "" while the selection is the current cell alone.
std::u16string SelectionText(const TCellTable& table);

}  // namespace tessary

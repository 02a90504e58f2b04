// The column widths a table gets when it opens, in the window and for
// `tessary-cli export` alike, so that both write the same workbook: each
// column as wide as its name, its type and the texts of its first data rows
// need in the grid's font, within limits. The widths are estimated from the
// characters rather than measured in a font, so that no window system is
// needed and every machine gives the same widths.
#pragma once

#include <cstdint>
#include <string_view>

#include "table/cell_table.h"

namespace tessary {

inline constexpr int32_t kFitMinWidth = 64;   // the grid's default width
inline constexpr int32_t kFitMaxWidth = 300;  // longer texts wrap or end in an ellipsis
inline constexpr int32_t kFitDataRows = 200;  // data rows looked at after names and types

// Pixels the widest line of `text` takes in the grid's 11-pixel sans serif
// font (bold for the names and types rows), from a table of character
// widths: never less than the fonts the grid falls back on draw it.
int32_t EstimatedTextWidth(std::u16string_view text, bool bold);

// The width column `col` opens with: the widest of its name, its type and
// its first kFitDataRows data texts, with the text's margins and grid lines,
// from kFitMinWidth to kFitMaxWidth.
int32_t FittedColumnWidth(const TCellTable& table, int32_t col);

// Gives every column of the extent its FittedColumnWidth. Reads at most
// 2 + kFitDataRows rows, whatever the size of the table.
void FitColumnWidths(TCellTable& table);

}  // namespace tessary

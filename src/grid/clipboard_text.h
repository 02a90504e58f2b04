// The clipboard text of cell ranges: cells joined by tabs, rows ended by
// CR LF, and the splitting of such a text back into cells.
#pragma once

#include <string>
#include <string_view>

#include "grid/cell_table.h"

namespace tessary {

// One cell's text as Copy prepares it: rich text as plain text, encoded
// wide text ("|\") decoded, CRs removed and the text quoted when it held
// one, and with `removeHtml` the markup of a text containing "</" removed.
std::u16string CopyCellText(std::u16string_view stored, bool removeHtml);

// The Copy text of a rectangle: one row gives its cells joined by tabs;
// several rows each end with CR LF.
std::u16string BuildCopyText(const TCellTable& table, const TGridRect& rect, bool removeHtml);

// Writes a clipboard text into the cells from (left, top): lines at CR (a
// LF right after belongs to the line end), fields at tabs. Rows grow at the
// bottom as needed; fields beyond the last column are dropped. Returns the
// rectangle from the origin to the last row and column reached, after
// raising OnCellsChanged with it; an empty text changes nothing and gives
// an empty rectangle (Right < Left).
TGridRect PasteText(TCellTable& table, std::u16string_view text, int32_t left, int32_t top);

// The text the in-place editor inserts for a clipboard text: a final CR LF
// is dropped when the text holds no other CR LF.
std::u16string EditorPasteText(std::u16string_view text);

}  // namespace tessary

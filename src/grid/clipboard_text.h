// The clipboard text of cell ranges: cells joined by tabs, rows ended by
// CR LF, and the splitting of such a text back into cells.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "table/cell_table.h"

namespace tessary {

// One cell's text as Copy prepares it. With `removeHtml` (the grid's Copy):
// rich text ("{\" at the start) becomes its plain text, encoded wide text
// ("|\") is decoded, a text containing "</" loses its markup (otherwise one
// containing "{\" is read as rich text). Without it (tessary-cli dump) the
// stored text is kept as it is. Either way a text with a CR or a LF then
// loses its CRs and is enclosed in double quotes, so that its line breaks
// stay inside one cell on the way back.
std::u16string CopyCellText(std::u16string_view stored, bool removeHtml);

// The Copy text of a rectangle: one row gives its cells joined by tabs;
// several rows each end with CR LF.
std::u16string BuildCopyText(const TCellTable& table, const TGridRect& rect, bool removeHtml);
// The same for columns left .. right of the given rows only, in their order.
std::u16string BuildCopyText(const TCellTable& table, int32_t left, int32_t right,
                             const std::vector<int32_t>& rows, bool removeHtml);

// Cut: the Copy text of the rectangle, then every editable (non-fixed) cell
// of it is emptied through the cell table. Selection and current cell stay.
std::u16string CutText(TCellTable& table, const TGridRect& rect, bool removeHtml);

// Asked before Paste writes a field: may change the text or refuse the cell.
using TBeforePasteCellEvent =
    std::function<void(int32_t col, int32_t row, std::u16string& value, bool& allow)>;

// One field of a clipboard text, as Paste reads it.
struct TPasteField {
  int64_t Line = 0;   // from 0
  int64_t Index = 0;  // within its line, from 0
  std::u16string Value;
  // False for the last field of the last line when it is empty and no line
  // break ends it: Paste leaves that cell alone ("a\t" writes one cell).
  bool Written = true;
};

// Splits a clipboard text into fields, calling `field` for each in order
// until it returns false. Fields are separated by tabs. Lines:
// - A text holding a CR LF pair ends a line at each CR (a LF right after
//   it belongs to the line end); a LF elsewhere stays in its field, and a
//   field holding a LF loses its enclosing quotes, its vertical tabs
//   becoming CR LF.
// - Any other text (from Linux programs) ends a line at each LF or lone
//   CR. A field that starts with a double quote and whose closing quote (the
//   first one followed by a tab, a line break or the end of the text)
//   encloses a line break is quoted: it runs to that quote, keeps its tabs
//   and line breaks and loses the quotes (vertical tabs become CR LF). Any
//   other field ends at the next tab or line break and stays as it stands,
//   quotes included, as in CR LF text: a copied cell "x" comes back "x".
// A field that begins with "|\" (encoded text) is never unquoted.
void SplitPasteText(std::u16string_view text, const std::function<bool(TPasteField&)>& field);

// Writes a clipboard text into the cells from (left, top), split as
// SplitPasteText says. Rows grow at the bottom as needed; fields beyond the
// last column are dropped. Returns the
// rectangle from the origin to the last row and column reached, after
// raising OnCellsChanged with it; an empty text changes nothing and gives
// an empty rectangle (Right < Left).
TGridRect PasteText(TCellTable& table, std::u16string_view text, int32_t left, int32_t top,
                    const TBeforePasteCellEvent& beforePasteCell = {});

// The text the in-place editor inserts for a clipboard text: a final CR LF
// is dropped when the text holds no other CR LF, and a final LF or CR when
// the text holds no other line break.
std::u16string EditorPasteText(std::u16string_view text);

}  // namespace tessary

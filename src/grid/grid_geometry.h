// The grid's geometry as plain functions of the cell table and the client
// area: where a cell lies, which cell lies at a point, what is visible, how
// far the view can scroll. Fixed rows and columns, and the columns kept in
// view, sit at the top and left and do not scroll; the rest starts at
// TopRow / LeftCol. The row-number gutter lies left of the client area:
// points in it have x < 0. Every function walks at most the cells that fit
// in the client area, so its cost does not depend on the size of the table.
//
// With a filter (nullptr or one that is off shows every row) the rows it
// hides take no room: rows are still table rows at every function's
// interface, and the functions below map them to their places in the view.
// A hidden row has no rectangle. Fixed rows are assumed to be at most the
// names and types rows, which every filter shows.
#pragma once

#include <cstdint>
#include <string>

#include "grid/table_filter.h"
#include "table/cell_table.h"

namespace tessary {

// Width of the line drawn after every column and below every row.
constexpr int32_t kGridLineWidth = 1;

// A rectangle of pixels; Right and Bottom are exclusive.
struct TPixelRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// The client area the cells are drawn in, and how the view lays them out.
struct TClientSize {
  int32_t Width = 0;
  int32_t Height = 0;
  // Columns from 0 on that stay in view while the view scrolls right, as
  // fixed columns do, but stay editable ("Keep first column in view").
  int32_t KeptCols = 0;
};

// The scrolling part that shows in the client area. Last* is the last cell
// that shows at least partly, LastFull* the last one that shows whole (or
// First* - 1 when none does).
struct TVisibleRange {
  int32_t FirstCol = 0;
  int32_t LastCol = -1;
  int32_t LastFullCol = -1;
  int32_t FirstRow = 0;
  int32_t LastRow = -1;
  int32_t LastFullRow = -1;
};

// --- Rows as the view shows them -----------------------------------------
// The rows that show, and a row's place among them (from 0, fixed rows
// first); -1 for a row that does not show.
int32_t ShownRowCount(const TCellTable& t, const TTableFilter* filter);
int32_t RowOfShownIndex(const TCellTable& t, const TTableFilter* filter, int32_t index);
int32_t ShownIndexOfRow(const TCellTable& t, const TTableFilter* filter, int32_t row);
// The row `delta` shown rows below (above, when negative) `row`, kept
// within the shown non-fixed rows; from a hidden row, one step reaches the
// next (previous) shown row. `row` itself when no non-fixed row shows.
int32_t ShownRowMovedBy(const TCellTable& t, const TTableFilter* filter, int32_t row,
                        int32_t delta);

// Columns that do not scroll: the fixed ones and those kept in view, never
// every column (the last one always scrolls).
int32_t PinnedCols(const TCellTable& t, TClientSize client);

// Pixels taken by the columns that do not scroll (by the fixed rows), grid
// lines included.
int32_t FixedWidth(const TCellTable& t, TClientSize client);
int32_t FixedHeight(const TCellTable& t);

TVisibleRange VisibleRange(const TCellTable& t, TClientSize client,
                           const TTableFilter* filter = nullptr);

// Left edge of a column (top edge of a row) in client pixels: fixed ones
// from 0, the others counted from LeftCol (TopRow). Columns left of LeftCol
// or starting at or past the client edge give INT32_MIN / INT32_MAX.
int32_t ColumnLeft(const TCellTable& t, TClientSize client, int32_t col);
int32_t RowTop(const TCellTable& t, TClientSize client, int32_t row,
               const TTableFilter* filter = nullptr);

// The cell's rectangle without its grid lines; empty when it is not shown.
TPixelRect CellRect(const TCellTable& t, TClientSize client, int32_t col, int32_t row,
                    const TTableFilter* filter = nullptr);

// The cell at a client point, the line after a cell counting as that cell;
// X or Y is -1 where the point lies past the last column or row.
TGridCoord CellAt(const TCellTable& t, TClientSize client, int32_t x, int32_t y,
                  const TTableFilter* filter = nullptr);

// Highest TopRow (LeftCol) at which the last row (column) still shows whole;
// at least FixedRows (FixedCols).
int32_t MaxTopRow(const TCellTable& t, TClientSize client, const TTableFilter* filter = nullptr);
int32_t MaxLeftCol(const TCellTable& t, TClientSize client);

// A page: the last fully visible row (column) minus the first visible
// non-fixed one, at least 1.
int32_t RowPage(const TCellTable& t, TClientSize client, const TTableFilter* filter = nullptr);
int32_t ColPage(const TCellTable& t, TClientSize client);

// The TopRow (LeftCol) that brings `row` (`col`) whole into view with the
// least scrolling; the present one when it already shows.
int32_t TopRowShowing(const TCellTable& t, TClientSize client, int32_t row,
                      const TTableFilter* filter = nullptr);
int32_t LeftColShowing(const TCellTable& t, TClientSize client, int32_t col);

// The column sizing grip: the column whose right boundary b (its grid line)
// has b - 3 <= x <= b + 4, or -1.
int32_t SizingColumnAt(const TCellTable& t, TClientSize client, int32_t x);

// The label of a row in the gutter: "Names" and "Types" for rows 0 and 1,
// the data row number (from 1) for the rows after them.
std::u16string RowLabel(int32_t row);

}  // namespace tessary

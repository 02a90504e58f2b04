#include "grid/grid_geometry.h"

#include <algorithm>
#include <climits>

namespace tessary {
namespace {

// One axis of the grid, so that columns and rows share the arithmetic. Its
// indices are places in the view: for columns the columns themselves, for
// rows the rows the filter shows.
// Columns kept in view count as fixed columns here.
struct TAxis {
  const TCellTable& T;
  bool Cols;
  const TTableFilter* F;
  int32_t Pinned;  // columns that do not scroll
  TAxis(const TCellTable& t, bool cols, const TTableFilter* f = nullptr, int32_t pinned = 0)
      : T(t), Cols(cols), F(f), Pinned(pinned) {}

  bool Filtered() const { return !Cols && F && F->Active(); }
  int32_t Count() const {
    return Cols ? T.ColCount() : Filtered() ? F->ViewCount(T) : T.RowCount();
  }
  int32_t Fixed() const { return Cols ? Pinned : std::min(T.FixedRows(), Count()); }
  // The column or row at a place, and the place of one (-1 when hidden).
  int32_t Item(int32_t i) const { return Filtered() ? F->RowAt(i) : i; }
  int32_t Index(int32_t item) const { return Filtered() ? F->ViewIndex(T, item) : item; }
  int32_t First() const {
    if (Cols) return std::max(Pinned, T.LeftCol());
    return Filtered() ? F->ViewIndexAtOrAfter(T, T.TopRow()) : std::max(Fixed(), T.TopRow());
  }
  int32_t Size(int32_t i) const { return Cols ? T.ColWidths(i) : T.RowHeights(Item(i)); }
  int32_t Step(int32_t i) const { return Size(i) + kGridLineWidth; }

  int32_t FixedExtent() const {
    int32_t sum = 0;
    for (int32_t i = 0; i < Fixed(); ++i) sum += Step(i);
    return sum;
  }

  // Start position of index i, or INT32_MIN / INT32_MAX when it is not shown.
  int32_t Start(int32_t limit, int32_t i) const {
    if (i < 0 || i >= Count()) return INT32_MAX;
    int32_t pos = 0;
    if (i < Fixed()) {
      for (int32_t k = 0; k < i; ++k) pos += Step(k);
      return pos;
    }
    if (i < First()) return INT32_MIN;
    pos = FixedExtent();
    for (int32_t k = First(); k < i; ++k) {
      if (pos >= limit) return INT32_MAX;
      pos += Step(k);
    }
    return pos < limit ? pos : INT32_MAX;
  }

  // Index at position p, or -1 past the last one.
  int32_t At(int32_t limit, int32_t p) const {
    if (p < 0) return -1;
    int32_t pos = 0;
    for (int32_t i = 0; i < Fixed(); ++i) {
      pos += Step(i);
      if (p < pos) return i;
    }
    for (int32_t i = First(); i < Count() && pos < limit; ++i) {
      pos += Step(i);
      if (p < pos) return i;
    }
    return -1;
  }

  void Visible(int32_t limit, int32_t& first, int32_t& last, int32_t& lastFull) const {
    first = First();
    last = first - 1;
    lastFull = first - 1;
    int32_t pos = FixedExtent();
    for (int32_t i = first; i < Count() && pos < limit; ++i) {
      last = i;
      pos += Size(i);
      if (pos <= limit) lastFull = i;
      pos += kGridLineWidth;
    }
  }

  // The lowest first index at which index i still ends inside the limit.
  int32_t FirstEndingWith(int32_t limit, int32_t i) const {
    const int32_t room = limit - FixedExtent();
    int32_t used = Size(i);
    int32_t start = i;
    while (start > Fixed() && used + Step(start - 1) <= room) {
      used += Step(start - 1);
      --start;
    }
    return start;
  }

  int32_t MaxFirst(int32_t limit) const { return FirstEndingWith(limit, Count() - 1); }

  int32_t Page(int32_t limit) const {
    int32_t first = 0, last = 0, lastFull = 0;
    Visible(limit, first, last, lastFull);
    return std::max(1, lastFull - first);
  }

  int32_t FirstShowing(int32_t limit, int32_t i) const {
    const int32_t first = First();
    if (i < Fixed()) return first;
    if (i <= first) return i;
    int32_t f = 0, last = 0, lastFull = 0;
    Visible(limit, f, last, lastFull);
    if (i <= lastFull) return first;
    return FirstEndingWith(limit, i);
  }
};

TAxis ColAxis(const TCellTable& t, TClientSize client) {
  return TAxis(t, true, nullptr, PinnedCols(t, client));
}

}  // namespace

int32_t ShownRowCount(const TCellTable& t, const TTableFilter* filter) {
  return TAxis{t, false, filter}.Count();
}

int32_t RowOfShownIndex(const TCellTable& t, const TTableFilter* filter, int32_t index) {
  return TAxis{t, false, filter}.Item(index);
}

int32_t ShownIndexOfRow(const TCellTable& t, const TTableFilter* filter, int32_t row) {
  return TAxis{t, false, filter}.Index(row);
}

int32_t ShownRowMovedBy(const TCellTable& t, const TTableFilter* filter, int32_t row,
                        int32_t delta) {
  const TAxis rows{t, false, filter};
  if (rows.Count() <= rows.Fixed()) return row;
  int64_t index = rows.Index(row);
  if (index < 0) {
    // Between two shown rows: the first step down lands on the next one.
    index = filter->ViewIndexAtOrAfter(t, row);
    if (delta > 0) --index;
  }
  const int64_t target = std::clamp<int64_t>(index + delta, rows.Fixed(), rows.Count() - 1);
  return rows.Item(static_cast<int32_t>(target));
}

int32_t PinnedCols(const TCellTable& t, TClientSize client) {
  return std::max(t.FixedCols(), std::min(client.KeptCols, t.ColCount() - 1));
}

int32_t FixedWidth(const TCellTable& t, TClientSize client) {
  return ColAxis(t, client).FixedExtent();
}
int32_t FixedHeight(const TCellTable& t) { return TAxis{t, false}.FixedExtent(); }

TVisibleRange VisibleRange(const TCellTable& t, TClientSize client, const TTableFilter* filter) {
  TVisibleRange r;
  ColAxis(t, client).Visible(client.Width, r.FirstCol, r.LastCol, r.LastFullCol);
  const TAxis rows{t, false, filter};
  rows.Visible(client.Height, r.FirstRow, r.LastRow, r.LastFullRow);
  if (rows.Filtered()) {
    // Places in the view back to rows; "none shows" stays First - 1.
    const int32_t first = r.FirstRow;
    auto row = [&](int32_t i, int32_t none) { return i >= first ? rows.Item(i) : none; };
    r.FirstRow = first < rows.Count() ? rows.Item(first) : t.TopRow();
    r.LastRow = row(r.LastRow, r.FirstRow - 1);
    r.LastFullRow = row(r.LastFullRow, r.FirstRow - 1);
  }
  return r;
}

int32_t ColumnLeft(const TCellTable& t, TClientSize client, int32_t col) {
  return ColAxis(t, client).Start(client.Width, col);
}

int32_t RowTop(const TCellTable& t, TClientSize client, int32_t row, const TTableFilter* filter) {
  const TAxis rows{t, false, filter};
  return rows.Start(client.Height, rows.Index(row));
}

TPixelRect CellRect(const TCellTable& t, TClientSize client, int32_t col, int32_t row,
                    const TTableFilter* filter) {
  const int32_t left = ColumnLeft(t, client, col);
  const int32_t top = RowTop(t, client, row, filter);
  if (left == INT32_MIN || left == INT32_MAX || top == INT32_MIN || top == INT32_MAX) return {};
  return TPixelRect{left, top, left + t.ColWidths(col), top + t.RowHeights(row)};
}

TGridCoord CellAt(const TCellTable& t, TClientSize client, int32_t x, int32_t y,
                  const TTableFilter* filter) {
  const TAxis rows{t, false, filter};
  const int32_t row = rows.At(client.Height, y);
  return TGridCoord{ColAxis(t, client).At(client.Width, x), row < 0 ? -1 : rows.Item(row)};
}

int32_t MaxTopRow(const TCellTable& t, TClientSize client, const TTableFilter* filter) {
  const TAxis rows{t, false, filter};
  // A filter that shows no scrolling row leaves nothing to scroll to.
  if (rows.Count() <= rows.Fixed()) return t.FixedRows();
  return rows.Item(rows.MaxFirst(client.Height));
}

int32_t MaxLeftCol(const TCellTable& t, TClientSize client) {
  return ColAxis(t, client).MaxFirst(client.Width);
}

int32_t RowPage(const TCellTable& t, TClientSize client, const TTableFilter* filter) {
  return TAxis{t, false, filter}.Page(client.Height);
}

int32_t ColPage(const TCellTable& t, TClientSize client) {
  return ColAxis(t, client).Page(client.Width);
}

int32_t TopRowShowing(const TCellTable& t, TClientSize client, int32_t row,
                      const TTableFilter* filter) {
  const TAxis rows{t, false, filter};
  const int32_t index = rows.Index(row);
  if (index < 0) return t.TopRow();
  const int32_t first = rows.FirstShowing(client.Height, index);
  return first < rows.Count() ? rows.Item(first) : t.TopRow();
}

int32_t LeftColShowing(const TCellTable& t, TClientSize client, int32_t col) {
  return ColAxis(t, client).FirstShowing(client.Width, col);
}

int32_t SizingColumnAt(const TCellTable& t, TClientSize client, int32_t x) {
  const TAxis axis = ColAxis(t, client);
  int32_t pos = 0;
  auto check = [&](int32_t col) {
    const int32_t boundary = pos + t.ColWidths(col);
    return x >= boundary - 3 && x <= boundary + 4;
  };
  // The last matching boundary wins, so that a narrow column can still be
  // widened from its right edge rather than the one before it.
  int32_t found = -1;
  for (int32_t c = 0; c < axis.Fixed(); ++c) {
    if (check(c)) found = c;
    pos += axis.Step(c);
  }
  for (int32_t c = axis.First(); c < t.ColCount() && pos < client.Width + 4; ++c) {
    if (check(c)) found = c;
    pos += axis.Step(c);
  }
  return found;
}

std::u16string RowLabel(int32_t row) {
  if (row == 0) return u"Names";
  if (row == 1) return u"Types";
  std::u16string digits;
  for (int64_t n = int64_t{row} - 1; n > 0 || digits.empty(); n /= 10) {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
  }
  return digits;
}

}  // namespace tessary

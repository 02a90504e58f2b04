#include "grid/grid_geometry.h"

#include <algorithm>
#include <climits>

namespace tessary {
namespace {

int32_t ColStep(const TCellTable& t, int32_t col) { return t.ColWidths(col) + kGridLineWidth; }
int32_t RowStep(const TCellTable& t, int32_t row) { return t.RowHeights(row) + kGridLineWidth; }

// One axis of the grid, so that columns and rows share the arithmetic.
// Columns kept in view count as fixed here.
struct TAxis {
  const TCellTable& T;
  bool Cols;
  int32_t Pinned;
  TAxis(const TCellTable& t, bool cols, TClientSize client)
      : T(t), Cols(cols), Pinned(cols ? PinnedCols(t, client) : t.FixedRows()) {}
  int32_t Count() const { return Cols ? T.ColCount() : T.RowCount(); }
  int32_t Fixed() const { return Pinned; }
  int32_t First() const { return std::max(Pinned, Cols ? T.LeftCol() : T.TopRow()); }
  int32_t Step(int32_t i) const { return Cols ? ColStep(T, i) : RowStep(T, i); }
  int32_t Size(int32_t i) const { return Cols ? T.ColWidths(i) : T.RowHeights(i); }

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

}  // namespace

int32_t PinnedCols(const TCellTable& t, TClientSize client) {
  return std::max(t.FixedCols(), std::min(client.KeptCols, t.ColCount() - 1));
}

int32_t FixedWidth(const TCellTable& t, TClientSize client) {
  return TAxis(t, true, client).FixedExtent();
}

int32_t FixedHeight(const TCellTable& t) { return TAxis(t, false, TClientSize{}).FixedExtent(); }

TVisibleRange VisibleRange(const TCellTable& t, TClientSize client) {
  TVisibleRange r;
  TAxis(t, true, client).Visible(client.Width, r.FirstCol, r.LastCol, r.LastFullCol);
  TAxis(t, false, client).Visible(client.Height, r.FirstRow, r.LastRow, r.LastFullRow);
  return r;
}

int32_t ColumnLeft(const TCellTable& t, TClientSize client, int32_t col) {
  return TAxis(t, true, client).Start(client.Width, col);
}

int32_t RowTop(const TCellTable& t, TClientSize client, int32_t row) {
  return TAxis(t, false, client).Start(client.Height, row);
}

TPixelRect CellRect(const TCellTable& t, TClientSize client, int32_t col, int32_t row) {
  const int32_t left = ColumnLeft(t, client, col);
  const int32_t top = RowTop(t, client, row);
  if (left == INT32_MIN || left == INT32_MAX || top == INT32_MIN || top == INT32_MAX) return {};
  return TPixelRect{left, top, left + t.ColWidths(col), top + t.RowHeights(row)};
}

TGridCoord CellAt(const TCellTable& t, TClientSize client, int32_t x, int32_t y) {
  return TGridCoord{TAxis(t, true, client).At(client.Width, x),
                    TAxis(t, false, client).At(client.Height, y)};
}

int32_t MaxTopRow(const TCellTable& t, TClientSize client) {
  return TAxis(t, false, client).MaxFirst(client.Height);
}

int32_t MaxLeftCol(const TCellTable& t, TClientSize client) {
  return TAxis(t, true, client).MaxFirst(client.Width);
}

int32_t RowPage(const TCellTable& t, TClientSize client) {
  return TAxis(t, false, client).Page(client.Height);
}

int32_t ColPage(const TCellTable& t, TClientSize client) {
  return TAxis(t, true, client).Page(client.Width);
}

int32_t TopRowShowing(const TCellTable& t, TClientSize client, int32_t row) {
  return TAxis(t, false, client).FirstShowing(client.Height, row);
}

int32_t LeftColShowing(const TCellTable& t, TClientSize client, int32_t col) {
  return TAxis(t, true, client).FirstShowing(client.Width, col);
}

int32_t SizingColumnAt(const TCellTable& t, TClientSize client, int32_t x) {
  const TAxis axis(t, true, client);
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

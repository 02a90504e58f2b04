#include "grid/table_filter.h"

#include <algorithm>
#include <optional>

#include "grid/find_replace.h"

namespace tessary {

namespace {

// The rows that always show: the names and types rows the table has.
int32_t HeadRows(const TCellTable& table) { return std::min(table.RowCount(), kFirstDataRow); }

}  // namespace

void TTableFilter::Apply(const TCellTable& table, std::vector<TFilterCondition> conditions) {
  std::erase_if(conditions, [](const TFilterCondition& c) {
    return c.Col < 0 || (c.Match == TFilterMatch::fmContains && c.Text.empty());
  });
  Clear();
  if (conditions.empty()) return;
  std::vector<std::optional<TTextMatcher>> contains(conditions.size());
  for (size_t i = 0; i < conditions.size(); ++i) {
    if (conditions[i].Match == TFilterMatch::fmContains)
      contains[i].emplace(TFindOptions{conditions[i].Text});
  }
  for (int32_t r = kFirstDataRow; r < table.RowCount(); ++r) {
    bool all = true;
    for (size_t i = 0; i < conditions.size() && all; ++i) {
      const TFilterCondition& c = conditions[i];
      const std::u16string_view text = table.Cells(c.Col, r);
      all = c.Match == TFilterMatch::fmEquals ? text == c.Text : contains[i]->Matches(text);
    }
    if (all) FRows.push_back(r);
  }
  FConditions = std::move(conditions);
  FActive = true;
}

void TTableFilter::Clear() {
  FActive = false;
  FConditions.clear();
  FRows.clear();
  FRows.shrink_to_fit();
}

bool TTableFilter::Shows(int32_t row) const {
  return !FActive || row < kFirstDataRow || std::binary_search(FRows.begin(), FRows.end(), row);
}

int32_t TTableFilter::ViewCount(const TCellTable& table) const {
  if (!FActive) return table.RowCount();
  // Rows past the extent are not counted, should the table have shrunk
  // behind the filter's back.
  const auto shown = std::lower_bound(FRows.begin(), FRows.end(), table.RowCount()) - FRows.begin();
  return HeadRows(table) + static_cast<int32_t>(shown);
}

int32_t TTableFilter::RowAt(int32_t viewIndex) const {
  if (!FActive || viewIndex < kFirstDataRow) return viewIndex;
  return FRows[static_cast<size_t>(viewIndex - kFirstDataRow)];
}

int32_t TTableFilter::ViewIndex(const TCellTable& table, int32_t row) const {
  if (row < 0 || row >= table.RowCount()) return -1;
  if (!FActive || row < kFirstDataRow) return row;
  const auto it = std::lower_bound(FRows.begin(), FRows.end(), row);
  if (it == FRows.end() || *it != row) return -1;
  return kFirstDataRow + static_cast<int32_t>(it - FRows.begin());
}

int32_t TTableFilter::ViewIndexAtOrAfter(const TCellTable& table, int32_t row) const {
  const int32_t count = ViewCount(table);
  if (row <= 0) return 0;
  if (!FActive) return std::min(row, count);
  if (row < HeadRows(table)) return row;
  const auto it = std::lower_bound(FRows.begin(), FRows.end(), row);
  return std::min(count, HeadRows(table) + static_cast<int32_t>(it - FRows.begin()));
}

std::vector<int32_t> TTableFilter::ShownRows(const TCellTable& table, int32_t top,
                                             int32_t bottom) const {
  std::vector<int32_t> rows;
  top = std::max(top, 0);
  bottom = std::min(bottom, table.RowCount() - 1);
  for (int32_t r = top; r <= bottom && (!FActive || r < kFirstDataRow); ++r) rows.push_back(r);
  if (FActive) {
    auto it = std::lower_bound(FRows.begin(), FRows.end(), std::max(top, kFirstDataRow));
    for (; it != FRows.end() && *it <= bottom; ++it) rows.push_back(*it);
  }
  return rows;
}

int32_t TTableFilter::ShownDataRows(const TCellTable& table) const {
  return ViewCount(table) - HeadRows(table);
}

// Rows 0 and 1 always show; they are listed while the rows move so that a
// row moving into the data rows from there shows too.
void TTableFilter::Follow(const TTableChange& change) {
  using TKind = TTableChange::TKind;
  if (!FActive || change.Kind == TKind::tcCell || change.Kind == TKind::tcColCount) return;
  std::vector<int32_t> shown;
  shown.reserve(FRows.size() + kFirstDataRow + static_cast<size_t>(std::max(change.Count, 0)));
  for (int32_t r = 0; r < kFirstDataRow; ++r) shown.push_back(r);
  shown.insert(shown.end(), FRows.begin(), FRows.end());
  const int32_t at = change.Row;
  std::vector<int32_t> moved;
  moved.reserve(shown.size());
  switch (change.Kind) {
    case TKind::tcRowsInserted: {
      const auto split = std::lower_bound(shown.begin(), shown.end(), at);
      moved.assign(shown.begin(), split);
      for (int32_t i = 0; i < change.Count; ++i) moved.push_back(at + i);
      for (auto it = split; it != shown.end(); ++it) moved.push_back(*it + change.Count);
      break;
    }
    case TKind::tcRowsDropped:
      for (int32_t r : shown) {
        if (r < at) {
          moved.push_back(r);
        } else if (r - at >= change.Count) {
          moved.push_back(r - change.Count);
        }
      }
      break;
    default: {  // tcRowsReordered
      const auto n = static_cast<int32_t>(change.Order.size());
      for (int32_t r : shown) {
        if (r < at || r - at >= n) moved.push_back(r);
      }
      auto shows = [&](int32_t r) { return std::binary_search(shown.begin(), shown.end(), r); };
      for (int32_t i = 0; i < n; ++i) {
        if (shows(change.Order[static_cast<size_t>(i)])) moved.push_back(at + i);
      }
      std::sort(moved.begin(), moved.end());
      break;
    }
  }
  FRows.clear();
  for (int32_t r : moved) {
    if (r >= kFirstDataRow) FRows.push_back(r);
  }
}

bool TTableFilter::Touches(const TTableChange& change, int32_t rowCount, int32_t colCount) const {
  if (!FActive) return false;
  auto hidden = [&](int32_t r) { return r >= kFirstDataRow && r < rowCount && !Shows(r); };
  switch (change.Kind) {
    case TTableChange::TKind::tcCell:
      return change.Col < colCount && hidden(change.Row);
    case TTableChange::TKind::tcRowsDropped: {
      const int32_t first = std::max(change.Row, kFirstDataRow);
      const int64_t last = std::min<int64_t>(int64_t{change.Row} + change.Count, rowCount);
      if (first >= last) return false;
      const auto from = std::lower_bound(FRows.begin(), FRows.end(), first);
      const auto to = std::lower_bound(FRows.begin(), FRows.end(), last);
      return to - from != last - first;
    }
    case TTableChange::TKind::tcRowsReordered: {
      int32_t previous = -1;
      for (int32_t source : change.Order) {
        if (!hidden(source)) continue;
        if (source < previous) return true;
        previous = source;
      }
      return false;
    }
    default:
      return false;
  }
}

std::u16string GroupedCount(int64_t value) {
  std::u16string digits;
  const bool negative = value < 0;
  uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  int n = 0;
  do {
    if (n > 0 && n % 3 == 0) digits += u',';
    digits += static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
    ++n;
  } while (v != 0);
  if (negative) digits += u'-';
  return std::u16string(digits.rbegin(), digits.rend());
}

std::u16string FilterStatusText(const TCellTable& table, const TTableFilter& filter) {
  const int32_t all = std::max(0, table.RowCount() - kFirstDataRow);
  return u"Showing " + GroupedCount(filter.ShownDataRows(table)) + u" of " + GroupedCount(all) +
         (all == 1 ? u" row" : u" rows");
}

}  // namespace tessary

#include "compare/comparison_edits.h"

#include <algorithm>
#include <limits>
#include <tuple>
#include <vector>

namespace tessary {
namespace {

bool Before(TGridCoord a, TGridCoord b) { return std::tie(a.Y, a.X) < std::tie(b.Y, b.X); }

// Cells edited one by one are compared one by one up to this many; more
// are compared as the rectangle around them.
constexpr size_t kSingleRechecks = 256;

}  // namespace

void FollowHistoryStep(TTableComparison& comparison, const TEditHistory& history,
                       THistoryChange change) {
  if (change != THistoryChange::hcRecorded && change != THistoryChange::hcUndone &&
      change != THistoryChange::hcRedone) {
    return;
  }
  // The step just done is the one Undo would take back; the step just
  // undone is the one Redo would make again.
  bool whole = false;
  bool any = false;
  std::vector<TGridCoord> cells;
  history.ForEachChange(change != THistoryChange::hcUndone, [&](const TTableChange& c) {
    any = true;
    if (c.Kind == TTableChange::TKind::tcCell) {
      if (cells.size() <= kSingleRechecks) cells.push_back(TGridCoord{c.Col, c.Row});
    } else {
      whole = true;
    }
  });
  // A step that shows no change moved a column or switched the fixed rows:
  // what matches what may have changed.
  if (whole || !any) {
    comparison.Compare();
    return;
  }
  if (cells.size() <= kSingleRechecks) {
    for (const TGridCoord& c : cells) comparison.Recheck(TGridRect{c.X, c.Y, c.X, c.Y});
    return;
  }
  TGridRect around{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(), -1,
                   -1};
  history.ForEachChange(change != THistoryChange::hcUndone, [&](const TTableChange& c) {
    around.Left = std::min(around.Left, c.Col);
    around.Top = std::min(around.Top, c.Row);
    around.Right = std::max(around.Right, c.Col);
    around.Bottom = std::max(around.Bottom, c.Row);
  });
  comparison.Recheck(around);
}

std::optional<TGridCoord> NextDifference(const TTableComparison& comparison, TGridCoord from,
                                         bool forward, const TRowShown& shows) {
  const std::vector<TGridCoord>& changed = comparison.ChangedCells();
  const std::vector<int32_t>& removed = comparison.RemovedRows();
  while (true) {
    std::optional<TGridCoord> cell;
    std::optional<TGridCoord> row;
    if (forward) {
      const auto c = std::upper_bound(changed.begin(), changed.end(), from, Before);
      if (c != changed.end()) cell = *c;
      const auto r = std::upper_bound(removed.begin(), removed.end(), from.Y);
      if (r != removed.end()) row = TGridCoord{0, *r};
      if (from.X < 0 && std::binary_search(removed.begin(), removed.end(), from.Y)) {
        row = TGridCoord{0, from.Y};
      }
    } else {
      const auto c = std::lower_bound(changed.begin(), changed.end(), from, Before);
      if (c != changed.begin()) cell = *std::prev(c);
      const bool here = from.X > 0 && std::binary_search(removed.begin(), removed.end(), from.Y);
      const auto r = std::lower_bound(removed.begin(), removed.end(), from.Y);
      if (here) {
        row = TGridCoord{0, from.Y};
      } else if (r != removed.begin()) {
        row = TGridCoord{0, *std::prev(r)};
      }
    }
    std::optional<TGridCoord> next = cell;
    if (row && (!next || (forward ? Before(*row, *next) : Before(*next, *row)))) next = row;
    if (!next || !shows || shows(next->Y)) return next;
    // A hidden row: on past the whole of it.
    from = TGridCoord{forward ? std::numeric_limits<int32_t>::max() : -1, next->Y};
  }
}

size_t TakeOtherValues(const TTableComparison& comparison, TEditHistory& history,
                       const TGridRect& r, const TRowShown& shows) {
  const std::vector<TGridCoord>& changed = comparison.ChangedCells();
  const auto first = std::lower_bound(changed.begin(), changed.end(), TGridCoord{0, r.Top}, Before);
  std::vector<TGridCoord> cells;
  for (auto it = first; it != changed.end() && it->Y <= r.Bottom; ++it) {
    if (it->X >= r.Left && it->X <= r.Right && (!shows || shows(it->Y))) cells.push_back(*it);
  }
  if (cells.empty()) return 0;
  // The other table's texts stay put while this table is written.
  TEditHistory::TStepScope step(history);
  for (const TGridCoord& c : cells) {
    history.SetCells(c.X, c.Y, comparison.OtherText(c.X, c.Y).value_or(std::u16string_view()));
  }
  return cells.size();
}

int32_t TakeOtherRows(const TTableComparison& comparison, const TCellTable& table,
                      const TCellTable& other, TEditHistory& history,
                      std::span<const size_t> added) {
  const auto& rows = comparison.AddedRows();
  // Where each goes, from the bottom up, so that rows inserted later do not
  // move the places of those still to come; rows that follow one row keep
  // the other table's order.
  struct TPlace {
    int32_t At;
    int32_t OtherRow;
  };
  std::vector<TPlace> places;
  for (size_t i : added) {
    if (i >= rows.size()) continue;
    const auto& row = rows[i];
    places.push_back(TPlace{row.After >= 0 ? row.After + 1 : table.RowCount(), row.OtherRow});
  }
  if (places.empty()) return -1;
  std::sort(places.begin(), places.end(), [](const TPlace& a, const TPlace& b) {
    return std::tie(a.At, a.OtherRow) > std::tie(b.At, b.OtherRow);
  });
  places.erase(
      std::unique(places.begin(), places.end(),
                  [](const TPlace& a, const TPlace& b) { return a.OtherRow == b.OtherRow; }),
      places.end());
  std::vector<std::pair<int32_t, int32_t>> columns;  // (column, other's column)
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    if (const int32_t oc = comparison.OtherCol(c); oc >= 0) columns.emplace_back(c, oc);
  }
  TEditHistory::TStepScope step(history);
  for (const TPlace& p : places) {
    history.InsertRows(p.At, 1);
    for (const auto& [c, oc] : columns) {
      const std::u16string_view text = other.Cells(oc, p.OtherRow);
      if (!text.empty()) history.SetCells(c, p.At, text);
    }
  }
  return places.back().At;
}

}  // namespace tessary

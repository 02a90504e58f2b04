#include "batch/table_append.h"

#include <algorithm>
#include <deque>
#include <map>
#include <unordered_map>

#include "gff/column_names.h"
#include "text/stored_value.h"

namespace tessary {
namespace {

constexpr int32_t kFirstDataRow = 2;

}  // namespace

int32_t DataRowCount(const TCellTable& table) {
  return std::max(0, table.RowCount() - kFirstDataRow);
}

TColumnKey ColumnKeyOf(const TCellTable& table, int32_t col) {
  std::u16string_view name = table.Cells(col, 0);
  std::u16string_view type = table.Cells(col, 1);
  return {NameToHash(name), ColumnTypeOf(type).value_or(TColumnType::ctString)};
}

TColumnMatch MatchColumns(const TCellTable& base, const TCellTable& added) {
  // The base's columns of each name hash not yet matched, in base order.
  std::map<uint32_t, std::deque<int32_t>> open;
  for (int32_t c = 0; c < base.ColCount(); ++c) open[ColumnKeyOf(base, c).Hash].push_back(c);
  TColumnMatch match;
  match.ToBase.resize(static_cast<size_t>(added.ColCount()));
  std::vector<bool> taken(static_cast<size_t>(base.ColCount()));
  for (int32_t c = 0; c < added.ColCount(); ++c) {
    const TColumnKey key = ColumnKeyOf(added, c);
    auto it = open.find(key.Hash);
    if (it == open.end() || it->second.empty()) {
      match.Difference = TColumnDifference{TColumnDifferenceKind::NotInBase, c, 0};
      break;
    }
    std::deque<int32_t>& candidates = it->second;
    auto same = std::find_if(candidates.begin(), candidates.end(),
                             [&](int32_t b) { return ColumnKeyOf(base, b).Type == key.Type; });
    if (same == candidates.end()) {
      match.Difference =
          TColumnDifference{TColumnDifferenceKind::TypeDiffers, c, candidates.front()};
      break;
    }
    match.ToBase[static_cast<size_t>(c)] = *same;
    taken[static_cast<size_t>(*same)] = true;
    candidates.erase(same);
  }
  if (!match.Difference) {
    const auto missing = std::find(taken.begin(), taken.end(), false);
    if (missing != taken.end()) {
      match.Difference = TColumnDifference{TColumnDifferenceKind::NotInAdded,
                                           static_cast<int32_t>(missing - taken.begin()), 0};
    }
  }
  if (match.Difference) match.ToBase.clear();
  return match;
}

void AppendRows(const TCellTable& added, const std::vector<int32_t>& toBase, int32_t firstRow,
                const TCellWriter& write) {
  const int32_t cols = std::min<int32_t>(added.ColCount(), static_cast<int32_t>(toBase.size()));
  for (int32_t r = kFirstDataRow; r < added.RowCount(); ++r) {
    const int32_t last = std::min(cols - 1, added.LastStoredCol(r));
    for (int32_t c = 0; c <= last; ++c) {
      std::u16string_view text = added.Cells(c, r);
      if (!text.empty()) write(toBase[static_cast<size_t>(c)], firstRow + r - kFirstDataRow, text);
    }
  }
}

std::vector<TDuplicateId> FindDuplicateIds(const TCellTable& table) {
  std::vector<TDuplicateId> found;
  if (!IsIdColumnName(table.Cells(0, 0))) return found;
  const std::optional<TColumnType> type = ColumnTypeOf(table.Cells(0, 1));
  // Keys view the table's texts, which stay put while nothing writes.
  std::unordered_map<TIdKey, int32_t, TIdKeyHash> first;
  first.reserve(static_cast<size_t>(DataRowCount(table)));
  for (int32_t r = kFirstDataRow; r < table.RowCount(); ++r) {
    const std::optional<TIdKey> key = StoredIdKey(type, table.Cells(0, r));
    if (!key) continue;
    const auto [at, added] = first.emplace(*key, r);
    if (!added) found.push_back({at->second, r});
  }
  return found;
}

}  // namespace tessary

#include "compare/table_match.h"

#include <algorithm>
#include <unordered_map>

#include "gff/column_names.h"
#include "text/column_type.h"
#include "text/number_text.h"
#include "text/stored_value.h"
#include "text/utf16.h"

namespace tessary {

std::vector<uint64_t> ColumnKeys(const TCellTable& table) {
  std::vector<uint64_t> keys(static_cast<size_t>(table.ColCount()));
  std::unordered_map<uint32_t, uint32_t> seen;
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    const std::u16string_view name = table.Cells(c, 0);
    const uint32_t hash = NameToHash(name);
    keys[static_cast<size_t>(c)] = (uint64_t{seen[hash]++} << 32) | hash;
  }
  return keys;
}

bool SameColumnType(std::u16string_view a, std::u16string_view b) {
  const std::optional<TColumnType> ta = ColumnTypeOf(a);
  const std::optional<TColumnType> tb = ColumnTypeOf(b);
  if (ta && tb) return *ta == *tb;
  return a == b;
}

std::string PositionCauseText(const TPositionCause& cause, std::span<const std::string> names) {
  const std::string& table = names[static_cast<size_t>(cause.Table)];
  const std::string row = std::to_string(cause.Row - kCompareFirstRow + 1);
  switch (cause.Kind) {
    case TPositionCauseKind::NoIdColumn:
      return "the first column of " + table + " is not named ID";
    case TPositionCauseKind::EmptyId:
      return "data row " + row + " of " + table + " has no ID";
    case TPositionCauseKind::UnusableId:
      return "data row " + row + " of " + table + " has the ID \"" + ToUtf8(cause.Id) +
             "\", which is not a number";
    case TPositionCauseKind::DuplicateId:
      return "ID " + ToUtf8(cause.Id) + " appears twice in " + table + " (data rows " +
             std::to_string(cause.FirstRow - kCompareFirstRow + 1) + " and " + row + ")";
  }
  return {};
}

TRowKeys MatchRowsById(std::span<const TCellTable* const> tables) {
  TRowKeys result;
  for (size_t t = 0; t < tables.size(); ++t) {
    if (!IsIdColumnName(tables[t]->Cells(0, 0))) {
      result.Cause = TPositionCause{TPositionCauseKind::NoIdColumn, static_cast<int>(t), 0, 0, {}};
      return result;
    }
  }
  // IDs are compared as the ID column's type stores them; where the tables
  // disagree on that type, as texts.
  std::optional<TColumnType> type = ColumnTypeOf(tables[0]->Cells(0, 1));
  for (const TCellTable* table : tables) {
    if (ColumnTypeOf(table->Cells(0, 1)) != type) type = TColumnType::String;
  }

  size_t total = 0;
  for (const TCellTable* table : tables) total += static_cast<size_t>(DataRows(*table));
  std::unordered_map<TIdKey, int32_t, TIdKeyHash> ids;
  ids.reserve(total);
  // Per key: the table that last held it, and the grid row there.
  std::vector<int> lastTable;
  std::vector<int32_t> lastRow;
  result.Keys.resize(tables.size());
  for (size_t t = 0; t < tables.size(); ++t) {
    const TCellTable& table = *tables[t];
    std::vector<int32_t>& keys = result.Keys[t];
    keys.resize(static_cast<size_t>(DataRows(table)));
    for (int32_t r = kCompareFirstRow; r < table.RowCount(); ++r) {
      const std::u16string_view text = table.Cells(0, r);
      const std::optional<TIdKey> key = StoredIdKey(type, text);
      if (!key) {
        result.Cause = TPositionCause{
            text.empty() ? TPositionCauseKind::EmptyId : TPositionCauseKind::UnusableId,
            static_cast<int>(t), r, 0, std::u16string(text)};
        break;
      }
      const auto [it, added] = ids.try_emplace(*key, result.KeyCount);
      if (added) {
        ++result.KeyCount;
        lastTable.push_back(static_cast<int>(t));
        lastRow.push_back(r);
      } else if (lastTable[static_cast<size_t>(it->second)] == static_cast<int>(t)) {
        result.Cause =
            TPositionCause{TPositionCauseKind::DuplicateId, static_cast<int>(t), r,
                           lastRow[static_cast<size_t>(it->second)], std::u16string(text)};
        break;
      } else {
        lastTable[static_cast<size_t>(it->second)] = static_cast<int>(t);
        lastRow[static_cast<size_t>(it->second)] = r;
      }
      keys[static_cast<size_t>(r - kCompareFirstRow)] = it->second;
    }
    if (result.Cause) {
      result.Keys.clear();
      result.KeyCount = 0;
      return result;
    }
  }
  return result;
}

std::u16string RowKeyText(const TCellTable& table, int32_t row, bool byId) {
  if (byId) return u"ID " + std::u16string(table.Cells(0, row));
  return u"row " + FormatInteger(row - kCompareFirstRow + 1);
}

}  // namespace tessary

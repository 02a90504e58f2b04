// What corresponds to what in tables that are compared or merged. Columns
// match by name hash, as the game finds them. Rows match by their ID where
// the first column of every table is named ID and its IDs are usable and
// unique in each table; otherwise by position, and the reason is kept so
// that it can be told.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "table/cell_table.h"

namespace tessary {

// Row 0 holds the column names, row 1 the types; data rows follow.
constexpr int32_t kCompareFirstRow = 2;

// The number of data rows of a table.
inline int32_t DataRows(const TCellTable& table) {
  return table.RowCount() > kCompareFirstRow ? table.RowCount() - kCompareFirstRow : 0;
}

// Whether two cell texts are equal: compared as bytes, which is what the
// comparison spends most of its time on.
inline bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}

// Per column, its key: the name hash in the low 32 bits and, above it, how
// many earlier columns of the table have that hash, so that two columns of
// one name still match the two of another table in order.
std::vector<uint64_t> ColumnKeys(const TCellTable& table);

// Whether two column type texts name one type (letter case aside); texts
// that name no type are compared as they are.
bool SameColumnType(std::u16string_view a, std::u16string_view b);

// Why rows are matched by position.
enum class TPositionCauseKind { NoIdColumn, EmptyId, UnusableId, DuplicateId };
struct TPositionCause {
  TPositionCauseKind Kind = TPositionCauseKind::NoIdColumn;
  int Table = 0;         // index of the table concerned
  int32_t Row = 0;       // its grid row with the ID (the second one of a duplicate)
  int32_t FirstRow = 0;  // a duplicate's first grid row
  std::u16string Id;     // the ID text
};

// The reason in words, naming the table by `names[Table]`:
// "the first column of a.gda is not named ID",
// "ID 7 appears twice in a.gda (data rows 3 and 9)".
std::string PositionCauseText(const TPositionCause& cause, std::span<const std::string> names);

// Rows of several tables by ID: per table, per data row, a key; rows of
// different tables with the same key match. Empty Keys and a Cause when
// the tables' rows cannot be matched by ID.
struct TRowKeys {
  std::optional<TPositionCause> Cause;
  std::vector<std::vector<int32_t>> Keys;
  int32_t KeyCount = 0;
};
TRowKeys MatchRowsById(std::span<const TCellTable* const> tables);

// The row key shown to the user: "ID 12" when rows are matched by ID, else
// "row 5" (data rows counted from 1).
std::u16string RowKeyText(const TCellTable& table, int32_t row, bool byId);

}  // namespace tessary

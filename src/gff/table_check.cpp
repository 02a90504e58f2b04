#include "gff/table_check.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <unordered_map>

#include "gff/column_names.h"
#include "gff/g2da_values.h"
#include "text/column_type.h"
#include "text/number_text.h"
#include "text/stored_value.h"

namespace tessary {

namespace {

constexpr int32_t kFirstDataRow = 2;

bool HoldsText(const TCellTable& t, int32_t col) {
  for (int32_t r = 1; r < t.RowCount(); ++r) {
    if (!std::u16string_view(t.Cells(col, r)).empty()) return true;
  }
  return false;
}

void VisitKind(const TCellTable& t, TCheckKind kind,
               const std::function<void(const TCheckCase&)>& visit) {
  const uint32_t emptyName = NameToHash(u"");
  switch (kind) {
    case TCheckKind::ckUnstorableCells:
      break;
    case TCheckKind::ckUnknownType:
      for (int32_t c = 0; c < t.ColCount(); ++c) {
        if (!ColumnTypeOf(t.Cells(c, 1))) visit({kind, c, -1, -1});
      }
      break;
    case TCheckKind::ckUnnamedColumn:
      for (int32_t c = 0; c < t.ColCount(); ++c) {
        if (NameToHash(t.Cells(c, 0)) == emptyName && HoldsText(t, c)) visit({kind, c, -1, -1});
      }
      break;
    case TCheckKind::ckDuplicateColumn: {
      std::unordered_map<uint32_t, int32_t> first;
      for (int32_t c = 0; c < t.ColCount(); ++c) {
        const uint32_t hash = NameToHash(t.Cells(c, 0));
        if (hash == emptyName) continue;  // reported as a column without a name
        const auto [it, added] = first.emplace(hash, c);
        if (!added) visit({kind, c, -1, it->second});
      }
      break;
    }
    case TCheckKind::ckBadId:
    case TCheckKind::ckDuplicateId: {
      if (t.ColCount() < 1 || !IsIdColumnName(t.Cells(0, 0))) break;
      const std::optional<TColumnType> type = ColumnTypeOf(t.Cells(0, 1));
      std::unordered_map<TIdKey, int32_t, TIdKeyHash> first;
      if (kind == TCheckKind::ckDuplicateId) first.reserve(static_cast<size_t>(t.RowCount()));
      for (int32_t r = kFirstDataRow; r < t.RowCount(); ++r) {
        const std::optional<TIdKey> key = StoredIdKey(type, t.Cells(0, r));
        if (kind == TCheckKind::ckBadId) {
          if (!key) visit({kind, 0, r, -1});
        } else if (key) {
          const auto [it, added] = first.emplace(*key, r);
          if (!added) visit({kind, 0, r, it->second});
        }
      }
      break;
    }
  }
}

// How the question names a column: its name, else its number.
std::u16string ColumnName(const TCellTable& t, int32_t col) {
  const std::u16string_view name = t.Cells(col, 0);
  return name.empty() ? FormatInteger(col + 1) : std::u16string(name);
}

// Data rows are numbered from 1, as the row gutter numbers them.
std::u16string RowNumber(int32_t row) { return FormatInteger(row - kFirstDataRow + 1); }

std::u16string CountText(size_t n) {
  return FormatInteger(static_cast<int32_t>(std::min<size_t>(n, INT32_MAX)));
}

// " 2 more columns have no name." after the first case.
std::u16string More(size_t count, std::u16string_view one, std::u16string_view many,
                    std::u16string_view what) {
  if (count <= 1) return {};
  const size_t more = count - 1;
  return u" " + CountText(more) + u" more " + std::u16string(more == 1 ? one : many) + u" " +
         std::u16string(what) + u".";
}

}  // namespace

void ForEachCheckCase(const TCellTable& table, const std::vector<TCheckKind>& kinds,
                      const std::function<void(const TCheckCase&)>& visit) {
  for (TCheckKind kind : kinds) VisitKind(table, kind, visit);
}

std::vector<TCheckFinding> CheckBeforeSave(const TCellTable& table) {
  std::vector<TCheckFinding> findings;
  const TUnstorableCells unstorable = FindUnstorableCells(table);
  if (unstorable.Count > 0) {
    findings.push_back(
        {{TCheckKind::ckUnstorableCells, unstorable.FirstCol, unstorable.FirstRow, -1},
         unstorable.Count});
  }
  for (TCheckKind kind :
       {TCheckKind::ckUnknownType, TCheckKind::ckUnnamedColumn, TCheckKind::ckDuplicateColumn,
        TCheckKind::ckBadId, TCheckKind::ckDuplicateId}) {
    TCheckFinding finding;
    VisitKind(table, kind, [&](const TCheckCase& c) {
      if (finding.Count++ == 0) finding.First = c;
    });
    if (finding.Count > 0) findings.push_back(finding);
  }
  return findings;
}

std::u16string CheckFindingText(const TCellTable& t, const TCheckFinding& finding) {
  const TCheckCase& c = finding.First;
  const size_t n = finding.Count;
  switch (c.Kind) {
    case TCheckKind::ckUnstorableCells: {
      const std::u16string where = u"row " + RowNumber(c.Row) + u", column " + ColumnName(t, c.Col);
      if (n == 1) {
        return u"1 cell cannot be stored as its column type and will be saved as another value (" +
               where + u").";
      }
      return CountText(n) +
             u" cells cannot be stored as their column type and will be saved as other values "
             u"(first: " +
             where + u").";
    }
    case TCheckKind::ckUnknownType: {
      const std::u16string_view type = t.Cells(c.Col, 1);
      const std::u16string start = u"Column " + ColumnName(t, c.Col);
      const std::u16string first =
          type.empty() ? start + u" has no type and would be saved as string."
                       : start + u" has the type '" + std::u16string(type) +
                             u"', which is not a column type, and would be saved as string.";
      return first + More(n, u"column has", u"columns have", u"no column type");
    }
    case TCheckKind::ckUnnamedColumn: {
      const std::u16string_view name = t.Cells(c.Col, 0);
      const std::u16string number = FormatInteger(c.Col + 1);
      const std::u16string first =
          name.empty() ? u"Column " + number + u" holds data but has no name."
                       : u"Column " + number + u" has the name '" + std::u16string(name) +
                             u"', which is saved as an empty name.";
      return first + More(n, u"column has", u"columns have", u"no name");
    }
    case TCheckKind::ckDuplicateColumn: {
      const std::u16string_view name = t.Cells(c.Col, 0);
      const std::u16string_view earlier = t.Cells(c.Earlier, 0);
      std::u16string first =
          u"Columns " + FormatInteger(c.Earlier + 1) + u" and " + FormatInteger(c.Col + 1);
      first += name == earlier ? u" have the same name, " + std::u16string(name)
                               : u" have names saved as the same hash, " + std::u16string(earlier) +
                                     u" and " + std::u16string(name);
      first += u"; only one of them can be looked up.";
      return first + More(n, u"column repeats", u"columns repeat", u"an earlier name");
    }
    case TCheckKind::ckBadId: {
      const std::u16string_view id = t.Cells(0, c.Row);
      const TColumnType type = ColumnTypeOf(t.Cells(0, 1)).value_or(TColumnType::String);
      const bool numeric = type != TColumnType::String && type != TColumnType::Resource;
      std::u16string first = u"Row " + RowNumber(c.Row);
      if (id.empty()) {
        first += numeric ? u" has no ID and would be saved with the ID 0." : u" has no ID.";
      } else {
        first += u" has the ID '" + std::u16string(id) +
                 u"', which is not a number, and would be saved with the ID 0.";
      }
      return first + More(n, u"row has", u"rows have", u"no usable ID");
    }
    case TCheckKind::ckDuplicateId: {
      const std::u16string_view id = t.Cells(0, c.Row);
      const std::u16string_view earlier = t.Cells(0, c.Earlier);
      std::u16string first = u"Rows " + RowNumber(c.Earlier) + u" and " + RowNumber(c.Row);
      first += id == earlier ? u" have the same ID, " + std::u16string(id) + u"."
                             : u" have IDs saved as the same value, " + std::u16string(earlier) +
                                   u" and " + std::u16string(id) + u".";
      return first + More(n, u"row repeats", u"rows repeat", u"an earlier ID");
    }
  }
  return {};
}

}  // namespace tessary

#include "compare/table_compare.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "text/stored_value.h"

namespace tessary {
namespace {

bool ByRowThenCol(TGridCoord a, TGridCoord b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; }

}  // namespace

TTableComparison::TTableComparison(const TCellTable& table, const TCellTable& other)
    : FTable(table), FOther(other) {
  Compare();
}

void TTableComparison::Compare() {
  FColPairs.clear();
  FRemovedCols.clear();
  FAddedCols.clear();
  FRetypedCols.clear();
  FRemovedRows.clear();
  FAddedRows.clear();
  FChanged.clear();
  FById = false;
  FCause.reset();
  MatchColumns();
  MatchRows();
  ListAddedAndRemovedRows();
  ListChangedCells();
}

// Columns by name hash.
void TTableComparison::MatchColumns() {
  const std::vector<uint64_t> keys = ColumnKeys(FTable);
  const std::vector<uint64_t> otherKeys = ColumnKeys(FOther);
  std::unordered_map<uint64_t, int32_t> otherColOf;
  for (size_t c = 0; c < otherKeys.size(); ++c) otherColOf[otherKeys[c]] = static_cast<int32_t>(c);
  FOtherCol.assign(keys.size(), -1);
  std::vector<bool> otherMatched(otherKeys.size(), false);
  for (size_t c = 0; c < keys.size(); ++c) {
    const auto it = otherColOf.find(keys[c]);
    const auto col = static_cast<int32_t>(c);
    if (it == otherColOf.end()) {
      FRemovedCols.push_back(col);
      continue;
    }
    FOtherCol[c] = it->second;
    otherMatched[static_cast<size_t>(it->second)] = true;
    FColPairs.emplace_back(col, it->second);
    if (!SameColumnType(FTable.Cells(col, 1), FOther.Cells(it->second, 1))) {
      FRetypedCols.push_back(col);
    }
  }
  for (size_t c = 0; c < otherKeys.size(); ++c) {
    if (!otherMatched[c]) FAddedCols.push_back(static_cast<int32_t>(c));
  }
}

// Rows by ID, else by position; without a common column no row matches,
// and the difference is the whole of both tables.
void TTableComparison::MatchRows() {
  const int32_t rows = DataRows(FTable);
  const int32_t otherRows = DataRows(FOther);
  FOtherRow.assign(static_cast<size_t>(rows), -1);
  if (!FColPairs.empty()) {
    const std::array<const TCellTable*, 2> tables = {&FTable, &FOther};
    const TRowKeys ids = MatchRowsById(tables);
    FById = !ids.Cause;
    FCause = ids.Cause;
    if (FById) {
      std::vector<int32_t> otherOfKey(static_cast<size_t>(ids.KeyCount), -1);
      for (int32_t i = 0; i < otherRows; ++i) {
        otherOfKey[static_cast<size_t>(ids.Keys[1][static_cast<size_t>(i)])] = i + kCompareFirstRow;
      }
      for (int32_t i = 0; i < rows; ++i) {
        FOtherRow[static_cast<size_t>(i)] =
            otherOfKey[static_cast<size_t>(ids.Keys[0][static_cast<size_t>(i)])];
      }
    } else {
      for (int32_t i = 0; i < std::min(rows, otherRows); ++i) {
        FOtherRow[static_cast<size_t>(i)] = i + kCompareFirstRow;
      }
    }
  }
}

// The rows only this table has, and those only the other has, each with
// the row of this table it follows.
void TTableComparison::ListAddedAndRemovedRows() {
  const int32_t rows = DataRows(FTable);
  const int32_t otherRows = DataRows(FOther);
  std::vector<int32_t> tableRowOf(static_cast<size_t>(otherRows), -1);
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t o = FOtherRow[static_cast<size_t>(i)];
    if (o < 0) {
      FRemovedRows.push_back(i + kCompareFirstRow);
    } else {
      tableRowOf[static_cast<size_t>(o - kCompareFirstRow)] = i + kCompareFirstRow;
    }
  }
  int32_t after = -1;
  for (int32_t i = 0; i < otherRows; ++i) {
    const int32_t row = tableRowOf[static_cast<size_t>(i)];
    if (row >= 0) {
      after = row;
    } else {
      FAddedRows.push_back(TAddedRow{i + kCompareFirstRow, after});
    }
  }
}

void TTableComparison::ListChangedCells() {
  const int32_t rows = DataRows(FTable);
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t o = FOtherRow[static_cast<size_t>(i)];
    if (o < 0) continue;
    const int32_t r = i + kCompareFirstRow;
    for (const auto& [c, oc] : FColPairs) {
      const std::u16string_view a = FTable.Cells(c, r);
      const std::u16string_view b = FOther.Cells(oc, o);
      if (!SameText(a, b)) FChanged.push_back(TGridCoord{c, r});
    }
  }
}

void TTableComparison::Recheck(const TGridRect& r) {
  const bool shapeChanged = FOtherCol.size() != static_cast<size_t>(FTable.ColCount()) ||
                            FOtherRow.size() != static_cast<size_t>(DataRows(FTable));
  const bool idEdited = r.Left == 0 && IsIdColumnName(FTable.Cells(0, 0));
  if (shapeChanged || idEdited || r.Top < kCompareFirstRow || r.Bottom >= FTable.RowCount() ||
      r.Right >= FTable.ColCount()) {
    Compare();
    return;
  }
  const auto first =
      std::lower_bound(FChanged.begin(), FChanged.end(), TGridCoord{0, r.Top}, ByRowThenCol);
  const auto last =
      std::lower_bound(first, FChanged.end(), TGridCoord{0, r.Bottom + 1}, ByRowThenCol);
  std::vector<TGridCoord> fresh;
  for (auto it = first; it != last; ++it) {
    if (it->X < r.Left || it->X > r.Right) fresh.push_back(*it);
  }
  for (int32_t row = r.Top; row <= r.Bottom; ++row) {
    for (int32_t col = std::max(r.Left, 0); col <= r.Right; ++col) {
      if (CellDiffers(col, row)) fresh.push_back(TGridCoord{col, row});
    }
  }
  std::sort(fresh.begin(), fresh.end(), ByRowThenCol);
  const auto at = FChanged.erase(first, last);
  FChanged.insert(at, fresh.begin(), fresh.end());
}

int32_t TTableComparison::OtherCol(int32_t col) const {
  if (col < 0 || static_cast<size_t>(col) >= FOtherCol.size()) return -1;
  return FOtherCol[static_cast<size_t>(col)];
}

int32_t TTableComparison::OtherRow(int32_t row) const {
  const int64_t i = int64_t{row} - kCompareFirstRow;
  if (i < 0 || static_cast<uint64_t>(i) >= FOtherRow.size()) return -1;
  return FOtherRow[static_cast<size_t>(i)];
}

bool TTableComparison::CellDiffers(int32_t col, int32_t row) const {
  const int32_t oc = OtherCol(col);
  const int32_t orow = OtherRow(row);
  if (oc < 0 || orow < 0) return false;
  const std::u16string_view a = FTable.Cells(col, row);
  const std::u16string_view b = FOther.Cells(oc, orow);
  return !SameText(a, b);
}

bool TTableComparison::Differs(int32_t col, int32_t row) const {
  return std::binary_search(FChanged.begin(), FChanged.end(), TGridCoord{col, row}, ByRowThenCol);
}

std::optional<std::u16string_view> TTableComparison::OtherText(int32_t col, int32_t row) const {
  const int32_t oc = OtherCol(col);
  if (oc < 0 || row < 0) return std::nullopt;
  if (row < kCompareFirstRow) return FOther.Cells(oc, row);
  const int32_t orow = OtherRow(row);
  if (orow < 0) return std::nullopt;
  return FOther.Cells(oc, orow);
}

bool TTableComparison::Equal() const {
  return FRemovedCols.empty() && FAddedCols.empty() && FRetypedCols.empty() &&
         FRemovedRows.empty() && FAddedRows.empty() && FChanged.empty();
}

}  // namespace tessary

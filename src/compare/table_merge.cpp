#include "compare/table_merge.h"

#include <algorithm>
#include <unordered_map>

#include "text/stored_value.h"

namespace tessary {
namespace {

constexpr size_t kBase = 0;
constexpr size_t kOurs = 1;
constexpr size_t kTheirs = 2;

// Row insertions and removals done by the cell table's own operations, each
// of which moves the rows below it: beyond this many runs of them the rows
// are put in place by one pass of copies instead.
constexpr size_t kMaxRowRuns = 64;

// A column or row as it lies in base, ours and theirs (-1 where absent).
using TPlaces = std::array<int32_t, 3>;
constexpr TPlaces kNowhere = {-1, -1, -1};

using TValues = std::array<std::optional<std::u16string>, 3>;

class TMerger {
 public:
  TMerger(const TCellTable& base, TCellTable& ours, const TCellTable& theirs, TMergeReport& report)
      : FOurs(ours), FReport(report) {
    FTables = {&base, &ours, &theirs};
  }

  TResult Run(const std::array<std::string, 3>& names) {
    MatchColumns();
    if (TResult matched = MatchRows(names); !matched) return matched;
    DecideColumns();
    DecideRows();
    MergeCells();
    Apply();
    return TResult::Success();
  }

 private:
  std::u16string_view Text(size_t t, int32_t col, int32_t row) const {
    return FTables[t]->Cells(col, row);
  }
  // The cell of column `c` in row `r` of table t; empty where it lacks
  // either.
  std::optional<std::u16string> Value(size_t t, const TPlaces& c, const TPlaces& r) const {
    if (c[t] < 0 || r[t] < 0) return std::nullopt;
    return std::u16string(Text(t, c[t], r[t]));
  }

  std::u16string ColumnName(const TPlaces& c) const {
    for (size_t t : {kOurs, kTheirs, kBase}) {
      if (c[t] >= 0) return std::u16string(Text(t, c[t], 0));
    }
    return {};
  }

  std::u16string RowKey(const TPlaces& r) const {
    for (size_t t : {kOurs, kTheirs, kBase}) {
      const int32_t row = r[t];
      if (row >= 0) return RowKeyText(*FTables[t], row, FReport.RowsById);
    }
    return {};
  }

  void Conflict(TConflictKind kind, std::u16string row, const TPlaces& col, TValues values) {
    FReport.Conflicts.push_back(TMergeConflict{kind, std::move(row), ColumnName(col),
                                               std::move(values[kBase]), std::move(values[kOurs]),
                                               std::move(values[kTheirs])});
  }

  // Columns of the three tables by name hash: ours' in order, then those
  // only theirs has or theirs and base have, then base's own.
  void MatchColumns() {
    std::unordered_map<uint64_t, size_t> entryOf;
    for (size_t t : {kOurs, kTheirs, kBase}) {
      const std::vector<uint64_t> keys = ColumnKeys(*FTables[t]);
      for (size_t c = 0; c < keys.size(); ++c) {
        const auto [it, added] = entryOf.try_emplace(keys[c], FCols.size());
        if (added) FCols.push_back(kNowhere);
        FCols[it->second][t] = static_cast<int32_t>(c);
      }
    }
  }

  TResult MatchRows(const std::array<std::string, 3>& names) {
    TRowKeys ids = MatchRowsById(FTables);
    FReport.RowsById = !ids.Cause;
    FReport.PositionCause = ids.Cause;
    if (ids.Cause) {
      const int32_t rows = DataRows(*FTables[kBase]);
      if (DataRows(FOurs) != rows || DataRows(*FTables[kTheirs]) != rows) {
        return TResult::Failure("Rows cannot be matched: " + PositionCauseText(*ids.Cause, names) +
                                ", and by position they would need equal numbers of data rows (" +
                                names[0] + " " + std::to_string(rows) + ", " + names[1] + " " +
                                std::to_string(DataRows(FOurs)) + ", " + names[2] + " " +
                                std::to_string(DataRows(*FTables[kTheirs])) + ").");
      }
      FRows.assign(static_cast<size_t>(rows), kNowhere);
      for (int32_t i = 0; i < rows; ++i) FRows[static_cast<size_t>(i)].fill(i + kCompareFirstRow);
    } else {
      FRows.assign(static_cast<size_t>(ids.KeyCount), kNowhere);
      for (size_t t = 0; t < 3; ++t) {
        const std::vector<int32_t>& keys = ids.Keys[t];
        for (size_t i = 0; i < keys.size(); ++i) {
          FRows[static_cast<size_t>(keys[i])][t] = static_cast<int32_t>(i) + kCompareFirstRow;
        }
      }
    }
    FKeyOfOurs.assign(static_cast<size_t>(DataRows(FOurs)), -1);
    for (size_t k = 0; k < FRows.size(); ++k) {
      if (FRows[k][kOurs] >= 0) {
        FKeyOfOurs[static_cast<size_t>(FRows[k][kOurs] - kCompareFirstRow)] =
            static_cast<int32_t>(k);
      }
    }
    return TResult::Success();
  }

  // Conflicts of a column that side `changed` changed and side `removed`
  // removed: its type, and each of its cells in rows all three tables have
  // that differs from base (rows one side removed are the rows' own
  // check). Returns whether there was any.
  bool ColumnConflicts(const TPlaces& c, size_t changed, size_t removed) {
    const size_t conflictsBefore = FReport.Conflicts.size();
    if (!SameColumnType(Text(kBase, c[kBase], 1), Text(changed, c[changed], 1))) {
      TValues values;
      values[kBase] = std::u16string(Text(kBase, c[kBase], 1));
      values[changed] = std::u16string(Text(changed, c[changed], 1));
      Conflict(TConflictKind::ColumnChangedRemoved, {}, c, std::move(values));
    }
    for (const TPlaces& r : FRows) {
      if (r[kBase] < 0 || r[changed] < 0 || r[removed] < 0) continue;
      const std::u16string_view now = Text(changed, c[changed], r[changed]);
      const std::u16string_view was = Text(kBase, c[kBase], r[kBase]);
      if (now == was) continue;
      TValues values;
      values[kBase] = std::u16string(was);
      values[changed] = std::u16string(now);
      Conflict(TConflictKind::ColumnChangedRemoved, RowKey(r), c, std::move(values));
    }
    return FReport.Conflicts.size() > conflictsBefore;
  }

  // Which of ours' columns stay, which of theirs are appended, and the
  // types: a change on one side is taken, different changes conflict.
  void DecideColumns() {
    FDropCol.assign(static_cast<size_t>(FOurs.ColCount()), false);
    for (const TPlaces& c : FCols) {
      const bool inBase = c[kBase] >= 0;
      const bool inOurs = c[kOurs] >= 0;
      const bool inTheirs = c[kTheirs] >= 0;
      if (inOurs && inTheirs) {
        FCommonCols.push_back(c);
        const std::u16string_view o = Text(kOurs, c[kOurs], 1);
        const std::u16string_view t = Text(kTheirs, c[kTheirs], 1);
        if (SameColumnType(o, t)) continue;
        if (inBase && SameColumnType(o, Text(kBase, c[kBase], 1))) {
          FWrites.push_back(TWrite{c[kOurs], 1, t});
        } else if (!inBase || !SameColumnType(t, Text(kBase, c[kBase], 1))) {
          TValues values;
          if (inBase) values[kBase] = std::u16string(Text(kBase, c[kBase], 1));
          values[kOurs] = std::u16string(o);
          values[kTheirs] = std::u16string(t);
          Conflict(TConflictKind::ColumnRetyped, {}, c, std::move(values));
        }
      } else if (inOurs && inBase) {
        // Theirs removed it; it goes unless ours changed it.
        FDropCol[static_cast<size_t>(c[kOurs])] = !ColumnConflicts(c, kOurs, kTheirs);
      } else if (inTheirs && inBase) {
        ColumnConflicts(c, kTheirs, kOurs);  // ours removed it: it stays out
      } else if (inTheirs) {
        FNewCols.push_back(c);
      }
    }
  }

  // Conflicts of a row that side `changed` changed and the other side
  // removed: each of its cells in columns base has that differs from base.
  // Returns whether there was any.
  bool RowConflicts(const TPlaces& r, size_t changed) {
    const size_t conflictsBefore = FReport.Conflicts.size();
    for (const TPlaces& c : FCols) {
      if (c[kBase] < 0 || c[changed] < 0) continue;
      const std::u16string_view now = Text(changed, c[changed], r[changed]);
      const std::u16string_view was = Text(kBase, c[kBase], r[kBase]);
      if (now == was) continue;
      TValues values;
      values[kBase] = std::u16string(was);
      values[changed] = std::u16string(now);
      Conflict(TConflictKind::RowChangedRemoved, RowKey(r), c, std::move(values));
    }
    return FReport.Conflicts.size() > conflictsBefore;
  }

  // Which of ours' rows stay, and theirs' new rows, each after the row of
  // ours that the nearest row above it in theirs matches.
  void DecideRows() {
    FDropRow.assign(FKeyOfOurs.size(), false);
    for (const TPlaces& r : FRows) {
      const bool inBase = r[kBase] >= 0;
      const bool inOurs = r[kOurs] >= 0;
      const bool inTheirs = r[kTheirs] >= 0;
      if (inBase && inOurs && !inTheirs) {
        FDropRow[static_cast<size_t>(r[kOurs] - kCompareFirstRow)] = !RowConflicts(r, kOurs);
      } else if (inBase && !inOurs && inTheirs) {
        RowConflicts(r, kTheirs);  // ours removed it: it stays out
      }
    }
    int32_t after = -1;  // a data row index of ours
    const TCellTable& theirs = *FTables[kTheirs];
    std::vector<int32_t> keyOfTheirs(static_cast<size_t>(DataRows(theirs)), -1);
    for (size_t k = 0; k < FRows.size(); ++k) {
      if (FRows[k][kTheirs] >= 0) {
        keyOfTheirs[static_cast<size_t>(FRows[k][kTheirs] - kCompareFirstRow)] =
            static_cast<int32_t>(k);
      }
    }
    for (size_t i = 0; i < keyOfTheirs.size(); ++i) {
      const TPlaces& r = FRows[static_cast<size_t>(keyOfTheirs[i])];
      if (r[kOurs] >= 0) {
        after = r[kOurs] - kCompareFirstRow;
      } else if (r[kBase] < 0) {
        FNewRows.push_back(TNewRow{after, r[kTheirs]});
      }
    }
  }

  // Cells of rows and columns both ours and theirs have.
  void MergeCells() {
    for (const TPlaces& r : FRows) {
      if (r[kOurs] < 0 || r[kTheirs] < 0) continue;
      const bool rowInBase = r[kBase] >= 0;
      for (const TPlaces& c : FCommonCols) {
        const std::u16string_view o = Text(kOurs, c[kOurs], r[kOurs]);
        const std::u16string_view t = Text(kTheirs, c[kTheirs], r[kTheirs]);
        if (SameText(o, t)) continue;
        if (rowInBase && c[kBase] >= 0) {
          const std::u16string_view b = Text(kBase, c[kBase], r[kBase]);
          if (SameText(o, b)) {
            FWrites.push_back(TWrite{c[kOurs], r[kOurs], t});
            continue;
          }
          if (SameText(t, b)) continue;
        }
        TValues values{Value(kBase, c, r), std::u16string(o), std::u16string(t)};
        Conflict(rowInBase ? TConflictKind::Cell : TConflictKind::RowAddedTwice, RowKey(r), c,
                 std::move(values));
      }
    }
  }

  void CopyRow(int32_t from, int32_t to, int32_t cols) {
    for (int32_t c = 0; c < cols; ++c) FOurs.SetCells(c, to, std::u16string(FOurs.Cells(c, from)));
  }

  // A new row of theirs' into row `row` of ours, over ours' final columns.
  void FillNewRow(int32_t row, int32_t theirsRow) {
    for (size_t c = 0; c < FTheirsColOf.size(); ++c) {
      const int32_t tc = FTheirsColOf[c];
      const std::u16string_view text =
          tc >= 0 ? Text(kTheirs, tc, theirsRow) : std::u16string_view();
      FOurs.SetCells(static_cast<int32_t>(c), row, text);
    }
  }

  void Apply() {
    for (const TWrite& w : FWrites) FOurs.SetCells(w.Col, w.Row, w.Text);
    if (FOurs.RowCount() < kCompareFirstRow) FOurs.SetRowCount(kCompareFirstRow);
    ApplyColumns();
    ApplyRows();
  }

  // Ours' columns that go are closed up; theirs' new ones are appended,
  // every cell written (a table may hold texts beyond its columns).
  void ApplyColumns() {
    std::vector<int32_t> theirsColOfOurs(FDropCol.size(), -1);
    for (const TPlaces& c : FCommonCols)
      theirsColOfOurs[static_cast<size_t>(c[kOurs])] = c[kTheirs];
    const int32_t oldCols = FOurs.ColCount();
    int32_t cols = 0;
    for (int32_t c = 0; c < oldCols; ++c) {
      if (FDropCol[static_cast<size_t>(c)]) continue;
      if (cols != c) {
        for (int32_t r = 0; r < FOurs.RowCount(); ++r) {
          FOurs.SetCells(cols, r, std::u16string(FOurs.Cells(c, r)));
        }
      }
      FTheirsColOf.push_back(theirsColOfOurs[static_cast<size_t>(c)]);
      ++cols;
    }
    if (cols < oldCols) FOurs.ClearCols(cols, oldCols - cols);
    FOurs.SetColCount(std::max<int32_t>(1, cols + static_cast<int32_t>(FNewCols.size())));
    for (const TPlaces& c : FNewCols) {
      FOurs.SetCells(cols, 0, Text(kTheirs, c[kTheirs], 0));
      FOurs.SetCells(cols, 1, Text(kTheirs, c[kTheirs], 1));
      for (int32_t r = kCompareFirstRow; r < FOurs.RowCount(); ++r) {
        const int32_t key = FKeyOfOurs[static_cast<size_t>(r - kCompareFirstRow)];
        const int32_t tr = key >= 0 ? FRows[static_cast<size_t>(key)][kTheirs] : -1;
        FOurs.SetCells(cols, r, tr >= 0 ? Text(kTheirs, c[kTheirs], tr) : std::u16string_view());
      }
      FTheirsColOf.push_back(c[kTheirs]);
      ++cols;
    }
  }

  // Ours' rows that go are removed and theirs' new rows inserted: by the
  // cell table's row operations when they are few, else by copying the
  // rows into place, down and then up, in one pass each.
  void ApplyRows() {
    std::stable_sort(FNewRows.begin(), FNewRows.end(),
                     [](const TNewRow& a, const TNewRow& b) { return a.After < b.After; });
    size_t runs = 0;
    for (size_t i = 0; i < FDropRow.size(); ++i) {
      runs += FDropRow[i] && (i == 0 || !FDropRow[i - 1]);
    }
    for (size_t i = 0; i < FNewRows.size(); ++i) {
      runs += i == 0 || FNewRows[i].After != FNewRows[i - 1].After;
    }
    if (runs <= kMaxRowRuns) {
      InsertAndDropRows();
    } else {
      CopyRowsIntoPlace();
    }
  }

  void InsertAndDropRows() {
    // From the bottom up, so that the rows above keep their places.
    auto next = FNewRows.rbegin();
    auto insertAfter = [&](int32_t after) {
      auto first = next;
      while (next != FNewRows.rend() && next->After == after) ++next;
      const auto count = static_cast<int32_t>(next - first);
      if (count == 0) return;
      const int32_t at = after + kCompareFirstRow + 1;
      FOurs.InsertRows(at, count);
      int32_t row = at + count - 1;
      for (auto it = first; it != next; ++it) FillNewRow(row--, it->TheirsRow);
    };
    int32_t runEnd = -1;  // the last data row of a run of rows to remove
    for (auto i = static_cast<int32_t>(FDropRow.size()) - 1; i >= -1; --i) {
      const bool drop = i >= 0 && FDropRow[static_cast<size_t>(i)];
      if (drop && runEnd < 0) runEnd = i;
      if (!drop && runEnd >= 0) {
        FOurs.DropRows(i + 1 + kCompareFirstRow, runEnd - i);
        runEnd = -1;
      }
      if (!drop) insertAfter(i);
    }
  }

  void CopyRowsIntoPlace() {
    const int32_t cols = FOurs.ColCount();
    int32_t kept = 0;
    for (size_t i = 0; i < FDropRow.size(); ++i) {
      if (FDropRow[i]) continue;
      const auto from = static_cast<int32_t>(i) + kCompareFirstRow;
      if (from != kept + kCompareFirstRow) CopyRow(from, kept + kCompareFirstRow, cols);
      ++kept;
    }
    const auto total = kept + static_cast<int32_t>(FNewRows.size());
    FOurs.SetRowCount(total + kCompareFirstRow);
    // Upward: each kept row moves down by the new rows above it.
    auto next = FNewRows.rbegin();
    int32_t row = total + kCompareFirstRow - 1;
    for (int32_t k = static_cast<int32_t>(FDropRow.size()) - 1; k >= -1; --k) {
      if (k >= 0 && FDropRow[static_cast<size_t>(k)]) continue;
      // New rows after ours' row k lie below it.
      while (next != FNewRows.rend() && next->After == k) FillNewRow(row--, (next++)->TheirsRow);
      if (k < 0) break;
      --kept;
      if (row != kept + kCompareFirstRow) CopyRow(kept + kCompareFirstRow, row, cols);
      --row;
    }
  }

  struct TWrite {
    int32_t Col;
    int32_t Row;
    std::u16string_view Text;
  };
  struct TNewRow {
    int32_t After;  // data row index of ours, -1 for the top
    int32_t TheirsRow;
  };

  std::array<const TCellTable*, 3> FTables{};
  TCellTable& FOurs;
  TMergeReport& FReport;
  std::vector<TPlaces> FCols;
  std::vector<TPlaces> FCommonCols;
  std::vector<TPlaces> FNewCols;
  std::vector<TPlaces> FRows;       // per row key
  std::vector<int32_t> FKeyOfOurs;  // per data row of ours
  std::vector<bool> FDropCol;       // per column of ours
  std::vector<bool> FDropRow;       // per data row of ours
  std::vector<TNewRow> FNewRows;
  std::vector<TWrite> FWrites;
  std::vector<int32_t> FTheirsColOf;  // per final column: theirs' column, or -1
};

}  // namespace

TResult MergeTables(const TCellTable& base, TCellTable& ours, const TCellTable& theirs,
                    TMergeReport& report, const std::array<std::string, 3>& names) {
  report = TMergeReport();
  return TMerger(base, ours, theirs, report).Run(names);
}

}  // namespace tessary

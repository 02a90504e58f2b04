// The cell store against a plain map that applies the same operations
// cell by cell, over indices that cross the store's 16-cell section edges
// and reach beyond the extent.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "table/cell_table.h"
#include "table/edit_history.h"
#include "text/number_text.h"

namespace tessary {
namespace {

constexpr int32_t kCols = 40;  // indices used by the operations
constexpr int32_t kRows = 30;

class TModel {
 public:
  std::map<std::pair<int32_t, int32_t>, std::u16string> Cells;  // (row, col)
  int32_t ColCount = 1;
  int32_t RowCount = 3;

  void Set(int32_t c, int32_t r, const std::u16string& text) {
    if (text.empty()) {
      Cells.erase({r, c});
    } else {
      Cells[{r, c}] = text;
    }
  }
  std::u16string Get(int32_t c, int32_t r) const {
    auto it = Cells.find({r, c});
    return it == Cells.end() ? std::u16string() : it->second;
  }
  void ClearRect(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
    for (auto it = Cells.begin(); it != Cells.end();) {
      const auto [r, c] = it->first;
      it = (r >= r1 && r <= r2 && c >= c1 && c <= c2) ? Cells.erase(it) : std::next(it);
    }
  }
  // Whole stored rows move; rows taken out are parked at the end one by one.
  void DropRows(int32_t index, int32_t count) {
    if (index >= RowCount) return;
    count = std::min(count, RowCount - index);
    for (int32_t k = 0; k < count; ++k) {
      const int32_t last = RowCount - 1;
      std::map<std::pair<int32_t, int32_t>, std::u16string> next;
      for (auto& [key, text] : Cells) {
        auto [r, c] = key;
        if (r == index) {
          r = last;
        } else if (r > index && r <= last) {
          --r;
        }
        next[{r, c}] = text;
      }
      Cells = std::move(next);
      RowCount = std::max(1, RowCount - 1);
    }
  }
  // Only the columns of the extent move down; the inserted rows are emptied.
  void InsertRows(int32_t index, int32_t count) {
    RowCount += count;
    for (int32_t r = RowCount - 1; r >= index + count; --r) {
      for (int32_t c = 0; c < ColCount; ++c) Set(c, r, Get(c, r - count));
    }
    for (int32_t r = index; r < index + count; ++r) {
      for (int32_t c = 0; c < ColCount; ++c) Set(c, r, u"");
    }
  }
  void RelocateColumn(int32_t from, int32_t to) {
    std::map<std::pair<int32_t, int32_t>, std::u16string> next;
    for (auto& [key, text] : Cells) {
      auto [r, c] = key;
      if (c == from) {
        c = to;
      } else if (from < to && c > from && c <= to) {
        --c;
      } else if (to < from && c >= to && c < from) {
        ++c;
      }
      next[{r, c}] = text;
    }
    Cells = std::move(next);
  }
};

::testing::AssertionResult SameCells(const TCellTable& t, const TModel& m) {
  if (t.RowCount() != m.RowCount || t.ColCount() != m.ColCount) {
    return ::testing::AssertionFailure() << "extent " << t.ColCount() << "x" << t.RowCount()
                                         << ", expected " << m.ColCount << "x" << m.RowCount;
  }
  if (t.StoredCellCount() != m.Cells.size()) {
    return ::testing::AssertionFailure()
           << "stored cells " << t.StoredCellCount() << ", expected " << m.Cells.size();
  }
  for (int32_t r = 0; r < kRows + 12; ++r) {
    for (int32_t c = 0; c < kCols + 8; ++c) {
      if (t.Cells(c, r) != m.Get(c, r)) {
        return ::testing::AssertionFailure()
               << "first difference at cell (" << c << ", " << r << ")";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(CellStore, AgreesWithACellByCellModel) {
  std::mt19937 rng(20240611);
  auto pick = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  TCellTable t;
  TModel m;
  // Some writes store texts that several cells share; editing one of those
  // cells must leave the others as they are.
  const std::u16string sharedTexts[] = {u"shared one", u"shared two"};
  TSharedText shared[] = {t.ShareText(sharedTexts[0]), t.ShareText(sharedTexts[1])};
  for (int step = 0; step < 4000; ++step) {
    const int op = pick(0, 9);
    std::string what;
    if (op <= 3) {
      const int32_t c = pick(0, kCols), r = pick(0, kRows);
      const int kind = pick(0, 5);
      if (kind >= 4) {
        t.SetCells(c, r, shared[kind - 4]);
        m.Set(c, r, sharedTexts[kind - 4]);
      } else {
        const std::u16string text =
            kind == 0 ? u"" : u"v" + std::u16string(static_cast<size_t>(pick(1, 12)), u'x');
        t.SetCells(c, r, text);
        m.Set(c, r, text);
      }
      what = "SetCells";
    } else if (op == 4) {
      const bool cols = pick(0, 1) == 1;
      const int32_t value = cols ? pick(1, kCols) : pick(1, kRows);
      (cols ? m.ColCount : m.RowCount) = value;
      cols ? t.SetColCount(value) : t.SetRowCount(value);
      what = "count";
    } else if (op == 5) {
      const int32_t c1 = pick(0, kCols + 4), r1 = pick(0, kRows + 4);
      const int32_t c2 = pick(0, kCols + 4), r2 = pick(0, kRows + 4);
      t.ClearRect(c1, r1, c2, r2);
      m.ClearRect(c1, r1, c2, r2);
      what = "ClearRect";
    } else if (op == 6) {
      if (m.RowCount > kRows) continue;
      const int32_t index = pick(0, m.RowCount - 1), count = pick(1, 3);
      t.InsertRows(index, count);
      m.InsertRows(index, count);
      what = "InsertRows";
    } else if (op == 7) {
      const int32_t index = pick(0, m.RowCount + 1), count = pick(1, 4);
      t.DropRows(index, count);
      m.DropRows(index, count);
      what = "DropRows";
    } else if (op == 8) {
      const int32_t from = pick(0, kCols), to = pick(0, kCols);
      t.RelocateColumn(from, to);
      if (from != to) m.RelocateColumn(from, to);
      what = "RelocateColumn";
    } else {
      if (m.RowCount > kRows) continue;
      t.AppendEmptyRow();
      m.RowCount += 1;
      for (int32_t c = 0; c < m.ColCount; ++c) m.Set(c, m.RowCount - 1, u"");
      what = "AppendEmptyRow";
    }
    ASSERT_TRUE(SameCells(t, m)) << "after step " << step << " (" << what << ")";
  }
  for (TSharedText& text : shared) t.ReleaseText(text);
  EXPECT_TRUE(SameCells(t, m));
}

// Texts live in blocks of the store. A block goes as soon as its texts do,
// and cells rewritten again and again keep the blocks near the text in use,
// shared texts staying shared.
TEST(CellStore, TextBlocksFollowTheTextsInUse) {
  TCellTable t;
  for (int32_t r = 0; r < 20000; ++r) t.SetCells(0, r, u"the text of row " + FormatInteger(r));
  EXPECT_GT(t.TextBlockUnits(), 20000u * 16);
  t.ClearRect(0, 0, 0, 19999);
  EXPECT_EQ(t.TextUnits(), 0u);
  EXPECT_EQ(t.TextBlockUnits(), 0u);

  TSharedText shared = t.ShareText(u"a text that cells share");
  for (int32_t r = 0; r < 1000; ++r) t.SetCells(1, r, shared);
  t.ReleaseText(shared);
  std::u16string last;
  for (int32_t i = 0; i < 1000000; ++i) {
    last = u"an edited text, number " + FormatInteger(i);
    t.SetCells(0, i % 100, last);
  }
  // 23 million code units written, at most 4 million held.
  EXPECT_LT(t.TextBlockUnits(), size_t{4} << 20);
  EXPECT_EQ(t.Cells(0, 99), last);
  EXPECT_EQ(t.Cells(1, 999), u"a text that cells share");
  EXPECT_EQ(t.StoredText(1, 0).Id, t.StoredText(1, 999).Id);
  EXPECT_TRUE(t.StoredText(1, 0).Shared);
}

// An edit gives one of the cells that share a text a text of its own; undo
// gives it the old text back; the others keep the shared text throughout.
TEST(CellStore, SharedTextsSurviveEditAndUndo) {
  TCellTable t;
  TEditHistory history(t);
  TSharedText shared = t.ShareText(u"shown by three cells");
  for (int32_t r = 0; r < 3; ++r) t.SetCells(0, r, shared);
  t.ReleaseText(shared);
  history.SetCells(0, 1, u"edited");
  EXPECT_EQ(t.Cells(0, 1), u"edited");
  EXPECT_EQ(t.Cells(0, 0), u"shown by three cells");
  EXPECT_EQ(t.StoredText(0, 0).Id, t.StoredText(0, 2).Id);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(t.Cells(0, 1), u"shown by three cells");
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(t.Cells(0, 1), u"edited");
  // The last cell to show the text keeps it when the others are emptied.
  history.ClearRect(0, 0, 0, 1);
  EXPECT_EQ(t.Cells(0, 2), u"shown by three cells");
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(t.Cells(0, 0), u"shown by three cells");
  EXPECT_EQ(t.Cells(0, 1), u"edited");
}

TEST(CellStore, SparseFarCellsCostLittle) {
  TCellTable t;
  t.SetRowCount(TCellTable::kMaxCount);
  t.SetColCount(TCellTable::kMaxCount);
  t.SetCells(TCellTable::kMaxIndex, 7, u"far right");
  t.SetCells(3, TCellTable::kMaxIndex, u"far down");
  // Clearing the whole extent visits stored cells only.
  t.Clear();
  EXPECT_EQ(t.StoredCellCount(), 0u);
  t.SetCells(TCellTable::kMaxIndex, 7, u"again");
  t.RelocateColumn(TCellTable::kMaxIndex, 0);
  EXPECT_EQ(t.Cells(0, 7), u"again");
  EXPECT_EQ(t.Cells(TCellTable::kMaxIndex, 7), u"");
  // Reads past the last index find nothing; writes there are refused.
  EXPECT_EQ(t.Cells(TCellTable::kMaxIndex + 1, 7), u"");
  EXPECT_THROW(t.SetCells(TCellTable::kMaxIndex + 1, 7, u"x"), Error);
}

}  // namespace
}  // namespace tessary

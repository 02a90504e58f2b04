#include "table/cell_table.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <utility>

#include "common/error.h"

namespace tessary {

namespace {

// The store compacts its texts when the units its blocks hold unused pass
// those in use by this much more than the cells' own size.
constexpr size_t kCompactSlackUnits = size_t{2} << 20;

[[noreturn]] void ThrowListIndex(int64_t index) {
  ThrowError("List index out of bounds (%d)", static_cast<int>(index));
}

[[noreturn]] void ThrowGridIndex() { ThrowError("Grid index out of range"); }

// a + b - 1 for the last index of a run, kept inside int32.
int32_t LastOf(int32_t first, int32_t count) {
  const int64_t last = static_cast<int64_t>(first) + count - 1;
  return static_cast<int32_t>(std::min<int64_t>(last, std::numeric_limits<int32_t>::max()));
}

}  // namespace

// Slot arrays of 1, 2, 4, 8 or 16 cells, carved from chunks that grow from
// 64 KiB to 2 MiB with the cells held and go with the table; an array given
// back is kept for the next one of its size. A table of millions of cells
// thus makes a few hundred allocations, and frees them at once.
class TCellTable::TSlotPool {
 public:
  TSlotPool() = default;
  TSlotPool(const TSlotPool&) = delete;
  TSlotPool& operator=(const TSlotPool&) = delete;
  ~TSlotPool() {
    for (const TChunk& c : FChunks) FreeTableBlock(c.Cells, c.Bytes);
  }

  static int SizeClass(int32_t slots) { return std::bit_width(static_cast<uint32_t>(slots) - 1); }

  TCellText* Take(int sizeClass) {
    if (TCellText* slots = FFree[sizeClass]) {
      FFree[sizeClass] = reinterpret_cast<TCellText*>(slots[0].Bits());
      return slots;
    }
    const size_t cells = size_t{1} << sizeClass;
    if (FLeft < cells) {
      // What is left of the chunk is small: it is not kept.
      const size_t bytes = std::clamp(FBytes, kFirstChunkBytes, kHugeBlockBytes);
      FChunks.reserve(FChunks.size() + 1);
      FNext = static_cast<TCellText*>(AllocateTableBlock(bytes));
      FChunks.push_back({FNext, bytes});
      FBytes += bytes;
      FLeft = bytes / sizeof(TCellText);
    }
    TCellText* slots = FNext;
    FNext += cells;
    FLeft -= cells;
    return slots;
  }

  void Give(TCellText* slots, int sizeClass) {
    slots[0] = TCellText::FromBits(reinterpret_cast<uintptr_t>(FFree[sizeClass]));
    FFree[sizeClass] = slots;
  }

 private:
  static constexpr size_t kFirstChunkBytes = size_t{64} << 10;
  struct TChunk {
    TCellText* Cells;
    size_t Bytes;
  };
  std::vector<TChunk> FChunks;
  size_t FBytes = 0;  // in all chunks
  TCellText* FNext = nullptr;
  size_t FLeft = 0;
  TCellText* FFree[5] = {};
};

// Room for `slot`, and for at least `wanted` slots when the section grows.
void TCellTable::TSection::Reserve(int32_t slot, int32_t wanted, TSlotPool& pool) {
  if (slot < Capacity) return;
  wanted = std::min<int32_t>(kSectionSlots, std::max({slot + 1, Capacity * 2, wanted}));
  const int sizeClass = TSlotPool::SizeClass(wanted);
  TCellText* grown = pool.Take(sizeClass);
  for (uint32_t mask = Mask; mask != 0; mask &= mask - 1) {
    grown[std::countr_zero(mask)] = Slots[std::countr_zero(mask)];
  }
  Release(pool);
  Slots = grown;
  Capacity = static_cast<uint8_t>(1 << sizeClass);
}

void TCellTable::TSection::Release(TSlotPool& pool) {
  if (Slots != nullptr) pool.Give(Slots, TSlotPool::SizeClass(Capacity));
  Slots = nullptr;
  Capacity = 0;
}

int32_t TCellTable::TStoreRow::LastCol() const {
  if (Sections.empty()) return -1;
  const auto last = static_cast<int32_t>(Sections.size()) - 1;
  return last * kSectionSlots + std::bit_width(Sections.back().Mask) - 1;
}

void TCellTable::TStoreRow::TrimSections() {
  while (!Sections.empty() && Sections.back().Mask == 0) Sections.pop_back();
}

TCellTable::TCellTable() : FSlotPool(std::make_unique<TSlotPool>()) {}
// The pool frees its chunks and the store its blocks: no text and no slot
// array is freed on its own.
TCellTable::~TCellTable() = default;

// --- Cells -----------------------------------------------------------------

const TCellTable::TStoreRow* TCellTable::FindRow(int32_t row) const {
  if (row < 0 || static_cast<size_t>(row) >= FRows.size()) return nullptr;
  const TStoreRow& entry = FRows[static_cast<size_t>(row)];
  return entry.Sections.empty() ? nullptr : &entry;
}

TCellTable::TStoreRow& TCellTable::MakeRow(int32_t row) {
  const auto index = static_cast<size_t>(row);
  if (index >= FRows.size()) FRows.resize(index + 1);
  return FRows[index];
}

// The slot of a cell, or nullptr for a cell that holds no text.
const TCellText* TCellTable::FindCell(int32_t col, int32_t row) const {
  if (row < 0) ThrowListIndex(row);
  const TStoreRow* entry = FindRow(row);
  if (!entry) return nullptr;
  if (col < 0) {
    if (!entry->Sections.empty()) ThrowListIndex(col);
    return nullptr;
  }
  const auto section = static_cast<size_t>(col >> kSectionShift);
  if (section >= entry->Sections.size()) return nullptr;
  const TSection& s = entry->Sections[section];
  const int32_t slot = col & kSlotMask;
  return s.Has(slot) ? &s.Slots[slot] : nullptr;
}

std::u16string_view TCellTable::CellsOutside(int32_t col, int32_t row) const {
  const TCellText* cell = FindCell(col, row);
  return cell ? FTexts.View(*cell) : std::u16string_view(u"", 0);
}

TStoredText TCellTable::StoredText(int32_t col, int32_t row) const {
  const TCellText* cell = FindCell(col, row);
  if (!cell) return TStoredText{std::u16string_view(u"", 0), 0, false};
  return TStoredText{FTexts.View(*cell), cell->Bits(), cell->Kind() == TCellText::TKind::tkShared};
}

int32_t TCellTable::LastStoredCol(int32_t row) const {
  const TStoreRow* entry = FindRow(row);
  return entry ? entry->LastCol() : -1;
}

// Only shared texts are asked for: a cell's own text was stored in the
// order the cells were written, which reading follows well enough.
void TCellTable::PrefetchRow(int32_t row) const {
  if (FTexts.SharedCount() == 0) return;
  const TStoreRow* entry = FindRow(row);
  if (!entry) return;
  for (const TSection& s : entry->Sections) {
    for (uint32_t mask = s.Mask; mask != 0; mask &= mask - 1) {
      const TCellText& cell = s.Slots[std::countr_zero(mask)];
      if (cell.Kind() == TCellText::TKind::tkShared) __builtin_prefetch(FTexts.View(cell).data());
    }
  }
}

void TCellTable::SetCells(int32_t col, int32_t row, std::u16string_view text) {
  if (row < 0 || row > kMaxIndex) ThrowListIndex(row);
  if (col < 0 || col > kMaxIndex) ThrowListIndex(col);
  // The copy is made first: `text` may be a cell's text of this table.
  WriteCell(col, row, FTexts.Make(text));
}

// The text's count is settled when its maker lets go: giving it to a cell
// does not touch its memory, which for a text of many cells lies anywhere.
void TCellTable::SetCells(int32_t col, int32_t row, TSharedText& text) {
  if (row < 0 || row > kMaxIndex) ThrowListIndex(row);
  if (col < 0 || col > kMaxIndex) ThrowListIndex(col);
  if (text.FText.InStore()) ++text.FHolders;
  WriteCell(col, row, text.FText);
}

void TCellTable::SetCells(int32_t col, int32_t row, TSharedText&& text) {
  SetCells(col, row, text);
  ReleaseText(text);
}

void TCellTable::ReleaseText(TSharedText& text) {
  const TCellText cell = std::exchange(text.FText, TCellText());
  const uint64_t holders = std::exchange(text.FHolders, 0);
  if (!cell.InStore()) return;
  FTexts.Settle(cell, holders);
  --FHeldTexts;
  CompactTexts();
}

// A write through Cells: the cell takes the text, the view hears of it, and
// the store may compact.
void TCellTable::WriteCell(int32_t col, int32_t row, TCellText text) {
  StoreCell(col, row, text);
  if (FObserver) FObserver->CellWritten(col, row);
  CompactTexts();
}

void TCellTable::StoreCell(int32_t col, int32_t row, TCellText text) {
  if (text.Empty()) {
    EraseCell(MakeRow(row), col);
    return;
  }
  TStoreRow& entry = MakeRow(row);
  const auto section = static_cast<size_t>(col >> kSectionShift);
  if (section >= entry.Sections.size()) {
    if (entry.Sections.empty() && col < FColCount) {
      entry.Sections.reserve(static_cast<size_t>(FColCount - 1) / kSectionSlots + 1);
    }
    entry.Sections.resize(section + 1);
  }
  TSection& s = entry.Sections[section];
  const int32_t slot = col & kSlotMask;
  const int32_t base = col - slot;
  s.Reserve(slot, s.Capacity == 0 && col < FColCount ? FColCount - base : 0, *FSlotPool);
  if (s.Has(slot)) {
    FTexts.Release(s.Slots[slot]);
  } else {
    s.Mask = static_cast<uint16_t>(s.Mask | (1u << slot));
    ++FStoredCells;
  }
  s.Slots[slot] = text;
}

void TCellTable::EraseCell(TStoreRow& entry, int32_t col) {
  const auto section = static_cast<size_t>(col >> kSectionShift);
  if (section >= entry.Sections.size()) return;
  TSection& s = entry.Sections[section];
  const int32_t slot = col & kSlotMask;
  if (!s.Has(slot)) return;
  FTexts.Release(s.Slots[slot]);
  s.Mask = static_cast<uint16_t>(s.Mask & ~(1u << slot));
  --FStoredCells;
  if (s.Mask == 0) {
    s.Release(*FSlotPool);
    entry.TrimSections();
  }
}

// Called where no text is out of its cell: at the end of the operations
// that let go of texts, never inside one. Its cost follows the cells and
// the text in use, and it runs only after at least that much text has been
// let go of since the last time, so over a session it costs no more than
// writing the texts did.
void TCellTable::CompactTexts() {
  const size_t live = FTexts.LiveUnits();
  const size_t unused = FTexts.BlockUnits() - live;
  if (FHeldTexts > 0 || unused <= live + 4 * FStoredCells + kCompactSlackUnits) return;
  TTextStore old = std::move(FTexts);
  for (TStoreRow& row : FRows) {
    for (TSection& s : row.Sections) {
      for (uint32_t mask = s.Mask; mask != 0; mask &= mask - 1) {
        TCellText& cell = s.Slots[std::countr_zero(mask)];
        cell = FTexts.MoveFrom(old, cell);
      }
    }
  }
}

// Empties the cells holding text in the rectangle, visiting only stored rows
// and, within them, only the slots that hold text. Nothing lies beyond
// kMaxIndex, so the rectangle is cut there.
void TCellTable::ClearRange(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  if (col2 < col1 || row2 < row1) return;
  if (row1 < 0) ThrowListIndex(row1);
  if (col1 < 0) ThrowListIndex(col1);
  if (FRows.empty() || col1 > kMaxIndex) return;
  row2 = static_cast<int32_t>(std::min<int64_t>(row2, static_cast<int64_t>(FRows.size()) - 1));
  col2 = std::min(col2, kMaxIndex);
  for (int32_t r = row1; r <= row2; ++r) {
    TStoreRow& entry = FRows[static_cast<size_t>(r)];
    const int32_t last = std::min(col2, entry.LastCol());
    // From the right, so that trimming trailing sections never skips one.
    for (int32_t s = last >> kSectionShift; s >= (col1 >> kSectionShift) && last >= col1; --s) {
      if (static_cast<size_t>(s) >= entry.Sections.size()) continue;
      const int32_t base = s * kSectionSlots;
      uint32_t mask = entry.Sections[static_cast<size_t>(s)].Mask;
      for (; mask != 0; mask &= mask - 1) {
        const int32_t c = base + std::countr_zero(mask);
        if (c >= col1 && c <= last) EraseCell(entry, c);
      }
    }
  }
}

// --- Extent and fixed area ---------------------------------------------------

void TCellTable::NotifyLayout() {
  if (FObserver) FObserver->LayoutChanged();
}

void TCellTable::SetColCount(int32_t value) { ChangeCount(true, value); }
void TCellTable::SetRowCount(int32_t value) { ChangeCount(false, value); }

void TCellTable::ChangeCount(bool cols, int32_t value) {
  int32_t& count = cols ? FColCount : FRowCount;
  if (value == count) return;
  if (value <= 0) value = 1;
  if (value > kMaxCount) ThrowListIndex(value);
  if (value == count) return;

  const int32_t fixed = cols ? FFixedCols : FFixedRows;
  if (fixed >= value) ChangeFixed(cols, value - 1);

  const int32_t oldColCount = FColCount;
  const int32_t oldRowCount = FRowCount;
  count = value;
  try {
    TGridCoord current = FCurrent;
    current.X = std::min(current.X, FColCount - 1);
    current.Y = std::min(current.Y, FRowCount - 1);
    SetCurrentAndAnchor(current, current);
  } catch (...) {
    FColCount = oldColCount;
    FRowCount = oldRowCount;
    try {
      NotifyLayout();
    } catch (...) {
    }
    throw;
  }

  std::vector<int32_t>& sizes = cols ? FColWidths : FRowHeights;
  if (sizes.size() > static_cast<size_t>(value)) {
    sizes.resize(static_cast<size_t>(value));
    sizes.shrink_to_fit();
  }
  FLeftCol = std::clamp(FLeftCol, FFixedCols, FColCount - 1);
  FTopRow = std::clamp(FTopRow, FFixedRows, FRowCount - 1);
  NotifyLayout();
}

void TCellTable::SetFixedCols(int32_t value) { ChangeFixed(true, value); }
void TCellTable::SetFixedRows(int32_t value) { ChangeFixed(false, value); }

void TCellTable::ChangeFixed(bool cols, int32_t value) {
  int32_t& fixed = cols ? FFixedCols : FFixedRows;
  if (value == fixed) return;
  if (value < 0) ThrowGridIndex();
  if (cols && value >= FColCount) ThrowError("Fixed column count must be less than column count");
  if (!cols && value >= FRowCount) ThrowError("Fixed row count must be less than row count");

  const int32_t old = fixed;
  fixed = value;
  try {
    const TGridCoord origin{FFixedCols, FFixedRows};
    SetCurrentAndAnchor(origin, origin);
  } catch (...) {
    fixed = old;
    throw;
  }
  FLeftCol = FFixedCols;
  FTopRow = FFixedRows;
  NotifyLayout();
}

// --- Current cell and selection ----------------------------------------------

TGridRect TCellTable::Selection() const {
  return TGridRect{std::min(FCurrent.X, FAnchor.X), std::min(FCurrent.Y, FAnchor.Y),
                   std::max(FCurrent.X, FAnchor.X), std::max(FCurrent.Y, FAnchor.Y)};
}

void TCellTable::SetCurrentAndAnchor(TGridCoord current, TGridCoord anchor) {
  if (current == FCurrent && anchor == FAnchor) return;
  if (!(current == FCurrent) && FObserver) FObserver->CurrentCellMoving();
  FCurrent = current;
  FAnchor = anchor;
  if (FObserver) FObserver->SelectionChanged();
}

TGridCoord TCellTable::ClampToEditable(TGridCoord cell) const {
  cell.X = std::clamp(cell.X, FFixedCols, FColCount - 1);
  cell.Y = std::clamp(cell.Y, FFixedRows, FRowCount - 1);
  return cell;
}

void TCellTable::MoveCurrent(TGridCoord cell, bool extend) {
  const TGridCoord current = ClampToEditable(cell);
  SetCurrentAndAnchor(current, extend ? FAnchor : current);
}

void TCellTable::SetSelection(TGridCoord anchor, TGridCoord current) {
  SetCurrentAndAnchor(ClampToEditable(current), ClampToEditable(anchor));
}

void TCellTable::SetLeftCol(int32_t value) {
  value = std::clamp(value, FFixedCols, FColCount - 1);
  if (value == FLeftCol) return;
  FLeftCol = value;
  NotifyLayout();
}

void TCellTable::SetTopRow(int32_t value) {
  value = std::clamp(value, FFixedRows, FRowCount - 1);
  if (value == FTopRow) return;
  FTopRow = value;
  NotifyLayout();
}

// --- Sizes -------------------------------------------------------------------

void TCellTable::SetDefaultColWidth(int32_t value) {
  if (value == FDefaultColWidth && FColWidths.empty()) return;
  FDefaultColWidth = value;
  FColWidths.clear();
  NotifyLayout();
}

void TCellTable::SetDefaultRowHeight(int32_t value) {
  if (value == FDefaultRowHeight && FRowHeights.empty()) return;
  FDefaultRowHeight = value;
  FRowHeights.clear();
  NotifyLayout();
}

int32_t TCellTable::ColWidths(int32_t col) const {
  if (col < 0 || col >= FColCount) ThrowGridIndex();
  return static_cast<size_t>(col) < FColWidths.size() ? FColWidths[static_cast<size_t>(col)]
                                                      : FDefaultColWidth;
}

void TCellTable::SetColWidths(int32_t col, int32_t width) {
  if (col < 0 || col >= FColCount) ThrowGridIndex();
  const auto index = static_cast<size_t>(col);
  if (index >= FColWidths.size()) {
    if (width == FDefaultColWidth) return;
    FColWidths.resize(index + 1, FDefaultColWidth);
  }
  if (FColWidths[index] == width) return;
  FColWidths[index] = width;
  NotifyLayout();
}

int32_t TCellTable::RowHeights(int32_t row) const {
  if (row < 0 || row >= FRowCount) ThrowGridIndex();
  return static_cast<size_t>(row) < FRowHeights.size() ? FRowHeights[static_cast<size_t>(row)]
                                                       : FDefaultRowHeight;
}

void TCellTable::SetRowHeights(int32_t row, int32_t height) {
  if (row < 0 || row >= FRowCount) ThrowGridIndex();
  const auto index = static_cast<size_t>(row);
  if (index >= FRowHeights.size()) {
    if (height == FDefaultRowHeight) return;
    FRowHeights.resize(index + 1, FDefaultRowHeight);
  }
  if (FRowHeights[index] == height) return;
  FRowHeights[index] = height;
  NotifyLayout();
}

// --- Structural operations -----------------------------------------------------

void TCellTable::CellsChanged(const TGridRect& r) {
  if (OnCellsChanged) OnCellsChanged(*this, r);
  if (FObserver) FObserver->CellsInvalidated(r);
}

void TCellTable::ClearRect(int32_t aCol1, int32_t aRow1, int32_t aCol2, int32_t aRow2) {
  ClearRange(aCol1, aRow1, aCol2, aRow2);
  CellsChanged(TGridRect{aCol1, aRow1, aCol2, aRow2});
  CompactTexts();
}

void TCellTable::Clear() { ClearRect(0, 0, FColCount - 1, FRowCount - 1); }

void TCellTable::ClearCols(int32_t colIndex, int32_t cCount) {
  if (FRowCount <= 0 || FColCount <= 0 || cCount <= 0) return;
  ClearRect(colIndex, 0, LastOf(colIndex, cCount), FRowCount - 1);
}

void TCellTable::ClearRows(int32_t rowIndex, int32_t rCount) {
  if (FRowCount <= 0 || FColCount <= 0 || rCount <= 0) return;
  ClearRect(0, rowIndex, FColCount - 1, LastOf(rowIndex, rCount));
}

void TCellTable::EmptyRowCells(int32_t aRow) {
  ClearRange(0, aRow, FColCount - 1, aRow);
  if (FObserver) FObserver->CellsInvalidated(TGridRect{0, aRow, FColCount - 1, aRow});
  CompactTexts();
}

void TCellTable::InsertRows(int32_t rowIndex, int32_t rCount, bool /*updateCellControls*/) {
  if (rCount <= 0) return;
  if (rowIndex < 0 || rowIndex > kMaxIndex) ThrowListIndex(rowIndex);
  if (static_cast<int64_t>(FRowCount) + rCount > kMaxCount) {
    ThrowListIndex(static_cast<int64_t>(FRowCount) + rCount - 1);
  }
  SetRowCount(FRowCount + rCount);

  // Each row from the new last one down to rowIndex + rCount takes the cells
  // (columns below ColCount) of the row rCount places above it.
  const int32_t colLimit = FColCount;
  if (static_cast<size_t>(rowIndex) < FRows.size()) {
    FRows.resize(std::max(FRows.size(), static_cast<size_t>(FRowCount)));
    for (int32_t dst = FRowCount - 1; dst >= rowIndex + rCount; --dst) {
      MoveRowCells(dst, dst - rCount, colLimit);
    }
  }
  if (static_cast<size_t>(rowIndex) < FRowHeights.size()) {
    FRowHeights.insert(FRowHeights.begin() + rowIndex, static_cast<size_t>(rCount),
                       FDefaultRowHeight);
    if (FRowHeights.size() > static_cast<size_t>(FRowCount)) {
      FRowHeights.resize(static_cast<size_t>(FRowCount));
    }
  }
  for (int32_t r = rowIndex; r < rowIndex + rCount && r <= kMaxIndex; ++r) {
    ClearRange(0, r, colLimit - 1, r);
  }
  CellsChanged(TGridRect{0, rowIndex, FColCount - 1, LastOf(rowIndex, rCount + 1)});
  CompactTexts();
}

// Row `dst` takes the cells of row `src` below column colLimit; its own
// cells there go, and its cells from colLimit on stay.
void TCellTable::MoveRowCells(int32_t dst, int32_t src, int32_t colLimit) {
  TStoreRow& dstRow = FRows[static_cast<size_t>(dst)];
  TStoreRow& srcRow = FRows[static_cast<size_t>(src)];
  const int32_t dstLast = dstRow.LastCol();
  const int32_t srcLast = srcRow.LastCol();
  if (dstLast < 0 && srcLast < 0) return;
  if (dstLast < colLimit && srcLast < colLimit) {
    // Neither row holds cells beyond the extent: move the whole entry. The
    // old destination content lands in a row that is overwritten or emptied
    // later in the same insertion.
    std::swap(dstRow.Sections, srcRow.Sections);
    return;
  }
  ClearRange(0, dst, colLimit - 1, dst);
  if (srcLast < 0) return;
  const int32_t lastSection = std::min(srcLast, colLimit - 1) >> kSectionShift;
  for (int32_t sec = lastSection; sec >= 0; --sec) {
    if (static_cast<size_t>(sec) >= srcRow.Sections.size()) continue;
    TSection& s = srcRow.Sections[static_cast<size_t>(sec)];
    for (uint32_t mask = s.Mask; mask != 0; mask &= mask - 1) {
      const int32_t c = sec * kSectionSlots + std::countr_zero(mask);
      if (c >= colLimit) break;
      StoreCell(c, dst, s.MoveOut(c & kSlotMask));
    }
    // Now drop the moved-from entries (this may trim the section away).
    for (uint32_t mask = s.Mask; mask != 0; mask &= mask - 1) {
      const int32_t c = sec * kSectionSlots + std::countr_zero(mask);
      if (c >= colLimit) break;
      EraseCell(srcRow, c);
    }
  }
}

void TCellTable::AppendEmptyRow() {
  SetRowCount(FRowCount + 1);
  EmptyRowCells(FRowCount - 1);
}

void TCellTable::DropRows(int32_t rowIndex, int32_t rCount) {
  if (rowIndex < 0) ThrowListIndex(rowIndex);
  if (rowIndex >= FRowCount || rCount <= 0) return;
  const int32_t count = std::min(rCount, FRowCount - rowIndex);
  const int32_t oldRowCount = FRowCount;
  const int32_t currentRow = FCurrent.Y;
  const int32_t topRow = FTopRow;

  // Removing one row at a time parks each removed row at the end of the
  // extent, which then shrinks by one: the removed rows end up just past the
  // new extent in reverse order.
  if (static_cast<size_t>(rowIndex) < FRows.size()) {
    FRows.resize(std::max(FRows.size(), static_cast<size_t>(oldRowCount)));
    const auto first = FRows.begin() + rowIndex;
    const auto end = FRows.begin() + oldRowCount;
    std::rotate(first, first + count, end);
    std::reverse(end - count, end);
  }
  if (static_cast<size_t>(rowIndex) < FRowHeights.size()) {
    const size_t stop = std::min(FRowHeights.size(), static_cast<size_t>(rowIndex) + count);
    FRowHeights.erase(FRowHeights.begin() + rowIndex, FRowHeights.begin() + stop);
  }

  SetRowCount(oldRowCount - count);
  const int32_t row = currentRow < FRowCount ? currentRow : FRowCount - 1;
  MoveCurrent(TGridCoord{FCurrent.X, row});
  if (currentRow < FRowCount) SetTopRow(topRow);
  CellsChanged(TGridRect{0, rowIndex, FColCount - 1, LastOf(rowIndex, count + 1)});
}

void TCellTable::RelocateColumn(int32_t fromIndex, int32_t toIndex) {
  if (fromIndex == toIndex) return;
  if (fromIndex < 0 || fromIndex > kMaxIndex) ThrowListIndex(fromIndex);
  if (toIndex < 0 || toIndex > kMaxIndex) ThrowListIndex(toIndex);
  const int32_t low = std::min(fromIndex, toIndex);
  const int32_t high = std::max(fromIndex, toIndex);
  auto target = [&](int32_t c) {
    if (c == fromIndex) return toIndex;
    return fromIndex < toIndex ? c - 1 : c + 1;
  };

  struct TMoved {
    int32_t From;
    int32_t To;
    TCellText Text;
  };
  std::vector<TMoved> moved;
  for (size_t r = 0; r < FRows.size(); ++r) {
    TStoreRow& entry = FRows[r];
    if (entry.LastCol() < low) continue;
    // Take the stored cells of low..high out, then put them at their new
    // columns: the cost follows the cells held, not the distance.
    moved.clear();
    const int32_t last = std::min(high, entry.LastCol());
    for (int32_t sec = low >> kSectionShift; sec <= last >> kSectionShift; ++sec) {
      TSection& s = entry.Sections[static_cast<size_t>(sec)];
      for (uint32_t mask = s.Mask; mask != 0; mask &= mask - 1) {
        const int32_t c = sec * kSectionSlots + std::countr_zero(mask);
        if (c < low || c > last) continue;
        moved.push_back(TMoved{c, target(c), s.MoveOut(c & kSlotMask)});
      }
    }
    for (const TMoved& m : moved) EraseCell(entry, m.From);
    for (const TMoved& m : moved) StoreCell(m.To, static_cast<int32_t>(r), m.Text);
  }

  if (high < FColCount && static_cast<size_t>(low) < FColWidths.size()) {
    FColWidths.resize(std::max(FColWidths.size(), static_cast<size_t>(high) + 1), FDefaultColWidth);
    const auto first = FColWidths.begin() + low;
    const auto end = FColWidths.begin() + high + 1;
    if (fromIndex < toIndex) {
      std::rotate(first, first + 1, end);
    } else {
      std::rotate(first, end - 1, end);
    }
  }
  if (FObserver) {
    FObserver->LayoutChanged();
    FObserver->CellsInvalidated(TGridRect{low, 0, high, FRowCount - 1});
  }
}

void TCellTable::ReorderRows(int32_t first, const std::vector<int32_t>& order) {
  const auto n = static_cast<int64_t>(order.size());
  if (n == 0) return;
  if (first < 0 || first + n - 1 > kMaxIndex) ThrowListIndex(first < 0 ? first : first + n - 1);
  std::vector<bool> seen(static_cast<size_t>(n));
  for (int32_t source : order) {
    const int64_t i = int64_t{source} - first;
    if (i < 0 || i >= n || seen[static_cast<size_t>(i)]) ThrowListIndex(source);
    seen[static_cast<size_t>(i)] = true;
  }
  // Whole rows change places: only the row entries move, never a cell.
  const auto begin = static_cast<size_t>(first);
  if (begin < FRows.size()) {
    FRows.resize(std::max(FRows.size(), begin + static_cast<size_t>(n)));
    std::vector<TStoreRow> moved(static_cast<size_t>(n));
    for (size_t i = 0; i < moved.size(); ++i) {
      moved[i] = std::move(FRows[static_cast<size_t>(order[i])]);
    }
    std::move(moved.begin(), moved.end(), FRows.begin() + static_cast<ptrdiff_t>(begin));
  }
  if (begin < FRowHeights.size()) {
    FRowHeights.resize(std::max(FRowHeights.size(), begin + static_cast<size_t>(n)),
                       FDefaultRowHeight);
    std::vector<int32_t> heights(static_cast<size_t>(n));
    for (size_t i = 0; i < heights.size(); ++i) {
      heights[i] = FRowHeights[static_cast<size_t>(order[i])];
    }
    std::copy(heights.begin(), heights.end(), FRowHeights.begin() + static_cast<ptrdiff_t>(begin));
  }
  if (FObserver) {
    FObserver->CellsInvalidated(
        TGridRect{0, first, FColCount - 1, static_cast<int32_t>(first + n - 1)});
  }
}

bool TCellTable::DeleteRowByKey(int32_t aRow) {
  if (FRowCount - FFixedRows < 1) return false;
  bool canDelete = true;
  if (OnCanDeleteRow) OnCanDeleteRow(*this, aRow, canDelete);
  if (!canDelete) return false;
  if (FRowCount - FFixedRows == 1) {
    ClearRows(aRow, 1);
  } else {
    DropRows(aRow, 1);
  }
  if (OnAutoDeleteRow) OnAutoDeleteRow(*this, aRow);
  return true;
}

}  // namespace tessary

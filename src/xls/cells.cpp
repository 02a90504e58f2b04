#include "xls/cells.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/bytes.h"
#include "common/error.h"
#include "xls/records.h"

namespace tessary {

static void CheckRow(int row) {
  if (row < 0 || row > kMaxSheetRow) ThrowError("Invalid Row (%d)", row);
}

static void CheckCol(int col) {
  if (col < 0 || col > kMaxSheetCol) ThrowError("Invalid Column (%d)", col);
}

// Where row or column `index` goes when `count` are inserted before it;
// capped so that a failure can name it.
static int Moved(int index, int count) {
  return static_cast<int>(
      std::min<int64_t>(int64_t{index} + count, std::numeric_limits<int>::max()));
}

// ---- TColInfoList ----

void TColInfoList::AddRecord(std::unique_ptr<TBaseRecord> record) {
  const auto* info = dynamic_cast<const TColInfoRecord*>(record.get());
  if (info == nullptr) ThrowFileInvalid();
  const int last = std::min<int>(info->LastCol(), kMaxSheetCol);
  for (int col = info->FirstCol(); col <= last; ++col) {
    Set({static_cast<uint16_t>(col), info->Width(), info->XF(), info->Options()});
  }
}

void TColInfoList::Set(const TColInfo& info) {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), info.Column,
                             [](const TColInfo& a, int col) { return a.Column < col; });
  if (it != FItems.end() && it->Column == info.Column) {
    *it = info;
  } else {
    FItems.insert(it, info);
  }
}

const TColInfo* TColInfoList::Find(int col) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), col,
                             [](const TColInfo& a, int c) { return a.Column < c; });
  return it != FItems.end() && it->Column == col ? &*it : nullptr;
}

TColInfo* TColInfoList::Find(int col) {
  return const_cast<TColInfo*>(static_cast<const TColInfoList*>(this)->Find(col));
}

int32_t TColInfoList::ColumnXF(int col) const {
  const TColInfo* info = Find(col);
  return info != nullptr ? info->XF : -1;
}

void TColInfoList::SetColWidth(int col, uint16_t width) {
  CheckCol(col);
  if (TColInfo* info = Find(col)) {
    info->Width = width;
  } else {
    Set({static_cast<uint16_t>(col), width, kDefaultCellXF, 0});
  }
}

void TColInfoList::SetColHidden(int col, bool hidden, uint16_t defaultWidth) {
  CheckCol(col);
  TColInfo* info = Find(col);
  if (hidden) {
    if (info != nullptr) {
      info->Options |= 1;
    } else {
      Set({static_cast<uint16_t>(col), defaultWidth, kDefaultCellXF, 1});
    }
  } else if (info != nullptr) {
    info->Options &= ~1;
    if (info->Width == 0) info->Width = defaultWidth;
  }
}

uint16_t TColInfoList::OutlineLevel() const {
  uint16_t level = 0;
  for (const TColInfo& info : FItems) {
    level = std::max<uint16_t>(level, (info.Options >> 8) & 0x07);
  }
  return level;
}

void TColInfoList::CheckInsertCols(int col, int count) const {
  if (count <= 0) return;
  CheckCol(col);
  // The entries are sorted: the last one goes furthest.
  if (!FItems.empty() && FItems.back().Column >= col &&
      Moved(FItems.back().Column, count) > kMaxSheetCol) {
    ThrowError("Invalid Column (%d)", Moved(FItems.back().Column, count));
  }
}

void TColInfoList::InsertCols(int col, int count) {
  CheckInsertCols(col, count);
  if (count <= 0) return;
  for (TColInfo& info : FItems) {
    if (info.Column >= col) info.Column = static_cast<uint16_t>(info.Column + count);
  }
}

// Calls f(first entry, last column) for each run of entries with
// consecutive columns and equal width, XF and options, up to the first run
// that begins beyond the sheet's columns.
template <class F>
void TColInfoList::ForEachRun(F&& f) const {
  size_t i = 0;
  while (i < FItems.size()) {
    const TColInfo& first = FItems[i];
    if (first.Column > kMaxSheetCol) break;
    size_t j = i;
    while (j + 1 < FItems.size() && FItems[j + 1].Column == FItems[j].Column + 1 &&
           FItems[j + 1].Width == first.Width && FItems[j + 1].XF == first.XF &&
           FItems[j + 1].Options == first.Options) {
      ++j;
    }
    f(first, FItems[j].Column);
    i = j + 1;
  }
}

void TColInfoList::SaveToStream(TRecordStream& stream) const {
  ForEachRun([&](const TColInfo& first, uint16_t lastCol) {
    uint8_t data[12] = {};
    PutU16(data, first.Column);
    PutU16(data + 2, std::min<uint16_t>(lastCol, 256));
    PutU16(data + 4, first.Width);
    PutU16(data + 6, first.XF);
    PutU16(data + 8, first.Options);
    WriteRecord(stream, xlsid::COLINFO, data, sizeof data);
  });
}

uint64_t TColInfoList::TotalSize() const {
  uint64_t size = 0;
  ForEachRun([&](const TColInfo&, uint16_t) { size += 16; });
  return size;
}

// ---- TMergedCells ----

void TMergedCells::AddRecord(std::unique_ptr<TBaseRecord> record) {
  const auto* merging = dynamic_cast<const TCellMergingRecord*>(record.get());
  if (merging == nullptr) ThrowFileInvalid();
  const std::vector<TMergedRange> ranges = merging->Ranges();
  FRanges.insert(FRanges.end(), ranges.begin(), ranges.end());
}

void TMergedCells::MergeCells(int row1, int col1, int row2, int col2) {
  CheckRow(row1);
  CheckRow(row2);
  CheckCol(col1);
  CheckCol(col2);
  TMergedRange range{
      static_cast<uint16_t>(std::min(row1, row2)), static_cast<uint16_t>(std::max(row1, row2)),
      static_cast<uint16_t>(std::min(col1, col2)), static_cast<uint16_t>(std::max(col1, col2))};
  // Grow over every overlapped range and take its place: merged ranges of a
  // sheet must not overlap.
  for (size_t i = 0; i < FRanges.size();) {
    const TMergedRange& other = FRanges[i];
    if (!range.Overlaps(other)) {
      ++i;
      continue;
    }
    range.FirstRow = std::min(range.FirstRow, other.FirstRow);
    range.LastRow = std::max(range.LastRow, other.LastRow);
    range.FirstCol = std::min(range.FirstCol, other.FirstCol);
    range.LastCol = std::max(range.LastCol, other.LastCol);
    FRanges.erase(FRanges.begin() + static_cast<std::ptrdiff_t>(i));
    i = 0;
  }
  FRanges.push_back(range);
}

void TMergedCells::CheckInsertRows(int row, int count) const {
  if (count <= 0) return;
  CheckRow(row);
  for (const TMergedRange& range : FRanges) {
    for (const int edge : {range.FirstRow, range.LastRow}) {
      if (edge >= row && Moved(edge, count) > kMaxSheetRow) {
        ThrowError("Invalid Row (%d)", Moved(edge, count));
      }
    }
  }
}

void TMergedCells::InsertRows(int row, int count) {
  CheckInsertRows(row, count);
  if (count <= 0) return;
  // Each edge at or after the point moves: a range from the point on moves
  // whole, a range across it grows.
  for (TMergedRange& range : FRanges) {
    if (range.FirstRow >= row) range.FirstRow = static_cast<uint16_t>(range.FirstRow + count);
    if (range.LastRow >= row) range.LastRow = static_cast<uint16_t>(range.LastRow + count);
  }
}

void TMergedCells::CheckInsertCols(int col, int count) const {
  if (count <= 0) return;
  CheckCol(col);
  for (const TMergedRange& range : FRanges) {
    for (const int edge : {range.FirstCol, range.LastCol}) {
      if (edge >= col && Moved(edge, count) > kMaxSheetCol) {
        ThrowError("Invalid Column (%d)", Moved(edge, count));
      }
    }
  }
}

void TMergedCells::InsertCols(int col, int count) {
  CheckInsertCols(col, count);
  if (count <= 0) return;
  for (TMergedRange& range : FRanges) {
    if (range.FirstCol >= col) range.FirstCol = static_cast<uint16_t>(range.FirstCol + count);
    if (range.LastCol >= col) range.LastCol = static_cast<uint16_t>(range.LastCol + count);
  }
}

void TMergedCells::SaveToStream(TRecordStream& stream) const {
  for (size_t start = 0; start < FRanges.size(); start += TCellMergingRecord::kMaxRanges) {
    const size_t count = std::min(TCellMergingRecord::kMaxRanges, FRanges.size() - start);
    std::vector<uint8_t> data(2 + 8 * count);
    PutU16(data.data(), static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) {
      const TMergedRange& r = FRanges[start + i];
      uint8_t* p = data.data() + 2 + 8 * i;
      PutU16(p, r.FirstRow);
      PutU16(p + 2, r.LastRow);
      PutU16(p + 4, r.FirstCol);
      PutU16(p + 6, r.LastCol);
    }
    WriteRecord(stream, xlsid::MERGEDCELLS, data.data(), static_cast<uint16_t>(data.size()));
  }
}

uint64_t TMergedCells::TotalSize() const {
  const uint64_t records =
      (FRanges.size() + TCellMergingRecord::kMaxRanges - 1) / TCellMergingRecord::kMaxRanges;
  return records * 6 + FRanges.size() * 8;
}

// ---- TCells: loading ----

void TCells::AddRecord(std::unique_ptr<TBaseRecord> record) {
  if (auto* row = dynamic_cast<TRowRecord*>(record.get())) {
    record.release();
    AddRow(std::unique_ptr<TRowRecord>(row));
  } else if (auto* mulRK = dynamic_cast<TMulRKRecord*>(record.get())) {
    for (auto& cell : mulRK->Split()) AddCell(std::move(cell));
  } else if (auto* mulBlank = dynamic_cast<TMulBlankRecord*>(record.get())) {
    for (auto& cell : mulBlank->Split()) AddCell(std::move(cell));
  } else if (auto* cell = dynamic_cast<TCellRecord*>(record.get())) {
    record.release();
    AddCell(std::unique_ptr<TCellRecord>(cell));
  } else {
    ThrowFileInvalid();
  }
}

void TCells::AddRow(std::unique_ptr<TRowRecord> row) {
  const size_t index = row->Row();
  if (index < FRows.size() && FRows[index]) throw Error("Duplicated ROW record");
  if (index >= FRows.size()) FRows.resize(index + 1);
  row->Continue.reset();
  FRows[index] = std::move(row);
}

void TCells::AddCell(std::unique_ptr<TCellRecord> cell) {
  if (cell->Column() > kMaxSheetCol) ThrowFileInvalid();
  TCellRecordList& cells = EnsureCellRow(cell->Row());
  bool found;
  const size_t pos = FindCol(cells, cell->Column(), found);
  if (found) {
    // A later record for the same cell replaces the earlier one.
    cells[pos] = std::move(cell);
  } else {
    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(pos), std::move(cell));
  }
}

void TCells::FixRows() {
  const size_t count = FCellRows.size();
  for (size_t r = 0; r < count; ++r) {
    const TCellRecordList* cells = FCellRows[r].get();
    const bool isLast = r + 1 == count && count > FRows.size();
    if ((cells == nullptr || cells->empty()) && !isLast) continue;
    if (r < FRows.size() && FRows[r]) continue;
    TRowRecord& row = EnsureRow(static_cast<int>(r));
    // The new row covers its cells, so that the range written for the
    // sheet includes them.
    if (cells != nullptr && !cells->empty()) {
      row.SetFirstCol(cells->front()->Column());
      row.SetLastCol(static_cast<uint16_t>(cells->back()->Column() + 1));
    }
  }
}

// ---- TCells: values ----

size_t TCells::FindCol(const TCellRecordList& cells, int col, bool& found) {
  auto it = std::lower_bound(
      cells.begin(), cells.end(), col,
      [](const std::unique_ptr<TCellRecord>& cell, int c) { return cell->Column() < c; });
  found = it != cells.end() && (*it)->Column() == col;
  return static_cast<size_t>(it - cells.begin());
}

TRowRecord& TCells::EnsureRow(int row) {
  const size_t index = static_cast<size_t>(row);
  if (index >= FRows.size()) FRows.resize(index + 1);
  if (!FRows[index]) FRows[index] = TRowRecord::Build(static_cast<uint16_t>(row));
  return *FRows[index];
}

TCellRecordList& TCells::EnsureCellRow(int row) {
  const size_t index = static_cast<size_t>(row);
  if (index >= FCellRows.size()) FCellRows.resize(index + 1);
  if (!FCellRows[index]) FCellRows[index] = std::make_unique<TCellRecordList>();
  return *FCellRows[index];
}

int TCells::DefaultXF(int row, int col) const {
  const TRowRecord* rowRecord = Row(row);
  if (rowRecord != nullptr && rowRecord->IsFormatted()) return rowRecord->XF();
  if (FColumns != nullptr) {
    const int32_t xf = FColumns->ColumnXF(col);
    if (xf >= 0) return xf;
  }
  return kDefaultCellXF;
}

std::unique_ptr<TCellRecord> TCells::MakeRecord(int row, int col, int xf, int defaultXF,
                                                const TXlsCellValue& value,
                                                const std::vector<TRTFRun>* runs,
                                                bool options1904) {
  const auto r = static_cast<uint16_t>(row);
  const auto c = static_cast<uint16_t>(col);
  const auto x = static_cast<uint16_t>(xf);
  const auto number = [&](double d) -> std::unique_ptr<TCellRecord> {
    uint32_t rk;
    if (EncodeRK(d, rk)) {
      auto record = TRKRecord::Build(r, c, x);
      PutU32(record->Data.data() + 6, rk);
      return record;
    }
    auto record = TNumberRecord::Build(r, c, x);
    record->SetValue(d);
    return record;
  };
  const auto blank = [&]() -> std::unique_ptr<TCellRecord> {
    if (xf == defaultXF) return nullptr;
    return TBlankRecord::Build(r, c, x);
  };

  if (const auto* d = std::get_if<double>(&value.Value)) return number(*d);
  if (const auto* date = std::get_if<TXlsDate>(&value.Value)) {
    return number(options1904 ? date->Serial - 1462 : date->Serial);
  }
  if (const auto* b = std::get_if<bool>(&value.Value)) {
    auto record = TBoolErrRecord::Build(r, c, x);
    record->SetBool(*b);
    return record;
  }
  if (const auto* text = std::get_if<std::u16string>(&value.Value)) {
    if (text->empty()) return blank();
    if (FSST == nullptr) throw Error("The sheet has no shared string table");
    auto record = TLabelSSTRecord::Build(r, c, x, *FSST);
    if (runs != nullptr && !runs->empty()) {
      record->SetAsRichString(*text, *runs);
    } else {
      record->SetAsString(*text);
    }
    return record;
  }
  return blank();
}

void TCells::SetValueX2(int row, int col, const TXlsCellValue& value, bool options1904) {
  static const std::vector<TRTFRun> kNoRuns;
  SetValueX2(row, col, value, kNoRuns, options1904);
}

void TCells::SetValueX2(int row, int col, const TXlsCellValue& value,
                        const std::vector<TRTFRun>& runs, bool options1904) {
  CheckRow(row);
  CheckCol(col);
  // Everything that can fail comes before the first change.
  const int defaultXF = DefaultXF(row, col);
  TCellRecordList* cells = RowCells(row) != nullptr ? FCellRows[row].get() : nullptr;
  bool found = false;
  size_t pos = cells != nullptr ? FindCol(*cells, col, found) : 0;
  const TCellRecord* existing = found ? (*cells)[pos].get() : nullptr;
  const int xf = value.XF >= 0 ? value.XF : existing != nullptr ? existing->XF() : defaultXF;
  std::unique_ptr<TCellRecord> made =
      MakeRecord(row, col, xf, defaultXF, value, &runs, options1904);

  TRowRecord& rowRecord = EnsureRow(row);
  if (existing != nullptr) {
    cells->erase(cells->begin() + static_cast<std::ptrdiff_t>(pos));
    if (!made) {
      if (!cells->empty()) {
        rowRecord.SetFirstCol(cells->front()->Column());
        rowRecord.SetLastCol(static_cast<uint16_t>(cells->back()->Column() + 1));
      } else if (rowRecord.IsModified()) {
        rowRecord.SetFirstCol(0);
        rowRecord.SetLastCol(0);
      } else {
        FRows[row].reset();
      }
    }
  }
  TrimEnd(row, made != nullptr);
  if (!made) return;

  if (!FRows[row]) ThrowError("Missing ROW Record for row %d", row);
  TRowRecord& kept = *FRows[row];
  if (kept.LastCol() < col + 1) kept.SetLastCol(static_cast<uint16_t>(col + 1));
  if (kept.FirstCol() > col) kept.SetFirstCol(static_cast<uint16_t>(col));
  TCellRecordList& target = EnsureCellRow(row);
  pos = FindCol(target, col, found);
  target.insert(target.begin() + static_cast<std::ptrdiff_t>(pos), std::move(made));
}

void TCells::TrimEnd(int row, bool madeRecord) {
  for (size_t n = std::max(FRows.size(), FCellRows.size()); n > 0; --n) {
    const size_t i = n - 1;
    if (madeRecord && i <= static_cast<size_t>(row)) break;
    const bool modifiedRow = i < FRows.size() && FRows[i] && FRows[i]->IsModified();
    const bool hasCells = i < FCellRows.size() && FCellRows[i] && !FCellRows[i]->empty();
    if (modifiedRow || hasCells) break;
    if (FRows.size() > i) FRows.resize(i);
    if (FCellRows.size() > i) FCellRows.resize(i);
  }
}

TXlsCellValue TCells::GetValue(int row, int col) const {
  TXlsCellValue value;
  if (const TCellRecord* cell = Cell(row, col)) {
    value.Value = cell->GetValue();
    value.XF = cell->XF();
    value.IsFormula = cell->IsFormula();
  }
  return value;
}

int32_t TCells::CellXF(int row, int col) const {
  const TCellRecord* cell = Cell(row, col);
  return cell != nullptr ? cell->XF() : -1;
}

void TCells::SetFormat(int row, int col, int xf, bool options1904) {
  CheckRow(row);
  CheckCol(col);
  if (TCellRecordList* cells =
          row < static_cast<int>(FCellRows.size()) ? FCellRows[row].get() : nullptr) {
    bool found;
    const size_t pos = FindCol(*cells, col, found);
    if (found) {
      (*cells)[pos]->SetXF(static_cast<uint16_t>(xf));
      return;
    }
  }
  TXlsCellValue empty;
  empty.XF = xf;
  SetValueX2(row, col, empty, options1904);
}

const TCellRecordList* TCells::RowCells(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= FCellRows.size()) return nullptr;
  return FCellRows[row].get();
}

const TCellRecord* TCells::Cell(int row, int col) const {
  const TCellRecordList* cells = RowCells(row);
  if (cells == nullptr) return nullptr;
  bool found;
  const size_t pos = FindCol(*cells, col, found);
  return found ? (*cells)[pos].get() : nullptr;
}

TRowRecord* TCells::Row(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= FRows.size()) return nullptr;
  return FRows[row].get();
}

// ---- TCells: rows ----

void TCells::SetRowHeight(int row, uint16_t height) {
  CheckRow(row);
  TRowRecord& record = EnsureRow(row);
  record.SetHeight(height);
  record.SetFlags(record.Flags() | TRowRecord::kCustomHeight);
}

void TCells::SetRowHidden(int row, bool hidden) {
  CheckRow(row);
  TRowRecord& record = EnsureRow(row);
  const uint8_t flags = record.Flags();
  record.SetFlags(hidden ? (flags | TRowRecord::kHidden) : (flags & ~TRowRecord::kHidden));
}

int32_t TCells::RowXF(int row) const {
  const TRowRecord* record = Row(row);
  return record != nullptr && record->IsFormatted() ? record->XF() : -1;
}

uint16_t TCells::RowOutlineLevel() const {
  uint16_t level = 0;
  for (const auto& row : FRows) {
    if (row) level = std::max<uint16_t>(level, row->OutlineLevel());
  }
  return level;
}

// ---- TCells: inserting ----

int TCells::LastUsedRow(int row) const {
  for (size_t n = std::max(FRows.size(), FCellRows.size()); n > static_cast<size_t>(row); --n) {
    const size_t i = n - 1;
    const bool hasRow = i < FRows.size() && FRows[i];
    const bool hasCells = i < FCellRows.size() && FCellRows[i] && !FCellRows[i]->empty();
    if (hasRow || hasCells) return static_cast<int>(i);
  }
  return -1;
}

void TCells::CheckInsertRows(int row, int count) const {
  if (count <= 0) return;
  CheckRow(row);
  const int last = LastUsedRow(row);
  if (last >= 0 && Moved(last, count) > kMaxSheetRow) {
    ThrowError("Invalid Row (%d)", Moved(last, count));
  }
}

// Opens `count` empty slots at `at`, moving the slots from there on; a list
// that ends before `at` stays as it is.
template <class T>
static void OpenSlots(std::vector<std::unique_ptr<T>>& slots, size_t at, size_t count) {
  if (slots.size() <= at) return;
  const size_t old = slots.size();
  slots.resize(old + count);
  std::move_backward(slots.begin() + static_cast<std::ptrdiff_t>(at),
                     slots.begin() + static_cast<std::ptrdiff_t>(old), slots.end());
}

void TCells::InsertRows(int row, int count) {
  CheckInsertRows(row, count);
  if (count <= 0) return;
  const int last = LastUsedRow(row);
  if (last < 0) return;
  // Slots after the last used row hold nothing: they are dropped, not moved.
  const size_t used = static_cast<size_t>(last) + 1;
  if (FRows.size() > used) FRows.resize(used);
  if (FCellRows.size() > used) FCellRows.resize(used);
  const size_t at = static_cast<size_t>(row);
  const size_t added = static_cast<size_t>(count);
  OpenSlots(FRows, at, added);
  OpenSlots(FCellRows, at, added);
  for (size_t i = at + added; i < FRows.size(); ++i) {
    if (FRows[i]) FRows[i]->SetRow(static_cast<uint16_t>(i));
  }
  for (size_t i = at + added; i < FCellRows.size(); ++i) {
    if (!FCellRows[i]) continue;
    for (const auto& cell : *FCellRows[i]) cell->SetRow(static_cast<uint16_t>(i));
  }
}

void TCells::CheckInsertCols(int col, int count) const {
  if (count <= 0) return;
  CheckCol(col);
  // A row's cells are sorted: its last cell goes furthest.
  for (const auto& cells : FCellRows) {
    if (!cells || cells->empty()) continue;
    const int back = cells->back()->Column();
    if (back >= col && Moved(back, count) > kMaxSheetCol) {
      ThrowError("Invalid Column (%d)", Moved(back, count));
    }
  }
}

void TCells::InsertCols(int col, int count) {
  CheckInsertCols(col, count);
  if (count <= 0) return;
  const auto moved = [count](int value) {
    return static_cast<uint16_t>(std::min(value + count, kMaxSheetCol + 1));
  };
  for (size_t r = 0; r < FCellRows.size(); ++r) {
    TCellRecordList* cells = FCellRows[r].get();
    // Rows without a cell at or after the point keep everything, their ROW
    // record's column span included.
    if (cells == nullptr || cells->empty() || cells->back()->Column() < col) continue;
    for (const auto& cell : *cells) {
      if (cell->Column() >= col) cell->SetColumn(moved(cell->Column()));
    }
    if (TRowRecord* record = Row(static_cast<int>(r))) {
      if (record->FirstCol() >= col) record->SetFirstCol(moved(record->FirstCol()));
      if (record->LastCol() > col) record->SetLastCol(moved(record->LastCol()));
    }
  }
}

bool TCells::HasFormulas() const {
  for (const auto& cells : FCellRows) {
    if (!cells) continue;
    for (const auto& cell : *cells) {
      if (cell->IsFormula()) return true;
    }
  }
  return false;
}

// ---- TCells: writing ----

TCells::TRange TCells::Range() const {
  TRange range{0, static_cast<uint32_t>(FRows.size()), 0};
  bool top = false;
  for (size_t i = 0; i < FRows.size(); ++i) {
    if (!FRows[i]) continue;
    if (!top) {
      range.Top = static_cast<uint32_t>(i);
      top = true;
    }
    range.Right = std::max(range.Right, FRows[i]->LastCol());
  }
  if (range.Right > 0) --range.Right;
  return range;
}

void TCells::SaveRowCells(TRecordStream* stream, const TCellRecordList& cells, int maxCol,
                          uint64_t& size) {
  size_t i = 0;
  while (i < cells.size()) {
    size_t j = i;
    while (j + 1 < cells.size() && cells[j]->CanJoinNext(*cells[j + 1], maxCol)) ++j;
    const TCellRecord& first = *cells[i];
    if (j == i) {
      size += first.TotalSize();
      if (stream != nullptr) first.SaveToStream(*stream);
    } else {
      const uint64_t joined =
          first.TotalSizeFirst() + (j - i - 1) * first.TotalSizeMid() + first.TotalSizeLast();
      size += joined;
      if (stream != nullptr) {
        first.SaveFirstMul(*stream, joined);
        for (size_t k = i + 1; k < j; ++k) cells[k]->SaveMidMul(*stream);
        cells[j]->SaveLastMul(*stream);
      }
    }
    i = j + 1;
  }
}

// Writes the block when `stream` is given; returns its size either way.
static uint64_t WalkBlock(
    TRecordStream* stream, const std::vector<std::unique_ptr<TRowRecord>>& rows,
    const std::vector<std::unique_ptr<TCellRecordList>>& cellRows, uint32_t top, uint32_t bottom,
    uint16_t right, void (*saveCells)(TRecordStream*, const TCellRecordList&, int, uint64_t&)) {
  uint64_t size = 0;
  for (uint32_t block = top; block < bottom; block += 32) {
    const uint32_t end = std::min(block + 32, bottom);
    for (uint32_t r = block; r < end; ++r) {
      if (!rows[r]) continue;
      size += 20;
      if (stream != nullptr) rows[r]->SaveClipped(*stream, right);
    }
    for (uint32_t r = block; r < end && r < cellRows.size(); ++r) {
      if (cellRows[r]) saveCells(stream, *cellRows[r], right, size);
    }
  }
  return size;
}

void TCells::SaveToStream(TRecordStream& stream) const {
  const TRange range = Range();
  TDimensionsRecord::Build(range.Top, range.Bottom, 0, static_cast<uint16_t>(range.Right + 1))
      ->SaveToStream(stream);
  WalkBlock(&stream, FRows, FCellRows, range.Top, range.Bottom, range.Right, &SaveRowCells);
}

uint64_t TCells::TotalSize(bool) const {
  const TRange range = Range();
  return 18 +
         WalkBlock(nullptr, FRows, FCellRows, range.Top, range.Bottom, range.Right, &SaveRowCells);
}

void TCells::Clear() {
  FRows.clear();
  FCellRows.clear();
}

}  // namespace tessary

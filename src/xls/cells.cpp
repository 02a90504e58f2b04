#include "xls/cells.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"
#include "xls/records.h"
#include "xls/sst.h"

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

void TColInfoList::AddPayload(std::span<const uint8_t> payload) {
  TByteReader in(payload, kFileInvalidText);
  const uint16_t first = in.U16();
  const int last = std::min<int>(in.U16(), kMaxSheetCol);
  const uint16_t width = in.U16();
  const uint16_t xf = in.U16();
  const uint16_t options = in.U16();
  for (int col = first; col <= last; ++col) {
    Set({static_cast<uint16_t>(col), width, xf, options});
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

// COLINFO: first column, last column (256 at most), width, XF, options, 0.
static void WriteColInfo(TRecordBuffer& out, const TColInfo& first, uint16_t lastCol) {
  out.Begin(xlsid::COLINFO);
  out.U16(first.Column);
  out.U16(std::min<uint16_t>(lastCol, 256));
  out.U16(first.Width);
  out.U16(first.XF);
  out.U16(first.Options);
  out.U16(0);
  out.End();
}

// One COLINFO for each run of entries with consecutive columns and equal
// width, XF and options, up to the first run that begins beyond the sheet's
// columns.
void TColInfoList::SaveToStream(TRecordStream& stream) const {
  TRecordBuffer out(stream);
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
    WriteColInfo(out, first, FItems[j].Column);
    i = j + 1;
  }
  out.Flush();
}

uint64_t TColInfoList::TotalSize() const {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

// ---- TMergedCells ----

bool TMergedRange::Overlaps(const TMergedRange& other) const {
  return !(LastRow < other.FirstRow || other.LastRow < FirstRow || LastCol < other.FirstCol ||
           other.LastCol < FirstCol);
}

void TMergedCells::AddPayload(std::span<const uint8_t> payload) {
  TByteReader in(payload, kFileInvalidText);
  const uint16_t count = in.U16();
  if (!in.Has(8 * size_t{count})) ThrowFileInvalid();
  for (uint16_t i = 0; i < count; ++i) {
    TMergedRange range;
    range.FirstRow = in.U16();
    range.LastRow = in.U16();
    range.FirstCol = in.U16();
    range.LastCol = in.U16();
    FRanges.push_back(range);
  }
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

// MERGEDCELLS: a count, then first row, last row, first column, last column
// per range.
static void WriteMergedCells(TRecordBuffer& out, std::span<const TMergedRange> ranges) {
  out.Begin(xlsid::MERGEDCELLS);
  out.U16(static_cast<uint16_t>(ranges.size()));
  for (const TMergedRange& r : ranges) {
    out.U16(r.FirstRow);
    out.U16(r.LastRow);
    out.U16(r.FirstCol);
    out.U16(r.LastCol);
  }
  out.End();
}

void TMergedCells::SaveToStream(TRecordStream& stream) const {
  TRecordBuffer out(stream);
  const std::span<const TMergedRange> ranges(FRanges);
  for (size_t start = 0; start < ranges.size(); start += kMaxRangesPerRecord) {
    WriteMergedCells(out,
                     ranges.subspan(start, std::min(kMaxRangesPerRecord, ranges.size() - start)));
  }
  out.Flush();
}

uint64_t TMergedCells::TotalSize() const {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

// ---- TCells: loading ----

TCells::~TCells() { Clear(); }

bool TCells::IsPayloadType(uint16_t id) {
  switch (id) {
    case xlsid::ROW:
    case xlsid::MULRK:
    case xlsid::MULBLANK:
    case xlsid::BLANK:
    case xlsid::NUMBER:
    case xlsid::RK:
    case xlsid::LABELSST:
    case xlsid::BOOLERR:
      return true;
    default:
      return false;
  }
}

void TCells::AddRecord(std::unique_ptr<TBaseRecord> record) {
  const uint16_t id = record->Id;
  // Without a string table a LABELSST can only be carried as read.
  if (IsPayloadType(id) && !(id == xlsid::LABELSST && FSST == nullptr)) {
    if (record->Data.size() < CellBlockMinPayloadSize(id)) ThrowFileInvalid();
    AddPayload(id, record->Data);
    return;
  }
  auto* cell = dynamic_cast<TCellRecord*>(record.get());
  if (cell == nullptr) ThrowFileInvalid();
  const uint16_t row = cell->Row();
  const uint16_t col = cell->Column();
  if (col > kMaxSheetCol) ThrowFileInvalid();
  record.release();
  TCell kept;
  kept.Col = col;
  kept.XF = cell->XF();
  kept.Kind = TCellKind::ckRecord;
  kept.Bits = KeepRecord(std::unique_ptr<TCellRecord>(cell));
  PlaceCell(row, kept);
}

void TCells::AddPayload(uint16_t id, std::span<const uint8_t> payload) {
  if (id == xlsid::ROW) {
    AddRow(std::make_unique<TRowRecord>(id, std::vector<uint8_t>(payload.begin(), payload.end())));
    return;
  }
  if (id == xlsid::MULRK || id == xlsid::MULBLANK) {
    AddMulPayload(id, payload);
    return;
  }
  TByteReader in(payload, kFileInvalidText);
  const uint16_t row = in.U16();
  TCell cell;
  cell.Col = in.U16();
  cell.XF = in.U16();
  if (cell.Col > kMaxSheetCol) ThrowFileInvalid();
  switch (id) {
    case xlsid::BLANK:
      cell.Kind = TCellKind::ckBlank;
      break;
    case xlsid::NUMBER:
      cell.Kind = TCellKind::ckNumber;
      cell.Bits = in.U64();
      break;
    case xlsid::RK:
      cell.Kind = TCellKind::ckRK;
      cell.Bits = in.U32();
      break;
    case xlsid::BOOLERR:
      cell.Kind = TCellKind::ckBoolErr;
      cell.Bits = in.U8();
      cell.IsError = in.U8() != 0;
      break;
    case xlsid::LABELSST: {
      const uint32_t index = in.U32();
      if (FSST == nullptr) {
        std::vector<uint8_t> data(payload.begin(), payload.end());
        cell.Kind = TCellKind::ckRecord;
        cell.Bits = KeepRecord(std::make_unique<TLabelSSTRecord>(id, std::move(data)));
        break;
      }
      if (index >= FSST->Count()) ThrowFileInvalid();
      cell.Kind = TCellKind::ckString;
      cell.Bits = FSST->EntryOffsetAt(index);
      FSST->AddRef(static_cast<uint32_t>(cell.Bits));
      break;
    }
    default:
      ThrowFileInvalid();
  }
  PlaceCell(row, cell);
}

// MULRK and MULBLANK: row, first column, one entry per cell (XF, and for
// MULRK the RK value), last column.
void TCells::AddMulPayload(uint16_t id, std::span<const uint8_t> payload) {
  const size_t entrySize = id == xlsid::MULRK ? 6 : 2;
  if (payload.size() < 6 + entrySize || (payload.size() - 6) % entrySize != 0) ThrowFileInvalid();
  const size_t n = (payload.size() - 6) / entrySize;
  TByteReader in(payload, kFileInvalidText);
  const uint16_t row = in.U16();
  const uint16_t first = in.U16();
  in.Seek(payload.size() - 2);
  const size_t last = in.U16();
  if (last != first + n - 1 || last > kMaxSheetCol) ThrowFileInvalid();
  in.Seek(4);
  std::vector<TCell>& cells = EnsureCellRow(row);
  cells.reserve(cells.size() + n);
  for (size_t i = 0; i < n; ++i) {
    TCell cell;
    cell.Col = static_cast<uint16_t>(first + i);
    cell.XF = in.U16();
    if (id == xlsid::MULRK) {
      cell.Kind = TCellKind::ckRK;
      cell.Bits = in.U32();
    } else {
      cell.Kind = TCellKind::ckBlank;
    }
    PlaceCell(row, cell);
  }
}

void TCells::PlaceCell(int row, const TCell& cell) {
  std::vector<TCell>& cells = EnsureCellRow(row);
  // Files hold a row's cells in column order: most cells go at the end.
  if (cells.empty() || cells.back().Col < cell.Col) {
    cells.push_back(cell);
    return;
  }
  bool found;
  const size_t pos = FindCol(cells, cell.Col, found);
  if (found) {
    // A later record for the same cell replaces the earlier one.
    ReleaseCell(cells[pos]);
    cells[pos] = cell;
  } else {
    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(pos), cell);
  }
}

uint64_t TCells::KeepRecord(std::unique_ptr<TCellRecord> record) {
  FRecords.push_back(std::move(record));
  return FRecords.size() - 1;
}

void TCells::ReleaseCell(const TCell& cell) {
  if (cell.Kind == TCellKind::ckString && FSST != nullptr) {
    FSST->Release(static_cast<uint32_t>(cell.Bits));
  } else if (cell.Kind == TCellKind::ckRecord) {
    FRecords[cell.Bits].reset();
  }
}

void TCells::AddRow(std::unique_ptr<TRowRecord> row) {
  const size_t index = row->Row();
  if (index < FRows.size() && FRows[index]) throw Error("Duplicated ROW record");
  if (index >= FRows.size()) FRows.resize(index + 1);
  row->Continue.reset();
  FRows[index] = std::move(row);
}

void TCells::FixRows() {
  const size_t count = FCellRows.size();
  for (size_t r = 0; r < count; ++r) {
    const std::vector<TCell>& cells = FCellRows[r];
    const bool isLast = r + 1 == count && count > FRows.size();
    if (cells.empty() && !isLast) continue;
    if (r < FRows.size() && FRows[r]) continue;
    TRowRecord& row = EnsureRow(static_cast<int>(r));
    // The new row covers its cells, so that the range written for the
    // sheet includes them.
    if (!FCellRows[r].empty()) {
      row.SetFirstCol(FCellRows[r].front().Col);
      row.SetLastCol(static_cast<uint16_t>(FCellRows[r].back().Col + 1));
    }
  }
}

void TCells::CompleteRows() {
  FixRows();
  for (std::vector<TCell>& cells : FCellRows) {
    if (cells.capacity() - cells.size() > cells.size() / 4) cells.shrink_to_fit();
  }
}

// ---- TCells: values ----

size_t TCells::FindCol(const std::vector<TCell>& cells, int col, bool& found) {
  auto it = std::lower_bound(cells.begin(), cells.end(), col,
                             [](const TCell& cell, int c) { return cell.Col < c; });
  found = it != cells.end() && it->Col == col;
  return static_cast<size_t>(it - cells.begin());
}

TRowRecord& TCells::EnsureRow(int row) {
  const size_t index = static_cast<size_t>(row);
  if (index >= FRows.size()) FRows.resize(index + 1);
  if (!FRows[index]) FRows[index] = TRowRecord::Build(static_cast<uint16_t>(row));
  return *FRows[index];
}

std::vector<TCell>& TCells::EnsureCellRow(int row) {
  const size_t index = static_cast<size_t>(row);
  if (index >= FCellRows.size()) FCellRows.resize(index + 1);
  return FCellRows[index];
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

std::optional<TCell> TCells::MakeCell(int col, int xf, int defaultXF, const TXlsCellValue& value,
                                      const std::vector<TRTFRun>* runs, bool options1904) {
  TCell cell;
  cell.Col = static_cast<uint16_t>(col);
  cell.XF = static_cast<uint16_t>(xf);
  const auto number = [&](double d) {
    uint32_t rk;
    if (EncodeRK(d, rk)) {
      cell.Kind = TCellKind::ckRK;
      cell.Bits = rk;
    } else {
      cell.Kind = TCellKind::ckNumber;
      cell.Bits = std::bit_cast<uint64_t>(d);
    }
    return cell;
  };
  const auto blank = [&]() -> std::optional<TCell> {
    if (xf == defaultXF) return std::nullopt;
    cell.Kind = TCellKind::ckBlank;
    return cell;
  };

  if (const auto* d = std::get_if<double>(&value.Value)) return number(*d);
  if (const auto* date = std::get_if<TXlsDate>(&value.Value)) {
    return number(options1904 ? date->Serial - 1462 : date->Serial);
  }
  if (const auto* b = std::get_if<bool>(&value.Value)) {
    cell.Kind = TCellKind::ckBoolErr;
    cell.Bits = *b ? 1 : 0;
    return cell;
  }
  if (const auto* text = std::get_if<std::u16string>(&value.Value)) {
    if (text->empty()) return blank();
    if (FSST == nullptr) throw Error("The sheet has no shared string table");
    static const std::vector<TRTFRun> kNoRuns;
    cell.Kind = TCellKind::ckString;
    cell.Bits = FSST->AddEntry(*text, runs != nullptr ? *runs : kNoRuns);
    return cell;
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
  const TCell* existing = Cell(row, col);
  const int xf = value.XF >= 0 ? value.XF : existing != nullptr ? existing->XF : defaultXF;
  const std::optional<TCell> made = MakeCell(col, xf, defaultXF, value, &runs, options1904);
  Place(row, col, existing, made);
}

void TCells::CopyValue(int fromRow, int fromCol, int row, int col, int xf) {
  const TCell* source = Cell(fromRow, fromCol);
  if (source == nullptr || source->Kind == TCellKind::ckRecord ||
      source->Kind == TCellKind::ckBlank) {
    TXlsCellValue value = GetValue(fromRow, fromCol);
    value.XF = xf;
    SetValueX2(row, col, value, false);
    return;
  }
  CheckRow(row);
  CheckCol(col);
  TCell made = *source;
  made.Col = static_cast<uint16_t>(col);
  made.XF = static_cast<uint16_t>(xf);
  // One more use of the same string entry: nothing is serialised or hashed.
  if (made.Kind == TCellKind::ckString) FSST->AddRef(static_cast<uint32_t>(made.Bits));
  Place(row, col, Cell(row, col), made);
}

void TCells::Place(int row, int col, const TCell* existing, const std::optional<TCell>& made) {
  TRowRecord& rowRecord = EnsureRow(row);
  if (existing != nullptr) {
    std::vector<TCell>& cells = FCellRows[row];
    bool found;
    const size_t pos = FindCol(cells, col, found);
    ReleaseCell(cells[pos]);
    cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(pos));
    if (!made) {
      if (!cells.empty()) {
        rowRecord.SetFirstCol(cells.front().Col);
        rowRecord.SetLastCol(static_cast<uint16_t>(cells.back().Col + 1));
      } else if (rowRecord.IsModified()) {
        rowRecord.SetFirstCol(0);
        rowRecord.SetLastCol(0);
      } else {
        FRows[row].reset();
      }
    }
  }
  TrimEnd(row, made.has_value());
  if (!made) return;

  TRowRecord& kept = *FRows[row];
  if (kept.LastCol() < col + 1) kept.SetLastCol(static_cast<uint16_t>(col + 1));
  if (kept.FirstCol() > col) kept.SetFirstCol(static_cast<uint16_t>(col));
  std::vector<TCell>& target = EnsureCellRow(row);
  bool found;
  const size_t pos = FindCol(target, col, found);
  target.insert(target.begin() + static_cast<std::ptrdiff_t>(pos), *made);
}

void TCells::TrimEnd(int row, bool madeRecord) {
  for (size_t n = std::max(FRows.size(), FCellRows.size()); n > 0; --n) {
    const size_t i = n - 1;
    if (madeRecord && i <= static_cast<size_t>(row)) break;
    const bool modifiedRow = i < FRows.size() && FRows[i] && FRows[i]->IsModified();
    const bool hasCells = i < FCellRows.size() && !FCellRows[i].empty();
    if (modifiedRow || hasCells) break;
    if (FRows.size() > i) FRows.resize(i);
    if (FCellRows.size() > i) FCellRows.resize(i);
  }
}

TXlsCellValue TCells::GetValue(int row, int col) const {
  TXlsCellValue value;
  if (const TCell* cell = Cell(row, col)) {
    value.Value = Value(*cell);
    value.XF = cell->XF;
    value.IsFormula = IsFormula(*cell);
  }
  return value;
}

int32_t TCells::CellXF(int row, int col) const {
  const TCell* cell = Cell(row, col);
  return cell != nullptr ? cell->XF : -1;
}

void TCells::SetFormat(int row, int col, int xf, bool options1904) {
  CheckRow(row);
  CheckCol(col);
  if (static_cast<size_t>(row) < FCellRows.size()) {
    std::vector<TCell>& cells = FCellRows[row];
    bool found;
    const size_t pos = FindCol(cells, col, found);
    if (found) {
      TCell& cell = cells[pos];
      cell.XF = static_cast<uint16_t>(xf);
      if (cell.Kind == TCellKind::ckRecord) FRecords[cell.Bits]->SetXF(cell.XF);
      return;
    }
  }
  TXlsCellValue empty;
  empty.XF = xf;
  SetValueX2(row, col, empty, options1904);
}

std::span<const TCell> TCells::RowCells(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= FCellRows.size()) return {};
  return FCellRows[row];
}

const TCell* TCells::Cell(int row, int col) const {
  if (row < 0 || static_cast<size_t>(row) >= FCellRows.size()) return nullptr;
  const std::vector<TCell>& cells = FCellRows[row];
  bool found;
  const size_t pos = FindCol(cells, col, found);
  return found ? &cells[pos] : nullptr;
}

const TCellRecord* TCells::Record(const TCell& cell) const {
  return cell.Kind == TCellKind::ckRecord ? FRecords[cell.Bits].get() : nullptr;
}

TXlsValue TCells::Value(const TCell& cell) const {
  switch (cell.Kind) {
    case TCellKind::ckBlank:
      return {};
    case TCellKind::ckNumber:
      return std::bit_cast<double>(cell.Bits);
    case TCellKind::ckRK:
      return DecodeRK(static_cast<uint32_t>(cell.Bits));
    case TCellKind::ckString:
      if (FSST == nullptr) return std::u16string();
      return FSST->EntryText(static_cast<uint32_t>(cell.Bits));
    case TCellKind::ckBoolErr:
      if (cell.IsError) return ErrorCodeText(static_cast<uint8_t>(cell.Bits));
      return cell.Bits != 0;
    case TCellKind::ckRecord:
      return FRecords[cell.Bits]->GetValue();
  }
  return {};
}

bool TCells::IsFormula(const TCell& cell) const {
  return cell.Kind == TCellKind::ckRecord && FRecords[cell.Bits]->IsFormula();
}

std::optional<uint8_t> TCells::ErrorCode(const TCell& cell) const {
  if (cell.Kind == TCellKind::ckBoolErr && cell.IsError) return static_cast<uint8_t>(cell.Bits);
  if (cell.Kind == TCellKind::ckRecord) {
    const int code = FRecords[cell.Bits]->ErrorCode();
    if (code >= 0) return static_cast<uint8_t>(code);
  }
  return std::nullopt;
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

// ---- TCells: inserting ----

int TCells::LastUsedRow(int row) const {
  for (size_t n = std::max(FRows.size(), FCellRows.size()); n > static_cast<size_t>(row); --n) {
    const size_t i = n - 1;
    const bool hasRow = i < FRows.size() && FRows[i];
    const bool hasCells = i < FCellRows.size() && !FCellRows[i].empty();
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
static void OpenSlots(std::vector<T>& slots, size_t at, size_t count) {
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
  for (size_t i = at; i < at + added && i < FCellRows.size(); ++i) FCellRows[i].clear();
  for (size_t i = at + added; i < FRows.size(); ++i) {
    if (FRows[i]) FRows[i]->SetRow(static_cast<uint16_t>(i));
  }
  // Records kept for cells hold their row themselves.
  for (size_t i = at + added; i < FCellRows.size(); ++i) {
    for (const TCell& cell : FCellRows[i]) {
      if (cell.Kind == TCellKind::ckRecord) FRecords[cell.Bits]->SetRow(static_cast<uint16_t>(i));
    }
  }
}

void TCells::CheckInsertCols(int col, int count) const {
  if (count <= 0) return;
  CheckCol(col);
  // A row's cells are sorted: its last cell goes furthest.
  for (const std::vector<TCell>& cells : FCellRows) {
    if (cells.empty()) continue;
    const int back = cells.back().Col;
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
    std::vector<TCell>& cells = FCellRows[r];
    // Rows without a cell at or after the point keep everything, their ROW
    // record's column span included.
    if (cells.empty() || cells.back().Col < col) continue;
    for (TCell& cell : cells) {
      if (cell.Col < col) continue;
      cell.Col = moved(cell.Col);
      if (cell.Kind == TCellKind::ckRecord) FRecords[cell.Bits]->SetColumn(cell.Col);
    }
    if (TRowRecord* record = Row(static_cast<int>(r))) {
      if (record->FirstCol() >= col) record->SetFirstCol(moved(record->FirstCol()));
      if (record->LastCol() > col) record->SetLastCol(moved(record->LastCol()));
    }
  }
}

bool TCells::HasFormulas() const {
  for (const auto& record : FRecords) {
    if (record && record->IsFormula()) return true;
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

// DIMENSIONS: first row, last row + 1 (32-bit), first column, last column +
// 1, 0 (16-bit).
static void WriteDimensions(TRecordBuffer& out, uint32_t firstRow, uint32_t lastRowPlus1,
                            uint16_t firstCol, uint16_t lastColPlus1) {
  out.Begin(xlsid::DIMENSIONS);
  out.U32(firstRow);
  out.U32(lastRowPlus1);
  out.U16(firstCol);
  out.U16(lastColPlus1);
  out.U16(0);
  out.End();
}

// ROW as held, its last column + 1 lowered to the sheet's range.
static void WriteRow(TRecordBuffer& out, const TRowRecord& row, uint16_t right) {
  out.Begin(xlsid::ROW);
  const uint8_t* p = row.Data.data();
  out.U16(GetU16(p));
  out.U16(GetU16(p + TRowRecord::kOfsFirstCol));
  out.U16(std::min<uint16_t>(row.LastCol(), static_cast<uint16_t>(right + 1)));
  out.WriteMem(p + TRowRecord::kOfsHeight, TRowRecord::kMinSize - TRowRecord::kOfsHeight);
  out.End();
}

// MULRK: row, first column, XF and RK value per cell, last column.
static void WriteMulRK(TRecordBuffer& out, uint16_t row, std::span<const TCell> run) {
  out.Begin(xlsid::MULRK);
  out.U16(row);
  out.U16(run.front().Col);
  for (const TCell& cell : run) {
    out.U16(cell.XF);
    out.U32(static_cast<uint32_t>(cell.Bits));
  }
  out.U16(run.back().Col);
  out.End();
}

// MULBLANK: row, first column, XF per cell, last column.
static void WriteMulBlank(TRecordBuffer& out, uint16_t row, std::span<const TCell> run) {
  out.Begin(xlsid::MULBLANK);
  out.U16(row);
  out.U16(run.front().Col);
  for (const TCell& cell : run) out.U16(cell.XF);
  out.U16(run.back().Col);
  out.End();
}

// BLANK, NUMBER, RK, LABELSST or BOOLERR: row, column, XF, then the value;
// a kept record as it is held.
void TCells::WriteCell(TRecordBuffer& out, uint16_t row, const TCell& cell) const {
  static constexpr uint16_t kIds[] = {xlsid::BLANK, xlsid::NUMBER, xlsid::RK, xlsid::LABELSST,
                                      xlsid::BOOLERR};
  if (cell.Kind == TCellKind::ckRecord) {
    FRecords[cell.Bits]->SaveToStream(out);
    return;
  }
  out.Begin(kIds[static_cast<size_t>(cell.Kind)]);
  out.U16(row);
  out.U16(cell.Col);
  out.U16(cell.XF);
  switch (cell.Kind) {
    case TCellKind::ckNumber:
      out.F64(std::bit_cast<double>(cell.Bits));
      break;
    case TCellKind::ckRK:
      out.U32(static_cast<uint32_t>(cell.Bits));
      break;
    case TCellKind::ckString:
      out.U32(FSST->EntryIndex(static_cast<uint32_t>(cell.Bits)));
      break;
    case TCellKind::ckBoolErr:
      out.U8(static_cast<uint8_t>(cell.Bits));
      out.U8(cell.IsError ? 1 : 0);
      break;
    case TCellKind::ckBlank:
    case TCellKind::ckRecord:
      break;
  }
  out.End();
}

// A row's cells in column order; a run of RK cells in neighbouring columns
// (within the range) is one MULRK, a run of BLANK cells one MULBLANK.
void TCells::WriteRowCells(TRecordBuffer& out, uint16_t row, std::span<const TCell> cells,
                           uint16_t right) const {
  size_t i = 0;
  while (i < cells.size()) {
    const TCell& first = cells[i];
    size_t j = i;
    if (first.Kind == TCellKind::ckRK || first.Kind == TCellKind::ckBlank) {
      while (j + 1 < cells.size() && cells[j + 1].Kind == first.Kind &&
             cells[j + 1].Col == cells[j].Col + 1 && cells[j + 1].Col <= right) {
        ++j;
      }
    }
    if (j == i) {
      WriteCell(out, row, first);
    } else if (first.Kind == TCellKind::ckRK) {
      WriteMulRK(out, row, cells.subspan(i, j - i + 1));
    } else {
      WriteMulBlank(out, row, cells.subspan(i, j - i + 1));
    }
    i = j + 1;
  }
}

void TCells::SaveToStream(TRecordStream& stream) const {
  TRecordBuffer out(stream);
  const TRange range = Range();
  WriteDimensions(out, range.Top, range.Bottom, 0, static_cast<uint16_t>(range.Right + 1));
  for (uint32_t block = range.Top; block < range.Bottom; block += 32) {
    const uint32_t end = std::min(block + 32, range.Bottom);
    for (uint32_t r = block; r < end; ++r) {
      if (FRows[r]) WriteRow(out, *FRows[r], range.Right);
    }
    for (uint32_t r = block; r < end && r < FCellRows.size(); ++r) {
      WriteRowCells(out, static_cast<uint16_t>(r), FCellRows[r], range.Right);
    }
  }
  out.Flush();
}

uint64_t TCells::TotalSize() const {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

void TCells::Clear() {
  if (FSST != nullptr) {
    for (const std::vector<TCell>& cells : FCellRows) {
      for (const TCell& cell : cells) {
        if (cell.Kind == TCellKind::ckString) FSST->Release(static_cast<uint32_t>(cell.Bits));
      }
    }
  }
  FRows.clear();
  FCellRows.clear();
  FRecords.clear();
}

}  // namespace tessary

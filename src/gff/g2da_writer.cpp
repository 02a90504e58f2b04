// The table file writer: a cell table saved in the fixed layout of a G2DA
// file, each distinct string stored once. The layout is computed first
// (the row records and the string area's texts with their offsets), then
// the file is written in order and must end at the computed size.
#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

#include "common/bytes.h"
#include "common/error.h"
#include "common/safe_file.h"
#include "common/write_lock.h"
#include "gff/column_names.h"
#include "gff/g2da.h"
#include "gff/g2da_layout.h"
#include "gff/g2da_values.h"
#include "gff/show_error.h"
#include "table/cell_table.h"
#include "text/stored_value.h"

namespace tessary {
namespace {

// File positions and data-area offsets are 32-bit.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFu;

constexpr char kCannotWrite[] = "File cannot be written.";

// The header, three struct definitions and the four fields of the first
// two structs come before each column's field.
constexpr uint64_t kFieldsOfRowsAt = 124;
constexpr uint64_t kFieldSize = 12;

struct TColumnLayout {
  TColumnType Type;
  uint16_t TypeId;
  uint8_t TypeByte;
  uint32_t Offset;  // in a row record
};

// The distinct texts of the string area in the order they first occur, each
// with its data-area offset. A text is found by its content through an
// open-addressing table of hashes; a text that several cells share is
// found by its identity in the store first, so that it is hashed once
// however many cells show it.
class TStringPool {
 public:
  TStringPool(uint64_t start, TGDASaveCounts& counts) : FEnd(start), FCounts(counts) {}

  // A text on its way into the pool: the cells of a row are looked at a row
  // ahead, so that the memory their lookups need is on its way.
  struct TPending {
    TStoredText Text;
    uint32_t Hash = 0;
    bool Hashed = false;
  };

  // Readies a non-empty text for Offset: a shared one's identity slot is
  // asked for; another text is hashed and its slot asked for.
  void Prepare(TPending& p) {
    if (p.Text.Shared) {
      if (!FById.empty()) Prefetch(&FById[HashId(p.Text.Id) & (FById.size() - 1)]);
      return;
    }
    p.Hash = HashText(p.Text.Text);
    p.Hashed = true;
    if (!FByText.empty()) Prefetch(&FByText[p.Hash & (FByText.size() - 1)]);
  }

  // The data-area offset of a prepared text; nothing when the area would
  // reach past `limit`.
  std::optional<uint32_t> Offset(TPending& p, uint64_t limit) {
    if (p.Text.Shared) {
      if (const TIdSlot* slot = FindId(p.Text.Id)) return slot->Offset;
    }
    if (!p.Hashed) p.Hash = HashText(p.Text.Text);
    std::optional<uint32_t> index = FindText(p.Text.Text, p.Hash);
    if (!index) {
      index = AddText(p.Text.Text, p.Hash, limit);
      if (!index) return std::nullopt;
    }
    const uint32_t offset = FTexts[*index].Offset;
    if (p.Text.Shared) AddId(p.Text.Id, offset);
    return offset;
  }

  // The end of the string area (a data-area offset).
  uint64_t End() const { return FEnd; }

  // Writes the string area: each text's length word, its code units and a
  // zero code unit, UTF-16LE, in chunks handed to `put`.
  template <typename TPut>
  bool Write(TPut&& put) const {
    std::vector<uint8_t> chunk(kChunkBytes);
    size_t used = 0;
    auto flush = [&] {
      const bool written = used == 0 || put(chunk.data(), used);
      used = 0;
      return written;
    };
    auto room = [&](size_t bytes) { return used + bytes <= kChunkBytes || flush(); };
    for (const TEntry& e : FTexts) {
      if (!room(4)) return false;
      PutU32(chunk.data() + used, e.Units + 1);
      used += 4;
      for (uint32_t i = 0; i <= e.Units; ++i) {
        if (!room(2)) return false;
        const char16_t unit = i < e.Units ? e.Data[i] : u'\0';
        chunk[used] = static_cast<uint8_t>(unit);
        chunk[used + 1] = static_cast<uint8_t>(unit >> 8);
        used += 2;
      }
    }
    return flush();
  }

 private:
  static constexpr size_t kChunkBytes = size_t{1} << 16;
  struct TEntry {
    const char16_t* Data;  // valid while the table is not changed
    uint32_t Units;
    uint32_t Offset;
  };
  struct TIdSlot {
    uint64_t Id = 0;  // 0: free (the empty text is never pooled)
    uint32_t Offset = 0;
  };

  // A 64-bit hash of the code units, 8 bytes at a time, seeded once per
  // run so that a table cannot be made to collide on purpose. The high 32
  // bits are kept: they place a text in the table and tell most texts apart
  // without comparing them.
  uint32_t HashText(std::u16string_view text) {
    ++FCounts.TextsHashed;
    FCounts.UnitsHashed += text.size();
    static const uint64_t seed = (uint64_t{std::random_device{}()} << 32) | std::random_device{}();
    constexpr uint64_t k = 0x9E3779B97F4A7C15;
    uint64_t h = seed ^ (text.size() * k);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size() * sizeof(char16_t);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      uint64_t word = 0;
      std::memcpy(&word, bytes + i, 8);
      h = (h ^ word) * k;
      h ^= h >> 32;
    }
    if (i < size) {
      uint64_t word = 0;
      std::memcpy(&word, bytes + i, size - i);
      h = (h ^ word) * k;
    }
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9;
    h ^= h >> 27;
    h *= 0x94D049BB133111EB;
    h ^= h >> 31;
    return static_cast<uint32_t>(h >> 32);
  }

  // Content slots: the hash in the high 32 bits, the text's index + 1 in
  // the low ones; 0 is free.
  std::optional<uint32_t> FindText(std::u16string_view text, uint32_t hash) {
    if (FByText.empty()) return std::nullopt;
    const uint64_t mask = FByText.size() - 1;
    for (uint64_t i = hash & mask; FByText[i] != 0; i = (i + 1) & mask) {
      if (FByText[i] >> 32 != hash) continue;
      const TEntry& e = FTexts[static_cast<uint32_t>(FByText[i]) - 1];
      ++FCounts.TextsCompared;
      FCounts.UnitsCompared += text.size();
      if (e.Units == text.size() &&
          std::memcmp(e.Data, text.data(), text.size() * sizeof(char16_t)) == 0) {
        return static_cast<uint32_t>(FByText[i]) - 1;
      }
    }
    return std::nullopt;
  }

  std::optional<uint32_t> AddText(std::u16string_view text, uint32_t hash, uint64_t limit) {
    const uint64_t bytes = 4 + 2 * (uint64_t{text.size()} + 1);
    if (FEnd + bytes > limit) return std::nullopt;
    const auto index = static_cast<uint32_t>(FTexts.size());
    FTexts.push_back(
        {text.data(), static_cast<uint32_t>(text.size()), static_cast<uint32_t>(FEnd)});
    FEnd += bytes;
    // At most three quarters full: the slots are small, and a probe mostly
    // stays within a cache line.
    if (4 * FTexts.size() > 3 * FByText.size()) GrowTexts();
    const uint64_t mask = FByText.size() - 1;
    uint64_t i = hash & mask;
    while (FByText[i] != 0) i = (i + 1) & mask;
    FByText[i] = (uint64_t{hash} << 32) | (index + 1);
    return index;
  }

  void GrowTexts() {
    std::vector<uint64_t> slots(std::max<size_t>(1024, 2 * FByText.size()), 0);
    const uint64_t mask = slots.size() - 1;
    for (uint64_t s : FByText) {
      if (s == 0) continue;
      uint64_t i = (s >> 32) & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = s;
    }
    FByText = std::move(slots);
  }

  static uint64_t HashId(uint64_t id) { return (id * 0x9E3779B97F4A7C15) >> 32; }

  static void Prefetch(const void* p) { __builtin_prefetch(p); }

  const TIdSlot* FindId(uint64_t id) const {
    if (FById.empty()) return nullptr;
    const uint64_t mask = FById.size() - 1;
    for (uint64_t i = HashId(id) & mask; FById[i].Id != 0; i = (i + 1) & mask) {
      if (FById[i].Id == id) return &FById[i];
    }
    return nullptr;
  }

  void AddId(uint64_t id, uint32_t offset) {
    if (2 * (FIds + 1) > FById.size()) {
      std::vector<TIdSlot> slots(std::max<size_t>(256, 2 * FById.size()));
      const uint64_t mask = slots.size() - 1;
      for (const TIdSlot& s : FById) {
        if (s.Id == 0) continue;
        uint64_t i = HashId(s.Id) & mask;
        while (slots[i].Id != 0) i = (i + 1) & mask;
        slots[i] = s;
      }
      FById = std::move(slots);
    }
    const uint64_t mask = FById.size() - 1;
    uint64_t i = HashId(id) & mask;
    while (FById[i].Id != 0) i = (i + 1) & mask;
    FById[i] = TIdSlot{id, offset};
    ++FIds;
  }

  uint64_t FEnd;
  TGDASaveCounts& FCounts;
  std::vector<TEntry> FTexts;
  std::vector<uint64_t> FByText;
  std::vector<TIdSlot> FById;
  size_t FIds = 0;
};

// Everything the file's bytes follow from, computed before any is written.
struct TLayout {
  uint32_t Cols = 0;
  uint32_t Rows = 0;  // data rows
  uint32_t RowSize = 0;
  std::vector<TColumnLayout> Columns;
  uint64_t DataOffset = 0;    // file offset of the data area
  uint64_t RowsAt = 0;        // data offset of the first row record
  uint64_t StringsStart = 0;  // data offset of the string area
  std::vector<uint8_t> RowRecords;
  uint64_t StringsEnd = 0;

  uint64_t FileSize() const { return DataOffset + StringsEnd; }
};

// The field of each column, by its type text, and the row record's size.
void LayOutColumns(const TCellTable& grid, TLayout& layout) {
  layout.Cols = static_cast<uint32_t>(grid.ColCount());
  layout.Rows = grid.RowCount() >= 3 ? static_cast<uint32_t>(grid.RowCount() - 2) : 0;
  layout.Columns.resize(layout.Cols);
  layout.RowSize = 0;
  for (uint32_t i = 0; i < layout.Cols; ++i) {
    const TColumnStorage storage = ColumnStorage(grid.Cells(static_cast<int32_t>(i), 1));
    layout.Columns[i] = {storage.Type, storage.TypeId, storage.TypeByte, layout.RowSize};
    layout.RowSize += storage.Size;
  }
  layout.DataOffset = kFieldsOfRowsAt + kFieldSize * layout.Cols;
  // The data area: two list positions, the column count and the column
  // list, then the row count.
  layout.RowsAt = 12 + 5 * uint64_t{layout.Cols} + 4;
  layout.StringsStart = layout.RowsAt + uint64_t{layout.Rows} * layout.RowSize;
}

// One value of a row record. False when its string would make the string
// area reach past data offset `limit`.
bool PutValue(const TColumnLayout& column, TStringPool::TPending& text, uint8_t* v,
              TStringPool& strings, uint64_t limit) {
  switch (column.TypeId) {
    case kFieldInt32:
    case kFieldFloat32:
      PutU32(v, StoredBits(column.Type, text.Text.Text).value_or(0));
      return true;
    case kFieldUInt8:
      *v = static_cast<uint8_t>(StoredBits(TColumnType::Bool, text.Text.Text).value_or(0));
      return true;
    default: {
      if (text.Text.Text.empty()) {
        PutU32(v, NullOffset);
        return true;
      }
      const std::optional<uint32_t> offset = strings.Offset(text, limit);
      if (!offset) return false;
      PutU32(v, *offset);
      return true;
    }
  }
}

// The texts of data row `row` (a cell-table row from 2 on), each string
// readied for the pool.
void ReadRow(const TCellTable& grid, const TLayout& layout, uint32_t row, TStringPool& strings,
             std::vector<TStringPool::TPending>& cells) {
  for (uint32_t i = 0; i < layout.Cols; ++i) {
    TStringPool::TPending& p = cells[i];
    p = {grid.StoredText(static_cast<int32_t>(i), static_cast<int32_t>(row + 2)), 0, false};
    if (layout.Columns[i].TypeId == kFieldString && !p.Text.Text.empty()) strings.Prepare(p);
  }
}

// The row records, and the string area's texts with their offsets. False
// when the file would pass the 32-bit positions of the format; nothing
// large is allocated then.
bool LayOutRows(const TCellTable& grid, TLayout& layout, TStringPool& strings) {
  if (layout.DataOffset + layout.StringsStart > kMaxFileSize) return false;
  const uint64_t limit = kMaxFileSize - layout.DataOffset;
  layout.RowRecords.assign(uint64_t{layout.Rows} * layout.RowSize, 0);
  std::vector<TStringPool::TPending> cells(layout.Cols);
  std::vector<TStringPool::TPending> next(layout.Cols);
  if (layout.Rows > 0) ReadRow(grid, layout, 0, strings, cells);
  for (uint32_t row = 0; row < layout.Rows; ++row) {
    if (row + 1 < layout.Rows) ReadRow(grid, layout, row + 1, strings, next);
    uint8_t* record = layout.RowRecords.data() + uint64_t{row} * layout.RowSize;
    for (uint32_t i = 0; i < layout.Cols; ++i) {
      const TColumnLayout& column = layout.Columns[i];
      if (!PutValue(column, cells[i], record + column.Offset, strings, limit)) return false;
    }
    cells.swap(next);
  }
  layout.StringsEnd = strings.End();
  return layout.FileSize() <= kMaxFileSize;
}

// Appends little-endian values to the head of the file.
class TByteWriter {
 public:
  explicit TByteWriter(std::vector<uint8_t>& out) : FOut(out) {}
  void U8(uint8_t v) { FOut.push_back(v); }
  void U16(uint16_t v) {
    FOut.push_back(static_cast<uint8_t>(v));
    FOut.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint64_t v) {
    for (int i = 0; i < 4; ++i) FOut.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Tag(const char* fourCC) { U32(StrToFourCC(fourCC)); }
  void Field(uint32_t label, uint16_t typeId, uint16_t flags, uint32_t offset) {
    U32(label);
    U16(typeId);
    U16(flags);
    U32(offset);
  }
  uint64_t Position() const { return FOut.size(); }

 private:
  std::vector<uint8_t>& FOut;
};

// The file up to the row records: the header, the struct definitions, the
// fields of the three structs, and the data area up to the row count.
std::vector<uint8_t> HeadBytes(const TCellTable& grid, const TLayout& layout) {
  std::vector<uint8_t> head;
  head.reserve(layout.DataOffset + layout.RowsAt);
  TByteWriter w(head);
  w.Tag("GFF ");
  w.Tag("V4.0");
  w.Tag("PC  ");
  w.Tag("G2DA");
  w.Tag("V0.2");
  w.U32(3);
  w.U32(layout.DataOffset);
  // Struct definitions: tag, field count, position of the fields, element
  // size.
  const struct {
    const char* Tag;
    uint32_t FieldCount;
    uint64_t FieldsAt;
    uint32_t Size;
  } structs[] = {{"gtop", 2, kFieldsOfRowsAt - 4 * kFieldSize, 8},
                 {"colm", 2, kFieldsOfRowsAt - 2 * kFieldSize, 5},
                 {"rows", layout.Cols, kFieldsOfRowsAt, layout.RowSize}};
  for (const auto& s : structs) {
    w.Tag(s.Tag);
    w.U32(s.FieldCount);
    w.U32(s.FieldsAt);
    w.U32(s.Size);
  }
  w.Field(kLabelColumnList, 1, FlagStruct | FlagList, 0);
  w.Field(kLabelRowList, 2, FlagStruct | FlagList, 4);
  w.Field(kLabelColumnHash, kFieldUInt32, 0, 0);
  w.Field(kLabelColumnType, kFieldUInt8, 0, 4);
  for (uint32_t i = 0; i < layout.Cols; ++i)
    w.Field(kLabelFirstValue + i, layout.Columns[i].TypeId, 0, layout.Columns[i].Offset);
  // Data area: the positions of the two lists in it, the column list, the
  // row count.
  w.U32(8);
  w.U32(layout.RowsAt - 4);
  w.U32(layout.Cols);
  for (uint32_t i = 0; i < layout.Cols; ++i) {
    w.U32(NameToHash(grid.Cells(static_cast<int32_t>(i), 0)));
    w.U8(layout.Columns[i].TypeByte);
  }
  w.U32(layout.Rows);
  return head;
}

// The layout of the table's file; nothing when it would not fit the
// format's 32-bit positions.
std::optional<TLayout> LayOut(const TCellTable& grid, TGDASaveCounts& counts,
                              std::optional<TStringPool>& strings) {
  TLayout layout;
  LayOutColumns(grid, layout);
  strings.emplace(layout.StringsStart, counts);
  if (!LayOutRows(grid, layout, *strings)) return std::nullopt;
  return layout;
}

// Writes the file through `put` in order; false when `put` fails or the
// parts do not end where the layout says.
template <typename TPut>
bool WriteLaidOut(const TCellTable& grid, const TLayout& layout, const TStringPool& strings,
                  TPut&& put) {
  const std::vector<uint8_t> head = HeadBytes(grid, layout);
  if (head.size() != layout.DataOffset + layout.RowsAt) return false;
  return put(head.data(), head.size()) && put(layout.RowRecords.data(), layout.RowRecords.size()) &&
         strings.Write(put);
}

}  // namespace

std::optional<std::vector<uint8_t>> BuildGDA(const TCellTable& grid, TGDASaveCounts* counts) {
  TGDASaveCounts unused;
  TGDASaveCounts& n = counts != nullptr ? *counts : unused;
  n = {};
  std::optional<TStringPool> strings;
  const std::optional<TLayout> layout = LayOut(grid, n, strings);
  if (!layout) return std::nullopt;
  std::vector<uint8_t> out;
  out.reserve(layout->FileSize());
  auto put = [&](const uint8_t* data, size_t size) {
    out.insert(out.end(), data, data + size);
    return true;
  };
  if (!WriteLaidOut(grid, *layout, *strings, put) || out.size() != layout->FileSize()) {
    return std::nullopt;
  }
  return out;
}

bool SaveGDA(const TCellTable& grid, const std::filesystem::path& filename) {
  TGDASaveCounts counts;
  std::optional<TStringPool> strings;
  const std::optional<TLayout> layout = LayOut(grid, counts, strings);
  if (!layout) {
    // Positions in the file are 32-bit: such a table cannot be written.
    ShowError(kCannotWrite);
    return false;
  }
  // One save of this file at a time; a save that waited in vain for
  // another is refused. A file that cannot even be created is an
  // exception, which the caller's general error report shows: the message,
  // then the path and the reason.
  std::optional<TWriteLock> lock;
  std::optional<TSafeFileWriter> writer;
  try {
    lock.emplace(filename);
    writer.emplace(filename);
  } catch (const TLockTimeout& e) {
    ShowError(FileFailureText(kCannotWrite, filename, e.what()));
    return false;
  } catch (const Error& e) {
    throw Error(FileFailureText(kCannotWrite, filename, e.what()));
  }
  // The file must end where its layout says: a shorter one never replaces
  // the target.
  auto put = [&](const uint8_t* data, size_t size) { return writer->Write(data, size); };
  if (!WriteLaidOut(grid, *layout, *strings, put) || writer->Position() != layout->FileSize() ||
      !writer->Commit()) {
    writer->Abandon();
    const int code = writer->ErrorCode();
    ShowError(FileFailureText(kCannotWrite, filename, code ? SystemErrorText(code) : ""));
    return false;
  }
  return true;
}

}  // namespace tessary

// The table file writer: a cell table saved in the fixed layout of a G2DA
// file, each distinct string stored once.
#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

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

}  // namespace

namespace {

struct ColumnLayout {
  TColumnType Type;
  uint16_t TypeId;
  uint8_t TypeByte;
  uint32_t Offset;
};

// Appends little-endian values to the file being built. A position that
// points forward is written as a placeholder and set once the part it
// points at is reached, so every position is where the writer put the part.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : FOut(out) {}
  void U8(uint8_t v) { FOut.push_back(v); }
  void U16(uint16_t v) {
    FOut.push_back(static_cast<uint8_t>(v));
    FOut.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) FOut.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Field(uint32_t label, uint16_t typeId, uint16_t flags, uint32_t offset) {
    U32(label);
    U16(typeId);
    U16(flags);
    U32(offset);
  }
  uint64_t Position() const { return FOut.size(); }
  // A 32-bit position to be set later; returns where it lies.
  size_t Placeholder() {
    const size_t at = FOut.size();
    U32(0);
    return at;
  }
  void Set(size_t at, uint64_t value) { PutU32(FOut.data() + at, static_cast<uint32_t>(value)); }

 private:
  std::vector<uint8_t>& FOut;
};

// The file in two parts: everything up to the last row record, and the
// string area behind it. False when the file would pass the 32-bit
// positions of the format; nothing large is allocated then.
bool BuildParts(const TCellTable& grid, std::vector<uint8_t>& out, std::vector<uint8_t>& strings) {
  const uint32_t c = static_cast<uint32_t>(grid.ColCount());
  const uint32_t r = grid.RowCount() >= 3 ? static_cast<uint32_t>(grid.RowCount() - 2) : 0;

  std::vector<ColumnLayout> layout(c);
  uint32_t rowSize = 0;
  uint32_t stringColumns = 0;
  for (uint32_t i = 0; i < c; ++i) {
    const TColumnStorage storage = ColumnStorage(grid.Cells(static_cast<int32_t>(i), 1));
    layout[i] = {storage.Type, storage.TypeId, storage.TypeByte, rowSize};
    rowSize += storage.Size;
    if (storage.TypeId == kFieldString) ++stringColumns;
  }

  out.clear();
  strings.clear();
  ByteWriter w(out);
  // Header; the data area's position is set where the data area begins.
  w.U32(StrToFourCC("GFF "));
  w.U32(StrToFourCC("V4.0"));
  w.U32(StrToFourCC("PC  "));
  w.U32(StrToFourCC("G2DA"));
  w.U32(StrToFourCC("V0.2"));
  w.U32(3);
  const size_t dataOffsetAt = w.Placeholder();
  // Struct definitions (tag, field count, position of the fields, element
  // size), then each struct's fields.
  const struct {
    const char* Tag;
    uint32_t FieldCount;
    uint32_t Size;
  } structs[] = {{"gtop", 2, 8}, {"colm", 2, 5}, {"rows", c, rowSize}};
  size_t fieldsAt[3];
  for (size_t i = 0; i < 3; ++i) {
    w.U32(StrToFourCC(structs[i].Tag));
    w.U32(structs[i].FieldCount);
    fieldsAt[i] = w.Placeholder();
    w.U32(structs[i].Size);
  }
  w.Set(fieldsAt[0], w.Position());
  w.Field(kLabelColumnList, 1, FlagStruct | FlagList, 0);
  w.Field(kLabelRowList, 2, FlagStruct | FlagList, 4);
  w.Set(fieldsAt[1], w.Position());
  w.Field(kLabelColumnHash, kFieldUInt32, 0, 0);
  w.Field(kLabelColumnType, kFieldUInt8, 0, 4);
  w.Set(fieldsAt[2], w.Position());
  for (uint32_t i = 0; i < c; ++i)
    w.Field(kLabelFirstValue + i, layout[i].TypeId, 0, layout[i].Offset);

  // Data area: the positions of the two lists in it, the column list, the
  // row count.
  const uint64_t dataOffset = w.Position();
  w.Set(dataOffsetAt, dataOffset);
  const size_t columnListAt = w.Placeholder();
  const size_t rowListAt = w.Placeholder();
  w.Set(columnListAt, w.Position() - dataOffset);
  w.U32(c);
  for (uint32_t i = 0; i < c; ++i) {
    w.U32(NameToHash(grid.Cells(static_cast<int32_t>(i), 0)));
    w.U8(layout[i].TypeByte);
  }
  w.Set(rowListAt, w.Position() - dataOffset);
  w.U32(r);

  // The row list announces r elements of rowSize bytes: the string area
  // begins right after them, and the row records point into it.
  const uint64_t rowsAt = w.Position();
  const uint64_t stringsStart = rowsAt - dataOffset + uint64_t{r} * rowSize;
  if (dataOffset + stringsStart > kMaxFileSize) return false;
  // Row records, then the string area; each distinct text is stored once.
  out.resize(rowsAt + uint64_t{r} * rowSize, 0);
  // The pool maps each text to its data-area offset: the first occurrence
  // is the one stored. Views stay valid: the cell table is not changed.
  std::unordered_map<std::u16string_view, uint32_t> pool;
  pool.reserve(std::min<uint64_t>(uint64_t{stringColumns} * r, 1u << 20));
  for (uint32_t row = 0; row < r; ++row) {
    uint8_t* record = out.data() + rowsAt + uint64_t{row} * rowSize;
    for (uint32_t i = 0; i < c; ++i) {
      const std::u16string& text =
          grid.Cells(static_cast<int32_t>(i), static_cast<int32_t>(row + 2));
      uint8_t* v = record + layout[i].Offset;
      switch (layout[i].TypeId) {
        case kFieldInt32:
        case kFieldFloat32:
          PutU32(v, StoredBits(layout[i].Type, text).value_or(0));
          break;
        case kFieldUInt8:
          *v = static_cast<uint8_t>(StoredBits(TColumnType::Bool, text).value_or(0));
          break;
        default: {
          if (text.empty()) {
            PutU32(v, NullOffset);
            break;
          }
          auto [it, added] = pool.try_emplace(std::u16string_view(text), 0);
          if (added) {
            if (dataOffset + stringsStart + strings.size() + 6 + 2 * uint64_t{text.size()} >
                kMaxFileSize) {
              return false;
            }
            it->second = static_cast<uint32_t>(stringsStart + strings.size());
            const uint32_t length = static_cast<uint32_t>(text.size() + 1);
            for (int b = 0; b < 4; ++b) strings.push_back(static_cast<uint8_t>(length >> (8 * b)));
            for (char16_t unit : text) {
              strings.push_back(static_cast<uint8_t>(unit));
              strings.push_back(static_cast<uint8_t>(unit >> 8));
            }
            strings.push_back(0);
            strings.push_back(0);
          }
          PutU32(v, it->second);
          break;
        }
      }
    }
  }
  // The row records end where the strings they point at were announced.
  return out.size() == dataOffset + stringsStart;
}

}  // namespace

std::optional<std::vector<uint8_t>> BuildGDA(const TCellTable& grid) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> strings;
  if (!BuildParts(grid, out, strings)) return std::nullopt;
  out.insert(out.end(), strings.begin(), strings.end());
  return out;
}

bool SaveGDA(const TCellTable& grid, const std::filesystem::path& filename) {
  std::vector<uint8_t> head;
  std::vector<uint8_t> strings;
  if (!BuildParts(grid, head, strings)) {
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
  // The file must end where its parts say: a shorter one never replaces
  // the target.
  if (!writer->Write(head.data(), head.size()) || !writer->Write(strings.data(), strings.size()) ||
      writer->Position() != head.size() + strings.size() || !writer->Commit()) {
    writer->Abandon();
    const int code = writer->ErrorCode();
    ShowError(FileFailureText(kCannotWrite, filename, code ? SystemErrorText(code) : ""));
    return false;
  }
  return true;
}

}  // namespace tessary

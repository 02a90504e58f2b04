#include "gff/g2da.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "common/bytes.h"
#include "common/error.h"
#include "common/safe_file.h"
#include "gff/column_names.h"
#include "gff/g2da_values.h"
#include "gff/show_error.h"
#include "grid/cell_table.h"
#include "text/column_type.h"
#include "text/number_text.h"

namespace tessary {
namespace {

constexpr uint32_t kLabelColumnHash = 10001;
constexpr uint32_t kLabelColumnList = 10002;
constexpr uint32_t kLabelRowList = 10003;
constexpr uint32_t kLabelFirstValue = 10005;
constexpr uint32_t kLabelColumnType = 10999;

// Cells the reader writes in any case beyond its budget of two per byte of
// the data area (see LoadGDAFromContainer).
constexpr uint64_t kCellAllowance = 65536;

// File positions and data-area offsets are 32-bit.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFu;

constexpr char kCannotWrite[] = "File cannot be written.";

const TField* FieldByLabel(const TStruct& s, uint32_t label) {
  int i = FindFieldByLabel(s, label);
  return i < 0 ? nullptr : &s.Fields[static_cast<size_t>(i)];
}

// The list field `label` of the top struct when it has both flags and
// names a struct with tag `elementTag`.
const TField* ListField(const TMemoryGFF& gff, uint32_t label, std::string_view elementTag,
                        const TStruct** element) {
  const TField* f = FieldByLabel(gff.StructArray[0], label);
  if (f == nullptr || !f->Has(FlagStruct) || !f->Has(FlagList) ||
      f->TypeId >= gff.StructArray.size()) {
    return nullptr;
  }
  const TStruct& s = gff.StructArray[f->TypeId];
  if (s.Tag != StrToFourCC(elementTag)) return nullptr;
  *element = &s;
  return f;
}

}  // namespace

std::u16string ColumnTypeName(uint8_t code) {
  switch (code) {
    case 0:
      return u"string";
    case 1:
      return u"int";
    case 2:
      return u"float";
    case 3:
      return u"bool";
    case 4:
      return u"resource";
    default:
      return u"*ERROR: UNKNOWN TYPE*";
  }
}

std::u16string ValueToText(const TMemoryGFF& gff, const TListData& rows, uint32_t index,
                           uint32_t offset, uint16_t typeId) {
  uint32_t width = 0;
  switch (typeId) {
    case 0:
      width = 1;
      break;
    case 5:
    case 8:
    case 14:
      width = 4;
      break;
    default:
      return kUnknownTypeText;
  }
  const std::span<const uint8_t> element = gff.ListElement(rows, index);
  if (uint64_t{offset} + width > element.size()) return kCorruptedDataText;
  const uint8_t* v = element.data() + offset;
  switch (typeId) {
    case 0:
      return FormatInteger(v[0]);
    case 5:
      return FormatInteger(GetI32(v));
    case 8:
      return FormatReal(GetFloat(v));
    default:
      break;
  }
  const uint32_t o = GetU32(v);
  if (o == NullOffset) return {};
  const std::span<const uint8_t> data = gff.RawDataBlock();
  if (uint64_t{o} + 4 > data.size()) return kCorruptedDataText;
  if (GetI32(data.data() + o) <= 1) return {};
  // The code units up to the first zero unit, which must lie in the block.
  const uint64_t first = uint64_t{o} + 4;
  uint64_t end = first;
  while (true) {
    if (end + 2 > data.size()) return kCorruptedDataText;
    if (data[end] == 0 && data[end + 1] == 0) break;
    end += 2;
  }
  std::u16string text(static_cast<size_t>((end - first) / 2), u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = GetU16(data.data() + first + 2 * i);
  return text;
}

bool LoadGDAFromContainer(TCellTable& grid, const TMemoryGFF& gff) {
  if (gff.FindStructByTag("gtop") != 0) return false;
  const TStruct* colm = nullptr;
  const TField* columns = ListField(gff, kLabelColumnList, "colm", &colm);
  if (columns == nullptr) return false;
  const TField* hashField = FieldByLabel(*colm, kLabelColumnHash);
  if (hashField == nullptr || hashField->TypeId != 4 || hashField->Flags != 0) return false;
  const TField* typeField = FieldByLabel(*colm, kLabelColumnType);
  if (typeField == nullptr || typeField->TypeId != 0 || typeField->Flags != 0) return false;
  const uint32_t hashOffset = hashField->Offset;
  const uint32_t typeOffset = typeField->Offset;
  const uint32_t columnCount = columns->ListData.Count;
  // An element too short for the hash or the type byte: not a table.
  if (columnCount > 0 && (uint64_t{hashOffset} + 4 > colm->StructSize ||
                          uint64_t{typeOffset} + 1 > colm->StructSize)) {
    return false;
  }
  try {
    grid.SetColCount(static_cast<int32_t>(columnCount));
  } catch (const Error&) {
    return false;  // more columns than a table can show
  }
  for (uint32_t c = 0; c < columnCount; ++c) {
    const std::span<const uint8_t> e = gff.ListElement(columns->ListData, c);
    grid.SetCells(static_cast<int32_t>(c), 0, HashToName(GetU32(e.data() + hashOffset)));
    grid.SetCells(static_cast<int32_t>(c), 1, ColumnTypeName(e[typeOffset]));
  }

  // From here on the table is loaded; the row part only adds what it can.
  const TStruct* rowStruct = nullptr;
  const TField* rows = ListField(gff, kLabelRowList, "rows", &rowStruct);
  if (rows == nullptr) return true;
  const TListData& rowList = rows->ListData;
  if (rowList.Count > 0x7FFFFFFDu) return true;
  // Every value of a well-formed table takes at least one byte of its row
  // element, so a table has fewer cells than its data area has bytes. Value
  // fields that overlap, or elements of size 0, could make a small file
  // describe billions of cells: reading stops before the column that would
  // pass this budget, as it stops at a missing column.
  const uint64_t cellBudget = 2 * uint64_t{gff.RawDataBlock().size()} + kCellAllowance;
  // The value field of each column: labels 10005, 10006, ... up to the
  // first one missing (the first field of each label counts), and no
  // further than the budget or the last column a table can hold.
  std::unordered_map<uint32_t, const TField*> byLabel;
  for (const TField& f : rowStruct->Fields) byLabel.emplace(f.Label, &f);
  std::vector<const TField*> valueFields;
  for (uint32_t c = 0; c < rowStruct->FieldCount && c < uint32_t{TCellTable::kMaxCount}; ++c) {
    auto it = byLabel.find(kLabelFirstValue + c);
    if (it == byLabel.end()) break;
    if (uint64_t{c + 1} * rowList.Count > cellBudget) break;
    valueFields.push_back(it->second);
  }
  if (valueFields.empty()) return true;
  try {
    grid.SetRowCount(static_cast<int32_t>(rowList.Count + 2));
  } catch (const Error&) {
    return true;  // more rows than a table can hold: the columns stay
  }
  // Row by row, so that each stored row is filled while it is at hand; the
  // cells are the same as when filled column by column.
  for (uint32_t k = 0; k < rowList.Count; ++k) {
    for (size_t c = 0; c < valueFields.size(); ++c) {
      const TField& f = *valueFields[c];
      grid.SetCells(static_cast<int32_t>(c), static_cast<int32_t>(k + 2),
                    ValueToText(gff, rowList, k, f.Offset, f.TypeId));
    }
  }
  return true;
}

bool LoadGDA(TCellTable& grid, const std::filesystem::path& filename) {
  TMemoryGFF gff;
  if (!gff.Load(filename)) return false;
  return LoadGDAFromContainer(grid, gff);
}

namespace {

struct ColumnLayout {
  uint16_t TypeId;
  uint8_t TypeByte;
  uint32_t Offset;
};

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
    layout[i] = {storage.TypeId, storage.TypeByte, rowSize};
    rowSize += storage.Size;
    if (storage.TypeId == 14) ++stringColumns;
  }

  const uint32_t dataOffset = 124 + 12 * c;
  const uint64_t rowsStart = 16 + 5 * uint64_t{c};
  const uint64_t stringsStart = rowsStart + uint64_t{r} * rowSize;
  if (dataOffset + stringsStart > kMaxFileSize) return false;
  out.clear();
  strings.clear();
  out.reserve(dataOffset + stringsStart);
  ByteWriter w(out);
  // Header and struct definitions.
  w.U32(StrToFourCC("GFF "));
  w.U32(StrToFourCC("V4.0"));
  w.U32(StrToFourCC("PC  "));
  w.U32(StrToFourCC("G2DA"));
  w.U32(StrToFourCC("V0.2"));
  w.U32(3);
  w.U32(dataOffset);
  w.U32(StrToFourCC("gtop"));
  w.U32(2);
  w.U32(76);
  w.U32(8);
  w.U32(StrToFourCC("colm"));
  w.U32(2);
  w.U32(100);
  w.U32(5);
  w.U32(StrToFourCC("rows"));
  w.U32(c);
  w.U32(124);
  w.U32(rowSize);
  w.Field(kLabelColumnList, 1, FlagStruct | FlagList, 0);
  w.Field(kLabelRowList, 2, FlagStruct | FlagList, 4);
  w.Field(kLabelColumnHash, 4, 0, 0);
  w.Field(kLabelColumnType, 0, 0, 4);
  for (uint32_t i = 0; i < c; ++i)
    w.Field(kLabelFirstValue + i, layout[i].TypeId, 0, layout[i].Offset);

  // Data area: list offsets, the column list, the row count.
  w.U32(8);
  w.U32(12 + 5 * c);
  w.U32(c);
  for (uint32_t i = 0; i < c; ++i) {
    w.U32(NameToHash(grid.Cells(static_cast<int32_t>(i), 0)));
    w.U8(layout[i].TypeByte);
  }
  w.U32(r);

  // Row records, then the string area; each distinct text is stored once.
  const size_t rowsAt = out.size();
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
        case 5:
        case 8:
          PutU32(v, ConvertNumericValue(layout[i].TypeId, text).Bits);
          break;
        case 0:
          *v = static_cast<uint8_t>(ConvertNumericValue(0, text).Bits);
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
  return true;
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
  TSafeFileWriter writer(filename);  // throws when the file cannot be created
  if (!writer.Write(head.data(), head.size()) || !writer.Write(strings.data(), strings.size()) ||
      !writer.Commit()) {
    writer.Abandon();
    ShowError(kCannotWrite);
    return false;
  }
  return true;
}

}  // namespace tessary

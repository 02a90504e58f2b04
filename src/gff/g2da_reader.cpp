#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <unordered_map>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"
#include "common/safe_file.h"
#include "gff/column_names.h"
#include "gff/g2da.h"
#include "gff/g2da_layout.h"
#include "gff/g2da_values.h"
#include "gff/show_error.h"
#include "table/cell_table.h"
#include "text/column_type.h"
#include "text/number_text.h"

namespace tessary {
namespace {

// Cells the reader writes in any case beyond its budget of two per byte of
// the data area (see LoadGDAFromContainer).
constexpr uint64_t kCellAllowance = 65536;

// The failure of a read past the data: every read below is checked first,
// so this text would only ever show a fault of the reader itself.
constexpr char kCorruptedRead[] = "*GDA FILE ERROR: CORRUPTED DATA*";

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

// Texts this short live inside the cell's own slot: sharing them would cost
// more than a copy each.
constexpr uint64_t kInlineUnits = 7;

// Where the next zero code unit lies, for scans that may start at any byte.
// Long stretches scanned are remembered as intervals that hold no zero
// unit, so strings that overlap (offsets inside one long string) never scan
// the same units twice. Short stretches, the strings of an ordinary table,
// are not remembered while the units they took stay within the data's
// size: a record per string would cost more than scanning it. The scans of
// a whole load stay linear in the data.
class TZeroUnits {
 public:
  explicit TZeroUnits(std::span<const uint8_t> data)
      : FData(data), FUnrecordedLeft(data.size() / 2) {}

  // The byte position of the first zero code unit at or after `from`, on
  // code units aligned with `from`; where the data ends when there is none.
  uint64_t Next(uint64_t from, uint64_t& scanned) {
    // Stretches start on a unit of one parity each; a stretch [a, b] holds
    // no zero unit before b, and b is a zero unit or the end.
    std::map<uint64_t, uint64_t>& known = FKnown[from & 1];
    auto after = known.upper_bound(from);
    if (after != known.begin() && from <= std::prev(after)->second) {
      return std::prev(after)->second;
    }
    const uint64_t stop = after != known.end() ? after->first : UINT64_MAX;
    uint64_t p = from;
    while (p + 2 <= FData.size() && p < stop && (FData[p] | FData[p + 1]) != 0) {
      p += 2;
      ++scanned;
    }
    if (p + 2 <= FData.size() && p < stop) ++scanned;  // the zero unit itself
    if (p == stop) {
      // Ran into a known stretch: the two become one.
      p = after->second;
      known.erase(after);
    } else if (const uint64_t units = (p - from) / 2;
               units <= kShortStretch && units <= FUnrecordedLeft) {
      FUnrecordedLeft -= units;
      return p;
    }
    known.emplace(from, p);
    return p;
  }

 private:
  static constexpr uint64_t kShortStretch = 256;
  std::span<const uint8_t> FData;
  uint64_t FUnrecordedLeft;
  std::map<uint64_t, uint64_t> FKnown[2];
};

// The string at data-area offset `o`: at most L code units from o + 4 (L
// the signed 32-bit length word at o), ending earlier at a zero code unit.
// Corrupted when the length word, or the code units up to the end of the
// string, do not lie within the data area. `scanned` counts the code units
// examined; a scan that goes on past an inline text continues in `zeros`
// when given.
struct TStringRef {
  enum TKind : uint8_t { skEmpty, skText, skCorrupted };
  TKind Kind = skEmpty;
  uint64_t First = 0;  // byte offset of the first code unit
  uint64_t Units = 0;
};

TStringRef FindString(std::span<const uint8_t> data, uint32_t o, uint64_t& scanned,
                      TZeroUnits* zeros = nullptr) {
  TStringRef ref;
  if (o == NullOffset) return ref;
  TByteReader in(data, kCorruptedRead);
  if (!in.HasAt(o, 4)) {
    ref.Kind = TStringRef::skCorrupted;
    return ref;
  }
  in.Seek(o);
  const int32_t length = in.I32();
  if (length <= 0) return ref;
  ref.First = in.Position();
  const uint64_t limit = std::min<uint64_t>(static_cast<uint64_t>(length), in.Left() / 2);
  const uint8_t* units = in.Bytes(2 * limit).data();
  const uint64_t quick = zeros != nullptr ? std::min(limit, kInlineUnits + 1) : limit;
  uint64_t n = 0;
  while (n < quick && (units[2 * n] | units[2 * n + 1]) != 0) ++n;
  scanned += n < quick ? n + 1 : n;  // the zero unit that ended it was examined too
  if (n == quick && quick < limit) {
    n = std::min(limit, (zeros->Next(ref.First + 2 * n, scanned) - ref.First) / 2);
  }
  if (n == limit && limit < static_cast<uint64_t>(length)) {
    ref.Kind = TStringRef::skCorrupted;  // the data ends inside the string
    return ref;
  }
  ref.Kind = n == 0 ? TStringRef::skEmpty : TStringRef::skText;
  ref.Units = n;
  return ref;
}

std::u16string DecodeUnits(std::span<const uint8_t> data, const TStringRef& ref) {
  TByteReader in(data, kCorruptedRead);
  in.Seek(ref.First);
  const uint8_t* p = in.Bytes(2 * ref.Units).data();
  std::u16string text(static_cast<size_t>(ref.Units), u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = GetU16(p + 2 * i);
  return text;
}

// Starts loading the cache line at `p`. As an instruction of its own, so
// that the compiler cannot drop it as having no effect.
inline void Prefetch(const void* p) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
  __builtin_prefetch(p);
#endif
}

// Decoded string-area text a load may hold beyond twice the data area's size.
constexpr uint64_t kTextAllowance = uint64_t{64} << 20;

// The strings of one load. Each string's end is found once. A text longer
// than kInlineUnits is decoded into the first cell that refers to its
// offset, and once more into a text that every later such cell shares, so
// that a string of one cell (most strings of a table) costs one copy and
// one allocation, and a string of many cells two copies. Each error text is
// shared too.
class TStringTable {
 public:
  TStringTable(std::span<const uint8_t> data, TGDALoadCounts& counts)
      : FData(data), FZeros(data), FCounts(counts) {}

  // The bytes a cell referring to the string at `o` adds to the decoded
  // text: a copy the first and the second time the string is seen, 0 after
  // that, and 0 for a text kept in a cell's slot.
  uint64_t NewCost(uint32_t o) {
    TStringRef ref;
    bool added = false;
    TSlot* s = Lookup(o, ref, added, false);
    if (s == nullptr || s->Units == kCorrupted || s->Counted == 2) return 0;
    ++s->Counted;
    return 2 * uint64_t{s->Units};
  }

  void Store(TCellTable& grid, int32_t col, int32_t row, uint32_t o) {
    TStringRef ref;
    bool added = false;
    TSlot* s = Lookup(o, ref, added, true);
    if (s == nullptr) {
      if (ref.Kind == TStringRef::skCorrupted) {
        grid.SetCells(col, row, Corrupted());
      } else {
        if (ref.Units > kInlineUnits) FCounts.TextBytesHeld += 2 * ref.Units;
        grid.SetCells(col, row, DecodeUnits(FData, ref));
      }
    } else if (s->Units == kCorrupted) {
      grid.SetCells(col, row, Corrupted());
    } else {
      const TStringRef text{TStringRef::skText, uint64_t{o} + 4, s->Units};
      if (!s->Text && !s->Stored) {
        s->Stored = true;
        FCounts.TextBytesHeld += 2 * uint64_t{s->Units};
        grid.SetCells(col, row, DecodeUnits(FData, text));
        return;
      }
      if (!s->Text) {
        s->Text = std::make_shared<const std::u16string>(DecodeUnits(FData, text));
        FCounts.TextBytesHeld += 2 * uint64_t{s->Units};
      }
      grid.SetCells(col, row, s->Text);
    }
  }

  // Asks for the memory a later Store of `o` reads: its slot, and once the
  // slot has arrived, its text.
  void PrefetchSlot(uint32_t o) const { Prefetch(&FSlots[Hash(o) & (FSlots.size() - 1)]); }
  void PrefetchText(uint32_t o) const {
    const TSlot& s = FSlots[Hash(o) & (FSlots.size() - 1)];
    if (s.Key == o && s.Text) Prefetch(s.Text.get());
  }

  const TSharedText& Corrupted() {
    if (!FCorrupted) FCorrupted = std::make_shared<const std::u16string>(kCorruptedDataText);
    return FCorrupted;
  }
  const TSharedText& UnknownType() {
    if (!FUnknownType) FUnknownType = std::make_shared<const std::u16string>(kUnknownTypeText);
    return FUnknownType;
  }

 private:
  // A remembered string: its offset, its length in code units (or one of
  // the two marks below), the copies the budget counted for it, whether a
  // cell holds its first copy, and, once a second cell shows it, the text
  // those cells share. The
  // slots form an open-addressing table, so that a lookup mostly touches
  // one cache line: millions of cells may look their string up.
  static constexpr uint32_t kFree = 0xFFFFFFFF;
  static constexpr uint32_t kCorrupted = 0xFFFFFFFE;
  struct TSlot {
    uint32_t Key = 0;
    uint32_t Units = kFree;
    uint8_t Counted = 0;
    bool Stored = false;
    TSharedText Text;
  };
  static uint64_t Hash(uint32_t o) { return (o * uint64_t{0x9E3779B97F4A7C15}) >> 32; }

  // The slot of the string at `o`, filled (`added`) when the string is
  // longer than an inline text or its scan was. With `firstInCell` a string
  // seen for the first time gets no slot yet, as its first copy goes into a
  // cell: most strings of a table are the text of one cell only. Strings
  // without a slot are described by `ref`.
  TSlot* Lookup(uint32_t o, TStringRef& ref, bool& added, bool firstInCell) {
    const uint64_t mask = FSlots.size() - 1;
    uint64_t i = Hash(o) & mask;
    for (; FSlots[i].Units != kFree; i = (i + 1) & mask) {
      if (FSlots[i].Key == o) return &FSlots[i];
    }
    uint64_t scanned = 0;
    ref = FindString(FData, o, scanned, &FZeros);
    FCounts.UnitsScanned += scanned;
    if (ref.Units <= kInlineUnits && scanned <= kInlineUnits + 1) return nullptr;
    const bool first = FirstSight(o);
    if (firstInCell && first) return nullptr;
    added = true;
    FSlots[i].Key = o;
    FSlots[i].Units =
        ref.Kind == TStringRef::skCorrupted ? kCorrupted : static_cast<uint32_t>(ref.Units);
    FSlots[i].Stored = firstInCell;  // a cell took the first copy when it was seen
    if (2 * ++FUsed <= FSlots.size()) return &FSlots[i];
    Grow();
    bool again = false;
    return Lookup(o, ref, again, false);
  }

  // Whether `o` is looked up for the first time; offsets past the data,
  // which only ever give the shared error text, count as seen.
  bool FirstSight(uint32_t o) {
    if (o >= FData.size()) return false;
    if (FSeen.empty()) FSeen.resize(FData.size() / 64 + 1);
    uint64_t& word = FSeen[o / 64];
    const uint64_t bit = uint64_t{1} << (o % 64);
    const bool first = (word & bit) == 0;
    word |= bit;
    return first;
  }

  void Grow() {
    std::vector<TSlot> slots(2 * FSlots.size());
    const uint64_t mask = slots.size() - 1;
    for (TSlot& s : FSlots) {
      if (s.Units == kFree) continue;
      uint64_t i = Hash(s.Key) & mask;
      while (slots[i].Units != kFree) i = (i + 1) & mask;
      slots[i] = std::move(s);
    }
    FSlots = std::move(slots);
  }

  std::span<const uint8_t> FData;
  TZeroUnits FZeros;
  TGDALoadCounts& FCounts;
  std::vector<TSlot> FSlots = std::vector<TSlot>(1024);
  std::vector<uint64_t> FSeen;  // a bit per data offset: looked up before
  uint64_t FUsed = 0;
  TSharedText FCorrupted;
  TSharedText FUnknownType;
};

// The string offset stored at `offset` of a row element; nothing when the
// four bytes do not lie within the element.
// Called for every string cell, and for the two rows ahead: kept inline.
[[gnu::always_inline]] inline std::optional<uint32_t> StringOffset(std::span<const uint8_t> element,
                                                                   uint32_t offset) {
  TByteReader in(element, kCorruptedRead);
  if (!in.HasAt(offset, 4)) return std::nullopt;
  in.Seek(offset);
  return in.U32();
}

// The text of a number stored at `offset` of a row element.
std::u16string NumberText(std::span<const uint8_t> element, uint32_t offset, uint16_t typeId) {
  TByteReader in(element, kCorruptedRead);
  if (!in.HasAt(offset, typeId == kFieldUInt8 ? 1 : 4)) return kCorruptedDataText;
  in.Seek(offset);
  if (typeId == kFieldUInt8) return FormatInteger(in.U8());
  if (typeId == kFieldInt32) return FormatInteger(in.I32());
  return FormatReal(in.F32());
}

// What the string columns could decode at most, by their length words alone,
// counting every cell; the count stops once it passes `enough`.
uint64_t StringBytesBound(const TMemoryGFF& gff, const TListData& rows,
                          const std::vector<const TField*>& fields, uint64_t enough) {
  const std::span<const uint8_t> data = gff.RawDataBlock();
  uint64_t bound = 0;
  for (const TField* f : fields) {
    if (f->TypeId != kFieldString) continue;
    for (uint32_t k = 0; k < rows.Count; ++k) {
      const std::optional<uint32_t> o = StringOffset(gff.ListElement(rows, k), f->Offset);
      TByteReader in(data, kCorruptedRead);
      if (!o || *o == NullOffset || !in.HasAt(*o, 4)) continue;
      in.Seek(*o);
      const int32_t length = in.I32();
      if (length <= 0) continue;
      bound += 2 * std::min<uint64_t>(static_cast<uint64_t>(length), in.Left() / 2);
      if (bound > enough) return bound;
    }
  }
  return bound;
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
  const std::span<const uint8_t> element = gff.ListElement(rows, index);
  if (typeId == kFieldUInt8 || typeId == kFieldInt32 || typeId == kFieldFloat32)
    return NumberText(element, offset, typeId);
  if (typeId != kFieldString) return kUnknownTypeText;
  const std::optional<uint32_t> o = StringOffset(element, offset);
  if (!o) return kCorruptedDataText;
  uint64_t scanned = 0;
  const std::span<const uint8_t> data = gff.RawDataBlock();
  const TStringRef ref = FindString(data, *o, scanned);
  if (ref.Kind == TStringRef::skCorrupted) return kCorruptedDataText;
  return DecodeUnits(data, ref);
}

bool LoadGDAFromContainer(TCellTable& grid, const TMemoryGFF& gff, TGDALoadCounts* counts) {
  TGDALoadCounts unused;
  TGDALoadCounts& n = counts != nullptr ? *counts : unused;
  n = {};
  if (gff.FindStructByTag("gtop") != 0) return false;
  const TStruct* colm = nullptr;
  const TField* columns = ListField(gff, kLabelColumnList, "colm", &colm);
  if (columns == nullptr) return false;
  const TField* hashField = FieldByLabel(*colm, kLabelColumnHash);
  if (hashField == nullptr || hashField->TypeId != kFieldUInt32 || hashField->Flags != 0)
    return false;
  const TField* typeField = FieldByLabel(*colm, kLabelColumnType);
  if (typeField == nullptr || typeField->TypeId != kFieldUInt8 || typeField->Flags != 0)
    return false;
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
    TByteReader e(gff.ListElement(columns->ListData, c), kCorruptedRead);
    e.Seek(hashOffset);
    grid.SetCells(static_cast<int32_t>(c), 0, HashToName(e.U32()));
    e.Seek(typeOffset);
    grid.SetCells(static_cast<int32_t>(c), 1, ColumnTypeName(e.U8()));
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
  // Decoded string texts are held at most twice per string, but strings
  // that overlap (offsets inside one long string) are each decoded on their
  // own.
  // Their total stays below the text budget: reading stops before the
  // column that would pass it. Counting each string once takes a pass of
  // its own, needed only when the length words allow more than the budget.
  const std::span<const uint8_t> data = gff.RawDataBlock();
  TStringTable strings(data, n);
  const uint64_t textBudget = 2 * uint64_t{data.size()} + kTextAllowance;
  if (StringBytesBound(gff, rowList, valueFields, textBudget) > textBudget) {
    uint64_t cost = 0;
    for (size_t c = 0; c < valueFields.size() && cost <= textBudget; ++c) {
      const TField& f = *valueFields[c];
      if (f.TypeId != kFieldString) continue;
      for (uint32_t k = 0; k < rowList.Count && cost <= textBudget; ++k) {
        if (std::optional<uint32_t> o = StringOffset(gff.ListElement(rowList, k), f.Offset)) {
          cost += strings.NewCost(*o);
        }
      }
      if (cost > textBudget) valueFields.resize(c);
    }
  }
  if (valueFields.empty()) return true;
  try {
    grid.SetRowCount(static_cast<int32_t>(rowList.Count + 2));
  } catch (const Error&) {
    return true;  // more rows than a table can hold: the columns stay
  }
  // Row by row, so that each stored row is filled while it is at hand; the
  // cells are the same as when filled column by column. The strings of the
  // next rows are asked for ahead: their slots and texts lie scattered in
  // memory, and each cell would otherwise wait for them.
  for (uint32_t k = 0; k < rowList.Count; ++k) {
    const auto row = static_cast<int32_t>(k + 2);
    const std::span<const uint8_t> element = gff.ListElement(rowList, k);
    const std::span<const uint8_t> next = gff.ListElement(rowList, k + 1);
    const std::span<const uint8_t> afterNext = gff.ListElement(rowList, k + 2);
    for (size_t c = 0; c < valueFields.size(); ++c) {
      const TField& f = *valueFields[c];
      const auto col = static_cast<int32_t>(c);
      if (f.TypeId == kFieldString) {
        if (std::optional<uint32_t> o = StringOffset(afterNext, f.Offset)) strings.PrefetchSlot(*o);
        if (std::optional<uint32_t> o = StringOffset(next, f.Offset)) strings.PrefetchText(*o);
        if (std::optional<uint32_t> o = StringOffset(element, f.Offset)) {
          strings.Store(grid, col, row, *o);
        } else {
          grid.SetCells(col, row, strings.Corrupted());
        }
      } else if (f.TypeId == kFieldUInt8 || f.TypeId == kFieldInt32 || f.TypeId == kFieldFloat32) {
        grid.SetCells(col, row, NumberText(element, f.Offset, f.TypeId));
      } else {
        grid.SetCells(col, row, strings.UnknownType());
      }
    }
  }
  return true;
}

bool LoadGDA(TCellTable& grid, const std::filesystem::path& filename) {
  TMemoryGFF gff;
  if (!gff.Load(filename)) return false;
  return LoadGDAFromContainer(grid, gff);
}

}  // namespace tessary

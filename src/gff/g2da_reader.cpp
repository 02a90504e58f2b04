#include <algorithm>
#include <bit>
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

// Strings are first scanned this far unit by unit; a scan that goes on
// continues through TZeroUnits, which remembers long stretches.
constexpr uint64_t kQuickUnits = 8;

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
// examined; a scan that goes on past kQuickUnits continues in `zeros`
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
  const uint64_t quick = zeros != nullptr ? std::min(limit, kQuickUnits) : limit;
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

// The code units of a string, decoded from UTF-16LE into `out`.
void DecodeUnits(std::span<const uint8_t> data, const TStringRef& ref, char16_t* out) {
  TByteReader in(data, kCorruptedRead);
  in.Seek(ref.First);
  const uint8_t* p = in.Bytes(2 * ref.Units).data();
  for (uint64_t i = 0; i < ref.Units; ++i) out[i] = GetU16(p + 2 * i);
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

// A bit per byte offset of the data area, or per window of 2^shift bytes.
class TOffsetBits {
 public:
  TOffsetBits(uint64_t size, int shift) : FSize(size), FShift(shift) {}
  // Sets the bit of `o`; whether it was set before.
  bool TestAndSet(uint32_t o) {
    if (FWords.empty()) FWords.resize((FSize >> FShift) / 64 + 1);
    const uint64_t i = o >> FShift;
    uint64_t& word = FWords[i / 64];
    const uint64_t bit = uint64_t{1} << (i % 64);
    const bool was = (word & bit) != 0;
    word |= bit;
    return was;
  }
  bool Test(uint32_t o) const {
    const uint64_t i = o >> FShift;
    return o < FSize && !FWords.empty() && (FWords[i / 64] >> (i % 64) & 1) != 0;
  }
  // Calls f(o) for each offset whose bit is set, in order (shift 0 only);
  // stops when f returns false.
  template <typename TF>
  void ForEach(TF&& f) const {
    for (size_t w = 0; w < FWords.size(); ++w) {
      for (uint64_t bits = FWords[w]; bits != 0; bits &= bits - 1) {
        if (!f(static_cast<uint32_t>(64 * w + std::countr_zero(bits)))) return;
      }
    }
  }

 private:
  uint64_t FSize;
  int FShift;
  std::vector<uint64_t> FWords;
};

// The strings of one load, decoded straight into the cell table's store.
// The offsets that more than one cell refers to are marked first (Note), so
// that each string is decoded once: a string of one cell into that cell, a
// string of several cells into one text they all share. Each string's end
// is found once. The error texts are shared too.
class TStringTable {
 public:
  TStringTable(TCellTable& grid, std::span<const uint8_t> data, TGDALoadCounts& counts)
      : FGrid(grid),
        FData(data),
        FZeros(data),
        FCounts(counts),
        FSeen(data.size(), 0),
        FAgain(data.size(), kWindowShift),
        FCosted(data.size(), 0) {}
  ~TStringTable() {
    for (TSlot& s : FSlots) FGrid.ReleaseText(s.Text);
    FGrid.ReleaseText(FCorrupted);
    FGrid.ReleaseText(FUnknownType);
  }
  TStringTable(const TStringTable&) = delete;
  TStringTable& operator=(const TStringTable&) = delete;

  // A cell refers to the string at `o`. Offsets past the data only ever
  // give the error text.
  void Note(uint32_t o) {
    if (o >= FData.size() || !FSeen.TestAndSet(o) || FAgain.TestAndSet(o)) return;
    ++FShared;
  }
  // What the strings noted could decode at most, by their length words: each
  // offset once, as each is decoded once. The count stops once it passes
  // `enough`. One pass over the data area in the order of the offsets.
  uint64_t TextBytesBound(uint64_t enough) const {
    uint64_t bound = 0;
    FSeen.ForEach([&](uint32_t o) {
      TByteReader in(FData, kCorruptedRead);
      if (!in.HasAt(o, 4)) return true;
      in.Seek(o);
      const int32_t length = in.I32();
      if (length > 0) bound += 2 * std::min<uint64_t>(static_cast<uint64_t>(length), in.Left() / 2);
      return bound <= enough;
    });
    return bound;
  }
  // After the notes: room for a slot for each string that several cells
  // refer to.
  void SizeSlots() {
    size_t size = FSlots.size();
    while (4 * (FUsed + FShared) > 3 * size) size *= 2;
    if (size > FSlots.size()) Rehash(size);
  }

  // The bytes of store text a cell referring to `o` adds: the string's
  // units the first time an offset is asked for, 0 after that and for a
  // text held in its cell. Every string asked for gets a slot.
  uint64_t NewCost(uint32_t o) {
    if (o >= FData.size() || FCosted.TestAndSet(o)) return 0;
    FAllSlots = true;
    const uint32_t units = Units(o, *Slot(o));
    return units != kCorrupted && units > TCellText::kInlineUnits ? 2 * uint64_t{units} : 0;
  }

  void Store(int32_t col, int32_t row, uint32_t o) {
    if (!FAllSlots && !FAgain.Test(o)) {
      uint64_t scanned = 0;
      const TStringRef ref = FindString(FData, o, scanned, &FZeros);
      FCounts.UnitsScanned += scanned;
      if (ref.Kind == TStringRef::skCorrupted) {
        FGrid.SetCells(col, row, Corrupted());
      } else {
        FGrid.SetCells(col, row, Decode(ref));
      }
      return;
    }
    TSlot& s = *Slot(o);
    const uint32_t units = Units(o, s);
    if (units == kCorrupted) {
      FGrid.SetCells(col, row, Corrupted());
      return;
    }
    if (s.Text.Empty() && units > 0) {
      s.Text = Decode(TStringRef{TStringRef::skText, uint64_t{o} + 4, units});
    }
    FGrid.SetCells(col, row, s.Text);
  }

  // Asks for the slot a later Store of `o` reads.
  void PrefetchSlot(uint32_t o) const {
    if (FAgain.Test(o)) Prefetch(&FSlots[Hash(o) & (FSlots.size() - 1)]);
  }

  TSharedText& Corrupted() {
    if (FCorrupted.Empty()) FCorrupted = FGrid.ShareText(kCorruptedDataText);
    return FCorrupted;
  }
  TSharedText& UnknownType() {
    if (FUnknownType.Empty()) FUnknownType = FGrid.ShareText(kUnknownTypeText);
    return FUnknownType;
  }

 private:
  // A string more than one cell refers to (or whose cost was counted): its
  // offset, its length in code units once found (or one of the marks
  // below), and once decoded the text its cells share. The slots form an
  // open-addressing table, so that a lookup mostly touches one cache line.
  static constexpr uint32_t kFree = 0xFFFFFFFF;
  static constexpr uint32_t kUnscanned = 0xFFFFFFFE;
  static constexpr uint32_t kCorrupted = 0xFFFFFFFD;
  struct TSlot {
    uint32_t Key = kFree;
    uint32_t Units = kUnscanned;
    TSharedText Text;
  };
  static uint64_t Hash(uint32_t o) { return (o * uint64_t{0x9E3779B97F4A7C15}) >> 32; }

  // The slot of `o`, added when missing.
  TSlot* Slot(uint32_t o) {
    uint64_t mask = FSlots.size() - 1;
    uint64_t i = Hash(o) & mask;
    for (; FSlots[i].Key != kFree; i = (i + 1) & mask) {
      if (FSlots[i].Key == o) return &FSlots[i];
    }
    if (4 * (FUsed + 1) > 3 * FSlots.size()) {
      Rehash(2 * FSlots.size());
      mask = FSlots.size() - 1;
      for (i = Hash(o) & mask; FSlots[i].Key != kFree;) i = (i + 1) & mask;
    }
    ++FUsed;
    FSlots[i].Key = o;
    return &FSlots[i];
  }

  // The string's length in code units, found the first time it is asked.
  uint32_t Units(uint32_t o, TSlot& s) {
    if (s.Units != kUnscanned) return s.Units;
    uint64_t scanned = 0;
    const TStringRef ref = FindString(FData, o, scanned, &FZeros);
    FCounts.UnitsScanned += scanned;
    s.Units = ref.Kind == TStringRef::skCorrupted ? kCorrupted : static_cast<uint32_t>(ref.Units);
    return s.Units;
  }

  // The string's text in the store; texts of more than three code units
  // are counted as held.
  TSharedText Decode(const TStringRef& ref) {
    if (ref.Units > TCellText::kInlineUnits) FCounts.TextBytesHeld += 2 * ref.Units;
    return FGrid.ShareText(static_cast<size_t>(ref.Units),
                           [&](char16_t* out) { DecodeUnits(FData, ref, out); });
  }

  void Rehash(size_t size) {
    std::vector<TSlot> slots(size);
    const uint64_t mask = slots.size() - 1;
    for (TSlot& s : FSlots) {
      if (s.Key == kFree) continue;
      uint64_t i = Hash(s.Key) & mask;
      while (slots[i].Key != kFree) i = (i + 1) & mask;
      slots[i] = std::move(s);
    }
    FSlots = std::move(slots);
  }

  TCellTable& FGrid;
  std::span<const uint8_t> FData;
  TZeroUnits FZeros;
  TGDALoadCounts& FCounts;
  // A string referred to by a cell; by more than one cell (kept for each
  // window of 8 bytes, so that the bits a load tests stay in the cache:
  // strings sharing a window with such a string get a slot too); counted
  // against the text budget.
  static constexpr int kWindowShift = 3;
  TOffsetBits FSeen;
  TOffsetBits FAgain;
  TOffsetBits FCosted;
  bool FAllSlots = false;  // the budget was counted: every string has a slot
  std::vector<TSlot> FSlots = std::vector<TSlot>(1024);
  uint64_t FUsed = 0;
  uint64_t FShared = 0;
  TSharedText FCorrupted;
  TSharedText FUnknownType;
};

// The string offset stored at `offset` of a row element; nothing when the
// four bytes do not lie within the element.
// Called for every string cell, and for the rows ahead: kept inline.
[[gnu::always_inline]] inline std::optional<uint32_t> StringOffset(std::span<const uint8_t> element,
                                                                   uint32_t offset) {
  TByteReader in(element, kCorruptedRead);
  if (!in.HasAt(offset, 4)) return std::nullopt;
  in.Seek(offset);
  return in.U32();
}

// The text of a number stored at `offset` of a row element, written into
// `out` (kNumberTextUnits code units); its length.
size_t NumberText(std::span<const uint8_t> element, uint32_t offset, uint16_t typeId,
                  char16_t* out) {
  TByteReader in(element, kCorruptedRead);
  if (!in.HasAt(offset, typeId == kFieldUInt8 ? 1 : 4)) {
    return std::u16string_view(kCorruptedDataText).copy(out, kNumberTextUnits);
  }
  in.Seek(offset);
  if (typeId == kFieldUInt8) return FormatIntegerTo(in.U8(), out);
  if (typeId == kFieldInt32) return FormatIntegerTo(in.I32(), out);
  return FormatRealTo(in.F32(), out);
}

// The column list: ColCount and the names and type names of rows 0 and 1.
// False, with the table unchanged, when the head is not a table's.
bool ReadColumns(TCellTable& grid, const TMemoryGFF& gff) {
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
  return true;
}

// The value field of each column: labels 10005, 10006, ... up to the first
// one missing (the first field of each label counts), and no further than
// the cell budget or the last column a table can hold.
std::vector<const TField*> ValueFields(const TStruct& rowStruct, const TListData& rowList,
                                       uint64_t cellBudget) {
  std::unordered_map<uint32_t, const TField*> byLabel;
  for (const TField& f : rowStruct.Fields) byLabel.emplace(f.Label, &f);
  std::vector<const TField*> fields;
  for (uint32_t c = 0; c < rowStruct.FieldCount && c < uint32_t{TCellTable::kMaxCount}; ++c) {
    auto it = byLabel.find(kLabelFirstValue + c);
    if (it == byLabel.end()) break;
    if (uint64_t{c + 1} * rowList.Count > cellBudget) break;
    fields.push_back(it->second);
  }
  return fields;
}

// Decoded texts are held once per string, but strings that overlap
// (offsets inside one long string) are each decoded on their own. Their
// total stays below the text budget: `fields` is cut before the column that
// would pass it. Counting each string's cost in column order takes a pass of
// its own, needed only when the length words allow more than the budget.
void ApplyTextBudget(const TMemoryGFF& gff, const TListData& rowList, TStringTable& strings,
                     std::vector<const TField*>& fields) {
  const uint64_t textBudget = 2 * uint64_t{gff.RawDataBlock().size()} + kTextAllowance;
  if (strings.TextBytesBound(textBudget) <= textBudget) return;
  uint64_t cost = 0;
  for (size_t c = 0; c < fields.size() && cost <= textBudget; ++c) {
    const TField& f = *fields[c];
    if (f.TypeId != kFieldString) continue;
    for (uint32_t k = 0; k < rowList.Count && cost <= textBudget; ++k) {
      if (std::optional<uint32_t> o = StringOffset(gff.ListElement(rowList, k), f.Offset)) {
        cost += strings.NewCost(*o);
      }
    }
    if (cost > textBudget) fields.resize(c);
  }
}

// Marks the string offsets that cells refer to, and those that more than
// one cell refers to.
void NoteStrings(const TMemoryGFF& gff, const TListData& rowList,
                 const std::vector<const TField*>& fields, TStringTable& strings) {
  for (uint32_t k = 0; k < rowList.Count; ++k) {
    const std::span<const uint8_t> element = gff.ListElement(rowList, k);
    for (const TField* f : fields) {
      if (f->TypeId != kFieldString) continue;
      if (std::optional<uint32_t> o = StringOffset(element, f->Offset)) strings.Note(*o);
    }
  }
}

// The value cells, row by row, so that each stored row is filled while it
// is at hand; the cells are the same as when filled column by column. The
// slots of the shared strings two rows ahead are asked for early: they lie
// scattered in memory, and each cell would otherwise wait for them.
void ReadRows(TCellTable& grid, const TMemoryGFF& gff, const TListData& rowList,
              const std::vector<const TField*>& fields, TStringTable& strings) {
  char16_t number[kNumberTextUnits];
  for (uint32_t k = 0; k < rowList.Count; ++k) {
    const auto row = static_cast<int32_t>(k + 2);
    const std::span<const uint8_t> element = gff.ListElement(rowList, k);
    const std::span<const uint8_t> afterNext = gff.ListElement(rowList, k + 2);
    for (size_t c = 0; c < fields.size(); ++c) {
      const TField& f = *fields[c];
      const auto col = static_cast<int32_t>(c);
      if (f.TypeId == kFieldString) {
        if (std::optional<uint32_t> o = StringOffset(afterNext, f.Offset)) strings.PrefetchSlot(*o);
        if (std::optional<uint32_t> o = StringOffset(element, f.Offset)) {
          strings.Store(col, row, *o);
        } else {
          grid.SetCells(col, row, strings.Corrupted());
        }
      } else if (f.TypeId == kFieldUInt8 || f.TypeId == kFieldInt32 || f.TypeId == kFieldFloat32) {
        const size_t length = NumberText(element, f.Offset, f.TypeId, number);
        grid.SetCells(col, row, std::u16string_view(number, length));
      } else {
        grid.SetCells(col, row, strings.UnknownType());
      }
    }
  }
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
  if (typeId == kFieldUInt8 || typeId == kFieldInt32 || typeId == kFieldFloat32) {
    char16_t number[kNumberTextUnits];
    return std::u16string(number, NumberText(element, offset, typeId, number));
  }
  if (typeId != kFieldString) return kUnknownTypeText;
  const std::optional<uint32_t> o = StringOffset(element, offset);
  if (!o) return kCorruptedDataText;
  uint64_t scanned = 0;
  const std::span<const uint8_t> data = gff.RawDataBlock();
  const TStringRef ref = FindString(data, *o, scanned);
  if (ref.Kind == TStringRef::skCorrupted) return kCorruptedDataText;
  std::u16string text(static_cast<size_t>(ref.Units), u'\0');
  DecodeUnits(data, ref, text.data());
  return text;
}

bool LoadGDAFromContainer(TCellTable& grid, const TMemoryGFF& gff, TGDALoadCounts* counts) {
  TGDALoadCounts unused;
  TGDALoadCounts& n = counts != nullptr ? *counts : unused;
  n = {};
  if (!ReadColumns(grid, gff)) return false;

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
  std::vector<const TField*> fields = ValueFields(*rowStruct, rowList, cellBudget);
  TStringTable strings(grid, gff.RawDataBlock(), n);
  NoteStrings(gff, rowList, fields, strings);
  ApplyTextBudget(gff, rowList, strings, fields);
  if (fields.empty()) return true;
  try {
    grid.SetRowCount(static_cast<int32_t>(rowList.Count + 2));
  } catch (const Error&) {
    return true;  // more rows than a table can hold: the columns stay
  }
  strings.SizeSlots();
  ReadRows(grid, gff, rowList, fields, strings);
  return true;
}

bool LoadGDA(TCellTable& grid, const std::filesystem::path& filename) {
  TMemoryGFF gff;
  if (!gff.Load(filename)) return false;
  return LoadGDAFromContainer(grid, gff);
}

}  // namespace tessary

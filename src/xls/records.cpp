#include "xls/records.h"

#include <algorithm>
#include <type_traits>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"
#include "xls/cell_records.h"
#include "xls/formats.h"

namespace tessary {

// ---- small payload helpers ----

static bool NeedsWideChars(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
}

// Reads `count` characters after an option byte whose bit 0 selects 16-bit
// characters; false when they do not fit the reader's bytes.
static bool ReadChars(TByteReader& in, size_t count, uint8_t options, std::u16string& out) {
  const size_t width = (options & 0x01) ? 2 : 1;
  if (count > in.Left() / width) return false;
  out.resize(count);
  for (size_t i = 0; i < count; ++i) out[i] = width == 2 ? in.U16() : in.U8();
  return true;
}

// Appends an option byte and the characters, 8-bit unless one needs 16 bits.
static void AppendChars(std::vector<uint8_t>& out, std::u16string_view text) {
  const bool wide = NeedsWideChars(text);
  out.push_back(wide ? 1 : 0);
  for (char16_t c : text) {
    if (wide) {
      AppendU16(out, c);
    } else {
      out.push_back(static_cast<uint8_t>(c));
    }
  }
}

// ---- TBOFRecord ----

TBOFRecord::TBOFRecord(uint16_t id, std::vector<uint8_t> data) : TBaseRecord(id, std::move(data)) {
  if (Data.size() < kMinSize) ThrowFileInvalid();
  if (Version() != kBiff8Version) {
    throw Error("Template file is saved with an invalid Excel version");
  }
}

// ---- TWindow2Record ----

void TWindow2Record::SetOption(uint16_t bits, bool on) {
  SetOptions(on ? (Options() | bits) : (Options() & ~bits));
}

// ---- TBoundSheetRecord ----

std::unique_ptr<TBoundSheetRecord> TBoundSheetRecord::Build(uint16_t optionFlags,
                                                            std::u16string_view name) {
  if (name.size() > 255) throw Error("Invalid String record");
  std::vector<uint8_t> data;
  AppendU32(data, 0);
  AppendU16(data, optionFlags);
  data.push_back(static_cast<uint8_t>(name.size()));
  AppendChars(data, name);
  return std::make_unique<TBoundSheetRecord>(xlsid::BOUNDSHEET, std::move(data));
}

// The name of a BOUNDSHEET payload; false when it does not fit.
static bool ReadSheetName(const std::vector<uint8_t>& data, std::u16string& name) {
  TByteReader in(data, kFileInvalidText);
  if (!in.Has(TBoundSheetRecord::kMinSize)) return false;
  in.Seek(TBoundSheetRecord::kOfsName);
  const uint8_t count = in.U8();
  const uint8_t options = in.U8();
  return ReadChars(in, count, options, name);
}

std::u16string TBoundSheetRecord::SheetName() const {
  std::u16string name;
  if (!ReadSheetName(Data, name)) ThrowFileInvalid();
  return name;
}

void TBoundSheetRecord::SetSheetName(std::u16string_view name) {
  std::unique_ptr<TBoundSheetRecord> rebuilt = Build(OptionFlags(), name);
  rebuilt->SetPosition(Position());
  Data = std::move(rebuilt->Data);
}

// ---- TCodeNameRecord ----

std::unique_ptr<TCodeNameRecord> TCodeNameRecord::Build(std::u16string_view name) {
  std::vector<uint8_t> data;
  AppendU16(data, static_cast<uint16_t>(std::min<size_t>(name.size(), 0xFFFF)));
  AppendChars(data, name.substr(0, 0xFFFF));
  return std::make_unique<TCodeNameRecord>(xlsid::CODENAME, std::move(data));
}

std::u16string TCodeNameRecord::Name() const {
  TByteReader in(Data, kFileInvalidText);
  std::u16string name;
  if (!in.Has(3)) return {};
  const uint16_t count = in.U16();
  const uint8_t options = in.U8();
  if (!ReadChars(in, count, options, name)) return {};
  return name;
}

// ---- palette ----

// The BIFF8 default colours of palette entries 8 to 63, as 0x00BBGGRR.
static constexpr uint32_t kStandardPalette[kPaletteSize] = {
    0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00,
    0x000080, 0x008000, 0x800000, 0x008080, 0x800080, 0x808000, 0xC0C0C0, 0x808080,
    0xFF9999, 0x663399, 0xCCFFFF, 0xFFFFCC, 0x660066, 0x8080FF, 0xCC6600, 0xFFCCCC,
    0x800000, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0x800080, 0x000080, 0x808000, 0xFF0000,
    0xFFCC00, 0xFFFFCC, 0xCCFFCC, 0x99FFFF, 0xFFCC99, 0xCC99FF, 0xFF99CC, 0x99CCFF,
    0xFF6633, 0xCCCC33, 0x00CC99, 0x00CCFF, 0x0099FF, 0x0066FF, 0x996666, 0x969696,
    0x663300, 0x669933, 0x003300, 0x003333, 0x003399, 0x663399, 0x993333, 0x333333};

uint32_t StandardPaletteColor(int index) {
  if (index < 0 || index >= kPaletteSize) {
    ThrowError("The index \"%d\" of the property \"%s\" is not in the range %d-%d", index,
               "Palette index", 0, kPaletteSize - 1);
  }
  return kStandardPalette[index];
}

std::unique_ptr<TPaletteRecord> TPaletteRecord::BuildStandard() {
  std::vector<uint8_t> data;
  AppendU16(data, kPaletteSize);
  for (uint32_t color : kStandardPalette) AppendU32(data, color);
  return std::make_unique<TPaletteRecord>(xlsid::PALETTE, std::move(data));
}

uint32_t TPaletteRecord::ColorCount() const {
  return std::min<uint32_t>(U16At(kOfsCount),
                            static_cast<uint32_t>((Data.size() - kOfsColors) / 4));
}

uint32_t TPaletteRecord::Color(uint32_t index) const {
  return index < ColorCount() ? U32At(kOfsColors + 4 * index) : 0;
}

void TPaletteRecord::SetColor(uint32_t index, uint32_t color) {
  if (index < ColorCount()) SetU32At(kOfsColors + 4 * index, color);
}

// ---- references ----

uint32_t TExternSheetRecord::EntryCount() const {
  if (Data.size() < kOfsEntries) return 0;
  return std::min<uint32_t>(U16At(kOfsCount),
                            static_cast<uint32_t>((Data.size() - kOfsEntries) / kEntrySize));
}

void TExternSheetRecord::ShiftSheets(uint16_t supBook, uint16_t first, int delta) {
  constexpr uint16_t kDeleted = 0xFFFF;
  const uint32_t count = EntryCount();
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* entry = Data.data() + kOfsEntries + kEntrySize * i;
    if (GetU16(entry) != supBook) continue;
    uint16_t lo = GetU16(entry + 2);
    uint16_t hi = GetU16(entry + 4);
    if (lo >= 0xFFFE || hi >= 0xFFFE) continue;  // workbook-level or already deleted
    if (delta >= 0) {
      if (lo >= first) lo = static_cast<uint16_t>(lo + delta);
      if (hi >= first) hi = static_cast<uint16_t>(hi + delta);
    } else {
      const int removed = -delta;
      const auto inRange = [&](uint16_t v) { return v >= first && v < first + removed; };
      if (inRange(lo) && inRange(hi)) {
        lo = hi = kDeleted;
      } else {
        // A range that reaches into the removed sheets shrinks to what is left.
        if (inRange(lo))
          lo = first;
        else if (lo >= first + removed)
          lo = static_cast<uint16_t>(lo - removed);
        if (inRange(hi))
          hi = static_cast<uint16_t>(first - 1);
        else if (hi >= first + removed)
          hi = static_cast<uint16_t>(hi - removed);
      }
    }
    PutU16(entry + 2, lo);
    PutU16(entry + 4, hi);
  }
}

bool TSupBookRecord::IsSelfReference() const {
  // A sheet count and the marker 0x0401, nothing else.
  return Data.size() == 4 && U16At(2) == 0x0401;
}

// ---- THLinkRecord ----

THLinkRecord::THLinkRecord(const THLinkRecord& other) : TBaseRecord(other) {
  if (other.FToolTip) FToolTip = other.FToolTip->Clone();
}

void THLinkRecord::SaveToStream(TRecordStream& stream) const {
  TBaseRecord::SaveToStream(stream);
  if (FToolTip) FToolTip->SaveToStream(stream);
}

void THLinkRecord::AttachToolTip(std::unique_ptr<TBaseRecord> toolTip) {
  if (FToolTip) ThrowFileInvalid();
  FToolTip = std::move(toolTip);
}

// ---- formulas ----

void AttachToFormula(TBaseRecord& formula, std::unique_ptr<TBaseRecord> record) {
  auto* owner = dynamic_cast<TFormulaRecord*>(&formula);
  if (owner == nullptr) ThrowFileInvalid();
  owner->Attach(std::move(record));
}

// ---- factory ----

bool IsDroppedRecordType(uint16_t id) {
  switch (id) {
    case xlsid::XCT:
    case xlsid::CRN:
    case xlsid::DBCELL:
    case xlsid::MSODRAWINGSELECTION:
    case xlsid::EXTSST:
    case xlsid::RECALCID:
    case xlsid::INDEX:
    case xlsid::FBI:
      return true;
    default:
      return false;
  }
}

namespace {

// The class that reads the records of `id` into fields, handed to `visit`
// as a std::type_identity: the one list of them, for their minimum sizes and
// for making them. Other ids get TBaseRecord (cell records are the cell
// block's).
template <class TVisit>
decltype(auto) WithRecordClass(uint16_t id, TVisit&& visit) {
  switch (id) {
    case xlsid::BOF:
      return visit(std::type_identity<TBOFRecord>{});
    case xlsid::DATEMODE:
    case xlsid::PRECISION:
    case xlsid::BOOKBOOL:
    case xlsid::WSBOOL:
    case xlsid::DEFCOLWIDTH:
    case xlsid::STANDARDWIDTH:
      return visit(std::type_identity<TWordRecord>{});
    case xlsid::WINDOW1:
      return visit(std::type_identity<TWindow1Record>{});
    case xlsid::WINDOW2:
      return visit(std::type_identity<TWindow2Record>{});
    case xlsid::DEFAULTROWHEIGHT:
      return visit(std::type_identity<TDefRowHeightRecord>{});
    case xlsid::BOUNDSHEET:
      return visit(std::type_identity<TBoundSheetRecord>{});
    case xlsid::CODENAME:
      return visit(std::type_identity<TCodeNameRecord>{});
    case xlsid::PALETTE:
      return visit(std::type_identity<TPaletteRecord>{});
    case xlsid::EXTERNSHEET:
      return visit(std::type_identity<TExternSheetRecord>{});
    case xlsid::SUPBOOK:
      return visit(std::type_identity<TSupBookRecord>{});
    case xlsid::NAME:
      return visit(std::type_identity<TNameRecord>{});
    case xlsid::HLINK:
      return visit(std::type_identity<THLinkRecord>{});
    case xlsid::CONTINUE:
      return visit(std::type_identity<TContinueRecord>{});
    case xlsid::FORMAT:
      return visit(std::type_identity<TFormatRecord>{});
    default:
      return visit(std::type_identity<TBaseRecord>{});
  }
}

}  // namespace

size_t MinPayloadSize(uint16_t id) {
  return WithRecordClass(id, [id]<class T>(std::type_identity<T>) -> size_t {
    if constexpr (requires { T::kMinSize; }) {
      return T::kMinSize;
    } else if constexpr (std::is_same_v<T, TBaseRecord>) {
      return CellBlockMinPayloadSize(id);
    } else {
      return 0;
    }
  });
}

bool PayloadFits(uint16_t id, std::span<const uint8_t> payload) {
  constexpr size_t kMaxPadding = 3;  // less than a record header
  const size_t min = MinPayloadSize(id);
  if (payload.size() < min) return false;
  if (!IsFixedSizeCellRecord(id)) return true;
  return payload.size() - min <= kMaxPadding &&
         std::all_of(payload.begin() + static_cast<std::ptrdiff_t>(min), payload.end(),
                     [](uint8_t b) { return b == 0; });
}

std::unique_ptr<TBaseRecord> CreateRecord(uint16_t id, std::vector<uint8_t> data) {
  if (id == xlsid::FILEPASS) throw Error("File is password protected");
  if (IsDroppedRecordType(id)) return std::make_unique<TIgnoreRecord>(id, std::move(data));
  // The one rule for payloads too short for the fields the engine reads, or
  // of a length their fixed layout cannot have: the file is refused, never
  // read past its records.
  if (!PayloadFits(id, data)) ThrowFileInvalid();
  return WithRecordClass(id, [&]<class T>(std::type_identity<T>) -> std::unique_ptr<TBaseRecord> {
    if constexpr (std::is_same_v<T, TBaseRecord>) {
      if (auto record = CreateCellRecord(id, data)) return record;
    } else if constexpr (std::is_same_v<T, TBoundSheetRecord>) {
      std::u16string name;
      if (!ReadSheetName(data, name)) ThrowFileInvalid();
    }
    return std::make_unique<T>(id, std::move(data));
  });
}

std::unique_ptr<TBaseRecord> PlainCopy(const TBaseRecord& record) {
  auto copy = std::make_unique<TBaseRecord>(record.Id, record.Data);
  TBaseRecord* last = copy.get();
  for (const TContinueRecord* c = record.Continue.get(); c != nullptr; c = c->Continue.get()) {
    last->Continue = std::make_unique<TContinueRecord>(c->Id, c->Data);
    last = last->Continue.get();
  }
  return copy;
}

}  // namespace tessary

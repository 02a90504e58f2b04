#include "xls/records.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/error.h"
#include "xls/cell_records.h"
#include "xls/formats.h"

namespace tessary {

void ThrowFileInvalid() { throw Error(kFileInvalidText); }

// ---- small payload helpers ----

static uint16_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
  return offset + 2 <= data.size() ? GetU16(data.data() + offset) : 0;
}

static void SetWordAt(std::vector<uint8_t>& data, size_t offset, uint16_t value) {
  if (offset + 2 <= data.size()) PutU16(data.data() + offset, value);
}

static bool NeedsWideChars(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
}

// Characters of a BIFF8 string body: `count` characters after an option byte
// whose bit 0 selects 16-bit characters. Returns false when they do not fit.
static bool ReadChars(const std::vector<uint8_t>& data, size_t pos, size_t count, uint8_t options,
                      std::u16string& out) {
  const size_t width = (options & 0x01) ? 2 : 1;
  if (pos > data.size() || count * width > data.size() - pos) return false;
  out.resize(count);
  for (size_t i = 0; i < count; ++i) {
    out[i] = width == 2 ? static_cast<char16_t>(GetU16(data.data() + pos + 2 * i))
                        : static_cast<char16_t>(data[pos + i]);
  }
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

// ---- TWordRecord ----

uint16_t TWordRecord::Value() const { return WordAt(Data, 0); }
void TWordRecord::SetValue(uint16_t value) { SetWordAt(Data, 0, value); }

// ---- TBOFRecord ----

TBOFRecord::TBOFRecord(uint16_t id, std::vector<uint8_t> data) : TBaseRecord(id, std::move(data)) {
  if (Data.size() < 4) ThrowFileInvalid();
  if (Version() != kBiff8Version) {
    throw Error("Template file is saved with an invalid Excel version");
  }
}

uint16_t TBOFRecord::Version() const { return WordAt(Data, 0); }
uint16_t TBOFRecord::Kind() const { return WordAt(Data, 2); }

// ---- TWindow1Record ----

uint16_t TWindow1Record::ActiveTab() const { return WordAt(Data, 10); }
void TWindow1Record::SetActiveTab(uint16_t value) { SetWordAt(Data, 10, value); }
uint16_t TWindow1Record::FirstVisibleTab() const { return WordAt(Data, 12); }
void TWindow1Record::SetFirstVisibleTab(uint16_t value) { SetWordAt(Data, 12, value); }
uint16_t TWindow1Record::SelectedTabs() const { return WordAt(Data, 14); }
void TWindow1Record::SetSelectedTabs(uint16_t value) { SetWordAt(Data, 14, value); }

// ---- TWindow2Record ----

uint16_t TWindow2Record::Options() const { return WordAt(Data, 0); }
void TWindow2Record::SetOptions(uint16_t value) { SetWordAt(Data, 0, value); }
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

uint32_t TBoundSheetRecord::Position() const { return Data.size() >= 4 ? GetU32(Data.data()) : 0; }
void TBoundSheetRecord::SetPosition(uint32_t value) {
  if (Data.size() >= 4) PutU32(Data.data(), value);
}
uint16_t TBoundSheetRecord::OptionFlags() const { return WordAt(Data, 4); }
void TBoundSheetRecord::SetOptionFlags(uint16_t value) { SetWordAt(Data, 4, value); }

bool TBoundSheetRecord::IsWellFormed() const {
  if (Data.size() < 8) return false;
  std::u16string name;
  return ReadChars(Data, 8, Data[6], Data[7], name);
}

std::u16string TBoundSheetRecord::SheetName() const {
  std::u16string name;
  if (Data.size() < 8 || !ReadChars(Data, 8, Data[6], Data[7], name)) return {};
  return name;
}

int64_t TBoundSheetRecord::SetSheetName(std::u16string_view name) {
  std::unique_ptr<TBoundSheetRecord> rebuilt = Build(OptionFlags(), name);
  rebuilt->SetPosition(Position());
  const int64_t delta =
      static_cast<int64_t>(rebuilt->Data.size()) - static_cast<int64_t>(Data.size());
  Data = std::move(rebuilt->Data);
  return delta;
}

// ---- TGutsRecord ----

void TGutsRecord::SetLevels(uint16_t rowLevel, uint16_t colLevel) {
  // Levels are stored one above the deepest outline level, 0 without outline.
  SetWordAt(Data, 4, rowLevel == 0 ? 0 : static_cast<uint16_t>(rowLevel + 1));
  SetWordAt(Data, 6, colLevel == 0 ? 0 : static_cast<uint16_t>(colLevel + 1));
}

// ---- TDefRowHeightRecord ----

uint16_t TDefRowHeightRecord::Height() const { return WordAt(Data, 2); }

// ---- TCodeNameRecord ----

std::unique_ptr<TCodeNameRecord> TCodeNameRecord::Build(std::u16string_view name) {
  std::vector<uint8_t> data;
  AppendU16(data, static_cast<uint16_t>(std::min<size_t>(name.size(), 0xFFFF)));
  AppendChars(data, name.substr(0, 0xFFFF));
  return std::make_unique<TCodeNameRecord>(xlsid::CODENAME, std::move(data));
}

std::u16string TCodeNameRecord::Name() const {
  std::u16string name;
  if (Data.size() < 3 || !ReadChars(Data, 3, GetU16(Data.data()), Data[2], name)) return {};
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
  if (Data.size() < 2) return 0;
  return std::min<uint32_t>(GetU16(Data.data()), static_cast<uint32_t>((Data.size() - 2) / 4));
}

uint32_t TPaletteRecord::Color(uint32_t index) const {
  return index < ColorCount() ? GetU32(Data.data() + 2 + 4 * index) : 0;
}

void TPaletteRecord::SetColor(uint32_t index, uint32_t color) {
  if (index < ColorCount()) PutU32(Data.data() + 2 + 4 * index, color);
}

// ---- references ----

uint32_t TExternSheetRecord::EntryCount() const {
  if (Data.size() < 2) return 0;
  return std::min<uint32_t>(GetU16(Data.data()), static_cast<uint32_t>((Data.size() - 2) / 6));
}

void TExternSheetRecord::ShiftSheets(uint16_t supBook, uint16_t first, int delta) {
  constexpr uint16_t kDeleted = 0xFFFF;
  const uint32_t count = EntryCount();
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* entry = Data.data() + 2 + 6 * i;
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
  return Data.size() == 4 && GetU16(Data.data() + 2) == 0x0401;
}

void TSupBookRecord::SetSheetCount(uint16_t count) { SetWordAt(Data, 0, count); }

uint16_t TNameRecord::SheetIndex() const { return WordAt(Data, 8); }
void TNameRecord::SetSheetIndex(uint16_t value) { SetWordAt(Data, 8, value); }

// ---- THLinkRecord ----

THLinkRecord::THLinkRecord(const THLinkRecord& other) : TBaseRecord(other) {
  if (other.FToolTip) FToolTip = other.FToolTip->Clone();
}

void THLinkRecord::SaveToStream(TRecordStream& stream) const {
  TBaseRecord::SaveToStream(stream);
  if (FToolTip) FToolTip->SaveToStream(stream);
}

uint64_t THLinkRecord::TotalSize() const {
  return TBaseRecord::TotalSize() + (FToolTip ? FToolTip->TotalSize() : 0);
}

uint64_t THLinkRecord::TotalSizeNoHeaders() const {
  return TBaseRecord::TotalSizeNoHeaders() + (FToolTip ? FToolTip->TotalSizeNoHeaders() : 0);
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

// Builds a record of class T when the payload holds at least `minSize`
// bytes; a shorter one is carried as a plain record the engine never reads.
template <class T>
static std::unique_ptr<TBaseRecord> Make(uint16_t id, std::vector<uint8_t>& data,
                                         size_t minSize = 0) {
  if (data.size() < minSize) return std::make_unique<TBaseRecord>(id, std::move(data));
  return std::make_unique<T>(id, std::move(data));
}

// Cell, row, column and format records: the classes of the cell block and
// of the format lists.
static std::unique_ptr<TBaseRecord> CreateCellRecord(uint16_t id, std::vector<uint8_t>& data) {
  if (auto record = CreateCellBlockRecord(id, data)) return record;
  if (auto record = CreateFormatRecord(id, data)) return record;
  return std::make_unique<TBaseRecord>(id, std::move(data));
}

std::unique_ptr<TBaseRecord> CreateRecord(uint16_t id, std::vector<uint8_t> data) {
  if (id == xlsid::FILEPASS) throw Error("File is password protected");
  if (IsDroppedRecordType(id)) return std::make_unique<TIgnoreRecord>(id, std::move(data));
  switch (id) {
    case xlsid::EOFREC:
      return Make<TEOFRecord>(id, data);
    case xlsid::PRECISION:
      return Make<TPrecisionRecord>(id, data, 2);
    case xlsid::REFMODE:
      return Make<TRefModeRecord>(id, data);
    case xlsid::HEADER:
      return Make<TPageHeaderRecord>(id, data);
    case xlsid::FOOTER:
      return Make<TPageFooterRecord>(id, data);
    case xlsid::EXTERNSHEET:
      return Make<TExternSheetRecord>(id, data);
    case xlsid::NAME:
      return Make<TNameRecord>(id, data, 10);
    case xlsid::VERTICALPAGEBREAKS:
      return Make<TVPageBreakRecord>(id, data);
    case xlsid::HORIZONTALPAGEBREAKS:
      return Make<THPageBreakRecord>(id, data);
    case xlsid::NOTE:
      return Make<TNoteRecord>(id, data);
    case xlsid::DATEMODE:
      return Make<T1904Record>(id, data, 2);
    case xlsid::EXTERNNAME2:
    case xlsid::EXTERNNAME:
      return Make<TExternNameRecord>(id, data);
    case xlsid::LEFTMARGIN:
    case xlsid::RIGHTMARGIN:
    case xlsid::TOPMARGIN:
    case xlsid::BOTTOMMARGIN:
      return Make<TMarginRecord>(id, data);
    case xlsid::PRINTGRIDLINES:
      return Make<TPrintGridLinesRecord>(id, data);
    case xlsid::CONTINUE:
      return Make<TContinueRecord>(id, data);
    case xlsid::WINDOW1:
      return Make<TWindow1Record>(id, data, 16);
    case xlsid::PANE:
      return Make<TPaneRecord>(id, data);
    case xlsid::PLS:
      return Make<TPlsRecord>(id, data);
    case xlsid::DEFCOLWIDTH:
      return Make<TDefColWidthRecord>(id, data, 2);
    case xlsid::OBJ:
      return Make<TObjRecord>(id, data);
    case xlsid::TEMPLATE:
      return Make<TTemplateRecord>(id, data);
    case xlsid::GUTS:
      return Make<TGutsRecord>(id, data, 8);
    case xlsid::WSBOOL:
      return Make<TWsBoolRecord>(id, data, 2);
    case xlsid::HCENTER:
    case xlsid::VCENTER:
      return Make<TPrintCenteredRecord>(id, data);
    case xlsid::BOUNDSHEET: {
      auto record = std::make_unique<TBoundSheetRecord>(id, std::move(data));
      if (!record->IsWellFormed()) ThrowFileInvalid();
      return record;
    }
    case xlsid::PALETTE:
      return Make<TPaletteRecord>(id, data, 2);
    case xlsid::STANDARDWIDTH:
      return Make<TStandardWidthRecord>(id, data, 2);
    case xlsid::AUTOFILTERINFO:
      return Make<TAutoFilterInfoRecord>(id, data);
    case xlsid::SCL:
      return Make<TSCLRecord>(id, data);
    case xlsid::SETUP:
      return Make<TSetupRecord>(id, data);
    case xlsid::OBPROJ:
      return Make<TObProjRecord>(id, data);
    case xlsid::BOOKBOOL:
      return Make<TBookBoolRecord>(id, data, 2);
    case xlsid::MSODRAWINGGROUP:
      return Make<TDrawingGroupRecord>(id, data);
    case xlsid::MSODRAWING:
      return Make<TDrawingRecord>(id, data);
    case xlsid::SST:
      return Make<TSSTRecord>(id, data);
    case xlsid::SUPBOOK:
      return Make<TSupBookRecord>(id, data);
    case xlsid::CONDFMT:
      return Make<TCondFmtRecord>(id, data);
    case xlsid::CF:
      return Make<TCFRecord>(id, data);
    case xlsid::DVAL:
      return Make<TDValRecord>(id, data);
    case xlsid::TXO:
      return Make<TTXORecord>(id, data);
    case xlsid::HLINK:
      return Make<THLinkRecord>(id, data);
    case xlsid::CODENAME:
      return Make<TCodeNameRecord>(id, data);
    case xlsid::DEFAULTROWHEIGHT:
      return Make<TDefRowHeightRecord>(id, data, 4);
    case xlsid::WINDOW2:
      return Make<TWindow2Record>(id, data, 2);
    case xlsid::STYLE:
      return Make<TStyleRecord>(id, data);
    case xlsid::HLINKTOOLTIP:
      return Make<TScreenTipRecord>(id, data);
    case xlsid::BOF:
      return std::make_unique<TBOFRecord>(id, std::move(data));
    case xlsid::BEGIN:
      return Make<TBeginRecord>(id, data);
    case xlsid::END:
      return Make<TEndRecord>(id, data);
    case xlsid::AI:
      return Make<TChartAIRecord>(id, data);
    default:
      return CreateCellRecord(id, data);
  }
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

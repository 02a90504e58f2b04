#include "xls/globals.h"

#include <algorithm>
#include <span>

#include "common/bytes.h"
#include "common/error.h"
#include "xls/record_reader.h"

namespace tessary {

// ---- TReferences ----

void TReferences::Add(std::unique_ptr<TBaseRecord> record) {
  if (record->Id == xlsid::EXTERNSHEET) {
    FExternSheets.Add(std::move(record));
  } else {
    FSupBooks.Add(std::move(record));
  }
}

void TReferences::ShiftSheets(uint16_t first, int delta, uint16_t sheetCount) {
  // EXTERNSHEET entries point at SUPBOOK records by their position among the
  // SUPBOOK records; only the workbook's own SUPBOOK refers to its sheets.
  uint16_t supBookIndex = 0;
  for (size_t i = 0; i < FSupBooks.Count(); ++i) {
    auto* book = dynamic_cast<TSupBookRecord*>(FSupBooks[i]);
    if (book == nullptr || book->Id != xlsid::SUPBOOK) continue;
    if (book->IsSelfReference()) {
      book->SetSheetCount(sheetCount);
      for (size_t j = 0; j < FExternSheets.Count(); ++j) {
        if (auto* sheet = dynamic_cast<TExternSheetRecord*>(FExternSheets[j])) {
          sheet->ShiftSheets(supBookIndex, first, delta);
        }
      }
    }
    ++supBookIndex;
  }
}

bool TReferences::MayReferToSheet(size_t sheet) const {
  // Which SUPBOOK positions stand for this workbook's own sheets.
  std::vector<bool> self;
  for (size_t i = 0; i < FSupBooks.Count(); ++i) {
    if (FSupBooks[i]->Id != xlsid::SUPBOOK) continue;
    auto* book = dynamic_cast<const TSupBookRecord*>(FSupBooks[i]);
    self.push_back(book != nullptr && book->IsSelfReference());
  }
  for (size_t j = 0; j < FExternSheets.Count(); ++j) {
    const TBaseRecord& record = *FExternSheets[j];
    const auto* externSheet = dynamic_cast<const TExternSheetRecord*>(&record);
    // A count without its entries in the payload (they would go on in
    // CONTINUE records) cannot be read.
    if (externSheet == nullptr || record.Continue || record.Data.size() < 2 ||
        externSheet->EntryCount() != GetU16(record.Data.data())) {
      return true;
    }
    for (uint32_t i = 0; i < externSheet->EntryCount(); ++i) {
      const uint8_t* entry = record.Data.data() + 2 + 6 * i;
      const uint16_t book = GetU16(entry);
      // An entry of an unknown SUPBOOK may be this workbook's.
      if (book < self.size() && !self[book]) continue;
      const uint16_t lo = GetU16(entry + 2);
      const uint16_t hi = GetU16(entry + 4);
      if (lo >= 0xFFFE || hi >= 0xFFFE) continue;  // workbook-level or deleted
      if (std::min(lo, hi) <= sheet && sheet <= std::max(lo, hi)) return true;
    }
  }
  return false;
}

void TReferences::SaveToStream(TRecordStream& stream) const {
  FSupBooks.SaveToStream(stream);
  FExternSheets.SaveToStream(stream);
}

void TReferences::Clear() {
  FSupBooks.Clear();
  FExternSheets.Clear();
}

// ---- TWorkbookGlobals ----

TWorkbookGlobals::TWorkbookGlobals() = default;
TWorkbookGlobals::~TWorkbookGlobals() = default;

void TWorkbookGlobals::Clear() {
  TBaseSection::Clear();
  FSST.Clear();
  FReferences.Clear();
  FBoundSheets.Clear();
  FMiscRecords.Clear();
  FNames.Clear();
  FDrawingGroup.Clear();
  FWindow1 = nullptr;
  F1904 = nullptr;
  FBookBool = nullptr;
  FPrecision = nullptr;
  FXF.Clear();
  FFonts.Clear();
  FFormats.Clear();
  FPaletteCache = nullptr;
  FPaletteIndex = 0;
  FHasMacro = false;
  FIsXltTemplate = false;
  FCodeName.clear();
}

static std::vector<std::span<const uint8_t>> PayloadsOf(const TBaseRecord& record) {
  std::vector<std::span<const uint8_t>> payloads{std::span<const uint8_t>(record.Data)};
  for (const TContinueRecord* c = record.Continue.get(); c != nullptr; c = c->Continue.get()) {
    payloads.emplace_back(c->Data);
  }
  return payloads;
}

void TWorkbookGlobals::LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                                      TStringTable& sst) {
  (void)sst;  // the globals load their own table
  Clear();
  FBOF = std::move(first);
  for (;;) {
    const uint16_t id = in.Header.Id;
    std::unique_ptr<TBaseRecord> record = ReadNextRecord(in);
    FileRecord(std::move(record));
    if (id == xlsid::EOFREC) break;
  }
}

void TWorkbookGlobals::FileRecord(std::unique_ptr<TBaseRecord> record) {
  const uint16_t id = record->Id;
  // The XF, FONT and FORMAT lists are written where their first record stood.
  if (id == xlsid::XF && FXF.Count() == 0) FMiscRecords.Add(std::make_unique<TSubListRecord>(&FXF));
  if (id == xlsid::FONT && FFonts.Count() == 0) {
    FMiscRecords.Add(std::make_unique<TSubListRecord>(&FFonts));
  }
  if (id == xlsid::FORMAT && FFormats.Count() == 0) {
    FMiscRecords.Add(std::make_unique<TSubListRecord>(&FFormats));
  }
  if (id == xlsid::PALETTE) FPaletteCache = static_cast<TPaletteRecord*>(record.get());
  if (id == xlsid::XF || id == xlsid::STYLE) FPaletteIndex = FMiscRecords.Count();
  if (id == xlsid::OBPROJ) FHasMacro = true;
  if (id == xlsid::CODENAME) FCodeName = static_cast<TCodeNameRecord&>(*record).Name();
  if (id == xlsid::BOF) ThrowFileInvalid();

  if (dynamic_cast<TIgnoreRecord*>(record.get()) != nullptr) return;
  switch (id) {
    case xlsid::BOUNDSHEET:
      FBoundSheets.Add(
          std::unique_ptr<TBoundSheetRecord>(static_cast<TBoundSheetRecord*>(record.release())));
      return;
    case xlsid::NAME:
      FNames.Add(std::move(record));
      return;
    case xlsid::XF:
      FXF.Add(std::move(record));
      return;
    case xlsid::FONT:
      FFonts.Add(std::move(record));
      return;
    case xlsid::FORMAT:
      FFormats.Add(std::move(record));
      return;
    case xlsid::EOFREC:
      FEOF = std::move(record);
      return;
    case xlsid::SST:
      FSST.Load(PayloadsOf(*record));
      return;
    case xlsid::SUPBOOK:
    case xlsid::EXTERNNAME:
    case xlsid::EXTERNNAME2:
    case xlsid::EXTERNSHEET:
      FReferences.Add(std::move(record));
      return;
    case xlsid::MSODRAWINGGROUP:
      FDrawingGroup.Add(std::move(record));
      return;
    case xlsid::TEMPLATE:
      FIsXltTemplate = true;
      return;
    default:
      break;
  }
  TBaseRecord* filed = FMiscRecords.Add(std::move(record));
  switch (id) {
    case xlsid::WINDOW1:
      FWindow1 = static_cast<TWindow1Record*>(filed);
      break;
    case xlsid::DATEMODE:
      F1904 = static_cast<TWordRecord*>(filed);
      break;
    case xlsid::BOOKBOOL:
      FBookBool = static_cast<TWordRecord*>(filed);
      break;
    case xlsid::PRECISION:
      FPrecision = static_cast<TWordRecord*>(filed);
      break;
    default:
      break;
  }
}

void TWorkbookGlobals::SaveToStream(TRecordStream& stream) {
  CheckLoaded();
  FBOF->SaveToStream(stream);
  if (FIsXltTemplate) WriteRecord(stream, xlsid::TEMPLATE, {});
  FMiscRecords.SaveToStream(stream);
  FBoundSheets.SaveToStream(stream);
  FReferences.SaveToStream(stream);
  FNames.SaveToStream(stream);
  FDrawingGroup.SaveToStream(stream);
  FSST.SaveToStream(stream);
  FEOF->SaveToStream(stream);
}

// ---- sheets ----

void TWorkbookGlobals::InsertSheets(size_t beforeSheet, uint16_t optionFlags,
                                    std::u16string_view name, size_t sheetCount) {
  if (beforeSheet > SheetCount()) {
    ThrowSheetNumberInvalid(static_cast<int64_t>(beforeSheet), 0,
                            static_cast<int64_t>(SheetCount()));
  }
  for (size_t i = 0; i < sheetCount; ++i) {
    FBoundSheets.InsertSheet(beforeSheet + i, optionFlags, name);
  }
  const int delta = static_cast<int>(sheetCount);
  FReferences.ShiftSheets(static_cast<uint16_t>(beforeSheet), delta,
                          static_cast<uint16_t>(SheetCount()));
  ShiftNames(static_cast<uint16_t>(beforeSheet), delta);
}

void TWorkbookGlobals::DeleteSheets(size_t sheetIndex, size_t sheetCount) {
  if (FHasMacro) throw Error("Can't delete a sheet on a file containing macros");
  if (sheetCount == 0) return;
  if (sheetIndex >= SheetCount() || sheetCount > SheetCount() - sheetIndex) {
    ThrowSheetNumberInvalid(static_cast<int64_t>(sheetIndex + sheetCount - 1), 0,
                            static_cast<int64_t>(SheetCount()) - 1);
  }
  for (size_t i = 0; i < sheetCount; ++i) FBoundSheets.DeleteSheet(sheetIndex);
  const int delta = -static_cast<int>(sheetCount);
  FReferences.ShiftSheets(static_cast<uint16_t>(sheetIndex), delta,
                          static_cast<uint16_t>(SheetCount()));
  ShiftNames(static_cast<uint16_t>(sheetIndex), delta);
}

void TWorkbookGlobals::ShiftNames(uint16_t first, int delta) {
  // A local name holds its sheet 1-based; 0 marks a global name.
  for (size_t i = 0; i < FNames.Count(); ++i) {
    auto* name = dynamic_cast<TNameRecord*>(FNames[i]);
    if (name == nullptr) continue;
    const uint16_t sheet = name->SheetIndex();
    if (sheet == 0 || sheet - 1 < first) continue;
    if (delta < 0 && sheet - 1 < first - delta) continue;  // its sheet is gone; kept as it is
    name->SetSheetIndex(static_cast<uint16_t>(sheet + delta));
  }
}

void TWorkbookGlobals::SheetSetOffset(size_t index, uint32_t offset) {
  FBoundSheets.Sheet(index).SetPosition(offset);
}

std::u16string TWorkbookGlobals::SheetName(size_t index) const {
  return FBoundSheets.Sheet(index).SheetName();
}

uint8_t TWorkbookGlobals::SheetVisibility(size_t index) const {
  return FBoundSheets.Sheet(index).Visibility();
}

uint16_t TWorkbookGlobals::SheetOptionFlags(size_t index) const {
  return FBoundSheets.Sheet(index).OptionFlags();
}

void TWorkbookGlobals::RenameSheet(size_t index, std::u16string_view name) {
  FBoundSheets.RenameSheet(index, name);
}

bool TWorkbookGlobals::MayReferToSheet(size_t index) const {
  if (FNames.Count() > 0) return true;
  for (size_t i = 0; i < FMiscRecords.Count(); ++i) {
    switch (FMiscRecords[i]->Id) {
      case xlsid::SXSTREAMID:
      case xlsid::DCONREF:
      case xlsid::DCONNAME:
      case xlsid::DCONBIN:
      case xlsid::WEBPUB:
        return true;
      default:
        break;
    }
  }
  return FReferences.MayReferToSheet(index);
}

// ---- window ----

int TWorkbookGlobals::ActiveSheet() const { return FWindow1 ? FWindow1->ActiveTab() : 0; }

void TWorkbookGlobals::SetActiveSheet(int value) {
  if (FWindow1 == nullptr) return;
  FWindow1->SetActiveTab(static_cast<uint16_t>(value));
  FWindow1->SetFirstVisibleTab(0);
  FWindow1->SetSelectedTabs(1);
}

void TWorkbookGlobals::SetFirstSheetVisible(int index) {
  if (FWindow1 != nullptr) FWindow1->SetFirstVisibleTab(static_cast<uint16_t>(index));
}

// ---- palette ----

uint32_t TWorkbookGlobals::PaletteColor(int index) const {
  if (FPaletteCache != nullptr && index >= 0 &&
      static_cast<uint32_t>(index) < FPaletteCache->ColorCount()) {
    return FPaletteCache->Color(static_cast<uint32_t>(index));
  }
  return StandardPaletteColor(index);
}

void TWorkbookGlobals::SetPaletteColor(int index, uint32_t color) {
  const int count = FPaletteCache ? static_cast<int>(FPaletteCache->ColorCount()) : kPaletteSize;
  if (index < 0 || index >= count) {
    ThrowError("Too many entries for this kind of record (%d out of a maximum of %d)", index,
               count - 1);
  }
  if (FPaletteCache == nullptr) {
    const size_t at = std::min(FPaletteIndex, FMiscRecords.Count());
    FPaletteCache =
        static_cast<TPaletteRecord*>(FMiscRecords.Insert(at, TPaletteRecord::BuildStandard()));
  }
  FPaletteCache->SetColor(static_cast<uint32_t>(index), color);
}

// ---- flags ----

bool TWorkbookGlobals::Is1904() const { return F1904 != nullptr && F1904->Value() == 1; }
void TWorkbookGlobals::SetIs1904(bool value) {
  if (F1904 != nullptr) F1904->SetValue(value ? 1 : 0);
}

bool TWorkbookGlobals::PrecisionAsDisplayed() const {
  return FPrecision != nullptr && FPrecision->Value() == 0;
}
void TWorkbookGlobals::SetPrecisionAsDisplayed(bool value) {
  if (FPrecision != nullptr) FPrecision->SetValue(value ? 0 : 1);
}

bool TWorkbookGlobals::SaveExternalLinkValues() const {
  return FBookBool != nullptr && FBookBool->Value() != 1;
}
void TWorkbookGlobals::SetSaveExternalLinkValues(bool value) {
  if (FBookBool != nullptr) FBookBool->SetValue(value ? 0 : 1);
}

}  // namespace tessary

// The workbook globals section: the first section of the Workbook stream,
// holding what applies to the whole workbook — the sheet list, fonts,
// number formats, cell formats (XF), the shared string table, window
// settings, palette and workbook flags. Records the engine does not
// interpret are kept in stream order and written back unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xls/base_record.h"
#include "xls/records.h"
#include "xls/sections.h"
#include "xls/sheet_names.h"

namespace tessary {

// External references: SUPBOOK records with their EXTERNNAME records in
// stream order, then the EXTERNSHEET record.
class TReferences {
 public:
  void Add(std::unique_ptr<TBaseRecord> record);
  // Sheets [first, first + delta) were inserted (delta > 0) or
  // [first, first - delta) removed (delta < 0); `sheetCount` is the new
  // number of sheets.
  void ShiftSheets(uint16_t first, int delta, uint16_t sheetCount);
  // True when an EXTERNSHEET entry may point at sheet `sheet` of this
  // workbook: every reference of a formula, a name or a chart to another
  // sheet goes through one. Entries that cannot be read count as pointing
  // at every sheet.
  bool MayReferToSheet(size_t sheet) const;
  void SaveToStream(TRecordStream& stream) const;
  void Clear();

  const TBaseRecordList& SupBooks() const { return FSupBooks; }
  const TBaseRecordList& ExternSheets() const { return FExternSheets; }

 private:
  TBaseRecordList FSupBooks;
  TBaseRecordList FExternSheets;
};

class TWorkbookGlobals : public TBaseSection {
 public:
  TWorkbookGlobals();
  ~TWorkbookGlobals() override;

  void Clear() override;
  void LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                      TStringTable& sst) override;
  void SaveToStream(TRecordStream& stream) override;

  // ---- sheets ----
  size_t SheetCount() const { return FBoundSheets.Count(); }
  // Inserts `sheetCount` BOUNDSHEET records at `beforeSheet`, each with a
  // unique name made from `name`, and shifts sheet references.
  void InsertSheets(size_t beforeSheet, uint16_t optionFlags, std::u16string_view name,
                    size_t sheetCount);
  // Refused with "Can't delete a sheet on a file containing macros" when the
  // workbook has a VBA project.
  void DeleteSheets(size_t sheetIndex, size_t sheetCount);
  void SheetSetOffset(size_t index, uint32_t offset);
  std::u16string SheetName(size_t index) const;
  uint8_t SheetVisibility(size_t index) const;
  uint16_t SheetOptionFlags(size_t index) const;
  void RenameSheet(size_t index, std::u16string_view name);
  // True when something of the workbook may refer to cells of sheet
  // `index`: a defined name, a reference to the sheet from a formula or a
  // chart (TReferences::MayReferToSheet), or a pivot cache or published
  // range, which name their source sheet in text.
  bool MayReferToSheet(size_t index) const;

  // ---- window ----
  // WINDOW1's active tab; 0 without a WINDOW1.
  int ActiveSheet() const;
  void SetActiveSheet(int value);
  void SetFirstSheetVisible(int index);

  // ---- palette (entries 0-55 for colour indexes 8-63) ----
  uint32_t PaletteColor(int index) const;
  void SetPaletteColor(int index, uint32_t color);

  // ---- workbook flags; false, and unchanged, without their record ----
  bool Is1904() const;
  void SetIs1904(bool value);
  bool PrecisionAsDisplayed() const;
  void SetPrecisionAsDisplayed(bool value);
  bool SaveExternalLinkValues() const;
  void SetSaveExternalLinkValues(bool value);

  // Whether the workbook has a VBA project (an OBPROJ record).
  bool HasMacro() const { return FHasMacro; }
  void SetHasMacro(bool value) { FHasMacro = value; }
  // The workbook's code name (its CODENAME record); empty without one.
  const std::u16string& CodeName() const { return FCodeName; }

  TStringTable& SST() { return FSST; }
  const TStringTable& SST() const { return FSST; }
  const TReferences& References() const { return FReferences; }
  TBoundSheetList& BoundSheets() { return FBoundSheets; }
  const TBoundSheetList& BoundSheets() const { return FBoundSheets; }
  const TBaseRecordList& MiscRecords() const { return FMiscRecords; }
  const TBaseRecordList& Names() const { return FNames; }
  // The records the engine reads and changes; null without them.
  TWindow1Record* Window1() const { return FWindow1; }
  TWordRecord* Record1904() const { return F1904; }
  TWordRecord* BookBool() const { return FBookBool; }
  TWordRecord* Precision() const { return FPrecision; }
  // Cell formats, fonts and number formats, in file order.
  TBaseRecordList& XF() { return FXF; }
  const TBaseRecordList& XF() const { return FXF; }
  TBaseRecordList& Fonts() { return FFonts; }
  const TBaseRecordList& Fonts() const { return FFonts; }
  TBaseRecordList& Formats() { return FFormats; }
  const TBaseRecordList& Formats() const { return FFormats; }
  // Where a PALETTE record goes among MiscRecords when one is added: after
  // the last XF or STYLE.
  size_t PaletteIndex() const { return FPaletteIndex; }

 private:
  void FileRecord(std::unique_ptr<TBaseRecord> record);
  void ShiftNames(uint16_t first, int delta);

  TStringTable FSST;
  TReferences FReferences;
  TBoundSheetList FBoundSheets;
  TBaseRecordList FMiscRecords;
  TBaseRecordList FNames;
  TBaseRecordList FDrawingGroup;
  TWindow1Record* FWindow1 = nullptr;
  TWordRecord* F1904 = nullptr;
  TWordRecord* FBookBool = nullptr;
  TWordRecord* FPrecision = nullptr;
  TBaseRecordList FXF;
  TBaseRecordList FFonts;
  TBaseRecordList FFormats;
  TPaletteRecord* FPaletteCache = nullptr;
  size_t FPaletteIndex = 0;
  bool FHasMacro = false;
  bool FIsXltTemplate = false;
  std::u16string FCodeName;
};

}  // namespace tessary

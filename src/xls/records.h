// The record classes of the Workbook stream that the engine reads or
// changes, and the factory that builds the record object for a type read
// from a stream. Every other type is a plain TBaseRecord carried unchanged.
// A class that reads fields states its payload's minimum size (kMinSize)
// beside their offsets; the factory refuses a shorter payload.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/base_record.h"

namespace tessary {

// A record whose payload starts with one 16-bit value that the engine reads
// or changes: DATEMODE, PRECISION, BOOKBOOL, WSBOOL, DEFCOLWIDTH,
// STANDARDWIDTH.
class TWordRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsValue = 0;
  static constexpr size_t kMinSize = 2;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TWordRecord)
  uint16_t Value() const { return U16At(kOfsValue); }
  void SetValue(uint16_t value) { SetU16At(kOfsValue, value); }
};

// BOF: version (must be BIFF8) and section kind.
class TBOFRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsVersion = 0;
  static constexpr size_t kOfsKind = 2;
  static constexpr size_t kMinSize = 4;
  // Refuses another version with "Template file is saved with an invalid
  // Excel version".
  TBOFRecord(uint16_t id, std::vector<uint8_t> data);
  TESSARY_RECORD_CLONE(TBOFRecord)
  uint16_t Version() const { return U16At(kOfsVersion); }
  uint16_t Kind() const { return U16At(kOfsKind); }
};

// WINDOW1: the workbook window; the engine uses the tab words.
class TWindow1Record : public TBaseRecord {
 public:
  static constexpr size_t kOfsActiveTab = 10;
  static constexpr size_t kOfsFirstVisibleTab = 12;
  static constexpr size_t kOfsSelectedTabs = 14;
  static constexpr size_t kMinSize = 16;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TWindow1Record)
  uint16_t ActiveTab() const { return U16At(kOfsActiveTab); }
  void SetActiveTab(uint16_t value) { SetU16At(kOfsActiveTab, value); }
  uint16_t FirstVisibleTab() const { return U16At(kOfsFirstVisibleTab); }
  void SetFirstVisibleTab(uint16_t value) { SetU16At(kOfsFirstVisibleTab, value); }
  uint16_t SelectedTabs() const { return U16At(kOfsSelectedTabs); }
  void SetSelectedTabs(uint16_t value) { SetU16At(kOfsSelectedTabs, value); }
};

// WINDOW2: a sheet's window options.
class TWindow2Record : public TBaseRecord {
 public:
  static constexpr size_t kOfsOptions = 0;
  static constexpr size_t kMinSize = 2;
  static constexpr uint16_t kShowGridLines = 0x0002;
  static constexpr uint16_t kSelected = 0x0200;
  static constexpr uint16_t kShownInWindow = 0x0400;

  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TWindow2Record)
  uint16_t Options() const { return U16At(kOfsOptions); }
  void SetOptions(uint16_t value) { SetU16At(kOfsOptions, value); }
  void SetOption(uint16_t bits, bool on);
  bool Selected() const { return (Options() & kSelected) != 0; }
  // Selected and shown in the window, or neither.
  void SetSelected(bool value) { SetOption(kSelected | kShownInWindow, value); }
};

// DEFAULTROWHEIGHT: option flags and the height in twips.
class TDefRowHeightRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsHeight = 2;
  static constexpr size_t kMinSize = 4;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TDefRowHeightRecord)
  uint16_t Height() const { return U16At(kOfsHeight); }
};

// BOUNDSHEET: the BOF position of a sheet, its option word (visibility in
// the low byte, sheet type in the high byte) and its name as a string with
// an 8-bit character count. The factory refuses one whose name does not
// fit its payload.
class TBoundSheetRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsPosition = 0;
  static constexpr size_t kOfsOptionFlags = 4;
  static constexpr size_t kOfsName = 6;
  static constexpr size_t kMinSize = 8;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TBoundSheetRecord)
  // A new record: position 0, the option word and the name.
  static std::unique_ptr<TBoundSheetRecord> Build(uint16_t optionFlags, std::u16string_view name);

  uint32_t Position() const { return U32At(kOfsPosition); }
  void SetPosition(uint32_t value) { SetU32At(kOfsPosition, value); }
  uint16_t OptionFlags() const { return U16At(kOfsOptionFlags); }
  void SetOptionFlags(uint16_t value) { SetU16At(kOfsOptionFlags, value); }
  // 0 visible, 1 hidden, 2 very hidden.
  uint8_t Visibility() const { return OptionFlags() & 0x03; }
  std::u16string SheetName() const;
  // Rebuilds the payload with the new name, keeping position and option
  // word.
  void SetSheetName(std::u16string_view name);
};

// CODENAME: a code name as a string with a 16-bit character count.
class TCodeNameRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TCodeNameRecord)
  static std::unique_ptr<TCodeNameRecord> Build(std::u16string_view name);
  // The name; empty when the payload does not hold a whole string.
  std::u16string Name() const;
};

// PALETTE: a count and that many 0x00BBGGRR colours.
class TPaletteRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsCount = 0;
  static constexpr size_t kOfsColors = 2;
  static constexpr size_t kMinSize = 2;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TPaletteRecord)
  // The standard palette: 56 colours, payload 226 bytes.
  static std::unique_ptr<TPaletteRecord> BuildStandard();
  // Colours the payload actually holds (the count, capped by its length).
  uint32_t ColorCount() const;
  uint32_t Color(uint32_t index) const;
  void SetColor(uint32_t index, uint32_t color);
};

inline constexpr int kPaletteSize = 56;
// The standard colour of palette entry `index` (0-55).
uint32_t StandardPaletteColor(int index);

// EXTERNSHEET: a count and entries of (SUPBOOK index, first sheet, last
// sheet). The engine shifts sheet numbers when sheets are inserted.
class TExternSheetRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsCount = 0;
  static constexpr size_t kOfsEntries = 2;
  static constexpr size_t kEntrySize = 6;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TExternSheetRecord)
  // Entries whose data lie within this record's own payload.
  uint32_t EntryCount() const;
  // Entries that point at `supBook` and at sheet `first` or later move by
  // `delta`; entries pointing into a removed range [first, first - delta)
  // become deleted references.
  void ShiftSheets(uint16_t supBook, uint16_t first, int delta);
};

// SUPBOOK: an external (or the workbook's own) book reference; the first
// word is its sheet count.
class TSupBookRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsSheetCount = 0;
  static constexpr size_t kMinSize = 2;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TSupBookRecord)
  // The record that stands for this workbook's own sheets.
  bool IsSelfReference() const;
  void SetSheetCount(uint16_t count) { SetU16At(kOfsSheetCount, count); }
};

// NAME: a defined name; the 1-based sheet of a local name, 0 for a global
// one.
class TNameRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsSheetIndex = 8;
  static constexpr size_t kMinSize = 10;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TNameRecord)
  uint16_t SheetIndex() const { return U16At(kOfsSheetIndex); }
  void SetSheetIndex(uint16_t value) { SetU16At(kOfsSheetIndex, value); }
};

// HLINK, with the HLINKTOOLTIP that followed it, written right after it.
class THLinkRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  THLinkRecord(const THLinkRecord& other);
  TESSARY_RECORD_CLONE(THLinkRecord)
  void SaveToStream(TRecordStream& stream) const override;
  void AttachToolTip(std::unique_ptr<TBaseRecord> toolTip);
  // The HLINKTOOLTIP, or null.
  const TBaseRecord* ToolTip() const { return FToolTip.get(); }

 private:
  std::unique_ptr<TBaseRecord> FToolTip;
};

// Joins a record that belongs to a FORMULA (its ARRAY, TABLE, SHRFMLA or
// STRING) to it, so that it is written right after the formula.
void AttachToFormula(TBaseRecord& formula, std::unique_ptr<TBaseRecord> record);

// The smallest payload a record of type `id` may have: the fields the
// engine reads from it must lie within it.
size_t MinPayloadSize(uint16_t id);
// Whether `payload` can be a record of type `id`: at least its minimum;
// for the fixed-size cell records exactly that, or followed by at most
// three zero bytes, as some writers pad a BOOLERR. A longer length would
// take the records after it for the cell's bytes.
bool PayloadFits(uint16_t id, std::span<const uint8_t> payload);

// Builds the record object for a record type read from a stream: dropped
// types become TIgnoreRecord, FILEPASS is refused with "File is password
// protected", a payload that does not fit its type (PayloadFits) with
// "Error reading Excel records. File invalid", and every type without a class of its own
// is a plain TBaseRecord.
std::unique_ptr<TBaseRecord> CreateRecord(uint16_t id, std::vector<uint8_t> data);

// True for the types a section frees as soon as it sees them.
bool IsDroppedRecordType(uint16_t id);

// A plain copy of a record (type, payload, CONTINUE chain), whatever its
// class: for records kept exactly as read.
std::unique_ptr<TBaseRecord> PlainCopy(const TBaseRecord& record);

}  // namespace tessary

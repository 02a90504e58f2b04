// Record classes of the Workbook stream by record type, and the factory that
// builds the record object for a type read from a stream. Most classes are
// thin: they carry their payload unchanged and exist so that a section can
// tell them apart. The ones the engine reads or changes have accessors over
// their payload; the factory checks that such a payload is long enough for
// them before it builds one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/base_record.h"

namespace tessary {

// Record types the engine names.
namespace xlsid {
inline constexpr uint16_t FORMULA = 0x0006;
inline constexpr uint16_t EOFREC = 0x000A;
inline constexpr uint16_t CALCCOUNT = 0x000C;
inline constexpr uint16_t CALCMODE = 0x000D;
inline constexpr uint16_t PRECISION = 0x000E;
inline constexpr uint16_t REFMODE = 0x000F;
inline constexpr uint16_t DELTA = 0x0010;
inline constexpr uint16_t ITERATION = 0x0011;
inline constexpr uint16_t PROTECT = 0x0012;
inline constexpr uint16_t PASSWORD = 0x0013;
inline constexpr uint16_t HEADER = 0x0014;
inline constexpr uint16_t FOOTER = 0x0015;
inline constexpr uint16_t EXTERNSHEET = 0x0017;
inline constexpr uint16_t NAME = 0x0018;
inline constexpr uint16_t VERTICALPAGEBREAKS = 0x001A;
inline constexpr uint16_t HORIZONTALPAGEBREAKS = 0x001B;
inline constexpr uint16_t NOTE = 0x001C;
inline constexpr uint16_t SELECTION = 0x001D;
inline constexpr uint16_t DATEMODE = 0x0022;
inline constexpr uint16_t EXTERNNAME2 = 0x0023;
inline constexpr uint16_t LEFTMARGIN = 0x0026;
inline constexpr uint16_t RIGHTMARGIN = 0x0027;
inline constexpr uint16_t TOPMARGIN = 0x0028;
inline constexpr uint16_t BOTTOMMARGIN = 0x0029;
inline constexpr uint16_t PRINTHEADERS = 0x002A;
inline constexpr uint16_t PRINTGRIDLINES = 0x002B;
inline constexpr uint16_t FILEPASS = 0x002F;
inline constexpr uint16_t FONT = 0x0031;
inline constexpr uint16_t CONTINUE = 0x003C;
inline constexpr uint16_t WINDOW1 = 0x003D;
inline constexpr uint16_t PANE = 0x0041;
inline constexpr uint16_t PLS = 0x004D;
inline constexpr uint16_t DCONREF = 0x0051;
inline constexpr uint16_t DCONNAME = 0x0052;
inline constexpr uint16_t DEFCOLWIDTH = 0x0055;
inline constexpr uint16_t XCT = 0x0059;
inline constexpr uint16_t CRN = 0x005A;
inline constexpr uint16_t OBJ = 0x005D;
inline constexpr uint16_t UNCALCED = 0x005E;
inline constexpr uint16_t SAVERECALC = 0x005F;
inline constexpr uint16_t TEMPLATE = 0x0060;
inline constexpr uint16_t OBJPROTECT = 0x0063;
inline constexpr uint16_t COLINFO = 0x007D;
inline constexpr uint16_t GUTS = 0x0080;
inline constexpr uint16_t WSBOOL = 0x0081;
inline constexpr uint16_t GRIDSET = 0x0082;
inline constexpr uint16_t HCENTER = 0x0083;
inline constexpr uint16_t VCENTER = 0x0084;
inline constexpr uint16_t BOUNDSHEET = 0x0085;
inline constexpr uint16_t COUNTRY = 0x008C;
inline constexpr uint16_t PALETTE = 0x0092;
inline constexpr uint16_t STANDARDWIDTH = 0x0099;
inline constexpr uint16_t AUTOFILTERINFO = 0x009D;
inline constexpr uint16_t SCL = 0x00A0;
inline constexpr uint16_t SETUP = 0x00A1;
inline constexpr uint16_t MULRK = 0x00BD;
inline constexpr uint16_t MULBLANK = 0x00BE;
inline constexpr uint16_t OBPROJ = 0x00D3;
inline constexpr uint16_t SXSTREAMID = 0x00D5;
inline constexpr uint16_t RSTRING = 0x00D6;
inline constexpr uint16_t DBCELL = 0x00D7;
inline constexpr uint16_t BOOKBOOL = 0x00DA;
inline constexpr uint16_t SCENPROTECT = 0x00DD;
inline constexpr uint16_t XF = 0x00E0;
inline constexpr uint16_t MERGEDCELLS = 0x00E5;
inline constexpr uint16_t MSODRAWINGGROUP = 0x00EB;
inline constexpr uint16_t MSODRAWING = 0x00EC;
inline constexpr uint16_t MSODRAWINGSELECTION = 0x00ED;
inline constexpr uint16_t PHONETIC = 0x00EF;
inline constexpr uint16_t SST = 0x00FC;
inline constexpr uint16_t LABELSST = 0x00FD;
inline constexpr uint16_t EXTSST = 0x00FF;
inline constexpr uint16_t SUPBOOK = 0x01AE;
inline constexpr uint16_t CONDFMT = 0x01B0;
inline constexpr uint16_t CF = 0x01B1;
inline constexpr uint16_t DVAL = 0x01B2;
inline constexpr uint16_t DCONBIN = 0x01B5;
inline constexpr uint16_t TXO = 0x01B6;
inline constexpr uint16_t HLINK = 0x01B8;
inline constexpr uint16_t CODENAME = 0x01BA;
inline constexpr uint16_t DV = 0x01BE;
inline constexpr uint16_t RECALCID = 0x01C1;
inline constexpr uint16_t DIMENSIONS = 0x0200;
inline constexpr uint16_t BLANK = 0x0201;
inline constexpr uint16_t NUMBER = 0x0203;
inline constexpr uint16_t LABEL = 0x0204;
inline constexpr uint16_t BOOLERR = 0x0205;
inline constexpr uint16_t STRING = 0x0207;
inline constexpr uint16_t ROW = 0x0208;
inline constexpr uint16_t INDEX = 0x020B;
inline constexpr uint16_t ARRAY = 0x0221;
inline constexpr uint16_t EXTERNNAME = 0x0223;
inline constexpr uint16_t DEFAULTROWHEIGHT = 0x0225;
inline constexpr uint16_t TABLE = 0x0236;
inline constexpr uint16_t WINDOW2 = 0x023E;
inline constexpr uint16_t RK = 0x027E;
inline constexpr uint16_t STYLE = 0x0293;
inline constexpr uint16_t FORMAT = 0x041E;
inline constexpr uint16_t SHRFMLA = 0x04BC;
inline constexpr uint16_t HLINKTOOLTIP = 0x0800;
inline constexpr uint16_t WEBPUB = 0x0801;
inline constexpr uint16_t BOF = 0x0809;
inline constexpr uint16_t SHEETEXT = 0x0862;
inline constexpr uint16_t FEATHDR = 0x0867;
inline constexpr uint16_t PLV = 0x088B;
inline constexpr uint16_t HEADERFOOTER = 0x089C;
inline constexpr uint16_t BEGIN = 0x1033;
inline constexpr uint16_t END = 0x1034;
inline constexpr uint16_t FBI = 0x1060;
inline constexpr uint16_t AI = 0x1051;
}  // namespace xlsid

// Section kinds of a BOF record.
inline constexpr uint16_t kBofGlobals = 0x0005;
inline constexpr uint16_t kBofWorksheet = 0x0010;
inline constexpr uint16_t kBofChart = 0x0020;
inline constexpr uint16_t kBiff8Version = 0x0600;

// The failure of every malformed record stream.
inline constexpr const char* kFileInvalidText = "Error reading Excel records. File invalid";
[[noreturn]] void ThrowFileInvalid();

// A record class that only carries its payload.
#define TESSARY_PLAIN_RECORD(Class)  \
  class Class : public TBaseRecord { \
   public:                           \
    using TBaseRecord::TBaseRecord;  \
    TESSARY_RECORD_CLONE(Class)      \
  };

TESSARY_PLAIN_RECORD(TEOFRecord)
TESSARY_PLAIN_RECORD(TRefModeRecord)
TESSARY_PLAIN_RECORD(TPageHeaderRecord)
TESSARY_PLAIN_RECORD(TPageFooterRecord)
TESSARY_PLAIN_RECORD(TVPageBreakRecord)
TESSARY_PLAIN_RECORD(THPageBreakRecord)
TESSARY_PLAIN_RECORD(TNoteRecord)
TESSARY_PLAIN_RECORD(TExternNameRecord)
TESSARY_PLAIN_RECORD(TMarginRecord)
TESSARY_PLAIN_RECORD(TPrintGridLinesRecord)
TESSARY_PLAIN_RECORD(TPaneRecord)
TESSARY_PLAIN_RECORD(TPlsRecord)
TESSARY_PLAIN_RECORD(TObjRecord)
TESSARY_PLAIN_RECORD(TTemplateRecord)
TESSARY_PLAIN_RECORD(TPrintCenteredRecord)
TESSARY_PLAIN_RECORD(TAutoFilterInfoRecord)
TESSARY_PLAIN_RECORD(TSCLRecord)
TESSARY_PLAIN_RECORD(TSetupRecord)
TESSARY_PLAIN_RECORD(TObProjRecord)
TESSARY_PLAIN_RECORD(TDrawingGroupRecord)
TESSARY_PLAIN_RECORD(TDrawingRecord)
TESSARY_PLAIN_RECORD(TSSTRecord)
TESSARY_PLAIN_RECORD(TCondFmtRecord)
TESSARY_PLAIN_RECORD(TCFRecord)
TESSARY_PLAIN_RECORD(TDValRecord)
TESSARY_PLAIN_RECORD(TTXORecord)
TESSARY_PLAIN_RECORD(TScreenTipRecord)
TESSARY_PLAIN_RECORD(TStyleRecord)
TESSARY_PLAIN_RECORD(TBeginRecord)
TESSARY_PLAIN_RECORD(TEndRecord)
TESSARY_PLAIN_RECORD(TChartAIRecord)

// A record whose payload starts with one 16-bit value that the engine reads
// or changes (DATEMODE, PRECISION, BOOKBOOL, WSBOOL, DEFCOLWIDTH,
// STANDARDWIDTH).
class TWordRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TWordRecord)
  uint16_t Value() const;
  void SetValue(uint16_t value);
};

#define TESSARY_WORD_RECORD(Class)   \
  class Class : public TWordRecord { \
   public:                           \
    using TWordRecord::TWordRecord;  \
    TESSARY_RECORD_CLONE(Class)      \
  };

TESSARY_WORD_RECORD(T1904Record)
TESSARY_WORD_RECORD(TPrecisionRecord)
TESSARY_WORD_RECORD(TBookBoolRecord)
TESSARY_WORD_RECORD(TWsBoolRecord)
TESSARY_WORD_RECORD(TDefColWidthRecord)
TESSARY_WORD_RECORD(TStandardWidthRecord)

// BOF: version (offset 0, must be BIFF8) and section kind (offset 2).
class TBOFRecord : public TBaseRecord {
 public:
  // Refuses another version with "Template file is saved with an invalid
  // Excel version".
  TBOFRecord(uint16_t id, std::vector<uint8_t> data);
  TESSARY_RECORD_CLONE(TBOFRecord)
  uint16_t Version() const;
  uint16_t Kind() const;
};

// WINDOW1: the workbook window; the engine uses the tab words.
class TWindow1Record : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TWindow1Record)
  uint16_t ActiveTab() const;
  void SetActiveTab(uint16_t value);
  uint16_t FirstVisibleTab() const;
  void SetFirstVisibleTab(uint16_t value);
  uint16_t SelectedTabs() const;
  void SetSelectedTabs(uint16_t value);
};

// WINDOW2: a sheet's window options (offset 0).
class TWindow2Record : public TBaseRecord {
 public:
  static constexpr uint16_t kShowGridLines = 0x0002;
  static constexpr uint16_t kSelected = 0x0200;
  static constexpr uint16_t kShownInWindow = 0x0400;

  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TWindow2Record)
  uint16_t Options() const;
  void SetOptions(uint16_t value);
  void SetOption(uint16_t bits, bool on);
  bool Selected() const { return (Options() & kSelected) != 0; }
  // Selected and shown in the window, or neither.
  void SetSelected(bool value) { SetOption(kSelected | kShownInWindow, value); }
};

// BOUNDSHEET: the BOF position of a sheet, its option word (visibility in
// the low byte, sheet type in the high byte) and its name.
class TBoundSheetRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TBoundSheetRecord)
  // A new record: position 0, the option word and the name.
  static std::unique_ptr<TBoundSheetRecord> Build(uint16_t optionFlags, std::u16string_view name);

  uint32_t Position() const;
  void SetPosition(uint32_t value);
  uint16_t OptionFlags() const;
  void SetOptionFlags(uint16_t value);
  // 0 visible, 1 hidden, 2 very hidden.
  uint8_t Visibility() const { return OptionFlags() & 0x03; }
  std::u16string SheetName() const;
  // Rebuilds the payload with the new name, keeping position and option
  // word. Returns the change of the payload length, for AdaptSize.
  int64_t SetSheetName(std::u16string_view name);
  // True when the payload holds the fixed fields and the whole name.
  bool IsWellFormed() const;
};

// GUTS: the outline gutter sizes and levels.
class TGutsRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TGutsRecord)
  // Set when the outline levels must be recomputed from rows and columns
  // before the record is written.
  bool RecalcNeeded = false;
  void SetLevels(uint16_t rowLevel, uint16_t colLevel);
};

// DEFAULTROWHEIGHT: option flags (offset 0) and the height in twips (2).
class TDefRowHeightRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TDefRowHeightRecord)
  uint16_t Height() const;
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

// PALETTE: a count (offset 0) and that many 0x00BBGGRR colours.
class TPaletteRecord : public TBaseRecord {
 public:
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
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TExternSheetRecord)
  // Entries whose data lie within this record's own payload.
  uint32_t EntryCount() const;
  // Entries that point at `supBook` and at sheet `first` or later move by
  // `delta`; entries pointing into a removed range [first, first - delta)
  // become deleted references.
  void ShiftSheets(uint16_t supBook, uint16_t first, int delta);
};

// SUPBOOK: an external (or the workbook's own) book reference.
class TSupBookRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TSupBookRecord)
  // The record that stands for this workbook's own sheets.
  bool IsSelfReference() const;
  void SetSheetCount(uint16_t count);
};

// NAME: a defined name; offset 8 holds the 1-based sheet of a local name.
class TNameRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TNameRecord)
  uint16_t SheetIndex() const;
  void SetSheetIndex(uint16_t value);
};

// HLINK, with the HLINKTOOLTIP that followed it, written right after it.
class THLinkRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  THLinkRecord(const THLinkRecord& other);
  TESSARY_RECORD_CLONE(THLinkRecord)
  void SaveToStream(TRecordStream& stream) const override;
  uint64_t TotalSize() const override;
  uint64_t TotalSizeNoHeaders() const override;
  void AttachToolTip(std::unique_ptr<TBaseRecord> toolTip);

  std::unique_ptr<TBaseRecord> FToolTip;
};

// Joins a record that belongs to a FORMULA (its ARRAY, TABLE, SHRFMLA or
// STRING) to it, so that it is written right after the formula.
void AttachToFormula(TBaseRecord& formula, std::unique_ptr<TBaseRecord> record);

// Builds the record object for a record type read from a stream: dropped
// types become TIgnoreRecord, FILEPASS is refused with "File is password
// protected", every type without a class of its own is a plain TBaseRecord.
std::unique_ptr<TBaseRecord> CreateRecord(uint16_t id, std::vector<uint8_t> data);

// True for the types a section frees as soon as it sees them.
bool IsDroppedRecordType(uint16_t id);

// A plain copy of a record (type, payload, CONTINUE chain), whatever its
// class: for records kept exactly as read.
std::unique_ptr<TBaseRecord> PlainCopy(const TBaseRecord& record);

}  // namespace tessary

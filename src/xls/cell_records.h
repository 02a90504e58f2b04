// The records of a worksheet's cell block: the cell records (BLANK, NUMBER,
// RK, LABELSST, BOOLERR, and LABEL, RSTRING and FORMULA as read from files),
// ROW, the multiple-cell records MULRK and MULBLANK, COLINFO, DIMENSIONS and
// MERGEDCELLS. Every cell record starts with row, column and XF index; runs
// of RK and BLANK cells are joined into MULRK and MULBLANK when written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "xls/base_record.h"
#include "xls/excel_string.h"

namespace tessary {

class TSST;

inline constexpr int kMaxSheetRow = 65535;
inline constexpr int kMaxSheetCol = 255;
// The default cell format of a sheet.
inline constexpr uint16_t kDefaultCellXF = 15;

// A date is a serial day number (days since 30 December 1899, the time of
// day as the fraction); it is stored like a number.
struct TXlsDate {
  double Serial = 0;
  bool operator==(const TXlsDate&) const = default;
};

// empty, text, number, Boolean, date
using TXlsValue = std::variant<std::monostate, std::u16string, double, bool, TXlsDate>;

struct TXlsCellValue {
  TXlsValue Value;
  // -1 keeps the cell's XF, or the default XF of a new cell.
  int32_t XF = -1;
  bool IsFormula = false;
};

// The RK form of a double: true with the 32-bit RK value when there is one.
bool EncodeRK(double value, uint32_t& rk);
double DecodeRK(uint32_t rk);

// Payload offset 0 row, 2 column.
class TBaseRowColRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TBaseRowColRecord)
  uint16_t Row() const;
  void SetRow(uint16_t value);
  uint16_t Column() const;
  void SetColumn(uint16_t value);
};

// Payload offset 4 XF index. The base class writes the whole record and
// joins with nothing.
class TCellRecord : public TBaseRowColRecord {
 public:
  using TBaseRowColRecord::TBaseRowColRecord;
  TESSARY_RECORD_CLONE(TCellRecord)
  uint16_t XF() const;
  void SetXF(uint16_t value);

  // True when `next` can share one multiple-cell record with this one.
  virtual bool CanJoinNext(const TCellRecord& next, int maxCol) const;
  // The first record of a joined run writes the joined header;
  // `joinedSize` is the whole joined record, header included.
  virtual void SaveFirstMul(TRecordStream& stream, uint64_t joinedSize) const;
  virtual void SaveMidMul(TRecordStream& stream) const;
  virtual void SaveLastMul(TRecordStream& stream) const;
  virtual uint64_t TotalSizeFirst() const { return TotalSize(); }
  virtual uint64_t TotalSizeMid() const { return TotalSize(); }
  virtual uint64_t TotalSizeLast() const { return TotalSize(); }

  virtual TXlsValue GetValue() const { return {}; }
  virtual bool IsFormula() const { return false; }
};

class TBlankRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TESSARY_RECORD_CLONE(TBlankRecord)
  static std::unique_ptr<TBlankRecord> Build(uint16_t row, uint16_t col, uint16_t xf);

  bool CanJoinNext(const TCellRecord& next, int maxCol) const override;
  void SaveFirstMul(TRecordStream& stream, uint64_t joinedSize) const override;
  void SaveMidMul(TRecordStream& stream) const override;
  void SaveLastMul(TRecordStream& stream) const override;
  uint64_t TotalSizeFirst() const override { return 10; }
  uint64_t TotalSizeMid() const override { return 2; }
  uint64_t TotalSizeLast() const override { return 4; }
};

// Offset 6: IEEE double.
class TNumberRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TESSARY_RECORD_CLONE(TNumberRecord)
  static std::unique_ptr<TNumberRecord> Build(uint16_t row, uint16_t col, uint16_t xf);
  double Value() const;
  void SetValue(double value);
  TXlsValue GetValue() const override { return Value(); }
};

// Offset 6: 32-bit RK value.
class TRKRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TESSARY_RECORD_CLONE(TRKRecord)
  static std::unique_ptr<TRKRecord> Build(uint16_t row, uint16_t col, uint16_t xf);
  uint32_t RK() const;
  double Value() const { return DecodeRK(RK()); }
  // Fails with "Invalid cell value: "%s"" for a value without RK form.
  void SetValue(double value);
  TXlsValue GetValue() const override { return Value(); }

  bool CanJoinNext(const TCellRecord& next, int maxCol) const override;
  void SaveFirstMul(TRecordStream& stream, uint64_t joinedSize) const override;
  void SaveMidMul(TRecordStream& stream) const override;
  void SaveLastMul(TRecordStream& stream) const override;
  uint64_t TotalSizeFirst() const override { return 14; }
  uint64_t TotalSizeMid() const override { return 6; }
  uint64_t TotalSizeLast() const override { return 8; }
};

// Offset 6: index into the shared string table, written at save time from
// the entry the record holds. The record holds one reference to its entry.
class TLabelSSTRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TLabelSSTRecord(const TLabelSSTRecord& other);
  ~TLabelSSTRecord() override;
  TESSARY_RECORD_CLONE(TLabelSSTRecord)
  // A string cell without an entry yet.
  static std::unique_ptr<TLabelSSTRecord> Build(uint16_t row, uint16_t col, uint16_t xf, TSST& sst);

  // For a record read from a file: takes the entry at the index of offset 6
  // ("Error reading Excel records. File invalid" when there is none).
  void AttachToSST(TSST& sst);
  void SetAsString(std::u16string_view value);
  void SetAsRichString(std::u16string_view value, const std::vector<TRTFRun>& runs);
  // The text of the entry; empty without one.
  std::u16string Text() const;
  TXlsValue GetValue() const override { return Text(); }
  void SaveToStream(TRecordStream& stream) const override;

  TSST* FSST = nullptr;
  // Byte offset of the entry in the table, -1 while there is none.
  int64_t FEntry = -1;
};

// Offset 6: value byte, offset 7: 0 for a Boolean, 1 for an error code.
class TBoolErrRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TESSARY_RECORD_CLONE(TBoolErrRecord)
  static std::unique_ptr<TBoolErrRecord> Build(uint16_t row, uint16_t col, uint16_t xf);
  bool IsError() const;
  void SetBool(bool value);
  // One of the seven error names ("#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
  // "#NAME?", "#NUM!", "#N/A"); others fail with "Invalid cell error code:
  // "%s"".
  void SetErrorText(std::u16string_view text);
  // A Boolean, or the error name as text.
  TXlsValue GetValue() const override;
};

// The name of a BIFF8 error code; empty for an unknown code.
std::u16string ErrorCodeText(uint8_t code);

// LABEL: a string cell with its text in the record (16-bit count).
class TLabelRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TESSARY_RECORD_CLONE(TLabelRecord)
  TXlsValue GetValue() const override;
};

// RSTRING: a LABEL with rich-text runs after the text.
class TRStringRecord : public TLabelRecord {
 public:
  using TLabelRecord::TLabelRecord;
  TESSARY_RECORD_CLONE(TRStringRecord)
};

// FORMULA with the records that belong to it (ARRAY, TABLE, SHRFMLA,
// STRING), kept as read and written right after it.
class TFormulaRecord : public TCellRecord {
 public:
  using TCellRecord::TCellRecord;
  TFormulaRecord(const TFormulaRecord& other);
  TESSARY_RECORD_CLONE(TFormulaRecord)
  void Attach(std::unique_ptr<TBaseRecord> record);
  void SaveToStream(TRecordStream& stream) const override;
  uint64_t TotalSize() const override;
  uint64_t TotalSizeNoHeaders() const override;
  // The cached result: a number, a Boolean, an error name, the text of the
  // attached STRING, or empty.
  TXlsValue GetValue() const override;
  bool IsFormula() const override { return true; }

  std::vector<std::unique_ptr<TBaseRecord>> FFollowers;
};

// ROW: 16-byte payload.
class TRowRecord : public TBaseRecord {
 public:
  static constexpr uint8_t kHidden = 0x20;
  static constexpr uint8_t kCustomHeight = 0x40;
  static constexpr uint8_t kFormatted = 0x80;
  static constexpr uint16_t kStandardHeight = 255;

  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TRowRecord)
  // A standard row: columns 0 and 0, height 255, flags 0, byte 13 1, XF 15.
  static std::unique_ptr<TRowRecord> Build(uint16_t row);

  uint16_t Row() const;
  void SetRow(uint16_t value);
  uint16_t FirstCol() const;
  void SetFirstCol(uint16_t value);
  // Last column in use + 1.
  uint16_t LastCol() const;
  void SetLastCol(uint16_t value);
  uint16_t Height() const;
  void SetHeight(uint16_t value);
  uint8_t Flags() const;
  void SetFlags(uint8_t value);
  // Not a standard row any more: flags not 0 or byte 13 not 1.
  bool IsModified() const;
  bool IsFormatted() const { return (Flags() & kFormatted) != 0; }
  uint16_t XF() const;
  uint8_t OutlineLevel() const { return Flags() & 0x07; }
  // The record as written inside a DIMENSIONS range of columns [0, right].
  void SaveClipped(TRecordStream& stream, uint16_t right) const;
};

// MULRK and MULBLANK: row, first column, one entry per cell, last column.
// They are split into RK and BLANK records when read.
class TMulRKRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TMulRKRecord)
  // One RK record per cell; "Error reading Excel records. File invalid" when
  // the payload and its column range disagree.
  std::vector<std::unique_ptr<TCellRecord>> Split() const;
};

class TMulBlankRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TMulBlankRecord)
  std::vector<std::unique_ptr<TCellRecord>> Split() const;
};

// COLINFO: first column, last column, width, XF, options, 0.
class TColInfoRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TColInfoRecord)
  uint16_t FirstCol() const;
  uint16_t LastCol() const;
  uint16_t Width() const;
  uint16_t XF() const;
  uint16_t Options() const;
};

// DIMENSIONS: first row, last row + 1 (32-bit), first column, last column +
// 1, 0 (16-bit).
class TDimensionsRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TDimensionsRecord)
  static std::unique_ptr<TDimensionsRecord> Build(uint32_t firstRow, uint32_t lastRowPlus1,
                                                  uint16_t firstCol, uint16_t lastColPlus1);
};

struct TMergedRange {
  uint16_t FirstRow = 0;
  uint16_t LastRow = 0;
  uint16_t FirstCol = 0;
  uint16_t LastCol = 0;
  bool operator==(const TMergedRange&) const = default;
  bool Overlaps(const TMergedRange& other) const;
};

// MERGEDCELLS: a count, then first row, last row, first column, last column
// per range.
class TCellMergingRecord : public TBaseRecord {
 public:
  static constexpr size_t kMaxRanges = 1027;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TCellMergingRecord)
  // "Error reading Excel records. File invalid" when the count does not fit
  // the payload.
  std::vector<TMergedRange> Ranges() const;
};

// The record object for a record of the cell block (cell records, ROW,
// MULRK, MULBLANK, COLINFO, DIMENSIONS, MERGEDCELLS), or null for any other
// type. Payloads too short for their fields are refused with "Error reading
// Excel records. File invalid".
std::unique_ptr<TBaseRecord> CreateCellBlockRecord(uint16_t id, std::vector<uint8_t>& data);

}  // namespace tessary

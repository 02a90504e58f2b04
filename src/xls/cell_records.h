// Values of a worksheet's cells and the cell records the cell block keeps
// as objects: a ROW, and the cell records read from files that it carries
// with their whole payload (FORMULA with its attached records, LABEL,
// RSTRING, and a LABELSST of a sheet without a string table). The cells the
// engine stores itself live in the block as plain values (cells.h).
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

// A sheet holds rows 0 to 65535 and columns 0 to 255.
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

// The name of a BIFF8 error code ("#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
// "#NAME?", "#NUM!", "#N/A"); empty for an unknown code.
std::u16string ErrorCodeText(uint8_t code);

// A cell record kept as read: row, column and XF index lead its payload.
class TCellRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsRow = 0;
  static constexpr size_t kOfsColumn = 2;
  static constexpr size_t kOfsXF = 4;
  static constexpr size_t kMinSize = 6;
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TCellRecord)
  uint16_t Row() const { return U16At(kOfsRow); }
  void SetRow(uint16_t value) { SetU16At(kOfsRow, value); }
  uint16_t Column() const { return U16At(kOfsColumn); }
  void SetColumn(uint16_t value) { SetU16At(kOfsColumn, value); }
  uint16_t XF() const { return U16At(kOfsXF); }
  void SetXF(uint16_t value) { SetU16At(kOfsXF, value); }

  virtual TXlsValue GetValue() const { return {}; }
  virtual bool IsFormula() const { return false; }
  // The error code of an error result, or -1.
  virtual int ErrorCode() const { return -1; }
};

// LABEL and RSTRING: a string cell with its text in the record (16-bit
// count), RSTRING with rich-text runs after it.
class TLabelRecord : public TCellRecord {
 public:
  static constexpr size_t kOfsText = 6;
  using TCellRecord::TCellRecord;
  TESSARY_RECORD_CLONE(TLabelRecord)
  // The text; empty when it does not fit the payload.
  TXlsValue GetValue() const override;
};

// LABELSST of a sheet kept as read (a macro sheet): its index is that of
// its string in the table last written. The record holds one reference to
// its entry.
class TLabelSSTRecord : public TCellRecord {
 public:
  static constexpr size_t kOfsIndex = 6;
  static constexpr size_t kMinSize = 10;
  using TCellRecord::TCellRecord;
  TLabelSSTRecord(const TLabelSSTRecord& other);
  ~TLabelSSTRecord() override;
  TESSARY_RECORD_CLONE(TLabelSSTRecord)

  // Takes the entry at the index of its payload ("Error reading Excel
  // records. File invalid" when there is none).
  void AttachToSST(TSST& sst);
  // The text of the entry; empty without one.
  TXlsValue GetValue() const override;
  void SaveToStream(TRecordStream& stream) const override;

 private:
  TSST* FSST = nullptr;
  // Byte offset of the entry in the table, -1 while there is none.
  int64_t FEntry = -1;
};

// FORMULA with the records that belong to it (ARRAY, TABLE, SHRFMLA,
// STRING), kept as read and written right after it.
class TFormulaRecord : public TCellRecord {
 public:
  static constexpr size_t kOfsResult = 6;
  static constexpr size_t kResultSize = 8;
  using TCellRecord::TCellRecord;
  TFormulaRecord(const TFormulaRecord& other);
  TESSARY_RECORD_CLONE(TFormulaRecord)
  void Attach(std::unique_ptr<TBaseRecord> record);
  void SaveToStream(TRecordStream& stream) const override;
  // The cached result: a number, a Boolean, an error name, the text of the
  // attached STRING, or empty.
  TXlsValue GetValue() const override;
  bool IsFormula() const override { return true; }
  int ErrorCode() const override;

 private:
  std::vector<std::unique_ptr<TBaseRecord>> FFollowers;
};

// ROW: 16-byte payload.
class TRowRecord : public TBaseRecord {
 public:
  static constexpr size_t kOfsRow = 0;
  static constexpr size_t kOfsFirstCol = 2;
  static constexpr size_t kOfsLastCol = 4;
  static constexpr size_t kOfsHeight = 6;
  static constexpr size_t kOfsReserved = 8;
  static constexpr size_t kOfsFlags = 12;
  static constexpr size_t kOfsFlags2 = 13;
  static constexpr size_t kOfsXF = 14;
  static constexpr size_t kMinSize = 16;

  static constexpr uint8_t kHidden = 0x20;
  static constexpr uint8_t kCustomHeight = 0x40;
  static constexpr uint8_t kFormatted = 0x80;
  static constexpr uint16_t kStandardHeight = 255;

  // Keeps the 16 bytes of the record's fields, offset 8 cleared.
  TRowRecord(uint16_t id, std::vector<uint8_t> data);
  TESSARY_RECORD_CLONE(TRowRecord)
  // A standard row: columns 0 and 0, height 255, flags 0, byte 13 1, XF 15.
  static std::unique_ptr<TRowRecord> Build(uint16_t row);

  uint16_t Row() const { return U16At(kOfsRow); }
  void SetRow(uint16_t value) { SetU16At(kOfsRow, value); }
  uint16_t FirstCol() const { return U16At(kOfsFirstCol); }
  void SetFirstCol(uint16_t value) { SetU16At(kOfsFirstCol, value); }
  // Last column in use + 1.
  uint16_t LastCol() const { return U16At(kOfsLastCol); }
  void SetLastCol(uint16_t value) { SetU16At(kOfsLastCol, value); }
  uint16_t Height() const { return U16At(kOfsHeight) & 0x7FFF; }
  void SetHeight(uint16_t value);
  uint8_t Flags() const { return U8At(kOfsFlags); }
  void SetFlags(uint8_t value) { SetU8At(kOfsFlags, value); }
  // Not a standard row any more: flags not 0 or byte 13 not 1.
  bool IsModified() const { return Flags() != 0 || U8At(kOfsFlags2) != 1; }
  bool IsFormatted() const { return (Flags() & kFormatted) != 0; }
  uint16_t XF() const { return U16At(kOfsXF) & 0x0FFF; }
};

// The smallest payload of a record of the cell block (cell records, ROW,
// MULRK, MULBLANK, COLINFO, MERGEDCELLS); 0 for any other type.
size_t CellBlockMinPayloadSize(uint16_t id);
// The cell records whose payload has a fixed size, that minimum (BLANK,
// NUMBER, RK, BOOLERR, LABELSST).
bool IsFixedSizeCellRecord(uint16_t id);

// The record object for the cell records kept as objects (FORMULA, LABEL,
// RSTRING, LABELSST) and ROW, or null for any other type. The payload's
// size has been checked.
std::unique_ptr<TBaseRecord> CreateCellRecord(uint16_t id, std::vector<uint8_t>& data);

}  // namespace tessary

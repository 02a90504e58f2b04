#include "xls/cell_records.h"

#include <bit>
#include <cmath>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace tessary {

// A BIFF8 string with a 16-bit count at `pos` (LABEL, RSTRING, STRING);
// empty when it does not fit the payload.
static std::u16string ReadString16(const std::vector<uint8_t>& data, size_t pos) {
  TByteReader in(data, kFileInvalidText);
  if (!in.Has(pos + 3)) return {};
  in.Seek(pos);
  const size_t count = in.U16();
  const uint8_t options = in.U8();
  const size_t skip =
      ((options & xlstr::kRichText) ? 2 : 0) + ((options & xlstr::kFarEast) ? 4 : 0);
  const size_t width = (options & xlstr::kWide) ? 2 : 1;
  if (!in.Has(skip) || count > (in.Left() - skip) / width) return {};
  in.Skip(skip);
  std::u16string text(count, u'\0');
  for (size_t i = 0; i < count; ++i) text[i] = width == 2 ? in.U16() : in.U8();
  return text;
}

// ---- RK values ----

bool EncodeRK(double value, uint32_t& rk) {
  for (const int multiplier : {1, 100}) {
    const double d = value * multiplier;
    const uint64_t bits = std::bit_cast<uint64_t>(d);
    const uint32_t flag = multiplier == 100 ? 1u : 0u;
    if ((bits & ((uint64_t{1} << 34) - 1)) == 0) {
      rk = static_cast<uint32_t>(bits >> 32) | flag;
      return true;
    }
    if (d >= -536870912.0 && d <= 536870911.0 && d == std::floor(d)) {
      rk = static_cast<uint32_t>(static_cast<int32_t>(d) * 4 + 2) | flag;
      return true;
    }
  }
  return false;
}

double DecodeRK(uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    value = std::bit_cast<double>(static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32);
  }
  return (rk & 0x01) ? value / 100 : value;
}

// ---- error codes ----

static constexpr struct {
  uint8_t Code;
  const char16_t* Name;
} kErrorCodes[] = {{0x00, u"#NULL!"}, {0x07, u"#DIV/0!"}, {0x0F, u"#VALUE!"}, {0x17, u"#REF!"},
                   {0x1D, u"#NAME?"}, {0x24, u"#NUM!"},   {0x2A, u"#N/A"}};

std::u16string ErrorCodeText(uint8_t code) {
  for (const auto& e : kErrorCodes) {
    if (e.Code == code) return e.Name;
  }
  return {};
}

// ---- LABEL, RSTRING ----

TXlsValue TLabelRecord::GetValue() const { return ReadString16(Data, kOfsText); }

// ---- LABELSST kept as read ----

TLabelSSTRecord::TLabelSSTRecord(const TLabelSSTRecord& other)
    : TCellRecord(other), FSST(other.FSST), FEntry(other.FEntry) {
  if (FSST != nullptr && FEntry >= 0) FSST->AddRef(static_cast<uint32_t>(FEntry));
}

TLabelSSTRecord::~TLabelSSTRecord() {
  if (FSST != nullptr && FEntry >= 0) FSST->Release(static_cast<uint32_t>(FEntry));
}

void TLabelSSTRecord::AttachToSST(TSST& sst) {
  const uint32_t index = U32At(kOfsIndex);
  if (index >= sst.Count()) ThrowFileInvalid();
  const uint32_t entry = sst.EntryOffsetAt(index);
  sst.AddRef(entry);
  if (FSST != nullptr && FEntry >= 0) FSST->Release(static_cast<uint32_t>(FEntry));
  FSST = &sst;
  FEntry = entry;
}

TXlsValue TLabelSSTRecord::GetValue() const {
  if (FSST == nullptr || FEntry < 0) return std::u16string();
  return FSST->EntryText(static_cast<uint32_t>(FEntry));
}

void TLabelSSTRecord::SaveToStream(TRecordStream& stream) const {
  if (FSST == nullptr || FEntry < 0) {
    TBaseRecord::SaveToStream(stream);
    return;
  }
  std::vector<uint8_t> data = Data;
  PutU32(data.data() + kOfsIndex, FSST->EntryIndex(static_cast<uint32_t>(FEntry)));
  WriteRecord(stream, Id, data);
  if (Continue) Continue->SaveToStream(stream);
}

// ---- FORMULA ----

TFormulaRecord::TFormulaRecord(const TFormulaRecord& other) : TCellRecord(other) {
  for (const auto& f : other.FFollowers) FFollowers.push_back(f->Clone());
}

void TFormulaRecord::Attach(std::unique_ptr<TBaseRecord> record) {
  FFollowers.push_back(std::move(record));
}

void TFormulaRecord::SaveToStream(TRecordStream& stream) const {
  TBaseRecord::SaveToStream(stream);
  for (const auto& f : FFollowers) f->SaveToStream(stream);
}

// The cached result lies at offset 6: a double, or with 0xFFFF in its last
// two bytes a kind byte (0 text, 1 Boolean, 2 error) and a value byte at 8.
TXlsValue TFormulaRecord::GetValue() const {
  if (Data.size() < kOfsResult + kResultSize) return {};
  if (U16At(12) != 0xFFFF) return GetDouble(Data.data() + kOfsResult);
  switch (Data[kOfsResult]) {
    case 0:
      for (const auto& f : FFollowers) {
        if (f->Id == xlsid::STRING) return ReadString16(f->Data, 0);
      }
      return std::u16string();
    case 1:
      return Data[8] != 0;
    case 2:
      return ErrorCodeText(Data[8]);
    default:
      return {};
  }
}

int TFormulaRecord::ErrorCode() const {
  if (Data.size() < kOfsResult + kResultSize || U16At(12) != 0xFFFF) return -1;
  return Data[kOfsResult] == 2 ? Data[8] : -1;
}

// ---- ROW ----

TRowRecord::TRowRecord(uint16_t id, std::vector<uint8_t> data) : TBaseRecord(id, std::move(data)) {
  if (Data.size() < kMinSize) ThrowFileInvalid();
  Data.resize(kMinSize);
  SetU16At(kOfsReserved, 0);
}

std::unique_ptr<TRowRecord> TRowRecord::Build(uint16_t row) {
  std::vector<uint8_t> data(kMinSize, 0);
  PutU16(data.data() + kOfsRow, row);
  PutU16(data.data() + kOfsHeight, kStandardHeight);
  data[kOfsFlags2] = 0x01;
  PutU16(data.data() + kOfsXF, kDefaultCellXF);
  return std::make_unique<TRowRecord>(xlsid::ROW, std::move(data));
}

void TRowRecord::SetHeight(uint16_t value) {
  SetU16At(kOfsHeight, static_cast<uint16_t>((U16At(kOfsHeight) & 0x8000) | (value & 0x7FFF)));
}

// ---- factory ----

size_t CellBlockMinPayloadSize(uint16_t id) {
  switch (id) {
    case xlsid::FORMULA:
    case xlsid::BLANK:
    case xlsid::LABEL:
    case xlsid::RSTRING:
    case xlsid::MULRK:
    case xlsid::MULBLANK:
      return 6;  // row, column, XF (first column, first XF)
    case xlsid::BOOLERR:
      return 8;
    case xlsid::RK:
    case xlsid::LABELSST:
    case xlsid::COLINFO:
      return 10;
    case xlsid::NUMBER:
      return 14;
    case xlsid::ROW:
      return TRowRecord::kMinSize;
    case xlsid::MERGEDCELLS:
      return 2;  // the count
    default:
      return 0;
  }
}

bool IsFixedSizeCellRecord(uint16_t id) {
  return id == xlsid::BLANK || id == xlsid::NUMBER || id == xlsid::RK || id == xlsid::BOOLERR ||
         id == xlsid::LABELSST;
}

std::unique_ptr<TBaseRecord> CreateCellRecord(uint16_t id, std::vector<uint8_t>& data) {
  switch (id) {
    case xlsid::FORMULA:
      return std::make_unique<TFormulaRecord>(id, std::move(data));
    case xlsid::LABEL:
    case xlsid::RSTRING:
      return std::make_unique<TLabelRecord>(id, std::move(data));
    case xlsid::LABELSST:
      return std::make_unique<TLabelSSTRecord>(id, std::move(data));
    case xlsid::ROW:
      return std::make_unique<TRowRecord>(id, std::move(data));
    default:
      return nullptr;
  }
}

}  // namespace tessary

#include "xls/cell_records.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <typeinfo>

#include "common/bytes.h"
#include "common/error.h"
#include "text/utf16.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace tessary {

// ---- payload helpers ----

static std::vector<uint8_t> CellPayload(size_t size, uint16_t row, uint16_t col, uint16_t xf) {
  std::vector<uint8_t> data(size, 0);
  PutU16(data.data(), row);
  PutU16(data.data() + 2, col);
  PutU16(data.data() + 4, xf);
  return data;
}

static void WriteHeader(TRecordStream& stream, uint16_t id, uint64_t payloadSize) {
  uint8_t header[4];
  PutU16(header, id);
  PutU16(header + 2, static_cast<uint16_t>(payloadSize));
  stream.WriteMem(header, 4);
}

static void WriteU16(TRecordStream& stream, uint16_t value) {
  uint8_t b[2];
  PutU16(b, value);
  stream.WriteMem(b, 2);
}

static void WriteU32(TRecordStream& stream, uint32_t value) {
  uint8_t b[4];
  PutU32(b, value);
  stream.WriteMem(b, 4);
}

// A BIFF8 string with a 16-bit count at `pos` (LABEL, RSTRING, STRING);
// empty when it does not fit the payload.
static std::u16string ReadString16(const std::vector<uint8_t>& data, size_t pos) {
  if (pos + 3 > data.size()) return {};
  const size_t count = GetU16(data.data() + pos);
  const uint8_t options = data[pos + 2];
  pos += 3;
  if (options & xlstr::kRichText) pos += 2;
  if (options & xlstr::kFarEast) pos += 4;
  const size_t width = (options & xlstr::kWide) ? 2 : 1;
  if (pos > data.size() || count * width > data.size() - pos) return {};
  std::u16string text(count, u'\0');
  for (size_t i = 0; i < count; ++i) {
    text[i] = width == 2 ? static_cast<char16_t>(GetU16(data.data() + pos + 2 * i))
                         : static_cast<char16_t>(data[pos + i]);
  }
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

// ---- TBaseRowColRecord, TCellRecord ----

uint16_t TBaseRowColRecord::Row() const { return GetU16(Data.data()); }
void TBaseRowColRecord::SetRow(uint16_t value) { PutU16(Data.data(), value); }
uint16_t TBaseRowColRecord::Column() const { return GetU16(Data.data() + 2); }
void TBaseRowColRecord::SetColumn(uint16_t value) { PutU16(Data.data() + 2, value); }

uint16_t TCellRecord::XF() const { return GetU16(Data.data() + 4); }
void TCellRecord::SetXF(uint16_t value) { PutU16(Data.data() + 4, value); }

bool TCellRecord::CanJoinNext(const TCellRecord&, int) const { return false; }
void TCellRecord::SaveFirstMul(TRecordStream& stream, uint64_t) const { SaveToStream(stream); }
void TCellRecord::SaveMidMul(TRecordStream&) const {}
void TCellRecord::SaveLastMul(TRecordStream&) const {}

// ---- BLANK ----

std::unique_ptr<TBlankRecord> TBlankRecord::Build(uint16_t row, uint16_t col, uint16_t xf) {
  return std::make_unique<TBlankRecord>(xlsid::BLANK, CellPayload(6, row, col, xf));
}

bool TBlankRecord::CanJoinNext(const TCellRecord& next, int maxCol) const {
  return typeid(next) == typeid(TBlankRecord) && next.Column() == Column() + 1 &&
         next.Column() <= maxCol;
}

void TBlankRecord::SaveFirstMul(TRecordStream& stream, uint64_t joinedSize) const {
  WriteHeader(stream, xlsid::MULBLANK, joinedSize - 4);
  WriteU16(stream, Row());
  WriteU16(stream, Column());
  WriteU16(stream, XF());
}

void TBlankRecord::SaveMidMul(TRecordStream& stream) const { WriteU16(stream, XF()); }

void TBlankRecord::SaveLastMul(TRecordStream& stream) const {
  WriteU16(stream, XF());
  WriteU16(stream, Column());
}

// ---- NUMBER ----

std::unique_ptr<TNumberRecord> TNumberRecord::Build(uint16_t row, uint16_t col, uint16_t xf) {
  return std::make_unique<TNumberRecord>(xlsid::NUMBER, CellPayload(14, row, col, xf));
}

double TNumberRecord::Value() const { return GetDouble(Data.data() + 6); }
void TNumberRecord::SetValue(double value) { PutDouble(Data.data() + 6, value); }

// ---- RK ----

std::unique_ptr<TRKRecord> TRKRecord::Build(uint16_t row, uint16_t col, uint16_t xf) {
  return std::make_unique<TRKRecord>(xlsid::RK, CellPayload(10, row, col, xf));
}

uint32_t TRKRecord::RK() const { return GetU32(Data.data() + 6); }

void TRKRecord::SetValue(double value) {
  uint32_t rk;
  if (!EncodeRK(value, rk)) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    ThrowError("Invalid cell value: \"%.*s\"", static_cast<int>(result.ptr - text), text);
  }
  PutU32(Data.data() + 6, rk);
}

bool TRKRecord::CanJoinNext(const TCellRecord& next, int maxCol) const {
  return typeid(next) == typeid(TRKRecord) && next.Column() == Column() + 1 &&
         next.Column() <= maxCol;
}

void TRKRecord::SaveFirstMul(TRecordStream& stream, uint64_t joinedSize) const {
  WriteHeader(stream, xlsid::MULRK, joinedSize - 4);
  WriteU16(stream, Row());
  WriteU16(stream, Column());
  WriteU16(stream, XF());
  WriteU32(stream, RK());
}

void TRKRecord::SaveMidMul(TRecordStream& stream) const {
  WriteU16(stream, XF());
  WriteU32(stream, RK());
}

void TRKRecord::SaveLastMul(TRecordStream& stream) const {
  WriteU16(stream, XF());
  WriteU32(stream, RK());
  WriteU16(stream, Column());
}

// ---- LABELSST ----

TLabelSSTRecord::TLabelSSTRecord(const TLabelSSTRecord& other)
    : TCellRecord(other), FSST(other.FSST), FEntry(other.FEntry) {
  if (FSST != nullptr && FEntry >= 0) FSST->AddRef(static_cast<uint32_t>(FEntry));
}

TLabelSSTRecord::~TLabelSSTRecord() {
  if (FSST != nullptr && FEntry >= 0) FSST->Release(static_cast<uint32_t>(FEntry));
}

std::unique_ptr<TLabelSSTRecord> TLabelSSTRecord::Build(uint16_t row, uint16_t col, uint16_t xf,
                                                        TSST& sst) {
  auto record = std::make_unique<TLabelSSTRecord>(xlsid::LABELSST, CellPayload(10, row, col, xf));
  record->FSST = &sst;
  return record;
}

void TLabelSSTRecord::AttachToSST(TSST& sst) {
  const uint32_t index = GetU32(Data.data() + 6);
  if (index >= sst.Count()) ThrowFileInvalid();
  const uint32_t entry = sst.EntryOffsetAt(index);
  sst.AddRef(entry);
  if (FSST != nullptr && FEntry >= 0) FSST->Release(static_cast<uint32_t>(FEntry));
  FSST = &sst;
  FEntry = entry;
}

void TLabelSSTRecord::SetAsString(std::u16string_view value) { SetAsRichString(value, {}); }

void TLabelSSTRecord::SetAsRichString(std::u16string_view value, const std::vector<TRTFRun>& runs) {
  if (FSST == nullptr) ThrowFileInvalid();
  const uint32_t entry = FSST->EntryOffsetAt(FSST->AddString(value, runs));
  const int64_t old = FEntry;
  FEntry = entry;
  if (old >= 0) FSST->Release(static_cast<uint32_t>(old));
}

std::u16string TLabelSSTRecord::Text() const {
  if (FSST == nullptr || FEntry < 0) return {};
  return FSST->EntryText(static_cast<uint32_t>(FEntry));
}

void TLabelSSTRecord::SaveToStream(TRecordStream& stream) const {
  if (FSST == nullptr || FEntry < 0) {
    TBaseRecord::SaveToStream(stream);
    return;
  }
  std::vector<uint8_t> data = Data;
  PutU32(data.data() + 6, FSST->EntryIndex(static_cast<uint32_t>(FEntry)));
  WriteRecord(stream, Id, data.data(), DataSize());
  if (Continue) Continue->SaveToStream(stream);
}

// ---- BOOLERR ----

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

std::unique_ptr<TBoolErrRecord> TBoolErrRecord::Build(uint16_t row, uint16_t col, uint16_t xf) {
  return std::make_unique<TBoolErrRecord>(xlsid::BOOLERR, CellPayload(8, row, col, xf));
}

bool TBoolErrRecord::IsError() const { return Data[7] != 0; }

void TBoolErrRecord::SetBool(bool value) {
  Data[6] = value ? 1 : 0;
  Data[7] = 0;
}

void TBoolErrRecord::SetErrorText(std::u16string_view text) {
  for (const auto& e : kErrorCodes) {
    if (text == e.Name) {
      Data[6] = e.Code;
      Data[7] = 1;
      return;
    }
  }
  ThrowError("Invalid cell error code: \"%s\"", ToUtf8(text).c_str());
}

TXlsValue TBoolErrRecord::GetValue() const {
  if (IsError()) return ErrorCodeText(Data[6]);
  return Data[6] != 0;
}

// ---- LABEL, RSTRING ----

TXlsValue TLabelRecord::GetValue() const { return ReadString16(Data, 6); }

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

uint64_t TFormulaRecord::TotalSize() const {
  uint64_t size = TBaseRecord::TotalSize();
  for (const auto& f : FFollowers) size += f->TotalSize();
  return size;
}

uint64_t TFormulaRecord::TotalSizeNoHeaders() const {
  uint64_t size = TBaseRecord::TotalSizeNoHeaders();
  for (const auto& f : FFollowers) size += f->TotalSizeNoHeaders();
  return size;
}

TXlsValue TFormulaRecord::GetValue() const {
  if (Data.size() < 14) return {};
  if (GetU16(Data.data() + 12) != 0xFFFF) return GetDouble(Data.data() + 6);
  switch (Data[6]) {
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

// ---- ROW ----

std::unique_ptr<TRowRecord> TRowRecord::Build(uint16_t row) {
  std::vector<uint8_t> data(16, 0);
  PutU16(data.data(), row);
  PutU16(data.data() + 6, kStandardHeight);
  data[13] = 0x01;
  PutU16(data.data() + 14, kDefaultCellXF);
  return std::make_unique<TRowRecord>(xlsid::ROW, std::move(data));
}

uint16_t TRowRecord::Row() const { return GetU16(Data.data()); }
void TRowRecord::SetRow(uint16_t value) { PutU16(Data.data(), value); }
uint16_t TRowRecord::FirstCol() const { return GetU16(Data.data() + 2); }
void TRowRecord::SetFirstCol(uint16_t value) { PutU16(Data.data() + 2, value); }
uint16_t TRowRecord::LastCol() const { return GetU16(Data.data() + 4); }
void TRowRecord::SetLastCol(uint16_t value) { PutU16(Data.data() + 4, value); }
uint16_t TRowRecord::Height() const { return GetU16(Data.data() + 6) & 0x7FFF; }
void TRowRecord::SetHeight(uint16_t value) {
  PutU16(Data.data() + 6,
         static_cast<uint16_t>((GetU16(Data.data() + 6) & 0x8000) | (value & 0x7FFF)));
}
uint8_t TRowRecord::Flags() const { return Data[12]; }
void TRowRecord::SetFlags(uint8_t value) { Data[12] = value; }
bool TRowRecord::IsModified() const { return Data[12] != 0 || Data[13] != 1; }
uint16_t TRowRecord::XF() const { return GetU16(Data.data() + 14) & 0x0FFF; }

void TRowRecord::SaveClipped(TRecordStream& stream, uint16_t right) const {
  uint8_t data[16];
  std::copy(Data.begin(), Data.begin() + 16, data);
  const uint16_t lastCol = LastCol();
  if (lastCol > right + 1) PutU16(data + 4, static_cast<uint16_t>(right + 1));
  WriteRecord(stream, xlsid::ROW, data, 16);
}

// ---- MULRK, MULBLANK ----

// Checks a multiple-cell payload of `n` entries of `entrySize` bytes and
// returns n.
static size_t CheckMulPayload(const std::vector<uint8_t>& data, size_t entrySize) {
  if (data.size() < 6 + entrySize || (data.size() - 6) % entrySize != 0) ThrowFileInvalid();
  const size_t n = (data.size() - 6) / entrySize;
  const size_t first = GetU16(data.data() + 2);
  const size_t last = GetU16(data.data() + data.size() - 2);
  if (last != first + n - 1 || last > kMaxSheetCol) ThrowFileInvalid();
  return n;
}

std::vector<std::unique_ptr<TCellRecord>> TMulRKRecord::Split() const {
  const size_t n = CheckMulPayload(Data, 6);
  const uint16_t row = GetU16(Data.data());
  const uint16_t first = GetU16(Data.data() + 2);
  std::vector<std::unique_ptr<TCellRecord>> cells;
  cells.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* entry = Data.data() + 4 + 6 * i;
    auto rk = TRKRecord::Build(row, static_cast<uint16_t>(first + i), GetU16(entry));
    PutU32(rk->Data.data() + 6, GetU32(entry + 2));
    cells.push_back(std::move(rk));
  }
  return cells;
}

std::vector<std::unique_ptr<TCellRecord>> TMulBlankRecord::Split() const {
  const size_t n = CheckMulPayload(Data, 2);
  const uint16_t row = GetU16(Data.data());
  const uint16_t first = GetU16(Data.data() + 2);
  std::vector<std::unique_ptr<TCellRecord>> cells;
  cells.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    cells.push_back(TBlankRecord::Build(row, static_cast<uint16_t>(first + i),
                                        GetU16(Data.data() + 4 + 2 * i)));
  }
  return cells;
}

// ---- COLINFO ----

uint16_t TColInfoRecord::FirstCol() const { return GetU16(Data.data()); }
uint16_t TColInfoRecord::LastCol() const { return GetU16(Data.data() + 2); }
uint16_t TColInfoRecord::Width() const { return GetU16(Data.data() + 4); }
uint16_t TColInfoRecord::XF() const { return GetU16(Data.data() + 6); }
uint16_t TColInfoRecord::Options() const { return GetU16(Data.data() + 8); }

// ---- DIMENSIONS ----

std::unique_ptr<TDimensionsRecord> TDimensionsRecord::Build(uint32_t firstRow,
                                                            uint32_t lastRowPlus1,
                                                            uint16_t firstCol,
                                                            uint16_t lastColPlus1) {
  std::vector<uint8_t> data(14, 0);
  PutU32(data.data(), firstRow);
  PutU32(data.data() + 4, lastRowPlus1);
  PutU16(data.data() + 8, firstCol);
  PutU16(data.data() + 10, lastColPlus1);
  return std::make_unique<TDimensionsRecord>(xlsid::DIMENSIONS, std::move(data));
}

// ---- MERGEDCELLS ----

bool TMergedRange::Overlaps(const TMergedRange& other) const {
  return !(LastRow < other.FirstRow || other.LastRow < FirstRow || LastCol < other.FirstCol ||
           other.LastCol < FirstCol);
}

std::vector<TMergedRange> TCellMergingRecord::Ranges() const {
  if (Data.size() < 2) ThrowFileInvalid();
  const size_t count = GetU16(Data.data());
  if (2 + 8 * count > Data.size()) ThrowFileInvalid();
  std::vector<TMergedRange> ranges(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = Data.data() + 2 + 8 * i;
    ranges[i] = {GetU16(p), GetU16(p + 2), GetU16(p + 4), GetU16(p + 6)};
  }
  return ranges;
}

// ---- factory ----

template <class T>
static std::unique_ptr<TBaseRecord> MakeChecked(uint16_t id, std::vector<uint8_t>& data,
                                                size_t minSize) {
  if (data.size() < minSize) ThrowFileInvalid();
  return std::make_unique<T>(id, std::move(data));
}

std::unique_ptr<TBaseRecord> CreateCellBlockRecord(uint16_t id, std::vector<uint8_t>& data) {
  switch (id) {
    case xlsid::FORMULA:
      return MakeChecked<TFormulaRecord>(id, data, 6);
    case xlsid::BLANK:
      return MakeChecked<TBlankRecord>(id, data, 6);
    case xlsid::NUMBER:
      return MakeChecked<TNumberRecord>(id, data, 14);
    case xlsid::RK:
      return MakeChecked<TRKRecord>(id, data, 10);
    case xlsid::LABELSST:
      return MakeChecked<TLabelSSTRecord>(id, data, 10);
    case xlsid::BOOLERR:
      return MakeChecked<TBoolErrRecord>(id, data, 8);
    case xlsid::LABEL:
      return MakeChecked<TLabelRecord>(id, data, 6);
    case xlsid::RSTRING:
      return MakeChecked<TRStringRecord>(id, data, 6);
    case xlsid::ROW: {
      if (data.size() < 16) ThrowFileInvalid();
      // Only the 16 bytes of the record's fields are kept; offset 8 is
      // always written as 0.
      data.resize(16);
      PutU16(data.data() + 8, 0);
      return std::make_unique<TRowRecord>(id, std::move(data));
    }
    case xlsid::MULRK:
      return MakeChecked<TMulRKRecord>(id, data, 6);
    case xlsid::MULBLANK:
      return MakeChecked<TMulBlankRecord>(id, data, 6);
    case xlsid::COLINFO:
      return MakeChecked<TColInfoRecord>(id, data, 10);
    case xlsid::DIMENSIONS:
      return std::make_unique<TDimensionsRecord>(id, std::move(data));
    case xlsid::MERGEDCELLS:
      return std::make_unique<TCellMergingRecord>(id, std::move(data));
    default:
      return nullptr;
  }
}

}  // namespace tessary

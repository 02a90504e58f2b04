#include "xls/record_reader.h"

#include "common/bytes.h"
#include "common/error.h"
#include "xls/records.h"

namespace tessary {

void ReadRecordHeader(TRecordStream& stream, TRecordHeader& header) {
  if (stream.NextEof(3)) {
    header.Id = xlsid::EOFREC;
    header.Size = 0;
    return;
  }
  uint8_t bytes[4];
  stream.ReadMem(bytes, 4);
  header.Id = GetU16(bytes);
  header.Size = GetU16(bytes + 2);
}

static std::vector<uint8_t> ReadPayload(TRecordStream& stream, uint16_t size) {
  std::vector<uint8_t> data(size);
  if (size != 0) stream.ReadMem(data.data(), size);
  return data;
}

void ReadContinueChain(TRecordStream& stream, TRecordHeader& header, TBaseRecord& record) {
  TBaseRecord* last = &record;
  while (header.Id == kContinueRecordId) {
    auto next = std::make_unique<TContinueRecord>(ReadPayload(stream, header.Size));
    TContinueRecord* added = next.get();
    last->AddContinue(std::move(next));
    last = added;
    ReadRecordHeader(stream, header);
  }
}

static bool IsFormulaOwner(uint16_t id) {
  return id == xlsid::FORMULA || id == xlsid::SHRFMLA || id == xlsid::ARRAY || id == xlsid::TABLE;
}

std::unique_ptr<TBaseRecord> ReadNextRecord(TRecordStream& stream, TRecordHeader& header) {
  const uint16_t id = header.Id;
  std::unique_ptr<TBaseRecord> record = CreateRecord(id, ReadPayload(stream, header.Size));
  ReadRecordHeader(stream, header);
  if (header.Id == kContinueRecordId) ReadContinueChain(stream, header, *record);

  if (header.Id == xlsid::TABLE || header.Id == xlsid::ARRAY) {
    if (id != xlsid::FORMULA) ThrowFileInvalid();
    // An attached record cannot itself take another TABLE or ARRAY, so this
    // goes at most one level deep.
    AttachToFormula(*record, ReadNextRecord(stream, header));
  } else if (header.Id == xlsid::HLINKTOOLTIP) {
    auto* link = dynamic_cast<THLinkRecord*>(record.get());
    if (link == nullptr) ThrowFileInvalid();
    link->AttachToolTip(ReadNextRecord(stream, header));
  }
  if (header.Id == xlsid::STRING && !IsFormulaOwner(id)) ThrowFileInvalid();
  return record;
}

}  // namespace tessary

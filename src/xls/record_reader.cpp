#include "xls/record_reader.h"

#include <algorithm>
#include <climits>

#include "common/error.h"
#include "xls/records.h"

namespace tessary {

TRecordReader::TRecordReader(std::span<const uint8_t> stream)
    : FBytes(stream, "End of stream reached") {
  ReadHeader();
}

void TRecordReader::ReadHeader() {
  if (NextEof(3)) {
    Header = {xlsid::EOFREC, 0};
    return;
  }
  Header.Id = FBytes.U16();
  Header.Size = FBytes.U16();
}

std::span<const uint8_t> TRecordReader::ReadPayload() {
  if (!FBytes.Has(Header.Size)) {
    ThrowError("End of stream reached with %d bytes left to read",
               static_cast<int>(Header.Size - FBytes.Left()));
  }
  return FBytes.Bytes(Header.Size);
}

void ReadContinueChain(TRecordReader& in, TBaseRecord& record) {
  TBaseRecord* last = &record;
  while (in.Header.Id == xlsid::CONTINUE) {
    const std::span<const uint8_t> payload = in.ReadPayload();
    auto next =
        std::make_unique<TContinueRecord>(std::vector<uint8_t>(payload.begin(), payload.end()));
    TContinueRecord* added = next.get();
    last->AddContinue(std::move(next));
    last = added;
    in.ReadHeader();
  }
}

static bool IsFormulaOwner(uint16_t id) {
  return id == xlsid::FORMULA || id == xlsid::SHRFMLA || id == xlsid::ARRAY || id == xlsid::TABLE;
}

// A STRING must follow the record it gives a result to.
static void CheckStringOwner(uint16_t id, const TRecordReader& in) {
  if (in.Header.Id == xlsid::STRING && !IsFormulaOwner(id)) ThrowFileInvalid();
}

std::unique_ptr<TBaseRecord> ReadNextRecord(TRecordReader& in) {
  const uint16_t id = in.Header.Id;
  const std::span<const uint8_t> payload = in.ReadPayload();
  std::unique_ptr<TBaseRecord> record =
      CreateRecord(id, std::vector<uint8_t>(payload.begin(), payload.end()));
  in.ReadHeader();
  if (in.Header.Id == xlsid::CONTINUE) ReadContinueChain(in, *record);

  if (in.Header.Id == xlsid::TABLE || in.Header.Id == xlsid::ARRAY) {
    if (id != xlsid::FORMULA) ThrowFileInvalid();
    // An attached record cannot itself take another TABLE or ARRAY, so this
    // goes at most one level deep.
    AttachToFormula(*record, ReadNextRecord(in));
  } else if (in.Header.Id == xlsid::HLINKTOOLTIP) {
    auto* link = dynamic_cast<THLinkRecord*>(record.get());
    if (link == nullptr) ThrowFileInvalid();
    link->AttachToolTip(ReadNextRecord(in));
  }
  CheckStringOwner(id, in);
  return record;
}

std::span<const uint8_t> ReadPayloadRecord(TRecordReader& in) {
  const uint16_t id = in.Header.Id;
  const std::span<const uint8_t> payload = in.ReadPayload();
  if (!PayloadFits(id, payload)) ThrowFileInvalid();
  in.ReadHeader();
  while (in.Header.Id == xlsid::CONTINUE) {
    in.ReadPayload();
    in.ReadHeader();
  }
  const uint16_t next = in.Header.Id;
  if (next == xlsid::TABLE || next == xlsid::ARRAY || next == xlsid::HLINKTOOLTIP) {
    ThrowFileInvalid();
  }
  CheckStringOwner(id, in);
  return payload;
}

}  // namespace tessary

#include "xls/base_record.h"

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"

namespace tessary {

void ThrowFileInvalid() { throw Error(kFileInvalidText); }

TBaseRecord::TBaseRecord(uint16_t id, std::vector<uint8_t> data) : Id(id), Data(std::move(data)) {}

TBaseRecord::TBaseRecord(const TBaseRecord& other) : Id(other.Id), Data(other.Data) {
  // Copy the CONTINUE chain link by link: a chain read from a file can be
  // long enough to exhaust the stack if every link copied the next.
  TBaseRecord* last = this;
  for (const TContinueRecord* c = other.Continue.get(); c != nullptr; c = c->Continue.get()) {
    last->Continue = std::make_unique<TContinueRecord>(c->Id, c->Data);
    last = last->Continue.get();
  }
}

TBaseRecord::~TBaseRecord() {
  // Unlink the CONTINUE chain iteratively so that a very long chain cannot
  // exhaust the stack through recursive destruction.
  std::unique_ptr<TContinueRecord> next = std::move(Continue);
  while (next) next = std::move(next->Continue);
}

std::unique_ptr<TBaseRecord> TBaseRecord::Clone() const {
  return std::make_unique<TBaseRecord>(*this);
}

void WriteRecord(TRecordStream& stream, uint16_t id, std::span<const uint8_t> payload) {
  uint8_t header[kRecordHeaderSize];
  PutU16(header, id);
  PutU16(header + 2, static_cast<uint16_t>(payload.size()));
  stream.WriteMem(header, kRecordHeaderSize);
  if (!payload.empty()) stream.WriteMem(payload.data(), static_cast<uint32_t>(payload.size()));
}

void TBaseRecord::SaveToStream(TRecordStream& stream) const {
  WriteRecord(stream, Id, Data);
  for (const TContinueRecord* c = Continue.get(); c != nullptr; c = c->Continue.get()) {
    WriteRecord(stream, c->Id, c->Data);
  }
}

uint64_t TBaseRecord::TotalSize() const {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

void TBaseRecord::AddContinue(std::unique_ptr<TContinueRecord> record) {
  if (Continue) throw Error("Trying to add more than one CONTINUE record to the same record");
  Continue = std::move(record);
}

void TBaseRecord::SetU8At(size_t offset, uint8_t value) {
  if (offset >= Data.size()) ThrowFileInvalid();
  Data[offset] = value;
}

void TBaseRecord::SetU16At(size_t offset, uint16_t value) {
  if (offset > Data.size() || Data.size() - offset < 2) ThrowFileInvalid();
  PutU16(Data.data() + offset, value);
}

void TBaseRecord::SetU32At(size_t offset, uint32_t value) {
  if (offset > Data.size() || Data.size() - offset < 4) ThrowFileInvalid();
  PutU32(Data.data() + offset, value);
}

void TSubListRecord::SaveToStream(TRecordStream& stream) const {
  if (FSubList != nullptr) FSubList->SaveToStream(stream);
}

TBaseRecord* TBaseRecordList::Add(std::unique_ptr<TBaseRecord> record) {
  FItems.push_back(std::move(record));
  return FItems.back().get();
}

TBaseRecord* TBaseRecordList::Insert(size_t index, std::unique_ptr<TBaseRecord> record) {
  auto it = FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(index), std::move(record));
  return it->get();
}

void TBaseRecordList::Delete(size_t index) { Extract(index); }

std::unique_ptr<TBaseRecord> TBaseRecordList::Extract(size_t index) {
  std::unique_ptr<TBaseRecord> record = std::move(FItems[index]);
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(index));
  return record;
}

void TBaseRecordList::CopyTo(TBaseRecordList& target) const {
  for (const auto& record : FItems) target.Add(record->Clone());
}

void TBaseRecordList::SaveToStream(TRecordStream& stream) const {
  for (const auto& record : FItems) record->SaveToStream(stream);
}

uint64_t TBaseRecordList::TotalSize() const {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

}  // namespace tessary

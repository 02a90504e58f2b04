#include "xls/base_record.h"

#include "common/bytes.h"
#include "common/error.h"

namespace tessary {

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

void WriteRecord(TRecordStream& stream, uint16_t id, const uint8_t* data, uint16_t size) {
  uint8_t header[4];
  PutU16(header, id);
  PutU16(header + 2, size);
  stream.WriteMem(header, 4);
  if (size != 0) stream.WriteMem(data, size);
}

void TBaseRecord::SaveToStream(TRecordStream& stream) const {
  WriteRecord(stream, Id, Data.data(), DataSize());
  for (const TContinueRecord* c = Continue.get(); c != nullptr; c = c->Continue.get()) {
    WriteRecord(stream, c->Id, c->Data.data(), c->DataSize());
  }
}

uint64_t TBaseRecord::TotalSize() const {
  uint64_t size = 4 + static_cast<uint64_t>(DataSize());
  for (const TContinueRecord* c = Continue.get(); c != nullptr; c = c->Continue.get()) {
    size += 4 + static_cast<uint64_t>(c->DataSize());
  }
  return size;
}

uint64_t TBaseRecord::TotalSizeNoHeaders() const {
  uint64_t size = DataSize();
  for (const TContinueRecord* c = Continue.get(); c != nullptr; c = c->Continue.get()) {
    size += c->DataSize();
  }
  return size;
}

void TBaseRecord::AddContinue(std::unique_ptr<TContinueRecord> record) {
  if (Continue) throw Error("Trying to add more than one CONTINUE record to the same record");
  Continue = std::move(record);
}

void TSubListRecord::SaveToStream(TRecordStream& stream) const {
  if (FSubList != nullptr) FSubList->SaveToStream(stream);
}

TBaseRecord* TBaseRecordList::Add(std::unique_ptr<TBaseRecord> record) {
  FTotalSize += record->TotalSize();
  FItems.push_back(std::move(record));
  return FItems.back().get();
}

TBaseRecord* TBaseRecordList::Insert(size_t index, std::unique_ptr<TBaseRecord> record) {
  FTotalSize += record->TotalSize();
  auto it = FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(index), std::move(record));
  return it->get();
}

void TBaseRecordList::Delete(size_t index) { Extract(index); }

std::unique_ptr<TBaseRecord> TBaseRecordList::Extract(size_t index) {
  std::unique_ptr<TBaseRecord> record = std::move(FItems[index]);
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(index));
  FTotalSize -= record->TotalSize();
  return record;
}

void TBaseRecordList::Clear() {
  FItems.clear();
  FTotalSize = 0;
}

void TBaseRecordList::CopyTo(TBaseRecordList& target) const {
  for (const auto& record : FItems) target.Add(record->Clone());
}

void TBaseRecordList::SaveToStream(TRecordStream& stream) const {
  for (const auto& record : FItems) record->SaveToStream(stream);
}

}  // namespace tessary

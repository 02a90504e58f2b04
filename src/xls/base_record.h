// BIFF8 record framing: one record is a 16-bit type, a 16-bit payload length
// and the payload; content beyond 8224 bytes goes on in CONTINUE records that
// follow directly. Every record and list reports exactly the number of bytes
// its SaveToStream writes, so stream positions can be computed before writing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "xls/record_stream.h"

namespace tessary {

// Largest payload of one record.
constexpr uint32_t kMaxRecordDataSize = 8224;

constexpr uint16_t kContinueRecordId = 0x003C;

// A record header as read from the stream: the type and payload length of
// the record that comes next.
struct TRecordHeader {
  uint16_t Id = 0;
  uint16_t Size = 0;
};

class TContinueRecord;

class TBaseRecord {
 public:
  TBaseRecord(uint16_t id, std::vector<uint8_t> data);
  // Deep copy, CONTINUE chain included (DoCopyTo).
  TBaseRecord(const TBaseRecord& other);
  TBaseRecord& operator=(const TBaseRecord&) = delete;
  virtual ~TBaseRecord();

  // A deep copy of the same class. Every subclass overrides it (see
  // TESSARY_RECORD_CLONE).
  virtual std::unique_ptr<TBaseRecord> Clone() const;
  // Writes Id, DataSize, the payload, then the CONTINUE chain.
  virtual void SaveToStream(TRecordStream& stream) const;
  // 4 + DataSize + the CONTINUE chain's TotalSize.
  virtual uint64_t TotalSize() const;
  // DataSize + the CONTINUE chain's payload sizes.
  virtual uint64_t TotalSizeNoHeaders() const;

  uint16_t DataSize() const { return static_cast<uint16_t>(Data.size()); }
  // Attaches the first CONTINUE of this record. A second one is refused with
  // "Trying to add more than one CONTINUE record to the same record".
  void AddContinue(std::unique_ptr<TContinueRecord> record);

  uint16_t Id;
  std::vector<uint8_t> Data;
  std::unique_ptr<TContinueRecord> Continue;
};

#define TESSARY_RECORD_CLONE(Class) \
  std::unique_ptr<TBaseRecord> Clone() const override { return std::make_unique<Class>(*this); }

class TContinueRecord : public TBaseRecord {
 public:
  explicit TContinueRecord(std::vector<uint8_t> data)
      : TBaseRecord(kContinueRecordId, std::move(data)) {}
  TContinueRecord(uint16_t id, std::vector<uint8_t> data) : TBaseRecord(id, std::move(data)) {}
  TESSARY_RECORD_CLONE(TContinueRecord)
};

// A record type the engine drops: it writes nothing and has size 0.
class TIgnoreRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TIgnoreRecord)
  void SaveToStream(TRecordStream&) const override {}
  uint64_t TotalSize() const override { return 0; }
  uint64_t TotalSizeNoHeaders() const override { return 0; }
};

class TBaseRecordList;

// Stands in a record list for a whole sub-list that is owned elsewhere: it
// writes that list's records where it stands and counts 0 bytes itself.
class TSubListRecord : public TBaseRecord {
 public:
  explicit TSubListRecord(const TBaseRecordList* subList) : TBaseRecord(0, {}), FSubList(subList) {}
  TESSARY_RECORD_CLONE(TSubListRecord)
  void SaveToStream(TRecordStream& stream) const override;
  uint64_t TotalSize() const override { return 0; }
  uint64_t TotalSizeNoHeaders() const override { return 0; }

  const TBaseRecordList* FSubList;
};

// An owning list of records whose TotalSize is kept equal to the sum of its
// members' sizes. A member that changes size in place must be reported with
// AdaptSize.
class TBaseRecordList {
 public:
  TBaseRecordList() = default;
  TBaseRecordList(const TBaseRecordList&) = delete;
  TBaseRecordList& operator=(const TBaseRecordList&) = delete;
  virtual ~TBaseRecordList() = default;

  size_t Count() const { return FItems.size(); }
  TBaseRecord* operator[](size_t index) const { return FItems[index].get(); }
  TBaseRecord* Items(size_t index) const { return FItems[index].get(); }

  TBaseRecord* Add(std::unique_ptr<TBaseRecord> record);
  TBaseRecord* Insert(size_t index, std::unique_ptr<TBaseRecord> record);
  void Delete(size_t index);
  // Removes the record from the list without destroying it.
  std::unique_ptr<TBaseRecord> Extract(size_t index);
  void Clear();
  void AdaptSize(int64_t delta) {
    FTotalSize = static_cast<uint64_t>(static_cast<int64_t>(FTotalSize) + delta);
  }
  // Deep copies of every member appended to `target`.
  void CopyTo(TBaseRecordList& target) const;

  virtual void SaveToStream(TRecordStream& stream) const;
  virtual uint64_t TotalSize() const { return FTotalSize; }

 protected:
  std::vector<std::unique_ptr<TBaseRecord>> FItems;
  uint64_t FTotalSize = 0;
};

// Writes a record header (type, payload length) and a payload.
void WriteRecord(TRecordStream& stream, uint16_t id, const uint8_t* data, uint16_t size);

}  // namespace tessary

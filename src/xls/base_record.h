// BIFF8 record objects: one record is a 16-bit type, a 16-bit payload
// length and the payload; content beyond 8224 bytes goes on in CONTINUE
// records that follow directly. A record, and a list of records, reports as
// its size the number of bytes its SaveToStream writes, counted by running
// it into a counting stream, so that stream positions can be computed
// before anything is written.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/byte_reader.h"
#include "xls/record_ids.h"
#include "xls/record_stream.h"

namespace tessary {

// A record header as read from the stream: the type and payload length of
// the record that comes next.
struct TRecordHeader {
  uint16_t Id = 0;
  uint16_t Size = 0;
};

// The failure of every malformed record stream.
inline constexpr const char* kFileInvalidText = "Error reading Excel records. File invalid";
[[noreturn]] void ThrowFileInvalid();

class TContinueRecord;

class TBaseRecord {
 public:
  TBaseRecord(uint16_t id, std::vector<uint8_t> data);
  // Deep copy, CONTINUE chain included.
  TBaseRecord(const TBaseRecord& other);
  TBaseRecord& operator=(const TBaseRecord&) = delete;
  virtual ~TBaseRecord();

  // A deep copy of the same class. Every subclass overrides it (see
  // TESSARY_RECORD_CLONE).
  virtual std::unique_ptr<TBaseRecord> Clone() const;
  // Writes Id, DataSize, the payload, then the CONTINUE chain.
  virtual void SaveToStream(TRecordStream& stream) const;
  // The bytes SaveToStream writes.
  uint64_t TotalSize() const;

  uint16_t DataSize() const { return static_cast<uint16_t>(Data.size()); }
  // Attaches the first CONTINUE of this record. A second one is refused with
  // "Trying to add more than one CONTINUE record to the same record".
  void AddContinue(std::unique_ptr<TContinueRecord> record);

  // Payload fields, read and written through the checked reader: a field
  // beyond the payload fails with "Error reading Excel records. File
  // invalid". The classes that read fields state their payload's minimum
  // size (kMinSize), which the record factory checks.
  uint8_t U8At(size_t offset) const { return At(offset).U8(); }
  uint16_t U16At(size_t offset) const { return At(offset).U16(); }
  uint32_t U32At(size_t offset) const { return At(offset).U32(); }
  void SetU8At(size_t offset, uint8_t value);
  void SetU16At(size_t offset, uint16_t value);
  void SetU32At(size_t offset, uint32_t value);

  uint16_t Id;
  std::vector<uint8_t> Data;
  std::unique_ptr<TContinueRecord> Continue;

 private:
  TByteReader At(size_t offset) const {
    TByteReader in(Data, kFileInvalidText);
    in.Seek(offset);
    return in;
  }
};

#define TESSARY_RECORD_CLONE(Class) \
  std::unique_ptr<TBaseRecord> Clone() const override { return std::make_unique<Class>(*this); }

class TContinueRecord : public TBaseRecord {
 public:
  explicit TContinueRecord(std::vector<uint8_t> data)
      : TBaseRecord(xlsid::CONTINUE, std::move(data)) {}
  TContinueRecord(uint16_t id, std::vector<uint8_t> data) : TBaseRecord(id, std::move(data)) {}
  TESSARY_RECORD_CLONE(TContinueRecord)
};

// A record type the engine drops: it writes nothing.
class TIgnoreRecord : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TESSARY_RECORD_CLONE(TIgnoreRecord)
  void SaveToStream(TRecordStream&) const override {}
};

class TBaseRecordList;

// Stands in a record list for a whole sub-list that is owned elsewhere: it
// writes that list's records where it stands.
class TSubListRecord : public TBaseRecord {
 public:
  explicit TSubListRecord(const TBaseRecordList* subList) : TBaseRecord(0, {}), FSubList(subList) {}
  TESSARY_RECORD_CLONE(TSubListRecord)
  void SaveToStream(TRecordStream& stream) const override;

 private:
  const TBaseRecordList* FSubList;
};

// An owning list of records.
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
  void Clear() { FItems.clear(); }
  // Deep copies of every member appended to `target`.
  void CopyTo(TBaseRecordList& target) const;

  // The members in list order.
  void SaveToStream(TRecordStream& stream) const;
  // The bytes SaveToStream writes.
  uint64_t TotalSize() const;

 protected:
  std::vector<std::unique_ptr<TBaseRecord>> FItems;
};

// Writes a record header (type, payload length) and a payload.
void WriteRecord(TRecordStream& stream, uint16_t id, std::span<const uint8_t> payload);

}  // namespace tessary

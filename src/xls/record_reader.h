// Reading records from a Workbook stream held in memory: one record with
// its CONTINUE records and the records that belong to it (the TABLE or
// ARRAY of a FORMULA, the HLINKTOOLTIP of an HLINK).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "common/byte_reader.h"
#include "xls/base_record.h"

namespace tessary {

// A cursor over the records of a stream. `Header` is the header of the
// record to read next; the cursor stands after it.
class TRecordReader {
 public:
  // Reads the first header.
  explicit TRecordReader(std::span<const uint8_t> stream);

  TRecordHeader Header;

  // Reads the next 4-byte header into Header. With fewer than 4 bytes left
  // nothing is read and the header becomes an EOF of length 0, so that a
  // stream cut after a complete record ends the section being read.
  void ReadHeader();
  // The payload of the record whose header is current, a view into the
  // stream; "End of stream reached with %d bytes left to read" when the
  // stream ends first.
  std::span<const uint8_t> ReadPayload();
  // True when fewer than count + 1 bytes remain after the cursor.
  bool NextEof(uint32_t count) const { return FBytes.Left() <= count; }
  // The stream position of the cursor.
  uint64_t Position() const { return FBytes.Position(); }

 private:
  TByteReader FBytes;
};

// Reads the record whose header is current (its payload, its CONTINUE
// records and the records attached to it) and leaves the header of the
// record after it current.
std::unique_ptr<TBaseRecord> ReadNextRecord(TRecordReader& in);

// Reads a record that is stored by its payload alone (a cell value, a ROW,
// a COLINFO): its payload, a view into the stream. CONTINUE records after
// it carry nothing for it and are passed over. Checks what follows as
// ReadNextRecord does.
std::span<const uint8_t> ReadPayloadRecord(TRecordReader& in);

// While the current header is a CONTINUE, reads it and links it behind
// `record`'s chain; leaves the first other header current.
void ReadContinueChain(TRecordReader& in, TBaseRecord& record);

}  // namespace tessary

// Reading records from a Workbook stream: one record with its CONTINUE
// records and the records that belong to it (the TABLE or ARRAY of a
// FORMULA, the HLINKTOOLTIP of an HLINK).
#pragma once

#include <memory>

#include "xls/base_record.h"
#include "xls/record_stream.h"

namespace tessary {

// Reads the next 4-byte header into `header`. With fewer than 4 bytes left
// nothing is read and the header becomes an EOF of length 0, so that a
// stream cut after a complete record ends the section that is being read.
void ReadRecordHeader(TRecordStream& stream, TRecordHeader& header);

// Reads the record whose header is in `header` (its payload, its CONTINUE
// records and the records attached to it) and leaves the header of the
// record after it in `header`.
std::unique_ptr<TBaseRecord> ReadNextRecord(TRecordStream& stream, TRecordHeader& header);

// While `header` is a CONTINUE, reads it and links it behind `record`'s
// chain; leaves the first other header in `header`.
void ReadContinueChain(TRecordStream& stream, TRecordHeader& header, TBaseRecord& record);

}  // namespace tessary

// The SST record and its CONTINUE records as the shared string table
// writes them: strings one after the other in records of at most 8228
// bytes (header included), split by the table's own rule:
// - a string never starts in the last 31 bytes of a record: the record is
//   closed first, and the string starts in a new CONTINUE;
// - characters go on in the next record after a new option byte, and
//   switch between 8-bit and 16-bit only at a record boundary: a segment
//   is written 8-bit when its leading run of characters below U+0100 is at
//   least as long as the 16-bit characters that would fit, and the record
//   then ends after that run even when space is left;
// - rich-text runs and far-east data go on in pieces of whole 4-byte units,
//   without an option byte.
#pragma once

#include <cstdint>
#include <vector>

#include "xls/record_stream.h"

namespace tessary {

// One string as the table stores it.
struct TSSTString {
  uint16_t Count = 0;    // characters
  uint8_t Options = 0;   // xlstr flags: 16-bit characters, far-east data, rich text
  uint16_t Runs = 0;     // rich-text runs, with xlstr::kRichText
  uint32_t FarEast = 0;  // bytes of far-east data, with xlstr::kFarEast
  // The characters (1 or 2 bytes each, little-endian), then 4 bytes per
  // run, then the far-east data.
  const uint8_t* Data = nullptr;
};

class TSSTRecordWriter {
 public:
  // Where a string starts: its stream position, and its offset in its
  // record counted from the record's header.
  struct TPlace {
    uint32_t StreamPos = 0;
    uint16_t RecordOffset = 0;
  };

  // Starts the SST record: the total of uses and the number of strings.
  TSSTRecordWriter(TRecordStream& out, uint32_t uses, uint32_t strings);

  // Writes one string and tells where it starts.
  TPlace Write(const TSSTString& s);
  // Writes the last record.
  void Finish();

 private:
  void Put(const uint8_t* data, uint32_t n);
  void PutCharacters(const TSSTString& s, uint32_t optionPos);
  void PutPieces(const uint8_t* data, uint64_t left);
  void Flush();

  TRecordStream& FOut;
  std::vector<uint8_t> FBuffer;
  uint64_t FRecordStart = 0;
  uint32_t FUsed = 0;  // bytes of the current record, header included
};

}  // namespace tessary

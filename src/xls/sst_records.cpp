#include "xls/sst_records.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "xls/excel_string.h"
#include "xls/record_ids.h"

namespace tessary {
namespace {

constexpr uint32_t kBufferSize = kRecordHeaderSize + kMaxRecordDataSize;
// The longest string header (count, options, run count, far-east size)
// and then some: a string never starts with fewer bytes left.
constexpr uint32_t kMinStringSpace = 32;
constexpr uint32_t kFirstStringOffset = 12;  // after the header, the total and the count

}  // namespace

TSSTRecordWriter::TSSTRecordWriter(TRecordStream& out, uint32_t uses, uint32_t strings)
    : FOut(out), FBuffer(kBufferSize, 0), FRecordStart(out.Position()) {
  PutU16(&FBuffer[0], xlsid::SST);
  PutU32(&FBuffer[4], uses);
  PutU32(&FBuffer[8], strings);
  FUsed = kFirstStringOffset;
}

TSSTRecordWriter::TPlace TSSTRecordWriter::Write(const TSSTString& s) {
  if (kBufferSize - FUsed < kMinStringSpace) Flush();
  const TPlace place{static_cast<uint32_t>(FRecordStart + FUsed), static_cast<uint16_t>(FUsed)};
  uint8_t head[9];
  PutU16(head, s.Count);
  head[2] = s.Options;
  uint32_t headSize = 3;
  if (s.Options & xlstr::kRichText) {
    PutU16(head + headSize, s.Runs);
    headSize += 2;
  }
  if (s.Options & xlstr::kFarEast) {
    PutU32(head + headSize, s.FarEast);
    headSize += 4;
  }
  const uint32_t optionPos = FUsed + 2;
  Put(head, headSize);
  PutCharacters(s, optionPos);
  const uint32_t charBytes = s.Count * ((s.Options & xlstr::kWide) ? 2u : 1u);
  PutPieces(s.Data + charBytes, 4ull * s.Runs);
  PutPieces(s.Data + charBytes + 4ull * s.Runs, s.FarEast);
  return place;
}

void TSSTRecordWriter::Finish() {
  PutU16(&FBuffer[2], static_cast<uint16_t>(FUsed - kRecordHeaderSize));
  FOut.WriteMem(FBuffer.data(), FUsed);
}

void TSSTRecordWriter::Put(const uint8_t* data, uint32_t n) {
  std::memcpy(&FBuffer[FUsed], data, n);
  FUsed += n;
}

// Segment by segment: as many characters as fit, 8-bit or 16-bit, each
// segment after the first behind an option byte at the start of a CONTINUE.
void TSSTRecordWriter::PutCharacters(const TSSTString& s, uint32_t optionPos) {
  const bool wideString = (s.Options & xlstr::kWide) != 0;
  const uint8_t* chars = s.Data;
  uint32_t done = 0;
  while (done < s.Count) {
    const uint32_t left = s.Count - done;
    const uint32_t space = kBufferSize - FUsed;
    uint32_t narrow = std::min(left, space);
    const uint32_t wide = std::min(left, space / 2);
    if (wideString) {
      uint32_t k = 0;
      while (k < narrow && GetU16(chars + 2 * (done + k)) < 0x100) ++k;
      narrow = k;
    }
    if (narrow < wide) {
      // Only a 16-bit string gets here: an 8-bit one always fits narrow.
      Put(chars + 2 * done, 2 * wide);
      FBuffer[optionPos] |= xlstr::kWide;
      done += wide;
    } else {
      for (uint32_t k = 0; k < narrow; ++k) {
        FBuffer[FUsed + k] = wideString ? chars[2 * (done + k)] : chars[done + k];
      }
      FUsed += narrow;
      FBuffer[optionPos] &= static_cast<uint8_t>(~xlstr::kWide);
      done += narrow;
    }
    if (done < s.Count) {
      Flush();
      FBuffer[FUsed] = 0;
      optionPos = FUsed;
      ++FUsed;
    }
  }
}

void TSSTRecordWriter::PutPieces(const uint8_t* data, uint64_t left) {
  while (left > 0) {
    const uint32_t space = (kBufferSize - FUsed) & ~3u;
    if (space == 0) {
      Flush();
      continue;
    }
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, space));
    Put(data, n);
    data += n;
    left -= n;
    if (left > 0) Flush();
  }
}

// Writes the record and starts a CONTINUE in the buffer.
void TSSTRecordWriter::Flush() {
  PutU16(&FBuffer[2], static_cast<uint16_t>(FUsed - kRecordHeaderSize));
  FOut.WriteMem(FBuffer.data(), FUsed);
  FRecordStart = FOut.Position();
  PutU16(&FBuffer[0], xlsid::CONTINUE);
  FBuffer[4] = FBuffer[5] = 0;
  FUsed = kRecordHeaderSize;
}

}  // namespace tessary

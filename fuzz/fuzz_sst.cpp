// Reads arbitrary bytes as an SST record and its CONTINUE records, writes
// the table back and reads the result again: the written size must be the
// announced one and every string must survive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "xls/sst.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose where the payloads are cut.
  const size_t step = 1 + GetU16(data) % 9000;
  std::vector<std::span<const uint8_t>> payloads;
  for (size_t pos = 2; pos < size; pos += step) {
    payloads.emplace_back(data + pos, std::min(step, size - pos));
  }
  if (payloads.empty()) return 0;
  TSST sst;
  try {
    sst.Load(payloads);
  } catch (const Error&) {
    return 0;
  }
  sst.Sort();
  for (size_t i = 0; i < sst.Count(); ++i) sst.AddRef(sst.EntryOffsetAt(static_cast<uint32_t>(i)));
  TMemoryRecordStream out;
  sst.SaveToStream(out);
  if (out.Data.size() != sst.TotalSize()) std::abort();

  std::vector<std::span<const uint8_t>> written;
  for (size_t pos = 0; pos + 4 <= out.Data.size();) {
    const uint16_t id = GetU16(&out.Data[pos]);
    const uint16_t length = GetU16(&out.Data[pos + 2]);
    if (length > 8224) std::abort();
    if (id != 0x00FF) written.emplace_back(&out.Data[pos + 4], length);
    pos += 4 + length;
  }
  TSST back;
  try {
    back.Load(written);
  } catch (const Error&) {
    std::abort();
  }
  if (back.Count() != sst.Count()) std::abort();
  for (size_t i = 0; i < sst.Count(); ++i) {
    const uint32_t a = sst.EntryOffsetAt(static_cast<uint32_t>(i));
    const uint32_t b = back.EntryOffsetAt(static_cast<uint32_t>(i));
    if (sst.EntryText(a) != back.EntryText(b) || sst.EntryRuns(a) != back.EntryRuns(b))
      std::abort();
  }
  return 0;
}

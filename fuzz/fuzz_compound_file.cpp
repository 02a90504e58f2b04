// Opens arbitrary bytes as a compound file, reads its Workbook stream, and
// writes a copy with that stream replaced. Reading must fail cleanly or
// succeed, and every copy must read back with the bytes that were written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "xls/compound_file.h"

using namespace tessary;

namespace {

std::vector<uint8_t> ReadAll(TCompoundFile& cf) {
  std::vector<uint8_t> bytes;
  uint8_t chunk[1000];
  while (!cf.Eof()) {
    const uint32_t n =
        static_cast<uint32_t>(std::min<uint64_t>(sizeof chunk, cf.Length() - cf.Position()));
    cf.ReadMem(chunk, n);
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryByteStream in(std::vector<uint8_t>(data, data + size));
  TMemoryByteStream out;
  std::vector<uint8_t> workbook;
  try {
    if (!TCompoundFile::IsCompoundFile(in)) return 0;
    TCompoundFile cf(in);
    try {
      cf.SelectStream(u"Workbook");
      workbook = ReadAll(cf);
    } catch (const Error&) {
    }
    // Write back what was read, cut to keep runs fast.
    if (workbook.size() > 70000) workbook.resize(70000);
    cf.PrepareForWrite(out, u"Workbook");
    cf.WriteMem(workbook.data(), static_cast<uint32_t>(workbook.size()));
    cf.Close();
  } catch (const Error&) {
    return 0;
  }
  // The copy is ours: it must open and give back the stream.
  try {
    out.Seek(0);
    TCompoundFile copy(out);
    copy.SelectStream(u"Workbook");
    std::vector<uint8_t> back = ReadAll(copy);
    if (back.size() < workbook.size() ||
        !std::equal(workbook.begin(), workbook.end(), back.begin())) {
      std::abort();
    }
  } catch (const Error&) {
    std::abort();
  }
  return 0;
}

// Reads arbitrary bytes as a Workbook stream, then writes the model back,
// copies a sheet and renames one: reading must fail cleanly or give a model
// whose every size is exactly what it writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "xls/workbook.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    TWorkbook workbook;
    TMemoryRecordStream in(std::vector<uint8_t>(data, data + size));
    workbook.LoadFromStream(in);
    try {
      const uint64_t counted = workbook.PrepareOffsets(false);
      TMemoryRecordStream out;
      workbook.SaveToStream(out, false);
      if (out.Data.size() != counted) std::abort();
    } catch (const Error&) {
    }
    if (workbook.SheetCount() > 0 && workbook.FGlobals.SheetCount() > 0) {
      workbook.InsertSheets(0, workbook.SheetCount(), 1);
      workbook.FGlobals.RenameSheet(0, u"Renamed:[1]");
      const uint64_t counted = workbook.PrepareOffsets(false);
      TMemoryRecordStream out;
      workbook.SaveToStream(out, false);
      if (out.Data.size() != counted) std::abort();
    }
  } catch (const Error&) {
  }
  return 0;
}

// Imports a table from arbitrary bytes read as a workbook: bytes that are
// not a compound file become the Workbook stream of a copy of the template,
// so that the cell records are reached either way. Every worksheet is
// read; a table that reads holds names and types in its first two rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "exchange/table_import.h"
#include "table/cell_table.h"
#include "text/column_type.h"
#include "workbook_bytes.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"

using namespace tessary;

namespace {

using fuzz::AsWorkbookStream;

bool IsCompoundFile(const uint8_t* data, size_t size) {
  return size >= cfb::kFileSignature.size() &&
         std::equal(cfb::kFileSignature.begin(), cfb::kFileSignature.end(), data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TMemoryByteStream stream(IsCompoundFile(data, size) ? std::vector<uint8_t>(data, data + size)
                                                      : AsWorkbookStream(data, size));
  TWorkbookImport book;
  if (!book.Open(stream, "fuzz.xls")) return 0;
  for (size_t s = 0; s < book.SheetNames().size(); ++s) {
    TCellTable table;
    if (!book.ReadSheet(static_cast<int>(s), table)) continue;
    if (table.RowCount() < 2) std::abort();
    for (int32_t c = 0; c < table.ColCount(); ++c) {
      if (!ColumnTypeOf(table.Cells(c, 1))) std::abort();
    }
  }
  return 0;
}

// Reads arbitrary bytes as a CSV table. A table that reads must write back
// to CSV that reads as the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "exchange/table_csv.h"
#include "table/cell_table.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TCellTable table;
  if (!CsvToTable({reinterpret_cast<const char*>(data), size}, table).Ok) return 0;
  TCellTable again;
  if (!CsvToTable(TableToCsv(table), again).Ok) std::abort();
  if (again.ColCount() != table.ColCount() || again.RowCount() != table.RowCount()) std::abort();
  for (int32_t r = 0; r < table.RowCount(); ++r) {
    for (int32_t c = 0; c < table.ColCount(); ++c) {
      if (again.Cells(c, r) != table.Cells(c, r)) std::abort();
    }
  }
  return 0;
}

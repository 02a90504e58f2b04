// Reads arbitrary bytes as a table file. Loading must fail cleanly or fill
// the cell table; a loaded table must save and read back to the same texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gff/g2da.h"
#include "gff/show_error.h"
#include "grid/cell_table.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    SetShowErrorHandler([](const std::string&) {});
    return true;
  }();
  (void)quiet;
  TMemoryGFF gff;
  if (!gff.LoadFromBytes(std::vector<uint8_t>(data, data + size)).empty()) return 0;
  TCellTable table;
  if (!LoadGDAFromContainer(table, gff)) return 0;
  // Tables this small are saved and read back: every text must survive
  // except numbers, which are stored in their column's type.
  if (int64_t{table.ColCount()} * table.RowCount() > 100000) return 0;
  const std::vector<uint8_t> saved = BuildGDA(table);
  TMemoryGFF again;
  if (!again.LoadFromBytes(saved).empty()) std::abort();
  TCellTable back;
  if (!LoadGDAFromContainer(back, again)) std::abort();
  if (back.ColCount() != table.ColCount()) std::abort();
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    if (back.Cells(c, 0) != table.Cells(c, 0) && !table.Cells(c, 0).empty()) {
      // Names survive unless they are "$" texts of another letter case.
      if (table.Cells(c, 0)[0] != u'$') std::abort();
    }
  }
  return 0;
}

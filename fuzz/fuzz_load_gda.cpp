// Reads arbitrary bytes as a table file. Loading must fail cleanly or fill
// the cell table, holding no more decoded string text than twice the data
// area plus 64 MiB and examining each code unit a bounded number of times
// (counted by the reader, not measured); a loaded table must save and read
// back to the same texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gff/g2da.h"
#include "gff/show_error.h"
#include "table/cell_table.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    SetShowErrorHandler([](const std::string&) {});
    return true;
  }();
  (void)quiet;
  TMemoryGFF gff;
  if (!gff.LoadFromBytes(std::vector<uint8_t>(data, data + size))) return 0;
  TCellTable table;
  TGDALoadCounts counts;
  if (!LoadGDAFromContainer(table, gff, &counts)) return 0;
  const uint64_t area = gff.RawDataBlock().size();
  if (counts.TextBytesHeld > 2 * area + (uint64_t{64} << 20)) std::abort();
  // At most two lookups of a few units per cell, and each stretch of the
  // data scanned once for each alignment of its code units.
  if (counts.UnitsScanned > 20 * (2 * area + 65536) + area) std::abort();
  // Tables this small are saved and read back. The first save turns texts
  // into the values of their column types; from then on saving and reading
  // must be a fixed point: the same texts and the same bytes.
  if (int64_t{table.ColCount()} * table.RowCount() > 100000) return 0;
  const std::optional<std::vector<uint8_t>> first = BuildGDA(table);
  if (!first) std::abort();
  TMemoryGFF gff2;
  TCellTable second;
  if (!gff2.LoadFromBytes(*first) || !LoadGDAFromContainer(second, gff2)) std::abort();
  if (second.ColCount() != table.ColCount()) std::abort();
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    // Names shown for hashes turn back into the same hashes.
    if (second.Cells(c, 0) != table.Cells(c, 0)) std::abort();
  }
  const std::optional<std::vector<uint8_t>> again = BuildGDA(second);
  if (!again) std::abort();
  TMemoryGFF gff3;
  TCellTable third;
  if (!gff3.LoadFromBytes(*again) || !LoadGDAFromContainer(third, gff3)) std::abort();
  if (third.RowCount() != second.RowCount()) std::abort();
  for (int32_t r = 0; r < second.RowCount(); ++r) {
    for (int32_t c = 0; c < second.ColCount(); ++c) {
      if (third.Cells(c, r) != second.Cells(c, r)) std::abort();
    }
  }
  if (BuildGDA(third) != again) std::abort();
  return 0;
}

// Reads arbitrary bytes as the text tessary-cli import turns into a table.
// Refused text leaves a message and no table; a table made must save, and
// the saved file must read back with the same extent and, in every column
// whose type keeps texts, the same texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/commands.h"
#include "common/error.h"
#include "gff/g2da.h"
#include "table/cell_table.h"
#include "text/number_text.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCellTable table;
  try {
    const TResult made =
        cli::TableFromText(std::string_view(reinterpret_cast<const char*>(data), size), table);
    if (!made) {
      if (table.StoredCellCount() != 0) std::abort();
      return 0;
    }
  } catch (const Error&) {
    return 0;  // more lines or fields than a table holds
  }
  if (int64_t{table.ColCount()} * table.RowCount() > 100000) return 0;
  const std::optional<std::vector<uint8_t>> bytes = BuildGDA(table);
  if (!bytes) std::abort();
  TMemoryGFF gff;
  TCellTable back;
  if (!gff.LoadFromBytes(*bytes) || !LoadGDAFromContainer(back, gff)) std::abort();
  if (back.ColCount() != table.ColCount()) std::abort();
  if (table.RowCount() >= 3 && back.RowCount() != table.RowCount()) std::abort();
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    const std::u16string type = AsciiLower(table.Cells(c, 1));
    if (type == u"int" || type == u"float" || type == u"bool") continue;
    for (int32_t r = 2; r < table.RowCount(); ++r) {
      if (back.Cells(c, r) != table.Cells(c, r)) std::abort();
    }
  }
  return 0;
}

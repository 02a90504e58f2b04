// Writes the distinct-text table (distinct_table.h) as a table file and, when
// asked, as CSV, for timing the command-line tool and the window on it:
//   make_distinct_table OUT.gda [OUT.csv]
// The CSV holds the generated texts (floats in their short form), as a
// spreadsheet would hand them over.
#include <cstdio>
#include <string>

#include "distinct_table.h"
#include "exchange/table_csv.h"
#include "gff/g2da.h"
#include "table/cell_table.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: make_distinct_table OUT.gda [OUT.csv]\n", stderr);
    return 2;
  }
  tessary::TCellTable table;
  tessary::bench::FillDistinctTextTable(table);
  if (!tessary::SaveGDA(table, argv[1])) return 1;
  if (argc == 3) {
    if (const tessary::TResult written = tessary::WriteTableCsvFile(table, argv[2]); !written) {
      std::fprintf(stderr, "%s\n", written.Message.c_str());
      return 1;
    }
  }
  return 0;
}

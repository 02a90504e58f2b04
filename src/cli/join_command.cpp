// tessary-cli join: a base table and its extension tables, which share
// their columns, written as one table: the rows of every input in the order
// given, the columns in the base's order. Inputs whose columns differ and
// IDs that two rows share are reported, and then nothing is written.
#include <algorithm>
#include <ostream>

#include "batch/find_in_files.h"
#include "batch/table_append.h"
#include "cli/many_tables.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

namespace fs = std::filesystem;

const char* TypeName(TColumnType type) {
  switch (type) {
    case TColumnType::ctInt:
      return "int";
    case TColumnType::ctFloat:
      return "float";
    case TColumnType::ctBool:
      return "bool";
    case TColumnType::ctResource:
      return "resource";
    case TColumnType::ctString:
      break;
  }
  return "string";
}

// the column "NAME" (TYPE)
std::string ColumnText(const TCellTable& table, int32_t col) {
  return "the column \"" + EscapedText(table.Cells(col, 0)) + "\" (" +
         TypeName(ColumnKeyOf(table, col).Type) + ")";
}

std::string DifferenceText(const TColumnDifference& d, const TCellTable& base,
                           const fs::path& baseFile, const TCellTable& added) {
  const std::string baseName = baseFile.native();
  switch (d.Kind) {
    case TColumnDifferenceKind::TypeDiffers:
      return "the column \"" + EscapedText(added.Cells(d.Col, 0)) + "\" is " +
             TypeName(ColumnKeyOf(added, d.Col).Type) + " here and " +
             TypeName(ColumnKeyOf(base, d.BaseCol).Type) + " in " + baseName + ".";
    case TColumnDifferenceKind::NotInBase:
      return ColumnText(added, d.Col) + " is not in " + baseName + ".";
    case TColumnDifferenceKind::NotInAdded:
      break;
  }
  return ColumnText(base, d.Col) + " of " + baseName + " is missing.";
}

// Where an input's rows begin in the joined table.
struct TPart {
  fs::path File;
  int32_t FirstRow;
};

// The input and its data row number of a row of the joined table.
std::string RowText(const std::vector<TPart>& parts, int32_t row) {
  const auto part = std::prev(std::upper_bound(
      parts.begin(), parts.end(), row, [](int32_t r, const TPart& p) { return r < p.FirstRow; }));
  return part->File.native() + " row " + std::to_string(row - part->FirstRow + 1);
}

}  // namespace

int RunJoin(const std::vector<std::string>& args, TStreams& io) {
  const std::optional<TOptions> options = ParseOptions(args, {"--check"}, {});
  if (!options || options->Operands.size() < 2) {
    io.Err << HelpText();
    return kExitUsage;
  }
  const bool check = options->Has("--check");
  // With --check the findings are the command's output.
  std::ostream& findings = check ? io.Out : io.Err;
  const std::vector<std::string>& files = options->Operands;
  const fs::path baseFile = files[1];
  TCellTable joined;
  std::vector<TPart> parts;
  bool unreadable = false;
  bool differs = false;
  for (size_t i = 1; i < files.size(); ++i) {
    const fs::path file = files[i];
    TCellTable table;
    if (const TResult loaded = LoadTableQuietly(table, file); !loaded) {
      io.Err << InputFailureText(file, loaded.Message) << '\n';
      unreadable = true;
      if (i == 1) break;  // without the base nothing can be matched
      continue;
    }
    std::vector<int32_t> toBase;
    if (i == 1) {
      // The base gives the names and types rows and the column order.
      joined.SetColCount(table.ColCount());
      joined.SetRowCount(2);
      for (int32_t c = 0; c < table.ColCount(); ++c) {
        joined.SetCells(c, 0, std::u16string_view(table.Cells(c, 0)));
        joined.SetCells(c, 1, std::u16string_view(table.Cells(c, 1)));
        toBase.push_back(c);
      }
    } else {
      TColumnMatch match = MatchColumns(joined, table);
      if (match.Difference) {
        findings << InputFailureText(file,
                                     DifferenceText(*match.Difference, joined, baseFile, table))
                 << '\n';
        differs = true;
        continue;
      }
      toBase = std::move(match.ToBase);
    }
    const int32_t first = joined.RowCount();
    parts.push_back({file, first});
    joined.SetRowCount(first + DataRowCount(table));
    AppendRows(table, toBase, first, [&](int32_t c, int32_t r, std::u16string_view text) {
      joined.SetCells(c, r, text);
    });
  }
  bool duplicates = false;
  if (!parts.empty()) {
    for (const TDuplicateId& d : FindDuplicateIds(joined)) {
      findings << "Duplicate ID " << EscapedText(joined.Cells(0, d.Row)) << ": "
               << RowText(parts, d.FirstRow) << " and " << RowText(parts, d.Row) << '\n';
      duplicates = true;
    }
  }
  if (check) return unreadable ? kExitTrouble : differs || duplicates ? kExitFailed : kExitOk;
  if (unreadable || differs || duplicates) {
    io.Err << "Nothing was written.\n";
    return kExitFailed;
  }
  return SaveTable(joined, files[0], io.Err);
}

}  // namespace tessary::cli

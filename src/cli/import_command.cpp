// tessary-cli import from a workbook or a CSV file: a file that starts with
// the compound-file signature is read as a workbook, a file named *.csv as
// CSV; anything else is left to the text import.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string_view>

#include "cli/commands.h"
#include "common/safe_file.h"
#include "exchange/table_csv.h"
#include "exchange/table_import.h"
#include "table/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary::cli {

std::optional<int> RunImportOther(const std::vector<std::string>& args, TStreams& io) {
  const std::optional<TSheetArgs> split = SplitSheetOption(args);
  if (!split || split->Files.size() != 2) {
    io.Err << HelpText();
    return kExitUsage;
  }
  const std::vector<std::string>& files = split->Files;
  const std::optional<std::string>& sheet = split->Sheet;
  const std::string& source = files[0];
  bool workbook = false;
  uint64_t size = 0;
  TInputFile file(nullptr, std::fclose);
  if (source != "-") {
    if (const TResult opened = OpenInputFile(source, file, size); !opened) {
      return ReportFailure(opened, io.Err);
    }
    workbook = IsWorkbookFile(file.get());
  }
  if (!workbook && !(source != "-" && IsCsvName(source))) {
    if (!sheet) return std::nullopt;
    io.Err << "--sheet names a sheet of a workbook; " << source << " is not a workbook.\n";
    return kExitUsage;
  }
  TCellTable table;
  TResult result;
  if (workbook) {
    file.reset();
    const std::u16string name = sheet ? FromUtf8(*sheet) : std::u16string();
    result = ImportTableFromWorkbook(source, sheet ? &name : nullptr, table);
  } else {
    if (sheet) {
      io.Err << "--sheet names a sheet of a workbook; " << source << " is a CSV file.\n";
      return kExitUsage;
    }
    // Read without clearing the buffer first, and let go of before saving.
    std::unique_ptr<char[]> bytes(new char[static_cast<size_t>(size)]);
    const size_t read = std::fread(bytes.get(), 1, static_cast<size_t>(size), file.get());
    file.reset();
    result = CsvToTable(std::string_view(bytes.get(), read), table);
  }
  if (!result) return ReportFailure(result, io.Err);
  return SaveTable(table, files[1], io.Err);
}

}  // namespace tessary::cli

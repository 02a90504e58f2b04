// tessary-cli export: what the window's Export command does, without a
// window, through the same export function. The target is the table's path
// with ".xls" unless given, the sheet name is derived from the target's
// file name unless given; the table gets the widths the window opens it with. A
// target named *.csv gets the table as CSV instead.
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "exchange/column_widths.h"
#include "exchange/export_target.h"
#include "exchange/table_csv.h"
#include "exchange/table_export.h"
#include "table/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary::cli {

int RunExport(const std::vector<std::string>& args, TStreams& io) {
  const std::optional<TSheetArgs> split = SplitSheetOption(args);
  if (!split || split->Files.empty() || split->Files.size() > 2) {
    io.Err << HelpText();
    return kExitUsage;
  }
  const std::string& source = split->Files[0];
  const std::string target = split->Files.size() > 1 ? split->Files[1] : std::string();
  const std::optional<std::string>& sheet = split->Sheet;
  const bool csv = IsCsvName(target);
  if (csv && sheet) {
    io.Err << "--sheet names a sheet of a workbook; a CSV file has none.\n";
    return kExitUsage;
  }
  TCellTable table;
  if (int code = LoadTable(table, source, io.Err)) return code;
  if (csv) {
    if (const TResult written = WriteTableCsvFile(table, target); !written) {
      return ReportFailure(written, io.Err);
    }
    io.Out << kCsvExportSuccessPrefix << target << '\n';
    return kExitOk;
  }
  FitColumnWidths(table);
  // Paths stay bytes: a name that is not valid UTF-8 names exactly that file.
  // Only the sheet name is text.
  const std::filesystem::path targetPath =
      target.empty() ? ExportTargetFile(source) : std::filesystem::path(target);
  const std::u16string sheetName =
      sheet ? FromUtf8(*sheet) : ExportSheetName(FromUtf8(targetPath.native()));
  if (const TResult exported = ExportTableToWorkbook(table, targetPath, sheetName); !exported) {
    return ReportFailure(exported, io.Err);
  }
  io.Out << kExportSuccessPrefix << targetPath.native() << '\n';
  return kExitOk;
}

}  // namespace tessary::cli

// tessary-cli export: what the window's Export command does, without a
// window, through the same export function. The target is the table's path
// with ".xls" unless given, the sheet name is derived from the target's
// file name unless given; the table gets the window's column widths. A
// target named *.csv gets the table as CSV instead.
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "grid/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"
#include "xls/export_target.h"
#include "xls/table_csv.h"
#include "xls/table_export.h"

namespace tessary::cli {

int RunExport(const std::vector<std::string>& args, TStreams& io) {
  std::string source;
  std::string target;
  std::optional<std::string> sheet;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--sheet") {
      // The flag needs its value; it never names a file.
      if (i + 1 >= args.size() || sheet) {
        io.Err << HelpText();
        return kExitUsage;
      }
      sheet = args[++i];
    } else if (source.empty()) {
      source = args[i];
    } else if (target.empty()) {
      target = args[i];
    } else {
      io.Err << HelpText();
      return kExitUsage;
    }
  }
  if (source.empty()) {
    io.Err << HelpText();
    return kExitUsage;
  }
  const bool csv =
      AsciiLower(FromUtf8(std::filesystem::path(target).extension().string())) == u".csv";
  if (csv && sheet) {
    io.Err << "--sheet names a sheet of a workbook; a CSV file has none.\n";
    return kExitUsage;
  }
  TCellTable table;
  if (int code = LoadTable(table, source, io.Err)) return code;
  if (csv) {
    std::string reason;
    if (!WriteTableCsvFile(table, target, reason)) {
      io.Err << kCsvExportErrorText << '\n' << reason << '\n';
      return kExitFailed;
    }
    io.Out << kCsvExportSuccessPrefix << target << '\n';
    return kExitOk;
  }
  ApplyWindowColumnWidths(table);
  // Paths stay bytes: a name that is not valid UTF-8 names exactly that file.
  // Only the sheet name is text.
  const std::filesystem::path targetPath =
      target.empty() ? ExportTargetFile(source) : std::filesystem::path(target);
  const std::u16string sheetName =
      sheet ? FromUtf8(*sheet) : ExportSheetName(FromUtf8(targetPath.native()));
  const TTableExportResult result = ExportTableToWorkbook(table, targetPath, sheetName);
  if (!result.Ok) {
    io.Err << result.ErrorText() << '\n';
    return kExitFailed;
  }
  io.Out << kExportSuccessPrefix << targetPath.native() << '\n';
  return kExitOk;
}

}  // namespace tessary::cli

#include "exchange/table_export.h"

#include <exception>
#include <new>

#include "exchange/export_target.h"
#include "exchange/grid_xls_io.h"

namespace tessary {

std::string TTableExportResult::ErrorText() const {
  return std::string(kExportErrorText) + "\n" + Reason;
}

TTableExportResult ExportTableToWorkbook(const TCellTable& table,
                                         const std::filesystem::path& target,
                                         std::u16string_view sheetName,
                                         const TRegionalSettings& regional) {
  TGridXlsIO exporter;
  exporter.ApplyWindowSettings(table);
  exporter.Regional = regional;
  if (std::optional<std::string> tooLarge = exporter.SheetLimitFailure()) {
    return {false, *tooLarge};
  }
  const std::string path = target.string();
  try {
    exporter.XLSExport(target, sheetName, -1, 1, InsertInSheet_Clear);
  } catch (const std::bad_alloc&) {
    return {false, path + ": Not enough memory"};
  } catch (const std::exception& e) {
    const std::string what = e.what();
    return {false, what.find(path) != std::string::npos ? what : path + ": " + what};
  }
  return {};
}

}  // namespace tessary

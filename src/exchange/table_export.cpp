#include "exchange/table_export.h"

#include <exception>
#include <new>

#include "exchange/export_target.h"
#include "exchange/grid_xls_io.h"

namespace tessary {

namespace {

TResult ExportFailure(const std::string& reason) {
  return TResult::Failure(std::string(kExportErrorText) + "\n" + reason);
}

}  // namespace

TResult ExportTableToWorkbook(const TCellTable& table, const std::filesystem::path& target,
                              std::u16string_view sheetName, const TRegionalSettings& regional) {
  TGridXlsIO exporter;
  exporter.ApplyWindowSettings(table);
  exporter.Regional = regional;
  if (const TResult fits = exporter.CheckFitsSheet(); !fits) return ExportFailure(fits.Message);
  const std::string path = target.string();
  try {
    exporter.XLSExport(target, sheetName, -1, 1, InsertInSheet_Clear);
  } catch (const std::bad_alloc&) {
    return ExportFailure(path + ": Not enough memory");
  } catch (const std::exception& e) {
    const std::string what = e.what();
    return ExportFailure(what.find(path) != std::string::npos ? what : path + ": " + what);
  }
  return TResult::Success();
}

}  // namespace tessary

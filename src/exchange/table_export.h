// File > Export to > Excel file as one function, for the window and the
// command line alike: the same table gives the same workbook bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"
#include "table/cell_table.h"
#include "xls/regional_settings.h"

namespace tessary {

// Writes the table into the sheet `sheetName` of the workbook `target`
// with the window's export settings: a new workbook, or the existing one
// with the sheet of that name refilled and its other sheets kept. Rows 0
// and 1 (names and types) go out as texts and each data cell by its
// column's type. A table larger than a sheet is refused before the target
// is read or written; any failure leaves an existing target as it was.
// A failure's message is the export's error text, a line feed and the
// reason: a table too large for a sheet, else the failure's own text after
// the target's path (unless it names it).
TResult ExportTableToWorkbook(
    const TCellTable& table, const std::filesystem::path& target, std::u16string_view sheetName,
    const TRegionalSettings& regional = TRegionalSettings::FromUserLocale());

}  // namespace tessary

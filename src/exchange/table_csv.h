// A table as CSV text (RFC 4180) and back: the first line holds the column
// names, the second the column types, every further line one data row.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "table/cell_table.h"

namespace tessary {

inline constexpr char kCsvExportErrorText[] = "Error attempting to export as CSV file.";
inline constexpr char kCsvExportSuccessPrefix[] = "CSV file created: ";
inline constexpr char kCsvExportCaption[] = "Export to CSV";

// The document path with its extension replaced by ".csv", by the rule of
// the workbook export's target.
std::u16string CsvExportTargetPath(std::u16string_view documentPath);

// Every row of the extent, every column of the extent, as UTF-8 without a
// byte order mark. Fields are separated by commas and each row ends with
// CR LF; a field holding a comma, a double quote, a CR or a LF, or starting
// with U+FEFF, is put in double quotes with its quotes doubled. Texts are
// never changed otherwise.
std::string TableToCsv(const TCellTable& table);
// The same bytes handed to `sink` in pieces of about 1 MiB as they are
// made (memory stays bounded however large the output); false when the
// sink refused a piece, which ends the writing. A text shown by many cells
// is encoded once.
bool WriteTableCsv(const TCellTable& table, const std::function<bool(std::string_view)>& sink);

// Writes TableToCsv, as it is made, beside `target` and puts it in the target's place when
// complete. A failure's message is the CSV export's error text, a line
// feed and the reason ("PATH: system text"); an existing target is then
// unchanged.
TResult WriteTableCsvFile(const TCellTable& table, const std::filesystem::path& target);

// Reads CSV into a fresh table: UTF-8 with or without a byte order mark,
// lines ended by CR LF, LF or CR, fields quoted as TableToCsv writes them
// (a quote inside an unquoted field is kept as it is). The columns are
// those up to the last one with a name or a type, and every type must be
// one of the five type names; every line is a row. Refused with the
// line and field named: input that is not UTF-8 or holds a NUL, a quoted
// field without its closing quote, fewer than two lines, an unknown type,
// a value in a column without name and type. After a failure the table is
// to be thrown away.
TResult CsvToTable(std::string_view bytes, TCellTable& table);

// The fields of the first line of CSV text (the column names of a table,
// or of a user's own sheet whatever follows), read as CsvToTable reads
// them; refused, with the place named, as CsvToTable refuses that line.
TResult CsvFirstRecord(std::string_view bytes, std::vector<std::u16string>& fields);

}  // namespace tessary

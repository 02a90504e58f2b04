// What the Export command derives before it calls the export: the target
// workbook path and sheet name from the document path, the messages it
// shows, and the size conversions of the grid's pixels.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tessary {

inline constexpr char kExportErrorText[] =
    "Error attempting to export as Excel file. Maybe File already in use?";
inline constexpr char kExportSuccessPrefix[] = "Excel file created: ";
inline constexpr char kExportCaption[] = "Export to Excel";

// The document path with its extension replaced by ".xls": the extension
// is the part from the last "." after the last directory separator ("\",
// ":" and, on this platform, "/"); a name without one gets ".xls" added.
std::u16string ExportTargetPath(std::u16string_view documentPath);
// The same on a native path, byte for byte: a name that is not valid UTF-8
// keeps its bytes.
std::filesystem::path ExportTargetFile(const std::filesystem::path& documentPath);

// The first 27 code units of the target's file name, extension included.
std::u16string ExportSheetName(std::u16string_view targetPath);

// Column width in 1/256 of a character and row height in twips for a size
// in pixels less the grid's text offset; rounded to nearest, ties to even,
// and 0 for results below 1.
int32_t ExportColumnWidth(int32_t pixels, int32_t offset);
int32_t ExportRowHeight(int32_t pixels, int32_t offset);

// Upper-cased for comparing sheet names without regard to letter case.
std::u16string UpperSheetName(std::u16string_view name);

}  // namespace tessary

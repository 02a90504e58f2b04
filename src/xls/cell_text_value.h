// The export's reading of a cell text as a typed value: numbers with their
// percent, exponent and currency decorations, Booleans, dates and times,
// else the text itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/column_type.h"
#include "xls/regional_settings.h"

namespace tessary {

struct TCellTextValue {
  enum class TValueKind { vkNumber, vkBoolean, vkDateTime, vkString };
  TValueKind Kind = TValueKind::vkString;
  double Number = 0;     // Number and DateTime (days since 1899-12-30)
  bool Boolean = false;  // Boolean
  std::u16string Text;   // String: the text, untrimmed
  // The number format the cell takes; empty optional keeps the caller's.
  std::optional<std::u16string> Format;
};

// A cell text prepared for the export: rich text as plain text, every line
// break as one LF; unless `keepHtmlTags`, "<br>" as CR LF and, in a text
// containing "</", the markup removed and the entities &nbsp; &amp; &quot;
// decoded (any letter case).
std::u16string PrepareExportText(std::u16string_view text, bool keepHtmlTags);

// Reads a cell text as the export stores it. dateFormat and timeFormat
// replace the regional short formats when not empty.
TCellTextValue ConvertCellText(std::u16string_view text, const TRegionalSettings& settings,
                               std::u16string_view dateFormat = {},
                               std::u16string_view timeFormat = {}, int currentYear = 0);

// A data cell of a typed column: in int, float and bool columns the number
// the text denotes as saving reads it (ParseInteger; ParseReal's value
// before saving rounds it to single precision; ParseBool as 0 or 1), with
// no number format. A text those refuse, a value beyond the range of a
// number cell, and every text of a string or resource column stay the text
// itself, unchanged.
TCellTextValue ConvertTypedCellText(std::u16string_view text, TColumnType type);

// The number text grammar of the conversion: blanks, sign, digits, a full
// stop with digits, an exponent; accumulated in extended precision.
std::optional<double> ParseExportNumber(std::u16string_view s);

// The time format with every "AMPM" (any case) outside double quotes
// written as "AM/PM".
std::u16string ExpandAmPm(std::u16string_view format);

// The date and time test: the serial number and the format of a date or
// time text (already trimmed), or nothing.
std::optional<std::pair<double, std::u16string>> RecogniseDateTime(
    std::u16string_view s0, const TRegionalSettings& settings, std::u16string_view dateFormat,
    std::u16string_view timeFormat, int currentYear = 0);

}  // namespace tessary

// The five column types of a table and how row 1 names them.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tessary {

enum class TColumnType {
  ctInt,
  ctFloat,
  ctBool,
  ctString,
  ctResource,
  // The former names, until the table-file writer uses the ones above.
  Int = ctInt,
  Float = ctFloat,
  Bool = ctBool,
  String = ctString,
  Resource = ctResource,
};

// The names of the five types, in the order an editor offers them.
inline constexpr std::array<std::u16string_view, 5> kColumnTypeNames = {u"int", u"float", u"bool",
                                                                        u"string", u"resource"};

// The type a row-1 text names: "int", "float", "bool", "string" or
// "resource" in any letter case (A to Z only), the whole text, no
// trimming. Any other text names no type.
std::optional<TColumnType> ColumnTypeOf(std::u16string_view typeText);

// The value of a bool column's text as saving stores it: true when the
// integer the text denotes is not 0. Empty when the text is no integer.
std::optional<bool> ParseBool(std::u16string_view text);

}  // namespace tessary

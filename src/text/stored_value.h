// How saving stores a cell text in a column of each type, and what it
// cannot keep. The table writer, the check before saving, the imports and
// the tools that compare IDs all use these rules, so that they agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/column_type.h"

namespace tessary {

// The 32-bit value saving writes for a cell of an int, float or bool
// column (the integer, the float's bits, 1 or 0); empty for a text that
// does not convert, which is written as 0, and for string and resource
// columns, which store the text itself.
std::optional<uint32_t> StoredBits(TColumnType type, std::u16string_view text);

// A text saving cannot keep: a non-empty text of an int, float or bool
// column that does not convert and is written as 0, and in a bool column a
// number other than 0 and 1, which is written as 1. Texts that convert to
// the value they show ($10, 007) are kept.
bool CannotBeStored(TColumnType type, std::u16string_view text);

// Why saving cannot keep a text that CannotBeStored refuses, for the
// messages of the imports: "'abc' is not a whole number", "'1e40' is
// outside the float range (...)", "'yes' is not 0 or 1". The text is shown
// cut to 40 characters, invisible characters as <U+FEFF>.
std::string WhyCannotBeStored(TColumnType type, std::u16string_view text);

// An ID as saving stores it, for comparing the IDs of a table: in an int
// column 1, 01 and $1 are one ID; in a string or resource column the text
// is the ID. Texts are viewed, not copied.
struct TIdKey {
  bool IsText = false;
  uint32_t Bits = 0;
  std::u16string_view Text;
  friend bool operator==(const TIdKey& a, const TIdKey& b) {
    return a.IsText == b.IsText && (a.IsText ? a.Text == b.Text : a.Bits == b.Bits);
  }
};
struct TIdKeyHash {
  size_t operator()(const TIdKey& k) const noexcept;
};

// The key of an ID cell in a column of type `type` (a text that names no
// type is a string column). Empty for an empty cell and for a text saving
// would store as 0 although it is no number: such a row has no usable ID.
std::optional<TIdKey> StoredIdKey(std::optional<TColumnType> type, std::u16string_view text);

// Whether a column name is "ID" (letter case ignored, as the name hash
// ignores it), which makes the first column the table's row key.
bool IsIdColumnName(std::u16string_view name);

}  // namespace tessary

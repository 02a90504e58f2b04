#include "text/column_type.h"

#include "text/number_text.h"

namespace tessary {

std::optional<TColumnType> ColumnTypeOf(std::u16string_view typeText) {
  // The longest name is 8 code units; longer texts need no lower-casing.
  if (typeText.size() > 8) return std::nullopt;
  const std::u16string lower = AsciiLower(typeText);
  if (lower == u"int") return TColumnType::ctInt;
  if (lower == u"float") return TColumnType::ctFloat;
  if (lower == u"bool") return TColumnType::ctBool;
  if (lower == u"string") return TColumnType::ctString;
  if (lower == u"resource") return TColumnType::ctResource;
  return std::nullopt;
}

std::optional<bool> ParseBool(std::u16string_view text) {
  const std::optional<int32_t> value = ParseInteger(text);
  if (!value) return std::nullopt;
  return *value != 0;
}

}  // namespace tessary

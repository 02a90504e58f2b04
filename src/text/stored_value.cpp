#include "text/stored_value.h"

#include <cstring>
#include <functional>

#include "text/number_text.h"

namespace tessary {

std::optional<uint32_t> StoredBits(TColumnType type, std::u16string_view text) {
  switch (type) {
    case TColumnType::ctInt:
      if (const std::optional<int32_t> value = ParseInteger(text)) {
        return static_cast<uint32_t>(*value);
      }
      return std::nullopt;
    case TColumnType::ctBool:
      if (const std::optional<bool> value = ParseBool(text)) return *value ? 1u : 0u;
      return std::nullopt;
    case TColumnType::ctFloat:
      // FormatReal's NAN, INF and -INF are values; a value that does not
      // round to a finite 32-bit float is written as 0.
      if (const std::optional<float> f = ParseStoredFloat(text)) {
        uint32_t bits = 0;
        std::memcpy(&bits, &*f, 4);
        return bits;
      }
      return std::nullopt;
    case TColumnType::ctString:
    case TColumnType::ctResource:
      break;
  }
  return std::nullopt;
}

bool CannotBeStored(TColumnType type, std::u16string_view text) {
  if (text.empty() || type == TColumnType::ctString || type == TColumnType::ctResource)
    return false;
  return !StoredBits(type, text).has_value();
}

size_t TIdKeyHash::operator()(const TIdKey& k) const noexcept {
  if (k.IsText) return std::hash<std::u16string_view>{}(k.Text);
  return std::hash<uint32_t>{}(k.Bits) ^ 0x9E3779B97F4A7C15ull;
}

std::optional<TIdKey> StoredIdKey(std::optional<TColumnType> type, std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  const TColumnType t = type.value_or(TColumnType::ctString);
  if (t == TColumnType::ctString || t == TColumnType::ctResource) {
    TIdKey key;
    key.IsText = true;
    key.Text = text;
    return key;
  }
  const std::optional<uint32_t> bits = StoredBits(t, text);
  if (!bits) return std::nullopt;
  TIdKey key;
  key.Bits = *bits;
  return key;
}

bool IsIdColumnName(std::u16string_view name) {
  return name.size() == 2 && (name[0] == u'I' || name[0] == u'i') &&
         (name[1] == u'D' || name[1] == u'd');
}

}  // namespace tessary
